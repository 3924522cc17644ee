#pragma once
// What the library sent to players' clients: one inbox per player, optionally
// keeping only the newest messages, so long simulations do not hoard replies.
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "Utility/CVarList.h"
#include "module/ObjectId.h"

class ClientInboxes {
public:
    void Deliver(const ObjectId& player, const IVarList& msg);      // a copy; the oldest goes first past the limit
    const std::vector<CVarList>& Of(const ObjectId& player) const;  // empty for a player without messages
    void Clear(const ObjectId& player);
    void Drop(const ObjectId& player) { Clear(player); }           // the player is gone
    std::size_t Sent() const noexcept { return sent_; }            // every message delivered so far
    void SetLimit(std::size_t limit) noexcept { limit_ = limit; }  // 0: keep all

private:
    std::unordered_map<std::uint64_t, std::vector<CVarList>> inboxes_;
    std::size_t sent_ = 0;
    std::size_t limit_ = 0;
};
