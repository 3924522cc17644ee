#include "HostKernel.h"
#include "TextMap.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <queue>
#include <unordered_map>
#include <unordered_set>

namespace {

constexpr std::string_view kNameProperty = "Name";

std::uint64_t KeyOf(const ObjectId& id) noexcept {
    return (static_cast<std::uint64_t>(id.ident) << 32) | id.serial;
}

std::string_view View(const char* text) noexcept { return text != nullptr ? std::string_view(text) : std::string_view(); }
std::u16string_view View(const char16_t* text) noexcept {
    return text != nullptr ? std::u16string_view(text) : std::u16string_view();
}

struct Slot {  // a property or a named data value
    const char* name = "";  // interned
    int type = VT_NONE;
    bool save = false;
    HostValue value;
};

struct ObjRecord {
    int maxRows = 0;
    bool save = false;
    std::vector<int> colTypes;
    std::vector<std::vector<HostValue>> rows;
};

struct HeartAttach {
    std::int64_t intervalMs = 0;
    std::uint64_t generation = 0;
};

struct Object {
    ObjectId id;
    int cls = -1;
    std::string config;
    int sceneId = 0;      // the scene holding it (its own id for a scene object)
    bool isScene = false;
    bool isPlayer = false;
    TextMap<std::string_view, Slot> props;
    std::vector<const char*> propOrder;
    TextMap<std::string_view, Slot> data;
    std::vector<const char*> dataOrder;
    TextMap<std::string_view, ObjRecord> records;
    std::vector<const char*> recordOrder;
    TextMap<std::string_view, HeartAttach> heartbeats;
    std::vector<CVarList> inbox;
};

struct Entry {
    int priority = 0;
    std::uint64_t seq = 0;
    EventCallback func = nullptr;
};

struct ClassDef {
    std::string name;
    int parent = -1;
    std::vector<std::pair<const char*, HostKernel::ClassPropertyInfo>> props;
    std::vector<std::pair<const char*, HostKernel::ClassRecordInfo>> records;
    TextMap<std::string, std::vector<Entry>> events;
    std::unordered_map<int, std::vector<Entry>> commands;
};

struct Timer {
    std::int64_t due = 0;
    std::uint64_t seq = 0;
    bool heartbeat = false;
    std::uint64_t objKey = 0;       // heartbeat
    const char* name = nullptr;     // heartbeat, interned
    std::uint64_t generation = 0;   // heartbeat attachment / host timer id
    bool operator>(const Timer& o) const noexcept { return due != o.due ? due > o.due : seq > o.seq; }
};

struct HostTimer {
    std::int64_t periodMs = 0;
    HostKernel::TimerFunc func;
};

void InsertSorted(std::vector<Entry>& list, Entry e) {
    auto at = std::upper_bound(list.begin(), list.end(), e,
                               [](const Entry& a, const Entry& b) { return a.priority < b.priority; });
    list.insert(at, e);
}

const std::vector<CVarList> kNoMessages;

}  // namespace

struct HostKernel::Impl {
    PubDataStore& store;
    int server;
    std::uint32_t nextIdent = 1;
    std::uint64_t calls = 0;
    std::uint64_t seq = 0;
    TextSet<std::string> interned;
    std::vector<ClassDef> classes;
    TextMap<std::string, int> classByName;
    TextMap<std::string, std::string> configs;
    std::unordered_map<std::uint64_t, std::unique_ptr<Object>> objects;
    std::map<int, ObjectId> scenes;
    TextMap<std::u16string, ObjectId> playersByName;
    TextMap<std::string, HeartBeatCallback> heartFuncs;
    std::unordered_map<int, std::vector<Entry>> customs;
    TextMap<std::string, IModule*> siblings;
    PropertyObserver* observer = nullptr;
    HostClock clock;
    std::priority_queue<Timer, std::vector<Timer>, std::greater<>> timers;
    std::unordered_map<std::uint64_t, HostTimer> hostTimers;
    std::uint64_t nextTimerId = 1;
    std::uint64_t heartGeneration = 0;
    bool advancing = false;
    ObjectId currentScene;
    bool inCall = false;
    std::vector<std::string> logs, traces;
    bool echo = false;
    DiagnosticLog diagnostics;
    std::string resourcePath = "./";
    std::size_t messagesSent = 0;
    std::size_t inboxLimit = 0;
    std::string narrowBuf;
    std::u16string wideBuf;

    Impl(PubDataStore& s, int n) : store(s), server(n) {}

    const char* Intern(std::string_view name) {
        auto it = interned.find(name);
        if (it == interned.end()) it = interned.emplace(name).first;
        return it->c_str();
    }

    Object* Find(const ObjectId& id) {
        if (id.IsNull()) return nullptr;
        auto it = objects.find(KeyOf(id));
        return it == objects.end() ? nullptr : it->second.get();
    }

    int ClassOfName(std::string_view name) const {
        auto it = classByName.find(name);
        return it == classByName.end() ? -1 : it->second;
    }

    bool ClassIsA(int cls, int ancestor) const {
        for (int c = cls, depth = 0; c >= 0 && depth < 64; c = classes[static_cast<std::size_t>(c)].parent, ++depth)
            if (c == ancestor) return true;
        return false;
    }

    void Diagnose(std::string line) { diagnostics.Add("server " + std::to_string(server) + ": " + line); }

    // Callbacks of the object's class and every class above it, in priority order.
    template <class Pick>
    void Collect(int cls, Pick pick, std::vector<Entry>& out) const {
        for (int c = cls, depth = 0; c >= 0 && depth < 64; c = classes[static_cast<std::size_t>(c)].parent, ++depth) {
            const std::vector<Entry>* list = pick(classes[static_cast<std::size_t>(c)]);
            if (list != nullptr) out.insert(out.end(), list->begin(), list->end());
        }
        std::stable_sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
            return a.priority != b.priority ? a.priority < b.priority : a.seq < b.seq;
        });
    }
};

namespace {
// The scene of the object being served is the current scene while its callbacks run.
class SceneScope {
public:
    SceneScope(ObjectId& current, const ObjectId& scene) : current_(current), saved_(current) { current_ = scene; }
    ~SceneScope() { current_ = saved_; }
    SceneScope(const SceneScope&) = delete;
    SceneScope& operator=(const SceneScope&) = delete;

private:
    ObjectId& current_;
    ObjectId saved_;
};
}  // namespace

#define COUNT_CALL ++impl_->calls

HostKernel::HostKernel(PubDataStore& store, int serverNumber) : impl_(std::make_unique<Impl>(store, serverNumber)) {
    DefineClass("BaseScene");
    DefineClass("HomeScene", "BaseScene");
    DefineClass("player");
    DefineClass("item");
}

HostKernel::~HostKernel() = default;

// ---------------------------------------------------------------- callbacks and siblings

bool HostKernel::DeclareHeartBeat(const char* name, HeartBeatCallback func) {
    COUNT_CALL;
    if (func == nullptr || View(name).empty()) return false;
    impl_->heartFuncs.insert_or_assign(std::string(name), func);
    return true;
}

IModule* HostKernel::GetLogicModule(const char* name) {
    COUNT_CALL;
    auto it = impl_->siblings.find(View(name));
    return it == impl_->siblings.end() ? nullptr : it->second;
}

bool HostKernel::AddEventCallback(const char* className, const char* event, EventCallback func, int priority) {
    COUNT_CALL;
    if (func == nullptr || View(className).empty() || View(event).empty()) return false;
    const int cls = DefineClass(View(className));
    auto& list = impl_->classes[static_cast<std::size_t>(cls)].events[std::string(event)];
    InsertSorted(list, Entry{priority, ++impl_->seq, func});
    return true;
}

