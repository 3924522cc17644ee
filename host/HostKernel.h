#pragma once
// The reference host's kernel: one per server, used by one logic thread at a
// time. It implements IKernel by forwarding each operation to the part that
// owns its concern:
//   ClassRegistry     class tree, configurations, class definitions
//   HostObjects       objects, scenes, players, properties, named data, object records
//   CallbackDispatch  events, commands and custom messages from clients
//   TimerQueue        the clock, heartbeats and host timers
//   ClientInboxes, KernelLogs   what the library sent to clients and wrote to its logs
//   PubDataGate       public-data calls on their way to the world's PubDataStore
//   KernelText        text handed to the library (and its strict mode)
//
// Class tree of the reference host (callbacks registered for a class reach the
// objects of every class below it):
//   "BaseScene"            scenes; "HomeScene" is below it
//     "HomeScene"
//   "player"               online players, found by their "Name"
//   "item"                 anything created by CreateObject with an unknown config
// Further classes come from DefineClass. A scene's configuration name (for
// example "ChallengeWaitScene") is free text given when the scene is created.
//
// Commands (CommandToScene, CommandToAllScenes) and events are delivered
// synchronously, inside the call that sends them.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ClassRegistry.h"
#include "DiagnosticLog.h"
#include "HostClock.h"
#include "HostValue.h"
#include "KernelControls.h"
#include "PubDataGate.h"
#include "PubDataStore.h"
#include "Utility/CVarList.h"
#include "module/IKernel.h"

class HostKernel;

// Told of every property set through the kernel (CriticalManagerSystem listens).
class PropertyObserver {
public:
    virtual ~PropertyObserver() = default;
    virtual void OnPropertySet(HostKernel& kernel, const ObjectId& obj, const char* property,
                               const HostValue& previous) = 0;
};

// The kernel's operations (IKernel), the host's own side that siblings, tests
// and the simulator drive the world with, and apart from both the controls of
// tests and the simulator (KernelControls).
class HostKernel final : public IKernel, public KernelControls {
public:
    // serverNumber goes into every ObjectId's serial, so ids of two servers never meet.
    HostKernel(PubDataStore& store, int serverNumber);
    ~HostKernel();
    HostKernel(const HostKernel&) = delete;
    HostKernel& operator=(const HostKernel&) = delete;

