// Four servers on their own threads share one public data store through a
// simulated week of random play: levels, guilds, charm, gifts, win streaks rising
// and breaking, newcomers finishing "GutOver", list requests, hourly re-sorts and
// the daily prize from the clocks, and one server restarted half way. After every
// release of a list's lock that list must be whole; between rounds every lock is
// free; each day pays exactly one prize letter across all servers; the host
// diagnoses nothing.
//
// CI runs a short version (one day, few players). The long soak, one line:
//   cmake --preset asan && cmake --build --preset asan --target test_soak && VOGAME_SOAK_DAYS=7 VOGAME_SOAK_PLAYERS=2000 ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 build/asan/tests/test_soak
// VOGAME_SOAK_SEED=<n> replays a run (every failure names its seed);
// VOGAME_SOAK_ACTIONS=<n> sets the acts of play per server per simulated quarter hour.
//
// Servers start and restart under load: a server's set-up (the player list's
// create, migrate or resize, the charm list's rebuild) waits for the lock of a
// server writing that list, so no row is lost or doubled. VOGAME_SOAK_LIVE_START=0
// starts and restarts each server while the others stand still instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "Utility/NumberText.h"
#include "host/World.h"
#include "host/ListInvariants.h"
#include "Utility/Platform.h"

namespace {

constexpr int kServers = 4;
constexpr int kRestarted = 1;  // the server that goes down half way
constexpr std::int64_t kRoundMs = 15 * 60 * 1000;
constexpr int kRoundsPerDay = 24 * 4;
constexpr int kMinStreak = 3;

struct SoakSettings {
    int days = 1;
    int players = 240;        // over all servers; enough that the lists fill and churn
    int actionsPerRound = 0;  // per server; by default enough that streaks reach the list daily
    unsigned seed = 20240101;
    bool liveStart = true;
};

int EnvInt(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::atoi(text) : fallback;
}

SoakSettings ReadSettings() {
    SoakSettings s;
    s.days = std::max(1, EnvInt("VOGAME_SOAK_DAYS", s.days));
    s.players = std::max(kServers, EnvInt("VOGAME_SOAK_PLAYERS", s.players));
    s.actionsPerRound = std::max(1, EnvInt("VOGAME_SOAK_ACTIONS", std::max(30, s.players / 8)));
    s.seed = static_cast<unsigned>(EnvInt("VOGAME_SOAK_SEED", static_cast<int>(s.seed)));
    s.liveStart = EnvInt("VOGAME_SOAK_LIVE_START", 1) != 0;
    return s;
}

// Faults seen by the release hook. The hook runs under the store's own lock, one
// call at a time, so these need no lock of their own.
struct HookReport {
    std::uint64_t checks = 0;
    std::uint64_t faults = 0;
    std::string first;
};

std::u16string PlayerName(int server, int i) { return u"s" + IntToWide(server) + u"-p" + IntToWide(i); }

class Soak : public ::testing::Test {
protected:
    void SetUp() override {
        // Prize dates are local dates: pin the zone so no daylight-saving jump moves one.
        Platform::UseTimeZone("UTC");
        const std::string dir = Platform::MakeTempFolder("vogame-soak-");
        ASSERT_FALSE(dir.empty());
        resources_ = dir + "/";
        std::filesystem::create_directories(resources_ + "Rule");
        std::ofstream(resources_ + "Rule/PlayerTopAlwaysWin.ini")
            << "[PlayerAlwaysWinInitInfo]\r\nMinAlwaysWinNum = " << kMinStreak << "\r\nRefreshTime = 02:00:00\r\n";
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(resources_, ec);
    }

