// Copying values between lists: PushAll, PushRange, copy construction and assignment.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "support/ListText.h"
#include "Utility/CVarList.h"

namespace {

constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();

// A list written by someone else, read only through IVarList. It can hold type
// codes CVarList never stores and answers some reads carelessly.
class ForeignList final : public IVarList {
public:
    struct Item {
        int type;
        int number = 0;
        std::string text{};
        std::u16string wide{};
        bool nullText = false;
    };
    std::vector<Item> items;
    VOGAME_DELETING_DESTRUCTOR(ForeignList)

    // Writing is not what these tests are about.
#define REFUSE(...) \
    bool __VA_ARGS__ override { return false; }
    REFUSE(PushInt(int))
    REFUSE(PushInt64(std::int64_t)) REFUSE(PushFloat(float)) REFUSE(PushString(const char*))
        REFUSE(PushWideString(const char16_t*)) REFUSE(PushObject(const ObjectId&))
            REFUSE(PushBytes(const void*, std::size_t)) REFUSE(PushTaggedInt(int, int))
                REFUSE(PushTaggedFloat(int, float)) REFUSE(PushTaggedString(int, const char*))
                    REFUSE(PushTaggedWideString(int, const char16_t*)) REFUSE(PushTaggedObject(int, const ObjectId&))
                        REFUSE(PushAll(const IVarList&)) REFUSE(PushRange(const IVarList&, std::size_t, std::size_t))
                            REFUSE(SetIntAt(std::size_t, int)) REFUSE(SetFloatAt(std::size_t, float))
                                REFUSE(SetStringAt(std::size_t, const char*))
                                    REFUSE(SetWideStringAt(std::size_t, const char16_t*))
                                        REFUSE(SetObjectAt(std::size_t, const ObjectId&))
#undef REFUSE
                                            void Reset() override {
        items.clear();
    }

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
    VOGAME_CLASS_RESULT_OVERRIDE(ObjectId, ObjectAt, (std::size_t i), (i), const)
    const void* BytesAt(std::size_t i, std::size_t& size) const override {
        size = items.at(i).text.size();  // a careless source: null data with a size
        return items.at(i).nullText ? nullptr : items.at(i).text.data();
    }
};

ObjectId ForeignList::ObjectAt(std::size_t i) const {
    return ObjectId{static_cast<std::uint32_t>(items.at(i).number), 1};
}

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
    // No tags, and no foreign bits in the type words.
    const CVarList copy(static_cast<const IVarList&>(foreign));
    EXPECT_EQ(ListText(copy), "i:11 f:1.5 s:text s: w:wide o:8.1 b:726177 b: L:17179869184");
    EXPECT_EQ(copy.RawTypeAt(0), VT_INT);

    CVarList ranged;
    EXPECT_TRUE(ranged.PushRange(foreign, 6, 3));
    EXPECT_EQ(ListText(ranged), "w:wide o:8.1 b:726177");
}

TEST(CVarListCopy, PushAllOnItselfAppendsOneCopy) {
    CVarList list;
    list.PushTaggedInt(2, 1);
    list << "a string long enough to fill the pool a little" << u"wide" << ObjectId{1, 2};
    list.PushBytes("xyz", 3);
    list << 2.0f;
    ASSERT_EQ(list.Capacity(), 8u);
    EXPECT_TRUE(list.PushAll(list));
    EXPECT_EQ(list.Capacity(), 16u);
    const std::string once = "s:a string long enough to fill the pool a little w:wide o:1.2 b:78797a f:2";
    EXPECT_EQ(ListText(list), "i:1#2 " + once + " i:1 " + once);
}

TEST(CVarListCopy, PushRangeBounds) {
    CVarList source;
    source << 1 << 2 << 3;
    CVarList target;
    // A start at the count fails even for nothing; start + count may wrap to 0.
    const std::pair<std::size_t, std::size_t> refused[] = {{3, 0}, {4, 0}, {1, 3}, {1, kMax}, {2, kMax - 1}, {kMax, 2}};
    for (const auto& [start, count] : refused)
        EXPECT_FALSE(target.PushRange(source, start, count)) << start << "+" << count;
    EXPECT_FALSE(target.PushRange(CVarList(), 0, 0));
    EXPECT_TRUE(target.PushRange(source, 0, 0));
    EXPECT_TRUE(target.Empty());
    EXPECT_TRUE(target.PushRange(source, 1, 2));
    EXPECT_EQ(ListText(target), "i:2 i:3");
    EXPECT_TRUE(source.PushRange(source, 0, 3));
    EXPECT_EQ(ListText(source), "i:1 i:2 i:3 i:1 i:2 i:3");
}

TEST(CVarListCopy, AssignmentReplacesAndSurvivesSelfAssignment) {
    CVarList source;
    source << "source" << 5;
    CVarList target;
    for (int i = 0; i < 20; ++i) target << "old value";
    target = source;
    EXPECT_EQ(target.Capacity(), 32u);  // the grown array is kept
    CVarList& alias = target;
    target = alias;
    IVarList& asInterface = target;
    target = asInterface;
    EXPECT_EQ(ListText(target), "s:source i:5");

    // Copies are independent of their source.
    const CVarList copy(source);
    ASSERT_TRUE(source.SetStringAt(0, "changed"));
    EXPECT_EQ(ListText(copy) + " " + ListText(target), "s:source i:5 s:source i:5");
}

}  // namespace
