// Group and individual talk against the real talk server: channels and
// group voice, messages and data relay, synchronous and asynchronous calls
// with their results, hang-up and break-up, invitations, and the server
// requests a session answers (destination checks, file references, reports).

#include "TalkServerProcess.h"
#include "TalkTestSupport.h"

#include "platform/base/Strings.h"
#include "talk/CGTKClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vel;
using namespace vel::test;
using namespace std::chrono_literals;

namespace {

// A user: a session plus everything its callbacks were told.
struct Peer
{
    struct Voice
    {
        std::string from;
        std::string payload;
        int channel;
    };

    explicit Peer(uint16_t port, const char* user, const char* password)
    {
        EXPECT_EQ(session.Start(), 0u);
        EXPECT_EQ(session.Register(ConnectParams(port, user, password)), 0u) << user;
        session.SetNotifyCallback(&OnNotify, this);
        session.SetTransDataCallback(&OnData, this);
        session.SetGpsCallback(&OnGps, this);
        session.SetAlarmCallback(&OnAlarm, this);
    }
    ~Peer()
    {
        session.Stop();
        session.Udp().Stop();
    }

    static uint16_t GTK_CALL OnNotify(void* s, int32_t id, const char* xml, int32_t len, void* user)
    {
        auto* self = static_cast<Peer*>(user);
        NotifyRecorder::Callback(s, id, xml, len, &self->notices);
        return self->decision.load();
    }
    static void GTK_CALL OnGroupVoice(void*, uint16_t channel, const char* speaker, const uint8_t* p, int32_t n,
                                      uint16_t, void* user)
    {
        static_cast<Peer*>(user)->AddVoice({speaker, std::string(reinterpret_cast<const char*>(p), size_t(n)), channel});
    }
    static void GTK_CALL OnIndivVoice(void*, const char* peer, const uint8_t* p, int32_t n, uint16_t, void* user)
    {
        static_cast<Peer*>(user)->AddVoice({peer, std::string(reinterpret_cast<const char*>(p), size_t(n)), -1});
    }
    static void GTK_CALL OnData(void*, uint16_t channel, const char* sender, const uint8_t* d, int32_t n, void* user)
    {
        auto* self = static_cast<Peer*>(user);
        std::lock_guard l(self->lock);
        self->data.push_back({sender, std::string(reinterpret_cast<const char*>(d), size_t(n)), channel});
        self->cond.notify_all();
    }
    static void GTK_CALL OnGps(void*, const char* who, const uint8_t* gps, void* user)
    {
        auto* self = static_cast<Peer*>(user);
        std::lock_guard l(self->lock);
        self->reports.push_back(std::string("gps ") + who + " " + std::to_string(gps[31]));
        self->cond.notify_all();
    }
    static void GTK_CALL OnAlarm(void*, const char* who, const uint8_t* gps, const uint8_t* alarm, void* user)
    {
        auto* self = static_cast<Peer*>(user);
        std::lock_guard l(self->lock);
        self->reports.push_back(std::string("alarm ") + who + " " + std::to_string(alarm[0]) + " " +
                                std::to_string(gps[0]));
        self->cond.notify_all();
    }

    void AddVoice(Voice v)
    {
        std::lock_guard l(lock);
        voice.push_back(std::move(v));
        cond.notify_all();
    }
    template <class Pred> bool WaitUntil(Pred pred, std::chrono::milliseconds timeout = 3s)
    {
        std::unique_lock l(lock);
        return cond.wait_for(l, timeout, pred);
    }
    size_t VoiceCount()
    {
        std::lock_guard l(lock);
        return voice.size();
    }
    // Copies taken under the lock: the callbacks may still be appending.
    std::vector<Voice> Voices()
    {
        std::lock_guard l(lock);
        return voice;
    }
    std::vector<Voice> Data()
    {
        std::lock_guard l(lock);
        return data;
    }
    std::vector<std::string> Reports()
    {
        std::lock_guard l(lock);
        return reports;
    }

