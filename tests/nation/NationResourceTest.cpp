// The nation resource report (custom message 73003) through the real library.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/HostFixture.h"
#include "host/NationRecords.h"

namespace {

using NationRecords::ResourceRow;

std::vector<ResourceRow> Resources(int rows) {
    std::vector<ResourceRow> values;
    for (int n = 0; n < rows; ++n) values.push_back({n * 10 + 1, n * 10 + 2, n * 10 + 3, n * 10 + 4, n * 10 + 5});
    return values;
}

class NationResourceTest : public HostFixture {
protected:
    PubDataStore& store() { return world().Store(); }

    // Sends 73003 from a fresh requester; the records sent to him, if any.
    std::vector<const VirtualRecSystem::Sent*> Request() {
        std::u16string name = u"asker";
        name.push_back(static_cast<char16_t>(u'0' + requests_++));
        const ObjectId requester = Player(name);
        CVarList message;
        message.PushInt(73003);
        server().SendClientMessage(requester, message);
        return server().VirtualRec()->SentTo(requester);
    }

    int requests_ = 0;
};

TEST_F(NationResourceTest, SendsThirtyFiveValuesPerNationInOrder) {
    ASSERT_TRUE(NationRecords::SeedResources(store(), Resources(6)));
    ASSERT_TRUE(NationRecords::SeedKings(
        store(), {{2, u"first", 1}, {2, u"second", 2}, {0, u"offline", 3}, {7, u"nowhere", 4}, {4, u"deposed", 5}}));
    ASSERT_TRUE(NationRecords::CrownKing(store(), 4, u"online", 6));  // replaces nation 4's king
    ASSERT_TRUE(NationRecords::AddResource(store(), 4, 4, 1000));
    Player(u"online");
    Player(u"nowhere");
    const auto sent = Request();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ("Game.NationResource", sent[0]->recName);
    const CVarList& values = sent[0]->values;
    ASSERT_EQ(35u, values.Size());
    for (int n = 0; n < 5; ++n) {
        for (int c = 0; c < 5; ++c) {
            EXPECT_EQ(n * 10 + c + 1 + (n == 4 && c == 4 ? 1000 : 0),
                      values.IntAt(static_cast<std::size_t>(n * 7 + c)));
        }
    }
    const auto king = [&values](int n) {
        return std::u16string(values.WideStringAt(static_cast<std::size_t>(n * 7 + 5)));
    };
    const auto online = [&values](int n) { return values.IntAt(static_cast<std::size_t>(n * 7 + 6)); };
    EXPECT_EQ(u"offline", king(0));
    EXPECT_EQ(0, online(0));
    EXPECT_EQ(u"", king(1));  // no king row
    EXPECT_EQ(0, online(1));
    EXPECT_EQ(u"first", king(2));  // the first row of nation 2 wins
    EXPECT_EQ(u"", king(3));       // "nowhere" belongs to nation 7: never sent
    EXPECT_EQ(u"online", king(4));
    EXPECT_EQ(1, online(4));
}

TEST_F(NationResourceTest, MissingOrShortRecordsSendNothing) {
    EXPECT_TRUE(Request().empty());  // neither record exists

    ASSERT_TRUE(NationRecords::SeedResources(store(), Resources(5)));
    EXPECT_TRUE(Request().empty());  // no "KingInfo"

    ASSERT_TRUE(NationRecords::SeedKings(store(), {}));
    ASSERT_TRUE(NationRecords::SeedResources(store(), Resources(4)));
    EXPECT_TRUE(Request().empty());  // four nations only

    ASSERT_TRUE(NationRecords::SeedResources(store(), Resources(5)));
    const auto sent = Request();  // an empty "KingInfo" is no failure
    ASSERT_EQ(1u, sent.size());
    for (std::size_t n = 0; n < 5; ++n) {
        EXPECT_EQ(std::u16string(), sent[0]->values.WideStringAt(n * 7 + 5));
        EXPECT_EQ(0, sent[0]->values.IntAt(n * 7 + 6));
    }
}

TEST(NationResourceStartUp, MissingVirtualRecSystemIsReportedAndInitFails) {
    ServerOptions options;
    options.withVirtualRec = false;
    World world;
    Server& server = world.AddServer(options);
    ASSERT_TRUE(server.Start()) << server.Error();
    const ModuleStartResult* module = server.Module("NationResourceTopSystem");
    ASSERT_NE(nullptr, module);
    EXPECT_FALSE(module->init);
    EXPECT_FALSE(module->afterInitCalled);
    const std::vector<std::string> report = {"Not exist VirtualRecSystem module!", ".\\NationResourceTopSystem (12)"};
    for (const auto* lines : {&server.Kernel().Traces(), &server.Kernel().Logs()}) {
        EXPECT_NE(lines->end(), std::search(lines->begin(), lines->end(), report.begin(), report.end()));
    }
}

}  // namespace
