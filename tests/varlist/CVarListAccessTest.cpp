// Reading, tagging and replacing values; neutral results for bad indices and types.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "Utility/CVarList.h"

namespace {

constexpr std::size_t kNowhere = std::numeric_limits<std::size_t>::max();

CVarList OneOfEach() {
    CVarList list;
    list << 42 << 1.5f << "narrow" << u"wide" << ObjectId{3, 4};
    list.PushBytes("\x01\x00\x02", 3);
    list.PushInt64(std::numeric_limits<std::int64_t>::min());
    return list;
}

TEST(CVarListAccess, ValuesReadBackOnlyUnderTheirOwnType) {
    const CVarList list = OneOfEach();
    ASSERT_EQ(list.Size(), 7u);
    EXPECT_EQ(list.IntAt(0), 42);
    EXPECT_EQ(list.FloatAt(1), 1.5f);
    EXPECT_STREQ(list.StringAt(2), "narrow");
    EXPECT_EQ(std::u16string(list.WideStringAt(3)), u"wide");
    EXPECT_EQ(list.ObjectAt(4), (ObjectId{3, 4}));
    std::size_t size = 0;
    const void* bytes = list.BytesAt(5, size);
    ASSERT_EQ(size, 3u);
    EXPECT_EQ(std::memcmp(bytes, "\x01\x00\x02", 3), 0);
    EXPECT_EQ(list.Int64At(6), std::numeric_limits<std::int64_t>::min());

    // No conversion between types; neutral values, never a null string.
    EXPECT_EQ(list.IntAt(1), 0);
    EXPECT_EQ(list.IntAt(6), 0);
    EXPECT_EQ(list.Int64At(0), 0);
    EXPECT_EQ(list.FloatAt(0), 0.0f);
    ASSERT_NE(list.StringAt(0), nullptr);
    EXPECT_STREQ(list.StringAt(0), "");
    EXPECT_STREQ(list.StringAt(3), "");
    ASSERT_NE(list.WideStringAt(2), nullptr);
    EXPECT_EQ(list.WideStringAt(2)[0], u'\0');
    EXPECT_TRUE(list.ObjectAt(5).IsNull());
    size = 99;
    EXPECT_EQ(list.BytesAt(2, size), nullptr);
    EXPECT_EQ(size, 0u);

    // Index equal to the count, and far beyond it.
    for (std::size_t bad : {std::size_t{7}, kNowhere}) {
        EXPECT_EQ(list.TypeAt(bad), VT_NONE);
        EXPECT_EQ(list.RawTypeAt(bad), 0);
        EXPECT_EQ(list.TagAt(bad), 0);
        EXPECT_STREQ(list.StringAt(bad), "");
        size = 5;
        EXPECT_EQ(list.BytesAt(bad, size), nullptr);
        EXPECT_EQ(size, 0u);
    }
}

TEST(CVarListAccess, TagsAreKeptInTheTypeWordAndDroppedOnCopy) {
    CVarList list;
    list.PushTaggedInt(17, 5);
    list.PushTaggedFloat(-1, 2.0f);
    list.PushTaggedString(3, "s");
    list.PushTaggedWideString(15, u"w");
    list.PushTaggedObject(16, ObjectId{1, 1});

    EXPECT_EQ(list.TypeAt(0), VT_INT);
    EXPECT_EQ(list.TagAt(0), 1);
    EXPECT_EQ(list.RawTypeAt(0), 0x12);
    EXPECT_EQ(list.IntAt(0), 5);
    EXPECT_EQ(list.RawTypeAt(1), 0xF3);  // the tag keeps only its low 4 bits
    EXPECT_EQ(list.RawTypeAt(2), 0x34);
    EXPECT_EQ(list.RawTypeAt(3), 0xF5);
    EXPECT_EQ(list.RawTypeAt(4), 0x06);
    EXPECT_STREQ(list.StringAt(2), "s");

    // A setter keeps the tag.
    ASSERT_TRUE(list.SetIntAt(0, 6));
    EXPECT_EQ(list.RawTypeAt(0), 0x12);
    ASSERT_TRUE(list.SetStringAt(2, "longer string"));
    EXPECT_EQ(list.TagAt(2), 3);

    const CVarList copy(list);
    CVarList assigned;
    assigned = list;
    for (const CVarList* other : {&copy, static_cast<const CVarList*>(&assigned)}) {
        ASSERT_EQ(other->Size(), 5u);
        EXPECT_EQ(other->RawTypeAt(0), 0x02);
        EXPECT_EQ(other->IntAt(0), 6);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(other->TagAt(i), 0);
            EXPECT_EQ(other->RawTypeAt(i), list.TypeAt(i));
        }
        EXPECT_STREQ(other->StringAt(2), "longer string");
    }
}

