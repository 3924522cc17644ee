#include "PlayerTopAlwaysWinSystem.h"

#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "../Utility/CVarList.h"
#include "../Utility/IniFile.h"
#include "../Utility/KernelClock.h"
#include "../Utility/NumberText.h"
#include "../Utility/TextPieces.h"
#include "../Utility/WideText.h"
#include "../module/ICriticalManagerSystem.h"
#include "../module/IEventTimeSystem.h"
#include "../module/IKernel.h"
#include "../module/ILetterSystem.h"
#include "../module/PubRecordHandle.h"
#include "TopListShared.h"

namespace {

constexpr const char16_t* kPubName = u"Pub_TopAlwaysWin";
constexpr const char* kListRec = "PlayerTopAlwaysWinRec";
constexpr const char* kPrizeRec = "PlayerPrizeTimeRec";
constexpr int kMaxRows = TopList::kMaxRows;
constexpr int kCols = 5;
constexpr int kColName = 0;
constexpr int kColLevel = 1;
constexpr int kColProfType = 2;
constexpr int kColCamp = 3;
constexpr int kColStreak = 4;

constexpr const char* kStreakProp = "CompeteAlwaysWin";
constexpr const char* kStreakCallbackName = "PlayerTopAlwaysWinSystem::OnCompeteAlwaysWinChanged";

constexpr int kCmdPlayerLoad = 1009;
constexpr int kCmdDailyEvent = 326;
constexpr int kCmdStreakReset = 1063;
constexpr int kMsgListRequest = 150516;
constexpr int kMsgListReply = 101162;
constexpr int kDailyEventKind = 13;
constexpr int kCallbackPriority = 3;
constexpr int kLetterKind = 5;

constexpr const char* kChallengeSceneConfig = "ChallengeWaitScene";
constexpr const char* kRuleFile = "Rule\\PlayerTopAlwaysWin.ini";
constexpr const char* kRuleSection = "PlayerAlwaysWinInitInfo";

struct PlayerAlwaysWinInitInfo {
    int MinAlwaysWinNum = 0;
    std::string RefreshTime;
    int PrizeItemid = 0;
    int Num = 0;
};

ICriticalManagerSystem* g_criticalManager = nullptr;
IEventTimeSystem* g_eventTime = nullptr;
ILetterSystem* g_letter = nullptr;
PlayerAlwaysWinInitInfo g_info;

void LoadRules(IKernel* kernel) {
    // Without a readable file every setting stays zero or empty; the defaults only
    // stand in for keys missing from a file that was read.
    g_info = PlayerAlwaysWinInitInfo{};
    const char* resource = kernel->GetResourcePath();
    std::string path = resource != nullptr ? resource : "";
    path += kRuleFile;
    CIniFile ini(path.c_str());
    if (!ini.LoadFromFile()) return;
    g_info.MinAlwaysWinNum = ini.ReadInteger(kRuleSection, "MinAlwaysWinNum", 30);
    g_info.RefreshTime = ini.ReadString(kRuleSection, "RefreshTime", "02:00:00");
    g_info.PrizeItemid = ini.ReadInteger(kRuleSection, "PrizeItemid", 13014999);
    g_info.Num = ini.ReadInteger(kRuleSection, "Num", 1);
}

bool CreatePublicData(IKernel* kernel) {
    if (!kernel->FindPubData(kPubName) && !kernel->AddPubData(kPubName, 1)) return false;
    const int index = kernel->GetPubDataIndex(kPubName);
    if (index < 0) return false;
    if (!kernel->FindPubRecord(index, kListRec)) {
        kernel->AddPubRecord(index, kListRec, kMaxRows, kCols);
        kernel->SetPubRecordColType(index, kListRec, kColName, VT_WIDESTR);
        for (int col = kColLevel; col <= kColStreak; ++col) kernel->SetPubRecordColType(index, kListRec, col, VT_INT);
    }
    if (!kernel->FindPubRecord(index, kPrizeRec)) {
        kernel->AddPubRecord(index, kPrizeRec, 1, 1);
        kernel->SetPubRecordColType(index, kPrizeRec, 0, VT_INT);
    }
    return true;
}

// The scene that receives the daily event: the first existing one below the count.
int ChooseEventScene(IKernel* kernel) {
    const int count = kernel->GetSceneCount();
    if (count <= 1) return 1;
    for (int id = 1; id < count; ++id) {
        if (kernel->IsSceneExist(id)) return id;
    }
    return count;
}

// The player's row as it is stored: Name, Level, ProfType, Camp, streak.
constexpr TopList::PlayerField kRowFields[] = {
    {"Name", VT_WIDESTR}, {"Level", VT_INT}, {"ProfType", VT_INT}, {"Camp", VT_INT}, {kStreakProp, VT_INT},
};

void WritePlayerRow(IKernel* kernel, const ObjectId& player, IVarList& row) {
    TopList::PushPlayerValues(kernel, player, kRowFields, row);
}

// Under the caller's lock. The row is read completely before the list is touched
// and goes in with its values in one step, so running out of memory never leaves
// an empty row or a hole in the shared list. A listed player is rewritten with his
// current values even when the recorded streak was higher; an unlisted one enters
// a full list only above the last row's streak.
void InsertPlayerSorted(PubRecordHandle& list, const IVarList& row) {
    TopList::PlaceRankedRow(list, row, kColStreak, kMaxRows);
}

void UpdatePlayer(IKernel* kernel, const ObjectId& player) {
    if (!kernel->Exists(player)) return;
    PubRecordHandle list(kernel, kPubName, kListRec);
    if (!list.Exists()) return;
    CVarList row;
    WritePlayerRow(kernel, player, row);
    PubRecordLock lock(list);
    InsertPlayerSorted(list, row);
}

struct AlwaysWinSortKey {
    int streak = 0;
    int level = 0;
    std::u16string name;
};

struct AlwaysWinEntry {
    AlwaysWinSortKey key;
    int profType = 0;
    int camp = 0;
};

// Ascending by the map order of the re-sort: streak, then Level, then Name reversed
// (names compared by 16-bit units, a prefix first), so greatest first is the rank order.
bool SortsBelow(const AlwaysWinEntry& a, const AlwaysWinEntry& b) {
    if (a.key.streak != b.key.streak) return a.key.streak < b.key.streak;
    if (a.key.level != b.key.level) return a.key.level < b.key.level;
    return b.key.name < a.key.name;
}

// The full re-sort; the caller holds the list's lock. Of rows with equal keys the
// one nearer the top survives. Every row is prepared before the record is cleared,
// and a shortage while writing them back costs no row (RefillRows).
void ResortLocked(PubRecordHandle& list) {
    const int rows = list.Rows();
    if (rows < 1) return;
    std::vector<AlwaysWinEntry> entries;
    entries.reserve(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        entries.push_back(AlwaysWinEntry{{list.CellInt(i, kColStreak), list.CellInt(i, kColLevel),
                                          list.CellWideString(i, kColName)},
                                         list.CellInt(i, kColProfType), list.CellInt(i, kColCamp)});
    }
    TopList::SortUniqueGreatestFirst(entries, SortsBelow);
    if (entries.size() > static_cast<std::size_t>(kMaxRows)) entries.resize(kMaxRows);

    std::vector<CVarList> prepared(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const AlwaysWinEntry& e = entries[i];
        prepared[i].PushWideString(e.key.name.c_str());
        prepared[i].PushInt(e.key.level);
        prepared[i].PushInt(e.profType);
        prepared[i].PushInt(e.camp);
        prepared[i].PushInt(e.key.streak);
    }

    list.Kernel()->ClearPubRecord(list.PubIndex(), kListRec);
    TopList::RefillRows(list, prepared.size(), [&prepared](std::size_t i) -> const CVarList& { return prepared[i]; });
}

void ResortTopList(IKernel* kernel) {
    PubRecordHandle list(kernel, kPubName, kListRec);
    if (!list.Exists() || list.Rows() < 1) return;
    PubRecordLock lock(list);
    ResortLocked(list);
}

void SendTopList(IKernel* kernel, const ObjectId& player) {
    PubRecordHandle list(kernel, kPubName, kListRec);
    if (!list.Exists()) return;
    CVarList msg;
    msg.PushInt(kMsgListReply);
    const char16_t* name = kernel->QueryWideStr(player, "Name");
    {
        // Read under the lock: another server's rewrite halfway through would
        // otherwise give a reply that skips or repeats players.
        PubRecordLock lock(list);
        TopList::PushOwnEntry(list, kernel, player, name != nullptr ? name : u"", kRowFields, msg);
        TopList::PushRankedRows(list, kMaxRows, msg);
    }
    kernel->SendCustomMessage(player, player, msg);
}

bool SameLocalDate(std::time_t a, std::time_t b) {
    std::tm ta{};
    std::tm tb{};
#if defined(_WIN32)
    if (localtime_s(&ta, &a) != 0 || localtime_s(&tb, &b) != 0) return false;
#else
    if (localtime_r(&a, &ta) == nullptr || localtime_r(&b, &tb) == nullptr) return false;
#endif
    return ta.tm_year == tb.tm_year && ta.tm_mon == tb.tm_mon && ta.tm_mday == tb.tm_mday;
}

// The daily steps run under the list's lock from the date check to the clear, so
// that servers receiving the event together pay exactly one letter per day and no
// streak update slips in between the re-sort and the clear. Returns true when the
// prize was given.
bool GiveDailyPrize(IKernel* kernel) {
    PubRecordHandle prizeTime(kernel, kPubName, kPrizeRec);
    PubRecordHandle list(kernel, kPubName, kListRec);
    if (!list.Exists()) return false;

    PubRecordLock lock(list);
    const std::int64_t now = CurrentTime(kernel, false);
    if (prizeTime.Rows() >= 1) {
        const std::time_t last = static_cast<std::time_t>(prizeTime.CellInt(0, 0));
        if (SameLocalDate(last, static_cast<std::time_t>(now))) return false;
    }

    ResortLocked(list);
    if (list.Rows() < 1) return false;

    // Everything the letter needs is built before it goes out, so that once it is
    // sent nothing can fail before the prize time is recorded.
    const std::u16string winner = list.CellWideString(0, kColName);
    const std::u16string title = StringToWide("SystemMail_Title_000012", 0);
    const std::u16string content = StringToWide("SystemMail_Content_000012", 0);
    const std::u16string attachment =
        JoinFields(IntToWide(g_info.PrizeItemid), IntToWide(g_info.Num), u"", u"", u"");
    CVarList stamp;
    stamp.PushInt(static_cast<int>(now));

    if (g_letter != nullptr) {
        g_letter->SendLetter(kernel, u"System", winner.c_str(), title.c_str(), content.c_str(),
                             attachment.c_str(), kLetterKind, u"");
    }
    // The letter is out: the date must now be recorded and the list emptied even
    // through a passing shortage, or the next daily event would pay again.
    bool shortage = false;
    TopList::RetryOnShortage(
        [&] {
            if (prizeTime.Rows() < 1) {
                prizeTime.AddRow(-1, stamp);
            } else {
                prizeTime.SetCell(0, 0, static_cast<int>(now));
            }
        },
        shortage);
    TopList::RetryOnShortage([&] { kernel->ClearPubRecord(list.PubIndex(), kListRec); }, shortage);
    return true;
}

// --- host callbacks ---------------------------------------------------------------

int OnCompeteAlwaysWinChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList& previous) {
    const int current = kernel->QueryInt(player, kStreakProp);
    if (current < previous.IntAt(0) || current < g_info.MinAlwaysWinNum) return 1;
    UpdatePlayer(kernel, player);
    return 1;
}

