#include "PubDataStore.h"

bool PubDataStore::SetReleaseHook(ReleaseHook /*hook*/) { return false; }

void PubDataStore::Refuse(std::string_view op, std::u16string_view space, int index, std::string_view what,
                          std::string_view why) const {
    std::string line(op);
    line += ' ';
    if (!space.empty()) {
        // Space names are ASCII in practice; anything else shows as '?'.
        for (char16_t c : space) line.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    } else {
        line += "#" + std::to_string(index);
    }
    if (!what.empty()) line.append("/").append(what);
    line.append(": ").append(why);
    diagnostics_.Add(std::move(line));
}
