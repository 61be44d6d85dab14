// File transfer through the exports against the talk server's file service:
// uploads checked by the server's multipart parser, file messages to the
// receivers, downloads with progress, voice from a position; the upload
// against hostile peers; and every export's handle and argument checks.

#include "RawTcpPeer.h"
#include "TalkServerProcess.h"
#include "TalkTestSupport.h"

#include "platform/base/Strings.h"
#include "talk/CPictureSender.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

using namespace vel;
using namespace vel::test;
using namespace std::chrono_literals;

namespace {

struct Sink
{
    static void GTK_CALL OnData(int32_t id, const uint8_t* d, int32_t n, void* user)
    {
        auto* self = static_cast<Sink*>(user);
        std::lock_guard l(self->lock);
        self->bytes.append(reinterpret_cast<const char*>(d), size_t(n));
        self->id = id;
    }
    std::string Bytes()
    {
        std::lock_guard l(lock);
        return bytes;
    }
    std::mutex lock;
    std::string bytes;
    int32_t id = -1;
};

template <class F> int32_t WaitProgress(F progress, std::chrono::milliseconds timeout = 15s)
{
    auto end = std::chrono::steady_clock::now() + timeout;
    int32_t p = progress();
    while (p != 100 && p != -1 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(10ms);
        p = progress();
    }
    return p;
}

std::string Pattern(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = char((i * 131 + i / 7) & 0xFF);
    return s;
}

class TalkTransfer : public ::testing::Test
{
protected:
    static TalkServerProcess::Options WithFiles()
    {
        TalkServerProcess::Options o;
        o.fileService = true;
        return o;
    }
    void SetUp() override
    {
        GTK_CLIENT_Init();
        dir = server.DataDir() + "/../client";
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { GTK_CLIENT_Release(); }
    void* Connect(const char* user, const char* password, NotifyRecorder& rec)
    {
        GTK_CONNECT_PARAM p = ConnectParams(server.Port(), user, password);
        void* h = GTK_CLIENT_Connect(&p);
        EXPECT_NE(h, nullptr);
        if (h)
            GTK_CLIENT_SetNotifyCallBack(h, &NotifyRecorder::Callback, &rec);
        return h;
    }
    std::string Write(const std::string& name, const std::string& bytes)
    {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    TalkServerProcess server{WithFiles()};
    std::string dir;
};

std::string Between(const std::string& s, const std::string& open, const std::string& close)
{
    size_t a = s.find(open);
    if (a == std::string::npos)
        return "";
    a += open.size();
    return s.substr(a, s.find(close, a) - a);
}

} // namespace

TEST_F(TalkTransfer, AFileTravelsUpToTheServerAndDownToItsReceiver)
{
    NotifyRecorder aliceNotes, bobNotes;
    void* alice = Connect("alice", "pw-a", aliceNotes);
    void* bob = Connect("bob", "pw-b", bobNotes);
    ASSERT_TRUE(alice && bob);

    struct Case
    {
        std::u16string name;
        size_t size;
        const char* mime;
    } cases[] = {
        {u"a b你.JPG", 70000, "image/jpeg"},
        {u"empty.txt", 0, "text/plain"},
        {u"data.unknownext", 513, "application/octet-stream"},
    };
    for (auto& c : cases) {
        std::string utf8 = Utf16ToUtf8(c.name), ansi = Utf16ToAnsi(c.name), bytes = Pattern(c.size);
        // The host hands over an ANSI path; the file on disk has the UTF-8 name.
        std::string path = Write(utf8, bytes);
        std::string ansiPath = Utf16ToAnsi(Utf8ToUtf16(dir)) + "/" + ansi;
        size_t from = server.Mark(), notes = bobNotes.Size();
        int32_t id = GTK_CLIENT_SendFile(alice, "bob", ansiPath.c_str());
        ASSERT_GE(id, 0) << std::hex << GTK_CLIENT_GetLastError();
        EXPECT_EQ(WaitProgress([&] { return GTK_CLIENT_GetSendFilePos(id); }), 100) << utf8;
        std::string ev = server.WaitFor("event upload user=alice", 5s, from);
        EXPECT_NE(ev.find("type=2 to=bob name=" + utf8 + " mime=" + c.mime + " bytes=" + std::to_string(c.size)),
                  std::string::npos)
            << ev;
        std::string stored = Between(ev, "stored=", " ");
        std::ifstream in(server.DataDir() + "/upload/" + stored, std::ios::binary);
        std::string onServer((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(onServer, bytes) << "the bytes the server's parser took out of the form";
        EXPECT_EQ(GTK_CLIENT_StopSendFile(id), 0);
        EXPECT_EQ(GTK_CLIENT_GetSendFilePos(id), -1);
        EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_UNKNOWN_TRANSFER);

        // Bob is told with a file message naming the file in his code page.
        NotifyRecorder::Entry e;
        ASSERT_TRUE(bobNotes.WaitFor(65, e, 3s, notes));
        EXPECT_EQ(Between(e.xml, "<filename>", "</filename>"), ansi);
        std::string info = Between(e.xml, "<info>", "</info>");
        std::string prefix = "http://127.0.0.1:" + std::to_string(server.HttpPort());
        ASSERT_EQ(info.rfind(prefix, 0), 0u) << info;
        std::string serverPath = info.substr(prefix.size());

        // And fetches it back, with progress to 100.
        Sink sink;
        int32_t d = GTK_CLIENT_StartDownloadFile(bob, 1, serverPath.c_str(), &Sink::OnData, &sink);
        ASSERT_GE(d, 0);
        EXPECT_EQ(WaitProgress([&] { return GTK_CLIENT_GetDownloadPos(d); }), 100);
        EXPECT_EQ(sink.Bytes(), bytes);
        EXPECT_EQ(GTK_CLIENT_StopDownload(d), 0);
        EXPECT_EQ(GTK_CLIENT_GetDownloadPos(d), -1);
    }

    // A file that is not on the server: the download fails, no data.
    Sink none;
    int32_t d = GTK_CLIENT_StartDownloadFile(bob, 1, "/upload/../../users.txt", &Sink::OnData, &none);
    ASSERT_GE(d, 0);
    EXPECT_EQ(WaitProgress([&] { return GTK_CLIENT_GetDownloadPos(d); }), -1);
    EXPECT_EQ(none.Bytes(), "");
    GTK_CLIENT_StopDownload(d);
}

TEST_F(TalkTransfer, GroupFilesReachTheOtherMembersAndVoiceStartsAtItsPosition)
{
    NotifyRecorder aliceNotes, bobNotes;
    void* alice = Connect("alice", "pw-a", aliceNotes);
    void* bob = Connect("bob", "pw-b", bobNotes);
    ASSERT_EQ(GTK_CLIENT_JoinGroup(alice, 3, nullptr, nullptr), 0);
    ASSERT_EQ(GTK_CLIENT_JoinGroup(bob, 3, nullptr, nullptr), 0);
    int32_t id = GTK_CLIENT_SendGroupFile(alice, 3, Write("pic.png", "PNG").c_str());
    ASSERT_GE(id, 0);
    EXPECT_EQ(WaitProgress([&] { return GTK_CLIENT_GetSendFilePos(id); }), 100);
    NotifyRecorder::Entry e;
    ASSERT_TRUE(bobNotes.WaitFor(66, e, 3s));
    EXPECT_NE(e.xml.find("<channel>3</channel>\r\n<type>1</type>"), std::string::npos) << e.xml;
    EXPECT_EQ(Between(e.xml, "<filename>", "</filename>"), "pic.png");
    EXPECT_FALSE(aliceNotes.WaitFor(66, e, 100ms)) << "not back to the sender";

    std::string voice = Pattern(1000);
    std::ofstream(server.DataDir() + "/voice/rec 1.wav", std::ios::binary) << voice;
    for (int pos : {0, 50, 100}) {
        Sink sink;
        int32_t d = GTK_CLIENT_StartDownloadVoice(bob, 1, "rec%201.wav", pos, &Sink::OnData, &sink);
        ASSERT_GE(d, 0);
        EXPECT_EQ(WaitProgress([&] { return GTK_CLIENT_GetDownloadPos(d); }), 100);
        EXPECT_EQ(sink.Bytes(), voice.substr(size_t(pos) * 10)) << pos;
        EXPECT_EQ(sink.id, pos == 100 ? -1 : d);
        GTK_CLIENT_StopDownload(d);
    }
}

TEST(PictureSender, WritesTheRequestByteForByte)
{
    EXPECT_STREQ(CPictureSender::MimeType("photo.JPG"), "image/jpeg");
    EXPECT_STREQ(CPictureSender::MimeType(".jpg"), "application/octet-stream") << "extension must be shorter";
    EXPECT_STREQ(CPictureSender::MimeType("a.tar.gz"), "application/x-gunzip");
    EXPECT_STREQ(CPictureSender::MimeType("x.xslt"), "application/xml");
    std::string head = CPictureSender::BodyHead("n.jpg", "image/jpeg");
    EXPECT_EQ(head, "-----------------------------7daf10c20d06\r\nContent-Disposition: form-data; name=\"userfile\"; "
                    "filename=\"n.jpg\"\r\nContent-Type: image/jpeg\r\n\r\n");
    EXPECT_EQ(CPictureSender::BodyTail(), "\r\n-----------------------------7daf10c20d06--\r\n");
    std::string req = CPictureSender::RequestHead("10.0.0.1", "u", 2, "v", "2024-01-02%2003:04:05", 123);
    EXPECT_EQ(req.substr(0, req.find("\r\n")),
              "POST /service/upload_file.php?userid=u&type=2&to=v&sendtime=2024-01-02%2003:04:05 HTTP/1.1");
    EXPECT_NE(req.find("\r\nHost: 10.0.0.1\r\nContent-Length: 123\r\nConnection: Keep-Alive\r\n"), std::string::npos);
    EXPECT_EQ(req.substr(req.size() - 4), "\r\n\r\n");
    std::string t = CPictureSender::SendTime();
    EXPECT_EQ(t.size(), 21u);
    EXPECT_EQ(t.substr(10, 3), "%20");
}

TEST(PictureSender, HostilePeersEndInFailureWithinTheStatedWait)
{
    std::string dir = std::filesystem::temp_directory_path().string() + "/vel-upload-" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::string file = dir + "/f.bin";
    std::ofstream(file, std::ios::binary) << Pattern(4096);
    struct Case
    {
        const char* what;
        std::string answer;
        int32_t progress;
    } cases[] = {
        {"a plain answer", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 100},
        {"garbage without a head end", "\x01\x02garbage", -1},
        {"closed without an answer", "", -1},
        {"an oversized answer", "HTTP/1.1 200 OK\r\n" + std::string(50000, 'x'), -1},
    };
    for (auto& c : cases) {
        RawTcpPeer peer(c.answer, RawTcpPeer::Read::All);
        CPictureSender s;
        ASSERT_EQ(s.Start("127.0.0.1", peer.Port(), "u", 2, "v", file), 0);
        auto t0 = std::chrono::steady_clock::now();
        while (!s.Finished() && std::chrono::steady_clock::now() - t0 < 12s)
            std::this_thread::sleep_for(10ms);
        EXPECT_TRUE(s.Finished()) << c.what;
        EXPECT_EQ(s.Progress(), c.progress) << c.what;
        s.Stop();
    }
    // Nobody listening: refused at once with the system's error.
    CPictureSender refused;
    RawTcpPeer* gone = new RawTcpPeer("", RawTcpPeer::Read::All);
    uint16_t port = gone->Port();
    delete gone;
    EXPECT_EQ(refused.Start("127.0.0.1", port, "u", 2, "v", file), ECONNREFUSED);

    // A peer that stops reading: stopping half-way keeps the last
    // percentage, skips the response wait and returns at once.
    std::ofstream(file, std::ios::binary) << Pattern(64 << 20);
    RawTcpPeer stuck("", RawTcpPeer::Read::Nothing, 20000);
    CPictureSender s;
    ASSERT_EQ(s.Start("127.0.0.1", stuck.Port(), "u", 2, "v", file), 0);
    int32_t last = -2;
    for (int i = 0; i < 100; ++i) { // until it stalls
        std::this_thread::sleep_for(30ms);
        if (s.Progress() == last && last > 0)
            break;
        last = s.Progress();
    }
    ASSERT_GT(last, 0);
    ASSERT_LT(last, 100);
    auto t0 = std::chrono::steady_clock::now();
    s.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s);
    EXPECT_EQ(s.Progress(), last);
    std::filesystem::remove_all(dir);
}

TEST_F(TalkTransfer, EveryExportRefusesAStaleHandleAndMissingArguments)
{
    NotifyRecorder notes;
    void* h = Connect("alice", "pw-a", notes);
    ASSERT_NE(h, nullptr);
    // Arguments checked while the handle is live.
    EXPECT_EQ(GTK_CLIENT_IndivCall(h, "", 0, nullptr, nullptr), -1);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_ARG);
    EXPECT_EQ(GTK_CLIENT_StartDownloadVoice(h, 1, "v", 101, &Sink::OnData, nullptr), -1);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_ARG);
    EXPECT_EQ(GTK_CLIENT_StartDownloadVoice(h, 1, "v", 5, nullptr, nullptr), -1);
    EXPECT_EQ(GTK_CLIENT_SendMsg(h, "bob", "text", 0), -1);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_ARG);
    EXPECT_EQ(GTK_CLIENT_TalkInviteEx(h, 1, "", "", 0), -1);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_ARG);
    EXPECT_EQ(GTK_CLIENT_PushVideo(h, "bob", "", ""), -1);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_ARG);
    EXPECT_EQ(GTK_CLIENT_SendFile(h, "bob", (dir + "/missing.jpg").c_str()) >= 0, true) << "fails on its thread";
    EXPECT_EQ(GTK_CLIENT_IndivCall(h, "nobody", 0, nullptr, nullptr), -1);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_SERVER_BASE + 414);
    // Synchronous result conventions.
    server.Command("status 49 413 1");
    EXPECT_EQ(GTK_CLIENT_IndivCall(h, "bob", 0, nullptr, nullptr), -3);
    server.Command("status 49 416 1");
    EXPECT_EQ(GTK_CLIENT_IndivCall(h, "bob", 0, nullptr, nullptr), -2);
    server.Command("status 49 417 1");
    EXPECT_EQ(GTK_CLIENT_IndivCall(h, "bob", 0, nullptr, nullptr), -4);
    server.Command("status 69 425 1");
    EXPECT_EQ(GTK_CLIENT_TalkInvite(h, 1, "bob", ""), -2);
    // Per-thread: another thread's failure does not show here.
    std::thread([] { GTK_CLIENT_Connect(nullptr); }).join();
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_SERVER_BASE + 425);

    ASSERT_EQ(GTK_CLIENT_DisConnect(h), 0);
    const uint8_t b[] = {1};
    struct Call
    {
        const char* name;
        std::function<int32_t()> call;
    } calls[] = {
        {"JoinGroup", [&] { return GTK_CLIENT_JoinGroup(h, 1, nullptr, nullptr); }},
        {"QuitGroup", [&] { return GTK_CLIENT_QuitGroup(h); }},
        {"BreakSpeak", [&] { return GTK_CLIENT_BreakSpeak(h, 1, "bob"); }},
        {"TalkInvite", [&] { return GTK_CLIENT_TalkInvite(h, 1, "bob", ""); }},
        {"TalkInviteEx", [&] { return GTK_CLIENT_TalkInviteEx(h, 1, "bob", "", 0); }},
        {"IndivCall", [&] { return GTK_CLIENT_IndivCall(h, "bob", 0, nullptr, nullptr); }},
        {"IndivCallEx", [&] { return GTK_CLIENT_IndivCallEx(h, "bob", 0, nullptr, nullptr, 0); }},
        {"SetIndivCallCallBack", [&] { return GTK_CLIENT_SetIndivCallCallBack(h, nullptr, nullptr); }},
        {"HangUp", [&] { return GTK_CLIENT_HangUp(h); }},
        {"BreakUpIndivCall", [&] { return GTK_CLIENT_BreakUpIndivCall(h, 1); }},
        {"PushVideo", [&] { return GTK_CLIENT_PushVideo(h, "bob", "u", ""); }},
        {"SendMsg", [&] { return GTK_CLIENT_SendMsg(h, "bob", "x", 1); }},
        {"BroadCastMsg", [&] { return GTK_CLIENT_BroadCastMsg(h, 1, "x", 1); }},
        {"TransData", [&] { return GTK_CLIENT_TransData(h, "bob", b, 1); }},
        {"TransGroupData", [&] { return GTK_CLIENT_TransGroupData(h, 1, b, 1); }},
        {"SetTransDataCallBack", [&] { return GTK_CLIENT_SetTransDataCallBack(h, nullptr, nullptr); }},
        {"SetGPSNotify", [&] { return GTK_CLIENT_SetGPSNotify(h, nullptr, nullptr); }},
        {"SetAlarmNotify", [&] { return GTK_CLIENT_SetAlarmNotify(h, nullptr, nullptr); }},
        {"SendFile", [&] { return GTK_CLIENT_SendFile(h, "bob", "x"); }},
        {"SendGroupFile", [&] { return GTK_CLIENT_SendGroupFile(h, 1, "x"); }},
        {"StartDownloadVoice", [&] { return GTK_CLIENT_StartDownloadVoice(h, 1, "v", 0, &Sink::OnData, nullptr); }},
        {"StartDownloadFile", [&] { return GTK_CLIENT_StartDownloadFile(h, 1, "v", &Sink::OnData, nullptr); }},
        {"SetNotifyCallBack", [&] { return GTK_CLIENT_SetNotifyCallBack(h, nullptr, nullptr); }},
        {"DisConnect", [&] { return GTK_CLIENT_DisConnect(h); }},
    };
    for (auto& c : calls) {
        vel::test::NotifyRecorder unused;
        GTK_CLIENT_Connect(nullptr); // some other error first
        EXPECT_EQ(c.call(), -1) << c.name;
        EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_INVALID_STATE) << c.name;
    }
    // The two that set no last error still refuse.
    EXPECT_EQ(GTK_CLIENT_SendGroupVoiceData(h, 1, b, 1), -1);
    EXPECT_EQ(GTK_CLIENT_SendIndivVoiceData(h, "bob", b, 1), -1);
    for (auto f : {&GTK_CLIENT_GetSendFilePos, &GTK_CLIENT_StopSendFile, &GTK_CLIENT_StopDownload,
                   &GTK_CLIENT_GetDownloadPos}) {
        EXPECT_EQ(f(987654), -1);
        EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_UNKNOWN_TRANSFER);
    }
}
