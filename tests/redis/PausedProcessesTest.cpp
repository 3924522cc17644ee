// Servers in processes of their own over Redis, in the manner of Jepsen: a
// server stopped (SIGSTOP) inside its hold of the player list for longer than
// the stale bound while another takes the lock over and writes, then resumed;
// and the store itself stopped while a server holds the lock and another
// waits: for three bounds, the holder going on shortly after the store; and
// past a call's time-out, the waiter giving its rewrite up. No row is lost or
// doubled, no lock is given back under another holder,
// the resumed server's rewrite is refused and said, a live holder is not taken
// over. Every process ends with the test.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "PrivateRedisServer.h"
#include "host/PlatformChildProcess.h"
#include "host/ListInvariants.h"
#include "host/RedisPubDataStore.h"

namespace {

constexpr int kBoundMs = 500;  // far above a hold over Redis (two round trips), so a short test
constexpr int kPlayers = 4;

class Writer {
public:
    bool Start(const std::string& url, int server, std::string& error) {
        if (!Platform::StartOwnedProcess(
                {VOGAME_LIST_WRITER_PATH, url, std::to_string(server), std::to_string(kPlayers)}, true, child_, error))
            return false;
        return Expect("ready", error);
    }
    ~Writer() {
        if (child_.id == Platform::kNoProcess) return;
        ::kill(static_cast<pid_t>(child_.id), SIGCONT);
        Platform::KillProcess(child_.id);
        int status = 0;
        Platform::WaitProcess(child_.id, 5'000, status);
        Platform::ClosePipe(child_.toChild);
        Platform::ClosePipe(child_.fromChild);
    }
    bool Send(const std::string& line) { return Platform::WriteAllTo(child_.toChild, line + "\n"); }
    bool ReadLine(std::string& line) {
        line.clear();
        for (char c = 0; Platform::ReadSomeFrom(child_.fromChild, &c, 1) == 1;) {
            if (c == '\n') return true;
            line += c;
        }
        return false;
    }
    bool Expect(const std::string& word, std::string& error) {
        std::string line;
        if (ReadLine(line) && line == word) return true;
        error = "wanted \"" + word + "\", got \"" + line + "\"";
        return false;
    }
    // Waits until the process has stopped itself.
    bool WaitStopped() {
        for (int i = 0; i < 10'000; ++i) {
            int raw = 0;
            const pid_t got = ::waitpid(static_cast<pid_t>(child_.id), &raw, WUNTRACED | WNOHANG);
            if (got == static_cast<pid_t>(child_.id) && WIFSTOPPED(raw)) return true;
            if (got != 0) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }
    void Resume() { ::kill(static_cast<pid_t>(child_.id), SIGCONT); }
    // Its log lines and the refusals it was told of.
    std::vector<std::string> Report() {
        std::vector<std::string> lines;
        Send("report");
        for (std::string line; ReadLine(line) && line != "end";) lines.push_back(line);
        return lines;
    }

private:
    Platform::ChildProcess child_;
};

std::size_t Count(const std::vector<std::string>& lines, const std::string& part) {
    std::size_t n = 0;
    for (const std::string& line : lines) n += line.find(part) != std::string::npos ? 1 : 0;
    return n;
}

class PausedProcesses : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = PrivateRedisServer::Unavailable();
        if (!missing.empty()) GTEST_SKIP() << missing;
        std::string error;
        ASSERT_TRUE(redis_.Start(error)) << error;
        ::setenv("VOGAME_LOCK_STALE_MS", std::to_string(kBoundMs).c_str(), 1);
        for (int s = 0; s < 3; ++s) ASSERT_TRUE(writers_[s].Start(redis_.Url("paused"), s + 1, error)) << error;
        RedisAddress address;
        ASSERT_TRUE(RedisAddress::Parse(redis_.Url("paused"), address, error));
        store_ = RedisPubDataStore::Open(address, error);
        ASSERT_NE(store_, nullptr) << error;
    }
    void TearDown() override { ::kill(static_cast<pid_t>(redis_.Id()), SIGCONT); }

    Writer& W(int server) { return writers_[server - 1]; }
    void Move(int server, int player, int level) {
        std::string error;
        ASSERT_TRUE(W(server).Send("move " + std::to_string(player) + " " + std::to_string(level)));
        ASSERT_TRUE(W(server).Expect("moved", error)) << error;
    }
    void StopInsideNextHold(int server) {
        std::string error;
        ASSERT_TRUE(W(server).Send("stop-inside"));
        ASSERT_TRUE(W(server).Expect("armed", error)) << error;
    }
    int Level(const std::string& name) {
        const auto rows = store_->Snapshot(ListInvariants::kPlayerList.space, ListInvariants::kPlayerList.record)->rows;
        const std::u16string wide(name.begin(), name.end());
        for (const auto& row : rows)
            if (std::get<std::u16string>(row[0]) == wide) return std::get<int>(row[1]);
        return -1;
    }
    // Every player of every writer listed once, the list whole, its lock free.
    void ExpectWhole() {
        EXPECT_EQ(ListInvariants::Check(*store_, ListInvariants::kPlayerList), "");
        const auto snapshot = store_->Snapshot(ListInvariants::kPlayerList.space, ListInvariants::kPlayerList.record);
        ASSERT_TRUE(snapshot);
        EXPECT_EQ(snapshot->rows.size(), 3u * kPlayers);
        for (int s = 1; s <= 3; ++s)
            for (int i = 0; i < kPlayers; ++i)
                EXPECT_GT(Level("w" + std::to_string(s) + "_" + std::to_string(i)), 0) << s << "_" << i;
    }

