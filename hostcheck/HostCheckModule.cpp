#include "HostCheckModule.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "../Utility/CVarList.h"
#include "../Utility/IniFile.h"
#include "../Utility/KernelClock.h"
#include "../Utility/Platform.h"
#include "../module/ValueType.h"
#include "../Utility/WideText.h"
#include "../module/ICriticalManagerSystem.h"
#include "../module/IEventTimeSystem.h"
#include "../module/IKernel.h"
#include "../module/ILetterSystem.h"
#include "../module/IVirtualRecSystem.h"
#include "../Utility/ModuleCreator.h"
#include "../module/ModuleExports.h"
#include "CheckContext.h"
#include "PlayerChecks.h"
#include "PubDataChecks.h"
#include "SharedChecks.h"

namespace {

using namespace HostCheck;

constexpr int kPriority = 3;
constexpr int kPlayerReady = 1009;
constexpr int kDailyEvent = 326;
constexpr int kDailyEventKind = 13;
constexpr int kStreakReset = 1063;
constexpr int kNationRequest = 73003;
constexpr int kListRequests[] = {140911, 140912, 150516, kNationRequest};
constexpr const char* kHeartBeat = "VoGameLogicHostCheck::H_Check";
constexpr const char* kWatchCallback = "VoGameLogicHostCheck::OnWatched";
constexpr const char* kWatched = "CompeteAlwaysWin";
constexpr int kEventDelaySeconds = 30;       // the time event is registered this far ahead of the host's clock
constexpr long long kDeadlineSeconds = 300;  // of host time: then what has not come is reported missing

// What must reach the plug-in before the check is complete, and what the
// host engineer does when it does not.
struct Awaited {
    const char* rule;
    const char* missing;
    bool seen = false;
};

struct Run {
    Context context;
    IKernel* initKernel = nullptr;
    ICriticalManagerSystem* manager = nullptr;
    IVirtualRecSystem* virtualRec = nullptr;
    ILetterSystem* letter = nullptr;
    IEventTimeSystem* eventTime = nullptr;
    bool started = false;  // the public data checks ran
    ObjectId homeScene;
    ObjectId player;
    std::u16string playerName;
    int watchedBefore = 0;
    int watchCalls = 0;
    std::string watchFailure;
    bool insideLetter = false;
    bool reentered = false;
    std::string dailyTime;
    std::atomic<int> depth{0};
    std::atomic<std::thread::id> thread{};
    bool overlapped = false;
    Awaited awaited[10] = {
        {"event-system-init",
         "\"BaseScene\" \"OnSystemInit\" never reached the plug-in: raise it on each BaseScene "
         "object as the server starts"},
        {"event-home-load", "\"HomeScene\" \"OnLoad\" never reached the plug-in: raise it when a home scene loads"},
        {"heartbeat", "the heartbeat attached to the home scene (every 1000 ms of host time) never ran"},
        {"event-player-load", "\"player\" \"OnLoad\" never reached the plug-in: log a test player in"},
        {"command-1009", "command 1009 never reached the player: send it to a player who has finished loading"},
        {"property-watch", "the watch on the player's \"CompeteAlwaysWin\" never ran after the plug-in changed it"},
        {"command-to-scene", "CommandToScene(the player's scene, 1063) never reached the player's 1063 callback"},
        {"command-to-all-scenes", "CommandToAllScenes(1063) never reached a BaseScene's 1063 callback"},
        {"custom-message",
         "no list request came: send custom message 140911, 140912, 150516 or 73003 from the "
         "test player's client"},
        {"daily-event",
         "the time event (kind 13) registered with EventTimeSystem never arrived as command 326 on a "
         "BaseScene"},
    };
    bool repliedList = false;
    bool repliedNation = false;
};

Run g_run;
const char kAnchor = 0;  // an address inside this plug-in, to find its file

std::string Number(long long n) { return std::to_string(n); }

Awaited* Find(const char* rule) {
    for (Awaited& a : g_run.awaited)
        if (std::string(a.rule) == rule) return &a;
    return nullptr;
}

// Reports an awaited rule once.
void Seen(IKernel* kernel, const char* rule, bool passed, const std::string& passText, const std::string& failText) {
    Awaited* a = Find(rule);
    if (a == nullptr || a->seen) return;
    a->seen = true;
    if (passed) {
        g_run.context.results.Pass(kernel, rule, passText);
    } else {
        g_run.context.results.Fail(kernel, rule, failText);
    }
}

// The rules judged over the whole run, then the closing line. kernel is null
// at unload: the file only.
void Finish(IKernel* kernel) {
    Results& results = g_run.context.results;
    if (results.Finished()) return;
    for (Awaited& a : g_run.awaited) {
        if (!a.seen) results.Fail(kernel, a.rule, a.missing);
        a.seen = true;
    }
    const TextLifetime& text = g_run.context.text;
    if (text.Failed()) {
        results.Fail(kernel, "text-lifetime", text.Failure());
    } else {
        results.Pass(kernel, "text-lifetime",
                     "text stayed as handed out until the next kernel call, through the "
                     "plug-in's own allocations (" +
                         text.Operations() + ")");
    }
    if (g_run.insideLetter || g_run.reentered) {
        results.Fail(kernel, "letter-no-reentry",
                     "the host called into the plug-in while LetterSystem.SendLetter ran "
                     "(the library holds the win-streak list's lock there)");
    } else {
        results.Pass(kernel, "letter-no-reentry", "nothing called into the plug-in while LetterSystem.SendLetter ran");
    }
    if (g_run.overlapped) {
        results.Fail(kernel, "one-call-at-a-time",
                     "two threads were inside the plug-in's callbacks at once: one load "
                     "serves one server, on its logic thread");
    } else {
        results.Pass(kernel, "one-call-at-a-time", "the callbacks came one at a time, on one thread at a time");
    }
    for (const char* rule : {"player-properties", "find-player"}) {
        if (!results.Reported(rule)) results.Skip(kernel, rule, "not checked: no player loaded");
    }
    if (!g_run.repliedList) {
        results.Skip(kernel, "reply-message", "not checked: no list request (140911, 140912, 150516) came");
    }
    if (!g_run.repliedNation) {
        results.Skip(kernel, "virtual-record", "not checked: no nation report request (73003) came");
    }
    results.Finish(kernel);
}

void FinishWhenComplete(IKernel* kernel) {
    for (const Awaited& a : g_run.awaited)
        if (!a.seen) return;
    Finish(kernel);
}

// Around every callback: the host calls one at a time, from one thread at a
// time (a callback inside another's kernel call, on the same thread, is
// fine), and never while SendLetter runs.
class Callback {
public:
    Callback() {
        if (g_run.insideLetter) g_run.reentered = true;
        const std::thread::id me = std::this_thread::get_id();
        if (g_run.depth.fetch_add(1) == 0) {
            g_run.thread.store(me);
        } else if (g_run.thread.load() != me) {
            g_run.overlapped = true;
        }
    }
    ~Callback() { g_run.depth.fetch_sub(1); }
    Callback(const Callback&) = delete;
    Callback& operator=(const Callback&) = delete;
};

// "hh:mm:ss" of the host's clock, seconds ahead.
std::string TimeOfDayAhead(IKernel* kernel, int seconds) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    CurrentDateTimeParts(kernel, year, month, day, hour, minute, second);
    const int at = (hour * 3600 + minute * 60 + second + seconds) % 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", at / 3600, at / 60 % 60, at % 60);
    return text;
}

