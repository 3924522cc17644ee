#pragma once
// The three ranked lists, for the parts that check or drive every list (the
// host's list invariants, the simulator, the benchmarks). A fourth list adds
// its description here and in its own header; nothing else needs to know it.
#include "NewCharmTopList.h"
#include "PlayerTopAlwaysWinList.h"
#include "PlayerTopList.h"

namespace TopList {

inline constexpr const RankedList* kRankedLists[] = {&PlayerTop::kList, &CharmTop::kList, &WinStreakTop::kList};

}  // namespace TopList
