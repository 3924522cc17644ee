// Worlds on a Redis Cluster of three masters on loopback: every key of a world
// in one slot, so worlds spread over the masters; a connection given any node
// follows MOVED to its world's master, answers ASK while the world's slot is
// being migrated, and finds the world on its new master afterwards.
#include <gtest/gtest.h>
#include <hiredis.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>
#include <thread>

#include "OwnedProcess.h"
#include "PrivateRedisServer.h"
#include "Utility/CVarList.h"
#include "host/RedisPubDataStore.h"

namespace {

struct ReplyFree {
    void operator()(redisReply* r) const { freeReplyObject(r); }
};
using Reply = std::unique_ptr<redisReply, ReplyFree>;

class RedisCluster : public ::testing::Test {
protected:
    static constexpr int kMasters = 3;

    void SetUp() override {
        const std::string missing = PrivateRedisServer::Unavailable();
        if (!missing.empty()) GTEST_SKIP() << missing;
        const std::string cli = PrivateRedisServer::ToolPath("redis-cli");
        if (cli.empty()) GTEST_SKIP() << "redis-cli is not installed (scripts/setup.sh installs it)";
        char dir[] = "/tmp/vogame-clusterXXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        dir_ = dir;
        std::vector<std::string> create = {cli, "--cluster", "create"};
        for (int i = 0; i < kMasters; ++i) {
            const std::string nodeDir = dir_ + "/" + std::to_string(i);
            std::filesystem::create_directory(nodeDir);
            std::string error;
            // The bus port named, so a data port near the top of the range still has one.
            ASSERT_TRUE(nodes_[i].Start(
                error, {"--cluster-enabled", "yes", "--cluster-config-file", "nodes.conf", "--cluster-port",
                        std::to_string(Platform::FreeLoopbackPort()), "--dir", nodeDir}))
                << error;
            create.push_back("127.0.0.1:" + std::to_string(nodes_[i].Port()));
        }
        create.push_back("--cluster-yes");
        const OwnedRun run = RunOwned(create, 60'000);
        ASSERT_TRUE(run.finished && run.status == 0) << run.output << run.error;
        for (int i = 0; i < kMasters; ++i) {
            for (int wait = 0; wait < 300 && Text(i, {"CLUSTER", "INFO"}).find("cluster_state:ok") == std::string::npos;
                 ++wait)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ASSERT_NE(Text(i, {"CLUSTER", "INFO"}).find("cluster_state:ok"), std::string::npos);
        }
    }
    void TearDown() override {
        for (auto& node : nodes_) node.Stop();
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }

    Reply Call(int node, const std::vector<std::string>& argv) {
        redisContext* c = redisConnect("127.0.0.1", nodes_[node].Port());
        std::vector<const char*> parts;
        std::vector<std::size_t> lengths;
        for (const std::string& a : argv) {
            parts.push_back(a.data());
            lengths.push_back(a.size());
        }
        Reply r(
            static_cast<redisReply*>(redisCommandArgv(c, static_cast<int>(argv.size()), parts.data(), lengths.data())));
        redisFree(c);
        return r;
    }
    std::string Text(int node, const std::vector<std::string>& argv) {
        Reply r = Call(node, argv);
        return r && r->str != nullptr ? std::string(r->str, r->len) : std::string();
    }
    long long Int(int node, const std::vector<std::string>& argv) {
        Reply r = Call(node, argv);
        return r && r->type == REDIS_REPLY_INTEGER ? r->integer : -1;
    }
    // The master that holds the world's keys.
    int Owner(const std::string& world) {
        const std::string slot = std::to_string(Int(0, {"CLUSTER", "KEYSLOT", "{" + world + "}"}));
        for (int i = 0; i < kMasters; ++i)
            if (Int(i, {"CLUSTER", "COUNTKEYSINSLOT", slot}) > 0) return i;
        return -1;
    }
    std::unique_ptr<RedisPubDataStore> Open(const std::string& world) {
        RedisAddress address;
        std::string error;
        EXPECT_TRUE(
            RedisAddress::Parse("redis://127.0.0.1:" + std::to_string(nodes_[0].Port()) + "/" + world, address, error));
        auto store = RedisPubDataStore::Open(address, error);
        EXPECT_NE(store, nullptr) << error;
        return store;
    }
    static void AddRows(PubDataStore& store, int from, int to) {
        for (int i = from; i < to; ++i) {
            CVarList row;
            row << u"p" << i;
            ASSERT_EQ(store.AddRowValues(0, "Rec", -1, row), i);
        }
    }
    static void ExpectRows(const PubDataStore& store, int count) {
        const auto snap = store.Snapshot(u"Pub", "Rec");
        ASSERT_TRUE(snap);
        ASSERT_EQ(snap->rows.size(), static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) EXPECT_EQ(snap->rows[static_cast<std::size_t>(i)][1], HostValue(i));
    }

    PrivateRedisServer nodes_[kMasters];
    std::string dir_;
};

TEST_F(RedisCluster, WorldsSpreadOverTheMastersAndEachFollowsItsSlot) {
    std::vector<std::unique_ptr<RedisPubDataStore>> worlds;
    std::set<int> owners;
    for (int w = 0; w < 8; ++w) {
        const std::string name = "world" + std::to_string(w);
        worlds.push_back(Open(name));
        ASSERT_TRUE(worlds.back());
        PubDataStore& store = *worlds.back();
        ASSERT_TRUE(store.Seed(u"Pub", "Rec", 100, {VT_WIDESTR, VT_INT}, {}));
        ASSERT_TRUE(store.AddProperty(0, "RecPubLock", VT_INT));
        AddRows(store, 0, 10);
        ASSERT_TRUE(store.CompareSetPropertyInt(0, "RecPubLock", 0, 1));
        ASSERT_TRUE(store.CompareSetPropertyInt(0, "RecPubLock", 1, 0));
        ExpectRows(store, 10);
        EXPECT_TRUE(store.Diagnostics().Empty()) << store.Diagnostics().Joined();
        const int owner = Owner(name);
        owners.insert(owner);
        if (owner != 0) {
            EXPECT_GT(worlds.back()->Redirects(), 0u) << "opened at node 0, the world lives elsewhere";
        }
    }
    EXPECT_GE(owners.size(), 2u) << "eight worlds on one master of three";

    // A fresh start of one world removes its keys on its own master only.
    std::string error;
    ASSERT_TRUE(worlds[0]->RemoveWorld(error)) << error;
    EXPECT_EQ(worlds[0]->SpaceCount(), 0);
    for (std::size_t w = 1; w < worlds.size(); ++w) ExpectRows(*worlds[w], 10);
}

// The world's slot moves to another master while the world is in use: calls
// made while its keys are on the new master and the slot still migrating are
// answered there after ASK; once the slot is handed over, MOVED takes the
// connection to the new master for good.
TEST_F(RedisCluster, AWorldKeepsWorkingWhileItsSlotMigrates) {
    auto store = Open("moving");
    ASSERT_TRUE(store);
    ASSERT_TRUE(store->Seed(u"Pub", "Rec", 100, {VT_WIDESTR, VT_INT}, {}));
    AddRows(*store, 0, 5);
    const int from = Owner("moving"), to = (from + 1) % kMasters;
    ASSERT_GE(from, 0);
    const std::string slot = std::to_string(Int(0, {"CLUSTER", "KEYSLOT", "{moving}"}));
    const std::string fromId = Text(from, {"CLUSTER", "MYID"}), toId = Text(to, {"CLUSTER", "MYID"});
    ASSERT_EQ(Text(to, {"CLUSTER", "SETSLOT", slot, "IMPORTING", fromId}), "OK");
    ASSERT_EQ(Text(from, {"CLUSTER", "SETSLOT", slot, "MIGRATING", toId}), "OK");
    Reply keys = Call(from, {"CLUSTER", "GETKEYSINSLOT", slot, "1000"});
    ASSERT_TRUE(keys && keys->elements > 0);
    std::vector<std::string> migrate = {"MIGRATE", "127.0.0.1", std::to_string(nodes_[to].Port()), "", "0",
                                        "5000",    "KEYS"};
    for (std::size_t i = 0; i < keys->elements; ++i) migrate.emplace_back(keys->element[i]->str, keys->element[i]->len);
    ASSERT_EQ(Text(from, migrate), "OK");

    const std::uint64_t before = store->Redirects();
    AddRows(*store, 5, 8);  // answered by the new master after ASK
    ExpectRows(*store, 8);
    EXPECT_GT(store->Redirects(), before);
    for (int i = 0; i < kMasters; ++i) ASSERT_EQ(Text(i, {"CLUSTER", "SETSLOT", slot, "NODE", toId}), "OK");
    AddRows(*store, 8, 10);  // MOVED, then served by the new master
    ExpectRows(*store, 10);
    EXPECT_EQ(Owner("moving"), to);
    EXPECT_TRUE(store->Diagnostics().Empty()) << store->Diagnostics().Joined();
}

}  // namespace
