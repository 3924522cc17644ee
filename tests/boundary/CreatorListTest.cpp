// The creator list as the host walks it: order, object layout, one module per
// creator, and each made module destroyed exactly once when the library goes.
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "LoadedPlugin.h"
#include "Utility/HostEntry.h"
#include "support/AllocationControl.h"

namespace {

const std::vector<std::string> kNamesFromHead = {"PlayerTopAlwaysWinSystem", "NewCharmTopSystem", "PlayerTopSystem",
                                                 "NationResourceTopSystem"};

// The fields as the host reads them: by raw offset after the vtable pointer.
void* RawField(const IModuleCreator* creator, std::size_t slot) {
    void* value = nullptr;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(creator) + slot * sizeof(void*), sizeof value);
    return value;
}
IModuleCreator* RawNext(const IModuleCreator* creator) { return static_cast<IModuleCreator*>(RawField(creator, 1)); }
void* RawModule(const IModuleCreator* creator) { return RawField(creator, 2); }

std::vector<IModuleCreator*> Walk(IModuleCreator* head) {
    std::vector<IModuleCreator*> creators;
    for (IModuleCreator* c = head; c != nullptr && creators.size() < 16; c = RawNext(c)) creators.push_back(c);
    return creators;
}

std::vector<const void*> FreesDuringUnload(LoadedPlugin& plugin) {
    AllocationControl::StartRecordingFrees();
    plugin.Unload();
    return AllocationControl::StopRecordingFrees();
}

TEST(CreatorList, WalksInLinkOrderWithTheHostLayout) {
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    const std::vector<IModuleCreator*> creators = Walk(plugin.Head());
    ASSERT_EQ(creators.size(), kNamesFromHead.size());
    for (std::size_t i = 0; i < creators.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(creators[i]->GetModuleName(), kNamesFromHead[i]);
        EXPECT_EQ(RawNext(creators[i]), creators[i]->next);
        EXPECT_EQ(RawModule(creators[i]), nullptr);
    }
}

// One module per creator, made on the first call and kept.
TEST(CreatorList, GetModuleMakesOneModuleOnce) {
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    for (IModuleCreator* creator : Walk(plugin.Head())) {
        SCOPED_TRACE(creator->GetModuleName());
        IModule* module = creator->GetModule();
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(RawModule(creator), module);
        EXPECT_EQ(creator->GetModule(), module);
    }
}

// A failed allocation stores nothing (and on Windows, where no exception
// leaves the DLL, gives null); the module is one allocation, made once.
TEST(CreatorList, GetModuleAllocatesOnceAndAFailedAllocationStoresNothing) {
    LoadedPlugin plugin(kCountedLibraryPath);
    ASSERT_TRUE(plugin.Loaded());
    for (IModuleCreator* creator : Walk(plugin.Head())) {
        SCOPED_TRACE(creator->GetModuleName());
        {
            ScopedAllocationFailure failure(1);
            if (HostEntry::kContainsFailures) {
                EXPECT_EQ(creator->GetModule(), nullptr);
            } else {
                EXPECT_THROW(creator->GetModule(), std::bad_alloc);
            }
            EXPECT_TRUE(failure.Triggered());
        }
        EXPECT_EQ(RawModule(creator), nullptr);

        AllocationCounter first;
        IModule* module = creator->GetModule();
        EXPECT_EQ(first.Allocations(), 1u);
        AllocationCounter second;
        EXPECT_EQ(creator->GetModule(), module);
        EXPECT_EQ(second.Allocations(), 0u);
    }
}

// A reload starts with no module made, whatever the last load made.
TEST(CreatorList, ReloadStartsFresh) {
    {
        LoadedPlugin plugin;
        ASSERT_TRUE(plugin.Loaded());
        for (IModuleCreator* creator : Walk(plugin.Head())) ASSERT_NE(creator->GetModule(), nullptr);
    }
    LoadedPlugin again;
    ASSERT_TRUE(again.Loaded());
    const std::vector<IModuleCreator*> creators = Walk(again.Head());
    ASSERT_EQ(creators.size(), kNamesFromHead.size());
    for (IModuleCreator* creator : creators)
        EXPECT_EQ(RawModule(creator), nullptr) << "state left from an earlier load";
}

// Unloading destroys each made module once: what the library frees at unload
// is what it frees with no module made, plus the modules.
TEST(CreatorList, UnloadDestroysEachMadeModuleOnce) {
    std::vector<const void*> modules, freed;
    {
        LoadedPlugin plugin(kCountedLibraryPath);
        ASSERT_TRUE(plugin.Loaded());
        const std::vector<IModuleCreator*> creators = Walk(plugin.Head());
        for (std::size_t i = 0; i < creators.size(); i += 2) modules.push_back(creators[i]->GetModule());
        freed = FreesDuringUnload(plugin);
    }
    // Through the MSVC host the modules seen are its mirrors of them: the count says it then.
    if (PluginLibrary::MsvcHostPath().empty()) {
        for (const void* module : modules) EXPECT_EQ(std::count(freed.begin(), freed.end(), module), 1);
    }
    LoadedPlugin none(kCountedLibraryPath);
    ASSERT_TRUE(none.Loaded());
    EXPECT_EQ(freed.size(), FreesDuringUnload(none).size() + modules.size());
}

}  // namespace
