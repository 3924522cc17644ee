// The simulator's check of its lists tells a player lost from one that left by
// the rules: today's lists pass, a deleted row does not.
#include <gtest/gtest.h>

#include "sim/SimListCheck.h"
#include "support/HostFixture.h"

namespace {

using ListInvariants::kCharmList;
using ListInvariants::kPlayerList;

class SimListCheck : public HostFixture {
protected:
    // Players who finished their introduction are placed as they log in.
    void AddPlayers(int count, int firstValue) {
        state.server = &server();
        for (int i = 0; i < count; ++i) {
            const std::u16string name = u"p" + std::u16string(1, static_cast<char16_t>(u'a' + i));
            state.names.push_back(name);
            state.players.push_back(
                Player(name, {{"GutOver", 1}, {"Level", firstValue + i}, {"Charm", firstValue + i}}));
        }
    }
    PubDataStore& Store() { return world().Store(); }
    int Index(const ListInvariants::ListShape& list) { return Store().SpaceIndex(list.space); }

    SimServerState state;
};

TEST_F(SimListCheck, AListMissingAPlayerNoRuleTookOffIsNotWhole) {
    AddPlayers(4, 10);
    for (const auto* list : {&kPlayerList, &kCharmList}) {
        EXPECT_EQ(SimListFault(Store(), *list, {state}), "") << list->record;
        ASSERT_TRUE(Store().RemoveRow(Index(*list), list->record, 1));  // as a lost rewrite would leave it
        const std::string fault = SimListFault(Store(), *list, {state});
        EXPECT_NE(fault.find(std::string(list->record) + ": 1 player lost"), std::string::npos) << fault;
        EXPECT_NE(fault.find("pc (12)"), std::string::npos) << fault;
    }
}

// In a full list a player ranked no higher than its last row may have been
// pushed out by a better one: that is no loss; one ranked above it is.
TEST(ListMembers, AFullListMayLackPlayersRankedNoHigherThanItsLastRow) {
    MemoryPubDataStore store;
    std::vector<std::vector<HostValue>> rows;
    for (int i = 0; i < 150; ++i)
        rows.push_back({u"n" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) +
                            std::u16string(1, static_cast<char16_t>(u'A' + i / 10)),
                        300 - i});
    ASSERT_TRUE(store.Seed(kPlayerList.space, kPlayerList.record, 150, {VT_WIDESTR, VT_INT}, rows));
    EXPECT_EQ(ListInvariants::CheckMembers(store, kPlayerList, {{u"n0A", 300}, {u"out", 151}}), "");
    const std::string fault = ListInvariants::CheckMembers(store, kPlayerList, {{u"out", 151}, {u"high", 152}});
    EXPECT_NE(fault.find("1 player lost (not listed though ranked above the last row): high (152)"), std::string::npos)
        << fault;
}

}  // namespace
