// The exported session functions against a real talk server on loopback:
// connect and disconnect, registration failures, heartbeats and loss of the
// server, server notices as XML, and the per-thread last error.

#include "TalkServerProcess.h"
#include "TalkTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vel::test;
using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

class TalkApi : public ::testing::Test
{
protected:
    void SetUp() override { GTK_CLIENT_Init(); }
    void TearDown() override { GTK_CLIENT_Release(); }

    void* Connect(const char* user = "alice", const char* password = "pw-a", const char* unit = "")
    {
        GTK_CONNECT_PARAM p = ConnectParams(server.Port(), user, password, unit);
        void* h = GTK_CLIENT_Connect(&p);
        if (h) {
            EXPECT_EQ(GTK_CLIENT_SetNotifyCallBack(h, &NotifyRecorder::Callback, &notices), 0);
        }
        return h;
    }

    TalkServerProcess server;
    NotifyRecorder notices;
};

} // namespace

TEST_F(TalkApi, ConnectRegistersAndDisconnectUnregisters)
{
    void* h = Connect();
    ASSERT_NE(h, nullptr) << std::hex << GTK_CLIENT_GetLastError() << "\n" << server.Transcript();
    EXPECT_NE(server.WaitFor("event register user=alice", 2s), "");
    EXPECT_NE(server.Command("clients").find("alice@127.0.0.1:"), std::string::npos);

    EXPECT_EQ(GTK_CLIENT_DisConnect(h), 0);
    std::string unreg = server.WaitFor("event unregister user=alice", 2s);
    EXPECT_NE(unreg, "");
    EXPECT_EQ(unreg.find("unknown"), std::string::npos) << "sent from the registered endpoint";
    EXPECT_EQ(server.Command("clients"), "ok");

    // The handle is gone.
    EXPECT_EQ(GTK_CLIENT_SetNotifyCallBack(h, &NotifyRecorder::Callback, &notices), -1);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_STATE);
    EXPECT_EQ(GTK_CLIENT_DisConnect(h), -1);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_STATE);
}

TEST_F(TalkApi, ConnectRefusesMissingParameters)
{
    EXPECT_EQ(GTK_CLIENT_Connect(nullptr), nullptr);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_ARG);
    int local = 0;
    EXPECT_EQ(GTK_CLIENT_DisConnect(&local), -1);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_STATE);
}

TEST_F(TalkApi, RegistrationRefusalsCarryTheServerStatus)
{
    struct Case
    {
        const char* what;
        const char* control; // before connecting, or null
        const char* user;
        const char* password;
        const char* unit;
        uint32_t error;
    } cases[] = {
        {"wrong password", nullptr, "alice", "nope", "", 0xE0000192},
        {"forced 402", "status register 402 1", "alice", "pw-a", "", 0xE0000192},
        {"unknown user", nullptr, "mallory", "x", "", GTK_ERR_SERVER_BASE + 406},
        {"wrong unit", nullptr, "bob", "pw-b", "unit-z", GTK_ERR_SERVER_BASE + 401},
        {"status outside the table", "status register 999 1", "alice", "pw-a", "", GTK_ERR_SERVER_BASE + 400},
        {"reply without the file port", "omit 0x0402 on", "alice", "pw-a", "", GTK_ERR_BAD_REPLY},
        {"reply without the heartbeat period", "omit 0x0102 on", "alice", "pw-a", "", GTK_ERR_BAD_REPLY},
    };
    for (auto& c : cases) {
        server.Command("clear");
        if (c.control) {
            ASSERT_EQ(server.Command(c.control), "ok") << c.what;
        }
        EXPECT_EQ(Connect(c.user, c.password, c.unit), nullptr) << c.what;
        EXPECT_EQ(GTK_CLIENT_GetLastError(), c.error)
            << c.what << ": " << std::hex << GTK_CLIENT_GetLastError();
    }
    // A refused session is gone for good: nothing is left registered and no
    // heartbeat follows.
    size_t mark = server.Mark();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(server.Count("event heartbeat", mark), 0u);
    server.Command("clear");
    void* h = Connect("bob", "pw-b", "unit-b");
    EXPECT_NE(h, nullptr) << "the right unit is accepted";
}

TEST_F(TalkApi, ASilentServerFailsTheConnectAfterFourSeconds)
{
    ASSERT_EQ(server.Command("silent on"), "ok");
    auto start = steady_clock::now();
    EXPECT_EQ(Connect(), nullptr);
    auto took = steady_clock::now() - start;
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_NO_REPLY);
    EXPECT_GE(took, 3900ms);
    EXPECT_LT(took, 6s);
}

