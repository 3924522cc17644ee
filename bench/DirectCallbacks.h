#pragma once
// A critical manager that only records the declared callbacks, so a benchmark
// can call one module's handler directly: its figures are that module's alone.
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "module/ICriticalManagerSystem.h"

class DirectCallbacks final : public ICriticalManagerSystem {
public:
    VOGAME_DELETING_DESTRUCTOR(DirectCallbacks)
    bool DeclarePropertyCallback(IKernel*, PropertyCallback func, const char* name) override {
        declared_.emplace_back(name, func);
        return true;
    }
    bool AddPropertyWatch(IKernel*, const ObjectId&, const char*, const char*) override { return true; }
    PropertyCallback Find(std::string_view name) const {
        for (const auto& [declared, func] : declared_) {
            if (declared == name) return func;
        }
        std::abort();
    }

private:
    std::vector<std::pair<std::string, PropertyCallback>> declared_;
};
