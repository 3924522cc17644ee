#include "SimListCheck.h"

#include <iterator>
#include <string_view>

std::string SimLostPlayers(const PubDataStore& store, const ListInvariants::ListShape& list,
                           const std::vector<SimServerState>& servers) {
    const std::string_view record = list.record;
    const char* key = record == ListInvariants::kPlayerList.record  ? "Level"
                      : record == ListInvariants::kCharmList.record ? "Charm"
                                                                    : nullptr;
    if (key == nullptr) return {};
    std::vector<ListInvariants::Member> members;
    for (const SimServerState& s : servers) {
        if (s.server == nullptr || !s.server->Running()) continue;
        HostKernel& kernel = s.server->Kernel();
        for (std::size_t i = 0; i < s.players.size(); ++i) {
            const HostValue gutOver = kernel.Property(s.players[i], "GutOver");
            if (s.players[i].IsNull() || IntOf(&gutOver) < 1) continue;
            const HostValue value = kernel.Property(s.players[i], key);
            members.push_back({s.names[i], IntOf(&value)});
        }
    }
    return ListInvariants::CheckMembers(store, list, members);
}

std::string SimListFault(const PubDataStore& store, const ListInvariants::ListShape& list,
                         const std::vector<SimServerState>& servers) {
    std::string fault = ListInvariants::Check(store, list);
    if (fault.empty()) fault = SimLostPlayers(store, list, servers);
    return fault;
}

const char* SimListName(const ListInvariants::ListShape& list) {
    // In the order of ListInvariants::kAllLists.
    static constexpr const char* kNames[] = {"player", "charm", "win streak"};
    static_assert(std::size(kNames) == std::size(ListInvariants::kAllLists), "every list has its name");
    for (std::size_t i = 0; i < std::size(kNames); ++i)
        if (std::string_view(ListInvariants::kAllLists[i].record) == list.record) return kNames[i];
    return "";
}
