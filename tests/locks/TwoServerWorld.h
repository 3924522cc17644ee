#pragma once
// Two servers on their threads sharing one store under a short stale bound,
// for tests that pause, resume and silence them: server 1 ("a") holds amy and
// ann, server 2 ("b") bo, each in every list.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "LockWorld.h"

class TwoServerWorld : public ::testing::Test {
protected:
    static constexpr long kBoundMs = 300;

    // The store the servers share; null: the in-memory one.
    virtual std::unique_ptr<PubDataStore> MakeStore() { return nullptr; }
    // First at tear-down: lets go whatever a test left waiting, so the threads can be joined.
    virtual void LetGo() {}

    void SetUp() override {
        world = LockWorld::Start(2, kBoundMs, MakeStore());
        ASSERT_NE(world, nullptr);
        ann = LockWorld::AddPlayer(A(), u"ann", 50);
        amy = LockWorld::AddPlayer(A(), u"amy", 40);
        bo = LockWorld::AddPlayer(B(), u"bo", 10);
        A().StartThread();
        B().StartThread();
    }
    void TearDown() override {
        LetGo();
        for (Server* s : {&A(), &B()}) {
            if (s->Paused()) s->Unpause();
            s->StopThread();
        }
    }
    Server& A() { return world->server(0); }
    Server& B() { return world->server(1); }
    PubDataStore& Store() { return world->Store(); }
    void Move(Server& s, const ObjectId& who, const char* property, int value) {
        s.Post([who, property, value](Server& self) { self.SetProperty(who, property, value); });
    }
    // The player list whole, with its three players, its lock and claim free.
    void ExpectWhole() {
        using ListInvariants::kPlayerList;
        EXPECT_EQ(ListInvariants::Check(Store(), kPlayerList), "");
        EXPECT_EQ(LockWorld::Names(Store(), kPlayerList), (std::vector<std::u16string>{u"amy", u"ann", u"bo"}));
        EXPECT_FALSE(LockWorld::ClaimHeld(Store(), kPlayerList));
        EXPECT_EQ(Store().ListLock(Store().SpaceIndex(kPlayerList.space), kPlayerList.lock).value, 0);
    }

    std::unique_ptr<World> world;
    ObjectId ann, amy, bo;
};
