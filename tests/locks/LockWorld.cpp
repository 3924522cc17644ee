#include "LockWorld.h"

#include <algorithm>
#include <thread>

#include <gtest/gtest.h>

#include "support/StaleLockSetting.h"

namespace LockWorld {

const std::vector<ListUnderTest>& RankedLists() {
    static const std::vector<ListUnderTest> lists = {
        {&ListInvariants::kPlayerList,
         "Level",
         {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_WIDESTR, VT_INT, VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT}},
        {&ListInvariants::kCharmList,
         "Charm",
         {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_STRING, VT_INT, VT_WIDESTR, VT_INT, VT_INT}},
        {&ListInvariants::kStreakList, "CompeteAlwaysWin", {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT}},
    };
    return lists;
}

std::unique_ptr<World> Start(int servers, long staleBoundMs, std::unique_ptr<PubDataStore> store) {
    SetStaleLockBoundMs(staleBoundMs);
    auto world = std::make_unique<World>(servers, ServerOptions{}, std::move(store));
    for (std::size_t i = 0; i < world->ServerCount(); ++i) {
        Server& server = world->server(i);
        server.CreateScene(1, "HomeScene");
        server.CreateScene(2, "BaseScene");
        server.CreateScene(3, "BaseScene", "ChallengeWaitScene");
        if (!server.Start()) return nullptr;
        server.SendStartEvents();
    }
    return world;
}

ObjectId AddPlayer(Server& server, std::u16string_view name, int value) {
    const ObjectId player = server.CreatePlayer(name, 2,
                                                {{"Level", value},
                                                 {"Nation", 1},
                                                 {"ProfType", 2},
                                                 {"GuildName", std::u16string(u"Lions")},
                                                 {"GuildPoint", 3},
                                                 {"GuildContribut", 4},
                                                 {"CastleName", std::u16string(u"Keep")},
                                                 {"CastleNameID", std::string("keep")},
                                                 {"CastlePoint", 5},
                                                 {"Camp", 6},
                                                 {"PeerageRank", 7},
                                                 {"PeerageExp", 8},
                                                 {"GutOver", 1},
                                                 {"Charm", value},
                                                 {"GiftNum", 9},
                                                 {"CompeteAlwaysWin", value}});
    if (!player.IsNull()) server.LoginPlayer(player);
    return player;
}

std::vector<HostValue> ListRow(const ListUnderTest& list, std::u16string name, int value, int other) {
    std::vector<HostValue> row;
    for (const int type : list.columnTypes) {
        if (type == VT_INT) row.emplace_back(0);
        if (type == VT_STRING) row.emplace_back(std::string());
        if (type == VT_WIDESTR) row.emplace_back(std::u16string());
    }
    row[0] = std::move(name);
    row[static_cast<std::size_t>(list.shape->rankColumn)] = value;
    for (std::size_t col = row.size(); col-- > 1;) {
        if (list.columnTypes[col] == VT_INT && static_cast<int>(col) != list.shape->rankColumn) {
            row[col] = other;
            break;
        }
    }
    return row;
}

void SetLock(PubDataStore& store, const ListInvariants::ListShape& list, int value) {
    const int index = store.SpaceIndex(list.space);
    if (!store.FindProperty(index, list.lock)) store.AddProperty(index, list.lock, VT_INT);
    store.SetPropertyInt(index, list.lock, value);
}

bool ClaimHeld(PubDataStore& store, const ListInvariants::ListShape& list) {
    const int index = store.SpaceIndex(list.space);
    const std::string claim = PubDataStore::ClaimOf(list.lock);
    return store.FindProperty(index, claim) && store.PropertyInt(index, claim) % 2 != 0;
}

std::vector<std::string> TakeoverLines(Server& server) {
    std::vector<std::string> lines;
    for (const std::string& line : server.Kernel().Logs())
        if (line.find("taken over") != std::string::npos) lines.push_back(line);
    return lines;
}

std::vector<std::u16string> Names(PubDataStore& store, const ListInvariants::ListShape& list) {
    std::vector<std::u16string> names;
    if (const auto snapshot = store.Snapshot(list.space, list.record)) {
        for (const auto& row : snapshot->rows) names.push_back(std::get<std::u16string>(row.at(0)));
    }
    std::sort(names.begin(), names.end());
    return names;
}

int RankValue(PubDataStore& store, const ListInvariants::ListShape& list, std::u16string_view name) {
    if (const auto snapshot = store.Snapshot(list.space, list.record)) {
        for (const auto& row : snapshot->rows)
            if (std::get<std::u16string>(row.at(0)) == name) return std::get<int>(row.at(list.rankColumn));
    }
    return -1;
}

std::vector<std::string> LogLines(Server& server, std::string_view containing) {
    std::vector<std::string> lines;
    for (const std::string& line : server.Kernel().Logs())
        if (line.find(containing) != std::string::npos) lines.push_back(line);
    return lines;
}

void WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 20'000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(done());
}

}  // namespace LockWorld
