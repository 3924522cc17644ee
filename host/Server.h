#pragma once
// One game server of a world: its own kernel, objects, callbacks, siblings and
// its own load of the plug-in (a private copy of the library file, loaded
// RTLD_LOCAL, so module-level variables are per server). All servers of a world
// share the world's PubDataStore.
//
// A Server is driven by one thread at a time: the caller's, or its own logic
// thread (StartThread/Post/WaitIdle).
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CriticalManagerSystem.h"
#include "EventTimeSystem.h"
#include "HostKernel.h"
#include "LetterSystem.h"
#include "PluginLibrary.h"
#include "PubDataStore.h"
#include "VirtualRecSystem.h"

struct ServerOptions {
    std::string libraryPath;   // empty: the library this host was built with (VOGAME_LIBRARY_PATH)
    std::string resourcePath;  // GetResourcePath; empty: the system's temporary folder
    bool withCriticalManager = true;
    bool withVirtualRec = true;
    bool withLetter = true;
    bool withEventTime = true;
    bool echoLogs = false;         // WriteLog/WriteTrace also to stderr (stdout stays the report's)
    bool strictKernelText = true;  // text handed to the library is overwritten after its next call
};

// What one module did at Start.
struct ModuleStartResult {
    std::string name;
    bool init = false;
    bool afterInitCalled = false;  // only when Init returned true
    bool afterInit = false;
    bool Started() const { return init && afterInit; }
};

class Server {
public:
    Server(PubDataStore& store, int number, ServerOptions options = {});
    ~Server();  // stops the thread and the library
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Loads a private copy of the library, checks the version, walks the creators
    // and runs Init, then AfterInit where Init returned true. False when the
    // library cannot be loaded or its version differs (Error() says why); a module
    // that fails does not make Start false: see Modules().
    bool Start();
    // Unloads the library (each made module: Shut once, then delete) and forgets
    // everything that pointed into it: callbacks, heartbeats, watches, timed events.
    // Objects, inboxes, letters and the public data stay. Start may follow (a
    // restart); Start also brings a halted server back.
    void Stop();
    bool Running() const noexcept;
    const std::vector<ModuleStartResult>& Modules() const noexcept;
    const ModuleStartResult* Module(std::string_view name) const;
    bool AllModulesStarted() const;
    const std::string& Error() const noexcept;
    const std::string& LoadedCopyPath() const noexcept;  // the private copy (see PluginLibrary::LoadPrivateCopy)
    const PluginLibrary& Library() const noexcept { return library_; }

    int Number() const noexcept;
    HostKernel& Kernel() noexcept;
    PubDataStore& Store() noexcept;
    CriticalManagerSystem* Critical() noexcept;  // null when left out
    VirtualRecSystem* VirtualRec() noexcept;
    LetterSystem* Letters() noexcept;
    EventTimeSystem* EventTime() noexcept;

    // --- conveniences over the kernel ---
    ObjectId CreateScene(int sceneId, std::string_view className = "BaseScene", std::string_view configName = {});
    // A player with "Name" and the given int properties (added when missing), in the scene.
    ObjectId CreatePlayer(std::u16string_view name, int sceneId,
                          const std::vector<std::pair<std::string, HostValue>>& properties = {});
    // "BaseScene" "OnSystemInit" on every scene object (in id order), then "OnLoad"
    // on the first "HomeScene" object. Returns the callbacks run.
    int SendStartEvents();
    // Logs a player in: "player" "OnLoad" on it.
    int LoginPlayer(const ObjectId& player);
    bool SetProperty(const ObjectId& obj, std::string_view name, const HostValue& value);  // fires watches
    int RunCommand(const ObjectId& obj, const IVarList& msg);
    int SendClientMessage(const ObjectId& player, const IVarList& msg);  // id at msg[0]
    const std::vector<CVarList>& Inbox(const ObjectId& player) const;
    // This kernel's diagnostics followed by the store's, one per line; empty when clean.
    std::string DiagnosticsText() const;

    // --- halting, as a crash would stop it (see PubDataGate) ---
    // The server halts at the public-data call the trigger names: that call and
    // every later one touch nothing, locks it holds stay held, the callback in
    // progress runs to its end on neutral results, and no further event, timer or
    // posted task runs until a restart (Stop, then Start, from the driving thread
    // once WaitIdle returned).
    void HaltAt(HaltTrigger trigger) { kernel_.ArmHalt(std::move(trigger)); }
    bool Halted() const noexcept { return kernel_.Halted(); }
    // A pausing trigger (HaltTrigger::Pausing) stops the server's thread inside
    // that call, as a stopped process would stop, until Unpause: it then goes on.
    bool Paused() const noexcept { return kernel_.Paused(); }
    void Unpause() { kernel_.Unpause(); }
    std::uint64_t DroppedTasks() const noexcept { return dropped_; }  // posted tasks not run while halted

    // --- its own logic thread ---
    void StartThread();
    // Runs on the logic thread (or at once without one); dropped while halted.
    void Post(std::function<void(Server&)> task);
    void WaitIdle();    // until every posted task has run
    void StopThread();  // runs what is queued, then joins

private:
    void ThreadMain();
    void ForgetSiblingState();

    PubDataStore& store_;
    int number_;
    ServerOptions options_;
    HostKernel kernel_;
    std::unique_ptr<CriticalManagerSystem> critical_;
    std::unique_ptr<VirtualRecSystem> virtualRec_;
    std::unique_ptr<LetterSystem> letters_;
    std::unique_ptr<EventTimeSystem> eventTime_;
    PluginLibrary library_;
    std::string error_;
    std::vector<ModuleStartResult> modules_;

    std::mutex queueMutex_;
    std::condition_variable queueCv_;
    std::condition_variable idleCv_;
    std::deque<std::function<void(Server&)>> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::atomic<std::uint64_t> dropped_{0};
    std::thread thread_;
};
