#include "HostObjects.h"

#include <algorithm>

#include "DiagnosticLog.h"
#include "ObjectKey.h"

namespace {
constexpr std::string_view kNameProperty = "Name";

const HostValue* SlotValue(const TextMap<std::string_view, HostSlot>& slots, std::string_view name) {
    auto it = slots.find(name);
    return it == slots.end() ? nullptr : &it->second.value;
}
}  // namespace

HostObjects::HostObjects(ClassRegistry& classes, DiagnosticLog& diagnostics, int server)
    : classes_(classes), diagnostics_(diagnostics), server_(server) {}

void HostObjects::Diagnose(std::string line) { diagnostics_.Add("server " + std::to_string(server_) + ": " + line); }

HostObject* HostObjects::Find(const ObjectId& id) {
    if (id.IsNull()) return nullptr;
    auto it = objects_.find(KeyOf(id));
    return it == objects_.end() ? nullptr : it->second.get();
}

const HostObject* HostObjects::Find(const ObjectId& id) const { return const_cast<HostObjects*>(this)->Find(id); }

HostObject& HostObjects::Insert(std::unique_ptr<HostObject> object) {
    object->id = ObjectId{nextIdent_++, static_cast<std::uint32_t>(server_)};
    HostObject& placed = *object;
    objects_.emplace(KeyOf(placed.id), std::move(object));
    return placed;
}

// ---------------------------------------------------------------- making and removing

ObjectId HostObjects::Create(const ObjectId& container, std::string_view configId) {
    const HostObject* holder = Find(container);
    if (holder == nullptr || configId.empty()) {
        Diagnose("CreateObject: no container or empty configuration " + std::string(configId));
        return ObjectId{};
    }
    auto object = std::make_unique<HostObject>();
    object->cls = classes_.ClassOfConfig(configId);
    object->config.assign(configId);
    object->sceneId = holder->sceneId;
    object->isPlayer = classes_.IsA(object->cls, classes_.IndexOf("player"));
    // Properties and records of the class tree, from the root down.
    std::vector<int> lineage = classes_.Lineage(object->cls);
    for (auto c = lineage.rbegin(); c != lineage.rend(); ++c) {
        for (const auto& [name, info] : classes_.Properties(*c)) {
            if (object->props.count(name) != 0) continue;
            const char* kept = names_.Intern(name);
            object->props.emplace(kept, HostSlot{kept, info.type, info.save, DefaultValue(info.type)});
            object->propOrder.push_back(kept);
        }
        for (const auto& [name, info] : classes_.Records(*c)) {
            if (object->records.count(name) != 0) continue;
            const char* kept = names_.Intern(name);
            std::vector<int> types = info.colTypes;
            types.resize(static_cast<std::size_t>(std::max(info.cols, 0)), VT_NONE);
            object->records.emplace(kept, TypedTable(info.maxRows, std::move(types), info.save));
            object->recordOrder.push_back(kept);
        }
    }
    return Insert(std::move(object)).id;
}

ObjectId HostObjects::CreateScene(int sceneId, std::string_view className, std::string_view configName) {
    int cls = classes_.IndexOf(className);
    if (cls < 0) cls = classes_.Define(className, "BaseScene");
    if (sceneId < 1 || scenes_.count(sceneId) != 0 || !classes_.IsA(cls, classes_.IndexOf("BaseScene"))) {
        Diagnose("CreateScene " + std::to_string(sceneId) + " " + std::string(className) + ": refused");
        return ObjectId{};
    }
    auto object = std::make_unique<HostObject>();
    object->cls = cls;
    object->config.assign(configName);
    object->sceneId = sceneId;
    object->isScene = true;
    const ObjectId id = Insert(std::move(object)).id;
    scenes_.emplace(sceneId, id);
    return id;
}

