// A server restarts while another one writes the lists: its set-up (the player
// list's create, migrate or resize, the charm list's rebuild, the win-streak
// records) waits for the writer's lock, so no row is doubled or lost.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "LockWorld.h"
#include "Utility/NumberText.h"

using namespace LockWorld;

namespace {

constexpr int kRestarts = 20;
constexpr int kPlayers = 60;
// No holder stops here: a bound this long is never reached by a live one.
constexpr long kBoundMs = 5000;

TEST(LiveRestart, RestartsWhileAnotherServerWritesDoubleNoRow) {
    auto world = Start(2, kBoundMs);
    ASSERT_NE(world, nullptr);
    Server& writer = world->server(0);
    Server& restarted = world->server(1);
    std::vector<ObjectId> players;
    for (int i = 0; i < kPlayers; ++i) players.push_back(AddPlayer(writer, u"p" + IntToWide(i), 1));

    std::string fault;  // the first list found broken at a release of its lock
    world->Store().SetReleaseHook([&fault](PubDataStore& store, int, std::string_view property) {
        const ListInvariants::ListShape* list = ListInvariants::ListOfLock(property);
        if (list == nullptr || !fault.empty()) return;
        fault = ListInvariants::CheckRows(store, *list);
    });

    std::atomic<bool> writing{true};
    std::atomic<int> rounds{0};
    writer.StartThread();
    writer.Post([&](Server& self) {
        for (int round = 0; writing.load(); ++round) {
            const ObjectId& p = players[static_cast<std::size_t>(round) % players.size()];
            for (const ListUnderTest& list : RankedLists()) {
                self.SetProperty(p, list.property, std::get<int>(self.Kernel().Property(p, list.property)) + 1);
            }
            rounds.store(round + 1);
        }
    });
    for (int restart = 0; restart < kRestarts && fault.empty(); ++restart) {
        restarted.Stop();
        ASSERT_TRUE(restarted.Start()) << restarted.Error();
        restarted.SendStartEvents();
    }
    // The win-streak list gets a player only from a change of his streak: on a
    // busy machine the restarts can end before the writer has reached everyone.
    for (int i = 0; i < 10'000 && rounds.load() < kPlayers; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    writing = false;
    writer.StopThread();
    ASSERT_GE(rounds.load(), kPlayers);
    world->Store().SetReleaseHook({});

    EXPECT_EQ(fault, "");
    EXPECT_EQ(ListInvariants::CheckAll(world->Store()), "");
    for (const ListUnderTest& list : RankedLists()) {
        EXPECT_EQ(Names(world->Store(), *list.shape).size(), static_cast<std::size_t>(kPlayers)) << list.shape->record;
    }
    EXPECT_EQ(world->DiagnosticsText(), "");
}

}  // namespace
