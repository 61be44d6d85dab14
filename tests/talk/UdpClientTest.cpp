// The UDP transport: request/reply matching, time-outs, the handler pool,
// the 1,999-record queue with drop-oldest, and a restartable life cycle.

#include "UdpPeer.h"

#include "talk/CUDPClient.h"
#include "talk/StatusTable.h"
#include "talk/TalkLog.h"
#include "talk/TalkMessage.h"
#include "talk/TalkTags.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace vel;
using namespace vel::test;
using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

struct Received
{
    std::mutex lock;
    std::condition_variable cond;
    std::vector<std::vector<uint8_t>> datagrams;
    std::vector<uint16_t> ports;

    CUDPClient::MessageHandler Handler()
    {
        return [this](const uint8_t* d, size_t n, const char* ip, uint16_t port) {
            std::lock_guard l(lock);
            EXPECT_STREQ(ip, "127.0.0.1");
            datagrams.emplace_back(d, d + n);
            ports.push_back(port);
            cond.notify_all();
        };
    }
    bool WaitCount(size_t n, milliseconds timeout)
    {
        std::unique_lock l(lock);
        return cond.wait_for(l, timeout, [&] { return datagrams.size() >= n; });
    }
    size_t Count()
    {
        std::lock_guard l(lock);
        return datagrams.size();
    }
};

std::vector<uint8_t> Request(uint32_t seq, const TLVItems& items = {{tag::UserId, TLVValue::Str("u")}})
{
    std::vector<uint8_t> out;
    PackRequest(cmd::Heartbeat, seq, items, out);
    return out;
}

std::vector<uint8_t> ReplyTo(uint32_t seq, const TLVItems& items = {})
{
    std::vector<uint8_t> out;
    PackReply(cmd::Heartbeat | kReplyFlag, kStatusIdxOk, seq, items, out);
    return out;
}

// Counts log lines that contain a text while alive.
struct LogCounter
{
    explicit LogCounter(std::string text) : needle(std::move(text))
    {
        SetTalkLogHook([this](const std::string& line) {
            if (line.find(needle) != std::string::npos)
                count++;
        });
    }
    ~LogCounter() { SetTalkLogHook({}); }
    std::string needle;
    std::atomic<int> count{0};
};

} // namespace

TEST(UdpClient, AReplyReachesItsWaiterAndNeverTheHandler)
{
    Received got;
    CUDPClient udp;
    ASSERT_EQ(udp.Start(got.Handler()), 0u);
    UdpPeer server;
    std::thread peer([&] {
        uint16_t from = 0;
        auto req = server.Receive(3000, &from);
        ASSERT_GE(req.size(), kMsgHeaderSize);
        MsgHeader h;
        ASSERT_TRUE(ParseMsgHeader(req.data(), req.size(), h));
        server.SendTo(from, ReplyTo(h.sequence + 1)); // nobody waits for this one: dropped
        server.SendTo(from, ReplyTo(h.sequence, {{tag::HeartbeatPeriod, TLVValue::UI2(10)}}));
    });
    uint8_t reply[CUDPClient::kMaxDatagram];
    size_t len = sizeof reply;
    auto req = Request(4711);
    EXPECT_EQ(udp.SendMsgWaitReply("127.0.0.1", server.Port(), req.data(), req.size(), 4711, reply, len, 4),
              0);
    peer.join();
    auto expected = ReplyTo(4711, {{tag::HeartbeatPeriod, TLVValue::UI2(10)}});
    EXPECT_EQ(std::vector<uint8_t>(reply, reply + len), expected);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(got.Count(), 0u) << "replies, matched or not, are not handed to the message handler";
    EXPECT_EQ(udp.GetStats().replies, 1u);
    EXPECT_EQ(udp.GetStats().queued, 0u);
}

TEST(UdpClient, AReplyThatMissesTheFirstWaitIsTakenInTheNext)
{
    CUDPClient udp;
    Received got;
    ASSERT_EQ(udp.Start(got.Handler()), 0u);
    UdpPeer server;
    std::thread peer([&] {
        uint16_t from = 0;
        auto req = server.Receive(3000, &from);
        std::this_thread::sleep_for(1300ms);
        server.SendTo(from, ReplyTo(9));
    });
    uint8_t reply[64];
    size_t len = sizeof reply;
    auto req = Request(9);
    auto start = steady_clock::now();
    EXPECT_EQ(udp.SendMsgWaitReply("127.0.0.1", server.Port(), req.data(), req.size(), 9, reply, len, 3), 0);
    EXPECT_GE(steady_clock::now() - start, 1300ms);
    EXPECT_EQ(len, kMsgHeaderSize);
    peer.join();
}

