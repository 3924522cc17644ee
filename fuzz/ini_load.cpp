// Arbitrary bytes as a rule file: the load must never read past the bytes it
// was given, and every look-up must agree with what the load kept.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Utility/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so ASan sees any read past the end.
    char* bytes = static_cast<char*>(std::malloc(size == 0 ? 1 : size));
    if (bytes == nullptr) {
        return 0;
    }
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(data[i]);
    }
    CIniFile ini("fuzz.ini");
    if (!ini.LoadFromMemory(bytes, size)) {
        std::abort();
    }
    std::free(bytes);

    for (const auto& section : ini.Sections()) {
        if (section.name.find('\0') != std::string::npos) {
            continue;  // not reachable through a C-string name
        }
        const IniSection* found = ini.FindSection(section.name.c_str());
        if (found == nullptr || found->hash != IniNameHash(section.name)) {
            std::abort();
        }
        for (const auto& key : section.keys) {
            if (key.value.empty() || key.name.empty()) {
                std::abort();
            }
            if (key.name.find('\0') != std::string::npos) {
                continue;
            }
            const IniKey* first = ini.FindKey(*found, key.name.c_str());
            if (first == nullptr) {
                std::abort();
            }
            (void)ini.ReadInteger(section.name.c_str(), key.name.c_str(), 0);
            (void)ini.ReadString(section.name.c_str(), key.name.c_str(), "");
        }
    }
    (void)ini.ReadInteger("PlayerAlwaysWinInitInfo", "MinAlwaysWinNum", 30);
    return 0;
}
