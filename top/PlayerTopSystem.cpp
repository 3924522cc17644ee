#include "PlayerTopSystem.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "../Utility/CVarList.h"
#include "../Utility/ValueType.h"
#include "../module/ICriticalManagerSystem.h"
#include "../module/IKernel.h"
#include "../module/PubRecordHandle.h"
#include "TopListShared.h"

namespace {

ICriticalManagerSystem* g_criticalManager = nullptr;
std::int32_t g_homeSceneLoads = 0;

constexpr const char16_t* kPubSpace = u"Pub_PlayerTopInfo";
constexpr const char* kRecord = "PlayerToplistRec";
constexpr int kColumns = 11;
constexpr int kLevelColumn = 1;
// A record with fewer columns than this was written by an earlier version.
constexpr int kCurrentLayoutMinColumns = 9;
constexpr int kReplyRows = 100;
constexpr int kQueryMessage = 140911;
constexpr int kReplyMessage = 100721;
constexpr int kLoadCommand = 1009;
constexpr int kPriority = 3;
constexpr const char* kHeartBeatName = "PlayerTopSystem::H_TopListUpdate";
constexpr int kHeartBeatMs = 3600000;
constexpr const char* kGutOverCallback = "PlayerTopSystem::OnPlayerGutOverChanged";

constexpr int kColumnTypes[kColumns] = {VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_WIDESTR, VT_INT,
                                        VT_WIDESTR, VT_INT, VT_INT, VT_INT, VT_INT};
// Column types are set in this order (nation and profession swapped, as the older layout had them).
constexpr int kColumnTypeOrder[kColumns] = {0, 1, 3, 2, 4, 5, 6, 7, 8, 9, 10};

// The player properties copied into a row, in column order.
constexpr TopList::PlayerField kRowFields[kColumns] = {
    {"Name", VT_WIDESTR},       {"Level", VT_INT},       {"Nation", VT_INT},     {"ProfType", VT_INT},
    {"GuildName", VT_WIDESTR},  {"GuildPoint", VT_INT},  {"CastleName", VT_WIDESTR},
    {"CastlePoint", VT_INT},    {"Camp", VT_INT},        {"PeerageRank", VT_INT}, {"PeerageExp", VT_INT}};

// An unlisted requester's own entry in the reply carries "GuildContribut" where
// a row holds "GuildPoint"; clients read that slot as his contribution.
constexpr TopList::PlayerField kUnlistedReplyFields[kColumns] = {
    {"Name", VT_WIDESTR},       {"Level", VT_INT},          {"Nation", VT_INT},     {"ProfType", VT_INT},
    {"GuildName", VT_WIDESTR},  {"GuildContribut", VT_INT}, {"CastleName", VT_WIDESTR},
    {"CastlePoint", VT_INT},    {"Camp", VT_INT},           {"PeerageRank", VT_INT}, {"PeerageExp", VT_INT}};

// Older layout: where each older column goes in the current one.
constexpr int kOlderColumnCount = 9;
constexpr int kOlderToCurrent[kOlderColumnCount] = {0, 1, 3, 2, 4, 5, 6, 7, 8};

struct Watch {
    const char* property;
    const char* callback;
};
// "Nation" is watched too: without it column 2 would go stale until some other
// watched value changed.
constexpr Watch kWatches[] = {
    {"Level", "PlayerTopSystem::OnLevelChanged"},
    {"ProfType", "PlayerTopSystem::OnProfChanged"},
    {"GuildName", "PlayerTopSystem::OnGuildChanged"},
    {"GuildPoint", "PlayerTopSystem::OnGuildContributeChanged"},
    {"CastleName", "PlayerTopSystem::OnCastleChanged"},
    {"CastlePoint", "PlayerTopSystem::OnCastlePointChanged"},
    {"Camp", "PlayerTopSystem::OnCampChanged"},
    {"PeerageRank", "PlayerTopSystem::OnPeerageRankChanged"},
    {"PeerageExp", "PlayerTopSystem::OnPeerageExpChanged"},
    {"Nation", "PlayerTopSystem::OnNationChanged"},
};

// Declared in this order; every value handler re-enters the player the same way.
constexpr const char* kValueCallbackNames[] = {
    "PlayerTopSystem::OnLevelChanged",         "PlayerTopSystem::OnNationChanged",
    "PlayerTopSystem::OnProfChanged",          "PlayerTopSystem::OnGuildChanged",
    "PlayerTopSystem::OnGuildContributeChanged", "PlayerTopSystem::OnCastleChanged",
    "PlayerTopSystem::OnCastlePointChanged",   "PlayerTopSystem::OnCampChanged",
    "PlayerTopSystem::OnPeerageRankChanged",   "PlayerTopSystem::OnPeerageExpChanged",
};

void SetColumnTypes(PubRecordHandle& handle) {
    for (int col : kColumnTypeOrder) handle.SetColumnType(col, kColumnTypes[col]);
}

void AttachPropertyWatches(IKernel* kernel, const ObjectId& player) {
    if (g_criticalManager == nullptr) return;
    for (const Watch& watch : kWatches) g_criticalManager->AddPropertyWatch(kernel, player, watch.property, watch.callback);
}

void PushCellWide(IKernel* kernel, PubRecordHandle& handle, int row, int col, IVarList& out) {
    const char16_t* text = kernel->QueryPubRecordWideStr(handle.PubIndex(), handle.RecordName(), row, col);
    out.PushWideString(text != nullptr ? text : u"");
}

// A record's rows in its own layout, to put it back when it cannot be replaced.
struct RecordSnapshot {
    int maxRows = 0;
    int cols = 0;
    std::vector<int> types;
    CVarList cells;
    std::vector<std::size_t> starts;  // first cell of each row, then one past the end

