#include "NewCharmTopSystem.h"

#include <cstdint>
#include <limits>
#include <new>

#include "../Utility/CVarList.h"
#include "../Utility/NullText.h"
#include "../Utility/RetryOnShortage.h"
#include "../module/ValueType.h"
#include "../module/ICriticalManagerSystem.h"
#include "../module/IKernel.h"
#include "../record/PubRecordHandle.h"
#include "../record/RecordImage.h"
#include "LockedList.h"
#include "PlayerFields.h"
#include "NewCharmTopList.h"
#include "RankedPlacement.h"
#include "RankedReply.h"
#include "RankedResort.h"
#include "Registrations.h"
#include "SiblingLookup.h"

namespace {

using namespace TopList;
using namespace TopList::CharmTop;

ICriticalManagerSystem* g_criticalManager = nullptr;
std::int32_t g_homeSceneLoads = 0;

constexpr PropertyWatch kWatches[] = {
    {"Level", "NewCharmTopSystem::OnLevelChanged"},         {"GuildName", "NewCharmTopSystem::OnGuildChanged"},
    {"CastleNameID", "NewCharmTopSystem::OnCastleChanged"}, {"Charm", "NewCharmTopSystem::OnCharmChanged"},
    {"GiftNum", "NewCharmTopSystem::OnGiftNumChanged"},
};
constexpr PropertyWatch kGutOverWatch[] = {{"GutOver", "NewCharmTopSystem::OnPlayerGutOverChanged"}};

// Writes one cell of the player's row when he is listed; his place does not change.
void SetPlayerCell(IKernel* kernel, const ObjectId& player, int column, const IVarList& value) {
    CVarList name;
    name.PushWideString(OrEmpty(kernel->QueryWideStr(player, "Name")));

    PubRecordHandle handle(kernel, kPubSpace, kRecord);
    // Another server may move rows at the same moment, or re-create the record
    // as it starts: look and write under the lock.
    const LockedList locked(handle, kList);
    if (!handle.Exists()) return;
    const int row = handle.FindRowByName(name.WideStringAt(0));
    if (row < 0) return;
    switch (value.TypeAt(0)) {
        case VT_WIDESTR: handle.SetCell(row, column, value.WideStringAt(0)); break;
        case VT_STRING: handle.SetCell(row, column, value.StringAt(0)); break;
        default: handle.SetCell(row, column, value.IntAt(0)); break;
    }
}

// Re-creates the record with its rows kept in order, so the layout is set right
// at every start. Under the list's lock: a server that starts while another
// writes the list neither loses nor doubles a row, and a lock this server's
// previous run left held is taken over (and the list repaired) after the stale
// bound.
void RebuildRecord(IKernel* kernel) {
    PubRecordHandle handle(kernel, kPubSpace, kRecord);
    const LockedList locked(handle, kList);
    RecordImage rows;
    rows.TakeAs(handle, kList.columnTypes);

    handle.RemoveRecord();
    // The rows now live only in the image: every step is tried twice when memory
    // runs short, so a passing shortage cannot lose the list.
    bool shortage = false;
    RetryOnShortage(
        [&] {
            if (!handle.Exists()) handle.CreateRecord(kMaxRows, kColumns);
        },
        shortage);
    RetryOnShortage([&] { handle.SetColumnTypes(kList.columnTypes); }, shortage);
    rows.AppendRows(handle, rows.Rows());
    if (shortage) throw std::bad_alloc();
}

// --- callbacks --------------------------------------------------------------------

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

int OnBaseSceneSystemInit(IKernel* kernel, const ObjectId&, const ObjectId&, const IVarList&) {
    RebuildRecord(kernel);
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

// The watches first, then the entry (as the player list does): should the entry
// fail, the player's next watched change enters him.
int OnPlayerGutOverChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (!IsActiveParticipant(kernel, player)) return 1;
    AttachWatches(g_criticalManager, kernel, player, kWatches);
    EnterPlayer(kernel, player, kList);
    return 1;
}

int OnCharmChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (IsActiveParticipant(kernel, player)) EnterPlayer(kernel, player, kList);
    return 1;
}

// The other watched values are written into the player's row where it stands.
template <int kColumn>
int OnCellValueChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList&) {
    if (!IsActiveParticipant(kernel, player)) return 1;
    CVarList value;
    PushPlayerValues(kernel, player, std::span(kRowFields).subspan(kColumn, 1), value);
    SetPlayerCell(kernel, player, kColumn, value);
    return 1;
}

constexpr HostCallback kHostCallbacks[] = {
    OnCustom(kList.queryMessage, Contained<OnTopListQuery>),
    OnEvent("player", "OnLoad", Contained<OnPlayerLoad>),
    OnEvent("BaseScene", "OnSystemInit", Contained<OnBaseSceneSystemInit>),
    OnEvent("HomeScene", "OnLoad", Contained<OnHomeSceneLoad>),
};

constexpr NamedPropertyCallback kPropertyCallbacks[] = {
    {"NewCharmTopSystem::OnLevelChanged", Contained<OnCellValueChanged<kColLevel>>},
    {"NewCharmTopSystem::OnGuildChanged", Contained<OnCellValueChanged<kColGuild>>},
    {"NewCharmTopSystem::OnCastleChanged", Contained<OnCellValueChanged<kColCastle>>},
    {"NewCharmTopSystem::OnGiftNumChanged", Contained<OnCellValueChanged<kColGift>>},
    {"NewCharmTopSystem::OnCharmChanged", Contained<OnCharmChanged>},
    {"NewCharmTopSystem::OnPlayerGutOverChanged", Contained<OnPlayerGutOverChanged>},
};

}  // namespace

bool NewCharmTopSystem::Init(IKernel* kernel) {
    g_criticalManager =
        static_cast<ICriticalManagerSystem*>(FindSibling(kernel, "CriticalManagerSystem", ".\\NewCharmTopSystem (30)"));
    return g_criticalManager != nullptr;
}

bool NewCharmTopSystem::AfterInit(IKernel* kernel) {
    // Only after a successful Init: without the sibling no watch could be attached.
    if (g_criticalManager == nullptr) return false;
    RegisterHostCallbacks(kernel, kHostCallbacks);
    DeclarePropertyCallbacks(g_criticalManager, kernel, kPropertyCallbacks);
    kernel->DeclareHeartBeat(kList.heartBeat, Contained<H_TopListUpdate>);
    return true;
}

bool NewCharmTopSystem::Shut() { return true; }
