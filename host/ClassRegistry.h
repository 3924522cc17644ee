#pragma once
// The host's logic classes: a tree of named classes (callbacks and definitions
// registered for a class reach every class below it), configurations that name
// a class, and the properties and records each class gives its later objects.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "TextMap.h"
#include "module/ValueType.h"

class DiagnosticLog;

struct ClassPropertyInfo {
    int type = VT_NONE;
    bool save = false;
    bool isPublic = false;
    bool isPrivate = false;
    int saveMode = 0;
};

struct ClassRecordInfo {
    int cols = 0;
    int maxRows = 0;
    bool save = false;
    int saveMode = 0;
    std::vector<int> colTypes;
    std::string visibleName;
};

class ClassRegistry {
public:
    explicit ClassRegistry(DiagnosticLog& diagnostics) : diagnostics_(diagnostics) {}

    // Its index; the existing one when defined (a class first named without a
    // parent learns it later; never a cycle).
    int Define(std::string_view name, std::string_view parent = {});
    int IndexOf(std::string_view name) const;  // -1 when unknown
    bool Valid(int cls) const noexcept { return cls >= 0 && cls < static_cast<int>(classes_.size()); }
    std::size_t Count() const noexcept { return classes_.size(); }
    const std::string& NameOf(int cls) const { return classes_[static_cast<std::size_t>(cls)].name; }
    bool IsA(int cls, int ancestor) const;  // cls is ancestor or below it
    // cls and every class above it, nearest first.
    std::vector<int> Lineage(int cls) const;

    void DefineConfig(std::string_view configId, std::string_view className);
    // The class of objects made from configId: the configuration's class, else the
    // class of that name, else "item".
    int ClassOfConfig(std::string_view configId) const;

    // False for an unknown class, an empty name, a type that cannot be stored or a taken name.
    bool AddProperty(int cls, std::string_view name, const ClassPropertyInfo& info);
    // False (shape refusals diagnosed) for an unknown class, an empty or taken name, or a refused shape.
    bool AddRecord(int cls, std::string_view name, int cols, int maxRows, bool save, int saveMode);
    ClassRecordInfo* Record(int cls, std::string_view name);  // of that class only; null when none

    // Definitions of the class itself, in the order added.
    const std::vector<std::pair<std::string, ClassPropertyInfo>>& Properties(int cls) const;
    const std::vector<std::pair<std::string, ClassRecordInfo>>& Records(int cls) const;
    // The definition seen by objects of the class (its own or the nearest above); null when none.
    const ClassPropertyInfo* FindProperty(std::string_view className, std::string_view name) const;
    const ClassRecordInfo* FindRecord(std::string_view className, std::string_view name) const;

private:
    struct Class {
        std::string name;
        int parent = -1;
        std::vector<std::pair<std::string, ClassPropertyInfo>> props;
        std::vector<std::pair<std::string, ClassRecordInfo>> records;
    };

    DiagnosticLog& diagnostics_;
    std::vector<Class> classes_;
    TextMap<std::string, int> byName_;
    TextMap<std::string, std::string> configs_;
};
