#pragma once
// The library's callbacks and their delivery: events and commands registered
// for a class reach objects of that class and every class below it; custom
// messages from clients reach every callback of their id. Each list runs in
// priority order (lower first, ties in registration order). While an object's
// callbacks (or heartbeats) run, its scene is the current scene.
//
// Delivery is synchronous: callbacks run inside the call that delivers them.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "TextMap.h"
#include "Utility/CVarList.h"
#include "module/IKernel.h"

class ClassRegistry;
class DiagnosticLog;
class HostObjects;
struct HostObject;

class CallbackDispatch {
public:
    // kernel is what the callbacks receive.
    CallbackDispatch(IKernel& kernel, ClassRegistry& classes, HostObjects& objects, DiagnosticLog& diagnostics,
                     int server);

    // False for a null function or an empty name; an unknown class is defined.
    bool AddEvent(std::string_view className, std::string_view event, EventCallback func, int priority);
    bool AddCommand(std::string_view className, int command, CommandCallback func, int priority);
    bool AddCustom(int message, CustomCallback func, int priority);
    std::size_t Count() const;  // every registration
    void Forget();              // every registration (library unload)

    // Each returns how many callbacks ran.
    int RaiseEvent(const ObjectId& obj, std::string_view event, const ObjectId& sender, const IVarList& args);
    int RunCommand(const ObjectId& obj, const IVarList& msg, const ObjectId& sender);  // id at msg[0]
    int DeliverCustomMessage(const ObjectId& player, const IVarList& msg);             // id at msg[0]

    // The scene of the object being served; outside callbacks the lowest-numbered scene.
    ObjectId CurrentScene() const;

    // Makes the object's scene the current scene while it lives.
    class SceneScope {
    public:
        SceneScope(CallbackDispatch& dispatch, const HostObject& object);
        ~SceneScope() { current_ = saved_; }
        SceneScope(const SceneScope&) = delete;
        SceneScope& operator=(const SceneScope&) = delete;

    private:
        ObjectId& current_;
        ObjectId saved_;
    };

private:
    struct Entry {
        int priority = 0;
        std::uint64_t seq = 0;
        EventCallback func = nullptr;  // every callback kind has this signature
    };
    struct ClassCallbacks {
        TextMap<std::string, std::vector<Entry>> events;
        std::unordered_map<int, std::vector<Entry>> commands;
    };
    static void InsertSorted(std::vector<Entry>& list, Entry entry);
    ClassCallbacks& Of(int cls);
    // Callbacks of the class and every class above it, in priority order.
    template <class Pick>
    std::vector<Entry> Collect(int cls, Pick pick) const;

    IKernel& kernel_;
    ClassRegistry& classes_;
    HostObjects& objects_;
    DiagnosticLog& diagnostics_;
    int server_;
    std::uint64_t seq_ = 0;
    std::vector<ClassCallbacks> byClass_;  // by class index
    std::unordered_map<int, std::vector<Entry>> customs_;
    ObjectId currentScene_;
};
