#pragma once
// The properties of a benchmark's player: a full set, so every list's row can
// be filled from him, at the given level.
#include <string>
#include <utility>
#include <vector>

#include "host/HostValue.h"

inline std::vector<std::pair<std::string, HostValue>> PlayerProperties(int level) {
    return {{"Level", level},
            {"Nation", 1},
            {"ProfType", 2},
            {"GuildName", std::u16string(u"Order of the Lion")},
            {"GuildPoint", 3},
            {"GuildContribut", 4},
            {"CastleName", std::u16string(u"Northwatch")},
            {"CastlePoint", 5},
            {"Camp", 6},
            {"PeerageRank", 7},
            {"PeerageExp", 8},
            {"GutOver", 1}};
}
