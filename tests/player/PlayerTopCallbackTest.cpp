// A property callback arriving for a player who has vanished. A critical
// manager that only records the declared callbacks lets the test call one.
#include <gtest/gtest.h>

#include "PlayerListSupport.h"
#include "host/World.h"
#include "support/RecordingCriticalManager.h"

using namespace PlayerList;

namespace {

TEST(PlayerTopCallback, CallbackForAVanishedPlayerChangesNothing) {
    RecordingCriticalManager critical;
    ServerOptions options;
    options.withCriticalManager = false;
    World world(1, options);
    Server& server = world.server(0);
    server.Kernel().RegisterSibling("CriticalManagerSystem", &critical);
    ASSERT_TRUE(server.Start()) << server.Error();
    server.CreateScene(2);
    server.SendStartEvents();

    const ObjectId gone = server.CreatePlayer(u"gone", 2, Properties(10));
    server.LoginPlayer(gone);
    const auto before = Rows(world.Store());
    ASSERT_EQ(1u, before.size());
    server.Kernel().DestroyObject(gone);
    // An heir under the same name would otherwise be written over the row.
    ASSERT_FALSE(server.CreatePlayer(u"gone", 2, Properties(99)).IsNull());

    CVarList previous;
    previous.PushInt(9);
    for (const char* name : {"PlayerTopSystem::OnLevelChanged", "PlayerTopSystem::OnCampChanged",
                             "PlayerTopSystem::OnPlayerGutOverChanged"}) {
        ASSERT_NE(nullptr, critical.declared[name]) << name;
        EXPECT_EQ(1, critical.declared[name](&server.Kernel(), gone, "Level", previous));
    }
    EXPECT_EQ(before, Rows(world.Store()));
    EXPECT_EQ(0, LockValue(world.Store()));
    server.Stop();
}

}  // namespace