TEST_F(TalkApi, HeartbeatsGoOutEveryPeriod)
{
    size_t mark = server.Mark();
    ASSERT_NE(Connect(), nullptr);
    auto start = steady_clock::now();
    ASSERT_NE(server.WaitFor("event heartbeat user=alice status=200", 3s, mark), "");
    EXPECT_LT(steady_clock::now() - start, 2s)
        << "the first heartbeat goes out one second after registration";
    std::this_thread::sleep_for(3200ms);
    size_t beats = server.Count("event heartbeat user=alice status=200", mark);
    EXPECT_GE(beats, 3u);
    EXPECT_LE(beats, 6u);
    EXPECT_EQ(notices.Size(), 0u) << "good heartbeats are not reported";
}

TEST_F(TalkApi, AHeartbeatAnsweredWithAnErrorUnregistersAtOnce)
{
    ASSERT_NE(Connect(), nullptr);
    ASSERT_NE(server.WaitFor("status=200", 3s, server.Mark()), "");
    ASSERT_EQ(server.Command("status heartbeat 403 1"), "ok");
    NotifyRecorder::Entry e;
    ASSERT_TRUE(notices.WaitFor(0, e, 4s));
    EXPECT_EQ(e.xml, "<Notify><command>0</command><PARAM><retcode>403</retcode></PARAM></Notify>");
    // Unregistered: no more heartbeats, even though the server would now
    // accept them. (The server's line for the 403 may trail the callback.)
    ASSERT_NE(server.WaitFor("event heartbeat user=alice status=403", 2s), "");
    size_t mark = server.Mark();
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(server.Count("event heartbeat", mark), 0u) << server.Transcript();
    EXPECT_EQ(notices.Size(), 1u);
}

TEST_F(TalkApi, ASilentServerIsDeclaredLostAfterSixPeriods)
{
    ASSERT_NE(Connect(), nullptr);
    ASSERT_NE(server.WaitFor("event heartbeat user=alice status=200", 3s), "");
    ASSERT_EQ(server.Command("silent on"), "ok");
    auto silentFrom = steady_clock::now();
    NotifyRecorder::Entry e;
    ASSERT_TRUE(notices.WaitFor(0, e, 25s));
    auto after = steady_clock::now() - silentFrom;
    EXPECT_EQ(e.xml, "<Notify><command>0</command></Notify>");
    // Heartbeat period 1 s: lost once more than 6 s passed without a good
    // heartbeat, at the next even tick (heartbeats wait 4 s for their reply).
    EXPECT_GE(after, 5s);
    EXPECT_LT(after, 20s);
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(notices.Size(), 1u) << "reported once";
}

TEST_F(TalkApi, EachNoticeTypeReachesTheHostAsXml)
{
    void* h = Connect();
    ASSERT_NE(h, nullptr);
    struct Case
    {
        const char* command;
        const char* xml;
    } cases[] = {
        {"notice alice 0x0206", "<type>518</type><userid>alice</userid><para>0</para>"},
        {"notice alice 0x0207 5 subject=dave", "<type>519</type><userid>dave</userid><para>0</para>"},
        {"notice alice 0x020B 0 reason=2 subject=bob",
         "<type>523</type><userid>bob</userid><para>0</para><reason>2</reason>"},
        {"notice alice 0x0308 42", "<type>776</type><userid>alice</userid><para>42</para>"},
        {"notice alice 0x0208 0x00030009", "<type>520</type><channelno>9</channelno><para>3</para>"},
        {"notice alice 0x0405 0x00040002",
         "<type>1029</type><userid>alice</userid><para>4</para><channelno>2</channelno>"},
        {"notice alice 0x0406 0x00010007",
         "<type>1030</type><userid>alice</userid><para>1</para><channelno>7</channelno>"},
        {"notice alice 0x0408 -3", "<type>1032</type><userid>alice</userid><para>-3</para>"},
        {"notice alice 0x0208 1 0x0206=i1:1", "<type>518</type><userid>alice</userid><para>0</para>"},
    };
    for (auto& c : cases) {
        size_t from = notices.Size();
        size_t mark = server.Mark();
        std::string answer = server.Command(c.command);
        uint32_t seq = TalkServerProcess::SeqOf(answer);
        ASSERT_NE(seq, 0u) << answer;
        NotifyRecorder::Entry e;
        ASSERT_TRUE(notices.WaitFor(33, e, 3s, from)) << c.command;
        EXPECT_EQ(e.xml, std::string("<Notify><command>33</command><PARAM>") + c.xml + "</PARAM></Notify>")
            << c.command;
        EXPECT_EQ(e.session, h);
        EXPECT_NE(server.WaitFor("seq=" + std::to_string(seq) + " status=200", 2s, mark), "") << c.command;
    }
}

