#include "RedisValueBytes.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace {
template <class Unsigned>
void PutLittle(std::string& out, Unsigned v) {
    for (std::size_t i = 0; i < sizeof v; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
template <class Unsigned>
Unsigned GetLittle(std::string_view bytes) {
    Unsigned v = 0;
    for (std::size_t i = 0; i < sizeof v; ++i)
        v |= static_cast<Unsigned>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return v;
}
}  // namespace

std::string WideBytes(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t unit : text) PutLittle(out, static_cast<std::uint16_t>(unit));
    return out;
}

std::u16string WideFromBytes(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) out.push_back(GetLittle<std::uint16_t>(bytes.substr(i, 2)));
    return out;
}

std::string ValueBytes(const HostValue& value) {
    std::string out;
    std::visit(Overloaded{[](std::monostate) {}, [&](int v) { PutLittle(out, static_cast<std::uint32_t>(v)); },
                          [&](float v) { PutLittle(out, std::bit_cast<std::uint32_t>(v)); },
                          [&](const std::string& v) { out = v; }, [&](const std::u16string& v) { out = WideBytes(v); },
                          [&](const ObjectId& v) {
                              PutLittle(out, v.ident);
                              PutLittle(out, v.serial);
                          },
                          [&](std::int64_t v) { PutLittle(out, static_cast<std::uint64_t>(v)); }},
               value);
    return out;
}

HostValue ValueFromBytes(int type, std::string_view bytes) {
    switch (type) {
        case VT_BOOL:
        case VT_INT: return bytes.size() >= 4 ? static_cast<int>(GetLittle<std::uint32_t>(bytes)) : 0;
        case VT_FLOAT: return bytes.size() >= 4 ? std::bit_cast<float>(GetLittle<std::uint32_t>(bytes)) : 0.0f;
        case VT_STRING: return std::string(bytes);
        case VT_WIDESTR: return WideFromBytes(bytes);
        case VT_OBJECT:
            return bytes.size() >= 8
                       ? ObjectId{GetLittle<std::uint32_t>(bytes), GetLittle<std::uint32_t>(bytes.substr(4))}
                       : ObjectId{};
        case VT_INT64:
            return bytes.size() >= 8 ? static_cast<std::int64_t>(GetLittle<std::uint64_t>(bytes)) : std::int64_t{0};
        default: return DefaultValue(type);
    }
}

int ListElementBytes(const IVarList& list, std::size_t index, std::string& bytes) {
    const HostValue value = ValueFromList(list, index);
    if (std::holds_alternative<std::monostate>(value)) {
        bytes.clear();
        return index < list.Size() ? list.TypeAt(index) : VT_NONE;
    }
    bytes = ValueBytes(value);
    return list.TypeAt(index);  // VT_BOOL stays VT_BOOL: the script checks it against the column
}
