#pragma once
// The game objects of one server: scenes, players and everything made by
// CreateObject, with their properties, named data values and records. Objects
// take their properties and records from the class tree when made. Ids carry the
// server's number in their serial, so ids of two servers never meet.
//
// Refusals of record operations are written to the kernel's diagnostics; probes
// (finding a record, its size or its flag) never are.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ClassRegistry.h"
#include "HostValue.h"
#include "NameTable.h"
#include "TextMap.h"
#include "TypedTable.h"

class DiagnosticLog;

// A property or a named data value.
struct HostSlot {
    const char* name = "";  // interned
    int type = VT_NONE;
    bool save = false;
    HostValue value;
};

struct HostObject {
    ObjectId id;
    int cls = -1;
    std::string config;
    int sceneId = 0;  // the scene holding it (its own id for a scene object)
    bool isScene = false;
    bool isPlayer = false;
    TextMap<std::string_view, HostSlot> props;
    std::vector<const char*> propOrder;
    TextMap<std::string_view, HostSlot> data;
    std::vector<const char*> dataOrder;
    TextMap<std::string_view, TypedTable> records;
    std::vector<const char*> recordOrder;
};

class HostObjects {
public:
    HostObjects(ClassRegistry& classes, DiagnosticLog& diagnostics, int server);

    HostObject* Find(const ObjectId& id);
    const HostObject* Find(const ObjectId& id) const;
    std::size_t Count() const noexcept { return objects_.size(); }

    // --- making and removing ---
    // An object of the configuration's class in the container's scene; null (diagnosed) without a container or configuration.
    ObjectId Create(const ObjectId& container, std::string_view configId);
    // Null (diagnosed) when the id is < 1, taken, or the class is not below "BaseScene".
    ObjectId CreateScene(int sceneId, std::string_view className, std::string_view configName);
    // A "player" with its "Name" (wide text, saved); null when the name is online already.
    ObjectId CreatePlayer(std::u16string_view name, int sceneId);
    bool Destroy(const ObjectId& id);

    // --- scenes and players ---
    ObjectId SceneObject(int sceneId) const;  // null when none
    ObjectId SceneOf(const HostObject& object) const;
    std::vector<ObjectId> Scenes() const;  // in id order
    ObjectId FirstScene() const;           // the lowest-numbered scene; null when none
    int HighestSceneId() const;            // 0 when none
    bool SceneExists(int sceneId) const { return scenes_.count(sceneId) != 0; }
    bool MoveToScene(const ObjectId& id, int sceneId);
    ObjectId FindPlayer(std::u16string_view name) const;
    std::vector<ObjectId> PlayersIn(int sceneId) const;  // in creation order

    // --- properties and named data ---
    bool AddProperty(const ObjectId& id, std::string_view name, int type, bool save);
    const HostValue* PropertyValue(const ObjectId& id, std::string_view name) const;
    const HostSlot* PropertySlot(const ObjectId& id, std::string_view name) const;
    // Writes a property that exists with a type the value fits; the value it held goes
    // to previous. False when the object or property is missing or of another type.
    bool AssignProperty(const ObjectId& id, std::string_view name, int type, HostValue&& value, HostValue& previous,
                        const char*& interned);
    // Gives a property the value's type when it has another (its value restarts from the default).
    void Retype(const ObjectId& id, std::string_view name, int type);
    bool AddData(const ObjectId& id, std::string_view name, int type);  // false when it exists
    const HostSlot* DataSlot(const ObjectId& id, std::string_view name) const;
    const HostValue* DataValue(const ObjectId& id, std::string_view name) const;
    bool AssignData(const ObjectId& id, std::string_view name, int type, HostValue&& value);

    // --- records ---
    // The object's record; a missing object or record is diagnosed under op when asked.
    TypedTable* Record(const ObjectId& id, std::string_view rec, std::string_view op, bool diagnose);
    // The cell, diagnosed when missing or of another type. A write to row == rows
    // appends one default row first when there is room.
    HostValue* Cell(const ObjectId& id, std::string_view rec, int row, int col, int type, bool write,
                    std::string_view op);
    int AddRecordRow(const ObjectId& id, std::string_view rec, int row);  // -1 appends; -1 (diagnosed) when refused

private:
    HostObject& Insert(std::unique_ptr<HostObject> object);
    void Diagnose(std::string line);

    ClassRegistry& classes_;
    DiagnosticLog& diagnostics_;
    int server_;
    std::uint32_t nextIdent_ = 1;
    NameTable names_;
    std::unordered_map<std::uint64_t, std::unique_ptr<HostObject>> objects_;
    std::map<int, ObjectId> scenes_;
    TextMap<std::u16string, ObjectId> playersByName_;
};