    CGTKClient session;
    NotifyRecorder notices;
    std::atomic<uint16_t> decision{1};
    std::mutex lock;
    std::condition_variable cond;
    std::vector<Voice> voice, data;
    std::vector<std::string> reports;
};

const uint8_t kPayload[] = {1, 2, 3, 0, 0xFF, 0x41, 0x00};

class TalkOps : public ::testing::Test
{
protected:
    TalkServerProcess server;
};

std::string Reply(TalkServerProcess& server, const std::string& answer, size_t from)
{
    return server.WaitFor("seq=" + std::to_string(TalkServerProcess::SeqOf(answer)) + " status=", 3s, from);
}

} // namespace

TEST_F(TalkOps, GroupVoiceReachesTheOtherMembersOfTheChannelOnly)
{
    Peer alice(server.Port(), "alice", "pw-a"), bob(server.Port(), "bob", "pw-b"), carol(server.Port(), "carol", "pw-c");
    EXPECT_EQ(alice.session.SendGroupVoice(5, kPayload, sizeof kPayload), GTK_ERR_INVALID_STATE) << "in no group";
    ASSERT_EQ(alice.session.JoinGroup(5, &Peer::OnGroupVoice, &alice), 0u);
    ASSERT_EQ(bob.session.JoinGroup(5, &Peer::OnGroupVoice, &bob), 0u);
    ASSERT_EQ(carol.session.JoinGroup(6, &Peer::OnGroupVoice, &carol), 0u);
    EXPECT_EQ(alice.session.Channel(), 5);

    EXPECT_EQ(alice.session.SendGroupVoice(5, kPayload, sizeof kPayload), 0u);
    ASSERT_TRUE(bob.WaitUntil([&] { return !bob.voice.empty(); }));
    EXPECT_EQ(bob.Voices()[0].from, "alice");
    EXPECT_EQ(bob.Voices()[0].channel, 5);
    EXPECT_EQ(bob.Voices()[0].payload, std::string(reinterpret_cast<const char*>(kPayload), sizeof kPayload));

    // The wrong channel is refused before anything is sent; so is no payload.
    EXPECT_EQ(alice.session.SendGroupVoice(6, kPayload, sizeof kPayload), GTK_ERR_INVALID_STATE);
    EXPECT_EQ(alice.session.SendGroupVoice(5, nullptr, 0), GTK_ERR_INVALID_ARG);
    // Bob cannot speak while alice holds the floor; after she releases it he can.
    EXPECT_EQ(bob.session.SendGroupVoice(5, kPayload, 3), 0u);
    EXPECT_NE(server.WaitFor("event voicerefused user=bob channel=5 reason=floor", 3s), "");
    EXPECT_EQ(alice.session.ReleaseFloor(), 0u);
    EXPECT_EQ(bob.session.SendGroupVoice(5, kPayload, 3), 0u);
    ASSERT_TRUE(alice.WaitUntil([&] { return !alice.voice.empty(); }));
    EXPECT_EQ(alice.Voices()[0].from, "bob");
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(carol.VoiceCount(), 0u) << "another channel hears nothing";
    EXPECT_EQ(bob.VoiceCount(), 1u) << "a speaker does not hear itself";

    // A voice datagram for a channel the session has not joined is dropped.
    server.Command("raw carol 41000005000f01030005616c696365aabb");
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(carol.VoiceCount(), 0u);

    // Break speak frees the floor of a speaker and tells it.
    EXPECT_EQ(bob.session.SendGroupVoice(5, kPayload, 3), 0u);
    EXPECT_NE(server.WaitFor("event floor user=bob", 3s), "");
    EXPECT_EQ(alice.session.BreakSpeak(5, "bob"), 0u);
    NotifyRecorder::Entry e;
    ASSERT_TRUE(bob.notices.WaitFor(33, e, 3s));
    EXPECT_EQ(e.xml, "<Notify><command>33</command><PARAM><type>776</type><userid>alice</userid><para>5</para>"
                     "</PARAM></Notify>");
    EXPECT_EQ(alice.session.BreakSpeak(5, "nobody"), GTK_ERR_SERVER_BASE + 415);

    EXPECT_EQ(alice.session.QuitGroup(), 0u);
    EXPECT_EQ(alice.session.Channel(), -1);
    EXPECT_EQ(alice.session.QuitGroup(), GTK_ERR_SERVER_BASE + 422);
    EXPECT_EQ(alice.session.ReleaseFloor(), GTK_ERR_INVALID_STATE);
    EXPECT_EQ(alice.session.SendGroupVoice(5, kPayload, 3), GTK_ERR_INVALID_STATE);
}