    void Take(PubRecordHandle& handle) {
        IKernel* kernel = handle.Kernel();
        maxRows = kernel->GetPubRecordMax(handle.PubIndex(), handle.RecordName());
        cols = handle.Cols();
        for (int col = 0; col < cols; ++col) {
            types.push_back(kernel->GetPubRecordColType(handle.PubIndex(), handle.RecordName(), col));
        }
        const int rows = handle.Rows();
        for (int row = 0; row < rows; ++row) {
            starts.push_back(cells.Size());
            handle.CopyRowToList(row, cells);
        }
        starts.push_back(cells.Size());
    }

    bool Restore(PubRecordHandle& handle) const {
        if (!handle.CreateRecord(maxRows, cols)) return false;
        for (int col = 0; col < cols; ++col) handle.SetColumnType(col, types[static_cast<std::size_t>(col)]);
        for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
            TopList::AppendRowCells(handle, cells, starts[i], starts[i + 1] - starts[i]);
        }
        return true;
    }
};

// Rewrites a list stored in the older layout into the current one, rows in order.
bool MigrateTopListRecord(IKernel* kernel, PubRecordHandle& handle) {
    const int cols = handle.Cols();
    if (cols >= kCurrentLayoutMinColumns) return false;

    // Read everything first: running out of memory here leaves the old list as it was.
    RecordSnapshot older;
    older.Take(handle);
    const int rows = static_cast<int>(older.starts.size()) - 1;
    CVarList kept;  // eleven values per row, in current column order
    for (int row = 0; row < rows; ++row) {
        for (int currentCol = 0; currentCol < kOlderColumnCount; ++currentCol) {
            // Current columns 2 and 3 come from older columns 3 and 2; the map is its own inverse.
            const int olderCol = kOlderToCurrent[currentCol];
            // A column the older record lacks reads as the empty value.
            if (kColumnTypes[currentCol] == VT_WIDESTR) {
                if (olderCol < cols) {
                    PushCellWide(kernel, handle, row, olderCol, kept);
                } else {
                    kept.PushWideString(u"");
                }
            } else {
                kept.PushInt(olderCol < cols ? handle.CellInt(row, olderCol) : 0);
            }
        }
        kept.PushInt(0);  // PeerageRank: unknown to the older layout
        kept.PushInt(0);  // PeerageExp
    }

    kernel->RemovePubRecord(handle.PubIndex(), kRecord);
    bool created = false;
    try {
        created = handle.CreateRecord(TopList::kMaxRows, kColumns);
    } catch (const std::bad_alloc&) {
        older.Restore(handle);
        kernel->WriteLog("PlayerTopSystem: out of memory re-creating PlayerToplistRec; kept the older layout");
        throw;
    }
    if (!created) {
        const bool restored = older.Restore(handle);
        const std::string text = std::string("PlayerTopSystem: cannot re-create ") + kRecord + " in the current layout; " +
                                 (restored ? "kept the older layout with its " : "lost the older layout and its ") +
                                 std::to_string(rows) + " rows";
        kernel->WriteLog(text.c_str());
        return false;
    }

    PubRecordLock lock(handle);
    // The old record is gone: every step is retried once when memory runs short,
    // and rows are written cell by cell, which needs no memory in the library.
    bool shortage = false;
    TopList::RetryOnShortage([&] { kernel->SetPubRecordSave(handle.PubIndex(), kRecord, true); }, shortage);
    TopList::RetryOnShortage([&] { SetColumnTypes(handle); }, shortage);
    for (int r = 0; r < rows; ++r) {
        TopList::RetryOnShortage(
            [&] {
                if (handle.Rows() <= r) kernel->InsertPubRecordRow(handle.PubIndex(), kRecord, r);
                TopList::WriteRowCells(handle, r, kept, static_cast<std::size_t>(r) * kColumns, kColumns);
            },
            shortage);
    }
    if (shortage) throw std::bad_alloc();
    return true;
}

