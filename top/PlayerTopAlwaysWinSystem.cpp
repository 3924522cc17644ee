#include "PlayerTopAlwaysWinSystem.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "../Utility/CVarList.h"
#include "../Utility/CalendarTime.h"
#include "../Utility/IniFile.h"
#include "../Utility/KernelClock.h"
#include "../Utility/Low32Time.h"
#include "../Utility/NullText.h"
#include "../Utility/NumberText.h"
#include "../Utility/RetryOnShortage.h"
#include "../Utility/RuleFileChecks.h"
#include "../Utility/TextPieces.h"
#include "../module/ValueType.h"
#include "../Utility/WideText.h"
#include "../module/ICriticalManagerSystem.h"
#include "../module/IEventTimeSystem.h"
#include "../module/IKernel.h"
#include "../module/ILetterSystem.h"
#include "../record/PubRecordHandle.h"
#include "../record/RecordImage.h"
#include "LockedList.h"
#include "PlayerFields.h"
#include "PlayerTopAlwaysWinList.h"
#include "RankedPlacement.h"
#include "RankedReply.h"
#include "RankedResort.h"
#include "Registrations.h"
#include "ResortOrder.h"
#include "SiblingLookup.h"

namespace {

using namespace TopList;
using namespace TopList::WinStreakTop;

constexpr const char* kPrizeRecord = "PlayerPrizeTimeRec";
constexpr const char* kStreakCallback = "PlayerTopAlwaysWinSystem::OnCompeteAlwaysWinChanged";

constexpr int kDailyEventCommand = 326;
constexpr int kStreakResetCommand = 1063;
constexpr int kDailyEventKind = 13;
constexpr int kLetterKind = 5;

constexpr const char* kChallengeSceneConfig = "ChallengeWaitScene";
constexpr const char* kRuleFile = "Rule\\PlayerTopAlwaysWin.ini";
constexpr const char* kRuleSection = "PlayerAlwaysWinInitInfo";

// Settings that are not of their form are logged at start; they are read as before.
constexpr RuleSetting kRuleSettings[] = {{"MinAlwaysWinNum", SettingForm::Int},
                                         {"RefreshTime", SettingForm::TimeOfDay},
                                         {"PrizeItemid", SettingForm::Int},
                                         {"Num", SettingForm::Int}};

constexpr PropertyWatch kWatches[] = {{kStreakProperty, kStreakCallback}};

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
// When this load of the library last reset its server's challenge waiting scenes.
std::optional<std::int64_t> g_lastChallengeReset;

void LoadRules(IKernel* kernel) {
    // Without a readable file every setting stays zero or empty; the defaults only
    // stand in for keys missing from a file that was read.
    g_info = PlayerAlwaysWinInitInfo{};
    std::string path = OrEmpty(kernel->GetResourcePath());
    path += kRuleFile;
    CIniFile ini(path.c_str());
    if (!ini.LoadFromFile()) {
        ReportUnreadableRuleFile(kernel, ini);
        return;
    }
    CheckRuleSettings(kernel, ini, kRuleSection, kRuleSettings);
    g_info.MinAlwaysWinNum = ini.ReadInteger(kRuleSection, "MinAlwaysWinNum", 30);
    g_info.RefreshTime = ini.ReadString(kRuleSection, "RefreshTime", "02:00:00");
    g_info.PrizeItemid = ini.ReadInteger(kRuleSection, "PrizeItemid", 13014999);
    g_info.Num = ini.ReadInteger(kRuleSection, "Num", 1);
}

// Creates the list and the prize-time record when missing, under the list's
// lock, so that servers starting together make each once. Records that exist
// are left as they are.
bool CreatePublicData(IKernel* kernel) {
    PubRecordHandle list(kernel, kPubSpace, kRecord);
    if (list.PubIndex() < 0) return false;
    PubRecordHandle prizeTime(kernel, kPubSpace, kPrizeRecord);
    if (list.Exists() && prizeTime.Exists()) return true;
    const LockedList locked(list, kList);
    if (!list.Exists()) {
        list.AddRecord(kMaxRows, kColumns);
        list.SetColumnTypes(kList.columnTypes);
    }
    if (!prizeTime.Exists()) {
        prizeTime.AddRecord(1, 1);
        prizeTime.SetColumnType(0, VT_INT);
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

// Whether the recorded prize time falls on now's local date. The cell holds the
// low 32 bits of the prize time; the moment nearest to now with those bits is the
// prize time itself, past 2038 and 2106 too.
bool PrizeGivenOnDateOf(PubRecordHandle& prizeTime, std::int64_t now) {
    return prizeTime.Rows() >= 1 && SameLocalDate(NearestWithLow32(prizeTime.CellInt(0, 0), now), now);
}

// The daily steps run under the list's lock from the date check to the clear, so
// that servers receiving the event together pay exactly one letter per day and no
// streak update slips in between the re-sort and the clear. Returns true when the
// prize was given.
//
// Once a day even through a crash: the prize date is recorded before the letter
// goes out, so a server that stops anywhere in these steps can never cause a
// second letter for the same day (the next holder takes the lock over, repairs
// the list and finds the day rewarded). A stop between the record and the letter
// would lose that day's letter, so the winner and the attachment go to the log
// first: an operator can send it by hand. A day that cannot be recorded (the
// hold taken over while this server was paused, or the write refused) gets no
// letter from this server, and a second log line says so.
bool GiveDailyPrize(IKernel* kernel) {
    PubRecordHandle prizeTime(kernel, kPubSpace, kPrizeRecord);
    PubRecordHandle list(kernel, kPubSpace, kRecord);
    if (!list.Exists()) return false;

    const LockedList locked(list, kList);
    // The day is recorded under the list's hold: a hold taken over by a server
    // that may be paying the day itself records nothing and sends nothing.
    prizeTime.WriteUnderLockOf(list);
    const std::int64_t now = CurrentTime(kernel, false);
    const bool rewardedBefore = prizeTime.Rows() >= 1;
    const int lastStamp = rewardedBefore ? prizeTime.CellInt(0, 0) : 0;
    if (rewardedBefore && SameLocalDate(NearestWithLow32(lastStamp, now), now)) return false;

    // The winner is the first row of the re-sort's order. The list is emptied
    // once the prize is given, so it is ordered in memory only: a stop before the
    // prize date is recorded leaves the list as it was, for the next server to pay.
    RecordImage rows;
    rows.TakeAs(list, kList.columnTypes);
    if (rows.Rows() < 1) return false;
    const std::u16string winner(rows.WideString(ResortOrder(rows, kList).front(), kColName));
    // Everything the letter needs is built before anything is written, so that
    // once the date is recorded nothing can fail before the letter is sent.
    const std::u16string title = StringToWide("SystemMail_Title_000012", 0);
    const std::u16string content = StringToWide("SystemMail_Content_000012", 0);
    const std::u16string attachment = JoinFields(IntToWide(g_info.PrizeItemid), IntToWide(g_info.Num), u"", u"", u"");
    const std::string logLine = "PlayerTopAlwaysWinSystem: sending the daily prize letter of " +
                                CurrentDateTimeText(kernel, true) + " to " + WideToString(winner.c_str()) +
                                ", attachment " + WideToString(attachment.c_str()) +
                                " (the day is recorded as rewarded first: should this server stop before the "
                                "letter is out, send it by hand)";
    CVarList stamp;
    stamp.PushInt(Low32Time(now));

    kernel->WriteLog(logLine.c_str());
    bool shortage = false;
    bool recorded = false;
    RetryOnShortage(
        [&] {
            recorded =
                prizeTime.Rows() < 1 ? prizeTime.AddRow(-1, stamp) >= 0 : prizeTime.SetCell(0, 0, Low32Time(now));
        },
        shortage);
    if (!recorded) {
        // Sent unrecorded, the letter could go out again the same day.
        const std::string notSent =
            "PlayerTopAlwaysWinSystem: the daily prize letter to " + WideToString(winner.c_str()) +
            " was not sent after all: the day could not be recorded as rewarded (" +
            (list.HoldLost() ? "this server no longer held the list's lock: another server took it over, or the "
                               "store did not answer"
                             : "the store refused the write; the day stays unrewarded") +
            ")";
        kernel->WriteLog(notSent.c_str());
        return false;
    }
    if (g_letter != nullptr) {
        try {
            g_letter->SendLetter(kernel, u"System", winner.c_str(), title.c_str(), content.c_str(), attachment.c_str(),
                                 kLetterKind, u"");
        } catch (const std::bad_alloc&) {
            // The letter did not go out: the day stays unrewarded, as if these steps
            // had not begun, and the next daily event pays it.
            RetryOnShortage(
                [&] {
                    if (rewardedBefore) {
                        prizeTime.SetCell(0, 0, lastStamp);
                    } else if (prizeTime.Rows() >= 1) {
                        prizeTime.RemoveRow(0);
                    }
                },
                shortage);
            throw;
        }
    }
    RetryOnShortage([&] { list.Clear(); }, shortage);
    return true;
}

// Each server resets the streaks in its own challenge waiting scenes (the command
// reaches this server's scenes only) once per local day, as soon as that day's
// prize is recorded, whichever server paid it; so a server whose daily event finds
// the day already rewarded still resets its own. A day without a prize (an empty
// list) resets nothing. The day of the last reset is kept per load: a server
// restarted and fired again the same day would reset once more.
void ResetChallengersOncePerDay(IKernel* kernel, const CVarList& reset) {
    PubRecordHandle prizeTime(kernel, kPubSpace, kPrizeRecord);
    const std::int64_t now = CurrentTime(kernel, false);
    if (!PrizeGivenOnDateOf(prizeTime, now)) return;
    if (g_lastChallengeReset.has_value() && SameLocalDate(*g_lastChallengeReset, now)) return;
    // A second reset of a streak already at 0 changes nothing, so a retry is safe.
    bool shortage = false;
    RetryOnShortage([&] { kernel->CommandToAllScenes(reset); }, shortage);
    g_lastChallengeReset = now;
}

// --- host callbacks ---------------------------------------------------------------

int OnCompeteAlwaysWinChanged(IKernel* kernel, const ObjectId& player, const char*, const IVarList& previous) {
    const int current = kernel->QueryInt(player, kStreakProperty);
    if (current < previous.IntAt(0) || current < g_info.MinAlwaysWinNum) return 1;
    if (kernel->Exists(player)) EnterPlayer(kernel, player, kList);
    return 1;
}

int OnPlayerLoad(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    AttachWatches(g_criticalManager, kernel, player, kWatches);
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
    reset.PushInt(kStreakResetCommand);
    GiveDailyPrize(kernel);
    ResetChallengersOncePerDay(kernel, reset);
    return 1;
}

int OnListRequest(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    Resort(kernel, kList);
    SendReply(kernel, player, kList);
    return 1;
}

int OnSceneStreakReset(IKernel* kernel, const ObjectId& scene, const ObjectId&, const IVarList&) {
    const char* config = kernel->GetConfigName(scene);
    if (config == nullptr || std::strcmp(config, kChallengeSceneConfig) != 0) return 1;
    const int sceneId = kernel->GetSceneIdOf(kernel->GetSceneOf(scene));
    CVarList command;
    command.PushInt(kStreakResetCommand);
    kernel->CommandToScene(sceneId, command);
    return 1;
}

int OnPlayerStreakReset(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    kernel->SetInt(player, kStreakProperty, 0);
    return 1;
}

constexpr HostCallback kHostCallbacks[] = {
    OnEvent("player", "OnLoad", Contained<OnPlayerLoad>),
    OnCommand("player", 1009, Contained<OnPlayerLoad>),
    OnEvent("BaseScene", "OnSystemInit", Contained<OnSceneSystemInit>),
    OnCommand("BaseScene", kDailyEventCommand, Contained<OnDailyEvent>),
    OnCustom(kList.queryMessage, Contained<OnListRequest>),
    OnCommand("BaseScene", kStreakResetCommand, Contained<OnSceneStreakReset>),
    OnCommand("player", kStreakResetCommand, Contained<OnPlayerStreakReset>),
};

constexpr NamedPropertyCallback kPropertyCallbacks[] = {{kStreakCallback, Contained<OnCompeteAlwaysWinChanged>}};

}  // namespace

bool PlayerTopAlwaysWinSystem::Init(IKernel* kernel) {
    g_criticalManager = static_cast<ICriticalManagerSystem*>(
        FindSibling(kernel, "CriticalManagerSystem", ".\\PlayerTopAlwaysWinSystem (28)"));
    if (g_criticalManager == nullptr) return false;
    g_eventTime =
        static_cast<IEventTimeSystem*>(FindSibling(kernel, "EventTimeSystem", ".\\PlayerTopAlwaysWinSystem (29)"));
    if (g_eventTime == nullptr) return false;
    g_letter = static_cast<ILetterSystem*>(FindSibling(kernel, "LetterSystem", ".\\PlayerTopAlwaysWinSystem (30)"));
    if (g_letter == nullptr) return false;
    LoadRules(kernel);
    return true;
}

bool PlayerTopAlwaysWinSystem::AfterInit(IKernel* kernel) {
    if (g_criticalManager == nullptr) return false;
    DeclarePropertyCallbacks(g_criticalManager, kernel, kPropertyCallbacks);
    RegisterHostCallbacks(kernel, kHostCallbacks);
    return true;
}

bool PlayerTopAlwaysWinSystem::Shut() { return true; }