    PrivateRedisServer redis_;
    Writer writers_[3];
    std::unique_ptr<RedisPubDataStore> store_;
};

TEST_F(PausedProcesses, AServerStoppedInsideItsHoldIsTakenOverAndItsRewriteRefusedWhenResumed) {
    StopInsideNextHold(1);
    ASSERT_TRUE(W(1).Send("move 1 500"));
    ASSERT_TRUE(W(1).WaitStopped());
    Move(2, 2, 400);  // waits out the bound, takes the lock over, writes
    W(1).Resume();
    std::string error;
    ASSERT_TRUE(W(1).Expect("moved", error)) << error;

    ExpectWhole();
    EXPECT_EQ(Level("w2_2"), 400);
    EXPECT_EQ(Level("w1_1"), 11) << "the stopped server's rewrite never reached the list";
    const auto first = W(1).Report(), second = W(2).Report();
    EXPECT_EQ(Count(second, "taken over as left by a stopped server"), 1u);
    EXPECT_EQ(Count(first,
                    "refused: ApplyList Pub_PlayerTopInfo/PlayerToplistRecPubLock: refused to server 1: its "
                    "hold (generation"),
              1u);
    EXPECT_EQ(Count(first, "was taken over by server 2"), 1u);
    EXPECT_EQ(Count(first, "refused:"), 1u) << "and nothing else: its lock was not given back";
    EXPECT_EQ(Count(second, "refused:"), 0u);
}

TEST_F(PausedProcesses, AStoreStoppedForThreeBoundsDoesNotCountAgainstALiveHolder) {
    StopInsideNextHold(1);
    ASSERT_TRUE(W(1).Send("move 1 500"));
    ASSERT_TRUE(W(1).WaitStopped());
    ASSERT_TRUE(W(3).Send("move 0 700"));  // waits on server 1's hold
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ::kill(static_cast<pid_t>(redis_.Id()), SIGSTOP);
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * kBoundMs));
    ::kill(static_cast<pid_t>(redis_.Id()), SIGCONT);
    // The holder goes on a little after the store (well within the bound).
    std::this_thread::sleep_for(std::chrono::milliseconds(kBoundMs / 3));
    W(1).Resume();
    std::string error;
    ASSERT_TRUE(W(1).Expect("moved", error)) << error;
    ASSERT_TRUE(W(3).Expect("moved", error)) << error;

    ExpectWhole();
    EXPECT_EQ(Level("w1_1"), 500);
    EXPECT_EQ(Level("w3_0"), 700);
    for (int s : {1, 3}) {
        const auto report = W(s).Report();
        EXPECT_EQ(Count(report, "taken over"), 0u) << s;
        EXPECT_EQ(Count(report, "refused:"), 0u) << s;
    }
}

// The store stopped for longer than a call's time-out while a server waits on
// another's hold: the waiter's calls then fail at once (the store's circuit is
// open), and its wait ends after the stale bound with that rewrite given up and
// one line, instead of lasting the outage. Once the store answers again, the
// holder finishes and the waiter's next rewrite lands. (A lock take whose
// answer the outage cut off may leave that lock held by no server: it is taken
// over after the bound, as any lock left by a stopped server.)
TEST_F(PausedProcesses, AWaitOnAStoreThatDoesNotAnswerEndsWithItsRewriteGivenUp) {
    StopInsideNextHold(1);
    ASSERT_TRUE(W(1).Send("move 1 500"));
    ASSERT_TRUE(W(1).WaitStopped());
    const auto redis = static_cast<pid_t>(redis_.Id());
    ::kill(redis, SIGSTOP);
    // Should the wait last the outage, the store comes back after 20 s so the
    // test ends (and fails) rather than hangs.
    std::atomic<bool> done{false}, forced{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 20'000 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!done) forced = true;
        ::kill(redis, SIGCONT);
    });
    std::string error;
    const bool answered = W(3).Send("move 0 700") && W(3).Expect("moved", error);
    done = true;
    watchdog.join();
    ASSERT_TRUE(answered) << error;
    EXPECT_FALSE(forced) << "the wait ended only once the store answered again";
    W(1).Resume();
    ASSERT_TRUE(W(1).Expect("moved", error)) << error;
    // The store's circuit closes at its next probe (every 500 ms).
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    Move(3, 0, 800);

    ExpectWhole();
    EXPECT_EQ(Level("w1_1"), 500);
    EXPECT_EQ(Level("w3_0"), 800);
    const auto waiter = W(3).Report();
    std::string all;
    for (const std::string& line : waiter) all += line + "\n";
    SCOPED_TRACE(all);
    // One line for the outage, whichever of its lists the move reached first,
    // and one when the store answers (counting the player list's rewrite too).
    EXPECT_EQ(Count(waiter, "could not be taken: the public data store did not answer"), 1u);
    EXPECT_EQ(Count(waiter, "answers the list locks again; 2 list rewrites were given up"), 1u);
}

}  // namespace
