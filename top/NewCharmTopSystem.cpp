#include "NewCharmTopSystem.h"

#include <algorithm>
#include <climits>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "../Utility/CVarList.h"
#include "../module/ICriticalManagerSystem.h"
#include "../module/IKernel.h"
#include "../module/PubRecordHandle.h"
#include "TopListShared.h"

namespace {

constexpr char16_t kPubName[] = u"Pub_CharmTopInfo";
constexpr char kRecordName[] = "CharmTopRec";
constexpr int kMaxRows = TopList::kMaxRows;
constexpr int kCols = 9;
constexpr int kReplyRows = 100;
constexpr int kQueryMessage = 140912;
constexpr int kReplyMessage = 100722;
constexpr int kResortIntervalMs = 3600000;
constexpr char kHeartBeatName[] = "NewCharmTopSystem::H_TopListUpdate";

enum Column : int {
    kColName = 0,
    kColLevel = 1,
    kColProf = 2,
    kColCamp = 3,
    kColCastle = 4,
    kColNation = 5,
    kColGuild = 6,
    kColCharm = 7,
    kColGift = 8,
};

constexpr int kColumnTypes[kCols] = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_STRING,
                                     VT_INT,     VT_WIDESTR, VT_INT, VT_INT};

// Module state: the sibling found by Init and the count of home-scene loads.
ICriticalManagerSystem* g_criticalManager = nullptr;
int g_homeSceneLoads = 0;

const char16_t* OrEmpty(const char16_t* text) { return text != nullptr ? text : u""; }
const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

// The player properties behind the record's columns, in column order.
constexpr TopList::PlayerField kRowFields[kCols] = {
    {"Name", VT_WIDESTR}, {"Level", VT_INT},        {"ProfType", VT_INT},
    {"Camp", VT_INT},     {"CastleNameID", VT_STRING}, {"Nation", VT_INT},
    {"GuildName", VT_WIDESTR}, {"Charm", VT_INT},   {"GiftNum", VT_INT},
};

// Puts the player's row at its place by charm: below every row of equal or
// higher charm. A row whose charm is unchanged is left exactly as it is.
void UpdatePlayer(IKernel* kernel, const ObjectId& player) {
    // Everything is read before the list is touched, so a failed allocation
    // never leaves a row half written.
    CVarList row;
    TopList::PushPlayerValues(kernel, player, kRowFields, row);

    PubRecordHandle handle(kernel, kPubName, kRecordName);
    if (!handle.Exists()) return;
    PubRecordLock lock(handle);

    const int found = handle.FindRowByName(row.WideStringAt(kColName));
    if (found >= 0 && handle.CellInt(found, kColCharm) == row.IntAt(kColCharm)) return;
    // A full list loses its last row and everyone from his place down moves one
    // lower, so no player is thrown out while a lower-ranked one stays.
    TopList::PlaceRankedRow(handle, row, kColCharm);
}

// Writes one cell of the player's row when he is listed; his place does not change.
template <typename Value>
void SetPlayerCell(IKernel* kernel, const ObjectId& player, int column, Value value) {
    CVarList name;
    name.PushWideString(OrEmpty(kernel->QueryWideStr(player, "Name")));

    PubRecordHandle handle(kernel, kPubName, kRecordName);
    if (!handle.Exists()) return;
    // Another server may move rows at the same moment: find and write under the lock.
    PubRecordLock lock(handle);
    const int row = handle.FindRowByName(name.WideStringAt(0));
    if (row >= 0) handle.SetCell(row, column, value);
}

// Appends the nine cells of a stored row, each read as its column's type.
void PushStoredRow(PubRecordHandle& handle, int row, IVarList& out) {
    IKernel* kernel = handle.Kernel();
    const int pub = handle.PubIndex();
    out.PushWideString(OrEmpty(kernel->QueryPubRecordWideStr(pub, kRecordName, row, kColName)));
    out.PushInt(handle.CellInt(row, kColLevel));
    out.PushInt(handle.CellInt(row, kColProf));
    out.PushInt(handle.CellInt(row, kColCamp));
    out.PushString(OrEmpty(kernel->QueryPubRecordString(pub, kRecordName, row, kColCastle)));
    out.PushInt(handle.CellInt(row, kColNation));
    out.PushWideString(OrEmpty(kernel->QueryPubRecordWideStr(pub, kRecordName, row, kColGuild)));
    out.PushInt(handle.CellInt(row, kColCharm));
    out.PushInt(handle.CellInt(row, kColGift));
}

// Copies of every row, each ready to be written back. All allocation happens
// here, before the record is cleared, so a failed allocation loses no row.
std::vector<CVarList> CopyAllRows(PubRecordHandle& handle, int rows) {
    std::vector<CVarList> copies(static_cast<std::size_t>(std::max(rows, 0)));
    for (int r = 0; r < rows; ++r) PushStoredRow(handle, r, copies[static_cast<std::size_t>(r)]);
    return copies;
}

