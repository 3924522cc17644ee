// On Windows no exception leaves the DLL (Utility/HostEntry.h): an entry the
// host calls that runs out of memory, in the DLL or in a kernel call it makes,
// ends with its neutral result, leaves the list's lock free and a line in the
// host's log. Each entry runs with its k-th allocation failing, for every k
// until it completes, in the plug-in whose own allocations the tests fail
// (kCountedLibraryPath); GetModule is proven in CreatorListTest. On POSIX
// std::bad_alloc reaches the host by design (AllocationFailureTest).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Utility/HostEntry.h"
#include "Utility/NumberText.h"
#include "host/World.h"
#include "player/PlayerListSupport.h"
#include "support/RecordingCriticalManager.h"
#include "support/TestPaths.h"

using namespace PlayerList;

namespace {

constexpr const char* kContainedOnlyOnWindows = "std::bad_alloc reaches the host on this system, by design";

class Containment : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HostEntry::kContainsFailures) GTEST_SKIP() << kContainedOnlyOnWindows;
        ServerOptions options;
        options.withCriticalManager = false;
        options.libraryPath = kCountedLibraryPath;
        world_ = std::make_unique<World>(1, options);
        server().Kernel().RegisterSibling("CriticalManagerSystem", &critical_);
        server().CreateScene(1, "HomeScene");
        server().CreateScene(2, "BaseScene");
        ASSERT_TRUE(server().Start()) << server().Error();
        server().SendStartEvents();
    }

    Server& server() { return world_->server(0); }
    bool LoggedShortage() const {
        const auto& logs = world_->server(0).Kernel().Logs();
        return std::find(logs.begin(), logs.end(), HostEntry::kOutOfMemoryLine) != logs.end();
    }

    // Runs the entry with its k-th allocation failing, for k = 1, 2, ... until it
    // completes, each time after prepare(); after each failure check(result,
    // contained). Returns the clean result.
    template <class Prepare, class Entry, class Check>
    int EveryFailure(Prepare prepare, Entry entry, Check check) {
        std::uint64_t k = 1;
        int result = 0;
        for (;; ++k) {
            prepare();
            server().Kernel().ClearLogs();
            bool failed = false;
            {
                ScopedAllocationFailure failure(k);
                EXPECT_NO_THROW(result = entry()) << "allocation " << k;
                failed = failure.Triggered();
            }
            if (!failed) break;
            SCOPED_TRACE("allocation " + std::to_string(k));
            const bool contained = LoggedShortage();
            contained_ += contained ? 1 : 0;
            check(result, contained);
        }
        EXPECT_GT(contained_, 0) << "no failure reached an entry: the injection proves nothing";
        return result;
    }

    RecordingCriticalManager critical_;
    std::unique_ptr<World> world_;
    int contained_ = 0;
};

// A move within the list takes the list's lock and allocates inside it.
TEST_F(Containment, ACallbackEndsWithZeroAndFreesTheLock) {
    std::vector<Row> rows;
    const auto name = [](int row) { return u"player-with-a-long-enough-name-" + IntToWide(row); };
    for (int row = 0; row < 20; ++row) rows.push_back(MakeRow(name(row), 400 - 2 * row));
    const ObjectId mover = server().CreatePlayer(name(15), 2, Properties(390));
    const PropertyCallback onLevel = critical_.declared["PlayerTopSystem::OnLevelChanged"];
    ASSERT_NE(onLevel, nullptr);
    CVarList previous;
    previous.PushInt(120);

    const int clean = EveryFailure([&] { ASSERT_TRUE(Seed(world_->Store(), rows)); },
                                   [&] { return onLevel(&server().Kernel(), mover, "Level", previous); },
                                   [&](int result, bool contained) {
                                       // Without the line the library got over the shortage itself (it retries some steps).
                                       EXPECT_EQ(result, contained ? 0 : 1);
                                       EXPECT_EQ(LockValue(world_->Store()), 0);
                                   });
    EXPECT_EQ(clean, 1);
    EXPECT_EQ(LockValue(world_->Store()), 0);
}

// Init reads the win-streak rules and looks its siblings up.
TEST_F(Containment, InitEndsWithFalse) {
    IModule* module = nullptr;
    for (IModuleCreator* c = server().Library().Creators(); c != nullptr; c = c->next)
        if (std::string(c->GetModuleName()) == "PlayerTopAlwaysWinSystem") module = c->GetModule();
    ASSERT_NE(module, nullptr);
    const int clean = EveryFailure([] {}, [&] { return module->Init(&server().Kernel()) ? 1 : 0; },
                                   [](int result, bool contained) { EXPECT_EQ(result, contained ? 0 : 1); });
    EXPECT_EQ(clean, 1);
}

}  // namespace
