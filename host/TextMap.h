#pragma once
// Hash maps keyed by narrow or 16-bit text that are looked up by string_view,
// so a lookup builds no string.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    std::size_t operator()(std::u16string_view s) const noexcept { return std::hash<std::u16string_view>{}(s); }
};

template <class Key, class Value>
using TextMap = std::unordered_map<Key, Value, TextHash, std::equal_to<>>;

template <class Key>
using TextSet = std::unordered_set<Key, TextHash, std::equal_to<>>;