int OnPlayerLoad(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    if (g_criticalManager != nullptr) {
        g_criticalManager->AddPropertyWatch(kernel, player, kStreakProp, kStreakCallbackName);
    }
    return 1;
}

int OnSceneSystemInit(IKernel* kernel, const ObjectId&, const ObjectId&, const IVarList&) {
    CreatePublicData(kernel);
    const int sceneId = ChooseEventScene(kernel);
    if (g_eventTime != nullptr) {
        const CVarList noArgs;
        g_eventTime->AddTimeEvent(kDailyEventKind, g_info.RefreshTime.c_str(), sceneId, noArgs);
    }
    return 1;
}

int OnDailyEvent(IKernel* kernel, const ObjectId&, const ObjectId&, const IVarList& args) {
    if (args.IntAt(1) != kDailyEventKind) return 1;
    // Built first: once the prize is given, the streaks must be reset too.
    CVarList reset;
    reset.PushInt(kCmdStreakReset);
    if (GiveDailyPrize(kernel)) {
        // A second reset of a streak already at 0 changes nothing, so a retry is safe.
        bool shortage = false;
        TopList::RetryOnShortage([&] { kernel->CommandToAllScenes(reset); }, shortage);
    }
    return 1;
}

int OnListRequest(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    ResortTopList(kernel);
    SendTopList(kernel, player);
    return 1;
}

