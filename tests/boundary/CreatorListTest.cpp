// The creator list as the host walks it: order, object layout, one module per
// creator, and each made module destroyed exactly once when the library goes.
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "LoadedPlugin.h"
#include "support/AllocationControl.h"

namespace {

const std::vector<std::string> kNamesFromHead = {"PlayerTopAlwaysWinSystem", "NewCharmTopSystem",
                                                 "PlayerTopSystem", "NationResourceTopSystem"};

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

// A failed allocation stores nothing; then one module is made, once.
TEST(CreatorList, GetModuleMakesOneModuleOnce) {
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded());
    for (IModuleCreator* creator : Walk(plugin.Head())) {
        SCOPED_TRACE(creator->GetModuleName());
        {
            ScopedAllocationFailure failure(1);
            EXPECT_THROW(creator->GetModule(), std::bad_alloc);
        }
        EXPECT_EQ(RawModule(creator), nullptr);

        AllocationCounter first;
        IModule* module = creator->GetModule();
        EXPECT_EQ(first.Allocations(), 1u);
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(RawModule(creator), module);
        AllocationCounter second;
        EXPECT_EQ(creator->GetModule(), module);
        EXPECT_EQ(second.Allocations(), 0u);
    }
}

// Unloading destroys each made module once, and a reload starts with none made.
TEST(CreatorList, UnloadDestroysEachMadeModuleOnceAndReloadStartsFresh) {
    std::vector<const void*> modules, freed;
    {
        LoadedPlugin plugin;
        ASSERT_TRUE(plugin.Loaded());
        const std::vector<IModuleCreator*> creators = Walk(plugin.Head());
        for (std::size_t i = 0; i < creators.size(); i += 2) modules.push_back(creators[i]->GetModule());
        freed = FreesDuringUnload(plugin);
    }
    for (const void* module : modules) EXPECT_EQ(std::count(freed.begin(), freed.end(), module), 1);

    // What the library frees at unload when no module was made: the same less the modules.
    LoadedPlugin again;
    ASSERT_TRUE(again.Loaded());
    const std::vector<IModuleCreator*> creators = Walk(again.Head());
    ASSERT_EQ(creators.size(), kNamesFromHead.size());
    for (IModuleCreator* creator : creators) EXPECT_EQ(RawModule(creator), nullptr) << "state left from an earlier load";
    EXPECT_EQ(freed.size(), FreesDuringUnload(again).size() + modules.size());
}

}  // namespace
