#include "Server.h"

#include <filesystem>
#include <system_error>

#ifndef VOGAME_LIBRARY_PATH
#define VOGAME_LIBRARY_PATH ""
#endif

Server::Server(PubDataStore& store, int number, ServerOptions options)
    : store_(store), number_(number), options_(std::move(options)), kernel_(store, number) {
    if (options_.withCriticalManager) {
        critical_ = std::make_unique<CriticalManagerSystem>(kernel_);
        kernel_.RegisterSibling("CriticalManagerSystem", critical_.get());
    }
    if (options_.withVirtualRec) {
        virtualRec_ = std::make_unique<VirtualRecSystem>();
        kernel_.RegisterSibling("VirtualRecSystem", virtualRec_.get());
    }
    if (options_.withLetter) {
        letters_ = std::make_unique<LetterSystem>();
        kernel_.RegisterSibling("LetterSystem", letters_.get());
    }
    if (options_.withEventTime) {
        eventTime_ = std::make_unique<EventTimeSystem>(kernel_);
        kernel_.RegisterSibling("EventTimeSystem", eventTime_.get());
    }
    if (options_.resourcePath.empty()) {
        std::error_code ec;
        options_.resourcePath = std::filesystem::temp_directory_path(ec).string();
    }
    kernel_.SetResourcePath(options_.resourcePath);
    kernel_.SetEcho(options_.echoLogs);
    kernel_.SetStrictText(options_.strictKernelText);
}

Server::~Server() {
    StopThread();
    Stop();
}

bool Server::Start() {
    if (library_.Loaded()) {
        error_ = "already running";
        return false;
    }
    error_.clear();
    modules_.clear();
    kernel_.Resume();
    const std::string source = options_.libraryPath.empty() ? std::string(VOGAME_LIBRARY_PATH) : options_.libraryPath;
    const bool loaded = library_.LoadPrivateCopy(source, std::to_string(number_));
    if (!loaded) {
        error_ = library_.Error();
        return false;
    }
    if (library_.Version() != kVoGameLogicVersion) {
        char text[64];
        std::snprintf(text, sizeof text, "interface version 0x%08X, expected 0x%08X", library_.Version(),
                      kVoGameLogicVersion);
        error_ = text;
        library_.Unload();
        return false;
    }
    for (IModuleCreator* creator = library_.Creators(); creator != nullptr; creator = creator->next) {
        ModuleStartResult result;
        const char* name = creator->GetModuleName();
        result.name = name != nullptr ? name : "";
        IModule* module = creator->GetModule();
        if (module != nullptr) {
            result.init = module->Init(&kernel_);
            if (result.init) {
                result.afterInitCalled = true;
                result.afterInit = module->AfterInit(&kernel_);
            }
        }
        modules_.push_back(std::move(result));
    }
    return true;
}

void Server::Stop() {
    if (!library_.Loaded()) return;
    // Nothing may call into the library once it is gone.
    kernel_.ForgetLibrary();
    ForgetSiblingState();
    library_.Unload();
}

void Server::ForgetSiblingState() {
    if (critical_) critical_->Forget();
    if (eventTime_) eventTime_->Forget();
}

bool Server::Running() const noexcept { return library_.Loaded(); }
const std::vector<ModuleStartResult>& Server::Modules() const noexcept { return modules_; }

const ModuleStartResult* Server::Module(std::string_view name) const {
    for (const ModuleStartResult& m : modules_)
        if (m.name == name) return &m;
    return nullptr;
}

bool Server::AllModulesStarted() const {
    if (modules_.empty()) return false;
    for (const ModuleStartResult& m : modules_)
        if (!m.Started()) return false;
    return true;
}

const std::string& Server::Error() const noexcept { return error_; }
const std::string& Server::LoadedCopyPath() const noexcept { return library_.CopyPath(); }
int Server::Number() const noexcept { return number_; }
HostKernel& Server::Kernel() noexcept { return kernel_; }
PubDataStore& Server::Store() noexcept { return store_; }
CriticalManagerSystem* Server::Critical() noexcept { return critical_.get(); }
VirtualRecSystem* Server::VirtualRec() noexcept { return virtualRec_.get(); }
LetterSystem* Server::Letters() noexcept { return letters_.get(); }
EventTimeSystem* Server::EventTime() noexcept { return eventTime_.get(); }

ObjectId Server::CreateScene(int sceneId, std::string_view className, std::string_view configName) {
    return kernel_.CreateScene(sceneId, className, configName);
}

ObjectId Server::CreatePlayer(std::u16string_view name, int sceneId,
                              const std::vector<std::pair<std::string, HostValue>>& properties) {
    const ObjectId player = kernel_.CreatePlayer(name, sceneId);
    if (player.IsNull()) return player;
    for (const auto& [property, value] : properties) kernel_.SetProperty(player, property, value);
    return player;
}

int Server::SendStartEvents() {
    int ran = 0;
    for (const ObjectId& scene : kernel_.Scenes())
        if (kernel_.IsA(scene, "BaseScene")) ran += kernel_.RaiseEvent(scene, "OnSystemInit");
    for (const ObjectId& scene : kernel_.Scenes()) {
        if (kernel_.IsA(scene, "HomeScene")) {
            ran += kernel_.RaiseEvent(scene, "OnLoad");
            break;
        }
    }
    return ran;
}

int Server::LoginPlayer(const ObjectId& player) { return kernel_.RaiseEvent(player, "OnLoad", player); }

bool Server::SetProperty(const ObjectId& obj, std::string_view name, const HostValue& value) {
    return kernel_.SetProperty(obj, name, value);
}

int Server::RunCommand(const ObjectId& obj, const IVarList& msg) { return kernel_.RunCommand(obj, msg); }

int Server::SendClientMessage(const ObjectId& player, const IVarList& msg) {
    return kernel_.DeliverCustomMessage(player, msg);
}

const std::vector<CVarList>& Server::Inbox(const ObjectId& player) const { return kernel_.Inbox(player); }

std::string Server::DiagnosticsText() const { return kernel_.Diagnostics().Joined() + store_.Diagnostics().Joined(); }

// ---------------------------------------------------------------- logic thread

void Server::StartThread() {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (thread_.joinable()) return;
    stopping_ = false;
    thread_ = std::thread([this] { ThreadMain(); });
}

void Server::Post(std::function<void(Server&)> task) {
    if (Halted()) {
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (thread_.joinable()) {
            queue_.push_back(std::move(task));
            queueCv_.notify_one();
            return;
        }
    }
    task(*this);
}

void Server::WaitIdle() {
    std::unique_lock<std::mutex> lock(queueMutex_);
    idleCv_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void Server::StopThread() {
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (!thread_.joinable()) return;
        stopping_ = true;
        queueCv_.notify_one();
    }
    thread_.join();
    std::lock_guard<std::mutex> lock(queueMutex_);
    thread_ = std::thread();
}

void Server::ThreadMain() {
    std::unique_lock<std::mutex> lock(queueMutex_);
    for (;;) {
        queueCv_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (queue_.empty()) break;  // stopping, and everything has run
        auto task = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        if (Halted())  // halted by an earlier task
            dropped_.fetch_add(1, std::memory_order_relaxed);
        else
            task(*this);
        lock.lock();
        busy_ = false;
        if (queue_.empty()) idleCv_.notify_all();
    }
    busy_ = false;
    idleCv_.notify_all();
}