TEST_F(TalkOps, MessagesAndDataAreRelayed)
{
    Peer alice(server.Port(), "alice", "pw-a"), bob(server.Port(), "bob", "pw-b");
    ASSERT_EQ(alice.session.JoinGroup(9, &Peer::OnGroupVoice, &alice), 0u);
    ASSERT_EQ(bob.session.JoinGroup(9, &Peer::OnGroupVoice, &bob), 0u);

    std::string gbk = Utf16ToAnsi(u"你好 <b>&");
    EXPECT_EQ(alice.session.IndivInfo("bob", gbk), 0u);
    NotifyRecorder::Entry e;
    ASSERT_TRUE(bob.notices.WaitFor(65, e, 3s));
    EXPECT_EQ(e.xml, "<Notify>\r\n<command>65</command>\r\n<PARAM>\r\n<userfromid>alice</userfromid>\r\n<type>0</type>"
                     "\r\n<info>" +
                         Utf16ToAnsi(u"你好") + " &lt;b&gt;&amp;</info>\r\n<filename/>\r\n</PARAM>\r\n</Notify>");
    EXPECT_NE(server.WaitFor("event message from=alice to=bob type=0 text=你好 <b>&", 3s), "") << "UTF-8 on the wire";

    EXPECT_EQ(alice.session.GroupInfo(9, "hello all"), 0u);
    ASSERT_TRUE(bob.notices.WaitFor(66, e, 3s));
    EXPECT_NE(e.xml.find("<userid>alice</userid>\r\n<channel>9</channel>\r\n<type>0</type>\r\n<info>hello all</info>"),
              std::string::npos)
        << e.xml;
    EXPECT_EQ(alice.session.GroupInfo(10, "not a member"), GTK_ERR_SERVER_BASE + 421);
    EXPECT_EQ(alice.session.IndivInfo("nobody", "x"), GTK_ERR_SERVER_BASE + 414);

    const uint8_t blob[] = {0, 1, 2, 0xFE};
    EXPECT_EQ(alice.session.TransData("bob", blob, sizeof blob), 0u);
    EXPECT_EQ(alice.session.TransGroupData(9, blob, 2), 0u);
    ASSERT_TRUE(bob.WaitUntil([&] { return bob.data.size() == 2; }));
    auto bobData = bob.Data();
    std::sort(bobData.begin(), bobData.end(), [](auto& a, auto& b) { return a.channel < b.channel; });
    EXPECT_EQ(bobData[0].channel, 0);
    EXPECT_EQ(bobData[0].payload, std::string("\0\1\2\xFE", 4));
    EXPECT_EQ(bobData[1].channel, 9);
    EXPECT_EQ(bobData[1].from, "alice");
    EXPECT_EQ(alice.session.TransData("bob", nullptr, 0), GTK_ERR_INVALID_ARG);

    EXPECT_EQ(alice.session.PushVideo("bob", "rtsp://cam/1", "look"), 0u);
    ASSERT_TRUE(bob.notices.WaitFor(68, e, 3s));
    EXPECT_EQ(e.xml, "<Notify>\r\n<command>68</command>\r\n<PARAM>\r\n<userid>alice</userid>\r\n<url>rtsp://cam/1</url>"
                     "\r\n<info>look</info>\r\n</PARAM>\r\n</Notify>");
}

