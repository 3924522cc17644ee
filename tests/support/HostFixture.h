#pragma once
// A world with one server, the real library loaded, scenes 1..3 created and the
// start events sent:
//   scene 1: "HomeScene"
//   scene 2: "BaseScene"
//   scene 3: "BaseScene" with configuration "ChallengeWaitScene"
// The resource folder is a fresh temporary folder (ResourceDir()); write rule
// files there in SetUpResources() before the library starts. The library's
// stale-lock bound is the tests' short one (StaleLockSetting.h). TearDown
// expects the host's diagnostics to be empty.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/World.h"

class HostFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Hooks for derived fixtures, run before Start / before the start events.
    virtual void SetUpResources() {}
    virtual ServerOptions Options() { return {}; }

    // Writes a file under the resource folder ('\' separators allowed), creating folders.
    void WriteResource(const std::string& relativePath, const std::string& content);
    const std::string& ResourceDir() const { return resourceDir_; }

    World& world() { return *world_; }
    Server& server() { return world_->server(0); }
    HostKernel& kernel() { return server().Kernel(); }
    ObjectId Scene(int id) { return kernel().SceneObject(id); }
    // A logged-in player in scene 2 with the given properties.
    ObjectId Player(std::u16string_view name, const std::vector<std::pair<std::string, HostValue>>& properties = {},
                    int sceneId = 2);

    bool expectCleanDiagnostics_ = true;

private:
    std::unique_ptr<World> world_;
    std::string resourceDir_;
};
