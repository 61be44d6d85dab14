// Hostile datagrams against a running session: lengths past the end,
// lengths that wrap, bad integer widths and random bytes. The session must
// neither crash nor leak (this runs under ASan in CI), must answer every
// decodable notice with a status, and must keep working afterwards.

#include "UdpPeer.h"

#include "talk/CGTKClient.h"
#include "talk/TalkMessage.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <thread>

using namespace vel;
using namespace vel::test;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<uint8_t>;

// A command-33 message with this body; the body length field says
// `declared` (default: the real length).
Bytes Notice(uint32_t seq, const Bytes& body, std::optional<uint32_t> declared = std::nullopt)
{
    uint32_t len = declared.value_or(uint32_t(body.size()));
    Bytes d = {0xA5, 0xB5, 1, 1, uint8_t(len >> 24), uint8_t(len >> 16), uint8_t(len >> 8), uint8_t(len),
               0,    33,   0, 0, uint8_t(seq >> 24), uint8_t(seq >> 16), uint8_t(seq >> 8), uint8_t(seq)};
    d.insert(d.end(), body.begin(), body.end());
    return d;
}

// The status of the reply to `seq`, or 0 when none came within timeoutMs.
int ReplyStatus(UdpPeer& peer, uint32_t seq, int timeoutMs)
{
    for (;;) {
        Bytes r = peer.Receive(timeoutMs);
        if (r.empty())
            return 0;
        MsgHeader h;
        if (ParseMsgHeader(r.data(), r.size(), h) && h.sequence == seq && h.command == (33 | 0x8000))
            return h.status;
    }
}

} // namespace

TEST(HostileDatagrams, MalformedNoticesGetAClearAnswerOrNone)
{
    CGTKClient session;
    ASSERT_EQ(session.Start(), 0u);
    UdpPeer peer;
    const Bytes user = {0x01, 0x03, 0, 1, 'a'};
    const Bytes type = {0x02, 0x06, 0, 1, 0x01};
    auto cat = [](std::initializer_list<Bytes> parts) {
        Bytes out;
        for (auto& p : parts)
            out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    struct Case
    {
        const char* what;
        Bytes datagram;
        int status; // 0: no answer at all
    } cases[] = {
        {"valid", Notice(1, cat({user, type})), 200},
        {"body length past the end", Notice(2, cat({user, type}), 100), 0},
        {"body length that wraps", Notice(3, cat({user, type}), 0xFFFFFFF0u), 0},
        {"largest body length", Notice(4, {}, 0xFFFFFFFFu), 0},
        {"string length past the end", Notice(5, cat({{0x01, 0x03, 0xFF, 0xFF, 'a', 'b'}, type})), 410},
        {"integer three bytes wide", Notice(6, cat({user, {0x02, 0x06, 0, 3, 1, 2, 3}})), 410},
        {"integer width past the end", Notice(7, cat({user, {0x02, 0x06, 0xFF, 0xFF, 1}})), 410},
        {"integer of width 8 cut short", Notice(8, cat({user, {0x02, 0x06, 0, 8, 1, 2}})), 410},
        {"binary length past the end", Notice(9, cat({type, {0x04, 0x04, 0x80, 0x00, 1}})), 410},
        {"unknown tag past the end", Notice(10, cat({type, {0x77, 0x77, 0x10, 0x00}})), 410},
        {"item cut inside its tag", Notice(11, cat({type, {0x01}})), 410},
        {"item cut inside its length", Notice(12, cat({type, {0x01, 0x03, 0x00}})), 410},
        {"empty body", Notice(13, {}), 410},
        {"body declared shorter than sent", Notice(14, cat({type, user}), 5), 200},
        {"notice behind a zero-filled user id", Notice(15, cat({{0x01, 0x03, 0, 3, 0, 0, 0}, type})), 200},
    };
    for (auto& c : cases) {
        ASSERT_TRUE(peer.SendTo(session.Udp().Port(), c.datagram)) << c.what;
        uint32_t seq = uint32_t(c.datagram[12]) << 24 | uint32_t(c.datagram[13]) << 16 |
                       uint32_t(c.datagram[14]) << 8 | c.datagram[15];
        EXPECT_EQ(ReplyStatus(peer, seq, c.status ? 2000 : 300), c.status) << c.what;
    }
}

TEST(HostileDatagrams, RandomBytesNeitherCrashNorStopTheSession)
{
    CGTKClient session;
    ASSERT_EQ(session.Start(), 0u);
    UdpPeer peer;
    std::mt19937 rng(20240601);
    std::uniform_int_distribution<int> byte(0, 255), size(0, 9000), shape(0, 5);
    uint64_t sent = 0;
    for (int i = 0; i < 3000; ++i) {
        Bytes d(size_t(size(rng)));
        for (auto& b : d)
            b = uint8_t(byte(rng));
        switch (d.size() >= 16 ? shape(rng) : 5) {
        case 0: // a control message with a plausible length and random items
        case 1: {
            uint32_t body = uint32_t(d.size() - 16);
            d[0] = 0xA5, d[1] = 0xB5, d[4] = uint8_t(body >> 24), d[5] = uint8_t(body >> 16);
            d[6] = uint8_t(body >> 8), d[7] = uint8_t(body), d[8] = 0, d[9] = 33;
            break;
        }
        case 2: // a control message with a random length
            d[0] = 0xA5, d[1] = 0xB5;
            break;
        case 3: // voice heads
            d[0] = 0x41, d[1] = uint8_t(byte(rng) & 1);
            break;
        default:
            break;
        }
        if (d.empty())
            continue; // a zero-length datagram is legal but says nothing
        peer.SendTo(session.Udp().Port(), d);
        ++sent;
        if (sent % 100 == 0) {
            // Let the session catch up so its socket buffer never overflows.
            for (int w = 0; w < 400 && session.Udp().GetStats().received < sent; ++w)
                std::this_thread::sleep_for(1ms);
            while (!peer.Receive(0).empty()) {
            }
        }
    }
    // Still alive and still answering.
    while (!peer.Receive(200).empty()) {
    }
    ASSERT_TRUE(peer.SendTo(session.Udp().Port(), Notice(424242, {0x02, 0x07, 0, 1, 1})));
    EXPECT_EQ(ReplyStatus(peer, 424242, 3000), 200);
    EXPECT_GE(session.Udp().GetStats().received, sent);
}
