// Reading, tagging and replacing values; neutral results for bad indices and types.
#include <gtest/gtest.h>

#include <limits>
#include <new>
#include <string>
#include <tuple>

#include "support/ListText.h"
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
    EXPECT_EQ(ListText(list), "i:42 f:1.5 s:narrow w:wide o:3.4 b:010002 L:-9223372036854775808");

    // No conversion between types; neutral values, never a null string.
    EXPECT_EQ(list.IntAt(1) + list.IntAt(6), 0);
    EXPECT_EQ(list.Int64At(0), 0);
    EXPECT_EQ(list.FloatAt(0), 0.0f);
    ASSERT_NE(list.StringAt(0), nullptr);
    EXPECT_STREQ(list.StringAt(3), "");
    ASSERT_NE(list.WideStringAt(2), nullptr);
    EXPECT_EQ(list.WideStringAt(2)[0], u'\0');
    EXPECT_TRUE(list.ObjectAt(5).IsNull());
    std::size_t size = 99;
    EXPECT_EQ(list.BytesAt(2, size), nullptr);
    EXPECT_EQ(size, 0u);

    // Index equal to the count, and far beyond it.
    for (std::size_t bad : {std::size_t{7}, kNowhere}) {
        EXPECT_EQ(std::make_tuple(list.TypeAt(bad), list.RawTypeAt(bad), list.TagAt(bad)), std::make_tuple(0, 0, 0));
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
    // The tag keeps only its low 4 bits, above the type.
    EXPECT_EQ(ListText(list), "i:5#1 f:2#15 s:s#3 w:w#15 o:1.1");
    EXPECT_EQ(list.RawTypeAt(0), 0x12);
    EXPECT_EQ(list.RawTypeAt(1), 0xF3);

    // A setter keeps the tag; copies drop every tag.
    ASSERT_TRUE(list.SetIntAt(0, 6) && list.SetStringAt(2, "longer string"));
    EXPECT_EQ(ListText(list), "i:6#1 f:2#15 s:longer string#3 w:w#15 o:1.1");
    const CVarList copy(list);
    CVarList assigned;
    assigned = list;
    for (const CVarList* other : {&copy, static_cast<const CVarList*>(&assigned)}) {
        EXPECT_EQ(ListText(*other), "i:6 f:2 s:longer string w:w o:1.1");
        EXPECT_EQ(other->RawTypeAt(0), VT_INT);
    }
}

TEST(CVarListAccess, SettersReplaceOnlyMatchingEntries) {
    CVarList list = OneOfEach();
    EXPECT_FALSE(list.SetIntAt(7, 1) || list.SetStringAt(0, "not an int") || list.SetFloatAt(0, 1.0f) ||
                 list.SetIntAt(1, 1) || list.SetWideStringAt(2, u"x") || list.SetObjectAt(3, ObjectId{9, 9}) ||
                 list.SetStringAt(kNowhere, "x"));
    EXPECT_EQ(ListText(list), ListText(OneOfEach()));

    EXPECT_TRUE(list.SetIntAt(0, -7) && list.SetFloatAt(1, -0.25f) && list.SetStringAt(2, "replaced") &&
                list.SetWideStringAt(3, u"replaced wide") && list.SetObjectAt(4, ObjectId{9, 10}));
    EXPECT_EQ(ListText(list), "i:-7 f:-0.25 s:replaced w:replaced wide o:9.10 b:010002 L:-9223372036854775808");

    // A value set from the list's own storage survives the old block's release.
    const std::string longText(100, 'q');
    ASSERT_TRUE(list.SetStringAt(2, longText.c_str()) && list.SetWideStringAt(3, std::u16string(80, u'q').c_str()));
    ASSERT_TRUE(list.SetStringAt(2, list.StringAt(2)) && list.SetWideStringAt(3, list.WideStringAt(3)));
    EXPECT_EQ(list.StringAt(2), longText);
    EXPECT_EQ(list.WideStringAt(3), std::u16string(80, u'q'));
}

TEST(CVarListAccess, NullAndOversizedInputGiveNeutralValues) {
    CVarList list;
    EXPECT_TRUE(list.PushString(nullptr) && list.PushWideString(nullptr) && list.PushBytes(nullptr, 10));
    EXPECT_TRUE(list.SetStringAt(0, nullptr));
    EXPECT_EQ(ListText(list), "s: w: b:");
    std::size_t size = 99;
    EXPECT_NE(list.BytesAt(2, size), nullptr);

    // A byte count whose block size cannot be computed is a failure for want of memory.
    const char data[1] = {0};
    EXPECT_THROW(list.PushBytes(data, std::numeric_limits<std::size_t>::max()), std::bad_alloc);
    EXPECT_THROW(list.PushBytes(data, std::numeric_limits<std::size_t>::max() - 7), std::bad_alloc);
    EXPECT_EQ(list.Size(), 3u);
}

}  // namespace