ObjectId HostObjects::CreatePlayer(std::u16string_view name, int sceneId) {
    if (name.empty() || playersByName_.count(name) != 0) return ObjectId{};
    const ObjectId container = SceneObject(sceneId);
    if (container.IsNull()) {
        Diagnose("CreatePlayer: no scene " + std::to_string(sceneId));
        return ObjectId{};
    }
    const ObjectId player = Create(container, "player");
    if (player.IsNull()) return player;
    AddProperty(player, kNameProperty, VT_WIDESTR, true);
    HostValue previous;
    const char* interned = nullptr;
    AssignProperty(player, kNameProperty, VT_WIDESTR, std::u16string(name), previous, interned);
    return player;
}

bool HostObjects::Destroy(const ObjectId& id) {
    auto it = id.IsNull() ? objects_.end() : objects_.find(KeyOf(id));
    if (it == objects_.end()) return false;
    HostObject& object = *it->second;
    if (object.isPlayer) {
        if (const std::u16string* name = WideOf(SlotValue(object.props, kNameProperty))) {
            auto byName = playersByName_.find(*name);
            if (byName != playersByName_.end() && byName->second == id) playersByName_.erase(byName);
        }
    }
    if (object.isScene) scenes_.erase(object.sceneId);
    objects_.erase(it);
    return true;
}

// ---------------------------------------------------------------- scenes and players

ObjectId HostObjects::SceneObject(int sceneId) const {
    auto it = scenes_.find(sceneId);
    return it == scenes_.end() ? ObjectId{} : it->second;
}

ObjectId HostObjects::SceneOf(const HostObject& object) const { return SceneObject(object.sceneId); }

std::vector<ObjectId> HostObjects::Scenes() const {
    std::vector<ObjectId> out;
    out.reserve(scenes_.size());
    for (const auto& [id, scene] : scenes_) out.push_back(scene);
    return out;
}

ObjectId HostObjects::FirstScene() const { return scenes_.empty() ? ObjectId{} : scenes_.begin()->second; }

int HostObjects::HighestSceneId() const { return scenes_.empty() ? 0 : scenes_.rbegin()->first; }

bool HostObjects::MoveToScene(const ObjectId& id, int sceneId) {
    HostObject* object = Find(id);
    if (object == nullptr || object->isScene || !SceneExists(sceneId)) return false;
    object->sceneId = sceneId;
    return true;
}

ObjectId HostObjects::FindPlayer(std::u16string_view name) const {
    auto it = playersByName_.find(name);
    return it == playersByName_.end() ? ObjectId{} : it->second;
}

std::vector<ObjectId> HostObjects::PlayersIn(int sceneId) const {
    std::vector<ObjectId> out;
    for (const auto& [key, object] : objects_)
        if (object->isPlayer && object->sceneId == sceneId) out.push_back(object->id);
    std::sort(out.begin(), out.end(), [](const ObjectId& a, const ObjectId& b) { return a.ident < b.ident; });
    return out;
}

// ---------------------------------------------------------------- properties and named data

bool HostObjects::AddProperty(const ObjectId& id, std::string_view name, int type, bool save) {
    HostObject* object = Find(id);
    if (object == nullptr || name.empty() || !IsStorableType(type) || object->props.count(name) != 0) return false;
    const char* kept = names_.Intern(name);
    object->props.emplace(kept, HostSlot{kept, type, save, DefaultValue(type)});
    object->propOrder.push_back(kept);
    return true;
}

const HostSlot* HostObjects::PropertySlot(const ObjectId& id, std::string_view name) const {
    const HostObject* object = Find(id);
    if (object == nullptr) return nullptr;
    auto it = object->props.find(name);
    return it == object->props.end() ? nullptr : &it->second;
}

const HostValue* HostObjects::PropertyValue(const ObjectId& id, std::string_view name) const {
    const HostSlot* slot = PropertySlot(id, name);
    return slot != nullptr ? &slot->value : nullptr;
}

