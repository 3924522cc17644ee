// The record image against the reference host's kernel, in-process: what it
// reads is what it writes back, and a shortage at any allocation while it
// writes back (or while the handle re-creates a record through it) loses no row.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "host/World.h"
#include "record/PubRecordHandle.h"
#include "record/RecordImage.h"
#include "support/AllocationControl.h"
#include "support/ListText.h"

namespace {

constexpr const char16_t* kSpace = u"Pub_Test";
using Row = std::vector<HostValue>;

class RecordImageTest : public ::testing::Test {
protected:
    std::vector<Row> Rows() { return store.Snapshot(kSpace, "Rec")->rows; }

    MemoryPubDataStore store;
    HostKernel k{store, 1};
    PubRecordHandle h{&k, kSpace, "Rec"};
};

TEST_F(RecordImageTest, ReadsEveryColumnTypeAndWritesChosenRowsBackInTheirOrder) {
    const std::vector<Row> rows = {
        {std::u16string(40, u'a'), 1, 0.5f, std::string("one"), ObjectId{1, 2}},
        {std::u16string(), -7, 0.0f, std::string(), ObjectId{}},
        {std::u16string(u"\u00e9t\u00e9"), 3, 2.5f, std::string(30, 's'), ObjectId{3, 4}},
    };
    ASSERT_TRUE(store.Seed(kSpace, "Rec", 10, {VT_WIDESTR, VT_INT, VT_FLOAT, VT_STRING, VT_OBJECT}, rows));
    RecordImage image;
    image.Take(h);
    ASSERT_EQ(image.Rows(), 3);
    for (int r = 0; r < 3; ++r) {
        CVarList fromImage, fromRecord;
        image.PushRow(r, fromImage);
        h.CopyRowToList(r, fromRecord);
        EXPECT_EQ(ListText(fromImage), ListText(fromRecord)) << "row " << r;
    }
    EXPECT_EQ(image.Int(0, 0), 0) << "a cell read as another type is neutral";
    EXPECT_STREQ(image.Text(1, 3), "");

    ASSERT_TRUE(h.Clear());
    const int order[] = {2, 0};
    image.AppendRows(h, order);
    EXPECT_EQ(Rows(), (std::vector<Row>{rows[2], rows[0]}));

    RecordImage middle;
    middle.Take(h, 1, 5);  // clipped to the record
    ASSERT_EQ(middle.Rows(), 1);
    EXPECT_EQ(middle.WideString(0, 0), std::u16string(40, u'a'));
    PubRecordHandle absent(&k, kSpace, "NoSuchRec");
    RecordImage missing;
    missing.Take(absent);
    EXPECT_EQ(missing.Cols(), 0);
    EXPECT_EQ(missing.Rows(), 0);
}

// Every allocation of the operation fails in turn, until it runs through: each
// time the record holds every row, whole and in order. A refill has emptied the
// record first, so it must put every row back whatever fails.
TEST_F(RecordImageTest, AShortageAtAnyAllocationLosesNoRow) {
    std::vector<Row> rows;
    for (int i = 0; i < 20; ++i) {
        rows.push_back({std::u16string(30, static_cast<char16_t>(u'a' + i)), i, 0.25f * i, std::string(20, 'x')});
    }
    const std::vector<Row> reversed(rows.rbegin(), rows.rend());
    std::vector<int> backwards;
    for (int r = 19; r >= 0; --r) backwards.push_back(r);
    // Each row's int cell, in record order: enough to tell a lost, doubled or moved row.
    const auto order = [](const std::vector<Row>& list) {
        std::string text;
        for (const Row& row : list) text += std::to_string(std::get<int>(row.at(1))) + " ";
        return text;
    };
    struct Case {
        const char* label;
        std::function<void(PubRecordHandle&, const RecordImage&)> run;
        const std::vector<Row>* expected;
    };
    const Case cases[] = {
        {"refill after a clear",
         [&](PubRecordHandle& handle, const RecordImage& image) {
             handle.Clear();
             image.AppendRows(handle, backwards);
         },
         &reversed},
        {"resize", [](PubRecordHandle& handle, const RecordImage&) { SetMaxRows(handle, 30); }, &rows},
    };
    for (const Case& c : cases) {
        std::uint64_t k = 1;
        for (;; ++k) {
            ASSERT_TRUE(store.Seed(kSpace, "Rec", 25, {VT_WIDESTR, VT_INT, VT_FLOAT, VT_STRING}, rows));
            RecordImage image;
            image.Take(h);
            if (!FailingAt(k, [&] { c.run(h, image); })) break;
            std::vector<Row> now = Rows();
            // A resize may have cut the padding short; the rows before it are whole.
            now.resize(std::min(now.size(), c.expected->size()));
            ASSERT_TRUE(now == *c.expected) << c.label << ", allocation " << k << ": " << order(now);
        }
        EXPECT_GT(k, 1u) << c.label;
    }
}

}  // namespace