// --- start ------------------------------------------------------------------------

void CheckSiblings(IKernel* kernel) {
    Rule rule("siblings", "CriticalManagerSystem, VirtualRecSystem, LetterSystem and EventTimeSystem are offered");
    const auto find = [&](const char* name, const char* user) {
        IModule* sibling = kernel->GetLogicModule(name);
        rule.Expect(sibling != nullptr,
                    std::string("GetLogicModule(\"") + name + "\") is null: " + user + " does not start without it");
        return sibling;
    };
    g_run.manager = static_cast<ICriticalManagerSystem*>(find("CriticalManagerSystem", "every ranked list"));
    g_run.virtualRec = static_cast<IVirtualRecSystem*>(find("VirtualRecSystem", "the nation report"));
    g_run.letter = static_cast<ILetterSystem*>(find("LetterSystem", "the win-streak list"));
    g_run.eventTime = static_cast<IEventTimeSystem*>(find("EventTimeSystem", "the win-streak list"));
    rule.Report(g_run.context.results, kernel);
}

void CheckClock(IKernel* kernel) {
    Rule rule("clock", "GetCurrentDateTime, SplitDate and SplitTime give a real local date and time");
    double date = 0.0, time = 0.0;
    rule.Expect(kernel->GetCurrentDateTime(date, time), "GetCurrentDateTime returned false");
    int year = 0, month = 0, day = 0, hour = -1, minute = -1, second = -1;
    rule.Expect(kernel->SplitDate(date, year, month, day), "SplitDate returned false");
    rule.Expect(kernel->SplitTime(time, hour, minute, second), "SplitTime returned false");
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    rule.Expect(year >= 1971 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= kDays[month - 1],
                "SplitDate gave " + Number(year) + "-" + Number(month) + "-" + Number(day) + ", no date");
    rule.Expect(hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 60,
                "SplitTime gave " + Number(hour) + ":" + Number(minute) + ":" + Number(second) + ", no time of day");
    rule.Report(g_run.context.results, kernel);
}

