#include "HostCheckRun.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "host/NationRecords.h"
#include "support/TempDir.h"

namespace {

const std::vector<std::pair<std::string, HostValue>> kPlayerProperties = {{"Level", 42},
                                                                          {"Nation", 2},
                                                                          {"ProfType", 3},
                                                                          {"GuildName", std::u16string(u"Oak")},
                                                                          {"GuildPoint", 10},
                                                                          {"GuildContribut", 10},
                                                                          {"CastleName", std::u16string(u"Northwatch")},
                                                                          {"CastlePoint", 5},
                                                                          {"Camp", 1},
                                                                          {"PeerageRank", 2},
                                                                          {"PeerageExp", 300},
                                                                          {"GutOver", 1},
                                                                          {"CastleNameID", std::string("castle_north")},
                                                                          {"Charm", 70},
                                                                          {"GiftNum", 3},
                                                                          {"CompeteAlwaysWin", 4}};

std::string ResultFileOf(const Server& server) {
    std::string path = server.LoadedCopyPath();
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string::npos) path.erase(dot);
    return path + ".txt";
}

const std::string kLogPrefix = "VoGameLogicHostCheck: ";

void Close(HostCheckLines& out) {
    if (out.lines.empty()) return;
    out.closing = out.lines.back();
    std::sscanf(out.closing.c_str(), "%d passed, %d failed", &out.passed, &out.failed);
}

}  // namespace

std::vector<std::string> HostCheckLines::Failures() const {
    std::vector<std::string> failures;
    for (const std::string& line : lines)
        if (line.rfind("FAIL ", 0) == 0) failures.push_back(line);
    return failures;
}

bool HostCheckLines::Has(const std::string& verdict, const std::string& rule) const {
    const std::string start = verdict + " " + rule + ": ";
    for (const std::string& line : lines)
        if (line.rfind(start, 0) == 0) return true;
    return false;
}

std::vector<HostCheckLines> ReadCheckFile(const std::string& path) {
    std::vector<std::string> tags;
    std::vector<HostCheckLines> runs;
    std::istringstream in(ReadWholeFile(path));
    for (std::string line; std::getline(in, line);) {
        const std::size_t blank = line.find(' ');
        if (blank == std::string::npos) continue;
        const std::string tag = line.substr(0, blank);
        std::size_t i = 0;
        while (i < tags.size() && tags[i] != tag) ++i;
        if (i == tags.size()) {
            tags.push_back(tag);
            runs.emplace_back();
        }
        runs[i].lines.push_back(line.substr(blank + 1));
    }
    for (HostCheckLines& run : runs) Close(run);
    return runs;
}

std::vector<HostCheckLines> RunHostCheck(HostCheckSetup setup) {
    const TempDir resources;
    WriteWholeFile(resources.Path() + "/Rule/PlayerTopAlwaysWin.ini",
                   "[PlayerAlwaysWinInitInfo]\nMinAlwaysWinNum=3\nRefreshTime=02:00:00\n");
    Platform::SetEnvironmentValue("VOGAME_HOSTCHECK_SERVERS", std::to_string(setup.servers).c_str());
    ServerOptions options = setup.options;
    options.libraryPath = VOGAME_HOSTCHECK_PATH;
    options.resourcePath = resources.Path() + "/";
    World world(setup.servers, options, std::move(setup.store));
    world.SetClock(2024, 3, 1, 10, 0, 0);
    NationRecords::SeedEmpty(world.Store());
    for (std::size_t i = 0; i < world.ServerCount(); ++i) {
        Server& s = world.server(i);
        s.CreateScene(1, "HomeScene");
        s.CreateScene(2, "BaseScene");
        s.CreateScene(3, "BaseScene", "ChallengeWaitScene");
    }
    std::vector<HostCheckLines> results;
    for (int run = 0; run < setup.runs; ++run) {
        // Together: with two servers the check's servers wait for each other.
        for (std::size_t i = 0; i < world.ServerCount(); ++i) {
            world.server(i).Kernel().ClearLogs();
            world.server(i).StartThread();
            world.server(i).Post([&setup](Server& s) {
                if (!s.Start()) return;
                if (setup.beforeEvents) setup.beforeEvents(s);
                s.SendStartEvents();
            });
        }
        for (std::size_t i = 0; i < world.ServerCount(); ++i) {
            world.server(i).Post([&setup, run](Server& s) {
                if (setup.player) {
                    const ObjectId player = s.CreatePlayer(
                        u"Checker" + std::u16string(1, u'0' + s.Number()) + std::u16string(1, u'a' + run), 2,
                        kPlayerProperties);
                    s.LoginPlayer(player);
                    CVarList ready, list, nation;
                    ready << 1009;
                    list << 140911;
                    nation << 73003;
                    s.RunCommand(player, ready);
                    s.SendClientMessage(player, list);
                    s.SendClientMessage(player, nation);
                }
                s.Kernel().Advance(setup.waitMs);
            });
        }
        results.clear();
        for (std::size_t i = 0; i < world.ServerCount(); ++i) {
            Server& s = world.server(i);
            s.WaitIdle();
            s.StopThread();
            const std::string file = ResultFileOf(s);
            s.Stop();  // an unfinished check writes its closing line now
            std::vector<HostCheckLines> runs = ReadCheckFile(file);
            results.push_back(runs.empty() ? HostCheckLines{} : runs.front());
            for (const std::string& line : s.Kernel().Logs())
                if (line.rfind(kLogPrefix, 0) == 0) results.back().logged.push_back(line.substr(kLogPrefix.size()));
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
        }
    }
    return results;
}
