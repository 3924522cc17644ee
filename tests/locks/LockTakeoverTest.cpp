// A list's lock left held by a server that stopped is taken over after the
// stale bound, once, and the list repaired; a holder that is only slow is
// waited for; the bound is the operators' to set.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "LockWorld.h"
#include "record/StaleLockBound.h"
#include "support/StaleLockSetting.h"

using namespace LockWorld;

namespace {

constexpr long kBoundMs = 150;
constexpr long long kSlackMs = 1000;  // what a takeover may take beyond its bound

TEST(LockTakeover, EachListLeftHeldIsTakenOverWithinTheBoundAndRepaired) {
    auto world = Start(1, kBoundMs);
    ASSERT_NE(world, nullptr);
    Server& server = world->server(0);
    PubDataStore& store = world->Store();
    const ObjectId player = AddPlayer(server, u"cid", 10);
    for (const ListUnderTest& list : RankedLists()) {
        SCOPED_TRACE(list.shape->record);
        // A holder stopped in the middle of moving "ann" (both rows still there)
        // while a row it was writing back cell by cell had no name yet.
        ASSERT_TRUE(store.Seed(list.shape->space, list.shape->record, 150, list.columnTypes,
                               {ListRow(list, u"ann", 50, 2), ListRow(list, u"bob", 40), ListRow(list, u"", 35, 1),
                                ListRow(list, u"ann", 30, 1)}));
        SetLock(store, *list.shape, 1);
        server.Kernel().ClearLogs();

        const long long ms = TimedMs([&] { server.SetProperty(player, list.property, 20); });
        EXPECT_GE(ms, kBoundMs);
        EXPECT_LT(ms, kBoundMs + kSlackMs);
        const auto lines = TakeoverLines(server);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(list.shape->lock), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(std::string("list ") + list.shape->record), std::string::npos) << lines[0];
        EXPECT_NE(lines[0].find(" ms"), std::string::npos) << lines[0];
        EXPECT_EQ(ListInvariants::Check(store, *list.shape), "");
        EXPECT_EQ(Names(store, *list.shape), (std::vector<std::u16string>{u"ann", u"bob", u"cid"}));
        EXPECT_FALSE(ClaimHeld(store, *list.shape));
    }
    EXPECT_EQ(world->DiagnosticsText(), "");
}

TEST(LockTakeover, AHolderSlowerThanUsualButWithinTheBoundIsWaitedFor) {
    constexpr long kLongBoundMs = 2000;
    constexpr long kHoldMs = 300;
    auto world = Start(1, kLongBoundMs);
    ASSERT_NE(world, nullptr);
    Server& server = world->server(0);
    const ObjectId player = AddPlayer(server, u"cid", 10);
    SetLock(world->Store(), ListInvariants::kPlayerList, 1);
    std::atomic<bool> released{false};
    std::thread holder([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kHoldMs));
        released = true;  // before the release, so a waiter that got in saw it set
        world->Store().CompareSetPropertyInt(world->Store().SpaceIndex(ListInvariants::kPlayerList.space),
                                             ListInvariants::kPlayerList.lock, 1, 0);
    });
    bool releasedBeforeDone = false;
    const long long ms = TimedMs([&] {
        server.SetProperty(player, "Level", 20);
        releasedBeforeDone = released;
    });
    holder.join();
    EXPECT_TRUE(releasedBeforeDone);  // it waited for the holder rather than going past it
    EXPECT_LT(ms, kLongBoundMs);
    EXPECT_TRUE(TakeoverLines(server).empty());
    EXPECT_EQ(ListInvariants::Check(world->Store(), ListInvariants::kPlayerList), "");
    EXPECT_EQ(Names(world->Store(), ListInvariants::kPlayerList), (std::vector<std::u16string>{u"cid"}));
}

// Two servers wait on the same stopped holder: one takes over, the other waits
// for it as for any holder. Then a claim left by a waiter that stopped while
// taking over: once it has stood for the bound, the next waiter claims past it.
TEST(LockTakeover, OneWaiterTakesOverAndAStoppedClaimantIsClaimedPast) {
    auto world = Start(2, kBoundMs);
    ASSERT_NE(world, nullptr);
    const auto& shape = ListInvariants::kPlayerList;
    const ObjectId first = AddPlayer(world->server(0), u"ann", 10);
    const ObjectId second = AddPlayer(world->server(1), u"bob", 10);
    SetLock(world->Store(), shape, 1);
    for (std::size_t s = 0; s < 2; ++s) world->server(s).StartThread();
    world->server(0).Post([&](Server& self) { self.SetProperty(first, "Level", 20); });
    world->server(1).Post([&](Server& self) { self.SetProperty(second, "Level", 30); });
    for (std::size_t s = 0; s < 2; ++s) world->server(s).StopThread();
    EXPECT_EQ(TakeoverLines(world->server(0)).size() + TakeoverLines(world->server(1)).size(), 1u);
    EXPECT_EQ(Names(world->Store(), shape), (std::vector<std::u16string>{u"ann", u"bob"}));
    EXPECT_EQ(ListInvariants::Check(world->Store(), shape), "");
    EXPECT_FALSE(ClaimHeld(world->Store(), shape));

    SetLock(world->Store(), shape, 1);
    const int index = world->Store().SpaceIndex(shape.space);
    const std::string claim = PubDataStore::ClaimOf(shape.lock);
    world->Store().SetPropertyInt(index, claim, world->Store().PropertyInt(index, claim) + 1);
    world->server(0).Kernel().ClearLogs();
    const long long ms = TimedMs([&] { world->server(0).SetProperty(first, "Level", 40); });
    EXPECT_GE(ms, kBoundMs);
    EXPECT_LT(ms, kBoundMs + kSlackMs);
    EXPECT_EQ(TakeoverLines(world->server(0)).size(), 1u);
    EXPECT_FALSE(ClaimHeld(world->Store(), shape));
    EXPECT_EQ(ListInvariants::Check(world->Store(), shape), "");
    EXPECT_EQ(world->DiagnosticsText(), "");
}

