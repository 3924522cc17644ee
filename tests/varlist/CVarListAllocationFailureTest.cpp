// A push, setter or copy that runs out of memory leaves the list safe to read,
// reset and destroy: every allocation of a long sequence is made to fail in turn.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "support/AllocationControl.h"
#include "Utility/CVarList.h"

namespace {

struct Lists {
    CVarList list;
    CVarList other;
};

struct Step {
    // Atomic steps leave `list` exactly as it was when they fail; the others
    // (copies into the list) may have appended part of their values.
    bool atomic;
    std::function<void(Lists&)> run;
};

const std::string kLong(90, 'L');
const std::u16string kLongWide(70, u'W');
const std::vector<unsigned char> kBlock(100, 0xAB);

std::vector<Step> Sequence() {
    return {
        {true, [](Lists& l) { l.list << 1 << 2.5f; }},
        {true, [](Lists& l) { l.list.PushString("in the pool"); }},
        {true, [](Lists& l) { l.list.PushObject(ObjectId{1, 2}); }},
        {true, [](Lists& l) { l.list.PushString(kLong.c_str()); }},
        {true, [](Lists& l) { l.list.PushWideString(kLongWide.c_str()); }},
        {true, [](Lists& l) { l.list.PushBytes(kBlock.data(), kBlock.size()); }},
        {true, [](Lists& l) { l.list.PushInt64(-5); }},
        {true, [](Lists& l) { l.list.PushTaggedString(4, "ninth entry"); }},  // grows the array
        {true, [](Lists& l) { l.list.PushTaggedObject(2, ObjectId{3, 4}); }},
        {true, [](Lists& l) { l.list.SetStringAt(3, "short now"); }},
        {true, [](Lists& l) { l.list.SetStringAt(2, kLong.c_str()); }},
        {true, [](Lists& l) { l.list.SetWideStringAt(4, u"w"); }},
        {true, [](Lists& l) { l.list.SetObjectAt(9, ObjectId{5, 6}); }},
        {false, [](Lists& l) { l.list.PushAll(l.list); }},  // grows to 32 on the way
        {false, [](Lists& l) { l.list.PushRange(l.list, 2, 6); }},
        {true, [](Lists& l) { CVarList copy(l.list); }},
        {true, [](Lists& l) { l.other = l.list; }},
        {true, [](Lists& l) { l.other.PushAll(l.list); }},
        {true, [](Lists& l) { l.list.PushWideString(kLongWide.c_str()); }},
    };
}

void Replay(const std::vector<Step>& steps, std::size_t count, Lists& lists) {
    for (std::size_t s = 0; s < count; ++s) steps[s].run(lists);
}

// Compares the first n entries, type words included.
void ExpectSameEntries(const IVarList& actual, const IVarList& expected, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(actual.RawTypeAt(i), expected.RawTypeAt(i));
        EXPECT_EQ(actual.IntAt(i), expected.IntAt(i));
        EXPECT_EQ(actual.Int64At(i), expected.Int64At(i));
        EXPECT_EQ(actual.FloatAt(i), expected.FloatAt(i));
        EXPECT_STREQ(actual.StringAt(i), expected.StringAt(i));
        EXPECT_EQ(std::u16string(actual.WideStringAt(i)), std::u16string(expected.WideStringAt(i)));
        EXPECT_EQ(actual.ObjectAt(i), expected.ObjectAt(i));
        std::size_t actualSize = 0;
        std::size_t expectedSize = 0;
        const void* a = actual.BytesAt(i, actualSize);
        const void* e = expected.BytesAt(i, expectedSize);
        ASSERT_EQ(actualSize, expectedSize);
        if (e != nullptr) {
            EXPECT_EQ(std::memcmp(a, e, expectedSize), 0);
        }
    }
}

TEST(CVarListAllocationFailure, EveryFailedAllocationLeavesAUsableList) {
    const std::vector<Step> steps = Sequence();
    std::uint64_t k = 1;
    for (;; ++k) {
        SCOPED_TRACE(k);
        Lists lists;
        std::size_t failedStep = steps.size();
        bool triggered = false;
        {
            ScopedAllocationFailure failure(k);
            std::size_t s = 0;
            try {
                for (; s < steps.size(); ++s) steps[s].run(lists);
            } catch (const std::bad_alloc&) {
                failedStep = s;
            }
            triggered = failure.Triggered();
        }
        if (!triggered) {
            EXPECT_EQ(failedStep, steps.size());
            break;
        }
        ASSERT_LT(failedStep, steps.size()) << "the failure was swallowed";

        Lists before;
        Replay(steps, failedStep, before);
        Lists after;
        Replay(steps, failedStep + 1, after);
        if (steps[failedStep].atomic) {
            ASSERT_EQ(lists.list.Size(), before.list.Size());
        } else {
            ASSERT_GE(lists.list.Size(), before.list.Size());
            ASSERT_LE(lists.list.Size(), after.list.Size());
        }
        ExpectSameEntries(lists.list, steps[failedStep].atomic ? before.list : after.list, lists.list.Size());
        // The second list holds a prefix of some earlier state of the first.
        ASSERT_LE(lists.other.Size(), after.other.Size());
        ExpectSameEntries(lists.other, after.other, lists.other.Size());

        lists.list.Reset();
        lists.other.Reset();
        EXPECT_TRUE(lists.list.Empty());
        lists.list << "reused" << 7;
        EXPECT_STREQ(lists.list.StringAt(0), "reused");
    }
    EXPECT_GT(k, 10u) << "the sequence should allocate at many points";
}

TEST(AllocationControl, CountsAndFailsOnRequest) {
    const auto start = AllocationControl::Count();
    auto* one = new int(1);
    auto* many = new int[4];
    struct alignas(64) Wide { char c[64]; };
    auto* wide = new Wide;
    EXPECT_EQ(AllocationControl::Count() - start, 3u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide) % 64, 0u);

    AllocationControl::StartRecordingFrees();
    delete one;
    delete[] many;
    delete wide;
    const std::vector<const void*> freed = AllocationControl::StopRecordingFrees();
    EXPECT_EQ(freed, (std::vector<const void*>{one, many, wide}));

    int* first = nullptr;
    {
        ScopedAllocationFailure failure(2);
        first = new int(1);
        EXPECT_FALSE(failure.Triggered());
        EXPECT_THROW((void)new int(2), std::bad_alloc);
        EXPECT_TRUE(failure.Triggered());
        delete new int(3);  // only the one allocation fails
    }
    delete first;
    {
        ScopedAllocationFailure failure(1);
        EXPECT_EQ(new (std::nothrow) int(4), nullptr);
    }
    AllocationControl::FailAfter(1);
    AllocationControl::Disarm();
    delete new int(5);
}

}  // namespace