TEST_F(TalkOps, SynchronousCallCarriesVoiceBothWaysUntilHangUp)
{
    Peer alice(server.Port(), "alice", "pw-a"), bob(server.Port(), "bob", "pw-b");
    bob.decision = 0;
    ASSERT_EQ(alice.session.IndivCall("bob", 1, &Peer::OnIndivVoice, &alice), 0u);
    NotifyRecorder::Entry e;
    ASSERT_TRUE(bob.notices.WaitFor(49, e, 3s));
    EXPECT_NE(e.xml.find("<userfromid>alice</userfromid><videocall>1</videocall>"), std::string::npos) << e.xml;
    EXPECT_EQ(alice.session.CallStateValue(), 2);
    ASSERT_TRUE(bob.WaitUntil([&] { return bob.session.CallStateValue() == 2; }));
    EXPECT_EQ(alice.session.CallSession(), bob.session.CallSession());
    bob.session.SetIndivCallCallback(&Peer::OnIndivVoice, &bob);

    EXPECT_EQ(alice.session.IndivCall("bob", 0, &Peer::OnIndivVoice, &alice), GTK_ERR_INVALID_STATE) << "one call";
    EXPECT_EQ(alice.session.SendIndivVoice("Bob", kPayload, 3), GTK_ERR_INVALID_STATE) << "exact peer id";
    EXPECT_EQ(alice.session.SendIndivVoice("bob", kPayload, 3), 0u);
    EXPECT_EQ(bob.session.SendIndivVoice("alice", kPayload + 3, 4), 0u);
    ASSERT_TRUE(bob.WaitUntil([&] { return !bob.voice.empty(); }));
    ASSERT_TRUE(alice.WaitUntil([&] { return !alice.voice.empty(); }));
    EXPECT_EQ(bob.Voices()[0].from, "alice");
    EXPECT_EQ(bob.Voices()[0].payload, std::string("\1\2\3", 3));
    EXPECT_EQ(alice.Voices()[0].from, "bob");
    EXPECT_EQ(alice.Voices()[0].payload.size(), 4u);

    // The server switches the video channel of the call.
    EXPECT_EQ(server.Command("videochan bob 3").rfind("ok seq=", 0), 0u);
    ASSERT_TRUE(bob.notices.WaitFor(53, e, 3s));
    EXPECT_EQ(e.xml, "<Notify><command>53</command><PARAM><userid>alice</userid><session>" +
                         std::to_string(bob.session.CallSession()) + "</session><vediochan>3</vediochan></PARAM></Notify>");

    size_t mark = bob.notices.Size();
    EXPECT_EQ(alice.session.HangUp(), 0u);
    EXPECT_EQ(alice.session.CallStateValue(), 0);
    ASSERT_TRUE(bob.notices.WaitFor(33, e, 3s, mark));
    EXPECT_NE(e.xml.find("<type>523</type>"), std::string::npos) << e.xml;
    EXPECT_EQ(bob.session.CallStateValue(), 0);
    EXPECT_EQ(bob.session.SendIndivVoice("alice", kPayload, 3), GTK_ERR_INVALID_STATE);
}

