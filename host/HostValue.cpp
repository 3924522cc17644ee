#include "HostValue.h"

int TypeOfValue(const HostValue& value) noexcept {
    switch (value.index()) {
        case 1: return VT_INT;
        case 2: return VT_FLOAT;
        case 3: return VT_STRING;
        case 4: return VT_WIDESTR;
        case 5: return VT_OBJECT;
        case 6: return VT_INT64;
        default: return VT_NONE;
    }
}

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
    switch (value.index()) {
        case 1: list.PushInt(std::get<int>(value)); break;
        case 2: list.PushFloat(std::get<float>(value)); break;
        case 3: list.PushString(std::get<std::string>(value).c_str()); break;
        case 4: list.PushWideString(std::get<std::u16string>(value).c_str()); break;
        case 5: list.PushObject(std::get<ObjectId>(value)); break;
        case 6: list.PushInt64(std::get<std::int64_t>(value)); break;
        default: break;
    }
}

bool TypeFits(int cellType, int listType) noexcept {
    if (cellType == VT_NONE || cellType == VT_BYTES) return false;
    if (cellType == listType) return true;
    return (cellType == VT_BOOL && listType == VT_INT) || (cellType == VT_INT && listType == VT_BOOL) ||
           (cellType == VT_INT64 && listType == VT_INT);
}
