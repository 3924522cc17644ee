#include "ClassRegistry.h"

#include "DiagnosticLog.h"
#include "HostValue.h"
#include "TypedTable.h"

namespace {
// Parents are set once and never form a cycle; the bound only guards the walk.
constexpr int kMaxDepth = 64;
}  // namespace

int ClassRegistry::Define(std::string_view name, std::string_view parent) {
    int parentIndex = -1;
    if (!parent.empty() && parent != name) parentIndex = Define(parent);
    const int existing = IndexOf(name);
    if (existing >= 0) {
        Class& def = classes_[static_cast<std::size_t>(existing)];
        if (def.parent < 0 && parentIndex >= 0 && !IsA(parentIndex, existing)) def.parent = parentIndex;
        return existing;
    }
    Class def;
    def.name.assign(name);
    def.parent = parentIndex;
    classes_.push_back(std::move(def));
    const int index = static_cast<int>(classes_.size()) - 1;
    byName_.emplace(std::string(name), index);
    return index;
}

int ClassRegistry::IndexOf(std::string_view name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? -1 : it->second;
}

bool ClassRegistry::IsA(int cls, int ancestor) const {
    for (int c = cls, depth = 0; Valid(c) && depth < kMaxDepth;
         c = classes_[static_cast<std::size_t>(c)].parent, ++depth)
        if (c == ancestor) return true;
    return false;
}

std::vector<int> ClassRegistry::Lineage(int cls) const {
    std::vector<int> out;
    for (int c = cls, depth = 0; Valid(c) && depth < kMaxDepth;
         c = classes_[static_cast<std::size_t>(c)].parent, ++depth)
        out.push_back(c);
    return out;
}

void ClassRegistry::DefineConfig(std::string_view configId, std::string_view className) {
    Define(className);
    configs_.insert_or_assign(std::string(configId), std::string(className));
}

int ClassRegistry::ClassOfConfig(std::string_view configId) const {
    int cls = -1;
    auto config = configs_.find(configId);
    if (config != configs_.end()) cls = IndexOf(config->second);
    if (cls < 0) cls = IndexOf(configId);
    if (cls < 0) cls = IndexOf("item");
    return cls;
}

bool ClassRegistry::AddProperty(int cls, std::string_view name, const ClassPropertyInfo& info) {
    if (!Valid(cls) || name.empty() || !IsStorableType(info.type)) return false;
    Class& def = classes_[static_cast<std::size_t>(cls)];
    for (const auto& p : def.props)
        if (p.first == name) return false;
    def.props.emplace_back(std::string(name), info);
    return true;
}

bool ClassRegistry::AddRecord(int cls, std::string_view name, int cols, int maxRows, bool save, int saveMode) {
    if (!Valid(cls) || name.empty()) return false;
    Class& def = classes_[static_cast<std::size_t>(cls)];
    for (const auto& r : def.records)
        if (r.first == name) return false;
    const std::string why = TypedTable::ShapeRefusal(maxRows, cols);
    if (!why.empty()) {
        diagnostics_.Add("AddClassRecord " + def.name + "/" + std::string(name) + ": " + why);
        return false;
    }
    ClassRecordInfo info;
    info.cols = cols;
    info.maxRows = maxRows;
    info.save = save;
    info.saveMode = saveMode;
    info.colTypes.assign(static_cast<std::size_t>(cols), VT_NONE);
    def.records.emplace_back(std::string(name), std::move(info));
    return true;
}

ClassRecordInfo* ClassRegistry::Record(int cls, std::string_view name) {
    if (!Valid(cls)) return nullptr;
    for (auto& r : classes_[static_cast<std::size_t>(cls)].records)
        if (r.first == name) return &r.second;
    return nullptr;
}

const std::vector<std::pair<std::string, ClassPropertyInfo>>& ClassRegistry::Properties(int cls) const {
    return classes_[static_cast<std::size_t>(cls)].props;
}

const std::vector<std::pair<std::string, ClassRecordInfo>>& ClassRegistry::Records(int cls) const {
    return classes_[static_cast<std::size_t>(cls)].records;
}

const ClassPropertyInfo* ClassRegistry::FindProperty(std::string_view className, std::string_view name) const {
    for (int c : Lineage(IndexOf(className)))
        for (const auto& p : classes_[static_cast<std::size_t>(c)].props)
            if (p.first == name) return &p.second;
    return nullptr;
}

const ClassRecordInfo* ClassRegistry::FindRecord(std::string_view className, std::string_view name) const {
    for (int c : Lineage(IndexOf(className)))
        for (const auto& r : classes_[static_cast<std::size_t>(c)].records)
            if (r.first == name) return &r.second;
    return nullptr;
}
