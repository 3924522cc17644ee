#pragma once
// A CriticalManagerSystem that only records the property callbacks declared to
// it, so a test can call one of them directly, as the host's sibling would.
#include <map>
#include <string>

#include "module/ICriticalManagerSystem.h"

struct RecordingCriticalManager final : ICriticalManagerSystem {
    VOGAME_DELETING_DESTRUCTOR(RecordingCriticalManager)
    bool DeclarePropertyCallback(IKernel*, PropertyCallback func, const char* name) override {
        declared[name] = func;
        return true;
    }
    bool AddPropertyWatch(IKernel*, const ObjectId&, const char*, const char*) override { return true; }
    std::map<std::string, PropertyCallback> declared;
};
