// The shared public data: row operations, strict refusals, compare-and-set.
#include <gtest/gtest.h>

#include "Utility/CVarList.h"
#include "host/PubDataStore.h"

namespace {

class Store : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store.AddSpace(u"Pub", 1));
        space = store.SpaceIndex(u"Pub");
        ASSERT_TRUE(store.AddRecord(space, "Rec", 3, 3));
        store.SetColType(space, "Rec", 0, VT_WIDESTR);
        store.SetColType(space, "Rec", 1, VT_INT);
        store.SetColType(space, "Rec", 2, VT_STRING);
    }
    CVarList Row(const char16_t* name, int level, const char* tag = "") {
        CVarList row;
        row << name << level << tag;
        return row;
    }
    std::size_t Refusals() { return store.Diagnostics().Size(); }

    PubDataStore store;
    int space = -1;
};

TEST_F(Store, RowsAreInsertedBeforeTheGivenIndexAndAppendedWithMinusOne) {
    EXPECT_EQ(store.AddRowValues(space, "Rec", -1, Row(u"b", 2)), 0);
    EXPECT_EQ(store.AddRowValues(space, "Rec", 0, Row(u"a", 1)), 0);
    EXPECT_TRUE(store.InsertRow(space, "Rec", 2));  // row == rows appends a default row
    EXPECT_EQ(store.FindWideStr(space, "Rec", 0, u"b"), 1);
    EXPECT_TRUE(store.RemoveRow(space, "Rec", 0));
    EXPECT_EQ(store.FindWideStr(space, "Rec", 0, u"b"), 0);
    EXPECT_TRUE(store.SetRowValues(space, "Rec", 0, Row(u"c", 9, "x")));
    std::string tag;
    store.QueryString(space, "Rec", 0, 2, tag);
    EXPECT_EQ(tag, "x");
    // Retyping a column resets its cells instead of reading the old value as the new type.
    EXPECT_TRUE(store.SetColType(space, "Rec", 1, VT_FLOAT));
    EXPECT_EQ(store.QueryFloat(space, "Rec", 0, 1), 0.0f);
    EXPECT_TRUE(store.ClearRecord(space, "Rec"));
    EXPECT_EQ(store.Rows(space, "Rec"), 0);
    EXPECT_FALSE(store.AddSpace(u"Pub", 1));
    EXPECT_EQ(store.SpaceIndex(u"Missing"), -1);
    EXPECT_EQ(store.Rows(space, "Nope"), -1);
    EXPECT_TRUE(store.Diagnostics().Empty()) << "probes are not faults: " << store.Diagnostics().Joined();
}

TEST_F(Store, RefusesRowsThatDoNotFitAndSaysWhy) {
    CVarList shortRow;
    shortRow << u"a" << 1;
    EXPECT_LT(store.AddRowValues(space, "Rec", -1, shortRow), 0);
    CVarList wrongType;
    wrongType << u"a" << "not an int" << "t";
    EXPECT_LT(store.AddRowValues(space, "Rec", -1, wrongType), 0);
    EXPECT_EQ(store.Rows(space, "Rec"), 0) << "a refused row leaves nothing behind";
    EXPECT_EQ(Refusals(), 2u);

    ASSERT_EQ(store.AddRowValues(space, "Rec", -1, Row(u"a", 1)), 0);
    EXPECT_LT(store.AddRowValues(space, "Rec", 5, Row(u"b", 1)), 0) << "beyond the end";
    EXPECT_FALSE(store.InsertRow(space, "Rec", -1));
    EXPECT_FALSE(store.SetRowValues(space, "Rec", 0, shortRow));
    EXPECT_FALSE(store.SetInt(space, "Rec", 0, 0, 5)) << "int into a wide text column";
    EXPECT_FALSE(store.SetString(space, "Rec", 0, 3, "x")) << "no column 3";
    EXPECT_EQ(store.FindWideStr(space, "Rec", 1, u"a"), -1) << "not a wide text column";
    EXPECT_EQ(store.AddRowValues(space, "Nope", -1, Row(u"a", 1)), -1);
    EXPECT_FALSE(store.AddRecord(space, "Bad", 10, 0));
    EXPECT_EQ(store.QueryInt(7, "Rec", 0, 0), 0);
    for (int i = 1; i < 3; ++i) ASSERT_EQ(store.AddRowValues(space, "Rec", -1, Row(u"p", i)), i);
    EXPECT_LT(store.AddRowValues(space, "Rec", 0, Row(u"q", 0)), 0) << "full";
    EXPECT_FALSE(store.InsertRow(space, "Rec", 3));
    EXPECT_EQ(Refusals(), 13u) << store.Diagnostics().Joined();
    const std::string text = store.Diagnostics().Joined();
    for (const char* part : {"Pub/Rec", "2 values for 3 columns", "full"})
        EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
}

TEST_F(Store, CompareAndSetCountsFailuresAndCallsTheReleaseHookOnOneToZero) {
    ASSERT_TRUE(store.AddProperty(space, "RecPubLock", VT_INT));
    int releases = 0;
    int rowsSeen = -1;
    store.SetReleaseHook([&](PubDataStore& s, int index, std::string_view name) {
        ++releases;
        EXPECT_EQ(name, "RecPubLock");
        rowsSeen = s.Rows(index, "Rec");  // the store may be used from inside the hook
    });
    EXPECT_TRUE(store.CompareSetPropertyInt(space, "RecPubLock", 0, 1));
    EXPECT_FALSE(store.CompareSetPropertyInt(space, "RecPubLock", 0, 1));
    EXPECT_EQ(store.CompareSetFailures(space, "RecPubLock"), 1u);
    EXPECT_EQ(store.PropertyInt(space, "RecPubLock"), 1);
    EXPECT_TRUE(store.CompareSetPropertyInt(space, "RecPubLock", 1, 0));
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(rowsSeen, 0);
    EXPECT_FALSE(store.CompareSetPropertyInt(space, "NoLock", 0, 1));
    EXPECT_EQ(Refusals(), 1u);
}

}  // namespace
