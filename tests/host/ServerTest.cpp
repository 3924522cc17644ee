// Servers loading the real library: start results, per-server module state,
// restart against the same store.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/World.h"

namespace {

constexpr const char* kPlayerBeat = "PlayerTopSystem::H_TopListUpdate";

void AddScenes(Server& s) {
    s.CreateScene(1, "HomeScene");
    s.CreateScene(2, "BaseScene");
    s.CreateScene(3, "BaseScene", "ChallengeWaitScene");
}

// Module order and the modules' reports of a missing sibling are checked by
// the boundary and leaderboard test programs.
TEST(Server, StartsEveryModuleOfTheRealLibraryOnceFromAPrivateCopy) {
    World world(1);
    Server& s = world.server(0);
    ASSERT_TRUE(s.Start()) << s.Error();
    EXPECT_EQ(s.Modules().size(), 4u);
    EXPECT_TRUE(s.AllModulesStarted());
    EXPECT_GT(s.Kernel().CallbackCount(), 0u);
    // The private copy leaves the disk as soon as the system allows: POSIX keeps
    // the mapping of a removed file, Windows holds a loaded file until FreeLibrary.
    const std::string copy = s.LoadedCopyPath();
#if defined(_WIN32)
    EXPECT_TRUE(std::filesystem::exists(copy));
#else
    EXPECT_FALSE(std::filesystem::exists(copy));
#endif
    EXPECT_FALSE(s.Start()) << "a running server refuses a second start";
    s.Stop();
    EXPECT_FALSE(std::filesystem::exists(copy));
    ServerOptions missing;
    missing.libraryPath = "/nonexistent/VoGameLogic.so";
    Server& other = world.AddServer(missing);
    EXPECT_FALSE(other.Start());
    EXPECT_FALSE(other.Error().empty());
    EXPECT_FALSE(other.Running());
}

TEST(Server, TwoServersOnOneStoreKeepSeparateModuleState) {
    World world(2);
    for (std::size_t i = 0; i < 2; ++i) AddScenes(world.server(i));
    ASSERT_TRUE(world.StartAll());
    EXPECT_NE(world.server(0).Library().Creators(), world.server(1).Library().Creators()) << "one load each";
    // The player list counts home-scene loads in a module-level variable: only
    // the first load per module attaches the hourly heartbeat. With shared state
    // the second server's first load would be its second and attach nothing.
    for (std::size_t i = 0; i < 2; ++i) {
        world.server(i).SendStartEvents();
        HostKernel& k = world.server(i).Kernel();
        EXPECT_TRUE(k.FindHeartBeat(k.SceneObject(1), kPlayerBeat)) << "server " << i + 1;
    }
    EXPECT_EQ(world.DiagnosticsText(), "");
}

TEST(Server, RestartsAgainstTheSameStoreWithoutDuplicatingCallbacks) {
    World world(1);
    Server& s = world.server(0);
    AddScenes(s);
    ASSERT_TRUE(s.Start());
    s.SendStartEvents();
    const std::size_t callbacks = s.Kernel().CallbackCount();
    const ObjectId player = s.CreatePlayer(u"Ann", 2, {{"Level", 10}, {"GutOver", 1}});
    s.LoginPlayer(player);

    s.Stop();
    EXPECT_FALSE(s.Running());
    EXPECT_EQ(s.Kernel().CallbackCount(), 0u);
    EXPECT_FALSE(s.Kernel().FindHeartBeat(s.Kernel().SceneObject(1), kPlayerBeat));
    EXPECT_EQ(s.Critical()->WatchCount(player), 0u);
    // Nothing calls into the unloaded library.
    EXPECT_TRUE(s.SetProperty(player, "Level", 11));
    s.Kernel().Advance(2 * 3600 * 1000);

    // A fresh load starts with fresh module state: the count of home-scene loads
    // is 0 again, so the first load attaches the heartbeat once more.
    ASSERT_TRUE(s.Start()) << s.Error();
    EXPECT_TRUE(s.AllModulesStarted());
    s.SendStartEvents();  // set-up now finds the existing records
    EXPECT_EQ(s.Kernel().CallbackCount(), callbacks);
    EXPECT_TRUE(s.Kernel().FindHeartBeat(s.Kernel().SceneObject(1), kPlayerBeat));
    EXPECT_EQ(world.DiagnosticsText(), "");
}

}  // namespace