    std::string resources_;
};

// Brings a (re)started server up: scenes initialised, every player logged in again.
void BringUp(Server& server, const std::vector<ObjectId>& players) {
    server.SendStartEvents();
    for (const ObjectId& p : players) server.LoginPlayer(p);
}

// One random act of play by one of the server's players.
void Play(Server& server, const std::vector<ObjectId>& players, std::mt19937& random) {
    static const std::u16string kGuilds[] = {u"", u"Lions", u"Wolves", u"Owls"};
    static const char* const kCastles[] = {"", "castle-north", "castle-south"};
    HostKernel& kernel = server.Kernel();
    const ObjectId& p = players[random() % players.size()];
    const auto Int = [&](const char* property) { return std::get<int>(kernel.Property(p, property)); };
    const unsigned roll = random() % 100;
    if (roll < 25) {
        server.SetProperty(p, "Level", Int("Level") + 1 + static_cast<int>(random() % 3));
    } else if (roll < 40) {
        server.SetProperty(p, "Charm", Int("Charm") + static_cast<int>(random() % 20));
    } else if (roll < 47) {
        server.SetProperty(p, "GiftNum", Int("GiftNum") + 1);
    } else if (roll < 50) {
        server.SetProperty(p, "GuildName", kGuilds[random() % 4]);
    } else if (roll < 52) {
        server.SetProperty(p, "CastleNameID", std::string(kCastles[random() % 3]));
    } else if (roll < 54) {
        server.SetProperty(p, random() % 2 ? "Camp" : "PeerageRank", static_cast<int>(random() % 5));
    } else if (roll < 72) {
        server.SetProperty(p, "CompeteAlwaysWin", Int("CompeteAlwaysWin") + 1);  // a win
    } else if (roll < 77) {
        server.SetProperty(p, "CompeteAlwaysWin", 0);  // a defeat breaks the streak
    } else if (roll < 82) {
        server.SetProperty(p, "GutOver", 1);  // a newcomer finishes the introduction
    } else if (roll < 95) {
        static constexpr int kRequests[] = {140911, 140912, 150516};
        CVarList request;
        request << kRequests[random() % 3];
        server.SendClientMessage(p, request);
    } else {
        server.LoginPlayer(p);  // logs in again
    }
}

TEST_F(Soak, FourServersKeepTheSharedListsWholeThroughRandomPlayAndARestart) {
    const SoakSettings settings = ReadSettings();
    SCOPED_TRACE("VOGAME_SOAK_SEED=" + std::to_string(settings.seed) + " VOGAME_SOAK_DAYS=" +
                 std::to_string(settings.days) + " VOGAME_SOAK_PLAYERS=" + std::to_string(settings.players));

    ServerOptions options;
    options.resourcePath = resources_;
    World world(kServers, options);
    // Play starts after the day's prize time, so every prize falls after most of a day of play.
    world.SetClock(2024, 3, 1, 3, 0, 0);
    std::vector<std::vector<ObjectId>> players(kServers);
    std::mt19937 seeding(settings.seed);
    for (int s = 0; s < kServers; ++s) {
        Server& server = world.server(static_cast<std::size_t>(s));
        server.CreateScene(1, "HomeScene");
        server.CreateScene(2, "BaseScene");
        server.CreateScene(3, "BaseScene", "ChallengeWaitScene");
        server.Kernel().SetInboxLimit(2);
        ASSERT_TRUE(server.Start()) << server.Error();
        ASSERT_TRUE(server.AllModulesStarted());
        for (int i = 0; i < settings.players / kServers; ++i) {
            // A third are newcomers still in the introduction; half wait in the challenge scene.
            const ObjectId p = server.CreatePlayer(PlayerName(s, i), 2 + static_cast<int>(seeding() % 2),
                                                   {{"Level", 1 + static_cast<int>(seeding() % 40)},
                                                    {"GutOver", seeding() % 3 == 0 ? 0 : 1},
                                                    {"Nation", static_cast<int>(seeding() % 5)},
                                                    {"ProfType", static_cast<int>(seeding() % 4)},
                                                    {"Camp", 0},
                                                    {"Charm", static_cast<int>(seeding() % 50)},
                                                    {"GiftNum", 0},
                                                    {"GuildName", std::u16string(u"Lions")},
                                                    {"GuildPoint", 0},
                                                    {"GuildContribut", 0},
                                                    {"CastleName", std::u16string()},
                                                    {"CastleNameID", std::string()},
                                                    {"CastlePoint", 0},
                                                    {"PeerageRank", 0},
                                                    {"PeerageExp", 0},
                                                    {"CompeteAlwaysWin", 0}});
            ASSERT_FALSE(p.IsNull());
            players[static_cast<std::size_t>(s)].push_back(p);
        }
    }

    HookReport report;
    world.Store().SetReleaseHook([&report](PubDataStore& store, int, std::string_view property) {
        const ListInvariants::ListShape* list = ListInvariants::ListOfLock(property);
        if (list == nullptr) return;
        ++report.checks;
        std::string fault = ListInvariants::CheckRows(store, *list);
        if (!fault.empty() && report.faults++ == 0) report.first = std::move(fault);
    });

    for (int s = 0; s < kServers; ++s) {
        Server& server = world.server(static_cast<std::size_t>(s));
        server.StartThread();
        server.Post([&players, s](Server& self) { BringUp(self, players[static_cast<std::size_t>(s)]); });
        if (!settings.liveStart) server.WaitIdle();
    }
    const auto restart = [&players](Server& self) {
        self.Stop();
        if (self.Start()) BringUp(self, players[kRestarted]);  // a failed start is seen below: not running
    };

    const int rounds = settings.days * kRoundsPerDay;
    std::string betweenRounds;
    for (int round = 0; round < rounds && betweenRounds.empty(); ++round) {
        const bool restartRound = round == rounds / 2;
        if (restartRound && !settings.liveStart) {
            world.server(kRestarted).Post(restart);
            world.server(kRestarted).WaitIdle();
        }
        for (int s = 0; s < kServers; ++s) {
            Server& server = world.server(static_cast<std::size_t>(s));
            const unsigned taskSeed = settings.seed ^ static_cast<unsigned>(round * kServers + s) * 2654435761u;
            if (restartRound && settings.liveStart && s == kRestarted) server.Post(restart);
            server.Post([&players, &settings, s, taskSeed](Server& self) {
                if (!self.Running()) return;
                const auto& mine = players[static_cast<std::size_t>(s)];
                std::mt19937 random(taskSeed);
                for (int a = 0; a < settings.actionsPerRound; ++a) Play(self, mine, random);
                // Heartbeats and the daily event fall due on the way.
                self.Kernel().Advance(kRoundMs);
            });
        }
        for (int s = 0; s < kServers; ++s) world.server(static_cast<std::size_t>(s)).WaitIdle();
        // Every server is idle: no rewrite is under way, so every lock must be free.
        betweenRounds = ListInvariants::CheckAll(world.Store());
        if (!betweenRounds.empty()) betweenRounds = "after round " + std::to_string(round) + ": " + betweenRounds;
        if ((round + 1) % kRoundsPerDay == 0) {  // a long soak shows it is alive once a simulated day
            std::printf("soak: day %d of %d played, %llu list checks, %llu faults\n", (round + 1) / kRoundsPerDay,
                        settings.days, static_cast<unsigned long long>(report.checks),
                        static_cast<unsigned long long>(report.faults));
            std::fflush(stdout);
        }
    }
    for (int s = 0; s < kServers; ++s) world.server(static_cast<std::size_t>(s)).StopThread();
    world.Store().SetReleaseHook({});

    EXPECT_EQ(betweenRounds, "");
    EXPECT_EQ(report.faults, 0u) << report.first;
    EXPECT_GT(report.checks, static_cast<std::uint64_t>(rounds));
    EXPECT_TRUE(world.server(kRestarted).Running()) << world.server(kRestarted).Error();

    // One prize letter per simulated day, wherever the daily event was handled.
    std::map<std::int64_t, int> lettersByDay;
    for (int s = 0; s < kServers; ++s) {
        for (const auto& owner : players[static_cast<std::size_t>(s)]) {
            const std::u16string name =
                std::get<std::u16string>(world.server(static_cast<std::size_t>(s)).Kernel().Property(owner, "Name"));
            for (int t = 0; t < kServers; ++t) {
                for (const auto& letter : world.server(static_cast<std::size_t>(t)).Letters()->Mailbox(name)) {
                    ++lettersByDay[letter.sentMs / HostClock::kMsPerDay];
                }
            }
        }
    }
    std::size_t total = 0;
    for (int t = 0; t < kServers; ++t) total += world.server(static_cast<std::size_t>(t)).Letters()->TotalLetters();
    EXPECT_EQ(total, static_cast<std::size_t>(settings.days)) << "letters to players and to anyone else";
    EXPECT_EQ(lettersByDay.size(), static_cast<std::size_t>(settings.days));
    for (const auto& [day, count] : lettersByDay) EXPECT_EQ(count, 1) << "day " << day;

    EXPECT_EQ(world.DiagnosticsText(), "");
    std::string sizes;
    for (const ListInvariants::ListShape& list : ListInvariants::kAllLists) {
        const int index = world.Store().SpaceIndex(list.space);
        sizes += " " + std::string(list.record) + "=" + std::to_string(world.Store().Rows(index, list.record));
    }
    std::printf("soak: %d days, %d players, %llu list checks, rows:%s\n", settings.days, settings.players,
                static_cast<unsigned long long>(report.checks), sizes.c_str());
}

}  // namespace
