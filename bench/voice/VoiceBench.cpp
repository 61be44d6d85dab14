// bench_voice [--seconds S] [--members N] [--rate PER_SECOND]
//
// A group of N members (10) on a talk server started for the run; one
// speaks RATE (50) voice datagrams per second for S (20) seconds through
// libSquadVoice. Beside it, in the same run, the same stream goes through a
// bare UDP relay (receive, forward to each listener) to the same number of
// plain sockets. Each payload carries its send time, so every listener
// measures the speaker-to-listener latency of one relay hop.

#include "talk/CGTKClient.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vel;

namespace {

int64_t NowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Stats
{
    std::mutex lock;
    std::vector<int64_t> latencies;
    uint64_t received = 0;
    void Add(int64_t us)
    {
        std::lock_guard l(lock);
        latencies.push_back(us);
        ++received;
    }
};

struct Payload
{
    int64_t sentUs;
    uint32_t seq;
    uint8_t pad[308]; // 320 bytes: 20 ms of 8 kHz 16-bit audio
};

void GTK_CALL OnVoice(void*, uint16_t, const char*, const uint8_t* p, int32_t n, uint16_t, void* user)
{
    if (n < int32_t(sizeof(int64_t)))
        return;
    int64_t sent;
    memcpy(&sent, p, sizeof sent);
    static_cast<Stats*>(user)->Add(NowUs() - sent);
}

void Report(const char* name, Stats& s, uint64_t sent, int listeners)
{
    std::lock_guard l(s.lock);
    std::sort(s.latencies.begin(), s.latencies.end());
    uint64_t expected = sent * uint64_t(listeners);
    auto pct = [&](double q) {
        return s.latencies.empty() ? 0.0 : double(s.latencies[size_t(q * double(s.latencies.size() - 1))]);
    };
    double mean = 0;
    for (int64_t v : s.latencies)
        mean += double(v);
    mean = s.latencies.empty() ? 0 : mean / double(s.latencies.size());
    printf("%-12s sent=%llu expected=%llu delivered=%llu lost=%llu  latency us: mean=%.0f p50=%.0f p99=%.0f max=%.0f\n",
           name, (unsigned long long)sent, (unsigned long long)expected, (unsigned long long)s.received,
           (unsigned long long)(expected > s.received ? expected - s.received : 0), mean, pct(0.5), pct(0.99),
           pct(1.0));
}

int UdpSocket(uint16_t& port)
{
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return s;
}

sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// The talk server as a child process; returns its pid and port.
pid_t StartServer(int members, uint16_t& port, int& control)
{
    char dir[] = "/tmp/vel-voicebench-XXXXXX";
    mkdtemp(dir);
    std::string users = std::string(dir) + "/users.txt";
    FILE* f = fopen(users.c_str(), "w");
    for (int i = 0; i < members; ++i)
        fprintf(f, "m%d pw\n", i);
    fclose(f);
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        execl(VEL_TALKSERVER_PATH, VEL_TALKSERVER_PATH, "--users", users.c_str(), "--port", "0", "--heartbeat", "5",
              (char*)nullptr);
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    control = in[1];
    std::string got;
    char buf[256];
    while (got.find("listening ") == std::string::npos || got.find('\n', got.find("listening ")) == std::string::npos) {
        ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0)
            return -1;
        got.append(buf, size_t(n));
    }
    size_t at = got.find("listening ");
    port = uint16_t(atoi(got.c_str() + got.find(':', at) + 1));
    // Keep draining the server's event lines so it never blocks on them.
    std::thread([fd = out[0]] {
        char b[4096];
        while (read(fd, b, sizeof b) > 0) {
        }
    }).detach();
    return pid;
}

} // namespace