TEST_F(TalkOps, CallResultsFollowTheCalleesAnswer)
{
    Peer alice(server.Port(), "alice", "pw-a"), bob(server.Port(), "bob", "pw-b"), carol(server.Port(), "carol", "pw-c");
    // Synchronous: refused, busy, no answer.
    bob.decision = 1;
    EXPECT_EQ(alice.session.IndivCall("bob", 0, nullptr, nullptr), GTK_ERR_SERVER_BASE + 413);
    EXPECT_EQ(alice.session.CallStateValue(), 0);
    EXPECT_EQ(alice.session.IndivCall("nobody", 0, nullptr, nullptr), GTK_ERR_SERVER_BASE + 414);

    // Asynchronous: each answer becomes a result code in notify 32817.
    struct Case
    {
        const char* control;
        uint16_t decision;
        int result;
    } cases[] = {
        {nullptr, 1, CGTKClient::kResultRejected},          // 413
        {"status 49 416 1", 1, CGTKClient::kResultBusy},     // 416
        {"status 49 417 1", 1, CGTKClient::kResultNoResponse},
        {"status 49 500 1", 1, CGTKClient::kResultOther},
        {nullptr, 0, 0},
    };
    for (auto& c : cases) {
        if (c.control) {
            ASSERT_EQ(server.Command(c.control), "ok");
        }
        bob.decision = c.decision;
        size_t mark = alice.notices.Size();
        uint32_t callId = 0;
        ASSERT_EQ(alice.session.IndivCallEx("bob", 0, nullptr, nullptr, false, callId), 0u);
        NotifyRecorder::Entry e;
        ASSERT_TRUE(alice.notices.WaitFor(CGTKClient::kNotifyCallResult, e, 5s, mark)) << c.result;
        EXPECT_EQ(e.xml, "<Notify><command>32817</command><PARAM><callid>" + std::to_string(callId) +
                             "</callid><result>" + std::to_string(c.result) +
                             "</result><userid>bob</userid></PARAM></Notify>");
    }
    EXPECT_EQ(alice.session.CallStateValue(), 2);
    // Carol calling bob, who is in a call, hears 416 from the server itself.
    EXPECT_EQ(carol.session.IndivCall("bob", 0, nullptr, nullptr), GTK_ERR_SERVER_BASE + 416);
    // A third party breaks the call up: both ends are told.
    uint32_t session = alice.session.CallSession();
    EXPECT_EQ(carol.session.BreakUpIndivCall(session), 0u);
    ASSERT_TRUE(alice.WaitUntil([&] { return alice.session.CallStateValue() == 0; }));
    ASSERT_TRUE(bob.WaitUntil([&] { return bob.session.CallStateValue() == 0; }));
    EXPECT_EQ(carol.session.BreakUpIndivCall(session), GTK_ERR_SERVER_BASE + 424);
}

TEST_F(TalkOps, NoAnswerGives252AndHangUpSuppressesTheResult)
{
    Peer alice(server.Port(), "alice", "pw-a"), bob(server.Port(), "bob", "pw-b");
    ASSERT_EQ(server.Command("ring 1500"), "ok");
    bob.decision = 7; // answer later: never
    uint32_t callId = 0;
    ASSERT_EQ(alice.session.IndivCallEx("bob", 0, nullptr, nullptr, false, callId), 0u);
    EXPECT_EQ(alice.session.IndivCallEx("bob", 0, nullptr, nullptr, false, callId), GTK_ERR_INVALID_STATE);
    NotifyRecorder::Entry e;
    ASSERT_TRUE(alice.notices.WaitFor(CGTKClient::kNotifyCallResult, e, 6s));
    EXPECT_NE(e.xml.find("<result>252</result>"), std::string::npos) << e.xml;

    // Ringing, then the caller hangs up: no result at all, the server
    // forgets the call.
    ASSERT_EQ(server.Command("ring 60000"), "ok");
    size_t mark = alice.notices.Size(), from = server.Mark();
    ASSERT_EQ(alice.session.IndivCallEx("bob", 0, nullptr, nullptr, false, callId), 0u);
    ASSERT_NE(server.WaitFor("event call caller=alice callee=bob", 3s, from), "");
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(alice.session.HangUp(), 0u);
    EXPECT_NE(server.WaitFor("event hangup user=alice", 3s, from).find("ringing"), std::string::npos);
    std::this_thread::sleep_for(500ms);
    EXPECT_FALSE(alice.notices.WaitFor(CGTKClient::kNotifyCallResult, e, 10ms, mark));
    EXPECT_EQ(server.Command("calls"), "ok");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 3s);
    // The session is free for a new call at once.
    bob.decision = 0;
    EXPECT_EQ(alice.session.IndivCall("bob", 0, nullptr, nullptr), 0u);
}

