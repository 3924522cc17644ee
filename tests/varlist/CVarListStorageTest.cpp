// Where CVarList keeps entries and values: inline array and pool first, then the heap.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/ListText.h"
#include "support/AllocationControl.h"
#include "Utility/CVarList.h"

namespace {

TEST(CVarListStorage, NinthAndSeventeenthPushDoubleTheEntryArray) {
    CVarList list;
    AllocationCounter counter;
    for (int i = 0; i < 8; ++i) list.PushInt(i);
    EXPECT_EQ(list.Capacity(), 8u);
    EXPECT_EQ(counter.Allocations(), 0u);
    list.PushString("ninth");
    EXPECT_EQ(list.Capacity(), 16u);
    EXPECT_EQ(counter.Allocations(), 1u);  // the array only; the string sits in the pool
    for (int i = 9; i < 16; ++i) list.PushInt(i);
    EXPECT_EQ(list.Capacity(), 16u);
    list.PushInt(16);
    EXPECT_EQ(list.Capacity(), 32u);
    EXPECT_EQ(ListText(list), "i:0 i:1 i:2 i:3 i:4 i:5 i:6 i:7 s:ninth i:9 i:10 i:11 i:12 i:13 i:14 i:15 i:16");
}

TEST(CVarListStorage, TypicalHostCallNeedsNoHeap) {
    AllocationCounter counter;
    {
        CVarList list;
        list << ObjectId{7, 9} << "twenty_characters_ab"
             << "another_name_of_20ch" << 1 << 2 << 3;
        EXPECT_EQ(list.PoolBytesUsed(), 8u + 21u + 21u);
    }
    EXPECT_EQ(counter.Allocations(), 0u);
}

// The 64-byte pool takes a 63-character string (with its end) or 56 bytes (with
// their size word); one more goes to the heap and leaves the pool for what follows.
TEST(CVarListStorage, PoolEdges) {
    for (std::size_t n : {63u, 64u}) {
        const std::string text(n, 'a');
        CVarList list;
        list.PushString(text.c_str());
        EXPECT_EQ(list.PoolBytesUsed(), n == 63 ? 64u : 0u) << n;
        list.PushString("x");
        EXPECT_EQ(list.InPool(list.StringAt(0)), n == 63) << n;
        EXPECT_EQ(list.InPool(list.StringAt(1)), n == 64) << n;
        EXPECT_EQ(ListText(list), "s:" + text + " s:x");
    }
    unsigned char data[57];
    for (int i = 0; i < 57; ++i) data[i] = static_cast<unsigned char>(i + 1);
    for (std::size_t n : {56u, 57u}) {
        CVarList bytes;
        bytes.PushBytes(data, n);
        std::size_t size = 0;
        const void* block = bytes.BytesAt(0, size);
        EXPECT_EQ(bytes.InPool(block), n == 56) << n;
        EXPECT_EQ(bytes.PoolBytesUsed(), n == 56 ? 64u : 0u) << n;
        ASSERT_EQ(size, n);
        EXPECT_EQ(std::memcmp(block, data, n), 0) << n;
    }
}

TEST(CVarListStorage, UnalignedPoolValuesReadBack) {
    CVarList list;
    list.PushString("ab");  // 3 bytes: the next block starts unaligned
    list.PushObject(ObjectId{0x01020304u, 0xA0B0C0D0u});
    const std::uint64_t raw = 0x1122334455667788ull;
    list.PushBytes(&raw, sizeof raw);
    EXPECT_EQ(ListText(list), "s:ab o:16909060.2695938256 b:8877665544332211");

    // Wide strings are read through char16_t pointers, so they start on an even
    // address even when the pool end is odd; the pad byte counts as used.
    CVarList wide;
    wide.PushString("ab");
    wide.PushWideString(u"wide");
    EXPECT_TRUE(wide.InPool(wide.WideStringAt(1)));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide.WideStringAt(1)) % alignof(char16_t), 0u);
    EXPECT_EQ(wide.PoolBytesUsed(), 4u + 10u);
    ASSERT_TRUE(wide.SetStringAt(0, "xy"));  // pool end odd again: 17
    ASSERT_TRUE(wide.SetWideStringAt(1, u"again"));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide.WideStringAt(1)) % alignof(char16_t), 0u);
    EXPECT_EQ(wide.PoolBytesUsed(), 18u + 12u);
    EXPECT_EQ(ListText(wide), "s:xy w:again");
}

TEST(CVarListStorage, ResetKeepsCapacityAndAloneReclaimsPool) {
    CVarList list;
    for (int i = 0; i < 17; ++i) list.PushString("value");
    list.Reset();
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.Capacity(), 32u);
    EXPECT_EQ(list.PoolBytesUsed(), 0u);

    AllocationCounter counter;
    for (int i = 0; i < 32; ++i) list.PushInt(i);
    list.Reset();
    list.PushString("again");
    EXPECT_EQ(counter.Allocations(), 0u);
    EXPECT_TRUE(list.InPool(list.StringAt(0)));

    // Setters do not reclaim pool bytes: only Reset does.
    list.Reset();
    list.PushString("start");                                                 // 6 bytes
    for (int i = 0; i < 7; ++i) ASSERT_TRUE(list.SetStringAt(0, "1234567"));  // 8 bytes each
    EXPECT_EQ(list.PoolBytesUsed(), 62u);
    EXPECT_TRUE(list.InPool(list.StringAt(0)));

    AllocationCounter heap;
    ASSERT_TRUE(list.SetStringAt(0, "abc"));
    EXPECT_FALSE(list.InPool(list.StringAt(0)));
    EXPECT_EQ(heap.Allocations(), 1u);
    EXPECT_STREQ(list.StringAt(0), "abc");

    // Replacing a heap value frees the old block.
    const auto freesBefore = AllocationControl::FreeCount();
    ASSERT_TRUE(list.SetStringAt(0, "def"));
    EXPECT_EQ(AllocationControl::FreeCount() - freesBefore, 1u);
}

}  // namespace
