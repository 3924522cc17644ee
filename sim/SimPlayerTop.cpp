// Player leaderboard in the simulator: players' levels, nations, professions,
// guilds, castles, camps and peerage, newcomers finishing their introduction
// ("GutOver"), list requests 140911, and the list with a decoded reply 100721.
#include <algorithm>
#include <string>
#include <vector>

#include "SimExtension.h"
#include "SimNames.h"
#include "SimOptions.h"
#include "SimReport.h"
#include "top/RankedLists.h"

namespace {

constexpr const TopList::RankedList& kList = TopList::PlayerTop::kList;
constexpr int kListRequest = kList.queryMessage;
constexpr int kListReply = kList.replyMessage;
constexpr int kEntryValues = 11;
constexpr int kMaxLevel = 150;

const char16_t* const kGuilds[] = {u"Iron Wolves", u"Silver Hand",  u"Red Lanterns", u"Night Watch",
                                   u"Jade Court",  u"Storm Riders", u"Ash Guard",    u"Blue Harbour",
                                   u"Free Blades", u"Old Oak",      u"Sun Choir",    u"Grey Owls"};
constexpr int kGuildCount = sizeof kGuilds / sizeof kGuilds[0];
// A castle has a display name (player list) and a configuration id (charm list).
struct Castle {
    const char16_t* name;
    const char* id;
};
const Castle kCastles[] = {{u"Northwatch", "castle_north"}, {u"Stonebridge", "castle_bridge"},
                           {u"Eastmarch", "castle_east"},   {u"Highcliff", "castle_cliff"},
                           {u"Redwater", "castle_red"},     {u"Greyhold", "castle_grey"}};
constexpr int kCastleCount = sizeof kCastles / sizeof kCastles[0];

struct PlayerState {
    int level = 1, nation = 0, guild = -1, guildPoint = 0, castle = -1, castlePoint = 0, camp = 0;
    int peerageRank = 0, peerageExp = 0, gutOver = 0;
};
std::vector<std::vector<PlayerState>> g_players;  // per server

void Start(SimRun& run) { g_players.assign(run.servers.size(), {}); }

std::size_t ServerIndex(const SimServerState& s) { return static_cast<std::size_t>(s.server->Number() - 1); }

void NewPlayer(SimServerState& s, std::size_t, PlayerProperties& props) {
    PlayerState p;
    p.gutOver = s.Chance(0.85) ? 1 : 0;  // the rest are newcomers still in the introduction
    p.level = p.gutOver ? 10 + s.Uniform(0, 40) + (s.Chance(0.05) ? s.Uniform(0, 30) : 0) : s.Uniform(1, 9);
    p.nation = s.Uniform(0, 4);
    p.camp = s.Uniform(0, 2);
    if (s.Chance(0.7)) {
        p.guild = s.Uniform(0, kGuildCount - 1);
        p.guildPoint = s.Uniform(0, 500);
    }
    if (s.Chance(0.3)) {
        p.castle = s.Uniform(0, kCastleCount - 1);
        p.castlePoint = s.Uniform(0, 200);
    }
    p.peerageRank = s.Uniform(0, 5);
    p.peerageExp = s.Uniform(0, 999);
    g_players[ServerIndex(s)].push_back(p);
    props.insert(props.end(), {{"Level", p.level},
                               {"Nation", p.nation},
                               {"ProfType", s.Uniform(1, 6)},
                               {"GuildName", std::u16string(p.guild < 0 ? u"" : kGuilds[p.guild])},
                               {"GuildPoint", p.guildPoint},
                               {"GuildContribut", p.guildPoint},
                               {"CastleName", std::u16string(p.castle < 0 ? u"" : kCastles[p.castle].name)},
                               {"CastleNameID", std::string(p.castle < 0 ? "" : kCastles[p.castle].id)},
                               {"CastlePoint", p.castlePoint},
                               {"Camp", p.camp},
                               {"PeerageRank", p.peerageRank},
                               {"PeerageExp", p.peerageExp},
                               {"GutOver", p.gutOver}});
}

// Picks as many players online as the activity model gives the action this
// step and runs f on each.
template <class F>
void Some(SimServerState& s, const char* action, F f) {
    if (s.OnlineCount() == 0) return;
    const std::size_t k = s.Times(action);
    for (std::size_t n = 0; n < k; ++n) f(s.Pick());
}

void Act(SimServerState& s, std::int64_t) {
    auto& players = g_players[ServerIndex(s)];
    Some(s, "level", [&](std::size_t i) {  // quests and fights: a level
        if (players[i].level >= kMaxLevel) return;
        s.Set(i, "Level", ++players[i].level);
    });
    Some(s, "guild_points", [&](std::size_t i) {  // guild work
        PlayerState& p = players[i];
        if (p.guild < 0) return;
        p.guildPoint += s.Uniform(1, 20);
        s.Set(i, "GuildPoint", p.guildPoint);
        s.Set(i, "GuildContribut", p.guildPoint);
    });
    Some(s, "guild_change", [&](std::size_t i) {  // joins, leaves or changes guild
        PlayerState& p = players[i];
        p.guild = s.Chance(0.2) ? -1 : s.Uniform(0, kGuildCount - 1);
        p.guildPoint = 0;
        s.Set(i, "GuildName", std::u16string(p.guild < 0 ? u"" : kGuilds[p.guild]));
        s.Set(i, "GuildPoint", 0);
    });
    Some(s, "castle_points", [&](std::size_t i) {  // castle duty
        PlayerState& p = players[i];
        if (p.castle < 0) return;
        p.castlePoint += s.Uniform(1, 10);
        s.Set(i, "CastlePoint", p.castlePoint);
    });
    Some(s, "castle_change", [&](std::size_t i) {  // a castle changes hands
        PlayerState& p = players[i];
        p.castle = s.Uniform(0, kCastleCount - 1);
        p.castlePoint = 0;
        s.Set(i, "CastleName", std::u16string(kCastles[p.castle].name));
        s.Set(i, "CastleNameID", std::string(kCastles[p.castle].id));
        s.Set(i, "CastlePoint", 0);
    });
    Some(s, "camp_change", [&](std::size_t i) { s.Set(i, "Camp", players[i].camp = s.Uniform(0, 2)); });
    Some(s, "nation_change", [&](std::size_t i) { s.Set(i, "Nation", players[i].nation = s.Uniform(0, 4)); });
    Some(s, "peerage", [&](std::size_t i) {  // peerage experience, a rank every thousand
        PlayerState& p = players[i];
        p.peerageExp += s.Uniform(5, 50);
        if (p.peerageExp >= 1000) {
            p.peerageExp -= 1000;
            s.Set(i, "PeerageRank", ++p.peerageRank);
        }
        s.Set(i, "PeerageExp", p.peerageExp);
    });
    Some(s, "introduction_done", [&](std::size_t i) {  // a newcomer finishes the introduction
        if (players[i].gutOver != 0) return;
        s.Set(i, "GutOver", players[i].gutOver = 1);
    });
    Some(s, "player_list_request", [&](std::size_t i) { s.Ask(i, kListRequest); });
}

int IntCell(const std::vector<HostValue>& row, std::size_t col) {
    return col < row.size() && TypeOfValue(row[col]) == VT_INT ? std::get<int>(row[col]) : 0;
}
std::string TextCell(const std::vector<HostValue>& row, std::size_t col) {
    return col < row.size() ? ValueText(row[col]) : std::string();
}

// The player list's columns as a table; entry holds the 11 values in column order.
ReportTable& PlayerColumns(ReportTable& t) {
    return t.Column("rank", true)
        .Column("name")
        .Column("level", true)
        .Column("nation")
        .Column("profession")
        .Column("guild")
        .Column("guild points", true)
        .Column("castle")
        .Column("castle points", true)
        .Column("camp")
        .Column("peerage", true)
        .Column("peerage exp", true);
}
void AddPlayerRow(ReportTable& t, int rank, const std::vector<HostValue>& entry) {
    t.AddRow() = {rank,
                  TextCell(entry, 0),
                  IntCell(entry, 1),
                  NationText(IntCell(entry, 2)),
                  ProfessionText(IntCell(entry, 3)),
                  TextCell(entry, 4),
                  IntCell(entry, 5),
                  TextCell(entry, 6),
                  IntCell(entry, 7),
                  CampText(IntCell(entry, 8)),
                  IntCell(entry, 9),
                  IntCell(entry, 10)};
}

// A listed player of server 1 just below the top (the first one from rank 3 on),
// so that the sample shows a rank and a stored row; else server 1's first player.
std::size_t SampleRequester(SimServerState& s, const PubDataStore::RecordSnapshot* list) {
    if (list != nullptr) {
        for (std::size_t r = std::min<std::size_t>(2, list->rows.size()); r < list->rows.size(); ++r) {
            const std::string name = TextCell(list->rows[r], 0);
            for (std::size_t i = 0; i < s.names.size(); ++i)
                if (s.Online(i) && Utf8(s.names[i]) == name) return i;
        }
    }
    return s.FirstOnline();
}

void Report(SimRun& run, SimReport& report) {
    const auto list = run.world.Store().Snapshot(kList.pubSpace, kList.record);
    ReportSection& s = report.Section("Player leaderboard", "player_leaderboard");
    const std::size_t rows = list ? list->rows.size() : 0;
    s.Number("rows", static_cast<std::int64_t>(rows));
    ReportTable& t = PlayerColumns(s.Table("Top " + std::to_string(run.options.top), "top"));
    for (std::size_t r = 0; r < rows && r < static_cast<std::size_t>(run.options.top); ++r)
        AddPlayerRow(t, static_cast<int>(r + 1), list->rows[r]);

    // The reply as the requester's client receives it.
    ReportSection& reply = report.Section("Sample reply 100721", "player_list_reply");
    if (run.servers.empty()) {
        reply.TextOnly("requester", "none (the servers ran in processes of their own)");
        reply.absent = true;
        return;
    }
    SimServerState& server = run.servers.front();
    if (server.players.empty()) {
        reply.TextOnly("requester", "none (no players)");
        reply.absent = true;
        return;
    }
    const std::size_t who = SampleRequester(server, list ? &*list : nullptr);
    CVarList ask;
    ask << kListRequest;
    server.server->SendClientMessage(server.players[who], ask);
    const auto& inbox = server.server->Inbox(server.players[who]);
    reply.TextOnly("requester", Utf8(server.names[who]) + " (server " + std::to_string(server.server->Number()) + ")");
    reply.JsonOnly("requester", {{"name", Utf8(server.names[who])}, {"server", server.server->Number()}});
    if (inbox.empty() || inbox.back().IntAt(0) != kListReply) {
        reply.TextOnly("reply", "none");
        reply.JsonOnly("reply", nullptr);
        return;
    }
    const CVarList& msg = inbox.back();
    const std::size_t size = msg.Size();
    const std::size_t listed = size >= 2 + kEntryValues ? (size - 2 - kEntryValues) / (1 + kEntryValues) : 0;
    const bool wellFormed = size == 2 + kEntryValues + listed * (1 + kEntryValues);
    reply.TextOnly("values", std::to_string(size));
    reply.TextOnly("layout", wellFormed ? "id, own rank, own entry (11 values), then rank + 11 values per listed row"
                                        : "MALFORMED: the values do not divide into entries of 11");
    reply.TextOnly("own rank", std::to_string(msg.IntAt(1)));
    reply.TextOnly("listed rows in reply", std::to_string(listed));
    auto entryAt = [&](std::size_t at) {
        std::vector<HostValue> entry;
        for (int c = 0; c < kEntryValues; ++c) entry.push_back(ValueFromList(msg, at + static_cast<std::size_t>(c)));
        return entry;
    };
    ReportTable& own = PlayerColumns(reply.Table("Own entry", ""));
    AddPlayerRow(own, msg.IntAt(1), entryAt(2));
    ReportTable& first = PlayerColumns(reply.Table("First rows of the reply", ""));
    for (std::size_t j = 0; j < listed && j < static_cast<std::size_t>(std::min(run.options.top, 5)); ++j) {
        const std::size_t at = 2 + kEntryValues + j * (1 + kEntryValues);
        AddPlayerRow(first, msg.IntAt(at), entryAt(at + 1));
    }
    reply.JsonOnly("reply", {{"values", size},
                             {"well_formed", wellFormed},
                             {"own_rank", msg.IntAt(1)},
                             {"listed_rows", listed},
                             {"own_entry", own.RowJson(0)},
                             {"first_rows", first.ToJson()}});
}

const SimExtension kExtension{
    "player leaderboard", 10, nullptr, Start, NewPlayer, Act, Report, nullptr, &kList, "player", "level"};
const SimExtensionRegistration kRegistration(kExtension);

}  // namespace
