// The Redis store against the contract every public data store keeps, each
// test in a world of its own on one private redis-server; and the image a
// server holds a list in (HeldListStore) over it.
#include "PrivateRedisServer.h"
#include "host/RedisPubDataStore.h"
#include "support/ImagedStore.h"
#include "support/StoreContract.h"

namespace {
PrivateRedisServer* g_server = nullptr;

class RedisEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        const std::string missing = PrivateRedisServer::Unavailable();
        if (!missing.empty()) GTEST_SKIP() << missing;
        std::string error;
        ASSERT_TRUE(server_.Start(error)) << error;
        g_server = &server_;
    }
    void TearDown() override {
        g_server = nullptr;
        server_.Stop();
    }

private:
    PrivateRedisServer server_;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new RedisEnvironment);

struct RedisStoreMaker {
    static std::unique_ptr<PubDataStore> Make() {
        if (g_server == nullptr) return nullptr;
        static int world = 0;
        RedisAddress address;
        std::string error;
        if (!RedisAddress::Parse(g_server->Url("contract" + std::to_string(++world)), address, error)) return nullptr;
        std::unique_ptr<RedisPubDataStore> store = RedisPubDataStore::Open(address, error);
        EXPECT_NE(store, nullptr) << error;
        return store;
    }
};
struct ImageOverRedisMaker {
    static constexpr bool kEveryCallTakesItsLock = true;
    static std::unique_ptr<PubDataStore> Make() {
        std::unique_ptr<PubDataStore> below = RedisStoreMaker::Make();
        return below != nullptr ? std::make_unique<ImagedStore>(std::move(below)) : nullptr;
    }
};
}  // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Redis, StoreContract, RedisStoreMaker);
INSTANTIATE_TYPED_TEST_SUITE_P(ImageOverRedis, StoreContract, ImageOverRedisMaker);
