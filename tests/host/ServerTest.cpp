// Servers loading the real library: start results, per-server module state,
// restart against the same store, missing siblings.
#include <gtest/gtest.h>

#include <filesystem>

#include "host/World.h"
#include "support/HostFixture.h"

namespace {

constexpr const char* kPlayerBeat = "PlayerTopSystem::H_TopListUpdate";

void AddScenes(Server& s) {
    s.CreateScene(1, "HomeScene");
    s.CreateScene(2, "BaseScene");
    s.CreateScene(3, "BaseScene", "ChallengeWaitScene");
}

TEST(Server, StartsEveryModuleOfTheRealLibraryInListOrder) {
    World world(1);
    Server& s = world.server(0);
    ASSERT_TRUE(s.Start()) << s.Error();
    ASSERT_EQ(s.Modules().size(), 4u);
    EXPECT_EQ(s.Modules()[0].name, "PlayerTopAlwaysWinSystem");
    EXPECT_EQ(s.Modules()[1].name, "NewCharmTopSystem");
    EXPECT_EQ(s.Modules()[2].name, "PlayerTopSystem");
    EXPECT_EQ(s.Modules()[3].name, "NationResourceTopSystem");
    EXPECT_TRUE(s.AllModulesStarted());
    EXPECT_GT(s.Kernel().CallbackCount(), 0u);
    // The private copy is gone from disk once loaded.
    EXPECT_FALSE(std::filesystem::exists(s.LoadedCopyPath()));
    EXPECT_FALSE(s.Start()) << "a running server refuses a second start";
}

TEST(Server, RefusesAMissingLibraryWithAReason) {
    ServerOptions options;
    options.libraryPath = "/nonexistent/VoGameLogic.so";
    World world(1, options);
    EXPECT_FALSE(world.server(0).Start());
    EXPECT_FALSE(world.server(0).Error().empty());
    EXPECT_FALSE(world.server(0).Running());
}

TEST(Server, TwoServersOnOneStoreKeepSeparateModuleState) {
    World world(2);
    for (std::size_t i = 0; i < 2; ++i) AddScenes(world.server(i));
    ASSERT_TRUE(world.StartAll());
    // Each load has its own creators and modules.
    EXPECT_NE(world.server(0).Library().Creators(), world.server(1).Library().Creators());
    EXPECT_NE(world.server(0).Library().Creators()->module, world.server(1).Library().Creators()->module);
    // The player list counts home-scene loads in a module-level variable: only
    // the first load per module attaches the hourly heartbeat. With shared state
    // the second server's first load would be its second and attach nothing.
    world.server(0).SendStartEvents();
    world.server(1).SendStartEvents();
    for (std::size_t i = 0; i < 2; ++i) {
        HostKernel& k = world.server(i).Kernel();
        EXPECT_TRUE(k.FindHeartBeat(k.SceneObject(1), kPlayerBeat)) << "server " << i + 1;
    }
    // Both servers see one store: the player list exists once.
    EXPECT_GE(world.Store().SpaceIndex(u"Pub_PlayerTopInfo"), 0);
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

TEST(Server, ALeftOutSiblingFailsTheInitOfTheModulesThatNeedIt) {
    ServerOptions options;
    options.withCriticalManager = false;
    options.withVirtualRec = false;
    World world(1, options);
    Server& s = world.server(0);
    ASSERT_TRUE(s.Start());
    for (const char* name : {"PlayerTopSystem", "NewCharmTopSystem", "PlayerTopAlwaysWinSystem",
                             "NationResourceTopSystem"}) {
        const ModuleStartResult* m = s.Module(name);
        ASSERT_NE(m, nullptr) << name;
        EXPECT_FALSE(m->init) << name;
        EXPECT_FALSE(m->afterInitCalled) << name;
    }
    EXPECT_FALSE(s.Kernel().Traces().empty());
    EXPECT_EQ(s.Kernel().CallbackCount(), 0u);
}

TEST(Server, LogicThreadRunsPostedTasksInOrder) {
    World world(1);
    Server& s = world.server(0);
    s.StartThread();
    std::vector<int> seen;
    for (int i = 0; i < 100; ++i) s.Post([&seen, i](Server&) { seen.push_back(i); });
    s.WaitIdle();
    s.StopThread();
    ASSERT_EQ(seen.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[static_cast<std::size_t>(i)], i);
    s.Post([&seen](Server&) { seen.push_back(-1); });  // without a thread: at once
    EXPECT_EQ(seen.back(), -1);
}

class FixtureSmoke : public HostFixture {};

TEST_F(FixtureSmoke, GivesAStartedServerWithThreeScenesAndAResourceFolder) {
    EXPECT_TRUE(server().AllModulesStarted());
    EXPECT_EQ(kernel().GetSceneCount(), 3);
    EXPECT_EQ(std::string(kernel().GetConfigName(Scene(3))), "ChallengeWaitScene");
    EXPECT_EQ(std::string(kernel().GetResourcePath()), ResourceDir());
    const ObjectId p = Player(u"Bob", {{"Level", 3}});
    EXPECT_EQ(kernel().FindPlayer(u"Bob"), p);
    EXPECT_EQ(kernel().QueryInt(p, "Level"), 3);
}

}  // namespace