void CheckResources(IKernel* kernel) {
    Rule rule("resource-path", "GetResourcePath names a folder, ending in a separator");
    const char* path = kernel->GetResourcePath();
    g_run.context.text.Check("GetResourcePath", path);
    const std::string folder = path != nullptr ? path : "";
    rule.Expect(!folder.empty(), "GetResourcePath is empty");
    rule.Expect(!folder.empty() && (folder.back() == '/' || folder.back() == '\\'),
                "GetResourcePath \"" + folder +
                    "\" does not end in a separator (the library appends "
                    "Rule\\PlayerTopAlwaysWin.ini directly)");
    rule.Report(g_run.context.results, kernel);

    const std::string file = folder + "Rule\\PlayerTopAlwaysWin.ini";
    CIniFile ini(file.c_str());
    if (ini.LoadFromFile()) {
        g_run.context.results.Pass(kernel, "rule-file", "the win-streak rules are readable at " + file);
    } else {
        g_run.context.results.Fail(kernel, "rule-file",
                                   "cannot read " + file + ": the win-streak list would run with every setting 0");
    }
}

// --- callbacks ----------------------------------------------------------------------

int OnSystemInit(IKernel* kernel, const ObjectId& scene, const ObjectId&, const IVarList&) {
    const Callback callback;
    if (g_run.started) return 1;
    g_run.started = true;
    Context& c = g_run.context;
    const int sceneId = CheckScene(kernel, c, scene);
    Seen(kernel, "event-system-init", sceneId > 0,
         "\"BaseScene\" \"OnSystemInit\" reached the plug-in (scene " + Number(sceneId) + ")",
         "\"BaseScene\" \"OnSystemInit\" came for an object that is no scene");
    const int index = RunPubDataChecks(kernel, c);
    if (index >= 0) {
        RunSharedChecks(kernel, c, index);
    } else {
        for (const char* rule : {"lock-exclusion", "lock-visibility", "one-time-zone"})
            c.results.Skip(kernel, rule, "not checked: the host gave no public data space");
    }
    if (g_run.eventTime != nullptr) {
        g_run.dailyTime = TimeOfDayAhead(kernel, kEventDelaySeconds);
        const CVarList none;
        g_run.eventTime->AddTimeEvent(kDailyEventKind, g_run.dailyTime.c_str(), sceneId, none);
    }
    CVarList reset;
    reset.PushInt(kStreakReset);
    kernel->CommandToAllScenes(reset);
    FinishWhenComplete(kernel);
    return 1;
}