// One row of the list as read for the hourly re-sort; the three texts live in a
// shared buffer so reading the list costs a couple of allocations, not one per cell.
struct SortRow {
    int level;
    int ints[7];  // columns 2, 3, 5, 7, 8, 9, 10
    std::uint32_t textAt[3];
    std::uint32_t textLength[3];  // columns 0 (name), 4, 6
};
constexpr int kSortRowIntColumns[7] = {2, 3, 5, 7, 8, 9, 10};
constexpr int kSortRowTextColumns[3] = {0, 4, 6};

}  // namespace

bool PlayerTopSystem::Init(IKernel* kernel) {
    g_criticalManager = static_cast<ICriticalManagerSystem*>(kernel->GetLogicModule("CriticalManagerSystem"));
    if (g_criticalManager == nullptr) {
        TopList::WriteMissingSiblingReport(kernel, "CriticalManagerSystem", ".\\PlayerTopSystem (18)");
        return false;
    }
    return true;
}

bool PlayerTopSystem::AfterInit(IKernel* kernel) {
    kernel->AddCustomCallback(kQueryMessage, &PlayerTopSystem::OnTopListQuery, kPriority);
    kernel->AddEventCallback("player", "OnLoad", &PlayerTopSystem::OnPlayerLoad, kPriority);
    kernel->AddCommandCallback("player", kLoadCommand, &PlayerTopSystem::OnPlayerLoad, kPriority);
    kernel->AddEventCallback("HomeScene", "OnLoad", &PlayerTopSystem::OnHomeSceneLoad, kPriority);
    kernel->AddEventCallback("BaseScene", "OnSystemInit", &PlayerTopSystem::OnBaseSceneSystemInit, kPriority);
    if (g_criticalManager != nullptr) {
        for (const char* name : kValueCallbackNames) {
            g_criticalManager->DeclarePropertyCallback(kernel, &PlayerTopSystem::OnValueChanged, name);
        }
        g_criticalManager->DeclarePropertyCallback(kernel, &PlayerTopSystem::OnPlayerGutOverChanged, kGutOverCallback);
    }
    kernel->DeclareHeartBeat(kHeartBeatName, &PlayerTopSystem::H_TopListUpdate);
    return true;
}

