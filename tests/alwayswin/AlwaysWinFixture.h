#pragma once
// The win-streak leaderboard in the reference host: a rule file in the fixture's
// resource folder, players that fight, and readers of the shared records.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "support/HostFixture.h"
#include "Utility/Platform.h"

using Row = std::vector<HostValue>;  // Name, Level, ProfType, Camp, streak
inline Row R(std::u16string name, int streak, int level = 1) { return {std::move(name), level, 2, 3, streak}; }

inline CVarList Command(int id, int arg) {
    CVarList msg;
    msg << id << arg;
    return msg;
}

class AlwaysWinTest : public HostFixture {
protected:
    void SetUpResources() override {
        // Prize dates are local dates: pin the zone so no daylight-saving jump moves one.
        Platform::UseTimeZone("UTC");
        if (!RuleText().empty()) WriteResource("Rule\\PlayerTopAlwaysWin.ini", RuleText());
    }
    virtual std::string RuleText() { return "[PlayerAlwaysWinInitInfo]\r\nMinAlwaysWinNum = 30\r\n"; }

    PubDataStore& Store() { return world().Store(); }
    ObjectId Fighter(std::u16string_view name, int level, int streak = 0, int sceneId = 2) {
        return Player(name, {{"Level", level}, {"ProfType", 2}, {"Camp", 3}, {"CompeteAlwaysWin", streak}}, sceneId);
    }
    void SetStreak(const ObjectId& p, int streak) { server().SetProperty(p, "CompeteAlwaysWin", streak); }
    int Streak(const ObjectId& p) { return kernel().QueryInt(p, "CompeteAlwaysWin"); }
    std::vector<Row> List() { return Records("PlayerTopAlwaysWinRec"); }
    std::vector<Row> Records(const char* rec) {
        const auto snap = Store().Snapshot(u"Pub_TopAlwaysWin", rec);
        return snap ? snap->rows : std::vector<Row>{};
    }
    void Seed(const std::vector<Row>& rows) {
        ASSERT_TRUE(Store().Seed(u"Pub_TopAlwaysWin", "PlayerTopAlwaysWinRec", 150,
                                 {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT}, rows));
    }
    int Lock() { return Store().PropertyInt(Store().SpaceIndex(u"Pub_TopAlwaysWin"), "PlayerTopAlwaysWinRecPubLock"); }
    void Daily(int kind = 13) { server().RunCommand(Scene(2), Command(326, kind)); }
    const std::vector<LetterSystem::Letter>& Mail(std::u16string_view name) {
        return server().Letters()->Mailbox(name);
    }
    std::size_t Letters() { return server().Letters()->TotalLetters(); }
};