TEST_F(TalkOps, ForcedCallStandsWithoutWaitingForTheCallee)
{
    Peer alice(server.Port(), "alice", "pw-a"), bob(server.Port(), "bob", "pw-b");
    bob.decision = 7; // would never answer a normal call
    uint32_t callId = 0;
    ASSERT_EQ(alice.session.IndivCallEx("bob", 0, nullptr, nullptr, true, callId), 0u);
    NotifyRecorder::Entry e;
    ASSERT_TRUE(alice.notices.WaitFor(CGTKClient::kNotifyCallResult, e, 3s));
    EXPECT_NE(e.xml.find("<result>0</result>"), std::string::npos) << e.xml;
    EXPECT_NE(server.WaitFor("forced", 1s), "");
}

TEST_F(TalkOps, InvitationsAskTheInviteeUnlessItIsThereAlready)
{
    Peer alice(server.Port(), "alice", "pw-a"), bob(server.Port(), "bob", "pw-b");
    ASSERT_EQ(alice.session.JoinGroup(5, nullptr, nullptr), 0u);
    // Through the server: bob accepts, then refuses.
    bob.decision = 0;
    EXPECT_EQ(alice.session.TalkInvite(5, "bob", Utf16ToAnsi(u"来")), 0u);
    NotifyRecorder::Entry e;
    ASSERT_TRUE(bob.notices.WaitFor(69, e, 3s));
    EXPECT_NE(e.xml.find("<userid>alice</userid>\r\n<channel>5</channel>\r\n<info>" + Utf16ToAnsi(u"来") + "</info>"),
              std::string::npos)
        << e.xml;
    bob.decision = 1;
    EXPECT_EQ(alice.session.TalkInvite(5, "bob", ""), GTK_ERR_SERVER_BASE + 413);
    bob.decision = 0;
    uint32_t callId = 0;
    size_t mark = alice.notices.Size();
    ASSERT_EQ(alice.session.TalkInviteEx(5, "bob", "", false, callId), 0u);
    ASSERT_TRUE(alice.notices.WaitFor(CGTKClient::kNotifyInviteResult, e, 3s, mark));
    EXPECT_EQ(e.xml, "<Notify><command>32837</command><PARAM><callid>" + std::to_string(callId) +
                         "</callid><result>0</result><userid>bob</userid></PARAM></Notify>");
    ASSERT_EQ(server.Command("status 69 425 1"), "ok");
    mark = alice.notices.Size();
    ASSERT_EQ(alice.session.TalkInviteEx(5, "bob", "", false, callId), 0u);
    ASSERT_TRUE(alice.notices.WaitFor(CGTKClient::kNotifyInviteResult, e, 3s, mark));
    EXPECT_NE(e.xml.find("<result>254</result>"), std::string::npos);

    // An invitation for the channel the session is in is accepted without
    // asking the host.
    size_t asked = alice.notices.Size();
    size_t from = server.Mark();
    std::string a = server.Command("send alice 69 0x0209=s:bob 0x020A=s:alice 0x0200=i2:5");
    EXPECT_NE(Reply(server, a, from).find("status=200"), std::string::npos);
    EXPECT_EQ(alice.notices.Size(), asked);
    // For another channel it asks; without an answer yet (decision 7) nothing is replied.
    alice.decision = 7;
    from = server.Mark();
    a = server.Command("send alice 69 0x0209=s:bob 0x020A=s:alice 0x0200=i2:6");
    ASSERT_TRUE(alice.notices.WaitFor(69, e, 3s));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(server.Count("seq=" + std::to_string(TalkServerProcess::SeqOf(a)) + " status=", from), 0u);
}