bool PlayerTopSystem::Shut() { return true; }

bool PlayerTopSystem::SetUpTopListRecord(IKernel* kernel) {
    PubRecordHandle handle(kernel, kPubSpace, kRecord);
    if (handle.Exists()) {
        MigrateTopListRecord(kernel, handle);
        // Re-creation may drop the save flag; the list must survive a restart.
        if (handle.SetMaxRows(TopList::kMaxRows)) kernel->SetPubRecordSave(handle.PubIndex(), kRecord, true);
        return true;
    }
    if (!handle.CreateRecord(TopList::kMaxRows, kColumns)) return false;
    kernel->SetPubRecordSave(handle.PubIndex(), kRecord, true);
    SetColumnTypes(handle);
    return true;
}

void PlayerTopSystem::FillTopListRow(IKernel* kernel, const ObjectId& player, IVarList& row) {
    TopList::PushPlayerValues(kernel, player, kRowFields, row);
}

void PlayerTopSystem::EnterTopList(IKernel* kernel, const ObjectId& player) {
    if (!kernel->Exists(player)) return;
    PubRecordHandle handle(kernel, kPubSpace, kRecord);
    if (!handle.Exists()) return;
    // The row is read in full before the list is touched: if reading fails for
    // want of memory, the list stays as it was (and the lock is not yet taken).
    CVarList row;
    FillTopListRow(kernel, player, row);
    PubRecordLock lock(handle);
    TopList::PlaceRankedRow(handle, row, kLevelColumn);
}

void PlayerTopSystem::TopListUpdate(IKernel* kernel, const ObjectId&) {
    PubRecordHandle handle(kernel, kPubSpace, kRecord);
    if (!handle.Exists() || handle.Rows() < 1) return;
    PubRecordLock lock(handle);

    const int rows = handle.Rows();
    std::vector<SortRow> entries;
    entries.reserve(static_cast<std::size_t>(std::max(rows, 0)));
    std::u16string texts;
    texts.reserve(static_cast<std::size_t>(std::max(rows, 0)) * 64);  // three texts and their ends per row
    for (int r = 0; r < rows; ++r) {
        SortRow entry{};
        entry.level = handle.CellInt(r, kLevelColumn);
        for (int i = 0; i < 7; ++i) entry.ints[i] = handle.CellInt(r, kSortRowIntColumns[i]);
        for (int i = 0; i < 3; ++i) {
            const char16_t* text =
                kernel->QueryPubRecordWideStr(handle.PubIndex(), kRecord, r, kSortRowTextColumns[i]);
            const std::u16string_view view = text != nullptr ? std::u16string_view(text) : std::u16string_view();
            entry.textAt[i] = static_cast<std::uint32_t>(texts.size());
            entry.textLength[i] = static_cast<std::uint32_t>(view.size());
            texts.append(view);
            texts.push_back(u'\0');  // so each text can be handed on as it stands
        }
        entries.push_back(entry);
    }

    const auto text = [&texts](const SortRow& entry, int i) {
        return std::u16string_view(texts).substr(entry.textAt[i], entry.textLength[i]);
    };
    // Level, then name; names compare by unsigned 16-bit code units.
    TopList::SortUniqueGreatestFirst(entries, [&text](const SortRow& a, const SortRow& b) {
        if (a.level != b.level) return a.level < b.level;
        return text(a, 0) < text(b, 0);
    });

    const auto terminated = [&texts](const SortRow& entry, int i) { return texts.data() + entry.textAt[i]; };
    const int index = handle.PubIndex();
    kernel->ClearPubRecord(index, kRecord);
    const std::size_t count = std::min(entries.size(), static_cast<std::size_t>(TopList::kMaxRows));
    std::size_t written = 0;
    try {
        CVarList row;  // reused: its entry array is kept across Reset
        for (; written < count; ++written) {
            const SortRow& entry = entries[written];
            row.Reset();
            row.PushWideString(terminated(entry, 0));
            row.PushInt(entry.level);
            row.PushInt(entry.ints[0]);  // Nation
            row.PushInt(entry.ints[1]);  // ProfType
            row.PushWideString(terminated(entry, 1));
            row.PushInt(entry.ints[2]);  // GuildPoint
            row.PushWideString(terminated(entry, 2));
            for (int k = 3; k < 7; ++k) row.PushInt(entry.ints[k]);  // CastlePoint, Camp, PeerageRank, PeerageExp
            if (handle.AddRow(-1, row) >= TopList::kMaxRows) return;
        }
    } catch (const std::bad_alloc&) {
        // The list is already cleared: write the rest cell by cell, which needs no
        // memory here, so no row is lost; then let the shortage be known.
        for (; written < count; ++written) {
            const SortRow& entry = entries[written];
            const int r = handle.Rows();
            if (r < 0 || !kernel->InsertPubRecordRow(index, kRecord, r)) break;
            for (int i = 0; i < 3; ++i) {
                kernel->SetPubRecordWideStr(index, kRecord, r, kSortRowTextColumns[i], terminated(entry, i));
            }
            kernel->SetPubRecordInt(index, kRecord, r, kLevelColumn, entry.level);
            for (int i = 0; i < 7; ++i) kernel->SetPubRecordInt(index, kRecord, r, kSortRowIntColumns[i], entry.ints[i]);
        }
        throw;
    }
}