TEST(UdpClient, WithoutAnAnswerTheWaitEndsAfterItsWaits)
{
    CUDPClient udp;
    Received got;
    ASSERT_EQ(udp.Start(got.Handler()), 0u);
    UdpPeer nobody; // bound, never answers
    LogCounter timeouts("wait for response 0x");
    uint8_t reply[64];
    size_t len = sizeof reply;
    auto req = Request(77);
    auto start = steady_clock::now();
    EXPECT_EQ(udp.SendMsgWaitReply("127.0.0.1", nobody.Port(), req.data(), req.size(), 77, reply, len, 4),
              -1);
    auto took = steady_clock::now() - start;
    EXPECT_GE(took, 3900ms);
    EXPECT_LT(took, 5s);
    EXPECT_EQ(timeouts.count.load(), 4);
}

TEST(UdpClient, RepliesTooLargeForTheBufferAreDropped)
{
    CUDPClient udp;
    Received got;
    ASSERT_EQ(udp.Start(got.Handler()), 0u);
    UdpPeer server;
    std::thread peer([&] {
        uint16_t from = 0;
        server.Receive(3000, &from);
        server.SendTo(from, ReplyTo(5, {{tag::UserId, TLVValue::Str(std::string(40, 'x'))}}));
    });
    uint8_t reply[32];
    size_t len = sizeof reply;
    auto req = Request(5);
    EXPECT_EQ(udp.SendMsgWaitReply("127.0.0.1", server.Port(), req.data(), req.size(), 5, reply, len, 1), -1);
    peer.join();
}

TEST(UdpClient, AWakeWithoutAReplyEndsTheWait)
{
    CUDPClient udp;
    Received got;
    ASSERT_EQ(udp.Start(got.Handler()), 0u);
    UdpPeer nobody;
    std::thread waker([&] {
        std::this_thread::sleep_for(200ms);
        while (!udp.WakeWaiter(31))
            std::this_thread::sleep_for(10ms);
    });
    uint8_t reply[64];
    size_t len = sizeof reply;
    auto req = Request(31);
    auto start = steady_clock::now();
    EXPECT_EQ(udp.SendMsgWaitReply("127.0.0.1", nobody.Port(), req.data(), req.size(), 31, reply, len, 20),
              -2);
    EXPECT_LT(steady_clock::now() - start, 2s);
    waker.join();
    EXPECT_FALSE(udp.WakeWaiter(31)) << "the waiter is gone";
}

TEST(UdpClient, RequestsAndVoiceReachTheHandlerUnchanged)
{
    Received got;
    CUDPClient udp;
    ASSERT_EQ(udp.Start(got.Handler()), 0u);
    UdpPeer server;
    std::vector<std::vector<uint8_t>> sent = {
        {0x41, 0x00, 0x00, 0x05, 0x01, 0x06, 0xDE, 0xAD}, // group voice head, not parsed here
        {0x41, 0x01, 0x03, 0xBE, 0xEF},
        Request(12),
        {0x00},
    };
    for (auto& d : sent)
        ASSERT_TRUE(server.SendTo(udp.Port(), d));
    // Malformed control messages are not handed on.
    ASSERT_TRUE(server.SendTo(udp.Port(), std::vector<uint8_t>{0xA5, 0xB5, 1, 1}));
    ASSERT_TRUE(got.WaitCount(sent.size(), 3s));
    std::this_thread::sleep_for(100ms);
    std::lock_guard l(got.lock);
    ASSERT_EQ(got.datagrams.size(), sent.size());
    std::sort(got.datagrams.begin(), got.datagrams.end());
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(got.datagrams, sent);
    for (uint16_t p : got.ports)
        EXPECT_EQ(p, server.Port());
}

TEST(UdpClient, LifeCycle)
{
    {
        CUDPClient idle;
        auto start = steady_clock::now();
        idle.Stop();
        EXPECT_LT(steady_clock::now() - start, 50ms) << "stopping an endpoint that never ran returns at once";
        EXPECT_EQ(idle.Port(), CUDPClient::kDefaultPort);
    }
    Received got;
    CUDPClient udp;
    uint16_t port = 0;
    EXPECT_FALSE(udp.Create(port, nullptr)) << "no handler";
    ASSERT_TRUE(udp.Create(port, got.Handler()));
    EXPECT_NE(port, 0);
    EXPECT_EQ(udp.Port(), port);
    uint16_t again = 0;
    EXPECT_FALSE(udp.Create(again, got.Handler())) << "a socket exists already";
    udp.Stop();

    UdpPeer peer;
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(udp.Start(got.Handler()), 0u);
        ASSERT_TRUE(udp.IsRunning());
        size_t before = got.Count();
        peer.SendTo(udp.Port(), std::vector<uint8_t>{0x41, 0x00, uint8_t(round)});
        EXPECT_TRUE(got.WaitCount(before + 1, 3s)) << round;
        auto start = steady_clock::now();
        udp.Stop();
        EXPECT_LT(steady_clock::now() - start, 500ms) << "stop does not wait for the 2 s poll";
        EXPECT_FALSE(udp.IsRunning());
    }
    EXPECT_EQ(udp.SendTo("127.0.0.1", peer.Port(), (const uint8_t*)"x", 1), -1) << "closed";
}

