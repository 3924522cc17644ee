#include "SimListCheck.h"

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
