// Object snapshots in variant lists: layout, selection rules, round trips through
// the reference host, and lists that are short, mistyped or foreign.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/KernelFixture.h"
#include "Utility/CVarList.h"
#include "Utility/ObjectSnapshot.h"
#include "support/ListText.h"

namespace {

template <typename... T>
CVarList Values(const T&... values) {
    CVarList list;
    (list << ... << values);
    return list;
}

class ObjectSnapshotTest : public KernelFixture {
protected:
    void SetUp() override {
        KernelFixture::SetUp();
        kernel_.DefineClass("Empty");
        const int hero = Define("Hero", {{"Level", VT_INT},
                                         {"Speed", VT_FLOAT},
                                         {"Title", VT_STRING, false},
                                         {"Nick", VT_WIDESTR},
                                         {"Mount", VT_OBJECT}});
        DefineRecord(hero, "Bag", 10, true, {VT_INT, VT_WIDESTR, VT_OBJECT});
        DefineRecord(hero, "Skills", 10, false, {VT_STRING, VT_FLOAT});  // not saved, like Title

        source_ = Make("Hero");
        mount_ = Make("Empty");
        kernel_.SetInt(source_, "Level", 30);
        kernel_.SetFloat(source_, "Speed", 2.5f);
        kernel_.SetString(source_, "Title", "Duke");
        kernel_.SetWideStr(source_, "Nick", u"Ōtori");
        kernel_.SetObject(source_, "Mount", mount_);
        kernel_.AddData(source_, "Gold", VT_INT) && kernel_.SetDataInt(source_, "Gold", 900);
        kernel_.AddData(source_, "Motto", VT_WIDESTR) && kernel_.SetDataWideStr(source_, "Motto", u"onward");
        kernel_.AddData(source_, "Target", VT_OBJECT) && kernel_.SetDataObject(source_, "Target", mount_);
        for (int r = 0; r < 2; ++r) {
            kernel_.SetRecordInt(source_, "Bag", r, 0, 10 + r);
            kernel_.SetRecordWideStr(source_, "Bag", r, 1, r == 0 ? u"axe" : u"bow");
            kernel_.SetRecordObject(source_, "Bag", r, 2, mount_);
        }
        kernel_.SetRecordString(source_, "Skills", 0, 0, "dash");
        kernel_.SetRecordFloat(source_, "Skills", 0, 1, 0.25f);
    }

    std::string Saved(const ObjectId& obj, bool includeObjects, bool includeAll) {
        CVarList list;
        EXPECT_EQ(SaveObjectToList(&kernel_, obj, list, includeObjects, includeAll), 1);
        return ListText(list);
    }

