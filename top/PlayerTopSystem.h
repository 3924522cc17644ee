#pragma once
// The player leaderboard: up to 150 players ranked by level in the public record
// "PlayerToplistRec" of L"Pub_PlayerTopInfo", kept current by watched property
// changes, re-sorted every hour and sent to clients on request (140911 -> 100721).
#include "../Utility/IVarList.h"
#include "../Utility/ObjectId.h"
#include "../module/IModule.h"

class IKernel;

class IPlayerTopSystem : public IModule {};

class PlayerTopSystem final : public IPlayerTopSystem {
public:
    bool Init(IKernel* kernel) override;
    bool AfterInit(IKernel* kernel) override;
    bool Shut() override;

    // Creates, migrates or resizes the record; false when it could not be created.
    static bool SetUpTopListRecord(IKernel* kernel);
    // Places the player, with his current values, at his place by level.
    static void EnterTopList(IKernel* kernel, const ObjectId& player);
    // Appends the player's eleven current values in column order.
    static void FillTopListRow(IKernel* kernel, const ObjectId& player, IVarList& row);
    // Re-sorts the whole list by level, then name, greatest first, keys unique.
    static void TopListUpdate(IKernel* kernel, const ObjectId& self);

    // Host callbacks.
    static int OnBaseSceneSystemInit(IKernel* kernel, const ObjectId& self, const ObjectId& sender,
                                     const IVarList& args);
    static int OnHomeSceneLoad(IKernel* kernel, const ObjectId& scene, const ObjectId& sender, const IVarList& args);
    static int OnTopListQuery(IKernel* kernel, const ObjectId& player, const ObjectId& sender, const IVarList& args);
    static int OnPlayerLoad(IKernel* kernel, const ObjectId& player, const ObjectId& sender, const IVarList& args);
    static int H_TopListUpdate(IKernel* kernel, const ObjectId& self);

    // Watched property changes.
    static int OnPlayerGutOverChanged(IKernel* kernel, const ObjectId& player, const char* property,
                                      const IVarList& previous);
    static int OnValueChanged(IKernel* kernel, const ObjectId& player, const char* property,
                              const IVarList& previous);
};
