#pragma once
// The answer to a player's request for a ranked list: the reply id, his own
// entry (see OwnEntry), then for each listed row up to replyRows its rank and
// its cells by column type. Read under the lock, so another server's rewrite
// halfway through cannot make a reply skip or repeat players.
#include "../module/ObjectId.h"
#include "RankedList.h"

class IKernel;

namespace TopList {

// Sends the reply to the player (sender and receiver alike). A list whose own
// entry is the stored row sends nothing while its record is missing.
void SendReply(IKernel* kernel, const ObjectId& player, const RankedList& list);

}  // namespace TopList
