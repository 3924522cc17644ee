#include "CallbackDispatch.h"

#include <algorithm>

#include "ClassRegistry.h"
#include "DiagnosticLog.h"
#include "HostObjects.h"

CallbackDispatch::CallbackDispatch(IKernel& kernel, ClassRegistry& classes, HostObjects& objects,
                                   DiagnosticLog& diagnostics, int server)
    : kernel_(kernel), classes_(classes), objects_(objects), diagnostics_(diagnostics), server_(server) {}

CallbackDispatch::SceneScope::SceneScope(CallbackDispatch& dispatch, const HostObject& object)
    : current_(dispatch.currentScene_), saved_(dispatch.currentScene_) {
    current_ = dispatch.objects_.SceneOf(object);
}

void CallbackDispatch::InsertSorted(std::vector<Entry>& list, Entry entry) {
    auto at = std::upper_bound(list.begin(), list.end(), entry,
                               [](const Entry& a, const Entry& b) { return a.priority < b.priority; });
    list.insert(at, entry);
}

CallbackDispatch::ClassCallbacks& CallbackDispatch::Of(int cls) {
    if (static_cast<std::size_t>(cls) >= byClass_.size()) byClass_.resize(static_cast<std::size_t>(cls) + 1);
    return byClass_[static_cast<std::size_t>(cls)];
}

bool CallbackDispatch::AddEvent(std::string_view className, std::string_view event, EventCallback func, int priority) {
    if (func == nullptr || className.empty() || event.empty()) return false;
    auto& list = Of(classes_.Define(className)).events[std::string(event)];
    InsertSorted(list, Entry{priority, ++seq_, func});
    return true;
}

bool CallbackDispatch::AddCommand(std::string_view className, int command, CommandCallback func, int priority) {
    if (func == nullptr || className.empty()) return false;
    InsertSorted(Of(classes_.Define(className)).commands[command], Entry{priority, ++seq_, func});
    return true;
}

bool CallbackDispatch::AddCustom(int message, CustomCallback func, int priority) {
    if (func == nullptr) return false;
    InsertSorted(customs_[message], Entry{priority, ++seq_, func});
    return true;
}

std::size_t CallbackDispatch::Count() const {
    std::size_t n = 0;
    for (const ClassCallbacks& c : byClass_) {
        for (const auto& [name, list] : c.events) n += list.size();
        for (const auto& [id, list] : c.commands) n += list.size();
    }
    for (const auto& [id, list] : customs_) n += list.size();
    return n;
}

void CallbackDispatch::Forget() {
    byClass_.clear();
    customs_.clear();
}

template <class Pick>
std::vector<CallbackDispatch::Entry> CallbackDispatch::Collect(int cls, Pick pick) const {
    std::vector<Entry> out;
    for (int c : classes_.Lineage(cls)) {
        if (static_cast<std::size_t>(c) >= byClass_.size()) continue;
        const std::vector<Entry>* list = pick(byClass_[static_cast<std::size_t>(c)]);
        if (list != nullptr) out.insert(out.end(), list->begin(), list->end());
    }
    std::stable_sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
        return a.priority != b.priority ? a.priority < b.priority : a.seq < b.seq;
    });
    return out;
}

int CallbackDispatch::RaiseEvent(const ObjectId& obj, std::string_view event, const ObjectId& sender,
                                 const IVarList& args) {
    const HostObject* object = objects_.Find(obj);
    if (object == nullptr) return 0;
    const std::vector<Entry> entries = Collect(object->cls, [&](const ClassCallbacks& c) -> const std::vector<Entry>* {
        auto it = c.events.find(event);
        return it == c.events.end() ? nullptr : &it->second;
    });
    // Copies: a callback may destroy the object or change what the caller passed.
    const ObjectId self = obj;
    const ObjectId from = sender;
    const SceneScope scope(*this, *object);
    for (const Entry& e : entries) e.func(&kernel_, self, from, args);
    return static_cast<int>(entries.size());
}

int CallbackDispatch::RunCommand(const ObjectId& obj, const IVarList& msg, const ObjectId& sender) {
    const HostObject* object = objects_.Find(obj);
    if (object == nullptr) return 0;
    if (msg.Size() == 0 || msg.TypeAt(0) != VT_INT) {
        diagnostics_.Add("server " + std::to_string(server_) + ": command without an int id at element 0");
        return 0;
    }
    const int command = msg.IntAt(0);
    const std::vector<Entry> entries = Collect(object->cls, [&](const ClassCallbacks& c) -> const std::vector<Entry>* {
        auto it = c.commands.find(command);
        return it == c.commands.end() ? nullptr : &it->second;
    });
    if (entries.empty()) return 0;
    const ObjectId self = obj;
    const ObjectId from = sender;
    const SceneScope scope(*this, *object);
    for (const Entry& e : entries) e.func(&kernel_, self, from, msg);
    return static_cast<int>(entries.size());
}

int CallbackDispatch::DeliverCustomMessage(const ObjectId& player, const IVarList& msg) {
    const HostObject* object = objects_.Find(player);
    if (object == nullptr || msg.Size() == 0 || msg.TypeAt(0) != VT_INT) return 0;
    auto it = customs_.find(msg.IntAt(0));
    if (it == customs_.end() || it->second.empty()) return 0;
    const ObjectId self = player;
    const SceneScope scope(*this, *object);
    if (it->second.size() == 1) {  // the common case, without a copy of the list
        it->second.front().func(&kernel_, self, self, msg);
        return 1;
    }
    const std::vector<Entry> entries = it->second;
    for (const Entry& e : entries) e.func(&kernel_, self, self, msg);
    return static_cast<int>(entries.size());
}

ObjectId CallbackDispatch::CurrentScene() const {
    if (objects_.Find(currentScene_) != nullptr) return currentScene_;
    return objects_.FirstScene();
}
