#pragma once
// A list's first entries as one line of text, so whole contents compare in one
// check: "i:42 f:1.5 s:narrow w:wide o:3.4 b:010002 L:-5", a tag as "#1" after
// its value, a type CVarList never stores as "?" and its raw type word.
#include <cstdint>
#include <cstdio>
#include <string>

#include "module/IVarList.h"

inline std::string ListText(const IVarList& list, std::size_t count = SIZE_MAX) {
    std::string out;
    char buf[48];
    for (std::size_t i = 0; i < list.Size() && i < count; ++i) {
        if (!out.empty()) out += ' ';
        std::size_t size = 0;
        switch (list.TypeAt(i)) {
            case VT_INT: out += "i:" + std::to_string(list.IntAt(i)); break;
            case VT_INT64: out += "L:" + std::to_string(list.Int64At(i)); break;
            case VT_FLOAT:
                std::snprintf(buf, sizeof buf, "f:%g", static_cast<double>(list.FloatAt(i))), out += buf;
                break;
            case VT_STRING: out += std::string("s:") + list.StringAt(i); break;
            case VT_OBJECT:
                out += "o:" + std::to_string(list.ObjectAt(i).ident) + "." + std::to_string(list.ObjectAt(i).serial);
                break;
            case VT_WIDESTR:
                out += "w:";
                for (const char16_t* w = list.WideStringAt(i); *w != 0; ++w) {
                    std::snprintf(buf, sizeof buf, *w < 0x80 ? "%c" : "\\u%04X", static_cast<unsigned>(*w)), out += buf;
                }
                break;
            case VT_BYTES: {
                const auto* bytes = static_cast<const unsigned char*>(list.BytesAt(i, size));
                out += "b:";
                for (std::size_t b = 0; b < size; ++b) std::snprintf(buf, sizeof buf, "%02x", bytes[b]), out += buf;
                break;
            }
            default: out += "?" + std::to_string(list.RawTypeAt(i));
        }
        if (list.TagAt(i) != 0) out += "#" + std::to_string(list.TagAt(i));
    }
    return out;
}