int PlayerTopSystem::OnBaseSceneSystemInit(IKernel* kernel, const ObjectId&, const ObjectId&, const IVarList&) {
    SetUpTopListRecord(kernel);
    return 1;
}

int PlayerTopSystem::OnHomeSceneLoad(IKernel* kernel, const ObjectId& scene, const ObjectId&, const IVarList&) {
    if (g_homeSceneLoads >= 1) {
        if (g_homeSceneLoads < INT32_MAX) ++g_homeSceneLoads;
        return 1;
    }
    if (!kernel->FindHeartBeat(scene, kHeartBeatName)) kernel->AddHeartBeat(scene, kHeartBeatName, kHeartBeatMs);
    TopListUpdate(kernel, scene);
    ++g_homeSceneLoads;
    return 1;
}

int PlayerTopSystem::H_TopListUpdate(IKernel* kernel, const ObjectId& self) {
    TopListUpdate(kernel, self);
    return 1;
}

int PlayerTopSystem::OnTopListQuery(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    PubRecordHandle handle(kernel, kPubSpace, kRecord);
    if (!handle.Exists()) return 1;
    CVarList reply;
    reply.PushInt(kReplyMessage);
    const char16_t* name = kernel->QueryWideStr(player, "Name");
    {
        // Read under the lock: another server's rewrite halfway through would
        // otherwise give a reply that skips or repeats players.
        PubRecordLock lock(handle);
        TopList::PushOwnEntry(handle, kernel, player, name != nullptr ? name : u"", kUnlistedReplyFields, reply);
        TopList::PushRankedRows(handle, kReplyRows, reply);
    }
    kernel->SendCustomMessage(player, player, reply);
    return 1;
}

int PlayerTopSystem::OnPlayerLoad(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    if (TopList::IsAdmitted(kernel, player)) {
        AttachPropertyWatches(kernel, player);
        EnterTopList(kernel, player);
    } else if (g_criticalManager != nullptr) {
        g_criticalManager->AddPropertyWatch(kernel, player, "GutOver", kGutOverCallback);
    }
    return 1;
}

int PlayerTopSystem::OnPlayerGutOverChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (!TopList::IsAdmitted(kernel, player)) return 1;
    AttachPropertyWatches(kernel, player);
    EnterTopList(kernel, player);
    return 1;
}

int PlayerTopSystem::OnValueChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    // EnterTopList itself does nothing when the record is missing.
    if (TopList::IsActiveParticipant(kernel, player)) EnterTopList(kernel, player);
    return 1;
}
