// The public record handle against the reference host's kernel, in-process,
// and its lock under four servers on their own threads.
#include <gtest/gtest.h>

#include <atomic>
#include <initializer_list>
#include <new>

#include "host/World.h"
#include "support/ListText.h"
#include "record/PubRecordHandle.h"

namespace {

constexpr const char16_t* kSpace = u"Pub_Test";

class Handle : public ::testing::Test {
protected:
    // A record "Rec" of five rows at most with these column types.
    void Shape(PubRecordHandle& h, std::initializer_list<int> types) {
        ASSERT_TRUE(h.CreateRecord(5, static_cast<int>(types.size())));
        int col = 0;
        for (int type : types) h.SetColumnType(col++, type);
    }
    int LockValue() { return store.PropertyInt(store.SpaceIndex(kSpace), "RecPubLock"); }

    MemoryPubDataStore store;
    HostKernel k{store, 1};
};

TEST_F(Handle, CreatesAMissingSpaceAndNamesTheLockAfterTheRecord) {
    PubRecordHandle h(&k, kSpace, "PlayerToplistRec");
    EXPECT_GE(h.PubIndex(), 0);
    EXPECT_EQ(store.SpaceIndex(kSpace), h.PubIndex());
    EXPECT_STREQ(h.LockName(), "PlayerToplistRecPubLock");
    EXPECT_EQ(PubRecordHandle(&k, kSpace, "Rec").PubIndex(), h.PubIndex()) << "an existing space is reused";
    const std::string longName(100, 'r');
    PubRecordHandle longer(&k, kSpace, longName.c_str());
    EXPECT_EQ(std::string(longer.LockName()), longName + "PubLock");
}

TEST_F(Handle, LockCreatesTheLockPropertyCreateRecordLeavesAHeldLockAndAThrowReleasesIt) {
    PubRecordHandle h(&k, kSpace, "Rec");
    EXPECT_EQ(h.Lock(), PubRecordHandle::LockOutcome::Taken);
    EXPECT_EQ(LockValue(), 1);
    EXPECT_FALSE(store.PropertySave(h.PubIndex(), "RecPubLock"));
    // Set-up creates records under the lock: creating one must not free it.
    ASSERT_TRUE(h.CreateRecord(10, 2));
    EXPECT_EQ(LockValue(), 1);
    EXPECT_FALSE(h.CreateRecord(10, 2));
    h.Unlock();
    EXPECT_EQ(LockValue(), 0);
    h.Unlock();  // releasing a free lock changes nothing
    EXPECT_EQ(LockValue(), 0);
    try {
        PubRecordLock lock(h);
        EXPECT_EQ(LockValue(), 1);
        throw std::bad_alloc();
    } catch (const std::bad_alloc&) {}
    EXPECT_EQ(LockValue(), 0);
}

// The modules read rows through CopyRowToList, so the conversions are read back that way.
TEST_F(Handle, SetCellConvertsByColumnTypeAndRowsCopyOutByType) {
    PubRecordHandle h(&k, kSpace, "Rec");
    Shape(h, {VT_WIDESTR, VT_INT, VT_FLOAT, VT_STRING, VT_OBJECT});
    ASSERT_TRUE(k.InsertPubRecordRow(h.PubIndex(), "Rec", 0));
    EXPECT_TRUE(h.SetCell(0, 0, "Ann") && h.SetCell(0, 1, "12abc") && h.SetCell(0, 2, u"2.5") && h.SetCell(0, 3, 7));
    EXPECT_FALSE(h.SetCell(0, 4, 1)) << "no conversion into an object column";
    EXPECT_EQ(h.CellInt(0, 1), 12);
    EXPECT_EQ(h.CellWideString(0, 0), u"Ann");
    CVarList out;
    out << 1;
    EXPECT_FALSE(h.CopyRowToList(-1, out) || h.CopyRowToList(1, out));
    EXPECT_TRUE(h.CopyRowToList(0, out));
    EXPECT_EQ(ListText(out), "i:1 w:Ann i:12 f:2.5 s:7 o:0.0");
    EXPECT_EQ(h.FindRowByName(u"Ann"), 0);
    EXPECT_EQ(h.FindRowByName(u"Bob"), -1);
    EXPECT_TRUE(store.Diagnostics().Empty()) << store.Diagnostics().Joined();
}

// Four servers, more than this machine's cores: a waiter that spun without
// yielding would keep the holder off the CPU for whole time slices.
TEST(HandleContention, FourServersIncrementOneCellExactlyUnderTheLock) {
    constexpr int kRounds = 25'000;
    constexpr int kServers = 4;
    World world(kServers);
    {
        PubRecordHandle h(&world.server(0).Kernel(), kSpace, "CounterRec");
        ASSERT_TRUE(h.CreateRecord(1, 1));
        h.SetColumnType(0, VT_INT);
        CVarList zero;
        zero << 0;
        ASSERT_EQ(h.AddRow(-1, zero), 0);
    }
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    for (std::size_t s = 0; s < world.ServerCount(); ++s) {
        world.server(s).StartThread();
        world.server(s).Post([&](Server& server) {
            for (int i = 0; i < kRounds; ++i) {
                PubRecordHandle h(&server.Kernel(), kSpace, "CounterRec");
                PubRecordLock lock(h);
                if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
                h.SetCell(0, 0, h.CellInt(0, 0) + 1);
                inside.fetch_sub(1);
            }
        });
    }
    for (std::size_t s = 0; s < world.ServerCount(); ++s) world.server(s).WaitIdle();
    const int index = world.Store().SpaceIndex(kSpace);
    EXPECT_EQ(world.Store().QueryInt(index, "CounterRec", 0, 0), kServers * kRounds);
    EXPECT_EQ(world.Store().PropertyInt(index, "CounterRecPubLock"), 0);
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(world.DiagnosticsText(), "");
}

}  // namespace
