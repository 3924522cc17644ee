// The host's own side of the kernel: what tests, the simulator and the sibling
// modules call. None of it counts as a kernel call.
#include "HostKernelImpl.h"

// ---------------------------------------------------------------- classes and configurations

int HostKernel::DefineClass(std::string_view name, std::string_view parent) {
    return impl_->classes.Define(name, parent);
}
int HostKernel::ClassIndex(std::string_view name) const { return impl_->classes.IndexOf(name); }

bool HostKernel::IsA(const ObjectId& obj, std::string_view className) const {
    const HostObject* o = impl_->objects.Find(obj);
    const int cls = impl_->classes.IndexOf(className);
    return o != nullptr && cls >= 0 && impl_->classes.IsA(o->cls, cls);
}

std::string HostKernel::ClassOf(const ObjectId& obj) const {
    const HostObject* o = impl_->objects.Find(obj);
    return o != nullptr ? impl_->classes.NameOf(o->cls) : std::string();
}

void HostKernel::DefineConfig(std::string_view configId, std::string_view className) {
    impl_->classes.DefineConfig(configId, className);
}

const HostKernel::ClassPropertyInfo* HostKernel::ClassProperty(std::string_view className,
                                                               std::string_view name) const {
    return impl_->classes.FindProperty(className, name);
}

const HostKernel::ClassRecordInfo* HostKernel::ClassRecord(std::string_view className, std::string_view name) const {
    return impl_->classes.FindRecord(className, name);
}

// ---------------------------------------------------------------- objects

ObjectId HostKernel::CreateScene(int sceneId, std::string_view className, std::string_view configName) {
    return impl_->objects.CreateScene(sceneId, className, configName);
}
ObjectId HostKernel::SceneObject(int sceneId) const { return impl_->objects.SceneObject(sceneId); }
std::vector<ObjectId> HostKernel::Scenes() const { return impl_->objects.Scenes(); }
ObjectId HostKernel::CreatePlayer(std::u16string_view name, int sceneId) {
    return impl_->objects.CreatePlayer(name, sceneId);
}
bool HostKernel::MoveToScene(const ObjectId& obj, int sceneId) { return impl_->objects.MoveToScene(obj, sceneId); }
std::vector<ObjectId> HostKernel::PlayersIn(int sceneId) const { return impl_->objects.PlayersIn(sceneId); }
std::size_t HostKernel::ObjectCount() const { return impl_->objects.Count(); }

bool HostKernel::SetProperty(const ObjectId& obj, std::string_view name, const HostValue& value) {
    const int type = TypeOfValue(value);
    if (impl_->objects.Find(obj) == nullptr || type == VT_NONE || name.empty()) return false;
    if (impl_->objects.PropertySlot(obj, name) == nullptr)
        impl_->objects.AddProperty(obj, name, type, true);
    else
        impl_->objects.Retype(obj, name, type);
    return impl_->AssignProperty(obj, name, type, HostValue(value));
}

HostValue HostKernel::Property(const ObjectId& obj, std::string_view name) const {
    const HostValue* v = impl_->objects.PropertyValue(obj, name);
    return v != nullptr ? *v : HostValue{};
}

bool HostKernel::AddProperty(const ObjectId& obj, std::string_view name, int type, bool save) {
    return impl_->objects.AddProperty(obj, name, type, save);
}

// ---------------------------------------------------------------- driving the logic

int HostKernel::RaiseEvent(const ObjectId& obj, std::string_view event, const ObjectId& sender, const IVarList& args) {
    return Halted() ? 0 : impl_->dispatch.RaiseEvent(obj, event, sender, args);
}
int HostKernel::RunCommand(const ObjectId& obj, const IVarList& msg, const ObjectId& sender) {
    return Halted() ? 0 : impl_->dispatch.RunCommand(obj, msg, sender);
}
int HostKernel::DeliverCustomMessage(const ObjectId& player, const IVarList& msg) {
    return Halted() ? 0 : impl_->dispatch.DeliverCustomMessage(player, msg);
}
bool HostKernel::RunHeartBeat(const ObjectId& obj, std::string_view name) { return impl_->timers.RunNow(obj, name); }
std::size_t HostKernel::CallbackCount() const { return impl_->dispatch.Count(); }

// ---------------------------------------------------------------- clients

const std::vector<CVarList>& HostKernel::Inbox(const ObjectId& player) const { return impl_->inboxes.Of(player); }
void HostKernel::ClearInbox(const ObjectId& player) { impl_->inboxes.Clear(player); }
std::size_t HostKernel::MessagesSent() const { return impl_->inboxes.Sent(); }
void HostKernel::SetInboxLimit(std::size_t limit) noexcept { impl_->inboxes.SetLimit(limit); }