// The order of the re-sort; the name points into the row's copy.
struct SortKey {
    int charm;
    int gift;
    int level;
    std::u16string_view name;
    const CVarList* row;
};

// Re-sorts the whole list: charm, gifts, level descending, then name ascending by
// 16-bit units. Of rows with equal keys the one nearer the end survives.
void ResortTopList(IKernel* kernel) {
    PubRecordHandle handle(kernel, kPubName, kRecordName);
    if (handle.Rows() <= 0) return;  // nothing to sort; the lock is not even taken

    // Another server may place a player meanwhile: hold the lock from the first
    // read to the last write, or his row is lost with the clear.
    PubRecordLock lock(handle);
    const int n = handle.Rows();
    if (n <= 0) return;
    const std::vector<CVarList> copies = CopyAllRows(handle, n);

    // Keys from the last row up: of equal keys the first one added, the one
    // nearer the end, is kept.
    std::vector<SortKey> keys;
    keys.reserve(copies.size());
    for (auto row = copies.rbegin(); row != copies.rend(); ++row) {
        keys.push_back({row->IntAt(kColCharm), row->IntAt(kColGift), row->IntAt(kColLevel),
                        std::u16string_view(row->WideStringAt(kColName)), &*row});
    }
    // Ascending by charm, gifts, level, then the greater name first; taken out
    // greatest first, so names of equal rank come out ascending.
    TopList::SortUniqueGreatestFirst(keys, [](const SortKey& a, const SortKey& b) {
        if (a.charm != b.charm) return a.charm < b.charm;
        if (a.gift != b.gift) return a.gift < b.gift;
        if (a.level != b.level) return a.level < b.level;
        return a.name.compare(b.name) > 0;
    });

    kernel->ClearPubRecord(handle.PubIndex(), kRecordName);
    TopList::RefillRows(handle, keys.size(), [&keys](std::size_t i) -> const CVarList& { return *keys[i].row; });
}

// Reply 100722: own rank (0 beyond rank 100), own current values, then up to 100
// rows, each led by its rank: 11 + 10 x m values.
void SendTopList(IKernel* kernel, const ObjectId& player) {
    CVarList reply;
    reply.PushInt(kReplyMessage);
    reply.PushInt(0);
    TopList::PushPlayerValues(kernel, player, kRowFields, reply);

    PubRecordHandle handle(kernel, kPubName, kRecordName);
    {
        // Read under the lock: another server's rewrite halfway through would
        // otherwise give a reply that skips or repeats players.
        PubRecordLock lock(handle);
        const int own = handle.FindRowByName(reply.WideStringAt(2));
        if (own >= 0 && own + 1 <= kReplyRows) reply.SetIntAt(1, own + 1);
        TopList::PushRankedRows(handle, kReplyRows, reply);
    }
    kernel->SendCustomMessage(player, player, reply);
}

void WatchPlayer(IKernel* kernel, const ObjectId& player) {
    g_criticalManager->AddPropertyWatch(kernel, player, "Level", "NewCharmTopSystem::OnLevelChanged");
    g_criticalManager->AddPropertyWatch(kernel, player, "GuildName", "NewCharmTopSystem::OnGuildChanged");
    g_criticalManager->AddPropertyWatch(kernel, player, "CastleNameID", "NewCharmTopSystem::OnCastleChanged");
    g_criticalManager->AddPropertyWatch(kernel, player, "Charm", "NewCharmTopSystem::OnCharmChanged");
    g_criticalManager->AddPropertyWatch(kernel, player, "GiftNum", "NewCharmTopSystem::OnGiftNumChanged");
}

// Re-creates the record with its rows kept in order, so the layout and a lock
// left held by a stopped server are set right at every start.
void RebuildRecord(IKernel* kernel) {
    PubRecordHandle handle(kernel, kPubName, kRecordName);
    const std::vector<CVarList> copies = CopyAllRows(handle, handle.Rows());

    kernel->RemovePubRecord(handle.PubIndex(), kRecordName);
    // The rows now live only in the copies: every step is tried twice when memory
    // runs short, so a passing shortage cannot lose the list.
    bool shortage = false;
    TopList::RetryOnShortage(
        [&] {
            if (!handle.Exists()) handle.CreateRecord(kMaxRows, kCols);
        },
        shortage);
    TopList::RetryOnShortage(
        [&] {
            for (int col = 0; col < kCols; ++col) handle.SetColumnType(col, kColumnTypes[col]);
        },
        shortage);
    TopList::RefillRows(handle, copies.size(), [&copies](std::size_t i) -> const CVarList& { return copies[i]; });
    if (shortage) throw std::bad_alloc();
}

