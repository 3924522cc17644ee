// Servers on threads over the in-memory store, in the manner of Jepsen: a
// holder paused between two of its writes longer than the stale bound, another
// server taking over and writing, the holder resumed; a store that does not
// answer for longer than the bound; a waiter that was itself paused. No row is
// lost or doubled, no lock is given back under another holder, a live holder
// is not taken over, and what was refused is said.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "LockWorld.h"

using namespace LockWorld;
using ListInvariants::kPlayerList;

namespace {

constexpr long kBoundMs = 300;

void WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 20'000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(done());
}

void Sleep(long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::vector<std::string> GiveUpLines(Server& server) {
    std::vector<std::string> lines;
    for (const std::string& line : server.Kernel().Logs())
        if (line.find("rewrite is given up") != std::string::npos) lines.push_back(line);
    return lines;
}

int Level(PubDataStore& store, std::u16string_view name) {
    const auto rows = store.Snapshot(kPlayerList.space, kPlayerList.record)->rows;
    for (const auto& row : rows)
        if (std::get<std::u16string>(row[0]) == name) return std::get<int>(row[1]);
    return -1;
}

// Server 1 ("a") holds amy and ann, server 2 ("b") bo; both on their threads.
class Fencing : public ::testing::Test {
protected:
    void SetUp() override {
        world = Start(2, kBoundMs);
        ASSERT_NE(world, nullptr);
        ann = AddPlayer(A(), u"ann", 50);
        amy = AddPlayer(A(), u"amy", 40);
        bo = AddPlayer(B(), u"bo", 10);
        A().StartThread();
        B().StartThread();
    }
    void TearDown() override {
        for (Server* s : {&A(), &B()}) {
            if (s->Paused()) s->Unpause();
            s->StopThread();
        }
    }
    Server& A() { return world->server(0); }
    Server& B() { return world->server(1); }
    PubDataStore& Store() { return world->Store(); }
    void Move(Server& s, const ObjectId& who, const char* property, int value) {
        s.Post([who, property, value](Server& self) { self.SetProperty(who, property, value); });
    }
    void ExpectWhole() {
        EXPECT_EQ(ListInvariants::Check(Store(), kPlayerList), "");
        EXPECT_EQ(Names(Store(), kPlayerList), (std::vector<std::u16string>{u"amy", u"ann", u"bo"}));
        EXPECT_FALSE(ClaimHeld(Store(), kPlayerList));
        EXPECT_EQ(Store().ListLock(Store().SpaceIndex(kPlayerList.space), kPlayerList.lock).value, 0);
    }

    std::unique_ptr<World> world;
    ObjectId ann, amy, bo;
};

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

}  // namespace
