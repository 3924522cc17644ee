// The property callbacks as the critical manager sees them: their declared names,
// the watches attached to a player, and a callback arriving for a player who
// has vanished. A recording critical manager stands in for the host's own.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "PlayerListSupport.h"
#include "host/World.h"
#include "module/ICriticalManagerSystem.h"

using namespace PlayerList;

namespace {

class RecordingCriticalManager final : public ICriticalManagerSystem {
public:
    bool DeclarePropertyCallback(IKernel*, PropertyCallback func, const char* name) override {
        declared.emplace_back(name, func);
        return true;
    }
    bool AddPropertyWatch(IKernel*, const ObjectId& obj, const char* property, const char* callbackName) override {
        watches.push_back({obj, property, callbackName});
        return true;
    }

    PropertyCallback Find(const std::string& name) const {
        for (const auto& [declaredName, func] : declared) {
            if (declaredName == name) return func;
        }
        return nullptr;
    }

    struct Watch {
        ObjectId obj;
        std::string property;
        std::string callback;
    };
    std::vector<std::pair<std::string, PropertyCallback>> declared;
    std::vector<Watch> watches;
};

class PlayerTopCallbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        ServerOptions options;
        options.withCriticalManager = false;
        server_ = &world_.AddServer(options);
        server_->Kernel().RegisterSibling("CriticalManagerSystem", &critical_);
        ASSERT_TRUE(server_->Start()) << server_->Error();
        server_->CreateScene(1, "HomeScene");
        server_->CreateScene(2);
        server_->SendStartEvents();
    }
    void TearDown() override { server_->Stop(); }

    // The watches this module attached (the other leaderboards attach their own).
    std::vector<RecordingCriticalManager::Watch> OwnWatches() const {
        std::vector<RecordingCriticalManager::Watch> own;
        for (const auto& watch : critical_.watches) {
            if (watch.callback.rfind("PlayerTopSystem::", 0) == 0) own.push_back(watch);
        }
        return own;
    }

    std::vector<std::string> DeclaredNames(const std::string& prefix) const {
        std::vector<std::string> names;
        for (const auto& entry : critical_.declared) {
            if (entry.first.rfind(prefix, 0) == 0) names.push_back(entry.first);
        }
        return names;
    }

    World world_;
    Server* server_ = nullptr;
    RecordingCriticalManager critical_;
};

TEST_F(PlayerTopCallbackTest, DeclaresEveryHandlerInOrderAndWatchesByAdmission) {
    const std::vector<std::string> expected = {
        "PlayerTopSystem::OnLevelChanged",        "PlayerTopSystem::OnNationChanged",
        "PlayerTopSystem::OnProfChanged",         "PlayerTopSystem::OnGuildChanged",
        "PlayerTopSystem::OnGuildContributeChanged", "PlayerTopSystem::OnCastleChanged",
        "PlayerTopSystem::OnCastlePointChanged",  "PlayerTopSystem::OnCampChanged",
        "PlayerTopSystem::OnPeerageRankChanged",  "PlayerTopSystem::OnPeerageExpChanged",
        "PlayerTopSystem::OnPlayerGutOverChanged"};
    EXPECT_EQ(expected, DeclaredNames("PlayerTopSystem::"));

    const ObjectId waiting = server_->CreatePlayer(u"waiting", 2, Properties(10, 0));
    server_->LoginPlayer(waiting);
    const auto waitingWatches = OwnWatches();
    ASSERT_EQ(1u, waitingWatches.size());
    EXPECT_EQ("GutOver", waitingWatches[0].property);
    EXPECT_EQ("PlayerTopSystem::OnPlayerGutOverChanged", waitingWatches[0].callback);

    critical_.watches.clear();
    const ObjectId taking = server_->CreatePlayer(u"taking", 2, Properties(10, 1));
    server_->LoginPlayer(taking);
    std::vector<std::string> properties;
    for (const auto& watch : OwnWatches()) {
        EXPECT_EQ(taking, watch.obj);
        properties.push_back(watch.property);
    }
    const std::vector<std::string> watched = {"Level",       "ProfType", "GuildName",   "GuildPoint", "CastleName",
                                              "CastlePoint", "Camp",     "PeerageRank", "PeerageExp", "Nation"};
    EXPECT_EQ(watched, properties);
    EXPECT_EQ(1u, Rows(world_.Store()).size());
}

TEST_F(PlayerTopCallbackTest, CallbackForAVanishedPlayerChangesNothing) {
    const ObjectId p = server_->CreatePlayer(u"gone", 2, Properties(10, 1));
    server_->LoginPlayer(p);
    const auto before = Rows(world_.Store());
    ASSERT_EQ(1u, before.size());
    HostKernel& kernel = server_->Kernel();
    kernel.DestroyObject(p);

    // A fresh player under the same name would otherwise be written over the row.
    const ObjectId heir = server_->CreatePlayer(u"gone", 2, Properties(99, 1));
    ASSERT_FALSE(heir.IsNull());
    CVarList previous;
    previous.PushInt(9);
    for (const char* name : {"PlayerTopSystem::OnLevelChanged", "PlayerTopSystem::OnCampChanged",
                             "PlayerTopSystem::OnPlayerGutOverChanged"}) {
        const PropertyCallback callback = critical_.Find(name);
        ASSERT_NE(nullptr, callback) << name;
        EXPECT_EQ(1, callback(&kernel, p, "Level", previous));
    }
    EXPECT_EQ(before, Rows(world_.Store()));
    EXPECT_EQ(0, LockValue(world_.Store()));
}

}  // namespace