    // ================= IKernel =================
    // Known until ForgetLibrary; false for a null function or empty name. A second declaration replaces the first.
    bool DeclareHeartBeat(const char* name, HeartBeatCallback func) override;
    // The sibling registered under name (RegisterSibling), or null.
    IModule* GetLogicModule(const char* name) override;
    // Kept in priority order (lower first, ties in registration order); false for a null function.
    bool AddEventCallback(const char* className, const char* event, EventCallback func, int priority) override;
    bool AddCommandCallback(const char* className, int command, CommandCallback func, int priority) override;
    bool AddCustomCallback(int message, CustomCallback func, int priority) override;
    void WriteLog(const char* text) override;    // appended to Logs(), echoed to stderr when echo is on
    void WriteTrace(const char* text) override;  // appended to Traces(), echoed to stderr when echo is on
    // Date value = days since 1899-12-30, time value = seconds of the day (HostClock).
    bool SplitDate(double date, int& year, int& month, int& day) override;
    bool SplitTime(double time, int& hour, int& minute, int& second) override;
    bool GetCurrentDateTime(double& date, double& time) override;
    // The scene of the object whose callback is running; outside callbacks the lowest-numbered scene.
    VOGAME_CLASS_RESULT_OVERRIDE(ObjectId, GetScene, (), (), )
    int GetSceneIdOf(const ObjectId& scene) override;  // 0 when it is no scene
    int GetSceneCount() override;                      // the highest scene id created, 0 when none
    bool IsSceneExist(int sceneId) override;
    // New object of the configuration's class (DefineConfig; else a class of that name; else "item").
    bool CreateObject(ObjectId& out, const ObjectId& container, const char* configId, int flags) override;
    const char* GetResourcePath() override;  // SetResourcePath's folder, always ending in '/'
    // Adds to the class's definition: later objects of the class (and below it) get the property.
    bool AddClassProperty(int classIndex, const char* name, int type, bool save, const char* description) override;
    bool AddClassPropertyEx(int classIndex, const char* name, int type, const char* extra, bool isPublic,
                            bool isPrivate, bool save, const char* description) override;
    bool FindProperty(const ObjectId& obj, const char* name) override;
    int GetPropertyType(const ObjectId& obj, const char* name) override;
    bool TestPropertyFlag(const ObjectId& obj, const char* name) override;  // the save flag
    bool GetPropertyList(const ObjectId& obj, IVarList& out) override;      // names in creation order
    // Setters refuse a missing object/property or another type; a successful set tells the observer.
    bool SetInt(const ObjectId& obj, const char* name, int value) override;
    bool SetFloat(const ObjectId& obj, const char* name, float value) override;
    bool SetString(const ObjectId& obj, const char* name, const char* value) override;
    bool SetWideStr(const ObjectId& obj, const char* name, const char16_t* value) override;
    bool SetObject(const ObjectId& obj, const char* name, const ObjectId& value) override;
    int QueryInt(const ObjectId& obj, const char* name) override;
    float QueryFloat(const ObjectId& obj, const char* name) override;
    const char* QueryString(const ObjectId& obj, const char* name) override;       // valid until the next call
    const char16_t* QueryWideStr(const ObjectId& obj, const char* name) override;  // valid until the next call
    VOGAME_CLASS_RESULT_OVERRIDE(ObjectId, QueryObject, (const ObjectId& obj, const char* name), (obj, name), )
    // False for an unknown class, a taken name or a shape TypedTable refuses (beyond its
    // bounds: diagnosed); later objects get the record.
    bool AddClassRecord(int classIndex, const char* name, int cols, int maxRows, bool save) override;
    bool SetClassRecordColType(int classIndex, const char* name, int col, int type) override;  // false out of range
    bool SetClassRecordVisible(int classIndex, const char* name, const char* visibleName) override;  // kept only
    // Object records come from the class definitions when the object is made; probes are never diagnosed.
    bool FindRecord(const ObjectId& obj, const char* rec) override;
    bool GetRecordList(const ObjectId& obj, IVarList& out) override;               // names in definition order
    bool TestRecordFlag(const ObjectId& obj, const char* rec) override;            // the save flag
    int GetRecordCols(const ObjectId& obj, const char* rec) override;              // -1 when missing
    int GetRecordRows(const ObjectId& obj, const char* rec) override;              // -1 when missing
    int GetRecordColType(const ObjectId& obj, const char* rec, int col) override;  // VT_NONE out of range
    int AddRecordRow(const ObjectId& obj, const char* rec, int row) override;      // refused (diagnosed) when full
    bool ClearRecord(const ObjectId& obj, const char* rec) override;               // false (diagnosed) when missing
    // Cell setters: row == rows appends one default row first; other out-of-range rows are refused.
    bool SetRecordInt(const ObjectId& obj, const char* rec, int row, int col, int value) override;
    bool SetRecordFloat(const ObjectId& obj, const char* rec, int row, int col, float value) override;
    bool SetRecordString(const ObjectId& obj, const char* rec, int row, int col, const char* value) override;
    bool SetRecordWideStr(const ObjectId& obj, const char* rec, int row, int col, const char16_t* value) override;
    bool SetRecordObject(const ObjectId& obj, const char* rec, int row, int col, const ObjectId& value) override;
    // Cell readers: neutral value, diagnosed, for a missing cell or another column type.
    int QueryRecordInt(const ObjectId& obj, const char* rec, int row, int col) override;
    float QueryRecordFloat(const ObjectId& obj, const char* rec, int row, int col) override;
    const char* QueryRecordString(const ObjectId& obj, const char* rec, int row, int col) override;
    const char16_t* QueryRecordWideStr(const ObjectId& obj, const char* rec, int row, int col) override;
    VOGAME_CLASS_RESULT_OVERRIDE(ObjectId, QueryRecordObject, (const ObjectId& obj, const char* rec, int row, int col),
                                 (obj, rec, row, col), )
    // Named data values: per object, never saved, no watches; setters refuse another type.
    bool FindData(const ObjectId& obj, const char* name) override;
    bool GetDataList(const ObjectId& obj, IVarList& out) override;
    bool AddData(const ObjectId& obj, const char* name, int type) override;  // false when it exists
    int GetDataType(const ObjectId& obj, const char* name) override;
    bool SetDataInt(const ObjectId& obj, const char* name, int value) override;
    bool SetDataFloat(const ObjectId& obj, const char* name, float value) override;
    bool SetDataString(const ObjectId& obj, const char* name, const char* value) override;
    bool SetDataWideStr(const ObjectId& obj, const char* name, const char16_t* value) override;
    bool SetDataObject(const ObjectId& obj, const char* name, const ObjectId& value) override;
    int QueryDataInt(const ObjectId& obj, const char* name) override;
    float QueryDataFloat(const ObjectId& obj, const char* name) override;
    const char* QueryDataString(const ObjectId& obj, const char* name) override;
    const char16_t* QueryDataWideStr(const ObjectId& obj, const char* name) override;
    VOGAME_CLASS_RESULT_OVERRIDE(ObjectId, QueryDataObject, (const ObjectId& obj, const char* name), (obj, name), )
    // The text is a configuration id, as for CreateObject.
    bool CreateObjectFromText(ObjectId& out, const ObjectId& container, const char* text) override;
    bool DestroyObject(const ObjectId& obj) override;  // also detaches its heartbeats; false when missing
    const char* GetConfigName(const ObjectId& obj) override;
    // A scene object is its own scene.
    VOGAME_CLASS_RESULT_OVERRIDE(ObjectId, GetSceneOf, (const ObjectId& obj), (obj), )
    bool Exists(const ObjectId& obj) override;
    // False when the object is missing, the name undeclared, interval < 1 or already attached (kept as it was).
    bool AddHeartBeat(const ObjectId& obj, const char* name, int intervalMs) override;
    bool FindHeartBeat(const ObjectId& obj, const char* name) override;
    // A copy goes to the receiver's inbox; false (diagnosed) when the receiver is no existing player.
    bool SendCustomMessage(const ObjectId& sender, const ObjectId& receiver, const IVarList& msg) override;
    // Runs command msg[0] on each player of the scene (sender null); false when no such scene.
    bool CommandToScene(int sceneId, const IVarList& msg) override;
    // Runs command msg[0] on every "BaseScene" object (HomeScene included), in scene id order.
    bool CommandToAllScenes(const IVarList& msg) override;
    // Public data: through the gate to the shared store (see PubDataStore for
    // refusals). A halted server's CompareSetPubPropertyInt answers true without
    // touching the store, so its lock loop ends and its unlock changes nothing.
    int GetPubDataIndex(const char16_t* name) override;
    bool FindPubData(const char16_t* name) override;
    bool AddPubData(const char16_t* name, int flag) override;
    bool FindPubProperty(int index, const char* name) override;
    bool AddPubProperty(int index, const char* name, int type) override;
    bool SetPubPropertySave(int index, const char* name, bool save) override;
    bool SetPubPropertyInt(int index, const char* name, int value) override;
    bool CompareSetPubPropertyInt(int index, const char* name, int expected, int desired) override;
    bool FindPubRecord(int index, const char* rec) override;
    bool AddPubRecord(int index, const char* rec, int maxRows, int cols) override;
    bool RemovePubRecord(int index, const char* rec) override;
    bool SetPubRecordSave(int index, const char* rec, bool save) override;
    bool SetPubRecordColType(int index, const char* rec, int col, int type) override;
    int GetPubRecordColType(int index, const char* rec, int col) override;
    int GetPubRecordMax(int index, const char* rec) override;
    int GetPubRecordRows(int index, const char* rec) override;
    int GetPubRecordCols(int index, const char* rec) override;
    bool InsertPubRecordRow(int index, const char* rec, int row) override;
    int AddPubRecordRowValue(int index, const char* rec, int row, const IVarList& values) override;
    bool RemovePubRecordRow(int index, const char* rec, int row) override;
    bool ClearPubRecord(int index, const char* rec) override;
    int FindPubRecordWideStr(int index, const char* rec, int col, const char16_t* value) override;
    bool SetPubRecordRowValue(int index, const char* rec, int row, const IVarList& values) override;
    bool SetPubRecordInt(int index, const char* rec, int row, int col, int value) override;
    bool SetPubRecordFloat(int index, const char* rec, int row, int col, float value) override;
    bool SetPubRecordString(int index, const char* rec, int row, int col, const char* value) override;
    bool SetPubRecordWideStr(int index, const char* rec, int row, int col, const char16_t* value) override;
    int QueryPubRecordInt(int index, const char* rec, int row, int col) override;
    float QueryPubRecordFloat(int index, const char* rec, int row, int col) override;
    const char* QueryPubRecordString(int index, const char* rec, int row, int col) override;       // per-kernel copy
    const char16_t* QueryPubRecordWideStr(int index, const char* rec, int row, int col) override;  // per-kernel copy
    VOGAME_CLASS_RESULT_OVERRIDE(ObjectId, QueryPubRecordObject, (int index, const char* rec, int row, int col),
                                 (index, rec, row, col), )
    // The existing "player" object whose "Name" is name, or null.
    VOGAME_CLASS_RESULT_OVERRIDE(ObjectId, FindPlayer, (const char16_t* name), (name), )
    bool FindPubDataRecord(const char16_t* space, const char* rec) override;
    int GetPubDataRecordRows(const char16_t* space, const char* rec) override;
    int QueryPubDataRecordInt(const char16_t* space, const char* rec, int row, int col) override;
    const char16_t* QueryPubDataRecordWideStr(const char16_t* space, const char* rec, int row, int col) override;
    // Save modes: any mode other than 0 means saved.
    bool AddClassPropertySaveMode(int classIndex, const char* name, int type, int saveMode,
                                  const char* description) override;
    bool AddClassPropertyExSaveMode(int classIndex, const char* name, int type, const char* extra, bool isPublic,
                                    bool isPrivate, int saveMode, const char* description) override;
    bool AddClassRecordSaveMode(int classIndex, const char* name, int cols, int maxRows, int saveMode) override;

