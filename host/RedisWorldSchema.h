#pragma once
// The spaces and properties a Redis store has seen in its world, so that after
// the world was lost (a Redis restarted without its data) they are made again
// at the same indices: a server in the middle of a call keeps its space's
// index and may be waiting on its list's lock property, and that wait ends
// only when both exist again. Records are not kept: the servers' normal set-up
// path makes them again.
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>

class PubDataStore;

class RedisWorldSchema {
public:
    void SawSpace(int index, std::u16string_view name);
    void SawProperty(int index, std::string_view name, int type);
    // Makes them again (spaces in index order). False with why when a space
    // came back at another index (another process made its spaces first in
    // another order).
    bool Restore(PubDataStore& store, std::string& why) const;
    std::size_t Spaces() const;

private:
    mutable std::mutex mutex_;
    std::map<int, std::u16string> spaces_;
    std::map<std::pair<int, std::string>, int, std::less<>> properties_;  // (space, name) -> type
};
