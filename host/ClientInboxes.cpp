#include "ClientInboxes.h"

#include "ObjectKey.h"

namespace {
const std::vector<CVarList> kNoMessages;
}  // namespace

void ClientInboxes::Deliver(const ObjectId& player, const IVarList& msg) {
    std::vector<CVarList>& inbox = inboxes_[KeyOf(player)];
    if (limit_ != 0 && inbox.size() >= limit_)
        inbox.erase(inbox.begin(), inbox.begin() + static_cast<std::ptrdiff_t>(inbox.size() - limit_ + 1));
    inbox.emplace_back(msg);
    ++sent_;
}

const std::vector<CVarList>& ClientInboxes::Of(const ObjectId& player) const {
    auto it = inboxes_.find(KeyOf(player));
    return it == inboxes_.end() ? kNoMessages : it->second;
}

void ClientInboxes::Clear(const ObjectId& player) { inboxes_.erase(KeyOf(player)); }
