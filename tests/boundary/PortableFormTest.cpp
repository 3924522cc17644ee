// Under MinGW the boundary interfaces take the form MSVC gives them
// (module/BoundaryAbi.h): the library's classes answer slot 0 as MSVC's scalar
// deleting destructor does, which a host built with MSVC calls for a delete.
#include <gtest/gtest.h>

#include <new>

#include "Utility/CVarList.h"
#include "support/AllocationControl.h"

namespace {

constexpr const char* kLongText = "a text too long for the list's inline pool of sixty-four bytes, so on the heap";

TEST(PortableForm, DeletingDestructorDestroysFreesOnBitZeroAndReturnsThis) {
#if VOGAME_MSVC_LAYOUT
    // Bit 0 set: the value's block and the list itself are freed.
    IVarList* list = new CVarList;
    list->PushString(kLongText);
    std::uint64_t frees = AllocationControl::FreeCount();
    EXPECT_EQ(list->DeletingDestructor(1), list);
    EXPECT_EQ(AllocationControl::FreeCount() - frees, 2u);

    // Bit 0 clear: destroyed in place (the block freed), the storage left alone.
    alignas(CVarList) unsigned char storage[sizeof(CVarList)];
    IVarList* inPlace = new (storage) CVarList;
    inPlace->PushString(kLongText);
    frees = AllocationControl::FreeCount();
    EXPECT_EQ(inPlace->DeletingDestructor(0), static_cast<void*>(storage));
    EXPECT_EQ(AllocationControl::FreeCount() - frees, 1u);
#else
    GTEST_SKIP() << "the interfaces keep their virtual destructors outside MinGW";
#endif
}

}  // namespace