// ---------------------------------------------------------------- clock and timers

HostClock& HostKernel::Clock() noexcept { return impl_->timers.Clock(); }
const HostClock& HostKernel::Clock() const noexcept { return impl_->timers.Clock(); }
void HostKernel::SetClock(int year, int month, int day, int hour, int minute, int second) {
    impl_->timers.SetClock(HostClock::MsOf(year, month, day, hour, minute, second));
}
void HostKernel::Advance(std::int64_t ms) { AdvanceTo(Clock().NowMs() + std::max<std::int64_t>(ms, 0)); }
void HostKernel::AdvanceTo(std::int64_t ms) { impl_->timers.AdvanceTo(ms); }
std::uint64_t HostKernel::AddTimer(std::int64_t dueMs, std::int64_t periodMs, TimerFunc func) {
    return impl_->timers.AddTimer(dueMs, periodMs, std::move(func));
}
bool HostKernel::CancelTimer(std::uint64_t id) { return impl_->timers.CancelTimer(id); }
void HostKernel::CancelTimers() { impl_->timers.CancelTimers(); }

// ---------------------------------------------------------------- logs and counts

const std::vector<std::string>& HostKernel::Logs() const noexcept { return impl_->logs.Logs(); }
const std::vector<std::string>& HostKernel::Traces() const noexcept { return impl_->logs.Traces(); }
void HostKernel::ClearLogs() { impl_->logs.Clear(); }
void HostKernel::SetEcho(bool echo) noexcept { impl_->logs.SetEcho(echo); }
DiagnosticLog& HostKernel::Diagnostics() noexcept { return impl_->diagnostics; }
const DiagnosticLog& HostKernel::Diagnostics() const noexcept { return impl_->diagnostics; }
std::uint64_t HostKernel::KernelCalls() const noexcept { return impl_->calls; }
std::uint64_t HostKernel::PubDataCalls() const noexcept { return impl_->gate.Calls(); }
void HostKernel::CountAllocationsWith(std::uint64_t (*counter)() noexcept) noexcept {
    if (impl_->callDepth == 0) impl_->allocationCount = counter;
}
std::uint64_t HostKernel::AllocationsInCalls() const noexcept { return impl_->allocationsInCalls; }
std::vector<std::pair<std::string_view, std::uint64_t>> HostKernel::PubDataCallsByOperation() const {
    return impl_->gate.CallsByOperation();
}
const PubDataGate::LockTries& HostKernel::LockCounts() const noexcept { return impl_->gate.Locks(); }

// ---------------------------------------------------------------- strict text and halting

void HostKernel::SetStrictText(bool strict) noexcept { impl_->text.SetStrict(strict); }
bool HostKernel::StrictText() const noexcept { return impl_->text.Strict(); }
void HostKernel::SetTextReusedEarly(bool early) noexcept { impl_->text.SetReusedEarly(early); }
void HostKernel::ArmHalt(HaltTrigger trigger) { impl_->gate.Arm(std::move(trigger)); }
void HostKernel::Halt() { impl_->gate.HaltNow(); }
bool HostKernel::Halted() const noexcept { return impl_->gate.Halted(); }
bool HostKernel::Paused() const noexcept { return impl_->gate.Paused(); }
void HostKernel::Unpause() { impl_->gate.Unpause(); }
void HostKernel::Resume() {
    if (impl_->held) impl_->held->Forget();
    impl_->gate.Resume();
}
const char* HostKernel::HaltedAt() const noexcept { return impl_->gate.HaltedAt(); }

// ---------------------------------------------------------------- wiring

PubDataStore& HostKernel::Store() noexcept { return impl_->store; }
int HostKernel::ServerNumber() const noexcept { return impl_->server; }

void HostKernel::SetResourcePath(std::string folder) {
    if (folder.empty()) folder = ".";
    if (folder.back() != '/' && folder.back() != '\\') folder.push_back('/');
    impl_->resourcePath = std::move(folder);
}

void HostKernel::RegisterSibling(std::string_view name, IModule* sibling) {
    if (sibling == nullptr)
        impl_->siblings.erase(std::string(name));
    else
        impl_->siblings.insert_or_assign(std::string(name), sibling);
}

void HostKernel::SetPropertyObserver(PropertyObserver* observer) noexcept { impl_->observer = observer; }

void HostKernel::ForgetLibrary() {
    impl_->dispatch.Forget();
    impl_->timers.Forget();  // pending heartbeat runs find no attachment
}
