#pragma once
// The rules every shared leaderboard obeys whenever no server is rewriting it
// (checked by the tests and reported by the simulator):
// at most 150 rows, every row named (the player list may also hold the unnamed
// rows of defaults that a resize adds), no name twice, the ranking column never
// rising from one row to the next, and the record's lock free.
#include <array>
#include <cstddef>
#include <iterator>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "top/RankedLists.h"

class PubDataStore;

namespace ListInvariants {

struct ListShape {
    const char16_t* space;
    const char* record;
    const char* lock;         // the record's lock property
    int rankColumn;           // Int column ranked in descending order
    bool fillerRows = false;  // unnamed rows of defaults allowed
};

// A list's lock property: its record's name followed by "PubLock".
template <const TopList::RankedList& List>
struct LockNameOf {
    static constexpr std::size_t kLength = std::char_traits<char>::length(List.record);
    static constexpr std::array<char, kLength + 8> kText = [] {
        std::array<char, kLength + 8> text{};
        constexpr std::string_view kSuffix = "PubLock";
        for (std::size_t i = 0; i < kLength; ++i) text[i] = List.record[i];
        for (std::size_t i = 0; i < kSuffix.size(); ++i) text[kLength + i] = kSuffix[i];
        return text;
    }();
};

template <const TopList::RankedList& List>
constexpr ListShape ShapeOf() {
    return {List.pubSpace, List.record, LockNameOf<List>::kText.data(), List.keyColumn, List.fillerRows};
}

// The shapes of the lists the leaderboards describe (top/RankedLists.h).
inline constexpr ListShape kPlayerList = ShapeOf<TopList::PlayerTop::kList>();
inline constexpr ListShape kCharmList = ShapeOf<TopList::CharmTop::kList>();
inline constexpr ListShape kStreakList = ShapeOf<TopList::WinStreakTop::kList>();

template <std::size_t... I>
constexpr std::array<ListShape, sizeof...(I)> ShapesOf(std::index_sequence<I...>) {
    return {ShapeOf<*TopList::kRankedLists[I]>()...};
}
// Every ranked list, in the order of TopList::kRankedLists.
inline constexpr auto kAllLists = ShapesOf(std::make_index_sequence<std::size(TopList::kRankedLists)>());

constexpr int kMaxRows = TopList::kMaxRows;

// What is wrong with the list's rows, named after the record; empty when they
// are fine or the record does not exist. Safe inside the store's release hook.
std::string CheckRows(const PubDataStore& store, const ListShape& list);
// CheckRows, plus the lock property at 0 (only true outside every rewrite).
std::string Check(const PubDataStore& store, const ListShape& list);
// Check of all three lists, faults joined by "; ".
std::string CheckAll(const PubDataStore& store);
// The list whose lock property this is, or null.
const ListShape* ListOfLock(std::string_view lockProperty);

// A player the list must hold, with his ranking value now.
struct Member {
    std::u16string name;
    int key = 0;
};
// The members missing from the list that no rule took off it, named; empty when
// none is. A ranked list lets a player go only to a better one when it is full,
// so where ranking values only rise, a member missing while the list has room,
// or whose value is above its last row's, was lost.
std::string CheckMembers(const PubDataStore& store, const ListShape& list, const std::vector<Member>& members);

}  // namespace ListInvariants
