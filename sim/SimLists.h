#pragma once
// The ranked lists the simulator counts and reports, as the leaderboards
// describe them (top/RankedLists.h) and the extensions name them: a list added
// there and given an extension here is counted and reported with the others.
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "host/ListInvariants.h"

inline constexpr std::size_t kSimListCount = std::size(ListInvariants::kAllLists);
// One figure per list, in the order of ListInvariants::kAllLists.
using SimListFigures = std::array<std::uint64_t, kSimListCount>;

// The list's name in the report ("player") and what its ranking column holds
// ("level"), from the extension that drives it; empty when none does.
const char* SimListName(const ListInvariants::ListShape& list);
const char* SimListValueName(const ListInvariants::ListShape& list);