TEST(UdpClient, AFullQueueDropsTheOldestAndStaysBounded)
{
    std::mutex gate;
    std::condition_variable gateCond;
    bool open = false;
    std::atomic<uint64_t> handled{0};
    std::mutex seenLock;
    std::vector<uint32_t> seen; // numbers of the datagrams handled

    CUDPClient udp;
    ASSERT_EQ(udp.Start([&](const uint8_t* d, size_t n, const char*, uint16_t) {
        {
            std::unique_lock l(gate);
            gateCond.wait(l, [&] { return open; });
        }
        if (n >= 6) {
            std::lock_guard l(seenLock);
            seen.push_back(uint32_t(d[2]) << 24 | uint32_t(d[3]) << 16 | uint32_t(d[4]) << 8 | d[5]);
        }
        handled++;
    }),
              0u);
    UdpPeer peer;
    const uint32_t total = 5000;
    auto send = [&](uint32_t i) {
        uint8_t d[64] = {0x41, 0x00, uint8_t(i >> 24), uint8_t(i >> 16), uint8_t(i >> 8), uint8_t(i)};
        ASSERT_TRUE(peer.SendTo(udp.Port(), d, sizeof d));
    };
    // First occupy every handler the pool may start (it grows while its
    // handlers are stuck), so that what follows can only queue or drop.
    const uint32_t limit = CUDPClient::kDefaultHandlerLimit;
    uint32_t i = 0;
    for (; i < limit; ++i)
        send(i);
    for (int w = 0; w < 1000 && udp.GetStats().busy < limit; ++w)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(udp.GetStats().busy, limit);
    while (i < total) {
        // In bursts, each taken from the socket before the next, so that the
        // socket's own buffer never overflows and every loss is the queue's.
        for (uint32_t end = std::min(total, i + 100); i < end; ++i)
            send(i);
        for (int w = 0; w < 500 && udp.GetStats().received < i; ++w)
            std::this_thread::sleep_for(2ms);
        ASSERT_EQ(udp.GetStats().received, i);
    }
    CUDPClient::Stats s = udp.GetStats();
    EXPECT_EQ(s.queued, CUDPClient::kMaxQueued);
    EXPECT_EQ(s.handlers, limit);
    EXPECT_EQ(s.busy, limit);
    EXPECT_EQ(s.dropped, total - CUDPClient::kMaxQueued - limit);
    EXPECT_EQ(s.handled, 0u);
    // Memory is bounded: the queue, one record per handler, one read batch,
    // and the slots kept for reuse.
    EXPECT_LE(s.slots,
              CUDPClient::kMaxQueued + limit + CUDPClient::kReadsPerWake + CUDPClient::kKeptFreeSlots);

    {
        std::lock_guard l(gate);
        open = true;
    }
    gateCond.notify_all();
    uint64_t expectHandled = CUDPClient::kMaxQueued + s.busy;
    for (int w = 0; w < 1000 && handled.load() < expectHandled; ++w)
        std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(handled.load(), expectHandled);
    s = udp.GetStats();
    EXPECT_EQ(s.queued, 0u);
    EXPECT_EQ(s.handled, expectHandled);
    // The newest 1,999 survived: everything from total - 1999 on was handled.
    std::lock_guard l(seenLock);
    std::sort(seen.begin(), seen.end());
    size_t newest = std::count_if(seen.begin(), seen.end(), [&](uint32_t v) { return v >= total - 1999; });
    EXPECT_EQ(newest, 1999u);
    udp.Stop();
}

TEST(UdpClient, RepliesArriveWhileEveryHandlerIsBlocked)
{
    std::mutex gate;
    std::condition_variable gateCond;
    bool open = false;
    CUDPClient udp;
    udp.SetHandlerLimit(2);
    ASSERT_EQ(udp.Start([&](const uint8_t*, size_t, const char*, uint16_t) {
        std::unique_lock l(gate);
        gateCond.wait(l, [&] { return open; });
    }),
              0u);
    UdpPeer server;
    for (int i = 0; i < 10; ++i)
        server.SendTo(udp.Port(), std::vector<uint8_t>{0x41, 0x00, 1, 2});
    for (int w = 0; w < 200 && udp.GetStats().busy < 2; ++w)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(udp.GetStats().busy, 2u);
    std::thread peer([&] {
        uint16_t from = 0;
        server.Receive(3000, &from);
        server.SendTo(from, ReplyTo(3));
    });
    uint8_t reply[64];
    size_t len = sizeof reply;
    auto req = Request(3);
    EXPECT_EQ(udp.SendMsgWaitReply("127.0.0.1", server.Port(), req.data(), req.size(), 3, reply, len, 2), 0);
    peer.join();
    {
        std::lock_guard l(gate);
        open = true;
    }
    gateCond.notify_all();
    udp.Stop();
}
