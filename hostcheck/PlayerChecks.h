#pragma once
// What the library reads of a player and his scene, and the replies it sends
// him: the properties it reads (and their types), finding him by name, scene
// queries, and one reply in each reply's layout.
#include <string>

#include "../module/ObjectId.h"

class IKernel;
class IVarList;

namespace HostCheck {

struct Context;

// The player properties the library reads, each with the type it reads it as.
struct PlayerProperty {
    const char* name;
    int type;
    const char* use;
};
extern const PlayerProperty kPlayerProperties[];
extern const int kPlayerPropertyCount;

// "player-properties" and "find-player" for a player just loaded; his name
// (empty when he has none).
std::u16string CheckPlayer(IKernel* kernel, Context& context, const ObjectId& player);

// "scene-queries" for a "BaseScene" object; its scene id.
int CheckScene(IKernel* kernel, Context& context, const ObjectId& scene);

// The reply the library sends for a list request (140911, 140912, 150516):
// the reply id, rank 0 and the requester's own values; false for another id.
bool BuildReply(IKernel* kernel, int request, const ObjectId& player, IVarList& reply);
// The nation report's 35 values, as the library sends them (no nation data).
void BuildNationRecord(IVarList& values);

}  // namespace HostCheck