// --- callbacks --------------------------------------------------------------------

int OnTopListQuery(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    SendTopList(kernel, player);
    return 1;
}

int OnPlayerLoad(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    if (TopList::IsAdmitted(kernel, player)) {
        WatchPlayer(kernel, player);
        UpdatePlayer(kernel, player);
    } else {
        g_criticalManager->AddPropertyWatch(kernel, player, "GutOver",
                                            "NewCharmTopSystem::OnPlayerGutOverChanged");
    }
    return 1;
}

int OnBaseSceneSystemInit(IKernel* kernel, const ObjectId&, const ObjectId&, const IVarList&) {
    RebuildRecord(kernel);
    return 1;
}

int OnHomeSceneLoad(IKernel* kernel, const ObjectId& scene, const ObjectId&, const IVarList&) {
    if (g_homeSceneLoads < 1) {
        if (!kernel->FindHeartBeat(scene, kHeartBeatName)) {
            kernel->AddHeartBeat(scene, kHeartBeatName, kResortIntervalMs);
        }
        ResortTopList(kernel);
    }
    if (g_homeSceneLoads < INT_MAX) ++g_homeSceneLoads;
    return 1;
}

int H_TopListUpdate(IKernel* kernel, const ObjectId&) {
    ResortTopList(kernel);
    return 1;
}

int OnPlayerGutOverChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (!TopList::IsActiveParticipant(kernel, player)) return 1;
    UpdatePlayer(kernel, player);
    WatchPlayer(kernel, player);
    return 1;
}

int OnLevelChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (!TopList::IsActiveParticipant(kernel, player)) return 1;
    SetPlayerCell(kernel, player, kColLevel, kernel->QueryInt(player, "Level"));
    return 1;
}

int OnGuildChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (!TopList::IsActiveParticipant(kernel, player)) return 1;
    CVarList value;
    value.PushWideString(OrEmpty(kernel->QueryWideStr(player, "GuildName")));
    SetPlayerCell(kernel, player, kColGuild, value.WideStringAt(0));
    return 1;
}

int OnCastleChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (!TopList::IsActiveParticipant(kernel, player)) return 1;
    CVarList value;
    value.PushString(OrEmpty(kernel->QueryString(player, "CastleNameID")));
    SetPlayerCell(kernel, player, kColCastle, value.StringAt(0));
    return 1;
}

int OnGiftNumChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (!TopList::IsActiveParticipant(kernel, player)) return 1;
    SetPlayerCell(kernel, player, kColGift, kernel->QueryInt(player, "GiftNum"));
    return 1;
}

int OnCharmChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (!TopList::IsActiveParticipant(kernel, player)) return 1;
    UpdatePlayer(kernel, player);
    return 1;
}

}  // namespace

bool NewCharmTopSystem::Init(IKernel* kernel) {
    g_criticalManager = static_cast<ICriticalManagerSystem*>(kernel->GetLogicModule("CriticalManagerSystem"));
    if (g_criticalManager != nullptr) return true;
    TopList::WriteMissingSiblingReport(kernel, "CriticalManagerSystem", ".\\NewCharmTopSystem (30)");
    return false;
}

bool NewCharmTopSystem::AfterInit(IKernel* kernel) {
    // Only after a successful Init: without the sibling no watch could be attached.
    if (g_criticalManager == nullptr) return false;
    kernel->AddCustomCallback(kQueryMessage, OnTopListQuery, 3);
    kernel->AddEventCallback("player", "OnLoad", OnPlayerLoad, 3);
    kernel->AddEventCallback("BaseScene", "OnSystemInit", OnBaseSceneSystemInit, 3);
    kernel->AddEventCallback("HomeScene", "OnLoad", OnHomeSceneLoad, 3);
    g_criticalManager->DeclarePropertyCallback(kernel, OnLevelChanged, "NewCharmTopSystem::OnLevelChanged");
    g_criticalManager->DeclarePropertyCallback(kernel, OnGuildChanged, "NewCharmTopSystem::OnGuildChanged");
    g_criticalManager->DeclarePropertyCallback(kernel, OnCastleChanged, "NewCharmTopSystem::OnCastleChanged");
    g_criticalManager->DeclarePropertyCallback(kernel, OnGiftNumChanged, "NewCharmTopSystem::OnGiftNumChanged");
    g_criticalManager->DeclarePropertyCallback(kernel, OnCharmChanged, "NewCharmTopSystem::OnCharmChanged");
    g_criticalManager->DeclarePropertyCallback(kernel, OnPlayerGutOverChanged,
                                               "NewCharmTopSystem::OnPlayerGutOverChanged");
    kernel->DeclareHeartBeat(kHeartBeatName, H_TopListUpdate);
    return true;
}

bool NewCharmTopSystem::Shut() { return true; }
