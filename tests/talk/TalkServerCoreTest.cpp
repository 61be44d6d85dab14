// The talk server's protocol core, without sockets: what it answers to
// each request, the control commands that make it misbehave, and the loss
// of clients that stop sending heartbeats.

#include "talk/StatusTable.h"
#include "talk/TalkTags.h"
#include "tools/talkserver/ControlCommands.h"
#include "tools/talkserver/TalkServer.h"

#include <gtest/gtest.h>

using namespace vel;
using namespace vel::talkserver;

namespace {

struct Capture : Transport, EventSink
{
    struct Sent
    {
        Endpoint to;
        MsgHeader header;
        TLVItems items;
    };
    void Send(const Endpoint& to, const std::vector<uint8_t>& d) override
    {
        Sent s{to, {}, {}};
        ASSERT_TRUE(ParseMessage(d.data(), d.size(), s.header, s.items));
        sent.push_back(s);
    }
    void Event(const std::string& line) override { events.push_back(line); }
    std::vector<Sent> sent;
    std::vector<std::string> events;
};

struct Fixture
{
    Fixture()
    {
        UserList users;
        users.Add("alice", {"pw-a", ""});
        users.Add("bob", {"pw-b", "unit-b"});
        ServerConfig config;
        config.heartbeatPeriod = 2;
        config.fileServer = "10.0.0.9";
        config.filePort = 8600;
        server = std::make_unique<TalkServer>(config, users, io, io);
    }
    // Sends a request from `from` and returns the reply (status 0 when none).
    Capture::Sent Request(uint16_t command, const TLVItems& items, const Endpoint& from, int64_t now = 0)
    {
        std::vector<uint8_t> d;
        PackRequest(command, ++seq, items, d);
        size_t before = io.sent.size();
        server->OnDatagram(d.data(), d.size(), from, now);
        if (io.sent.size() == before)
            return {};
        return io.sent.back();
    }
    Capture::Sent Register(const std::string& user, const std::string& pw, const std::string& unit = "",
                           const Endpoint& from = {"127.0.0.1", 4000})
    {
        return Request(cmd::Register,
                       {{tag::Puid, TLVValue::Str(unit)},
                        {tag::UserId, TLVValue::Str(user)},
                        {tag::Password, TLVValue::Str(pw)}},
                       from);
    }
    Capture io;
    std::unique_ptr<TalkServer> server;
    uint32_t seq = 100;
};

} // namespace

TEST(TalkServerCore, RegistrationChecksTheUserList)
{
    struct Case
    {
        const char* user;
        const char* password;
        const char* unit;
        uint16_t status;
    } cases[] = {
        {"alice", "pw-a", "", 200},     {"alice", "pw-a", "any-unit", 200},
        {"alice", "wrong", "", 402},    {"nobody", "x", "", 406},
        {"bob", "pw-b", "unit-b", 200}, {"bob", "pw-b", "", 200},
        {"bob", "pw-b", "unit-x", 401}, {"", "pw", "", 410},
    };
    for (auto& c : cases) {
        Fixture f;
        Capture::Sent r = f.Register(c.user, c.password, c.unit);
        EXPECT_EQ(r.header.status, c.status) << c.user << "/" << c.password << "/" << c.unit;
        EXPECT_EQ(r.header.command, cmd::Register | kReplyFlag);
        EXPECT_EQ(r.header.sequence, f.seq);
        EXPECT_EQ(f.server->Clients().size(), c.status == 200 ? 1u : 0u);
        if (c.status == 200) {
            EXPECT_EQ(FindItem(r.items, tag::HeartbeatPeriod)->value.AsU32(), 2u);
            EXPECT_EQ(FindItem(r.items, tag::FilePort)->value.AsU32(), 8600u);
            EXPECT_EQ(ItemText(r.items, tag::FileServer), "10.0.0.9");
        } else {
            EXPECT_TRUE(r.items.empty());
        }
    }
}

TEST(TalkServerCore, HeartbeatsAndUnregistration)
{
    Fixture f;
    Endpoint a{"127.0.0.1", 4000}, other{"127.0.0.1", 4001};
    TLVItems alice = {{tag::UserId, TLVValue::Str("alice")}};
    EXPECT_EQ(f.Request(cmd::Heartbeat, alice, a).header.status, 403) << "not registered yet";
    f.Register("alice", "pw-a");
    EXPECT_EQ(f.Request(cmd::Heartbeat, alice, a).header.status, 200);
    EXPECT_EQ(f.Request(cmd::Heartbeat, alice, other).header.status, 403) << "from another endpoint";
    EXPECT_EQ(f.Request(cmd::Unregister, alice, other).header.status, 0) << "one-way, never answered";
    EXPECT_EQ(f.server->Clients().size(), 1u) << "only the registered endpoint may unregister";
    f.Request(cmd::Unregister, alice, a);
    EXPECT_TRUE(f.server->Clients().empty());
    EXPECT_EQ(f.Request(cmd::Heartbeat, alice, a).header.status, 403);
    EXPECT_EQ(f.Request(77, alice, a).header.status, 400) << "unknown requests are refused, not ignored";
}

TEST(TalkServerCore, ClientsThatStopBeatingAreLost)
{
    Fixture f; // period 2 s, lost after 6 periods
    f.Register("alice", "pw-a");
    f.server->OnTick(12000);
    EXPECT_EQ(f.server->Clients().size(), 1u);
    f.Request(cmd::Heartbeat, {{tag::UserId, TLVValue::Str("alice")}}, {"127.0.0.1", 4000}, 11000);
    f.server->OnTick(23000);
    EXPECT_EQ(f.server->Clients().size(), 1u) << "a heartbeat at 11 s keeps it until 23 s";
    f.server->OnTick(23001);
    EXPECT_TRUE(f.server->Clients().empty());
    EXPECT_EQ(f.io.events.back(), "event lost user=alice");
}

