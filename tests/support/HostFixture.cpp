#include "HostFixture.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "StaleLockSetting.h"
#include "Utility/Platform.h"

void HostFixture::SetUp() {
    SetStaleLockBoundMs(kTestStaleBoundMs);
    const std::string dir = Platform::MakeTempFolder("vogame-res-");
    ASSERT_FALSE(dir.empty());
    resourceDir_ = dir + "/";
    SetUpResources();
    ServerOptions options = Options();
    if (options.resourcePath.empty()) options.resourcePath = resourceDir_;
    world_ = std::make_unique<World>(1, options);
    Server& s = server();
    s.CreateScene(1, "HomeScene");
    s.CreateScene(2, "BaseScene");
    s.CreateScene(3, "BaseScene", "ChallengeWaitScene");
    ASSERT_TRUE(s.Start()) << s.Error();
    s.SendStartEvents();
}

void HostFixture::TearDown() {
    if (world_ && expectCleanDiagnostics_) {
        EXPECT_EQ(world_->DiagnosticsText(), "");
    }
    world_.reset();
    std::error_code ec;
    if (!resourceDir_.empty()) std::filesystem::remove_all(resourceDir_, ec);
}

void HostFixture::WriteResource(const std::string& relativePath, const std::string& content) {
    std::string path = resourceDir_ + relativePath;
    std::replace(path.begin(), path.end(), '\\', '/');
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
}

ObjectId HostFixture::Player(std::u16string_view name, const std::vector<std::pair<std::string, HostValue>>& properties,
                             int sceneId) {
    const ObjectId player = server().CreatePlayer(name, sceneId, properties);
    if (!player.IsNull()) server().LoginPlayer(player);
    return player;
}
