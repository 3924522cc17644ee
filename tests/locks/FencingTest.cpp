// Servers on threads over the in-memory store, in the manner of Jepsen: a
// holder paused between two of its writes longer than the stale bound, another
// server taking over and writing, the holder resumed; a store that does not
// answer for longer than the bound; a waiter that was itself paused. No row is
// lost or doubled, no lock is given back under another holder, a live holder
// is not taken over, and what was refused is said.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "LockWorld.h"
#include "TwoServerWorld.h"

using namespace LockWorld;
using ListInvariants::kPlayerList;
using ListInvariants::kStreakList;

namespace {

void Sleep(long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::vector<std::string> GiveUpLines(Server& server) { return LogLines(server, "rewrite is given up"); }

int Level(PubDataStore& store, std::u16string_view name) { return RankValue(store, kPlayerList, name); }

using Fencing = TwoServerWorld;

// amy's move adds her new row, then removes the old one: a paused between the
// two, b takes over (the repair keeps amy's better row) and moves bo; resumed,
// a finds its hold taken over before its second write and gives it up.
TEST_F(Fencing, AHolderPausedBetweenItsWritesGivesItsRewriteUpAfterATakeover) {
    // Its third check inside the lock: after the take's and the first write's.
    A().HaltAt(HaltTrigger::InsideLockAt(kPlayerList.lock, PubOp::CompareSetPubPropertyInt, 3).Pausing());
    Move(A(), amy, "Level", 55);
    WaitFor([&] { return A().Paused(); });
    Move(B(), bo, "Level", 60);
    B().WaitIdle();
    A().Unpause();
    A().WaitIdle();

    ExpectWhole();
    EXPECT_EQ(Level(Store(), u"amy"), 55);
    EXPECT_EQ(Level(Store(), u"bo"), 60);
    EXPECT_EQ(TakeoverLines(B()).size(), 1u);
    EXPECT_EQ(GiveUpLines(A()).size(), 1u);
    EXPECT_EQ(world->DiagnosticsText(), "") << "a wrote nothing after the takeover";
}

// a paused after its check, right before its second write; b takes over and is
// itself held inside its rewrite: a's write reaches the store, which refuses it
// naming both servers; a gives back no lock.
TEST_F(Fencing, AWriteOfATakenOverHolderIsRefusedByTheStoreNamingBothServers) {
    A().HaltAt(HaltTrigger::InsideLockAt(kPlayerList.lock, PubOp::RemovePubRecordRow, 1).Pausing());
    Move(A(), amy, "Level", 55);
    WaitFor([&] { return A().Paused(); });
    B().HaltAt(HaltTrigger::InsideLock(kPlayerList.lock, 1).Pausing());
    Move(B(), bo, "Level", 60);
    WaitFor([&] { return B().Paused(); });
    A().Unpause();
    A().WaitIdle();
    const std::vector<std::string> refused = Store().Diagnostics().Lines();
    B().Unpause();
    B().WaitIdle();

    ASSERT_EQ(refused.size(), 1u) << world->DiagnosticsText();
    EXPECT_NE(refused[0].find("RemovePubRecordRow Pub_PlayerTopInfo/PlayerToplistRec: refused to server 1"),
              std::string::npos)
        << refused[0];
    EXPECT_NE(refused[0].find("held by server 2"), std::string::npos) << refused[0];
    EXPECT_EQ(GiveUpLines(A()).size(), 1u);
    EXPECT_EQ(TakeoverLines(B()).size(), 1u);
    ExpectWhole();
    EXPECT_EQ(Level(Store(), u"bo"), 60);
}

// The store does not answer for three bounds while a holds the lock and b
// waits: b's wait counts the freeze for little. After it a still holds the lock
// a while (within the bound), then gives it back; b takes it, not over.
TEST_F(Fencing, AFrozenStoreDoesNotCountAgainstALiveHolder) {
    auto* memory = dynamic_cast<MemoryPubDataStore*>(&Store());
    ASSERT_NE(memory, nullptr);
    A().HaltAt(HaltTrigger::InsideLock(kPlayerList.lock, 1).Pausing());
    Move(A(), amy, "Level", 55);
    WaitFor([&] { return A().Paused(); });
    Move(B(), bo, "Nation", 4);
    Sleep(50);
    {
        const auto frozen = memory->Freeze();
        A().HaltAt(HaltTrigger::AtCall(3).Pausing());
        A().Unpause();
        Sleep(3 * kBoundMs);
    }
    WaitFor([&] { return A().Paused(); });
    Sleep(kBoundMs / 3);
    A().Unpause();
    A().WaitIdle();
    B().WaitIdle();

    EXPECT_TRUE(TakeoverLines(A()).empty());
    EXPECT_TRUE(TakeoverLines(B()).empty());
    ExpectWhole();
    EXPECT_EQ(Level(Store(), u"amy"), 55);
    EXPECT_EQ(world->DiagnosticsText(), "");
}

// b starts waiting on a's first hold and is itself paused for two bounds; a
// gives that hold back and takes the lock again. Resumed, b has seen the new
// hold only for moments: it waits for it rather than taking it over.
TEST_F(Fencing, AWaiterThatWasPausedDoesNotTakeTheNextHoldOver) {
    A().HaltAt(HaltTrigger::InsideLock(kPlayerList.lock, 1).Pausing());
    Move(A(), amy, "Level", 55);
    WaitFor([&] { return A().Paused(); });
    HaltTrigger thirdTry = HaltTrigger::AtCall(3);
    thirdTry.only = PubOp::CompareSetPubPropertyInt;
    B().HaltAt(std::move(thirdTry).Pausing());
    Move(B(), bo, "Nation", 4);  // the player list only
    WaitFor([&] { return B().Paused(); });
    A().Unpause();
    A().WaitIdle();
    A().HaltAt(HaltTrigger::InsideLock(kPlayerList.lock, 1).Pausing());
    Move(A(), amy, "Level", 65);
    WaitFor([&] { return A().Paused(); });
    Sleep(2 * kBoundMs);
    B().Unpause();
    Sleep(kBoundMs / 3);
    A().Unpause();
    A().WaitIdle();
    B().WaitIdle();

    EXPECT_TRUE(TakeoverLines(B()).empty());
    ExpectWhole();
    EXPECT_EQ(Level(Store(), u"amy"), 65);
    EXPECT_EQ(world->DiagnosticsText(), "");
}

// The day's prize: a found the day unpaid and chose its winner, then paused
// before recording the day; b takes that hold over and pays the day. Resumed, a
// finds its hold lost at the record: one letter in all, and a's log says why
// its own was not sent.
TEST_F(Fencing, AWinStreakHolderTakenOverBeforeItRecordsTheDaySendsNoSecondLetter) {
    const ListUnderTest& streaks = RankedLists()[2];
    ASSERT_EQ(streaks.shape, &kStreakList);
    ASSERT_TRUE(Store().Seed(kStreakList.space, kStreakList.record, 150, streaks.columnTypes,
                             {ListRow(streaks, u"champ", 40), ListRow(streaks, u"second", 35)}));
    // Its third row count inside the lock: the prize record's, the list's
    // image's, then the prize record's again right before the record.
    A().HaltAt(HaltTrigger::InsideLockAt(kStreakList.lock, PubOp::GetPubRecordRows, 3).Pausing());
    const auto daily = [](Server& self) {
        CVarList msg;
        msg << 326 << 13;
        self.RunCommand(self.Kernel().SceneObject(2), msg);
    };
    A().Post(daily);
    WaitFor([&] { return A().Paused(); });
    B().Post(daily);
    B().WaitIdle();
    A().Unpause();
    A().WaitIdle();

    EXPECT_EQ(B().Letters()->Mailbox(u"champ").size(), 1u);
    EXPECT_EQ(A().Letters()->TotalLetters(), 0u);
    EXPECT_EQ(TakeoverLines(B()).size(), 1u);
    EXPECT_EQ(LogLines(A(), "letter to champ was not sent after all").size(), 1u);
    EXPECT_TRUE(Names(Store(), kStreakList).empty()) << "b cleared the paid list";
    EXPECT_EQ(Store().ListLock(Store().SpaceIndex(kStreakList.space), kStreakList.lock).value, 0);
}

}  // namespace
