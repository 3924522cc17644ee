#include "HostValue.h"

int TypeOfValue(const HostValue& value) noexcept {
    return std::visit(
        Overloaded{[](std::monostate) { return VT_NONE; }, [](int) { return VT_INT; }, [](float) { return VT_FLOAT; },
                   [](const std::string&) { return VT_STRING; }, [](const std::u16string&) { return VT_WIDESTR; },
                   [](const ObjectId&) { return VT_OBJECT; }, [](std::int64_t) { return VT_INT64; }},
        value);
}

bool IsStorableType(int type) noexcept { return type > VT_NONE && type <= VT_INT64 && type != VT_BYTES; }

HostValue DefaultValue(int type) {
    switch (type) {
        case VT_BOOL:
        case VT_INT: return 0;
        case VT_FLOAT: return 0.0f;
        case VT_STRING: return std::string();
        case VT_WIDESTR: return std::u16string();
        case VT_OBJECT: return ObjectId{};
        case VT_INT64: return std::int64_t{0};
        default: return std::monostate{};
    }
}

HostValue StoredAs(int slotType, HostValue value) {
    if (const int* narrow = std::get_if<int>(&value); narrow != nullptr && slotType == VT_INT64)
        return static_cast<std::int64_t>(*narrow);
    return value;
}

void AssignInt(HostValue& cell, int value) {
    if (std::holds_alternative<std::int64_t>(cell))
        cell = static_cast<std::int64_t>(value);
    else
        cell = value;
}

HostValue ValueFromList(const IVarList& list, std::size_t index) {
    if (index >= list.Size()) return std::monostate{};
    switch (list.TypeAt(index)) {
        case VT_BOOL:
        case VT_INT: return list.IntAt(index);
        case VT_FLOAT: return list.FloatAt(index);
        case VT_STRING: {
            const char* text = list.StringAt(index);
            return std::string(text != nullptr ? text : "");
        }
        case VT_WIDESTR: {
            const char16_t* text = list.WideStringAt(index);
            return std::u16string(text != nullptr ? text : u"");
        }
        case VT_OBJECT: return list.ObjectAt(index);
        case VT_INT64: return list.Int64At(index);
        default: return std::monostate{};
    }
}

void PushValue(IVarList& list, const HostValue& value) {
    std::visit(Overloaded{[](std::monostate) {}, [&](int v) { list.PushInt(v); }, [&](float v) { list.PushFloat(v); },
                          [&](const std::string& v) { list.PushString(v.c_str()); },
                          [&](const std::u16string& v) { list.PushWideString(v.c_str()); },
                          [&](const ObjectId& v) { list.PushObject(v); }, [&](std::int64_t v) { list.PushInt64(v); }},
               value);
}

bool TypeFits(int cellType, int listType) noexcept {
    if (cellType == VT_NONE || cellType == VT_BYTES) return false;
    if (cellType == listType) return true;
    return (cellType == VT_BOOL && listType == VT_INT) || (cellType == VT_INT && listType == VT_BOOL) ||
           (cellType == VT_INT64 && listType == VT_INT);
}

int IntOf(const HostValue* value) noexcept {
    if (value == nullptr) return 0;
    if (const int* v = std::get_if<int>(value)) return *v;
    if (const std::int64_t* v = std::get_if<std::int64_t>(value)) return static_cast<int>(*v);
    return 0;
}

float FloatOf(const HostValue* value) noexcept {
    const float* v = value != nullptr ? std::get_if<float>(value) : nullptr;
    return v != nullptr ? *v : 0.0f;
}

const std::string* StringOf(const HostValue* value) noexcept {
    return value != nullptr ? std::get_if<std::string>(value) : nullptr;
}

const std::u16string* WideOf(const HostValue* value) noexcept {
    return value != nullptr ? std::get_if<std::u16string>(value) : nullptr;
}

ObjectId ObjectOf(const HostValue* value) noexcept {
    const ObjectId* v = value != nullptr ? std::get_if<ObjectId>(value) : nullptr;
    return v != nullptr ? *v : ObjectId{};
}