TEST(CVarListAccess, SettersReplaceOnlyMatchingEntries) {
    CVarList list = OneOfEach();
    EXPECT_FALSE(list.SetIntAt(7, 1));  // index equal to the count
    EXPECT_FALSE(list.SetStringAt(0, "not an int"));
    EXPECT_EQ(list.TypeAt(0), VT_INT);
    EXPECT_EQ(list.IntAt(0), 42);
    EXPECT_FALSE(list.SetFloatAt(0, 1.0f) || list.SetIntAt(1, 1) || list.SetWideStringAt(2, u"x") ||
                 list.SetObjectAt(3, ObjectId{9, 9}) || list.SetStringAt(kNowhere, "x"));

    EXPECT_TRUE(list.SetIntAt(0, -7) && list.SetFloatAt(1, -0.25f) && list.SetStringAt(2, "replaced") &&
                list.SetWideStringAt(3, u"replaced wide") && list.SetObjectAt(4, ObjectId{9, 10}));
    EXPECT_EQ(list.IntAt(0), -7);
    EXPECT_EQ(list.FloatAt(1), -0.25f);
    EXPECT_STREQ(list.StringAt(2), "replaced");
    EXPECT_EQ(std::u16string(list.WideStringAt(3)), u"replaced wide");
    EXPECT_EQ(list.ObjectAt(4), (ObjectId{9, 10}));
    EXPECT_EQ(list.Size(), 7u);
}

TEST(CVarListAccess, SettingAValueFromItsOwnStorageKeepsIt) {
    const std::string longText(100, 'q');
    const std::u16string longWide(80, u'q');
    CVarList list;
    list.PushString(longText.c_str());
    list.PushWideString(longWide.c_str());
    ASSERT_TRUE(list.SetStringAt(0, list.StringAt(0)));
    ASSERT_TRUE(list.SetWideStringAt(1, list.WideStringAt(1)));
    EXPECT_EQ(list.StringAt(0), longText);
    EXPECT_EQ(list.WideStringAt(1), longWide);
}

TEST(CVarListAccess, NullAndOversizedInputGiveNeutralValues) {
    CVarList list;
    EXPECT_TRUE(list.PushString(nullptr));
    EXPECT_TRUE(list.PushWideString(nullptr));
    EXPECT_TRUE(list.PushBytes(nullptr, 10));
    EXPECT_STREQ(list.StringAt(0), "");
    EXPECT_EQ(list.WideStringAt(1)[0], u'\0');
    std::size_t size = 99;
    EXPECT_NE(list.BytesAt(2, size), nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_TRUE(list.SetStringAt(0, nullptr));
    EXPECT_STREQ(list.StringAt(0), "");

    // A byte count whose block size cannot be computed is a failure for want of memory.
    const char data[1] = {0};
    EXPECT_THROW(list.PushBytes(data, std::numeric_limits<std::size_t>::max()), std::bad_alloc);
    EXPECT_THROW(list.PushBytes(data, std::numeric_limits<std::size_t>::max() - 7), std::bad_alloc);
    EXPECT_EQ(list.Size(), 3u);
}

}  // namespace