    // ================= the host's own side: the world as siblings, tests and the simulator drive it =================
    // --- classes and configurations ---
    int DefineClass(std::string_view name, std::string_view parent = {});  // its index; the existing one when defined
    int ClassIndex(std::string_view name) const;                           // -1 when unknown
    bool IsA(const ObjectId& obj, std::string_view className) const;       // the object's class or one above it
    std::string ClassOf(const ObjectId& obj) const;                        // empty when missing
    void DefineConfig(std::string_view configId, std::string_view className);
    using ClassPropertyInfo = ::ClassPropertyInfo;
    using ClassRecordInfo = ::ClassRecordInfo;
    const ClassPropertyInfo* ClassProperty(std::string_view className, std::string_view name) const;
    const ClassRecordInfo* ClassRecord(std::string_view className, std::string_view name) const;

    // --- objects ---
    // A scene object of that id; null (diagnosed) when the id is < 1, taken, or the class is not below "BaseScene".
    ObjectId CreateScene(int sceneId, std::string_view className = "BaseScene", std::string_view configName = {});
    ObjectId SceneObject(int sceneId) const;  // null when none
    std::vector<ObjectId> Scenes() const;     // in id order
    // A "player" in that scene with its "Name" (wide string, saved); null when the name is online already.
    ObjectId CreatePlayer(std::u16string_view name, int sceneId);
    bool MoveToScene(const ObjectId& obj, int sceneId);
    std::vector<ObjectId> PlayersIn(int sceneId) const;
    std::size_t ObjectCount() const;
    // Sets a property, adding it (save on) when missing or of another type; tells the observer like SetInt.
    bool SetProperty(const ObjectId& obj, std::string_view name, const HostValue& value);
    HostValue Property(const ObjectId& obj, std::string_view name) const;  // empty when missing
    bool AddProperty(const ObjectId& obj, std::string_view name, int type, bool save = true);