bool HostObjects::AssignProperty(const ObjectId& id, std::string_view name, int type, HostValue&& value,
                                 HostValue& previous, const char*& interned) {
    HostObject* object = Find(id);
    if (object == nullptr) return false;
    auto it = object->props.find(name);
    if (it == object->props.end() || !TypeFits(it->second.type, type)) return false;
    HostSlot& slot = it->second;
    previous = std::move(slot.value);
    slot.value = StoredAs(slot.type, std::move(value));
    interned = slot.name;
    // Players are found by their name: keep the index in step with renames.
    const std::u16string* newName = WideOf(&slot.value);
    if (object->isPlayer && name == kNameProperty && newName != nullptr) {
        if (const std::u16string* oldName = WideOf(&previous)) {
            auto old = playersByName_.find(*oldName);
            if (old != playersByName_.end() && old->second == id) playersByName_.erase(old);
        }
        playersByName_.insert_or_assign(*newName, id);
    }
    return true;
}

void HostObjects::Retype(const ObjectId& id, std::string_view name, int type) {
    HostObject* object = Find(id);
    if (object == nullptr) return;
    auto it = object->props.find(name);
    if (it == object->props.end() || TypeFits(it->second.type, type)) return;
    it->second.type = type;
    it->second.value = DefaultValue(type);
}

bool HostObjects::AddData(const ObjectId& id, std::string_view name, int type) {
    HostObject* object = Find(id);
    if (object == nullptr || name.empty() || !IsStorableType(type) || object->data.count(name) != 0) return false;
    const char* kept = names_.Intern(name);
    object->data.emplace(kept, HostSlot{kept, type, false, DefaultValue(type)});
    object->dataOrder.push_back(kept);
    return true;
}

const HostSlot* HostObjects::DataSlot(const ObjectId& id, std::string_view name) const {
    const HostObject* object = Find(id);
    if (object == nullptr) return nullptr;
    auto it = object->data.find(name);
    return it == object->data.end() ? nullptr : &it->second;
}

const HostValue* HostObjects::DataValue(const ObjectId& id, std::string_view name) const {
    const HostSlot* slot = DataSlot(id, name);
    return slot != nullptr ? &slot->value : nullptr;
}

bool HostObjects::AssignData(const ObjectId& id, std::string_view name, int type, HostValue&& value) {
    HostSlot* slot = const_cast<HostSlot*>(DataSlot(id, name));
    if (slot == nullptr || !TypeFits(slot->type, type)) return false;
    slot->value = StoredAs(slot->type, std::move(value));
    return true;
}

// ---------------------------------------------------------------- records

TypedTable* HostObjects::Record(const ObjectId& id, std::string_view rec, std::string_view op, bool diagnose) {
    HostObject* object = Find(id);
    if (object == nullptr) {
        if (diagnose) Diagnose(std::string(op) + ": no such object");
        return nullptr;
    }
    auto it = object->records.find(rec);
    if (it == object->records.end()) {
        if (diagnose) Diagnose(std::string(op) + ": no record " + std::string(rec));
        return nullptr;
    }
    return &it->second;
}

HostValue* HostObjects::Cell(const ObjectId& id, std::string_view rec, int row, int col, int type, bool write,
                             std::string_view op) {
    TypedTable* table = Record(id, rec, op, true);
    if (table == nullptr) return nullptr;
    std::string why;
    if (write && row == table->Rows() && table->Rows() < table->MaxRows()) table->InsertDefaultRow(row, why);
    HostValue* cell = table->Cell(row, col, type, why);
    if (cell == nullptr) Diagnose(std::string(op) + " " + std::string(rec) + ": " + why);
    return cell;
}

int HostObjects::AddRecordRow(const ObjectId& id, std::string_view rec, int row) {
    TypedTable* table = Record(id, rec, "AddRecordRow", true);
    if (table == nullptr) return -1;
    if (row == -1) row = table->Rows();
    std::string why;
    if (table->InsertDefaultRow(row, why)) return row;
    Diagnose("AddRecordRow " + std::string(rec) + ": " + why);
    return -1;
}