int OnHomeSceneLoad(IKernel* kernel, const ObjectId& scene, const ObjectId&, const IVarList&) {
    const Callback callback;
    if (!g_run.homeScene.IsNull()) return 1;
    g_run.homeScene = scene;
    Rule rule("heartbeat-attach", "a declared heartbeat attaches to the home scene and is found there");
    rule.Expect(!kernel->FindHeartBeat(scene, kHeartBeat), "FindHeartBeat finds a heartbeat never attached");
    rule.Expect(kernel->AddHeartBeat(scene, kHeartBeat, 1000), "AddHeartBeat(home scene, 1000 ms) returned false");
    rule.Expect(kernel->FindHeartBeat(scene, kHeartBeat), "FindHeartBeat does not find the heartbeat just attached");
    rule.Report(g_run.context.results, kernel);
    const int sceneId = kernel->GetSceneIdOf(scene);
    Seen(kernel, "event-home-load", sceneId > 0,
         "\"HomeScene\" \"OnLoad\" reached the plug-in (scene " + Number(sceneId) + ")",
         "\"HomeScene\" \"OnLoad\" came for an object that is no scene");
    FinishWhenComplete(kernel);
    return 1;
}

void StartWatch(IKernel* kernel, const ObjectId& player) {
    if (g_run.manager == nullptr) {
        Seen(kernel, "property-watch", false, "", "no CriticalManagerSystem to add the watch with");
        return;
    }
    g_run.watchedBefore = kernel->QueryInt(player, kWatched);
    g_run.manager->AddPropertyWatch(kernel, player, kWatched, kWatchCallback);
    // Changed and put back: each change must reach the watch, with the value before it.
    if (!kernel->SetInt(player, kWatched, g_run.watchedBefore + 1) ||
        !kernel->SetInt(player, kWatched, g_run.watchedBefore)) {
        Seen(kernel, "property-watch", false, "",
             std::string("SetInt of the player's \"") + kWatched + "\" returned false");
    }
}

int OnWatched(IKernel* kernel, const ObjectId& self, const char* property, const IVarList& previous) {
    const Callback callback;
    const int call = g_run.watchCalls++;
    if (call > 1) return 1;
    const int expected = g_run.watchedBefore + call;
    const std::string name = property != nullptr ? property : "";
    std::string failure;
    if (self != g_run.player) {
        failure = "the watch ran for another object than the player it was added to";
    } else if (name != kWatched) {
        failure = "the watch ran with the property name \"" + name + "\", not \"" + kWatched + "\"";
    } else if (previous.Size() != 1 || previous.TypeAt(0) != VT_INT || previous.IntAt(0) != expected) {
        failure = "change " + Number(call + 1) + " reached the watch with a previous value of " +
                  Number(static_cast<long long>(previous.Size())) + " values, first " + Number(previous.IntAt(0)) +
                  ", not the one Int " + Number(expected);
    }
    if (!failure.empty() || call == 1) {
        Seen(kernel, "property-watch", failure.empty(),
             "each of two changes by SetInt reached the watch, with the object, the property and the value before it",
             failure);
    }
    FinishWhenComplete(kernel);
    return 1;
}

void SendLetter(IKernel* kernel) {
    if (g_run.letter == nullptr) return;
    g_run.insideLetter = true;
    g_run.letter->SendLetter(kernel, u"System", g_run.playerName.c_str(),
                             StringToWide("SystemMail_Title_000012").c_str(),
                             StringToWide("SystemMail_Content_000012").c_str(), u"", 5, u"");
    g_run.insideLetter = false;
}

int OnPlayerLoad(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList&) {
    const Callback callback;
    if (!g_run.player.IsNull()) return 1;
    g_run.player = player;
    g_run.playerName = CheckPlayer(kernel, g_run.context, player);
    const ObjectId scene = kernel->GetSceneOf(player);
    const int sceneId = kernel->GetSceneIdOf(scene);
    Seen(kernel, "event-player-load", sceneId > 0 && kernel->IsSceneExist(sceneId),
         "\"player\" \"OnLoad\" reached the plug-in; the player is in scene " + Number(sceneId),
         "\"player\" \"OnLoad\" came, but GetSceneOf the player is no scene that exists");
    StartWatch(kernel, player);
    CVarList reset;
    reset.PushInt(kStreakReset);
    kernel->CommandToScene(sceneId, reset);
    SendLetter(kernel);
    FinishWhenComplete(kernel);
    return 1;
}

int OnPlayerReady(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList& args) {
    const Callback callback;
    Seen(kernel, "command-1009", args.IntAt(0) == kPlayerReady && kernel->Exists(player),
         "command 1009 reached a player, with its id as element 0",
         "command 1009 came without its id as element 0, or for an object that does not exist");
    FinishWhenComplete(kernel);
    return 1;
}

