// The plug-in shows the host exactly two C functions, and the version it expects.
#include <cstdio>
#include <set>
#include <sstream>
#include <string>

#include "LoadedPlugin.h"

namespace {

// Defined dynamic symbols of the library file, as `nm -D --defined-only` lists them.
std::set<std::string> DynamicSymbols(const char* path) {
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

TEST(PluginExports, OnlyTheTwoEntryPointsAreExported) {
    const std::set<std::string> expected{"VoGameLogic_GetModuleCreator", "VoGameLogic_GetVersion"};
    EXPECT_EQ(DynamicSymbols(kLibraryPath), expected);
}

TEST(PluginExports, VersionAndListHeadAreFixed) {
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    EXPECT_EQ(plugin.Version(), 0x20010011u);
    EXPECT_NE(plugin.Head(), nullptr);
    EXPECT_EQ(plugin.Head(), plugin.Head());
}

}  // namespace
