// The simulator's clients: what a list request leaves behind in the host.
#include <gtest/gtest.h>

#include "sim/SimExtension.h"
#include "support/HostFixture.h"

namespace {

class SimClient : public HostFixture {};

// A list reply is thousands of values; a client keeping each one made memory
// grow with the replies rather than the players (2.1 GB at 50,000 players).
TEST_F(SimClient, AskingSendsTheRequestAndKeepsNoReply) {
    SimServerState state;
    state.server = &server();
    state.players = {Player(u"Asker", {{"GutOver", 1}, {"Level", 30}})};
    const std::uint64_t sentBefore = kernel().MessagesSent();
    for (const int message : {140911, 140912, 150516}) state.Ask(0, message);
    EXPECT_EQ(kernel().MessagesSent() - sentBefore, 3u) << "each request is answered";
    EXPECT_TRUE(server().Inbox(state.players[0]).empty());
    EXPECT_EQ(state.requests, (std::map<int, std::uint64_t>{{140911, 1}, {140912, 1}, {150516, 1}}));

    state.ask = false;  // --no-requests
    state.Ask(0, 140911);
    EXPECT_EQ(kernel().MessagesSent() - sentBefore, 3u);
    EXPECT_EQ(state.requests[140911], 1u);
}

}  // namespace