int main(int argc, char** argv)
{
    int seconds = 20, members = 10, rate = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--seconds")
            seconds = atoi(argv[i + 1]);
        else if (a == "--members")
            members = atoi(argv[i + 1]);
        else if (a == "--rate")
            rate = atoi(argv[i + 1]);
    }
    if (seconds < 1 || members < 2 || rate < 1)
        return 2;
    int listeners = members - 1;
    uint16_t serverPort = 0;
    int control = -1;
    pid_t server = StartServer(members, serverPort, control);
    if (server < 0) {
        fprintf(stderr, "bench_voice: the talk server did not start\n");
        return 1;
    }

    // --- through the talk server ---
    std::vector<std::unique_ptr<CGTKClient>> sessions;
    Stats talk;
    for (int i = 0; i < members; ++i) {
        auto s = std::make_unique<CGTKClient>();
        GTK_CONNECT_PARAM p;
        memset(&p, 0, sizeof p);
        strcpy(p.szServerIp, "127.0.0.1");
        p.usServerPort = serverPort;
        snprintf(p.szUserId, sizeof p.szUserId, "m%d", i);
        strcpy(p.szPassword, "pw");
        if (s->Start() != 0 || s->Register(p) != 0 || s->JoinGroup(1, i ? &OnVoice : nullptr, &talk) != 0) {
            fprintf(stderr, "bench_voice: member m%d could not join\n", i);
            return 1;
        }
        sessions.push_back(std::move(s));
    }

    // --- the bare relay: one socket in, forward to each listener ---
    uint16_t relayPort;
    int relay = UdpSocket(relayPort);
    std::vector<int> bare(static_cast<size_t>(listeners), -1);
    std::vector<sockaddr_in> bareAddr;
    for (auto& fd : bare) {
        uint16_t port;
        fd = UdpSocket(port);
        bareAddr.push_back(Loopback(port));
    }
    std::atomic<bool> quit{false};
    std::thread relayThread([&] {
        uint8_t buf[2048];
        while (!quit) {
            pollfd p = {relay, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            ssize_t n = recv(relay, buf, sizeof buf, 0);
            if (n <= 0)
                continue;
            for (auto& a : bareAddr)
                sendto(relay, buf, size_t(n), 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
        }
    });
    Stats plain;
    std::thread bareListener([&] {
        std::vector<pollfd> fds;
        for (int fd : bare)
            fds.push_back({fd, POLLIN, 0});
        uint8_t buf[2048];
        while (!quit) {
            if (poll(fds.data(), fds.size(), 100) <= 0)
                continue;
            for (auto& f : fds)
                if (f.revents & POLLIN) {
                    ssize_t n = recv(f.fd, buf, sizeof buf, 0);
                    if (n >= ssize_t(sizeof(int64_t))) {
                        int64_t sent;
                        memcpy(&sent, buf + 6 + 14, sizeof sent); // after a same-size voice head
                        plain.Add(NowUs() - sent);
                    }
                }
        }
    });
    uint16_t speakerPort;
    int speaker = UdpSocket(speakerPort);
    sockaddr_in relayAddr = Loopback(relayPort);

    // Both streams interleaved, so both see the same machine load.
    printf("bench_voice: %d members, one speaking %d datagrams/s for %d s, through the talk server and a bare relay\n",
           members, rate, seconds);
    uint64_t sent = 0;
    Payload pl{};
    auto period = std::chrono::microseconds(1000000 / rate);
    auto next = std::chrono::steady_clock::now();
    for (int i = 0; i < seconds * rate; ++i) {
        pl.seq = uint32_t(i);
        pl.sentUs = NowUs();
        sessions[0]->SendGroupVoice(1, reinterpret_cast<const uint8_t*>(&pl), sizeof pl);
        uint8_t raw[6 + 14 + sizeof pl] = {0x41, 0x00, 0, 1, 0, 20};
        pl.sentUs = NowUs();
        memcpy(raw + 20, &pl, sizeof pl);
        sendto(speaker, raw, sizeof raw, 0, reinterpret_cast<sockaddr*>(&relayAddr), sizeof relayAddr);
        ++sent;
        next += period;
        std::this_thread::sleep_until(next);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    quit = true;
    relayThread.join();
    bareListener.join();
    Report("talk server", talk, sent, listeners);
    Report("bare relay", plain, sent, listeners);
    {
        std::lock_guard a(talk.lock), b(plain.lock);
        auto median = [](const std::vector<int64_t>& v) { return v.empty() ? 0.0 : double(v[v.size() / 2]); };
        printf("added latency per hop (median, talk server minus bare relay): %.0f us\n",
               median(talk.latencies) - median(plain.latencies));
    }
    for (auto& s : sessions) {
        s->Stop();
        s->Udp().Stop();
    }
    const char quitLine[] = "quit\n";
    if (write(control, quitLine, sizeof quitLine - 1) < 0)
        kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    close(relay);
    close(speaker);
    for (int fd : bare)
        close(fd);
    return 0;
}