bool HostKernel::AddCommandCallback(const char* className, int command, CommandCallback func, int priority) {
    COUNT_CALL;
    if (func == nullptr || View(className).empty()) return false;
    const int cls = DefineClass(View(className));
    InsertSorted(impl_->classes[static_cast<std::size_t>(cls)].commands[command], Entry{priority, ++impl_->seq, func});
    return true;
}

bool HostKernel::AddCustomCallback(int message, CustomCallback func, int priority) {
    COUNT_CALL;
    if (func == nullptr) return false;
    InsertSorted(impl_->customs[message], Entry{priority, ++impl_->seq, func});
    return true;
}

// ---------------------------------------------------------------- diagnostics

void HostKernel::WriteLog(const char* text) {
    COUNT_CALL;
    impl_->logs.emplace_back(View(text));
    if (impl_->echo) std::printf("[log %d] %s\n", impl_->server, impl_->logs.back().c_str());
}

void HostKernel::WriteTrace(const char* text) {
    COUNT_CALL;
    impl_->traces.emplace_back(View(text));
    if (impl_->echo) std::fprintf(stderr, "[trace %d] %s\n", impl_->server, impl_->traces.back().c_str());
}

// ---------------------------------------------------------------- clock

bool HostKernel::SplitDate(double date, int& year, int& month, int& day) {
    COUNT_CALL;
    return HostClock::SplitDate(date, year, month, day);
}

bool HostKernel::SplitTime(double time, int& hour, int& minute, int& second) {
    COUNT_CALL;
    return HostClock::SplitTime(time, hour, minute, second);
}

bool HostKernel::GetCurrentDateTime(double& date, double& time) {
    COUNT_CALL;
    date = HostClock::DateValueOf(impl_->clock.NowMs());
    time = HostClock::TimeValueOf(impl_->clock.NowMs());
    return true;
}

// ---------------------------------------------------------------- scenes and objects

ObjectId HostKernel::GetScene() {
    COUNT_CALL;
    if (impl_->Find(impl_->currentScene) != nullptr) return impl_->currentScene;
    return impl_->scenes.empty() ? ObjectId{} : impl_->scenes.begin()->second;
}

int HostKernel::GetSceneIdOf(const ObjectId& scene) {
    COUNT_CALL;
    const Object* o = impl_->Find(scene);
    return o != nullptr && o->isScene ? o->sceneId : 0;
}

int HostKernel::GetSceneCount() {
    COUNT_CALL;
    return impl_->scenes.empty() ? 0 : impl_->scenes.rbegin()->first;
}

bool HostKernel::IsSceneExist(int sceneId) {
    COUNT_CALL;
    return impl_->scenes.count(sceneId) != 0;
}

bool HostKernel::CreateObject(ObjectId& out, const ObjectId& container, const char* configId, int /*flags*/) {
    COUNT_CALL;
    out = ObjectId{};
    const Object* holder = impl_->Find(container);
    if (holder == nullptr || View(configId).empty()) {
        impl_->Diagnose(std::string("CreateObject: no container or empty configuration ") + (configId ? configId : ""));
        return false;
    }
    int cls = -1;
    auto config = impl_->configs.find(View(configId));
    if (config != impl_->configs.end()) cls = impl_->ClassOfName(config->second);
    if (cls < 0) cls = impl_->ClassOfName(View(configId));
    if (cls < 0) cls = impl_->ClassOfName("item");
    const int sceneId = holder->sceneId;

    auto obj = std::make_unique<Object>();
    obj->id = ObjectId{impl_->nextIdent++, static_cast<std::uint32_t>(impl_->server)};
    obj->cls = cls;
    obj->config = configId;
    obj->sceneId = sceneId;
    obj->isPlayer = impl_->ClassIsA(cls, impl_->ClassOfName("player"));
    // Properties and records of the class tree, from the root down.
    std::vector<int> chain;
    for (int c = cls; c >= 0; c = impl_->classes[static_cast<std::size_t>(c)].parent) chain.push_back(c);
    for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
        const ClassDef& def = impl_->classes[static_cast<std::size_t>(*c)];
        for (const auto& [name, info] : def.props) {
            if (obj->props.count(name) != 0) continue;
            obj->props.emplace(name, Slot{name, info.type, info.save, DefaultValue(info.type)});
            obj->propOrder.push_back(name);
        }
        for (const auto& [name, info] : def.records) {
            if (obj->records.count(name) != 0) continue;
            ObjRecord r;
            r.maxRows = info.maxRows;
            r.save = info.save;
            r.colTypes = info.colTypes;
            r.colTypes.resize(static_cast<std::size_t>(std::max(info.cols, 0)), VT_NONE);
            obj->records.emplace(name, std::move(r));
            obj->recordOrder.push_back(name);
        }
    }
    out = obj->id;
    impl_->objects.emplace(KeyOf(out), std::move(obj));
    return true;
}

const char* HostKernel::GetResourcePath() {
    COUNT_CALL;
    return impl_->resourcePath.c_str();
}

// ---------------------------------------------------------------- class definitions

namespace {
bool AddClassPropertyTo(HostKernel::Impl& impl, int classIndex, const char* name, int type,
                        const HostKernel::ClassPropertyInfo& info) {
    if (classIndex < 0 || classIndex >= static_cast<int>(impl.classes.size()) || View(name).empty() ||
        type <= VT_NONE || type > VT_INT64 || type == VT_BYTES)
        return false;
    ClassDef& def = impl.classes[static_cast<std::size_t>(classIndex)];
    for (const auto& p : def.props)
        if (View(name) == p.first) return false;
    HostKernel::ClassPropertyInfo stored = info;
    stored.type = type;
    def.props.emplace_back(impl.Intern(name), stored);
    return true;
}

bool AddClassRecordTo(HostKernel::Impl& impl, int classIndex, const char* name, int cols, int maxRows, bool save,
                      int saveMode) {
    if (classIndex < 0 || classIndex >= static_cast<int>(impl.classes.size()) || View(name).empty() || cols < 1 ||
        maxRows < 0)
        return false;
    ClassDef& def = impl.classes[static_cast<std::size_t>(classIndex)];
    for (const auto& r : def.records)
        if (View(name) == r.first) return false;
    HostKernel::ClassRecordInfo info;
    info.cols = cols;
    info.maxRows = maxRows;
    info.save = save;
    info.saveMode = saveMode;
    info.colTypes.assign(static_cast<std::size_t>(cols), VT_NONE);
    def.records.emplace_back(impl.Intern(name), std::move(info));
    return true;
}

HostKernel::ClassRecordInfo* ClassRecordOf(HostKernel::Impl& impl, int classIndex, const char* name) {
    if (classIndex < 0 || classIndex >= static_cast<int>(impl.classes.size())) return nullptr;
    for (auto& r : impl.classes[static_cast<std::size_t>(classIndex)].records)
        if (View(name) == r.first) return &r.second;
    return nullptr;
}
}  // namespace

bool HostKernel::AddClassProperty(int classIndex, const char* name, int type, bool save, const char* /*description*/) {
    COUNT_CALL;
    ClassPropertyInfo info;
    info.save = save;
    return AddClassPropertyTo(*impl_, classIndex, name, type, info);
}

bool HostKernel::AddClassPropertyEx(int classIndex, const char* name, int type, const char* /*extra*/, bool isPublic,
                                    bool isPrivate, bool save, const char* /*description*/) {
    COUNT_CALL;
    ClassPropertyInfo info;
    info.save = save;
    info.isPublic = isPublic;
    info.isPrivate = isPrivate;
    return AddClassPropertyTo(*impl_, classIndex, name, type, info);
}

// ---------------------------------------------------------------- object properties