TEST(TalkServerCore, ControlCommandsBendTheAnswers)
{
    Fixture f;
    TLVItems alice = {{tag::UserId, TLVValue::Str("alice")}};
    Endpoint a{"127.0.0.1", 4000};
    EXPECT_EQ(RunControlCommand(*f.server, "status register 402 1").answer, "ok");
    EXPECT_EQ(f.Register("alice", "pw-a").header.status, 402);
    EXPECT_EQ(f.Register("alice", "pw-a").header.status, 200) << "the count ran out";
    EXPECT_EQ(RunControlCommand(*f.server, "status heartbeat 403").answer, "ok");
    EXPECT_EQ(f.Request(cmd::Heartbeat, alice, a).header.status, 403);
    EXPECT_EQ(f.Request(cmd::Heartbeat, alice, a).header.status, 403) << "no count: for ever";
    EXPECT_EQ(RunControlCommand(*f.server, "status heartbeat clear").answer, "ok");
    EXPECT_EQ(f.Request(cmd::Heartbeat, alice, a).header.status, 200);

    EXPECT_EQ(RunControlCommand(*f.server, "omit 0x0402 on").answer, "ok");
    Capture::Sent r = f.Register("alice", "pw-a");
    EXPECT_EQ(r.header.status, 200);
    EXPECT_EQ(FindItem(r.items, tag::FilePort), nullptr);
    EXPECT_NE(FindItem(r.items, tag::HeartbeatPeriod), nullptr);

    EXPECT_EQ(RunControlCommand(*f.server, "silent on").answer, "ok");
    EXPECT_EQ(f.Request(cmd::Heartbeat, alice, a).header.status, 0);
    EXPECT_EQ(RunControlCommand(*f.server, "clear").answer, "ok");
    EXPECT_EQ(f.Request(cmd::Heartbeat, alice, a).header.status, 200);

    for (const char* bad :
         {"status register x", "omit 0x0402 maybe", "notice alice zz", "send alice 33 0x0103=q:1",
          "send alice 33 nonsense", "raw alice 0g", "fly away", "period -1"})
        EXPECT_EQ(RunControlCommand(*f.server, bad).answer.rfind("error ", 0), 0u) << bad;
    EXPECT_TRUE(RunControlCommand(*f.server, "quit").quit);
}

TEST(TalkServerCore, NoticesAndRequestsGoToTheRegisteredEndpoint)
{
    Fixture f;
    EXPECT_EQ(RunControlCommand(*f.server, "notice alice 0x0206").answer,
              "error user alice is not registered");
    f.Register("alice", "pw-a", "", {"127.0.0.1", 4321});
    std::string answer =
        RunControlCommand(*f.server, "notice alice 0x020B 77 reason=3 subject=bob 0x0201=s:x").answer;
    ASSERT_EQ(answer.rfind("ok seq=", 0), 0u) << answer;
    Capture::Sent n = f.io.sent.back();
    EXPECT_EQ(n.to, (Endpoint{"127.0.0.1", 4321}));
    EXPECT_EQ(n.header.command, cmd::ServerNotify);
    EXPECT_EQ(ItemText(n.items, tag::UserId), "bob");
    EXPECT_EQ(FindItem(n.items, tag::QuitIndivCall)->value.AsI32(), 77);
    EXPECT_EQ(FindItem(n.items, tag::Reason)->value.AsI32(), 3);
    EXPECT_EQ(n.items.size(), 3u) << "the unknown tag is skipped by the decoder, as by every receiver";

    // The client's reply is reported with the request's sequence.
    std::vector<uint8_t> reply;
    PackReply(cmd::ServerNotify | kReplyFlag, kStatusIdxInvalidParam, n.header.sequence, {}, reply);
    f.server->OnDatagram(reply.data(), reply.size(), {"127.0.0.1", 4321}, 0);
    EXPECT_EQ(f.io.events.back(),
              "event reply user=alice cmd=0x8021 seq=" + std::to_string(n.header.sequence) + " status=410");

    struct Item
    {
        const char* text;
        uint16_t tag;
        uint16_t vt;
        uint64_t bits;
        std::string bytes;
    } items[] = {{"0x0103=s:eve", 0x0103, VT_LPSTR, 0, "eve"},
                 {"0x0200=i2:-2", 0x0200, VT_I2, uint64_t(-2), ""},
                 {"513=i1:5", 0x0201, VT_I1, 5, ""},
                 {"0x0302=i8:0x100000002", 0x0302, VT_UI8, 0x100000002ull, ""},
                 {"0x0404=b:00ff", 0x0404, VT_BLOB, 0, std::string("\0\xff", 2)},
                 {"0x7777=e:", 0x7777, VT_EMPTY, 0, ""}};
    for (auto& it : items) {
        TLVGroup g;
        std::string err;
        ASSERT_TRUE(ParseItemSpec(it.text, g, err)) << it.text << ": " << err;
        EXPECT_EQ(g.tag, it.tag) << it.text;
        EXPECT_EQ(g.value.vt, it.vt) << it.text;
        EXPECT_EQ(g.value.bits, it.bits) << it.text;
        EXPECT_EQ(g.value.bytes, it.bytes) << it.text;
    }
}