    ObjectId source_, mount_;
};

TEST_F(ObjectSnapshotTest, RoundTripsPropertiesDataAndTwoRecords) {
    CVarList list;
    ASSERT_EQ(SaveObjectToList(&kernel_, source_, list, true, true), 1);
    // 5 properties, 3 data values, 2 records of 2 x 3 and 1 x 2 values.
    EXPECT_EQ(std::make_tuple(list.IntAt(0), list.IntAt(11), list.IntAt(21), list.Size()),
              std::make_tuple(5, 3, 2, std::size_t{22 + 2 + 6 + 2 + 2}));

    const ObjectId target = Make("Hero");
    for (int r = 0; r < 3; ++r) {
        kernel_.SetRecordInt(target, "Bag", r, 0, 77);  // stale rows go first
    }
    ASSERT_EQ(LoadObjectFromList(&kernel_, target, list), 1);
    EXPECT_EQ(Saved(target, true, true), ListText(list));  // every value, row and the stale rows' removal
    EXPECT_TRUE(kernel_.Logs().empty());
    EXPECT_TRUE(kernel_.Diagnostics().Empty()) << kernel_.Diagnostics().Joined();

    EXPECT_EQ(Saved(Make("Empty"), true, true), "i:0 i:0 i:0");
}

TEST_F(ObjectSnapshotTest, IncludeObjectsAndIncludeAllRules) {
    // Without objects: object values left out, but a record's object cell keeps
    // its place as an empty string, so rows keep their width.
    EXPECT_EQ(
        Saved(source_, false, true),
        "i:4 s:Level i:30 s:Speed f:2.5 s:Title s:Duke s:Nick w:\\u014Ctori i:2 i:2 s:Gold i:900 i:5 s:Motto w:onward "
        "i:2 s:Bag i:2 i:10 w:axe s: i:11 w:bow s: s:Skills i:1 s:dash f:0.25");
    CVarList list;
    ASSERT_EQ(SaveObjectToList(&kernel_, source_, list, false, true), 1);
    const ObjectId target = Make("Hero");
    ASSERT_EQ(LoadObjectFromList(&kernel_, target, list), 1);
    EXPECT_EQ(kernel_.QueryRecordInt(target, "Bag", 1, 0), 11);
    EXPECT_TRUE(kernel_.QueryRecordObject(target, "Bag", 0, 2).IsNull());
    EXPECT_TRUE(kernel_.QueryObject(target, "Mount").IsNull());

    // Without include all: only flagged properties and records, but every data value.
    const std::string m = ListText(Values(mount_));
    EXPECT_EQ(Saved(source_, true, false), "i:4 s:Level i:30 s:Speed f:2.5 s:Nick w:\\u014Ctori s:Mount " + m +
                                               " i:3 i:2 s:Gold i:900 i:5 s:Motto w:onward "
                                               "i:6 s:Target " +
                                               m + " i:1 s:Bag i:2 i:10 w:axe " + m + " i:11 w:bow " + m);
}

TEST_F(ObjectSnapshotTest, MissingObjectPropertyOrRecordIsLogged) {
    const ObjectId gone{12345, 678};
    CVarList list;
    EXPECT_EQ(SaveObjectToList(&kernel_, gone, list, true, true), 0);
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(LoadObjectFromList(&kernel_, gone, Values(0, 0, 0)), 0);

    // A missing property is skipped, a missing data value made; a missing record
    // ends the loading, since its values cannot be skipped.
    list = Values(2, "Nope", 5, "Level", 8, 1, VT_STRING, "Fresh", "made", 2, "Ghost", 1, 5, "Skills", 1, "kick", 1.0f);
    const ObjectId target = Make("Hero");
    ASSERT_EQ(LoadObjectFromList(&kernel_, target, list), 1);
    EXPECT_EQ(kernel_.QueryInt(target, "Level"), 8);
    EXPECT_STREQ(kernel_.QueryDataString(target, "Fresh"), "made");
    EXPECT_EQ(kernel_.GetRecordRows(target, "Skills"), 0);
    EXPECT_EQ(kernel_.Logs(), (std::vector<std::string>{"Object is not exists!", "..\\Utility\\Extern (673)",
                                                        "Property Nope can't be found!", "..\\Utility\\Extern (691)",
                                                        "Record Ghost can't be found!", "..\\Utility\\Extern (809)"}));
}

TEST_F(ObjectSnapshotTest, MistypedValuesAreStoredAsNeutralValues) {
    const ObjectId target = Make("Hero");
    kernel_.SetInt(target, "Level", 4);
    kernel_.SetWideStr(target, "Nick", u"old");
    ASSERT_EQ(
        LoadObjectFromList(&kernel_, target, Values(2, "Level", "not an int", "Nick", 3, 0, 1, "Bag", 1, 1.5f, 7, "x")),
        1);
    EXPECT_EQ(kernel_.QueryInt(target, "Level"), 0);
    EXPECT_EQ(std::u16string(kernel_.QueryWideStr(target, "Nick")), u"");
    ASSERT_EQ(kernel_.GetRecordRows(target, "Bag"), 1);
    EXPECT_EQ(kernel_.QueryRecordInt(target, "Bag", 0, 0), 0);
    EXPECT_EQ(std::u16string(kernel_.QueryRecordWideStr(target, "Bag", 0, 1)), u"");
    EXPECT_TRUE(kernel_.QueryRecordObject(target, "Bag", 0, 2).IsNull());
}

// Every cut of a good snapshot, and lists whose counts lie: nothing is read past
// the end, and a record is either left alone or loaded whole.
TEST_F(ObjectSnapshotTest, CutOrLyingListsNeverWriteGarbage) {
    CVarList full;
    ASSERT_EQ(SaveObjectToList(&kernel_, source_, full, true, true), 1);
    for (std::size_t cut = 0; cut < full.Size(); ++cut) {
        SCOPED_TRACE(cut);
        CVarList part;
        part.PushRange(full, 0, cut);
        const ObjectId target = Make("Hero");
        kernel_.SetRecordInt(target, "Bag", 0, 0, 77);
        const int result = LoadObjectFromList(&kernel_, target, part);
        const int bagRows = kernel_.GetRecordRows(target, "Bag");
        EXPECT_TRUE(bagRows == 2 || (bagRows == 1 && kernel_.QueryRecordInt(target, "Bag", 0, 0) == 77)) << bagRows;
        EXPECT_LE(kernel_.GetRecordRows(target, "Skills"), 1);
        if (cut < 22) {  // before the record section is whole, nothing at all is written
            EXPECT_EQ(result, 0);
            EXPECT_EQ(kernel_.QueryInt(target, "Level"), 0);
            EXPECT_FALSE(kernel_.FindData(target, "Gold"));
        }
        EXPECT_TRUE(kernel_.Diagnostics().Empty()) << kernel_.Diagnostics().Joined();
    }

    const ObjectId target = Make("Hero");
    for (const CVarList& lying : {Values(1000000, "Level", 3), Values(-1, 0, 0), Values(0, 0, 1, "Bag", 2147483647, 1),
                                  Values(0, 0, 3, "Skills", 0), Values(0.0f, 0, 0)}) {
        EXPECT_EQ(LoadObjectFromList(&kernel_, target, lying), 0) << ListText(lying);
    }
    EXPECT_EQ(kernel_.QueryInt(target, "Level"), 0);
    EXPECT_EQ(kernel_.GetRecordRows(target, "Bag"), 0);
    EXPECT_TRUE(kernel_.Logs().empty());
}

}  // namespace
