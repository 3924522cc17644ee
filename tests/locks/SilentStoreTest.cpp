// A store that stops answering while a server waits for a list's lock: the wait
// ends after the stale bound with the rewrite given up, later waits end at once
// while the store stays silent, and once it answers again the lists are
// rewritten as before (a live holder is waited for, not taken over). No logic
// thread waits out an outage.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "LockWorld.h"
#include "TwoServerWorld.h"
#include "host/MemoryPubDataStore.h"

using namespace LockWorld;
using ListInvariants::kPlayerList;

namespace {

// While silent, answers no property call, as a store whose server is down
// gives each call its neutral result: a compare-and-set that fails like a lock
// held, a set that fails, a property not found.
class SilentStore final : public MemoryPubDataStore {
public:
    std::atomic<bool> silent{false};

    bool FindProperty(int index, std::string_view name) const override {
        return !silent.load() && MemoryPubDataStore::FindProperty(index, name);
    }
    bool AddProperty(int index, std::string_view name, int type) override {
        return !silent.load() && MemoryPubDataStore::AddProperty(index, name, type);
    }
    bool SetPropertyInt(int index, std::string_view name, int value) override {
        return !silent.load() && MemoryPubDataStore::SetPropertyInt(index, name, value);
    }
    bool CompareSetPropertyInt(int index, std::string_view name, int expected, int desired) override {
        return !silent.load() && MemoryPubDataStore::CompareSetPropertyInt(index, name, expected, desired);
    }
};

class SilentStoreWait : public TwoServerWorld {
protected:
    std::unique_ptr<PubDataStore> MakeStore() override {
        auto store = std::make_unique<SilentStore>();
        silentStore = store.get();
        return store;
    }
    void LetGo() override { silentStore->silent = false; }  // a wait that never ended ends here
    int Level(std::u16string_view name) { return RankValue(Store(), kPlayerList, name); }
    int Nation(std::u16string_view name) {  // the player list's third column
        const auto snapshot = Store().Snapshot(kPlayerList.space, kPlayerList.record);
        for (const auto& row : snapshot->rows)
            if (std::get<std::u16string>(row.at(0)) == name) return std::get<int>(row.at(2));
        return -1;
    }
    // Until everything posted to the server so far has run, without blocking
    // for ever on a wait that does not end.
    void Drain(Server& s) {
        auto done = std::make_shared<std::atomic<bool>>(false);
        s.Post([done](Server&) { *done = true; });
        WaitFor([&] { return done->load(); });
    }

    SilentStore* silentStore = nullptr;
};

TEST_F(SilentStoreWait, AWaitGivesItsRewriteUpAfterTheBoundAndLaterOnesAtOnceUntilTheStoreAnswersAgain) {
    // b holds the player list's lock, paused inside its rewrite, when the store falls silent.
    B().HaltAt(HaltTrigger::InsideLock(kPlayerList.lock, 1).Pausing());
    Move(B(), bo, "Level", 60);
    WaitFor([&] { return B().Paused(); });
    silentStore->silent = true;
    Move(A(), amy, "Level", 55);
    Move(A(), ann, "Level", 65);
    Drain(A());

    const std::vector<std::string> silent = LogLines(A(), "did not answer");
    ASSERT_EQ(silent.size(), 1u) << "one line for the outage, not one per rewrite";
    EXPECT_NE(silent[0].find("could not be taken"), std::string::npos) << silent[0];
    EXPECT_EQ(Level(u"amy"), 40);
    EXPECT_EQ(Level(u"ann"), 50);

    // The store answers again while b still holds the lock: a's next lock is
    // that one (a nation change rewrites the player list only), and a waits
    // for b (it takes nothing over, and b's rewrite is not refused).
    silentStore->silent = false;
    Move(A(), amy, "Nation", 4);
    std::this_thread::sleep_for(std::chrono::milliseconds(kBoundMs / 3));
    B().Unpause();
    B().WaitIdle();
    A().WaitIdle();

    const std::vector<std::string> again = LogLines(A(), "answers the list locks again");
    ASSERT_EQ(again.size(), 1u);
    EXPECT_NE(again[0].find("list rewrites were given up while it did not"), std::string::npos) << again[0];
    EXPECT_EQ(ListInvariants::Check(Store(), kPlayerList), "");
    EXPECT_EQ(Level(u"amy"), 55) << "her next change entered her as she is now";
    EXPECT_EQ(Nation(u"amy"), 4);
    EXPECT_EQ(Level(u"bo"), 60);
    EXPECT_TRUE(TakeoverLines(A()).empty()) << "nothing was taken over";
    EXPECT_EQ(world->DiagnosticsText(), "") << "no write was refused";
    EXPECT_EQ(Store().ListLock(Store().SpaceIndex(kPlayerList.space), kPlayerList.lock).value, 0);
}

}  // namespace
