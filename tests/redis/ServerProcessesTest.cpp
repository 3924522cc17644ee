// Four servers in processes of their own over one Redis, a simulated day of
// play with list requests and the daily prize, one server killed while it
// holds a list's lock and started again an hour later.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <map>

#include "OwnedProcess.h"
#include "PrivateRedisServer.h"

namespace {

TEST(ServerProcessesTest, AServerKilledHoldingALockIsTakenOverAndEveryListStaysWhole) {
    const std::string missing = PrivateRedisServer::Unavailable();
    if (!missing.empty()) GTEST_SKIP() << missing;
    PrivateRedisServer redis;
    std::string error;
    ASSERT_TRUE(redis.Start(error)) << error;
    // A win streak of two makes the list, so a day this small has a prize to give.
    const std::string rules = ::testing::TempDir() + "server-processes-rules.ini";
    std::ofstream(rules) << "[PlayerAlwaysWinInitInfo]\nMinAlwaysWinNum = 2\nRefreshTime = 22:00:00\n"
                            "PrizeItemid = 13014999\nNum = 1\n";
    // A short stale-lock bound, yet far above the longest hold over Redis (two
    // round trips and the rewrite between): more than one takeover below would
    // mean a live holder was taken over.
    ::setenv("VOGAME_LOCK_STALE_MS", "1000", 1);
    // Within the bound of the test's run; a run that hangs (a lock never taken
    // over) is killed, and its server processes with it.
    const OwnedRun run = RunOwned({VOGAME_SIM_PATH,
                                   "--store",
                                   redis.Url("killtest"),
                                   "--processes",
                                   "--servers",
                                   "4",
                                   "--players",
                                   "40",
                                   "--days",
                                   "1",
                                   "--step-minutes",
                                   "60",
                                   "--seed",
                                   "3",
                                   "--rules",
                                   rules,
                                   "--kill-server",
                                   "2@1:10:00",
                                   "--quiet",
                                   "--format",
                                   "json"},
                                  150'000);
    ASSERT_TRUE(run.started) << run.error;
    ASSERT_TRUE(run.finished) << "the run did not end within 150 s: a server waits on a lock nobody gives back";
    const nlohmann::json report = nlohmann::json::parse(run.output, nullptr, false);
    ASSERT_FALSE(report.is_discarded()) << "exit status " << run.status << ", output: " << run.output.substr(0, 2000);
    EXPECT_EQ(run.status, 0) << report["host_diagnostic_log"].dump(2);

    const nlohmann::json& p = report["processes"];
    EXPECT_EQ(p["started"], 5) << "four servers and one restart";
    EXPECT_EQ(p["kills"], 1) << p.dump(2);
    EXPECT_EQ(p["restarts"], 1) << p.dump(2);
    const nlohmann::json& locks = report["work_done"]["locks"];
    // One kill, one takeover: more would mean live holders were taken over.
    EXPECT_EQ(locks["takeovers"].get<int>(), 1) << locks.dump(2);
    ASSERT_EQ(locks["stopped_servers"].size(), 1u) << locks.dump(2);
    EXPECT_FALSE(locks["stopped_servers"][0]["restarted"].is_null()) << locks.dump(2);
    for (const auto& list : locks["lists"]) EXPECT_TRUE(list["whole"].get<bool>()) << list.dump();
    for (const auto& list : report["work_done"]["lists"]) {
        EXPECT_FALSE(list["lock_held"].get<bool>()) << list.dump();
        EXPECT_LE(list["rows"].get<int>(), 150);
    }
    std::map<std::string, int> lettersByDay;
    for (const auto& letter : report["prize_letters"]["letters"])
        ++lettersByDay[letter["sent"].get<std::string>().substr(0, 10)];
    EXPECT_EQ(lettersByDay.size(), 1u) << report["prize_letters"].dump(2);
    for (const auto& [day, n] : lettersByDay) EXPECT_EQ(n, 1) << "letters on " << day;
    EXPECT_EQ(report["host_diagnostic_log"]["line_count"], 0) << report["host_diagnostic_log"].dump(2);
    EXPECT_EQ(report["store"]["failed_calls"], 0);
    std::remove(rules.c_str());
}

}  // namespace
