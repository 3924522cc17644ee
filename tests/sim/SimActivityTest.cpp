// The simulator's activity model: its defaults act exactly as the model always
// did (so reports stay as they were), its rates are per hour whatever the
// step, and it is set from options and files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "sim/SimActivity.h"
#include "sim/SimOptions.h"
#include "support/TestPaths.h"

namespace {

// The model as first written: per 10-minute step, one action for each this
// many players on the server, at least one.
const std::map<std::string, std::size_t> kOneInPlayersPerStep = {{"level", 40},
                                                                 {"guild_points", 25},
                                                                 {"guild_change", 500},
                                                                 {"castle_points", 100},
                                                                 {"castle_change", 1000},
                                                                 {"camp_change", 1000},
                                                                 {"nation_change", 3000},
                                                                 {"peerage", 50},
                                                                 {"introduction_done", 100},
                                                                 {"player_list_request", 500},
                                                                 {"compliment", 20},
                                                                 {"gift", 40},
                                                                 {"charm_list_request", 500},
                                                                 {"fight", 60},
                                                                 {"win_streak_list_request", 1000}};

TEST(SimActivity, DefaultsActAsTheModelAlwaysDid) {
    const SimActivity model;
    for (const auto& [action, per] : kOneInPlayersPerStep) {
        for (std::size_t n = 1; n <= 200'000; ++n) {
            ASSERT_EQ(model.PlayerTimes(action, n, 10), std::max<std::size_t>(1, n / per)) << action << " " << n;
        }
    }
    double chance = -1.0;
    EXPECT_EQ(model.ServerTimes("resource_gathering", 10, chance), 5u);  // five per step on server 1
    EXPECT_EQ(chance, 0.0);                                              // no draw: the random sequence stays as it was
    EXPECT_EQ(model.ServerTimes("nation_report_request", 10, chance), 0u);
    EXPECT_EQ(chance, 0.2);  // the very chance of old, bit for bit
    EXPECT_EQ(model.online, 1.0);
    EXPECT_TRUE(model.Arguments().empty());
}

TEST(SimActivity, RatesArePerHourWhateverTheStep) {
    SimActivity model;
    EXPECT_EQ(model.PlayerTimes("level", 400, 60), 60u);  // 400 players x 0.15 an hour
    EXPECT_EQ(model.PlayerTimes("level", 400, 10), 10u);
    std::string error;
    ASSERT_TRUE(model.Set("fight = 0", error)) << error;
    EXPECT_EQ(model.PlayerTimes("fight", 5000, 10), 0u);  // a rate of 0 turns the action off
    ASSERT_TRUE(model.Set("nation_report_request=3", error)) << error;
    double chance = 0.0;
    EXPECT_EQ(model.ServerTimes("nation_report_request", 30, chance), 1u);
    EXPECT_DOUBLE_EQ(chance, 0.5);
}

TEST(SimActivity, ComesFromFilesAndOptionsInTheOrderGiven) {
    const std::string path = ::testing::TempDir() + "activity.txt";
    std::ofstream(path) << "# a quieter world\nlevel = 0.3\n\nonline = 0.25\nsession_hours = 1.5\n";
    SimOptions o;
    std::string error;
    std::vector<const char*> args = {"vogame_sim", "--activity", path.c_str(), "--rate",
                                     "level=0.5",  "--online",   "0.4"};
    ASSERT_TRUE(ParseSimOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), o, error)) << error;
    EXPECT_EQ(o.activity.Rate("level"), 0.5);
    EXPECT_EQ(o.activity.online, 0.4);
    EXPECT_EQ(o.activity.sessionHours, 1.5);
    // A server process gets the same model from its options.
    SimActivity copy;
    const std::vector<std::string> forwarded = o.activity.Arguments();
    for (std::size_t i = 1; i < forwarded.size(); i += 2) ASSERT_TRUE(copy.Set(forwarded[i], error)) << error;
    EXPECT_EQ(copy.Text(), o.activity.Text());

    std::ofstream(path) << "level = 0.3\nlevle = 1\n";
    SimActivity bad;
    EXPECT_FALSE(bad.Load(path, error));
    EXPECT_EQ(error, path + ":2: unknown activity \"levle\" (the guide lists them: docs/simulator-guide.md)");
    for (const char* wrong : {"online=0", "online=1.5", "level=-1", "level=abc", "session_hours=0", "level"})
        EXPECT_FALSE(bad.Set(wrong, error)) << wrong;
    std::remove(path.c_str());
}

}  // namespace

namespace {

// The guide's table of actions is the model's: every action, its default rate.
TEST(SimActivity, TheGuideListsEveryActionWithItsDefault) {
    std::ifstream in(std::string(kSourceDir) + "/docs/simulator-guide.md");
    const std::string guide((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(guide.empty());
    for (const SimAction& a : SimActivity::Actions()) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "%g", a.perHour);
        const std::string row =
            std::string("| `") + a.name + "` | " + rate + " | " + (a.perPlayer ? "player online" : "server") + " |";
        EXPECT_NE(guide.find(row), std::string::npos) << "the guide lacks the row " << row;
    }
}

}  // namespace