int OnSceneStreakReset(IKernel* kernel, const ObjectId& scene, const ObjectId&, const IVarList&) {
    const char* config = kernel->GetConfigName(scene);
    if (config == nullptr || std::strcmp(config, kChallengeSceneConfig) != 0) return 1;
    const int sceneId = kernel->GetSceneIdOf(kernel->GetSceneOf(scene));
    CVarList command;
    command.PushInt(kCmdStreakReset);
    kernel->CommandToScene(sceneId, command);
    return 1;
}

int OnPlayerStreakReset(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    kernel->SetInt(player, kStreakProp, 0);
    return 1;
}

}  // namespace

bool PlayerTopAlwaysWinSystem::Init(IKernel* kernel) {
    g_criticalManager = static_cast<ICriticalManagerSystem*>(kernel->GetLogicModule("CriticalManagerSystem"));
    if (g_criticalManager == nullptr) {
        TopList::WriteMissingSiblingReport(kernel, "CriticalManagerSystem", ".\\PlayerTopAlwaysWinSystem (28)");
        return false;
    }
    g_eventTime = static_cast<IEventTimeSystem*>(kernel->GetLogicModule("EventTimeSystem"));
    if (g_eventTime == nullptr) {
        TopList::WriteMissingSiblingReport(kernel, "EventTimeSystem", ".\\PlayerTopAlwaysWinSystem (29)");
        return false;
    }
    g_letter = static_cast<ILetterSystem*>(kernel->GetLogicModule("LetterSystem"));
    if (g_letter == nullptr) {
        TopList::WriteMissingSiblingReport(kernel, "LetterSystem", ".\\PlayerTopAlwaysWinSystem (30)");
        return false;
    }
    LoadRules(kernel);
    return true;
}

bool PlayerTopAlwaysWinSystem::AfterInit(IKernel* kernel) {
    if (g_criticalManager == nullptr) return false;
    g_criticalManager->DeclarePropertyCallback(kernel, OnCompeteAlwaysWinChanged, kStreakCallbackName);
    kernel->AddEventCallback("player", "OnLoad", OnPlayerLoad, kCallbackPriority);
    kernel->AddCommandCallback("player", kCmdPlayerLoad, OnPlayerLoad, kCallbackPriority);
    kernel->AddEventCallback("BaseScene", "OnSystemInit", OnSceneSystemInit, kCallbackPriority);
    kernel->AddCommandCallback("BaseScene", kCmdDailyEvent, OnDailyEvent, kCallbackPriority);
    kernel->AddCustomCallback(kMsgListRequest, OnListRequest, kCallbackPriority);
    kernel->AddCommandCallback("BaseScene", kCmdStreakReset, OnSceneStreakReset, kCallbackPriority);
    kernel->AddCommandCallback("player", kCmdStreakReset, OnPlayerStreakReset, kCallbackPriority);
    return true;
}

bool PlayerTopAlwaysWinSystem::Shut() { return true; }
