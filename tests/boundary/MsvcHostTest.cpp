// The reference host's MSVC host mode (host/PluginLibrary.h): with
// VOGAME_MSVC_HOST naming VoGameMsvcHost.dll, every plug-in is loaded through
// that MSVC-ABI host. Windows only; scripts/test-windows.sh runs the whole
// suite a second time in this mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/PluginLibrary.h"
#include "host/World.h"
#include "support/TestPaths.h"

namespace {

#if defined(_WIN32)
constexpr const char* kMsvcHostPath = VOGAME_MSVC_HOST_PATH;
#else
constexpr const char* kMsvcHostPath = "";
#endif

// VOGAME_MSVC_HOST set while it lives, then as it was.
class MsvcHostSetting {
public:
    explicit MsvcHostSetting(const char* value) : before_(PluginLibrary::MsvcHostPath()) {
        Platform::SetEnvironmentValue("VOGAME_MSVC_HOST", value);
    }
    ~MsvcHostSetting() { Platform::SetEnvironmentValue("VOGAME_MSVC_HOST", before_.c_str()); }
    MsvcHostSetting(const MsvcHostSetting&) = delete;
    MsvcHostSetting& operator=(const MsvcHostSetting&) = delete;

private:
    std::string before_;
};

std::vector<std::string> Names(IModuleCreator* head) {
    std::vector<std::string> names;
    for (IModuleCreator* c = head; c != nullptr; c = c->next) names.push_back(c->GetModuleName());
    return names;
}

class MsvcHostMode : public ::testing::Test {
protected:
    void SetUp() override {
#if !defined(_WIN32)
        GTEST_SKIP() << "the MSVC-ABI host is a Windows DLL";
#endif
    }
};

// The creators seen are the MSVC host's mirrors of the plug-in's, in their order.
TEST_F(MsvcHostMode, LoadsThePluginThroughTheMsvcHost) {
    PluginLibrary direct;
    ASSERT_TRUE(direct.Load(kLibraryPath)) << direct.Error();
    MsvcHostSetting setting(kMsvcHostPath);
    PluginLibrary through;
    ASSERT_TRUE(through.Load(kLibraryPath)) << through.Error();
    EXPECT_TRUE(through.ThroughMsvcHost());
    EXPECT_EQ(through.Version(), kVoGameLogicVersion);
    EXPECT_NE(through.Creators(), direct.Creators());
    EXPECT_EQ(Names(through.Creators()), Names(direct.Creators()));
}

TEST_F(MsvcHostMode, RefusesADllThatIsNoMsvcHost) {
    MsvcHostSetting setting(kLibraryPath);
    PluginLibrary library;
    EXPECT_FALSE(library.Load(kLibraryPath));
    EXPECT_NE(library.Error().find("is no MSVC host"), std::string::npos) << library.Error();
}

TEST_F(MsvcHostMode, SaysWhenThePluginCannotBeLoaded) {
    MsvcHostSetting setting(kMsvcHostPath);
    PluginLibrary library;
    EXPECT_FALSE(library.Load(std::string(kSourceDir) + "/no-such-plugin.dll"));
    EXPECT_NE(library.Error().find("cannot load"), std::string::npos) << library.Error();
}

// In the MSVC host pass of the Windows tests, servers really run through it.
TEST_F(MsvcHostMode, ServersOfThisRunUseItWhenAsked) {
    if (PluginLibrary::MsvcHostPath().empty()) GTEST_SKIP() << "VOGAME_MSVC_HOST is not set in this run";
    World world(1);
    ASSERT_TRUE(world.server(0).Start()) << world.server(0).Error();
    EXPECT_TRUE(world.server(0).Library().ThroughMsvcHost());
    EXPECT_TRUE(world.server(0).AllModulesStarted());
}

}  // namespace
