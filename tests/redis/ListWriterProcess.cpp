// A game server in a process of its own over a Redis world, for the tests that
// pause, resume and freeze servers and stores: it writes the player list on its
// parent's word, one line each way.
//
// usage: test_list_writer URL SERVER PLAYERS
// It runs as server SERVER (the servers before it exist but are not started),
// logs in PLAYERS players named "w<SERVER>_<i>" (level 10 + i), says "ready",
// then answers each line:
//   move I LEVEL   player I's level changes: "moved" once the list is written
//   stop-inside    at its next call inside the player list's lock it stops itself
//                  (SIGSTOP), as an operator's pause would: "armed"
//   report         every log line ("log: ..."), every refusal ("refused: ..."), "end"
// and ends at the end of its input. It ends with its parent.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include "host/PlatformChildProcess.h"
#include "host/RedisPubDataStore.h"
#include "host/World.h"

namespace {

void StopSelf() { std::raise(SIGSTOP); }

}  // namespace

int main(int argc, char** argv) {
    Platform::EndWithParent();
    if (argc != 4) {
        std::fprintf(stderr, "usage: test_list_writer URL SERVER PLAYERS\n");
        return 2;
    }
    RedisAddress address;
    std::string error;
    if (!RedisAddress::Parse(argv[1], address, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::unique_ptr<RedisPubDataStore> store = RedisPubDataStore::Open(address, error);
    if (store == nullptr) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    const int number = std::atoi(argv[2]);
    World world(number, ServerOptions{}, std::move(store));
    Server& server = world.server(static_cast<std::size_t>(number - 1));
    server.CreateScene(1, "HomeScene");
    server.CreateScene(2, "BaseScene");
    if (!server.Start()) {
        std::fprintf(stderr, "%s\n", server.Error().c_str());
        return 2;
    }
    server.SendStartEvents();
    std::vector<ObjectId> players;
    for (int i = 0; i < std::atoi(argv[3]); ++i) {
        const std::string name = "w" + std::to_string(number) + "_" + std::to_string(i);
        const ObjectId p = server.CreatePlayer(std::u16string(name.begin(), name.end()), 2,
                                               {{"Level", 10 + i},
                                                {"GutOver", 1},
                                                {"GuildName", std::u16string(u"g")},
                                                {"CastleName", std::u16string(u"c")}});
        server.LoginPlayer(p);
        players.push_back(p);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "move") {
            std::size_t who = 0;
            int level = 0;
            words >> who >> level;
            server.SetProperty(players.at(who), "Level", level);
            std::printf("moved\n");
        } else if (word == "stop-inside") {
            server.HaltAt(HaltTrigger::InsideLock("PlayerToplistRecPubLock", 1).Pausing(StopSelf));
            std::printf("armed\n");
        } else if (word == "report") {
            for (const std::string& log : server.Kernel().Logs()) std::printf("log: %s\n", log.c_str());
            for (const std::string& refused : world.Store().Diagnostics().Lines())
                std::printf("refused: %s\n", refused.c_str());
            std::printf("end\n");
        }
        std::fflush(stdout);
    }
    return 0;
}
