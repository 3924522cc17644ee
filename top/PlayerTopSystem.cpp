#include "PlayerTopSystem.h"

#include <cstdint>
#include <new>
#include <string>

#include "../Utility/RetryOnShortage.h"
#include "../module/ValueType.h"
#include "../module/ICriticalManagerSystem.h"
#include "../module/IKernel.h"
#include "../record/PubRecordHandle.h"
#include "../record/RecordImage.h"
#include "LockedList.h"
#include "PlayerFields.h"
#include "PlayerTopList.h"
#include "RankedPlacement.h"
#include "RankedReply.h"
#include "RankedResort.h"
#include "Registrations.h"
#include "SiblingLookup.h"

namespace {

using namespace TopList;
using namespace TopList::PlayerTop;

ICriticalManagerSystem* g_criticalManager = nullptr;
std::int32_t g_homeSceneLoads = 0;

constexpr const char* kGutOverCallback = "PlayerTopSystem::OnPlayerGutOverChanged";
// Column types are set in this order (nation and profession swapped, as the older layout had them).
constexpr int kColumnTypeOrder[kColumns] = {0, 1, 3, 2, 4, 5, 6, 7, 8, 9, 10};

// "Nation" is watched too: without it column 2 would go stale until some other
// watched value changed.
constexpr PropertyWatch kWatches[] = {
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
constexpr PropertyWatch kGutOverWatch[] = {{"GutOver", kGutOverCallback}};

// --- the record -------------------------------------------------------------------

// A record with fewer columns than this was written by an earlier version.
constexpr int kCurrentLayoutMinColumns = 9;
// Older layout: where each older column goes in the current one; the map is its own inverse.
constexpr int kOlderColumnCount = 9;
constexpr int kOlderToCurrent[kOlderColumnCount] = {0, 1, 3, 2, 4, 5, 6, 7, 8};

void SetColumnTypes(PubRecordHandle& handle) {
    for (int col : kColumnTypeOrder) handle.SetColumnType(col, kColumnTypes[col]);
}

// REQUIRES: the list's lock is held. Rewrites a list stored in the older layout
// into the current one, rows in order.
bool MigrateTopListRecord(PubRecordHandle& handle) {
    if (handle.Cols() >= kCurrentLayoutMinColumns) return false;

    // Read everything first: running out of memory here leaves the old list as it was.
    const int olderMax = handle.MaxRows();
    RecordImage older;
    older.Take(handle);
    RecordImage current;
    current.SetLayout(kColumnTypes);
    for (int row = 0; row < older.Rows(); ++row) {
        const int r = current.AddRow();
        // A column the older record lacks reads as the empty value; the peerage
        // columns, unknown to it, stay 0.
        for (int col = 0; col < kOlderColumnCount; ++col) {
            if (kColumnTypes[col] == VT_WIDESTR) {
                current.SetWideString(r, col, older.WideString(row, kOlderToCurrent[col]));
            } else {
                current.SetInt(r, col, older.Int(row, kOlderToCurrent[col]));
            }
        }
    }

    IKernel* kernel = handle.Kernel();
    handle.RemoveRecord();
    bool created = false;
    try {
        created = handle.CreateRecord(kMaxRows, kColumns);
    } catch (const std::bad_alloc&) {
        older.Recreate(handle, olderMax, older.Rows());
        kernel->WriteLog("PlayerTopSystem: out of memory re-creating PlayerToplistRec; kept the older layout");
        throw;
    }
    if (!created) {
        const bool restored = older.Recreate(handle, olderMax, older.Rows());
        const std::string text = std::string("PlayerTopSystem: cannot re-create ") + kRecord +
                                 " in the current layout; " +
                                 (restored ? "kept the older layout with its " : "lost the older layout and its ") +
                                 std::to_string(older.Rows()) + " rows";
        kernel->WriteLog(text.c_str());
        return false;
    }

    // The old record is gone: every step is retried once when memory runs short.
    bool shortage = false;
    RetryOnShortage([&] { handle.SetSave(true); }, shortage);
    RetryOnShortage([&] { SetColumnTypes(handle); }, shortage);
    current.AppendRows(handle, current.Rows());
    if (shortage) throw std::bad_alloc();
    return true;
}

// Creates, migrates or resizes the record; false when it could not be created.
// All of it under the list's lock: another server may be writing the list, and
// a lock that this server's previous run left held is taken over (and the list
// repaired) after the stale bound, rather than freed under a live writer.
bool SetUpTopListRecord(IKernel* kernel) {
    PubRecordHandle handle(kernel, kPubSpace, kRecord);
    const LockedList locked(handle, kList);
    if (handle.Exists()) {
        MigrateTopListRecord(handle);
        // Re-creation may drop the save flag; the list must survive a restart.
        if (SetMaxRows(handle, kMaxRows)) handle.SetSave(true);
        return true;
    }
    if (!handle.CreateRecord(kMaxRows, kColumns)) return false;
    handle.SetSave(true);
    SetColumnTypes(handle);
    return true;
}

// --- callbacks --------------------------------------------------------------------

int OnBaseSceneSystemInit(IKernel* kernel, const ObjectId&, const ObjectId&, const IVarList&) {
    SetUpTopListRecord(kernel);
    return 1;
}

int OnHomeSceneLoad(IKernel* kernel, const ObjectId& scene, const ObjectId&, const IVarList&) {
    StartHourlyResort(kernel, scene, kList, g_homeSceneLoads);
    return 1;
}

int H_TopListUpdate(IKernel* kernel, const ObjectId&) {
    Resort(kernel, kList);
    return 1;
}

int OnTopListQuery(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    SendReply(kernel, player, kList);
    return 1;
}

int OnPlayerLoad(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    if (IsAdmitted(kernel, player)) {
        AttachWatches(g_criticalManager, kernel, player, kWatches);
        EnterPlayer(kernel, player, kList);
    } else {
        AttachWatches(g_criticalManager, kernel, player, kGutOverWatch);
    }
    return 1;
}

// The watches first, then the entry (as the charm list does): should the entry
// fail, the player's next watched change enters him.
int OnPlayerGutOverChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (!IsActiveParticipant(kernel, player)) return 1;
    AttachWatches(g_criticalManager, kernel, player, kWatches);
    EnterPlayer(kernel, player, kList);
    return 1;
}

// Every watched value re-enters the player with all his current values.
int OnValueChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (IsActiveParticipant(kernel, player)) EnterPlayer(kernel, player, kList);
    return 1;
}