bool HostKernel::FindProperty(const ObjectId& obj, const char* name) {
    COUNT_CALL;
    const Object* o = impl_->Find(obj);
    return o != nullptr && o->props.count(View(name)) != 0;
}

int HostKernel::GetPropertyType(const ObjectId& obj, const char* name) {
    COUNT_CALL;
    const Object* o = impl_->Find(obj);
    if (o == nullptr) return VT_NONE;
    auto it = o->props.find(View(name));
    return it == o->props.end() ? VT_NONE : it->second.type;
}

bool HostKernel::TestPropertyFlag(const ObjectId& obj, const char* name) {
    COUNT_CALL;
    const Object* o = impl_->Find(obj);
    if (o == nullptr) return false;
    auto it = o->props.find(View(name));
    return it != o->props.end() && it->second.save;
}

bool HostKernel::GetPropertyList(const ObjectId& obj, IVarList& out) {
    COUNT_CALL;
    const Object* o = impl_->Find(obj);
    if (o == nullptr) return false;
    for (const char* name : o->propOrder) out.PushString(name);
    return true;
}

namespace {
// The stored form of a value written into a slot of the given type.
HostValue Coerce(int slotType, HostValue value) {
    if (slotType == VT_INT64 && value.index() == 1) return static_cast<std::int64_t>(std::get<int>(value));
    return value;
}
}  // namespace

// The one path of every property write: name index, then the observer.
static bool AssignProperty(HostKernel& kernel, HostKernel::Impl& impl, const ObjectId& obj, std::string_view name,
                           int type, HostValue&& value) {
    Object* o = impl.Find(obj);
    if (o == nullptr) return false;
    auto it = o->props.find(name);
    if (it == o->props.end() || !TypeFits(it->second.type, type)) return false;
    Slot& slot = it->second;
    HostValue previous = std::move(slot.value);
    slot.value = Coerce(slot.type, std::move(value));
    const char* interned = slot.name;
    const ObjectId id = o->id;
    if (o->isPlayer && name == kNameProperty && slot.value.index() == 4) {
        if (previous.index() == 4) {
            auto old = impl.playersByName.find(std::get<std::u16string>(previous));
            if (old != impl.playersByName.end() && old->second == id) impl.playersByName.erase(old);
        }
        impl.playersByName.insert_or_assign(std::get<std::u16string>(slot.value), id);
    }
    if (impl.observer != nullptr) impl.observer->OnPropertySet(kernel, id, interned, previous);
    return true;
}

bool HostKernel::SetInt(const ObjectId& obj, const char* name, int value) {
    COUNT_CALL;
    return AssignProperty(*this, *impl_, obj, View(name), VT_INT, value);
}

bool HostKernel::SetFloat(const ObjectId& obj, const char* name, float value) {
    COUNT_CALL;
    return AssignProperty(*this, *impl_, obj, View(name), VT_FLOAT, value);
}

bool HostKernel::SetString(const ObjectId& obj, const char* name, const char* value) {
    COUNT_CALL;
    return AssignProperty(*this, *impl_, obj, View(name), VT_STRING, std::string(View(value)));
}

bool HostKernel::SetWideStr(const ObjectId& obj, const char* name, const char16_t* value) {
    COUNT_CALL;
    return AssignProperty(*this, *impl_, obj, View(name), VT_WIDESTR, std::u16string(View(value)));
}

bool HostKernel::SetObject(const ObjectId& obj, const char* name, const ObjectId& value) {
    COUNT_CALL;
    return AssignProperty(*this, *impl_, obj, View(name), VT_OBJECT, value);
}

namespace {
const HostValue* SlotValue(const TextMap<std::string_view, Slot>& slots, std::string_view name) {
    auto it = slots.find(name);
    return it == slots.end() ? nullptr : &it->second.value;
}
int IntOf(const HostValue* v) {
    if (v == nullptr) return 0;
    if (v->index() == 1) return std::get<int>(*v);
    if (v->index() == 6) return static_cast<int>(std::get<std::int64_t>(*v));
    return 0;
}
float FloatOf(const HostValue* v) { return v != nullptr && v->index() == 2 ? std::get<float>(*v) : 0.0f; }
const char* StringOf(const HostValue* v) { return v != nullptr && v->index() == 3 ? std::get<std::string>(*v).c_str() : ""; }
const char16_t* WideOf(const HostValue* v) {
    return v != nullptr && v->index() == 4 ? std::get<std::u16string>(*v).c_str() : u"";
}
ObjectId ObjectOf(const HostValue* v) { return v != nullptr && v->index() == 5 ? std::get<ObjectId>(*v) : ObjectId{}; }
}  // namespace

#define PROP_VALUE(obj, name) \
    ([&]() -> const HostValue* { const Object* o_ = impl_->Find(obj); return o_ ? SlotValue(o_->props, View(name)) : nullptr; }())
#define DATA_VALUE(obj, name) \
    ([&]() -> const HostValue* { const Object* o_ = impl_->Find(obj); return o_ ? SlotValue(o_->data, View(name)) : nullptr; }())

int HostKernel::QueryInt(const ObjectId& obj, const char* name) { COUNT_CALL; return IntOf(PROP_VALUE(obj, name)); }
float HostKernel::QueryFloat(const ObjectId& obj, const char* name) { COUNT_CALL; return FloatOf(PROP_VALUE(obj, name)); }
const char* HostKernel::QueryString(const ObjectId& obj, const char* name) {
    COUNT_CALL;
    return StringOf(PROP_VALUE(obj, name));
}
const char16_t* HostKernel::QueryWideStr(const ObjectId& obj, const char* name) {
    COUNT_CALL;
    return WideOf(PROP_VALUE(obj, name));
}
ObjectId HostKernel::QueryObject(const ObjectId& obj, const char* name) { COUNT_CALL; return ObjectOf(PROP_VALUE(obj, name)); }

// ---------------------------------------------------------------- class records

bool HostKernel::AddClassRecord(int classIndex, const char* name, int cols, int maxRows, bool save) {
    COUNT_CALL;
    return AddClassRecordTo(*impl_, classIndex, name, cols, maxRows, save, save ? 1 : 0);
}

bool HostKernel::SetClassRecordColType(int classIndex, const char* name, int col, int type) {
    COUNT_CALL;
    ClassRecordInfo* info = ClassRecordOf(*impl_, classIndex, name);
    if (info == nullptr || col < 0 || col >= info->cols || type <= VT_NONE || type > VT_INT64 || type == VT_BYTES)
        return false;
    info->colTypes[static_cast<std::size_t>(col)] = type;
    return true;
}

bool HostKernel::SetClassRecordVisible(int classIndex, const char* name, const char* visibleName) {
    COUNT_CALL;
    ClassRecordInfo* info = ClassRecordOf(*impl_, classIndex, name);
    if (info == nullptr) return false;
    info->visibleName = View(visibleName);
    return true;
}

// ---------------------------------------------------------------- object records

// The object's record, diagnosing a missing object or record when asked to.
static ObjRecord* RecordOf(HostKernel::Impl& impl, const ObjectId& obj, const char* rec, const char* op, bool diagnose) {
    Object* o = impl.Find(obj);
    if (o == nullptr) {
        if (diagnose) impl.Diagnose(std::string(op) + ": no such object");
        return nullptr;
    }
    auto it = o->records.find(View(rec));
    if (it == o->records.end()) {
        if (diagnose) impl.Diagnose(std::string(op) + ": no record " + std::string(View(rec)));
        return nullptr;
    }
    return &it->second;
}

