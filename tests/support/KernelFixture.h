#pragma once
// One reference-host kernel on its own store, a scene to hold objects and a
// resource folder for XML files.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "support/TempDir.h"
#include "host/HostKernel.h"
#include "host/MemoryPubDataStore.h"
#include "Utility/Platform.h"

class KernelFixture : public ::testing::Test {
protected:
    void SetUp() override {
        kernel_.SetResourcePath(dir_.Path());
        scene_ = kernel_.CreateScene(1);
    }

    // Writes a file under the resource folder; "\" separators allowed.
    void WriteResource(const std::string& name, const std::string& content) {
        WriteWholeFile(dir_.Path() + "/" + Platform::NativePath(name.c_str()), content);
    }

    struct Prop {
        const char* name;
        int type;
        bool save = true;
    };
    // A class with these properties; its index.
    int Define(const char* className, std::initializer_list<Prop> props) {
        const int cls = kernel_.DefineClass(className);
        for (const Prop& p : props) kernel_.AddClassProperty(cls, p.name, p.type, p.save, "");
        return cls;
    }
    // A record of the class with these column types.
    void DefineRecord(int cls, const char* name, int maxRows, bool save, std::initializer_list<int> colTypes) {
        kernel_.AddClassRecord(cls, name, static_cast<int>(colTypes.size()), maxRows, save);
        int col = 0;
        for (int type : colTypes) kernel_.SetClassRecordColType(cls, name, col++, type);
    }

    // A new object of the class (or configuration) in scene 1.
    ObjectId Make(const char* config) {
        ObjectId out;
        EXPECT_TRUE(kernel_.CreateObject(out, scene_, config, 0)) << config;
        return out;
    }

    MemoryPubDataStore store_;
    HostKernel kernel_{store_, 1};
    TempDir dir_;
    ObjectId scene_;
};