TEST_F(TalkOps, ServerRequestsAreCheckedBeforeTheHostHearsOfThem)
{
    Peer alice(server.Port(), "alice", "pw-a");
    alice.decision = 0;
    struct Case
    {
        const char* what;
        std::string command;
        const char* status;
        int notify; // expected notify id, or 0 for none
    } cases[] = {
        {"a call for another user", "send alice 49 0x0209=s:bob 0x020A=s:carol 0x0302=i4:5", "410", 0},
        {"a call without a session", "send alice 49 0x0209=s:bob 0x020A=s:alice", "410", 0},
        {"a message for another user", "send alice 65 0x0209=s:bob 0x020A=s:carol 0x020C=s:x 0x020D=i2:0", "410", 0},
        {"a file reference without brackets", "send alice 65 0x0209=s:bob 0x020A=s:alice 0x020C=s:/up/a.jpg 0x020D=i2:1",
         "410", 0},
        {"a file reference without a slash", "send alice 66 0x0103=s:bob 0x0200=i2:1 0x020C=s:a(b).jpg 0x020D=i2:1",
         "410", 0},
        {"pushed video for another user", "send alice 68 0x0209=s:bob 0x020A=s:carol 0x0306=s:u", "410", 0},
        {"a video switch for another call", "send alice 53 0x0103=s:alice 0x0209=s:bob 0x0302=i4:99 0x030A=i2:1",
         "410", 0},
        {"data for another user", "send alice 73 0x0209=s:bob 0x020A=s:carol 0x0404=b:00", "410", 0},
        {"a short GPS record", "send alice 67 0x0103=s:bob 0x0305=b:0001", "410", 0},
        {"a short alarm record", "send alice 71 0x0103=s:bob 0x0309=b:" + std::string(118, '0'), "410", 0},
        {"an undecodable item", "send alice 65 0x0209=i4:1", "410", 0},
        {"a group message", "send alice 66 0x0103=s:bob 0x0200=i2:1 0x020C=s:hi", "200", 66},
        {"a GPS report", "gps alice bob", "200", 0},
        {"an alarm report", "alarm alice bob", "200", 0},
        {"an accepted call", "send alice 49 0x0209=s:bob 0x020A=s:alice 0x0302=i4:77", "200", 49},
    };
    for (auto& c : cases) {
        size_t from = server.Mark(), notes = alice.notices.Size();
        std::string a = server.Command(c.command);
        ASSERT_EQ(a.rfind("ok seq=", 0), 0u) << c.what << ": " << a;
        EXPECT_NE(Reply(server, a, from).find(std::string("status=") + c.status), std::string::npos) << c.what;
        NotifyRecorder::Entry e;
        if (c.notify) {
            EXPECT_TRUE(alice.notices.WaitFor(c.notify, e, 1s, notes)) << c.what;
        } else {
            EXPECT_EQ(alice.notices.Size(), notes) << c.what;
        }
    }
    ASSERT_TRUE(alice.WaitUntil([&] { return alice.reports.size() == 2; }));
    EXPECT_EQ(alice.Reports()[0], "gps bob 0");
    EXPECT_EQ(alice.Reports()[1], "alarm bob 0 0");
    EXPECT_EQ(alice.session.CallSession(), 77u);
    EXPECT_EQ(alice.session.PeerUser(), "bob");
}

TEST_F(TalkOps, FileReferencesNameTheFileInTheLocalCodePage)
{
    Peer alice(server.Port(), "alice", "pw-a");
    size_t from = server.Mark();
    std::string a =
        server.Command("send alice 65 0x0209=s:bob 0x020A=s:alice 0x020C=s:/upload/a(%E4%BD%A0).jpg 0x020D=i2:1");
    NotifyRecorder::Entry e;
    ASSERT_TRUE(alice.notices.WaitFor(65, e, 3s));
    EXPECT_NE(Reply(server, a, from).find("status=200"), std::string::npos);
    EXPECT_EQ(e.xml, "<Notify>\r\n<command>65</command>\r\n<PARAM>\r\n<userfromid>bob</userfromid>\r\n<type>1</type>"
                     "\r\n<info>http://127.0.0.1:8500/upload/a(%E4%BD%A0).jpg</info>\r\n<filename>" +
                         Utf16ToAnsi(u"你") + ".jpg</filename>\r\n</PARAM>\r\n</Notify>");
}