// Moments the timing of a test cannot reach: the store calls back as a lock or
// its claim moves (GrantHook), and the test acts right there.
struct ClaimMoves {
    std::string lock, claim;
    int index = -1;
};
ClaimMoves Watch(PubDataStore& store, const ListInvariants::ListShape& shape) {
    return {shape.lock, PubDataStore::ClaimOf(shape.lock), store.SpaceIndex(shape.space)};
}

// The lock comes free just as the waiter has claimed the takeover: it takes the
// lock as any waiter would and gives the claim back, so the claim does not stand
// in the way of the next takeover.
TEST(LockTakeover, ALockFreedAsTheTakeoverIsClaimedIsTakenAndTheClaimGivenBack) {
    auto world = Start(1, kBoundMs);
    ASSERT_NE(world, nullptr);
    const auto& shape = ListInvariants::kPlayerList;
    PubDataStore& store = world->Store();
    const ObjectId player = AddPlayer(world->server(0), u"ann", 10);
    SetLock(store, shape, 1);
    const ClaimMoves at = Watch(store, shape);
    int freedAtClaim = 0;
    store.SetGrantHook([&](PubDataStore& s, int, std::string_view property, int expected, int desired) {
        if (property != at.claim || expected % 2 != 0 || desired != expected + 1 || freedAtClaim++ > 0) return;
        s.SetPropertyInt(at.index, at.lock, 0);  // its holder gives it back at that very moment
    });
    world->server(0).Kernel().ClearLogs();
    world->server(0).SetProperty(player, "Level", 20);
    store.SetGrantHook(nullptr);
    EXPECT_EQ(freedAtClaim, 1);
    EXPECT_TRUE(TakeoverLines(world->server(0)).empty()) << "taken, not taken over";
    EXPECT_FALSE(ClaimHeld(store, shape));
    EXPECT_EQ(store.PropertyInt(at.index, shape.lock), 0);
    EXPECT_EQ(Names(store, shape), (std::vector<std::u16string>{u"ann"}));
    EXPECT_EQ(world->DiagnosticsText(), "");
}

// After a takeover the lock is given back before the claim: a waiter that finds
// the claim free never finds the lock still held by the server that took over.
TEST(LockTakeover, AfterATakeoverTheLockIsGivenBackBeforeTheClaim) {
    auto world = Start(1, kBoundMs);
    ASSERT_NE(world, nullptr);
    const auto& shape = ListInvariants::kCharmList;
    PubDataStore& store = world->Store();
    const ObjectId player = AddPlayer(world->server(0), u"ann", 10);
    SetLock(store, shape, 1);
    const ClaimMoves at = Watch(store, shape);
    std::vector<int> lockAtClaimRelease;
    store.SetGrantHook([&](PubDataStore& s, int, std::string_view property, int expected, int desired) {
        if (property == at.claim && expected % 2 != 0 && desired == expected + 1)
            lockAtClaimRelease.push_back(s.PropertyInt(at.index, at.lock));
    });
    world->server(0).SetProperty(player, "Charm", 20);
    store.SetGrantHook(nullptr);
    EXPECT_EQ(TakeoverLines(world->server(0)).size(), 1u);
    EXPECT_EQ(lockAtClaimRelease, std::vector<int>{0});
    EXPECT_FALSE(ClaimHeld(store, shape));
    EXPECT_EQ(world->DiagnosticsText(), "");
}

TEST(LockTakeover, TheBoundIsAWholeNumberOfMillisecondsWithinItsLimitsAndABadOneIsLogged) {
    struct Setting {
        const char* text;
        std::int64_t read;  // 0: refused
    };
    const Setting kSettings[] = {
        {"10", 10},
        {" 250 ", 250},
        {"600000", 600000},
        {"9", 0},
        {"600001", 0},
        {"", 0},
        {"abc", 0},
        {"-5", 0},
        {"1e3", 0},
        {"12ms", 0},
        {"99999999999999999999", 0},
    };
    for (const Setting& s : kSettings) {
        std::int64_t read = 0;
        EXPECT_EQ(StaleLock::ParseBoundMs(s.text, read), s.read != 0) << '"' << s.text << '"';
        if (s.read != 0) {
            EXPECT_EQ(read, s.read) << s.text;
        }
    }
    // Read once per load of the library, at its first lock (the set-up's).
    SetStaleLockText("soon");
    World world(1);
    ASSERT_TRUE(world.server(0).Start());
    world.server(0).CreateScene(2, "BaseScene");
    world.server(0).SendStartEvents();
    world.server(0).SendStartEvents();
    std::vector<std::string> lines;
    for (const std::string& line : world.server(0).Kernel().Logs())
        if (line.find(StaleLock::kVariable) != std::string::npos) lines.push_back(line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("VOGAME_LOCK_STALE_MS=\"soon\""), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("stays 10000 ms"), std::string::npos) << lines[0];
    SetStaleLockBoundMs(kTestStaleBoundMs);
}

}  // namespace