TEST_F(TalkApi, NoticesWithoutATypeOrWithBadItemsAreAnswered410AndNotReported)
{
    ASSERT_NE(Connect(), nullptr);
    const char* commands[] = {
        "send alice 33 0x0103=s:alice",                 // no type tag
        "send alice 33",                                // no items at all
        "send alice 33 0x0103=s:alice 0x0206=b:010203", // integer item three bytes wide
        "send alice 33 0x0206=b:0102030405",            // five bytes wide
    };
    for (const char* c : commands) {
        size_t mark = server.Mark();
        uint32_t seq = TalkServerProcess::SeqOf(server.Command(c));
        ASSERT_NE(seq, 0u) << c;
        EXPECT_NE(server.WaitFor("cmd=0x8021 seq=" + std::to_string(seq) + " status=410", 2s, mark), "") << c;
    }
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(notices.Size(), 0u);
}

TEST_F(TalkApi, UnknownTagsInANoticeAreSkipped)
{
    ASSERT_NE(Connect(), nullptr);
    size_t mark = server.Mark();
    uint32_t seq = TalkServerProcess::SeqOf(
        server.Command("notice alice 0x0308 7 0x0201=s:junk 0x7777=b:00ff00ff 0xFFFF=e:0 0x0999=i4:5"));
    ASSERT_NE(seq, 0u);
    NotifyRecorder::Entry e;
    ASSERT_TRUE(notices.WaitFor(33, e, 3s));
    EXPECT_EQ(e.xml,
              "<Notify><command>33</command><PARAM><type>776</type><userid>alice</userid><para>7</para>"
              "</PARAM></Notify>");
    EXPECT_NE(server.WaitFor("seq=" + std::to_string(seq) + " status=200", 2s, mark), "");
}

TEST_F(TalkApi, SessionsAreIndependent)
{
    void* a = Connect("alice", "pw-a");
    NotifyRecorder bobNotices;
    GTK_CONNECT_PARAM p = ConnectParams(server.Port(), "bob", "pw-b", "unit-b");
    void* b = GTK_CLIENT_Connect(&p);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(a, b);
    GTK_CLIENT_SetNotifyCallBack(b, &NotifyRecorder::Callback, &bobNotices);
    server.Command("notice bob 0x0207");
    NotifyRecorder::Entry e;
    ASSERT_TRUE(bobNotices.WaitFor(33, e, 3s));
    EXPECT_EQ(e.session, b);
    EXPECT_EQ(notices.Size(), 0u);
    EXPECT_EQ(GTK_CLIENT_DisConnect(a), 0);
    server.Command("notice bob 0x0206");
    ASSERT_TRUE(bobNotices.WaitFor(33, e, 3s, 1)) << "the other session keeps working";
    EXPECT_EQ(GTK_CLIENT_DisConnect(b), 0);
}

TEST_F(TalkApi, TheLastErrorBelongsToTheThreadThatFailed)
{
    EXPECT_EQ(GTK_CLIENT_Connect(nullptr), nullptr);
    uint32_t other = 1;
    std::thread([&] { other = GTK_CLIENT_GetLastError(); }).join();
    EXPECT_EQ(other, 0u);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_ARG);
    // Success leaves it alone.
    void* h = Connect();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_ARG);
}

namespace {

struct SelfDisconnect
{
    std::atomic<int> result{0};
    std::atomic<uint32_t> error{0};
    std::atomic<bool> done{false};
    static uint16_t GTK_CALL Callback(void* session, int32_t, const char*, int32_t, void* user)
    {
        auto* self = static_cast<SelfDisconnect*>(user);
        self->result = GTK_CLIENT_DisConnect(session);
        self->error = GTK_CLIENT_GetLastError();
        GTK_CLIENT_Release(); // leaves the calling session open
        self->done = true;
        return 0;
    }
};

} // namespace

TEST_F(TalkApi, ClosingFromTheSessionsOwnCallbackIsRefusedNotDeadlocked)
{
    void* h = Connect();
    ASSERT_NE(h, nullptr);
    SelfDisconnect self;
    GTK_CLIENT_SetNotifyCallBack(h, &SelfDisconnect::Callback, &self);
    server.Command("notice alice 0x0206");
    for (int i = 0; i < 300 && !self.done; ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(self.done);
    EXPECT_EQ(self.result.load(), -1);
    EXPECT_EQ(self.error.load(), GTK_ERR_INVALID_STATE);
    EXPECT_EQ(GTK_CLIENT_DisConnect(h), 0);
}

TEST_F(TalkApi, ReleaseClosesEverySession)
{
    ASSERT_NE(Connect("alice", "pw-a"), nullptr);
    ASSERT_NE(Connect("carol", "pw-c"), nullptr);
    GTK_CLIENT_Release();
    EXPECT_NE(server.WaitFor("event unregister user=alice", 2s), "");
    EXPECT_NE(server.WaitFor("event unregister user=carol", 2s), "");
}