constexpr HostCallback kHostCallbacks[] = {
    OnCustom(kList.queryMessage, Contained<OnTopListQuery>),
    OnEvent("player", "OnLoad", Contained<OnPlayerLoad>),
    OnCommand("player", 1009, Contained<OnPlayerLoad>),
    OnEvent("HomeScene", "OnLoad", Contained<OnHomeSceneLoad>),
    OnEvent("BaseScene", "OnSystemInit", Contained<OnBaseSceneSystemInit>),
};

constexpr NamedPropertyCallback kPropertyCallbacks[] = {
    {"PlayerTopSystem::OnLevelChanged", Contained<OnValueChanged>},
    {"PlayerTopSystem::OnNationChanged", Contained<OnValueChanged>},
    {"PlayerTopSystem::OnProfChanged", Contained<OnValueChanged>},
    {"PlayerTopSystem::OnGuildChanged", Contained<OnValueChanged>},
    {"PlayerTopSystem::OnGuildContributeChanged", Contained<OnValueChanged>},
    {"PlayerTopSystem::OnCastleChanged", Contained<OnValueChanged>},
    {"PlayerTopSystem::OnCastlePointChanged", Contained<OnValueChanged>},
    {"PlayerTopSystem::OnCampChanged", Contained<OnValueChanged>},
    {"PlayerTopSystem::OnPeerageRankChanged", Contained<OnValueChanged>},
    {"PlayerTopSystem::OnPeerageExpChanged", Contained<OnValueChanged>},
    {kGutOverCallback, Contained<OnPlayerGutOverChanged>},
};

}  // namespace

bool PlayerTopSystem::Init(IKernel* kernel) {
    g_criticalManager =
        static_cast<ICriticalManagerSystem*>(FindSibling(kernel, "CriticalManagerSystem", ".\\PlayerTopSystem (18)"));
    return g_criticalManager != nullptr;
}

bool PlayerTopSystem::AfterInit(IKernel* kernel) {
    // Only after a successful Init: without the sibling no watch could be attached.
    if (g_criticalManager == nullptr) return false;
    RegisterHostCallbacks(kernel, kHostCallbacks);
    DeclarePropertyCallbacks(g_criticalManager, kernel, kPropertyCallbacks);
    kernel->DeclareHeartBeat(kList.heartBeat, Contained<H_TopListUpdate>);
    return true;
}

bool PlayerTopSystem::Shut() { return true; }