int OnSceneStreakReset(IKernel* kernel, const ObjectId& scene, const ObjectId&, const IVarList& args) {
    const Callback callback;
    Seen(kernel, "command-to-all-scenes", args.IntAt(0) == kStreakReset && kernel->GetSceneIdOf(scene) > 0,
         "CommandToAllScenes(1063) reached a BaseScene's 1063 callback, with the id as element 0",
         "command 1063 reached a BaseScene callback without its id as element 0, or for an object that is no scene");
    FinishWhenComplete(kernel);
    return 1;
}

int OnPlayerStreakReset(IKernel* kernel, const ObjectId& player, const ObjectId&, const IVarList& args) {
    const Callback callback;
    if (player != g_run.player) return 1;
    Seen(kernel, "command-to-scene", args.IntAt(0) == kStreakReset,
         "CommandToScene(the player's scene, 1063) reached the player's 1063 callback, with the id as element 0",
         "command 1063 reached the player without its id as element 0");
    FinishWhenComplete(kernel);
    return 1;
}

int OnDailyEvent(IKernel* kernel, const ObjectId& scene, const ObjectId&, const IVarList& args) {
    const Callback callback;
    if (args.IntAt(1) != kDailyEventKind) return 1;
    Seen(kernel, "daily-event", args.IntAt(0) == kDailyEvent && kernel->GetSceneIdOf(scene) > 0,
         "the time event registered for " + g_run.dailyTime +
             " came as command 326 on a BaseScene, with 326 and the event kind 13 as elements 0 and 1",
         "command 326 with kind 13 came without 326 as element 0, or for an object that is no scene");
    FinishWhenComplete(kernel);
    return 1;
}

int OnClientMessage(IKernel* kernel, const ObjectId& player, const ObjectId& sender, const IVarList& args) {
    const Callback callback;
    const int id = args.IntAt(0);
    std::u16string name;
    if (const char16_t* text = kernel->QueryWideStr(player, "Name")) name = text;
    const bool fromPlayer = kernel->Exists(player) && kernel->FindPlayer(name.c_str()) == player;
    Seen(kernel, "custom-message", fromPlayer && (sender.IsNull() || sender == player),
         "custom message " + Number(id) + " reached the plug-in with its id as element 0, for the player who sent it",
         "custom message " + Number(id) +
             " came for an object FindPlayer does not find by its \"Name\", or from "
             "another sender" +
             (g_run.context.text.Failed() ? " (see text-lifetime)" : ""));
    if (id == kNationRequest && !g_run.repliedNation && g_run.virtualRec != nullptr) {
        g_run.repliedNation = true;
        CVarList values;
        BuildNationRecord(values);
        g_run.virtualRec->SendVirtualRecord(kernel, player, "Game.NationResource", values);
        g_run.context.results.Pass(kernel, "virtual-record",
                                   "VirtualRecSystem.SendVirtualRecord took the nation report (35 values)");
    } else if (id != kNationRequest && !g_run.repliedList) {
        g_run.repliedList = true;
        CVarList reply;
        BuildReply(kernel, id, player, reply);
        if (kernel->SendCustomMessage(player, player, reply)) {
            g_run.context.results.Pass(kernel, "reply-message", "SendCustomMessage took the reply to " + Number(id));
        } else {
            g_run.context.results.Fail(kernel, "reply-message",
                                       "SendCustomMessage(player, player, reply to " + Number(id) + ") returned false");
        }
    }
    FinishWhenComplete(kernel);
    return 1;
}

int H_Check(IKernel* kernel, const ObjectId& self) {
    const Callback callback;
    Seen(kernel, "heartbeat", self == g_run.homeScene, "the heartbeat ran for the home scene it was attached to",
         "the heartbeat ran for another object than the home scene it was attached to");
    if (CurrentTime(kernel, false) - g_run.context.startSeconds >= kDeadlineSeconds) Finish(kernel);
    FinishWhenComplete(kernel);
    return 1;
}

// The file next to the plug-in: its own name with ".txt" for the extension.
std::string ResultFile() {
    std::string path = Platform::LibraryPathOf(&kAnchor);
    if (path.empty()) return {};
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
    return path + ".txt";
}

}  // namespace

