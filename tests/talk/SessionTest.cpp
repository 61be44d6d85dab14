// The talk session itself (no exported layer): what registration delivers,
// the heartbeat period, and the connect record's texts on the wire.

#include "TalkServerProcess.h"
#include "TalkTestSupport.h"

#include "platform/base/Strings.h"
#include "talk/CGTKClient.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vel;
using namespace vel::test;
using namespace std::chrono_literals;

namespace {

uint32_t Register(CGTKClient& s, const GTK_CONNECT_PARAM& p)
{
    uint32_t r = s.Start();
    return r ? r : s.Register(p);
}

} // namespace

TEST(TalkSession, RegistrationDeliversTheFileServiceAndThePeriod)
{
    struct Case
    {
        std::vector<std::string> args;
        std::string fileServer;
        uint16_t filePort;
        uint32_t period;
    } cases[] = {
        {{}, "127.0.0.1", 8500, 1},
        {{"--file-server", "10.20.30.40", "--file-port", "8600", "--heartbeat", "3"}, "10.20.30.40", 8600, 3},
        // A period of 0 cannot drive the timer: the session keeps its default.
        {{"--heartbeat", "0"}, "127.0.0.1", 8500, CGTKClient::kDefaultHeartbeatPeriod},
    };
    for (auto& c : cases) {
        TalkServerProcess::Options o;
        o.extraArgs = c.args;
        TalkServerProcess server(o);
        CGTKClient session;
        ASSERT_EQ(Register(session, ConnectParams(server.Port(), "alice", "pw-a")), 0u);
        EXPECT_TRUE(session.IsRegistered());
        EXPECT_EQ(session.FileServer(), c.fileServer);
        EXPECT_EQ(session.FilePort(), c.filePort);
        EXPECT_EQ(session.HeartbeatPeriod(), c.period);
        session.Stop();
        EXPECT_FALSE(session.IsRegistered());
        EXPECT_EQ(session.FileServer(), "") << "forgotten at stop";
        EXPECT_NE(server.WaitFor("event unregister user=alice", 2s), "");
    }
}

TEST(TalkSession, HeartbeatsFollowTheAnnouncedPeriod)
{
    TalkServerProcess::Options o;
    o.heartbeat = 2;
    TalkServerProcess server(o);
    CGTKClient session;
    ASSERT_EQ(Register(session, ConnectParams(server.Port(), "alice", "pw-a")), 0u);
    std::this_thread::sleep_for(5500ms); // ticks 0..4: heartbeats at ticks 0, 2, 4
    size_t beats = server.Count("event heartbeat user=alice status=200");
    EXPECT_GE(beats, 2u);
    EXPECT_LE(beats, 3u);
}

TEST(TalkSession, TheConnectRecordsTextsGoOutAsTheServerExpects)
{
    TalkServerProcess server;
    // A user id that fills its whole field without a terminator is sent as
    // exactly 128 characters, never with what follows the field.
    GTK_CONNECT_PARAM p = ConnectParams(server.Port(), "x", "pw");
    memset(p.szUserId, 'u', sizeof p.szUserId);
    {
        CGTKClient session;
        EXPECT_EQ(Register(session, p), GTK_ERR_SERVER_BASE + 406);
    }
    EXPECT_NE(server.WaitFor("event register user=" + std::string(128, 'u') + " from=", 2s), "");

    // The remark is ANSI text (GBK) and travels as UTF-8.
    p = ConnectParams(server.Port(), "alice", "pw-a");
    std::string gbk = Utf16ToAnsi(u"档案 remark");
    memcpy(p.szRemark, gbk.data(), gbk.size());
    CGTKClient session;
    ASSERT_EQ(Register(session, p), 0u);
    EXPECT_NE(server.WaitFor("status=200 remark=档案 remark", 2s), "") << server.Transcript();
}
