// Copying values between lists: PushAll, PushRange, copy construction and assignment.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "Utility/CVarList.h"

namespace {

constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();

// A list written by someone else, read only through IVarList. It can hold type
// codes CVarList never stores and answers some reads carelessly.
class ForeignList final : public IVarList {
public:
    struct Item {
        Item(int t, int n = 0, std::string s = {}, std::u16string w = {}, bool null = false)
            : type(t), number(n), text(std::move(s)), wide(std::move(w)), nullText(null) {}
        int type;
        int number;
        std::string text;
        std::u16string wide;
        bool nullText;
    };
    std::vector<Item> items;

    // Writing is not what these tests are about.
    bool PushInt(int) override { return false; }
    bool PushInt64(std::int64_t) override { return false; }
    bool PushFloat(float) override { return false; }
    bool PushString(const char*) override { return false; }
    bool PushWideString(const char16_t*) override { return false; }
    bool PushObject(const ObjectId&) override { return false; }
    bool PushBytes(const void*, std::size_t) override { return false; }
    bool PushTaggedInt(int, int) override { return false; }
    bool PushTaggedFloat(int, float) override { return false; }
    bool PushTaggedString(int, const char*) override { return false; }
    bool PushTaggedWideString(int, const char16_t*) override { return false; }
    bool PushTaggedObject(int, const ObjectId&) override { return false; }
    bool PushAll(const IVarList&) override { return false; }
    bool PushRange(const IVarList&, std::size_t, std::size_t) override { return false; }
    void Reset() override { items.clear(); }
    bool Empty() const override { return items.empty(); }
    std::size_t Size() const override { return items.size(); }
    int RawTypeAt(std::size_t i) const override { return TypeAt(i) | 0x70; }
    int TypeAt(std::size_t i) const override { return i < items.size() ? items[i].type : 0; }
    int TagAt(std::size_t) const override { return 7; }
    int IntAt(std::size_t i) const override { return items.at(i).number; }
    std::int64_t Int64At(std::size_t i) const override { return std::int64_t{items.at(i).number} << 33; }
    float FloatAt(std::size_t i) const override { return static_cast<float>(items.at(i).number) / 2; }
    const char* StringAt(std::size_t i) const override {
        return items.at(i).nullText ? nullptr : items.at(i).text.c_str();
    }
    const char16_t* WideStringAt(std::size_t i) const override { return items.at(i).wide.c_str(); }
    ObjectId ObjectAt(std::size_t i) const override {
        return ObjectId{static_cast<std::uint32_t>(items.at(i).number), 1};
    }
    const void* BytesAt(std::size_t i, std::size_t& size) const override {
        size = items.at(i).text.size();  // a careless source: null data with a size
        return items.at(i).nullText ? nullptr : items.at(i).text.data();
    }
    bool SetIntAt(std::size_t, int) override { return false; }
    bool SetFloatAt(std::size_t, float) override { return false; }
    bool SetStringAt(std::size_t, const char*) override { return false; }
    bool SetWideStringAt(std::size_t, const char16_t*) override { return false; }
    bool SetObjectAt(std::size_t, const ObjectId&) override { return false; }
};

TEST(CVarListCopy, FromAForeignListThroughItsInterface) {
    ForeignList foreign;
    foreign.items = {
        {VT_INT, 11},
        {VT_BOOL, 1},  // not storable: skipped
        {VT_FLOAT, 3},
        {VT_STRING, 0, "text"},
        {VT_STRING, 0, "", u"", true},  // null string: copied as empty
        {9, 0},                         // unknown code: skipped
        {VT_WIDESTR, 0, "", u"wide"},
        {VT_OBJECT, 8},
        {VT_BYTES, 0, "raw"},
        {VT_BYTES, 0, "lost", u"", true},  // null data with a size: empty block
        {VT_INT64, 2},
    };
    const CVarList copy(static_cast<const IVarList&>(foreign));
    ASSERT_EQ(copy.Size(), 9u);
    EXPECT_EQ(copy.IntAt(0), 11);
    EXPECT_EQ(copy.FloatAt(1), 1.5f);
    EXPECT_STREQ(copy.StringAt(2), "text");
    EXPECT_STREQ(copy.StringAt(3), "");
    EXPECT_EQ(std::u16string(copy.WideStringAt(4)), u"wide");
    EXPECT_EQ(copy.ObjectAt(5), (ObjectId{8, 1}));
    std::size_t size = 0;
    EXPECT_EQ(std::string(static_cast<const char*>(copy.BytesAt(6, size)), 3), "raw");
    EXPECT_EQ(size, 3u);
    copy.BytesAt(7, size);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(copy.Int64At(8), std::int64_t{2} << 33);
    for (std::size_t i = 0; i < copy.Size(); ++i) EXPECT_EQ(copy.TagAt(i), 0) << i;

    CVarList ranged;
    EXPECT_TRUE(ranged.PushRange(foreign, 6, 3));
    ASSERT_EQ(ranged.Size(), 3u);
    EXPECT_EQ(ranged.TypeAt(0), VT_WIDESTR);
    EXPECT_EQ(ranged.TypeAt(2), VT_BYTES);
}

TEST(CVarListCopy, PushAllOnItselfAppendsOneCopy) {
    CVarList list;
    list.PushTaggedInt(2, 1);
    list << "a string long enough to fill the pool a little" << u"wide" << ObjectId{1, 2};
    list.PushBytes("xyz", 3);
    list << 2.0f;
    ASSERT_EQ(list.Capacity(), 8u);
    EXPECT_TRUE(list.PushAll(list));
    ASSERT_EQ(list.Size(), 12u);
    EXPECT_EQ(list.Capacity(), 16u);
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(list.TypeAt(i + 6), list.TypeAt(i)) << i;
    EXPECT_EQ(list.RawTypeAt(6), VT_INT);
    EXPECT_EQ(list.IntAt(6), 1);
    EXPECT_STREQ(list.StringAt(7), list.StringAt(1));
    EXPECT_EQ(std::u16string(list.WideStringAt(8)), u"wide");
    EXPECT_EQ(list.ObjectAt(9), (ObjectId{1, 2}));
    std::size_t size = 0;
    const auto* bytes = static_cast<const char*>(list.BytesAt(10, size));
    EXPECT_EQ(std::string(bytes, size), "xyz");
    EXPECT_EQ(list.FloatAt(11), 2.0f);
}

TEST(CVarListCopy, PushRangeBounds) {
    CVarList source;
    source << 1 << 2 << 3;
    CVarList target;
    EXPECT_FALSE(target.PushRange(source, 3, 0));  // start at the count, even for nothing
    EXPECT_FALSE(target.PushRange(source, 4, 0));
    EXPECT_FALSE(target.PushRange(source, 1, 3));
    EXPECT_FALSE(target.PushRange(source, 1, kMax));  // start + count wraps to 0
    EXPECT_FALSE(target.PushRange(source, 2, kMax - 1));
    EXPECT_FALSE(target.PushRange(source, kMax, 2));
    EXPECT_FALSE(target.PushRange(CVarList(), 0, 0));
    EXPECT_TRUE(target.Empty());

    EXPECT_TRUE(target.PushRange(source, 0, 0));
    EXPECT_TRUE(target.Empty());
    EXPECT_TRUE(target.PushRange(source, 1, 2));
    ASSERT_EQ(target.Size(), 2u);
    EXPECT_EQ(target.IntAt(0), 2);
    EXPECT_EQ(target.IntAt(1), 3);

    EXPECT_TRUE(source.PushRange(source, 0, 3));
    ASSERT_EQ(source.Size(), 6u);
    EXPECT_EQ(source.IntAt(5), 3);
}

TEST(CVarListCopy, AssignmentReplacesAndSurvivesSelfAssignment) {
    CVarList source;
    source << "source" << 5;
    CVarList target;
    for (int i = 0; i < 20; ++i) target << "old value";
    target = source;
    ASSERT_EQ(target.Size(), 2u);
    EXPECT_STREQ(target.StringAt(0), "source");
    EXPECT_EQ(target.Capacity(), 32u);  // the grown array is kept

    CVarList& alias = target;
    target = alias;
    IVarList& asInterface = target;
    target = asInterface;
    ASSERT_EQ(target.Size(), 2u);
    EXPECT_STREQ(target.StringAt(0), "source");
    EXPECT_EQ(target.IntAt(1), 5);

    // Copies are independent of their source.
    const CVarList copy(source);
    ASSERT_TRUE(source.SetStringAt(0, "changed"));
    EXPECT_STREQ(copy.StringAt(0), "source");
    EXPECT_STREQ(target.StringAt(0), "source");
}

}  // namespace
