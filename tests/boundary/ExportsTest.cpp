// The plug-in, and the host check that stands in for it, show the host exactly
// two C functions, and the version it expects.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "LoadedPlugin.h"

namespace {

#if defined(_WIN32)
// The names in the export table of a PE file (a Windows DLL), read from the file.
std::set<std::string> ExportedNames(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::set<std::string> names;
    auto u16 = [&](std::size_t at) -> std::uint32_t {
        return at + 2 <= image.size() ? std::uint8_t(image[at]) | std::uint8_t(image[at + 1]) << 8 : 0;
    };
    auto u32 = [&](std::size_t at) -> std::uint32_t { return u16(at) | u16(at + 2) << 16; };
    const std::size_t pe = u32(0x3C);
    if (image.size() < pe + 24 || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return names;
    const std::size_t sections = u16(pe + 6), optional = pe + 24, optionalSize = u16(pe + 20);
    const std::size_t directories = optional + (u16(optional) == 0x20B ? 112 : 96);  // PE32+ or PE32
    const std::uint32_t exportRva = u32(directories);
    // File offset of a relative virtual address, through the section table.
    auto offset = [&](std::uint32_t rva) -> std::size_t {
        for (std::size_t i = 0; i < sections; ++i) {
            const std::size_t header = optional + optionalSize + i * 40;
            const std::uint32_t start = u32(header + 12), size = u32(header + 16), raw = u32(header + 20);
            if (rva >= start && rva < start + size) return raw + (rva - start);
        }
        return image.size();
    };
    if (exportRva == 0) return names;
    const std::size_t table = offset(exportRva);
    const std::uint32_t functions = u32(table + 20), count = u32(table + 24), namesAt = u32(table + 32);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t at = offset(u32(offset(namesAt) + 4 * i));
        if (at < image.size()) names.insert(image.c_str() + at);
    }
    if (functions != count) names.insert("<exports without a name>");
    return names;
}
#else
// Defined dynamic symbols of the library file, as `nm -D --defined-only` lists them.
std::set<std::string> ExportedNames(const char* path) {
    const std::string command = std::string("nm -D --defined-only '") + path + "' 2>/dev/null";
    std::set<std::string> names;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return names;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::istringstream fields(line);
        std::string address, kind, name;
        if (fields >> address >> kind >> name) names.insert(name);
    }
    pclose(pipe);
    return names;
}
#endif

TEST(PluginExports, OnlyTheTwoEntryPointsAreExported) {
    const std::set<std::string> expected{"VoGameLogic_GetModuleCreator", "VoGameLogic_GetVersion"};
    EXPECT_EQ(ExportedNames(kLibraryPath), expected);
    EXPECT_EQ(ExportedNames(VOGAME_HOSTCHECK_PATH), expected);
}

TEST(PluginExports, VersionAndListHeadAreFixed) {
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    EXPECT_EQ(plugin.Version(), 0x20010011u);
    EXPECT_NE(plugin.Head(), nullptr);
    EXPECT_EQ(plugin.Head(), plugin.Head());
}

}  // namespace