bool HostCheckModule::Init(IKernel* kernel) {
    g_run.initKernel = kernel;
    Context& c = g_run.context;
    const std::string guid = Platform::NewGuid32();
    c.token = guid.size() >= 8 ? guid.substr(0, 8) : Number(static_cast<long long>(Platform::ProcessId()));
    std::string servers;
    if (Platform::EnvironmentValue(kServersVariable, servers)) c.servers = std::max(1, std::atoi(servers.c_str()));
    c.startSeconds = CurrentTime(kernel, false);
    c.results.SetFile(ResultFile(), c.token);
    const std::string start = "host check " + c.token + " started at " + CurrentDateTimeText(kernel, false) +
                              " (host clock); " + Number(c.servers) + " server(s); lines also in " +
                              (c.results.FilePath().empty() ? std::string("no file") : c.results.FilePath());
    kernel->WriteTrace((kLinePrefix + start).c_str());
    c.results.Note(kernel, start);
    CheckSiblings(kernel);
    CheckClock(kernel);
    CheckResources(kernel);
    return true;
}

bool HostCheckModule::AfterInit(IKernel* kernel) {
    Results& results = g_run.context.results;
    if (kernel == g_run.initKernel) {
        results.Pass(kernel, "same-kernel", "AfterInit came with the kernel Init had");
    } else {
        results.Fail(kernel, "same-kernel", "AfterInit came with another kernel than Init");
    }
    Rule rule("registrations", "every event, command, custom message, heartbeat and property callback was taken");
    const auto take = [&](bool ok, const std::string& what) { rule.Expect(ok, what + " returned false"); };
    take(kernel->AddEventCallback("BaseScene", "OnSystemInit", OnSystemInit, kPriority),
         "AddEventCallback(BaseScene, OnSystemInit)");
    take(kernel->AddEventCallback("HomeScene", "OnLoad", OnHomeSceneLoad, kPriority),
         "AddEventCallback(HomeScene, OnLoad)");
    take(kernel->AddEventCallback("player", "OnLoad", OnPlayerLoad, kPriority), "AddEventCallback(player, OnLoad)");
    take(kernel->AddCommandCallback("player", kPlayerReady, OnPlayerReady, kPriority),
         "AddCommandCallback(player, 1009)");
    take(kernel->AddCommandCallback("BaseScene", kDailyEvent, OnDailyEvent, kPriority),
         "AddCommandCallback(BaseScene, 326)");
    take(kernel->AddCommandCallback("BaseScene", kStreakReset, OnSceneStreakReset, kPriority),
         "AddCommandCallback(BaseScene, 1063)");
    take(kernel->AddCommandCallback("player", kStreakReset, OnPlayerStreakReset, kPriority),
         "AddCommandCallback(player, 1063)");
    for (const int message : kListRequests)
        take(kernel->AddCustomCallback(message, OnClientMessage, kPriority),
             "AddCustomCallback(" + Number(message) + ")");
    take(kernel->DeclareHeartBeat(kHeartBeat, H_Check), "DeclareHeartBeat");
    if (g_run.manager != nullptr) {
        take(g_run.manager->DeclarePropertyCallback(kernel, OnWatched, kWatchCallback),
             "CriticalManagerSystem.DeclarePropertyCallback");
    }
    rule.Report(results, kernel);
    return true;
}

bool HostCheckModule::Shut() {
    Finish(nullptr);
    return true;
}

// The creator list and the two exports, the same as the library's. The creator
// is defined after the run's state, in this file, so that at unload it (and
// with it Shut) goes first, while that state still stands.
namespace {

constinit IModuleCreator* g_creatorHead = nullptr;

VOGAME_DEFINE_MODULE_CREATOR(HostCheckModule);

HostCheckModuleModuleCreator g_hostCheckCreator(g_creatorHead);

}  // namespace

extern "C" {

VOGAME_EXPORT unsigned int VoGameLogic_GetVersion() { return kVoGameLogicVersion; }

VOGAME_EXPORT IModuleCreator* VoGameLogic_GetModuleCreator() { return g_creatorHead; }

}  // extern "C"