    // --- driving the logic ---
    // Each returns how many callbacks ran. The object's scene is the current scene meanwhile.
    int RaiseEvent(const ObjectId& obj, std::string_view event, const ObjectId& sender = {},
                   const IVarList& args = CVarList());
    int RunCommand(const ObjectId& obj, const IVarList& msg, const ObjectId& sender = {});  // id at msg[0]
    // A message from the player's client: id at msg[0]; sender and object are the player.
    int DeliverCustomMessage(const ObjectId& player, const IVarList& msg);
    bool RunHeartBeat(const ObjectId& obj, std::string_view name);  // runs one attached heartbeat now
    std::size_t CallbackCount() const;                              // events, commands and custom callbacks registered

    // --- clients ---
    const std::vector<CVarList>& Inbox(const ObjectId& player) const;  // empty for unknown players
    void ClearInbox(const ObjectId& player);
    std::size_t MessagesSent() const;  // every SendCustomMessage accepted so far

    // --- clock and timers ---
    HostClock& Clock() noexcept;
    const HostClock& Clock() const noexcept;
    // Sets the clock; a periodic timer or heartbeat then falls due at the first
    // moment of its phase after the new time (Clock().Set moves nothing).
    void SetClock(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    // Moves the clock forward, running every heartbeat and timer that falls due on
    // the way in time order (ties in scheduling order) with the clock set to its time.
    void Advance(std::int64_t ms);
    void AdvanceTo(std::int64_t ms);
    // A host timer: first at dueMs, then every periodMs (0: once). Returns its id.
    using TimerFunc = std::function<void(HostKernel&)>;
    std::uint64_t AddTimer(std::int64_t dueMs, std::int64_t periodMs, TimerFunc func);
    bool CancelTimer(std::uint64_t id);  // false when unknown or done
    void CancelTimers();                 // every host timer (not the heartbeats)

    // --- logs ---
    const std::vector<std::string>& Logs() const noexcept;
    const std::vector<std::string>& Traces() const noexcept;
    void ClearLogs();
    // Refusals of this kernel (object records, unknown receivers...); the store has its own.
    DiagnosticLog& Diagnostics() noexcept;
    const DiagnosticLog& Diagnostics() const noexcept;

    // --- wiring ---
    PubDataStore& Store() noexcept;
    int ServerNumber() const noexcept;
    void SetResourcePath(std::string folder);
    void RegisterSibling(std::string_view name, IModule* sibling);  // null removes it
    void SetPropertyObserver(PropertyObserver* observer) noexcept;
    // Drops everything that points into a loaded library: callbacks, heartbeat
    // functions and their attachments. Objects, inboxes, logs and timers stay.
    void ForgetLibrary();

    // ================= KernelControls: for tests, benchmarks and the simulator only =================
    KernelControls& Controls() noexcept { return *this; }
    void SetStrictText(bool strict) noexcept override;
    bool StrictText() const noexcept override;
    void SetTextReusedEarly(bool early) noexcept override;
    void ArmHalt(HaltTrigger trigger) override;
    void Halt() override;
    bool Paused() const noexcept override;
    void Unpause() override;
    bool Halted() const noexcept override;
    void Resume() override;
    const char* HaltedAt() const noexcept override;
    std::uint64_t KernelCalls() const noexcept override;
    std::uint64_t PubDataCalls() const noexcept override;
    std::vector<std::pair<std::string_view, std::uint64_t>> PubDataCallsByOperation() const override;
    const PubDataGate::LockTries& LockCounts() const noexcept override;
    void CountAllocationsWith(std::uint64_t (*counter)() noexcept) noexcept override;
    std::uint64_t AllocationsInCalls() const noexcept override;
    void SetInboxLimit(std::size_t limit) noexcept override;
    void SetEcho(bool echo) noexcept override;

    struct Impl;  // the kernel's internals, defined in HostKernel.cpp

private:
    std::unique_ptr<Impl> impl_;
};
