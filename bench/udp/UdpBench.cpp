// Baselines in the same run: BM_BarePingPong (two blocking sockets, no
// framing) for BM_SendMsgWaitReply, and BM_BareReceive (one blocking
// recvfrom loop) for BM_ReceivePath. Compare items_per_second pairwise.

#include "talk/CUDPClient.h"
#include "talk/TalkMessage.h"
#include "talk/TalkTags.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace vel;

namespace {

int BoundSocket(uint16_t& port)
{
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int buf = 1 << 22;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, &buf, sizeof buf);
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
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

// Answers every datagram to its sender; as a talk server when `asReply`
// (command bit 15 set), else byte for byte.
class EchoPeer {
public:
    explicit EchoPeer(bool asReply) : m_asReply(asReply)
    {
        m_socket = BoundSocket(m_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~EchoPeer()
    {
        m_stop = true;
        m_thread.join();
        close(m_socket);
    }
    uint16_t Port() const { return m_port; }

private:
    void Run()
    {
        uint8_t buf[8192];
        while (!m_stop) {
            pollfd p = {m_socket, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            sockaddr_in from{};
            socklen_t len = sizeof from;
            ssize_t n = recvfrom(m_socket, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n <= 0)
                continue;
            if (m_asReply && n >= 16)
                buf[8] |= 0x80, buf[10] = 0, buf[11] = 200;
            sendto(m_socket, buf, size_t(n), 0, reinterpret_cast<sockaddr*>(&from), len);
        }
    }

    bool m_asReply;
    int m_socket;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

std::vector<uint8_t> HeartbeatRequest(uint32_t seq)
{
    std::vector<uint8_t> out;
    PackRequest(cmd::Heartbeat, seq, {{tag::UserId, TLVValue::Str("benchmark-user")}}, out);
    return out;
}

void BM_BarePingPong(benchmark::State& state)
{
    EchoPeer peer(false);
    uint16_t port;
    int s = BoundSocket(port);
    sockaddr_in to = Loopback(peer.Port());
    auto msg = HeartbeatRequest(1);
    uint8_t buf[8192];
    for (auto _ : state) {
        sendto(s, msg.data(), msg.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        benchmark::DoNotOptimize(recv(s, buf, sizeof buf, 0));
    }
    state.SetItemsProcessed(state.iterations());
    close(s);
}
BENCHMARK(BM_BarePingPong)->UseRealTime();

void BM_SendMsgWaitReply(benchmark::State& state)
{
    EchoPeer peer(true);
    CUDPClient udp;
    udp.Start([](const uint8_t*, size_t, const char*, uint16_t) {});
    uint32_t seq = 1;
    uint8_t reply[CUDPClient::kMaxDatagram];
    int failures = 0;
    for (auto _ : state) {
        auto msg = HeartbeatRequest(++seq);
        size_t len = sizeof reply;
        failures += udp.SendMsgWaitReply("127.0.0.1", peer.Port(), msg.data(), msg.size(), seq, reply, len, 4) != 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["failures"] = failures;
    udp.Stop();
}
BENCHMARK(BM_SendMsgWaitReply)->UseRealTime();

constexpr int kBurst = 1000; // below the queue limit of 1,999

void Blast(int s, uint16_t port, int count)
{
    sockaddr_in to = Loopback(port);
    uint8_t d[64] = {0x41, 0x00, 0x00, 0x05};
    for (int i = 0; i < count; ++i)
        sendto(s, d, sizeof d, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

void BM_BareReceive(benchmark::State& state)
{
    uint16_t rport, sport;
    int r = BoundSocket(rport);
    int s = BoundSocket(sport);
    uint8_t buf[8192];
    for (auto _ : state) {
        std::thread sender([&] { Blast(s, rport, kBurst); });
        for (int i = 0; i < kBurst; ++i)
            recv(r, buf, sizeof buf, 0);
        sender.join();
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
    close(r);
    close(s);
}
BENCHMARK(BM_BareReceive)->UseRealTime();

void BM_ReceivePath(benchmark::State& state)
{
    std::mutex lock;
    std::condition_variable cond;
    uint64_t handled = 0;
    CUDPClient udp;
    udp.Start([&](const uint8_t*, size_t, const char*, uint16_t) {
        std::lock_guard l(lock);
        if (++handled % kBurst == 0)
            cond.notify_all();
    });
    uint16_t sport;
    int s = BoundSocket(sport);
    uint64_t target = 0;
    for (auto _ : state) {
        target += kBurst;
        std::thread sender([&] { Blast(s, udp.Port(), kBurst); });
        std::unique_lock l(lock);
        if (!cond.wait_for(l, std::chrono::seconds(5), [&] { return handled >= target; })) {
            state.SkipWithError("datagrams were lost");
            l.unlock();
            sender.join();
            break;
        }
        l.unlock();
        sender.join();
    }
    CUDPClient::Stats st = udp.GetStats();
    state.SetItemsProcessed(state.iterations() * kBurst);
    state.counters["dropped"] = double(st.dropped);
    state.counters["handlers"] = double(st.handlers);
    udp.Stop();
    close(s);
}
BENCHMARK(BM_ReceivePath)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
