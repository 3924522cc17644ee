// A push, setter or copy that runs out of memory leaves the list safe to read,
// reset and destroy: every allocation of a long sequence is made to fail in turn.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <string>
#include <vector>

#include "support/ListText.h"
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
        {true,
         [](Lists& l) {
             l.list.PushObject(ObjectId{1, 2});
         }},
        {true, [](Lists& l) { l.list.PushString(kLong.c_str()); }},
        {true, [](Lists& l) { l.list.PushWideString(kLongWide.c_str()); }},
        {true, [](Lists& l) { l.list.PushBytes(kBlock.data(), kBlock.size()); }},
        {true, [](Lists& l) { l.list.PushInt64(-5); }},
        {true, [](Lists& l) { l.list.PushTaggedString(4, "ninth entry"); }},  // grows the array
        {true, [](Lists& l) { l.list.SetStringAt(4, "short now"); }},
        {true, [](Lists& l) { l.list.SetStringAt(2, kLong.c_str()); }},
        {true, [](Lists& l) { l.list.SetWideStringAt(5, u"w"); }},
        {true,
         [](Lists& l) {
             l.list.SetObjectAt(3, ObjectId{5, 6});
         }},
        {false, [](Lists& l) { l.list.PushAll(l.list); }},  // grows to 32 on the way
        {false, [](Lists& l) { l.list.PushRange(l.list, 2, 6); }},
        {true, [](Lists& l) { CVarList copy(l.list); }},
        {true, [](Lists& l) { l.other = l.list; }},
        {true, [](Lists& l) { l.other.PushAll(l.list); }},
    };
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

        Lists before, after;  // the states before and after the failed step
        for (std::size_t s = 0; s <= failedStep; ++s) {
            if (s < failedStep) steps[s].run(before);
            steps[s].run(after);
        }
        if (steps[failedStep].atomic) {
            EXPECT_EQ(ListText(lists.list), ListText(before.list));
        } else {
            EXPECT_GE(lists.list.Size(), before.list.Size());
            EXPECT_EQ(ListText(lists.list), ListText(after.list, lists.list.Size()));
        }
        // The second list holds a prefix of some earlier state of the first.
        EXPECT_EQ(ListText(lists.other), ListText(after.other, lists.other.Size()));

        lists.list.Reset();
        lists.other.Reset();
        lists.list << "reused" << 7;
        EXPECT_EQ(ListText(lists.list), "s:reused i:7");
    }
    EXPECT_GT(k, 10u) << "the sequence should allocate at many points";
}

// The tool the test above relies on: every form of new is counted and can be made
// to fail once, and frees are seen in order.
TEST(AllocationControl, CountsAndFailsOnRequest) {
    const auto start = AllocationControl::Count();
    struct alignas(64) Wide {
        char c[64];
    };
    auto* one = new int(1);
    auto* many = new int[4];
    auto* wide = new Wide;
    EXPECT_EQ(AllocationControl::Count() - start, 3u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(wide) % 64, 0u);
    // The addresses are taken before the frees: a freed pointer's value may not be used.
    const std::vector<const void*> freed{one, many, wide};
    AllocationControl::StartRecordingFrees();
    delete one;
    delete[] many;
    delete wide;
    EXPECT_EQ(AllocationControl::StopRecordingFrees(), freed);

    {
        // Called as functions: an optimiser may leave out a new-expression whose
        // result is only deleted, but not a call of the operator itself.
        ScopedAllocationFailure failure(2);
        ::operator delete(::operator new(sizeof(int)));
        EXPECT_FALSE(failure.Triggered());
        EXPECT_THROW(::operator delete(::operator new(sizeof(int))), std::bad_alloc);
        EXPECT_TRUE(failure.Triggered());
        ::operator delete(::operator new(sizeof(int)));  // only the one allocation fails
    }
    {
        ScopedAllocationFailure failure(1);
        EXPECT_EQ(::operator new(sizeof(int), std::nothrow), nullptr);
    }
    AllocationControl::FailAfter(1);
    AllocationControl::Disarm();
    ::operator delete(::operator new(sizeof(int)));
}

}  // namespace