// The cell, appending a default row when row == rows (for writes), with type checks.
static HostValue* RecordCell(HostKernel::Impl& impl, const ObjectId& obj, const char* rec, int row, int col, int type,
                             bool write, const char* op) {
    ObjRecord* r = RecordOf(impl, obj, rec, op, true);
    if (r == nullptr) return nullptr;
    const int rows = static_cast<int>(r->rows.size());
    if (write && row == rows && rows < r->maxRows) {
        std::vector<HostValue> fresh;
        for (int t : r->colTypes) fresh.push_back(DefaultValue(t));
        r->rows.push_back(std::move(fresh));
    }
    if (row < 0 || row >= static_cast<int>(r->rows.size()) || col < 0 || col >= static_cast<int>(r->colTypes.size())) {
        impl.Diagnose(std::string(op) + " " + std::string(View(rec)) + ": cell (" + std::to_string(row) + ", " +
                      std::to_string(col) + ") out of range");
        return nullptr;
    }
    if (!TypeFits(r->colTypes[static_cast<std::size_t>(col)], type)) {
        impl.Diagnose(std::string(op) + " " + std::string(View(rec)) + ": column " + std::to_string(col) + " is not of type " +
                      std::to_string(type));
        return nullptr;
    }
    return &r->rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

bool HostKernel::FindRecord(const ObjectId& obj, const char* rec) {
    COUNT_CALL;
    return RecordOf(*impl_, obj, rec, "FindRecord", false) != nullptr;
}

bool HostKernel::GetRecordList(const ObjectId& obj, IVarList& out) {
    COUNT_CALL;
    const Object* o = impl_->Find(obj);
    if (o == nullptr) return false;
    for (const char* name : o->recordOrder) out.PushString(name);
    return true;
}

bool HostKernel::TestRecordFlag(const ObjectId& obj, const char* rec) {
    COUNT_CALL;
    const ObjRecord* r = RecordOf(*impl_, obj, rec, "TestRecordFlag", false);
    return r != nullptr && r->save;
}

int HostKernel::GetRecordCols(const ObjectId& obj, const char* rec) {
    COUNT_CALL;
    const ObjRecord* r = RecordOf(*impl_, obj, rec, "GetRecordCols", false);
    return r != nullptr ? static_cast<int>(r->colTypes.size()) : -1;
}

int HostKernel::GetRecordRows(const ObjectId& obj, const char* rec) {
    COUNT_CALL;
    const ObjRecord* r = RecordOf(*impl_, obj, rec, "GetRecordRows", false);
    return r != nullptr ? static_cast<int>(r->rows.size()) : -1;
}

int HostKernel::GetRecordColType(const ObjectId& obj, const char* rec, int col) {
    COUNT_CALL;
    const ObjRecord* r = RecordOf(*impl_, obj, rec, "GetRecordColType", false);
    if (r == nullptr || col < 0 || col >= static_cast<int>(r->colTypes.size())) return VT_NONE;
    return r->colTypes[static_cast<std::size_t>(col)];
}

int HostKernel::AddRecordRow(const ObjectId& obj, const char* rec, int row) {
    COUNT_CALL;
    ObjRecord* r = RecordOf(*impl_, obj, rec, "AddRecordRow", true);
    if (r == nullptr) return -1;
    const int rows = static_cast<int>(r->rows.size());
    if (row == -1) row = rows;
    if (row < 0 || row > rows || rows >= r->maxRows) {
        impl_->Diagnose("AddRecordRow " + std::string(View(rec)) + ": row " + std::to_string(row) + " refused (rows " +
                        std::to_string(rows) + ", max " + std::to_string(r->maxRows) + ")");
        return -1;
    }
    std::vector<HostValue> fresh;
    for (int t : r->colTypes) fresh.push_back(DefaultValue(t));
    r->rows.insert(r->rows.begin() + row, std::move(fresh));
    return row;
}

bool HostKernel::ClearRecord(const ObjectId& obj, const char* rec) {
    COUNT_CALL;
    ObjRecord* r = RecordOf(*impl_, obj, rec, "ClearRecord", true);
    if (r == nullptr) return false;
    r->rows.clear();
    return true;
}

bool HostKernel::SetRecordInt(const ObjectId& obj, const char* rec, int row, int col, int value) {
    COUNT_CALL;
    HostValue* cell = RecordCell(*impl_, obj, rec, row, col, VT_INT, true, "SetRecordInt");
    if (cell == nullptr) return false;
    *cell = cell->index() == 6 ? HostValue(static_cast<std::int64_t>(value)) : HostValue(value);
    return true;
}

bool HostKernel::SetRecordFloat(const ObjectId& obj, const char* rec, int row, int col, float value) {
    COUNT_CALL;
    HostValue* cell = RecordCell(*impl_, obj, rec, row, col, VT_FLOAT, true, "SetRecordFloat");
    if (cell == nullptr) return false;
    *cell = value;
    return true;
}

bool HostKernel::SetRecordString(const ObjectId& obj, const char* rec, int row, int col, const char* value) {
    COUNT_CALL;
    HostValue* cell = RecordCell(*impl_, obj, rec, row, col, VT_STRING, true, "SetRecordString");
    if (cell == nullptr) return false;
    *cell = std::string(View(value));
    return true;
}

bool HostKernel::SetRecordWideStr(const ObjectId& obj, const char* rec, int row, int col, const char16_t* value) {
    COUNT_CALL;
    HostValue* cell = RecordCell(*impl_, obj, rec, row, col, VT_WIDESTR, true, "SetRecordWideStr");
    if (cell == nullptr) return false;
    *cell = std::u16string(View(value));
    return true;
}

bool HostKernel::SetRecordObject(const ObjectId& obj, const char* rec, int row, int col, const ObjectId& value) {
    COUNT_CALL;
    HostValue* cell = RecordCell(*impl_, obj, rec, row, col, VT_OBJECT, true, "SetRecordObject");
    if (cell == nullptr) return false;
    *cell = value;
    return true;
}

int HostKernel::QueryRecordInt(const ObjectId& obj, const char* rec, int row, int col) {
    COUNT_CALL;
    return IntOf(RecordCell(*impl_, obj, rec, row, col, VT_INT, false, "QueryRecordInt"));
}

float HostKernel::QueryRecordFloat(const ObjectId& obj, const char* rec, int row, int col) {
    COUNT_CALL;
    return FloatOf(RecordCell(*impl_, obj, rec, row, col, VT_FLOAT, false, "QueryRecordFloat"));
}

const char* HostKernel::QueryRecordString(const ObjectId& obj, const char* rec, int row, int col) {
    COUNT_CALL;
    return StringOf(RecordCell(*impl_, obj, rec, row, col, VT_STRING, false, "QueryRecordString"));
}

const char16_t* HostKernel::QueryRecordWideStr(const ObjectId& obj, const char* rec, int row, int col) {
    COUNT_CALL;
    return WideOf(RecordCell(*impl_, obj, rec, row, col, VT_WIDESTR, false, "QueryRecordWideStr"));
}

ObjectId HostKernel::QueryRecordObject(const ObjectId& obj, const char* rec, int row, int col) {
    COUNT_CALL;
    return ObjectOf(RecordCell(*impl_, obj, rec, row, col, VT_OBJECT, false, "QueryRecordObject"));
}

// ---------------------------------------------------------------- named data values

bool HostKernel::FindData(const ObjectId& obj, const char* name) {
    COUNT_CALL;
    return DATA_VALUE(obj, name) != nullptr;
}

bool HostKernel::GetDataList(const ObjectId& obj, IVarList& out) {
    COUNT_CALL;
    const Object* o = impl_->Find(obj);
    if (o == nullptr) return false;
    for (const char* name : o->dataOrder) out.PushString(name);
    return true;
}

bool HostKernel::AddData(const ObjectId& obj, const char* name, int type) {
    COUNT_CALL;
    Object* o = impl_->Find(obj);
    if (o == nullptr || View(name).empty() || type <= VT_NONE || type > VT_INT64 || type == VT_BYTES) return false;
    if (o->data.count(View(name)) != 0) return false;
    const char* interned = impl_->Intern(View(name));
    o->data.emplace(interned, Slot{interned, type, false, DefaultValue(type)});
    o->dataOrder.push_back(interned);
    return true;
}

int HostKernel::GetDataType(const ObjectId& obj, const char* name) {
    COUNT_CALL;
    const Object* o = impl_->Find(obj);
    if (o == nullptr) return VT_NONE;
    auto it = o->data.find(View(name));
    return it == o->data.end() ? VT_NONE : it->second.type;
}

static bool SetData(HostKernel::Impl& impl, const ObjectId& obj, const char* name, int type, HostValue&& value) {
    Object* o = impl.Find(obj);
    if (o == nullptr) return false;
    auto it = o->data.find(View(name));
    if (it == o->data.end() || !TypeFits(it->second.type, type)) return false;
    it->second.value = Coerce(it->second.type, std::move(value));
    return true;
}

bool HostKernel::SetDataInt(const ObjectId& obj, const char* name, int value) {
    COUNT_CALL;
    return SetData(*impl_, obj, name, VT_INT, value);
}
bool HostKernel::SetDataFloat(const ObjectId& obj, const char* name, float value) {
    COUNT_CALL;
    return SetData(*impl_, obj, name, VT_FLOAT, value);
}
bool HostKernel::SetDataString(const ObjectId& obj, const char* name, const char* value) {
    COUNT_CALL;
    return SetData(*impl_, obj, name, VT_STRING, std::string(View(value)));
}
bool HostKernel::SetDataWideStr(const ObjectId& obj, const char* name, const char16_t* value) {
    COUNT_CALL;
    return SetData(*impl_, obj, name, VT_WIDESTR, std::u16string(View(value)));
}
bool HostKernel::SetDataObject(const ObjectId& obj, const char* name, const ObjectId& value) {
    COUNT_CALL;
    return SetData(*impl_, obj, name, VT_OBJECT, value);
}
int HostKernel::QueryDataInt(const ObjectId& obj, const char* name) { COUNT_CALL; return IntOf(DATA_VALUE(obj, name)); }
float HostKernel::QueryDataFloat(const ObjectId& obj, const char* name) { COUNT_CALL; return FloatOf(DATA_VALUE(obj, name)); }
const char* HostKernel::QueryDataString(const ObjectId& obj, const char* name) {
    COUNT_CALL;
    return StringOf(DATA_VALUE(obj, name));
}
const char16_t* HostKernel::QueryDataWideStr(const ObjectId& obj, const char* name) {
    COUNT_CALL;
    return WideOf(DATA_VALUE(obj, name));
}
ObjectId HostKernel::QueryDataObject(const ObjectId& obj, const char* name) { COUNT_CALL; return ObjectOf(DATA_VALUE(obj, name)); }

bool HostKernel::CreateObjectFromText(ObjectId& out, const ObjectId& container, const char* text) {
    return CreateObject(out, container, text, 0);
}

bool HostKernel::DestroyObject(const ObjectId& obj) {
    COUNT_CALL;
    auto it = impl_->objects.find(KeyOf(obj));
    if (obj.IsNull() || it == impl_->objects.end()) return false;
    Object& o = *it->second;
    if (o.isPlayer) {
        auto name = o.props.find(kNameProperty);
        if (name != o.props.end() && name->second.value.index() == 4) {
            auto byName = impl_->playersByName.find(std::get<std::u16string>(name->second.value));
            if (byName != impl_->playersByName.end() && byName->second == obj) impl_->playersByName.erase(byName);
        }
    }
    if (o.isScene) impl_->scenes.erase(o.sceneId);
    impl_->objects.erase(it);  // its heartbeats find no object and end
    return true;
}

const char* HostKernel::GetConfigName(const ObjectId& obj) {
    COUNT_CALL;
    const Object* o = impl_->Find(obj);
    return o != nullptr ? o->config.c_str() : "";
}

ObjectId HostKernel::GetSceneOf(const ObjectId& obj) {
    COUNT_CALL;
    const Object* o = impl_->Find(obj);
    if (o == nullptr) return ObjectId{};
    auto it = impl_->scenes.find(o->sceneId);
    return it == impl_->scenes.end() ? ObjectId{} : it->second;
}

bool HostKernel::Exists(const ObjectId& obj) {
    COUNT_CALL;
    return impl_->Find(obj) != nullptr;
}

// ---------------------------------------------------------------- heartbeats and messages

bool HostKernel::AddHeartBeat(const ObjectId& obj, const char* name, int intervalMs) {
    COUNT_CALL;
    Object* o = impl_->Find(obj);
    if (o == nullptr || intervalMs < 1 || impl_->heartFuncs.count(View(name)) == 0) return false;
    const char* interned = impl_->Intern(View(name));
    if (o->heartbeats.count(interned) != 0) return false;
    const std::uint64_t generation = ++impl_->heartGeneration;
    o->heartbeats.emplace(interned, HeartAttach{intervalMs, generation});
    impl_->timers.push(Timer{impl_->clock.NowMs() + intervalMs, ++impl_->seq, true, KeyOf(obj), interned, generation});
    return true;
}

bool HostKernel::FindHeartBeat(const ObjectId& obj, const char* name) {
    COUNT_CALL;
    const Object* o = impl_->Find(obj);
    return o != nullptr && o->heartbeats.count(View(name)) != 0;
}

bool HostKernel::SendCustomMessage(const ObjectId& /*sender*/, const ObjectId& receiver, const IVarList& msg) {
    COUNT_CALL;
    Object* o = impl_->Find(receiver);
    if (o == nullptr || !o->isPlayer) {
        impl_->Diagnose("SendCustomMessage: the receiver " + std::to_string(receiver.ident) + "." +
                        std::to_string(receiver.serial) + " is no online player");
        return false;
    }
    if (impl_->inboxLimit != 0 && o->inbox.size() >= impl_->inboxLimit)
        o->inbox.erase(o->inbox.begin(), o->inbox.begin() + static_cast<std::ptrdiff_t>(o->inbox.size() -
                                                                                      impl_->inboxLimit + 1));
    o->inbox.emplace_back(msg);
    ++impl_->messagesSent;
    return true;
}

bool HostKernel::CommandToScene(int sceneId, const IVarList& msg) {
    COUNT_CALL;
    if (impl_->scenes.count(sceneId) == 0) return false;
    for (const ObjectId& player : PlayersIn(sceneId)) RunCommand(player, msg);
    return true;
}

bool HostKernel::CommandToAllScenes(const IVarList& msg) {
    COUNT_CALL;
    for (const ObjectId& scene : Scenes())
        if (IsA(scene, "BaseScene")) RunCommand(scene, msg);
    return true;
}

// ---------------------------------------------------------------- public data

int HostKernel::GetPubDataIndex(const char16_t* name) { COUNT_CALL; return impl_->store.SpaceIndex(View(name)); }
bool HostKernel::FindPubData(const char16_t* name) { COUNT_CALL; return impl_->store.SpaceIndex(View(name)) >= 0; }
bool HostKernel::AddPubData(const char16_t* name, int flag) { COUNT_CALL; return impl_->store.AddSpace(View(name), flag); }
bool HostKernel::FindPubProperty(int index, const char* name) {
    COUNT_CALL;
    return impl_->store.FindProperty(index, View(name));
}
bool HostKernel::AddPubProperty(int index, const char* name, int type) {
    COUNT_CALL;
    return impl_->store.AddProperty(index, View(name), type);
}
bool HostKernel::SetPubPropertySave(int index, const char* name, bool save) {
    COUNT_CALL;
    return impl_->store.SetPropertySave(index, View(name), save);
}
bool HostKernel::SetPubPropertyInt(int index, const char* name, int value) {
    COUNT_CALL;
    return impl_->store.SetPropertyInt(index, View(name), value);
}
bool HostKernel::CompareSetPubPropertyInt(int index, const char* name, int expected, int desired) {
    COUNT_CALL;
    return impl_->store.CompareSetPropertyInt(index, View(name), expected, desired);
}
bool HostKernel::FindPubRecord(int index, const char* rec) { COUNT_CALL; return impl_->store.FindRecord(index, View(rec)); }
bool HostKernel::AddPubRecord(int index, const char* rec, int maxRows, int cols) {
    COUNT_CALL;
    return impl_->store.AddRecord(index, View(rec), maxRows, cols);
}
bool HostKernel::RemovePubRecord(int index, const char* rec) {
    COUNT_CALL;
    return impl_->store.RemoveRecord(index, View(rec));
}
bool HostKernel::SetPubRecordSave(int index, const char* rec, bool save) {
    COUNT_CALL;
    return impl_->store.SetRecordSave(index, View(rec), save);
}
bool HostKernel::SetPubRecordColType(int index, const char* rec, int col, int type) {
    COUNT_CALL;
    return impl_->store.SetColType(index, View(rec), col, type);
}
int HostKernel::GetPubRecordColType(int index, const char* rec, int col) {
    COUNT_CALL;
    return impl_->store.ColType(index, View(rec), col);
}
int HostKernel::GetPubRecordMax(int index, const char* rec) { COUNT_CALL; return impl_->store.MaxRows(index, View(rec)); }
int HostKernel::GetPubRecordRows(int index, const char* rec) { COUNT_CALL; return impl_->store.Rows(index, View(rec)); }
int HostKernel::GetPubRecordCols(int index, const char* rec) { COUNT_CALL; return impl_->store.Cols(index, View(rec)); }
bool HostKernel::InsertPubRecordRow(int index, const char* rec, int row) {
    COUNT_CALL;
    return impl_->store.InsertRow(index, View(rec), row);
}
int HostKernel::AddPubRecordRowValue(int index, const char* rec, int row, const IVarList& values) {
    COUNT_CALL;
    return impl_->store.AddRowValues(index, View(rec), row, values);
}
bool HostKernel::RemovePubRecordRow(int index, const char* rec, int row) {
    COUNT_CALL;
    return impl_->store.RemoveRow(index, View(rec), row);
}
bool HostKernel::ClearPubRecord(int index, const char* rec) { COUNT_CALL; return impl_->store.ClearRecord(index, View(rec)); }
int HostKernel::FindPubRecordWideStr(int index, const char* rec, int col, const char16_t* value) {
    COUNT_CALL;
    return impl_->store.FindWideStr(index, View(rec), col, View(value));
}
bool HostKernel::SetPubRecordRowValue(int index, const char* rec, int row, const IVarList& values) {
    COUNT_CALL;
    return impl_->store.SetRowValues(index, View(rec), row, values);
}
bool HostKernel::SetPubRecordInt(int index, const char* rec, int row, int col, int value) {
    COUNT_CALL;
    return impl_->store.SetInt(index, View(rec), row, col, value);
}
bool HostKernel::SetPubRecordFloat(int index, const char* rec, int row, int col, float value) {
    COUNT_CALL;
    return impl_->store.SetFloat(index, View(rec), row, col, value);
}
bool HostKernel::SetPubRecordString(int index, const char* rec, int row, int col, const char* value) {
    COUNT_CALL;
    return impl_->store.SetString(index, View(rec), row, col, View(value));
}
bool HostKernel::SetPubRecordWideStr(int index, const char* rec, int row, int col, const char16_t* value) {
    COUNT_CALL;
    return impl_->store.SetWideStr(index, View(rec), row, col, View(value));
}
int HostKernel::QueryPubRecordInt(int index, const char* rec, int row, int col) {
    COUNT_CALL;
    return impl_->store.QueryInt(index, View(rec), row, col);
}
float HostKernel::QueryPubRecordFloat(int index, const char* rec, int row, int col) {
    COUNT_CALL;
    return impl_->store.QueryFloat(index, View(rec), row, col);
}
const char* HostKernel::QueryPubRecordString(int index, const char* rec, int row, int col) {
    COUNT_CALL;
    impl_->store.QueryString(index, View(rec), row, col, impl_->narrowBuf);
    return impl_->narrowBuf.c_str();
}
const char16_t* HostKernel::QueryPubRecordWideStr(int index, const char* rec, int row, int col) {
    COUNT_CALL;
    impl_->store.QueryWideStr(index, View(rec), row, col, impl_->wideBuf);
    return impl_->wideBuf.c_str();
}
ObjectId HostKernel::QueryPubRecordObject(int index, const char* rec, int row, int col) {
    COUNT_CALL;
    return impl_->store.QueryObject(index, View(rec), row, col);
}

ObjectId HostKernel::FindPlayer(const char16_t* name) {
    COUNT_CALL;
    auto it = impl_->playersByName.find(View(name));
    return it == impl_->playersByName.end() ? ObjectId{} : it->second;
}

bool HostKernel::FindPubDataRecord(const char16_t* space, const char* rec) {
    COUNT_CALL;
    return impl_->store.FindRecord(impl_->store.SpaceIndex(View(space)), View(rec));
}
int HostKernel::GetPubDataRecordRows(const char16_t* space, const char* rec) {
    COUNT_CALL;
    return impl_->store.Rows(impl_->store.SpaceIndex(View(space)), View(rec));
}
int HostKernel::QueryPubDataRecordInt(const char16_t* space, const char* rec, int row, int col) {
    COUNT_CALL;
    return impl_->store.QueryInt(impl_->store.SpaceIndex(View(space)), View(rec), row, col);
}
const char16_t* HostKernel::QueryPubDataRecordWideStr(const char16_t* space, const char* rec, int row, int col) {
    COUNT_CALL;
    impl_->store.QueryWideStr(impl_->store.SpaceIndex(View(space)), View(rec), row, col, impl_->wideBuf);
    return impl_->wideBuf.c_str();
}

bool HostKernel::AddClassPropertySaveMode(int classIndex, const char* name, int type, int saveMode,
                                          const char* /*description*/) {
    COUNT_CALL;
    ClassPropertyInfo info;
    info.save = saveMode != 0;
    info.saveMode = saveMode;
    return AddClassPropertyTo(*impl_, classIndex, name, type, info);
}

bool HostKernel::AddClassPropertyExSaveMode(int classIndex, const char* name, int type, const char* /*extra*/,
                                            bool isPublic, bool isPrivate, int saveMode, const char* /*description*/) {
    COUNT_CALL;
    ClassPropertyInfo info;
    info.save = saveMode != 0;
    info.saveMode = saveMode;
    info.isPublic = isPublic;
    info.isPrivate = isPrivate;
    return AddClassPropertyTo(*impl_, classIndex, name, type, info);
}

bool HostKernel::AddClassRecordSaveMode(int classIndex, const char* name, int cols, int maxRows, int saveMode) {
    COUNT_CALL;
    return AddClassRecordTo(*impl_, classIndex, name, cols, maxRows, saveMode != 0, saveMode);
}

// ================================================================ the host's own side

int HostKernel::DefineClass(std::string_view name, std::string_view parent) {
    int parentIndex = -1;
    if (!parent.empty() && parent != name) parentIndex = DefineClass(parent);
    const int existing = impl_->ClassOfName(name);
    if (existing >= 0) {
        ClassDef& def = impl_->classes[static_cast<std::size_t>(existing)];
        // A class first named by a callback registration learns its parent later; no cycles.
        if (def.parent < 0 && parentIndex >= 0 && !impl_->ClassIsA(parentIndex, existing)) def.parent = parentIndex;
        return existing;
    }
    ClassDef def;
    def.name.assign(name);
    def.parent = parentIndex;
    impl_->classes.push_back(std::move(def));
    const int index = static_cast<int>(impl_->classes.size()) - 1;
    impl_->classByName.emplace(std::string(name), index);
    return index;
}

int HostKernel::ClassIndex(std::string_view name) const { return impl_->ClassOfName(name); }

bool HostKernel::IsA(const ObjectId& obj, std::string_view className) const {
    const Object* o = impl_->Find(obj);
    const int cls = impl_->ClassOfName(className);
    return o != nullptr && cls >= 0 && impl_->ClassIsA(o->cls, cls);
}

std::string HostKernel::ClassOf(const ObjectId& obj) const {
    const Object* o = impl_->Find(obj);
    return o != nullptr ? impl_->classes[static_cast<std::size_t>(o->cls)].name : std::string();
}

void HostKernel::DefineConfig(std::string_view configId, std::string_view className) {
    DefineClass(className);
    impl_->configs.insert_or_assign(std::string(configId), std::string(className));
}

const HostKernel::ClassPropertyInfo* HostKernel::ClassProperty(std::string_view className, std::string_view name) const {
    for (int c = impl_->ClassOfName(className); c >= 0; c = impl_->classes[static_cast<std::size_t>(c)].parent)
        for (const auto& p : impl_->classes[static_cast<std::size_t>(c)].props)
            if (name == p.first) return &p.second;
    return nullptr;
}

const HostKernel::ClassRecordInfo* HostKernel::ClassRecord(std::string_view className, std::string_view name) const {
    for (int c = impl_->ClassOfName(className); c >= 0; c = impl_->classes[static_cast<std::size_t>(c)].parent)
        for (const auto& r : impl_->classes[static_cast<std::size_t>(c)].records)
            if (name == r.first) return &r.second;
    return nullptr;
}

ObjectId HostKernel::CreateScene(int sceneId, std::string_view className, std::string_view configName) {
    const int base = impl_->ClassOfName("BaseScene");
    int cls = impl_->ClassOfName(className);
    if (cls < 0) cls = DefineClass(className, "BaseScene");
    if (sceneId < 1 || impl_->scenes.count(sceneId) != 0 || !impl_->ClassIsA(cls, base)) {
        impl_->Diagnose("CreateScene " + std::to_string(sceneId) + " " + std::string(className) + ": refused");
        return ObjectId{};
    }
    auto obj = std::make_unique<Object>();
    obj->id = ObjectId{impl_->nextIdent++, static_cast<std::uint32_t>(impl_->server)};
    obj->cls = cls;
    obj->config.assign(configName);
    obj->sceneId = sceneId;
    obj->isScene = true;
    const ObjectId id = obj->id;
    impl_->objects.emplace(KeyOf(id), std::move(obj));
    impl_->scenes.emplace(sceneId, id);
    return id;
}

ObjectId HostKernel::SceneObject(int sceneId) const {
    auto it = impl_->scenes.find(sceneId);
    return it == impl_->scenes.end() ? ObjectId{} : it->second;
}

std::vector<ObjectId> HostKernel::Scenes() const {
    std::vector<ObjectId> out;
    out.reserve(impl_->scenes.size());
    for (const auto& [id, obj] : impl_->scenes) out.push_back(obj);
    return out;
}

ObjectId HostKernel::CreatePlayer(std::u16string_view name, int sceneId) {
    if (name.empty() || impl_->playersByName.count(name) != 0) return ObjectId{};
    ObjectId container = SceneObject(sceneId);
    if (container.IsNull()) {
        impl_->Diagnose("CreatePlayer: no scene " + std::to_string(sceneId));
        return ObjectId{};
    }
    ObjectId player;
    const std::uint64_t calls = impl_->calls;
    if (!CreateObject(player, container, "player", 0)) return ObjectId{};
    impl_->calls = calls;  // host-side work is not counted as kernel calls
    AddProperty(player, kNameProperty, VT_WIDESTR, true);
    SetProperty(player, kNameProperty, std::u16string(name));
    return player;
}

bool HostKernel::MoveToScene(const ObjectId& obj, int sceneId) {
    Object* o = impl_->Find(obj);
    if (o == nullptr || o->isScene || impl_->scenes.count(sceneId) == 0) return false;
    o->sceneId = sceneId;
    return true;
}

std::vector<ObjectId> HostKernel::PlayersIn(int sceneId) const {
    std::vector<ObjectId> out;
    for (const auto& [key, obj] : impl_->objects)
        if (obj->isPlayer && obj->sceneId == sceneId) out.push_back(obj->id);
    std::sort(out.begin(), out.end(), [](const ObjectId& a, const ObjectId& b) { return a.ident < b.ident; });
    return out;
}

std::size_t HostKernel::ObjectCount() const { return impl_->objects.size(); }

bool HostKernel::SetProperty(const ObjectId& obj, std::string_view name, const HostValue& value) {
    const int type = TypeOfValue(value);
    Object* o = impl_->Find(obj);
    if (o == nullptr || type == VT_NONE || name.empty()) return false;
    auto it = o->props.find(name);
    if (it == o->props.end() || !TypeFits(it->second.type, type)) {
        if (it != o->props.end()) {
            it->second.type = type;
            it->second.value = DefaultValue(type);
        } else {
            AddProperty(obj, name, type, true);
        }
    }
    return AssignProperty(*this, *impl_, obj, name, type, HostValue(value));
}

HostValue HostKernel::Property(const ObjectId& obj, std::string_view name) const {
    const Object* o = impl_->Find(obj);
    if (o == nullptr) return std::monostate{};
    const HostValue* v = SlotValue(o->props, name);
    return v != nullptr ? *v : HostValue{};
}

bool HostKernel::AddProperty(const ObjectId& obj, std::string_view name, int type, bool save) {
    Object* o = impl_->Find(obj);
    if (o == nullptr || name.empty() || type <= VT_NONE || type > VT_INT64 || type == VT_BYTES) return false;
    if (o->props.count(name) != 0) return false;
    const char* interned = impl_->Intern(name);
    o->props.emplace(interned, Slot{interned, type, save, DefaultValue(type)});
    o->propOrder.push_back(interned);
    return true;
}

int HostKernel::RaiseEvent(const ObjectId& obj, std::string_view event, const ObjectId& sender, const IVarList& args) {
    const Object* o = impl_->Find(obj);
    if (o == nullptr) return 0;
    std::vector<Entry> entries;
    impl_->Collect(o->cls, [&](const ClassDef& def) -> const std::vector<Entry>* {
        auto it = def.events.find(event);
        return it == def.events.end() ? nullptr : &it->second;
    }, entries);
    const ObjectId self = obj;
    const ObjectId from = sender;
    SceneScope scope(impl_->currentScene, impl_->scenes.count(o->sceneId) ? impl_->scenes[o->sceneId] : ObjectId{});
    for (const Entry& e : entries) e.func(this, self, from, args);
    return static_cast<int>(entries.size());
}

int HostKernel::RunCommand(const ObjectId& obj, const IVarList& msg, const ObjectId& sender) {
    const Object* o = impl_->Find(obj);
    if (o == nullptr) return 0;
    if (msg.Size() == 0 || msg.TypeAt(0) != VT_INT) {
        impl_->Diagnose("command without an int id at element 0");
        return 0;
    }
    const int command = msg.IntAt(0);
    std::vector<Entry> entries;
    impl_->Collect(o->cls, [&](const ClassDef& def) -> const std::vector<Entry>* {
        auto it = def.commands.find(command);
        return it == def.commands.end() ? nullptr : &it->second;
    }, entries);
    if (entries.empty()) return 0;
    const ObjectId self = obj;
    const ObjectId from = sender;
    SceneScope scope(impl_->currentScene, impl_->scenes.count(o->sceneId) ? impl_->scenes[o->sceneId] : ObjectId{});
    for (const Entry& e : entries) e.func(this, self, from, msg);
    return static_cast<int>(entries.size());
}

int HostKernel::DeliverCustomMessage(const ObjectId& player, const IVarList& msg) {
    const Object* o = impl_->Find(player);
    if (o == nullptr || msg.Size() == 0 || msg.TypeAt(0) != VT_INT) return 0;
    auto it = impl_->customs.find(msg.IntAt(0));
    if (it == impl_->customs.end() || it->second.empty()) return 0;
    const ObjectId self = player;
    SceneScope scope(impl_->currentScene, impl_->scenes.count(o->sceneId) ? impl_->scenes[o->sceneId] : ObjectId{});
    const std::size_t n = it->second.size();
    if (n == 1) {  // the common case, without a copy of the list
        it->second.front().func(this, self, self, msg);
        return 1;
    }
    const std::vector<Entry> entries = it->second;
    for (const Entry& e : entries) e.func(this, self, self, msg);
    return static_cast<int>(entries.size());
}

bool HostKernel::RunHeartBeat(const ObjectId& obj, std::string_view name) {
    const Object* o = impl_->Find(obj);
    if (o == nullptr || o->heartbeats.count(name) == 0) return false;
    auto func = impl_->heartFuncs.find(name);
    if (func == impl_->heartFuncs.end()) return false;
    const ObjectId self = obj;
    SceneScope scope(impl_->currentScene, impl_->scenes.count(o->sceneId) ? impl_->scenes[o->sceneId] : ObjectId{});
    func->second(this, self);
    return true;
}

std::size_t HostKernel::CallbackCount() const {
    std::size_t n = 0;
    for (const ClassDef& def : impl_->classes) {
        for (const auto& [name, list] : def.events) n += list.size();
        for (const auto& [id, list] : def.commands) n += list.size();
    }
    for (const auto& [id, list] : impl_->customs) n += list.size();
    return n;
}

const std::vector<CVarList>& HostKernel::Inbox(const ObjectId& player) const {
    const Object* o = impl_->Find(player);
    return o != nullptr ? o->inbox : kNoMessages;
}

void HostKernel::ClearInbox(const ObjectId& player) {
    Object* o = impl_->Find(player);
    if (o != nullptr) o->inbox.clear();
}

std::size_t HostKernel::MessagesSent() const { return impl_->messagesSent; }
void HostKernel::SetInboxLimit(std::size_t limit) noexcept { impl_->inboxLimit = limit; }

HostClock& HostKernel::Clock() noexcept { return impl_->clock; }
const HostClock& HostKernel::Clock() const noexcept { return impl_->clock; }

void HostKernel::SetClock(int year, int month, int day, int hour, int minute, int second) {
    const std::int64_t now = HostClock::MsOf(year, month, day, hour, minute, second);
    impl_->clock.SetMs(now);
    // Periodic timers keep their phase and next fall due within one period of
    // the new time, so a jump neither replays missed periods nor skips ahead.
    std::vector<Timer> pending;
    while (!impl_->timers.empty()) {
        pending.push_back(impl_->timers.top());
        impl_->timers.pop();
    }
    for (Timer& t : pending) {
        std::int64_t period = 0;
        if (t.heartbeat) {
            auto it = impl_->objects.find(t.objKey);
            if (it == impl_->objects.end()) continue;
            auto attach = it->second->heartbeats.find(std::string_view(t.name));
            if (attach == it->second->heartbeats.end() || attach->second.generation != t.generation) continue;
            period = attach->second.intervalMs;
        } else {
            auto it = impl_->hostTimers.find(t.generation);
            if (it == impl_->hostTimers.end()) continue;
            period = it->second.periodMs;
        }
        if (period > 0) {
            const std::int64_t offset = ((t.due - now) % period + period) % period;
            t.due = now + (offset == 0 ? period : offset);
        }
        impl_->timers.push(t);
    }
}

void HostKernel::Advance(std::int64_t ms) { AdvanceTo(impl_->clock.NowMs() + std::max<std::int64_t>(ms, 0)); }

void HostKernel::AdvanceTo(std::int64_t target) {
    if (impl_->advancing) return;  // a callback cannot move the clock under its caller
    impl_->advancing = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{impl_->advancing};
    while (!impl_->timers.empty() && impl_->timers.top().due <= target) {
        const Timer t = impl_->timers.top();
        impl_->timers.pop();
        if (t.due > impl_->clock.NowMs()) impl_->clock.SetMs(t.due);
        if (t.heartbeat) {
            auto it = impl_->objects.find(t.objKey);
            if (it == impl_->objects.end()) continue;
            auto attach = it->second->heartbeats.find(std::string_view(t.name));
            if (attach == it->second->heartbeats.end() || attach->second.generation != t.generation) continue;
            Timer next = t;
            next.due = t.due + attach->second.intervalMs;
            next.seq = ++impl_->seq;
            impl_->timers.push(next);
            auto func = impl_->heartFuncs.find(std::string_view(t.name));
            if (func == impl_->heartFuncs.end()) continue;
            const ObjectId self = it->second->id;
            const int sceneId = it->second->sceneId;
            SceneScope scope(impl_->currentScene,
                             impl_->scenes.count(sceneId) ? impl_->scenes[sceneId] : ObjectId{});
            func->second(this, self);
        } else {
            auto it = impl_->hostTimers.find(t.generation);
            if (it == impl_->hostTimers.end()) continue;
            TimerFunc func = it->second.func;
            if (it->second.periodMs > 0) {
                Timer next = t;
                next.due = t.due + it->second.periodMs;
                next.seq = ++impl_->seq;
                impl_->timers.push(next);
            } else {
                impl_->hostTimers.erase(it);
            }
            func(*this);
        }
    }
    if (target > impl_->clock.NowMs()) impl_->clock.SetMs(target);
}

std::uint64_t HostKernel::AddTimer(std::int64_t dueMs, std::int64_t periodMs, TimerFunc func) {
    const std::uint64_t id = impl_->nextTimerId++;
    impl_->hostTimers.emplace(id, HostTimer{std::max<std::int64_t>(periodMs, 0), std::move(func)});
    impl_->timers.push(Timer{dueMs, ++impl_->seq, false, 0, nullptr, id});
    return id;
}

bool HostKernel::CancelTimer(std::uint64_t id) { return impl_->hostTimers.erase(id) != 0; }

void HostKernel::CancelTimers() { impl_->hostTimers.clear(); }

const std::vector<std::string>& HostKernel::Logs() const noexcept { return impl_->logs; }
const std::vector<std::string>& HostKernel::Traces() const noexcept { return impl_->traces; }
void HostKernel::ClearLogs() {
    impl_->logs.clear();
    impl_->traces.clear();
}
void HostKernel::SetEcho(bool echo) noexcept { impl_->echo = echo; }
DiagnosticLog& HostKernel::Diagnostics() noexcept { return impl_->diagnostics; }
const DiagnosticLog& HostKernel::Diagnostics() const noexcept { return impl_->diagnostics; }
std::uint64_t HostKernel::KernelCalls() const noexcept { return impl_->calls; }
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
    for (ClassDef& def : impl_->classes) {
        def.events.clear();
        def.commands.clear();
    }
    impl_->customs.clear();
    impl_->heartFuncs.clear();
    for (auto& [key, obj] : impl_->objects) obj->heartbeats.clear();  // pending timers find no attachment
}
