// Where CVarList keeps entries and values: inline array and pool first, then the heap.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/AllocationControl.h"
#include "Utility/CVarList.h"

namespace {

TEST(CVarListStorage, NinthAndSeventeenthPushDoubleTheEntryArray) {
    CVarList list;
    AllocationCounter counter;
    for (int i = 0; i < 8; ++i) list.PushInt(i * 10);
    EXPECT_EQ(list.Capacity(), 8u);
    EXPECT_EQ(counter.Allocations(), 0u);

    list.PushString("ninth");
    EXPECT_EQ(list.Capacity(), 16u);
    EXPECT_EQ(counter.Allocations(), 1u);  // the array only; the string sits in the pool
    for (int i = 9; i < 16; ++i) list.PushInt(i * 10);
    EXPECT_EQ(list.Capacity(), 16u);

    list.PushInt(160);
    EXPECT_EQ(list.Capacity(), 32u);
    ASSERT_EQ(list.Size(), 17u);
    for (int i = 0; i < 17; ++i) {
        if (i == 8) {
            EXPECT_STREQ(list.StringAt(8), "ninth");
        } else {
            EXPECT_EQ(list.IntAt(i), i * 10) << i;
        }
    }
}

TEST(CVarListStorage, TypicalHostCallNeedsNoHeap) {
    AllocationCounter counter;
    {
        CVarList list;
        list << ObjectId{7, 9} << "twenty_characters_ab" << "another_name_of_20ch" << 1 << 2 << 3;
        EXPECT_EQ(list.PoolBytesUsed(), 8u + 21u + 21u);
    }
    EXPECT_EQ(counter.Allocations(), 0u);
}

TEST(CVarListStorage, PoolEdgeForStrings) {
    const std::string s63(63, 'a');
    CVarList list;
    list.PushString(s63.c_str());
    EXPECT_EQ(list.PoolBytesUsed(), 64u);
    EXPECT_TRUE(list.InPool(list.StringAt(0)));
    list.PushString("");
    list.PushObject(ObjectId{1, 2});
    list.PushWideString(u"");
    EXPECT_FALSE(list.InPool(list.StringAt(1)));
    EXPECT_FALSE(list.InPool(list.WideStringAt(3)));
    EXPECT_EQ(list.StringAt(0), s63);
    EXPECT_EQ(list.ObjectAt(2), (ObjectId{1, 2}));

    const std::string s64(64, 'b');
    CVarList other;
    other.PushString(s64.c_str());
    EXPECT_EQ(other.PoolBytesUsed(), 0u);
    EXPECT_FALSE(other.InPool(other.StringAt(0)));
    EXPECT_EQ(other.StringAt(0), s64);
    // The pool is still free for what comes after.
    other.PushString("x");
    EXPECT_TRUE(other.InPool(other.StringAt(1)));
}

TEST(CVarListStorage, PoolEdgeForByteBlocks) {
    unsigned char data[57];
    for (int i = 0; i < 57; ++i) data[i] = static_cast<unsigned char>(i + 1);
    std::size_t size = 0;

    CVarList fits;
    fits.PushBytes(data, 56);
    EXPECT_EQ(fits.PoolBytesUsed(), 64u);
    EXPECT_TRUE(fits.InPool(fits.BytesAt(0, size)));
    EXPECT_EQ(size, 56u);
    EXPECT_EQ(std::memcmp(fits.BytesAt(0, size), data, 56), 0);

    CVarList spills;
    spills.PushBytes(data, 57);
    EXPECT_EQ(spills.PoolBytesUsed(), 0u);
    EXPECT_FALSE(spills.InPool(spills.BytesAt(0, size)));
    EXPECT_EQ(size, 57u);
    EXPECT_EQ(std::memcmp(spills.BytesAt(0, size), data, 57), 0);
}

TEST(CVarListStorage, UnalignedPoolValuesReadBack) {
    CVarList list;
    list.PushString("ab");  // 3 bytes: the next block starts unaligned
    list.PushObject(ObjectId{0x01020304u, 0xA0B0C0D0u});
    const std::uint64_t raw = 0x1122334455667788ull;
    list.PushBytes(&raw, sizeof raw);
    EXPECT_EQ(list.ObjectAt(1), (ObjectId{0x01020304u, 0xA0B0C0D0u}));
    std::size_t size = 0;
    std::uint64_t back = 0;
    std::memcpy(&back, list.BytesAt(2, size), sizeof back);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(back, raw);

    // Wide strings are read through char16_t pointers, so they start on an even
    // address even when the pool end is odd; the pad byte counts as used.
    CVarList wide;
    wide.PushString("ab");
    wide.PushWideString(u"wide");
    EXPECT_TRUE(wide.InPool(wide.WideStringAt(1)));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide.WideStringAt(1)) % alignof(char16_t), 0u);
    EXPECT_EQ(wide.PoolBytesUsed(), 4u + 10u);
    EXPECT_EQ(std::u16string(wide.WideStringAt(1)), u"wide");
    ASSERT_TRUE(wide.SetStringAt(0, "xy"));  // pool end odd again: 17
    ASSERT_TRUE(wide.SetWideStringAt(1, u"again"));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide.WideStringAt(1)) % alignof(char16_t), 0u);
    EXPECT_EQ(wide.PoolBytesUsed(), 18u + 12u);
}

TEST(CVarListStorage, ResetKeepsCapacityAndReclaimsPool) {
    CVarList list;
    for (int i = 0; i < 17; ++i) list.PushString("value");
    ASSERT_EQ(list.Capacity(), 32u);
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
    EXPECT_EQ(list.Capacity(), 32u);
}

TEST(CVarListStorage, SettersDoNotReclaimPoolBytes) {
    CVarList list;
    list.PushString("start");  // 6 bytes
    for (int i = 0; i < 7; ++i) ASSERT_TRUE(list.SetStringAt(0, "1234567"));  // 8 bytes each
    EXPECT_EQ(list.PoolBytesUsed(), 62u);
    EXPECT_TRUE(list.InPool(list.StringAt(0)));

    AllocationCounter counter;
    ASSERT_TRUE(list.SetStringAt(0, "abc"));
    EXPECT_FALSE(list.InPool(list.StringAt(0)));
    EXPECT_EQ(counter.Allocations(), 1u);
    EXPECT_STREQ(list.StringAt(0), "abc");

    // Replacing a heap value frees the old block.
    const auto freesBefore = AllocationControl::FreeCount();
    ASSERT_TRUE(list.SetStringAt(0, "def"));
    EXPECT_EQ(AllocationControl::FreeCount() - freesBefore, 1u);

    list.Reset();
    list.PushString("fresh");
    EXPECT_TRUE(list.InPool(list.StringAt(0)));
}

}  // namespace
