#pragma once
// Worlds for the lock tests: servers with the real library started under a
// chosen stale-lock bound, players who take part in every list, the three
// ranked lists described by their layout, and the takeover lines of the log.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/World.h"
#include "host/ListInvariants.h"

namespace LockWorld {

// A ranked list, and the player property whose rise rewrites it.
struct ListUnderTest {
    const ListInvariants::ListShape* shape;
    const char* property;
    std::vector<int> columnTypes;
};
const std::vector<ListUnderTest>& RankedLists();

// Servers with scenes 1 "HomeScene", 2 "BaseScene", 3 "ChallengeWaitScene",
// started with this stale bound and their start events sent; over the store
// given, or the in-memory one.
std::unique_ptr<World> Start(int servers, long staleBoundMs, std::unique_ptr<PubDataStore> store = nullptr);
// A player on the server, in scene 2, with every property the lists read, each
// ranking value (level, charm, streak) equal to value; logged in.
ObjectId AddPlayer(Server& server, std::u16string_view name, int value);
// A row of the list's layout: the name, the ranking value, every other cell
// its default but the last int column, which holds other.
std::vector<HostValue> ListRow(const ListUnderTest& list, std::u16string name, int value, int other = 0);

void SetLock(PubDataStore& store, const ListInvariants::ListShape& list, int value);
// Whether the takeover claim beside the lock is held (odd): false when free or never made.
bool ClaimHeld(PubDataStore& store, const ListInvariants::ListShape& list);
// The server's log lines that report a takeover.
std::vector<std::string> TakeoverLines(Server& server);
std::vector<std::u16string> Names(PubDataStore& store, const ListInvariants::ListShape& list);
// The ranking value of the named player's row; -1 when the list has none.
int RankValue(PubDataStore& store, const ListInvariants::ListShape& list, std::u16string_view name);
// The server's log lines that contain the text.
std::vector<std::string> LogLines(Server& server, std::string_view containing);
// Polls until done, for at most 20 s; a failed test assertion when it never is.
void WaitFor(const std::function<bool()>& done);

// Milliseconds the call took on the monotonic clock.
template <class F>
long long TimedMs(F f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace LockWorld
