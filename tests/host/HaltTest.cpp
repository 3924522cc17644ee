// A server halted at a chosen public-data call, as a crash would stop it: it
// leaves what it holds, touches the store no more, takes no further work, and a
// restart brings it back with a fresh load of the library.
#include <gtest/gtest.h>

#include <optional>

#include "charm/CharmList.h"
#include "host/World.h"
#include "player/PlayerListSupport.h"

namespace {

class Halt : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(world.StartAll());
        for (std::size_t i = 0; i < world.ServerCount(); ++i) {
            Server& s = world.server(i);
            s.CreateScene(1, "HomeScene");
            s.CreateScene(2);
            s.SendStartEvents();
        }
        ann = Join(world.server(0), u"Ann", 10);
        bob = Join(world.server(1), u"Bob", 20);
    }
    static ObjectId Join(Server& s, std::u16string_view name, int level) {
        auto properties = PlayerList::Properties(level);
        properties.emplace_back("Charm", level);
        const ObjectId p = s.CreatePlayer(name, 2, properties);
        s.LoginPlayer(p);
        return p;
    }
    // Both lists and their locks.
    struct Lists {
        std::optional<PubDataStore::RecordSnapshot> player, charm;
        int playerLock = 0, charmLock = 0;
    };
    Lists Now() {
        PubDataStore& store = world.Store();
        return {store.Snapshot(PlayerList::kSpace, PlayerList::kRecord), store.Snapshot(charm::kSpace, charm::kRecord),
                PlayerList::LockValue(store), charm::LockValue(store)};
    }
    static void ExpectSame(const Lists& a, const Lists& b, const char* when) {
        ASSERT_TRUE(a.player && b.player && a.charm && b.charm) << when;
        EXPECT_EQ(a.player->rows, b.player->rows) << when;
        EXPECT_EQ(a.charm->rows, b.charm->rows) << when;
        EXPECT_EQ(a.playerLock, b.playerLock) << when;
        EXPECT_EQ(a.charmLock, b.charmLock) << when;
    }

    World world{2};
    ObjectId ann, bob;
};

TEST_F(Halt, InsideTheListLockItLeavesTheLockHeldAndTouchesTheStoreNoMore) {
    Server& s = world.server(0);
    const auto rowsBefore = PlayerList::Rows(world.Store());
    s.HaltAt(HaltTrigger::InsideLock(PlayerList::kLock));
    s.SetProperty(ann, "Level", 30);  // the rewrite runs to its end on neutral results
    ASSERT_TRUE(s.Halted());
    EXPECT_NE(std::string(s.Kernel().HaltedAt()).find("holding PlayerToplistRecPubLock"), std::string::npos)
        << s.Kernel().HaltedAt();
    const Lists halted = Now();
    EXPECT_EQ(halted.playerLock, 1) << "a crash gives nothing back";
    EXPECT_EQ(PlayerList::Rows(world.Store()), rowsBefore) << "halted at the first call inside the lock";

    // Nothing the halted server is asked to do reaches the store or runs.
    const std::uint64_t calls = s.Kernel().PubDataCalls();
    s.SetProperty(ann, "Level", 40);
    s.SetProperty(ann, "Charm", 99);
    s.Kernel().Advance(2 * 3600 * 1000);
    EXPECT_EQ(s.SendStartEvents(), 0);
    bool ran = false;
    s.StartThread();
    s.Post([&ran](Server&) { ran = true; });
    s.WaitIdle();
    s.StopThread();
    EXPECT_FALSE(ran);
    EXPECT_EQ(s.DroppedTasks(), 1u);
    EXPECT_EQ(s.Kernel().PubDataCalls(), calls);
    ExpectSame(Now(), halted, "after more work for the halted server");

    // The other server goes on with what does not wait for that lock.
    world.server(1).SetProperty(bob, "Charm", 70);
    EXPECT_EQ(charm::Names(world.Store()).front(), u"Bob");
    EXPECT_EQ(world.DiagnosticsText(), "");
}

// Any call inside a rewrite can be the last: the lock stays taken, what was
// written before stays and nothing is written after. Past the rewrite's last
// call the trigger never fires and the lock is given back.
TEST_F(Halt, EveryCallInsideTheLockCanBeTheLastAndTheCountsSayWhichOperationsRan) {
    std::vector<PlayerList::Row> seeded;
    for (int i = 0; i < 20; ++i) seeded.push_back(PlayerList::MakeRow(u"p" + std::u16string(1, u'a' + i), 40 - i));
    bool halted = true;
    std::uint64_t k = 1, callsUpToTheLock = 0;
    for (; halted && k < 200; ++k) {
        World fresh(1);
        Server& s = fresh.server(0);
        ASSERT_TRUE(s.Start());
        s.CreateScene(1, "HomeScene");
        s.CreateScene(2);
        s.SendStartEvents();
        ASSERT_TRUE(PlayerList::Seed(fresh.Store(), seeded));
        const ObjectId p = Join(s, u"Cyd", 5);
        s.HaltAt(HaltTrigger::InsideLock(PlayerList::kLock, k));
        const std::uint64_t callsBefore = s.Kernel().PubDataCalls();
        s.SetProperty(p, "Level", 35);
        halted = s.Halted();
        EXPECT_EQ(PlayerList::LockValue(fresh.Store()), halted ? 1 : 0) << k;
        if (!halted) break;
        // The calls up to the lock (the charm list watches the level too), then k - 1 inside it.
        const std::uint64_t made = s.Kernel().PubDataCalls() - callsBefore;
        if (k == 1) callsUpToTheLock = made;
        EXPECT_EQ(made, callsUpToTheLock + k - 1) << k;
        const auto rows = PlayerList::Rows(fresh.Store());
        s.SetProperty(p, "Level", 60);
        EXPECT_EQ(PlayerList::Rows(fresh.Store()), rows) << k;
        std::uint64_t sum = 0;
        for (const auto& [op, n] : s.Kernel().PubDataCallsByOperation()) sum += n;
        EXPECT_EQ(sum, s.Kernel().PubDataCalls()) << "every call counted under its operation";
    }
    EXPECT_FALSE(halted);
    EXPECT_GT(k, 5u) << "a move into a list of 20 makes several calls inside the lock";
}

TEST_F(Halt, ARestartBringsTheServerBackWithAFreshLoad) {
    Server& s = world.server(0);
    s.HaltAt(HaltTrigger::AtCall(1));  // the very next public-data call
    const std::uint64_t calls = s.Kernel().PubDataCalls();
    const Lists before = Now();
    s.SetProperty(ann, "Level", 30);
    ASSERT_TRUE(s.Halted());
    EXPECT_EQ(s.Kernel().PubDataCalls(), calls) << "the halting call is not made";
    ExpectSame(before, Now(), "halted before the lock");

    s.Stop();
    ASSERT_TRUE(s.Start()) << s.Error();
    EXPECT_FALSE(s.Halted());
    EXPECT_TRUE(s.AllModulesStarted());
    EXPECT_GT(s.SendStartEvents(), 0) << "set-up runs again on the fresh load";
    s.LoginPlayer(ann);
    s.SetProperty(ann, "Level", 31);
    EXPECT_EQ(PlayerList::Names(world.Store()), (std::vector<std::u16string>{u"Ann", u"Bob"}));
    EXPECT_EQ(PlayerList::LockValue(world.Store()), 0);
    EXPECT_EQ(world.DiagnosticsText(), "");
}

}  // namespace
