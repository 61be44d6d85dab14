// talkserver: a talk server for tests, the demo and people trying the talk
// library. It registers users from a list, answers heartbeats, notices lost
// clients and sends server requests on command (see ControlCommands.h).
//
//   talkserver --users FILE [--bind 127.0.0.1] [--port 0] [--heartbeat 10]
//              [--file-server ADDR] [--file-port 8500] [--loss-periods 6]
//              [--port-file PATH] [--no-control] [--data DIR] [--http-port N]
//              [--ring-timeout MS]
//
// With --data the HTTP file service runs too (on --http-port, 0 = any free
// port; its port is announced to clients as the file port) and stores its
// files under DIR. The first lines on standard output are "http IP:PORT"
// (with --data) and "listening IP:PORT".

#include "tools/talkserver/FileService.h"
#include "tools/talkserver/ServerLoop.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

using namespace vel::talkserver;

namespace {

int Usage(const char* why)
{
    fprintf(stderr,
            "talkserver: %s\n"
            "usage: talkserver --users FILE [--bind IP] [--port N] [--heartbeat S] [--file-server ADDR]\n"
            "                  [--file-port N] [--loss-periods N] [--port-file PATH] [--no-control]\n"
            "                  [--data DIR] [--http-port N] [--ring-timeout MS]\n",
            why);
    return 2;
}

bool Number(const char* text, long lo, long hi, long& out)
{
    char* end = nullptr;
    out = strtol(text, &end, 10);
    return *text && !*end && out >= lo && out <= hi;
}

} // namespace

int main(int argc, char** argv)
{
    std::string usersPath, bindIp = "127.0.0.1", portFile, dataDir;
    long httpPort = 0;
    ServerConfig config;
    long port = 0;
    bool control = true;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        long n;
        const char* v;
        if (a == "--no-control") {
            control = false;
        } else if (!(v = value())) {
            return Usage(("missing value for " + a).c_str());
        } else if (a == "--users") {
            usersPath = v;
        } else if (a == "--bind") {
            bindIp = v;
        } else if (a == "--port-file") {
            portFile = v;
        } else if (a == "--file-server") {
            config.fileServer = v;
        } else if (a == "--data") {
            dataDir = v;
        } else if (a == "--http-port" && Number(v, 0, 65535, n)) {
            httpPort = n;
        } else if (a == "--ring-timeout" && Number(v, 0, 3600000, n)) {
            config.ringTimeoutMs = n;
        } else if (a == "--port" && Number(v, 0, 65535, n)) {
            port = n;
        } else if (a == "--file-port" && Number(v, 0, 65535, n)) {
            config.filePort = uint16_t(n);
        } else if (a == "--heartbeat" && Number(v, 0, 65535, n)) {
            config.heartbeatPeriod = uint32_t(n);
        } else if (a == "--loss-periods" && Number(v, 1, 1000, n)) {
            config.lossPeriods = uint32_t(n);
        } else {
            return Usage(("bad argument " + a + " " + v).c_str());
        }
    }
    if (usersPath.empty())
        return Usage("--users is required");
    UserList users;
    std::string error;
    if (!users.Load(usersPath, error))
        return Usage(error.c_str());

    signal(SIGPIPE, SIG_IGN);
    ServerLoop loop;
    if (!loop.Open(bindIp, uint16_t(port), error)) {
        fprintf(stderr, "talkserver: %s\n", error.c_str());
        return 1;
    }
    if (!portFile.empty())
        std::ofstream(portFile) << loop.Port() << "\n";
    TalkServer server(config, std::move(users), loop, loop);
    std::unique_ptr<FileService> files;
    if (!dataDir.empty()) {
        files = std::make_unique<FileService>(
            dataDir,
            [&](const std::function<void(TalkServer&)>& fn) {
                std::lock_guard lock(loop.CoreLock());
                fn(server);
            },
            [&](const std::string& line) { loop.Event(line); });
        int bound = files->Start(bindIp, int(httpPort), error);
        if (bound < 0) {
            fprintf(stderr, "talkserver: %s\n", error.c_str());
            return 1;
        }
        server.SetFilePort(uint16_t(bound));
        loop.Event("http " + bindIp + ":" + std::to_string(bound));
    }
    loop.Event("listening " + loop.BindIp() + ":" + std::to_string(loop.Port()));
    loop.Run(server, control);
    if (files)
        files->Stop();
    return 0;
}
