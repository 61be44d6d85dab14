// Downloads against hostile HTTP peers: CDownLoadFile's progress stays in
// -1..100 and only climbs, a failure ends at -1 (never at 100), a failed
// status hands the callback nothing, a silent server is given up after the
// library's 10 s, and Stop ends a transfer at once, keeping the last
// percentage. The same peers are reached through the exports too, with the
// talk server announcing the peer as its file service.

#include "TalkServerProcess.h"
#include "TalkTestSupport.h"

#include "talk/CDownLoadFile.h"
#include "tests/platform/http/HttpPeer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

using namespace vel;
using namespace vel::test;
using namespace std::chrono_literals;
using Conn = HttpPeer::Conn;

namespace {

std::string Pattern(size_t n)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = char((i * 97 + i / 5) & 0xFF);
    return s;
}

struct Sink
{
    static void GTK_CALL OnData(int32_t id, const uint8_t* d, int32_t n, void* user)
    {
        auto* self = static_cast<Sink*>(user);
        std::lock_guard l(self->lock);
        self->bytes.append(reinterpret_cast<const char*>(d), size_t(n));
        self->ids.push_back(id);
        if (n <= 0)
            self->badLength = true;
    }
    std::string Bytes()
    {
        std::lock_guard l(lock);
        return bytes;
    }
    std::mutex lock;
    std::string bytes;
    std::vector<int32_t> ids;
    bool badLength = false;
};

// Samples progress every millisecond until the task finishes or the wait
// runs out; keeps what a host polling it would have seen.
struct Watch
{
    std::vector<int32_t> seen;
    bool finished = false;
    std::chrono::milliseconds took{0};
};

Watch Follow(CDownLoadFile& d, std::chrono::milliseconds wait)
{
    Watch w;
    auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < wait) {
        int32_t p = d.Progress();
        if (w.seen.empty() || w.seen.back() != p)
            w.seen.push_back(p);
        if (d.Finished()) {
            w.finished = true;
            break;
        }
        std::this_thread::sleep_for(1ms);
    }
    int32_t p = d.Progress();
    if (w.seen.back() != p)
        w.seen.push_back(p);
    w.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return w;
}

void ExpectSaneProgress(const Watch& w)
{
    for (size_t i = 0; i < w.seen.size(); ++i) {
        EXPECT_GE(w.seen[i], -1);
        EXPECT_LE(w.seen[i], 100);
        if (i > 0 && w.seen[i] != -1) {
            EXPECT_GE(w.seen[i], w.seen[i - 1]) << "progress went backwards";
        }
        if (w.seen[i] == -1) {
            EXPECT_EQ(i + 1, w.seen.size()) << "progress moved on after a failure";
        }
    }
}

const std::string kBody = Pattern(600000);

struct Case
{
    const char* name;
    HttpPeer::Reply reply;
    int32_t progress; // at the end
    bool delivers;    // whether the callback may see bytes
    std::string body; // exact bytes when progress is 100
    std::chrono::milliseconds within;
};

std::vector<Case> HostileCases()
{
    const std::string len = "Content-Length: " + std::to_string(kBody.size()) + "\r\n";
    return {
        {"200 with a length, sent in pieces",
         [len](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", len, ""));
             for (size_t off = 0; off < kBody.size(); off += 100000) {
                 c.Send(kBody.substr(off, 100000));
                 c.Hold(30);
             }
         },
         100, true, kBody, 5s},
        {"chunked",
         [](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", "Transfer-Encoding: chunked\r\n",
                                       "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n"));
         },
         100, true, "hello world", 5s},
        {"close-delimited",
         [](Conn& c, const std::string&) { c.Send(HttpPeer::Response("200 OK", "", kBody)); }, 100, true, kBody, 5s},
        {"404", [](Conn& c, const std::string&) { c.Send(HttpPeer::Response("404 Not Found", "Content-Length: 3\r\n", "no!")); },
         -1, false, "", 5s},
        {"500",
         [](Conn& c, const std::string&) { c.Send(HttpPeer::Response("500 Oops", "Content-Length: 3\r\n", "no!")); },
         -1, false, "", 5s},
        {"redirect without a location",
         [](Conn& c, const std::string&) { c.Send(HttpPeer::Response("302 Found", "Content-Length: 4\r\n", "here")); },
         -1, false, "", 5s},
        {"redirect to the file",
         [len](Conn& c, const std::string& r) {
             if (r.find("moved") == std::string::npos)
                 c.Send(HttpPeer::Response("301 Moved", "Location: /moved\r\nContent-Length: 0\r\n", ""));
             else
                 c.Send(HttpPeer::Response("200 OK", len, kBody));
         },
         100, true, kBody, 5s},
        {"truncated body",
         [len](Conn& c, const std::string&) { c.Send(HttpPeer::Response("200 OK", len, kBody.substr(0, 250000))); },
         -1, true, "", 5s},
        {"garbage", [](Conn& c, const std::string&) { c.Send("SSH-2.0-hello\r\n\r\n\x00\x01\x02"); }, -1, false, "",
         5s},
        {"1 MiB of headers",
         [](Conn& c, const std::string&) {
             std::string head = "HTTP/1.1 200 OK\r\n";
             while (head.size() < (1 << 20))
                 head += "Set-Cookie: a=" + std::string(200, 'a') + "\r\n";
             c.Send(head + "Content-Length: 2\r\n\r\nhi");
         },
         -1, false, "", 5s},
        {"a body far larger than announced",
         [](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", "Content-Length: 1000\r\n", kBody));
         },
         100, true, kBody.substr(0, 1000), 5s},
        {"a length far larger than the body",
         [](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", "Content-Length: 9000000000000000000\r\n", kBody));
         },
         -1, true, "", 5s},
        {"closes at once", [](Conn&, const std::string&) {}, -1, false, "", 5s},
        // The library's own stall limit, 10 s: given up after it, not before
        // and not much later.
        {"accepts and never answers", [](Conn& c, const std::string&) { c.Hold(); }, -1, false, "", 13s},
        {"falls silent half-way",
         [len](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", len, kBody.substr(0, 300000)));
             c.Hold();
         },
         -1, true, "", 13s},
    };
}

} // namespace

TEST(DownloadHostile, ProgressStaysInRangeAndFailuresEndAtMinusOne)
{
    for (const Case& c : HostileCases()) {
        SCOPED_TRACE(c.name);
        HttpPeer peer(c.reply);
        Sink sink;
        CDownLoadFile d;
        ASSERT_EQ(d.Start(7, peer.Url("/service/download_file.php?type=1&filename=x"), &Sink::OnData, &sink), 0);
        Watch w = Follow(d, c.within);
        EXPECT_TRUE(w.finished) << "still running after " << c.within.count() << " ms";
        ExpectSaneProgress(w);
        EXPECT_EQ(d.Progress(), c.progress);
        std::string got = sink.Bytes();
        if (c.progress == 100) {
            EXPECT_EQ(got, c.body);
        }
        if (!c.delivers) {
            EXPECT_TRUE(got.empty()) << got.size() << " bytes of a failed response reached the callback";
        } else if (c.progress == -1) {
            EXPECT_EQ(got, kBody.substr(0, got.size()));
        }
        EXPECT_FALSE(sink.badLength);
        for (int32_t id : sink.ids)
            EXPECT_EQ(id, 7);
        if (c.within > 10s) {
            EXPECT_GE(w.took, 9500ms) << "gave up before the 10 s stall limit";
        }
        d.Stop();
    }
}

TEST(DownloadHostile, StopEndsAStuckTransferAtOnceAndKeepsTheLastPercentage)
{
    // 10 MB announced, 3 MB sent, then nothing: progress reaches 30 and
    // would stay there until the stall limit.
    HttpPeer peer([](Conn& c, const std::string&) {
        c.Send(HttpPeer::Response("200 OK", "Content-Length: 10000000\r\n", Pattern(3000000)));
        c.Hold();
    });
    Sink sink;
    CDownLoadFile d;
    ASSERT_EQ(d.Start(1, peer.Url(), &Sink::OnData, &sink), 0);
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (d.Progress() < 30 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    ASSERT_EQ(d.Progress(), 30);
    auto start = std::chrono::steady_clock::now();
    d.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_TRUE(d.Finished());
    EXPECT_EQ(d.Progress(), 30) << "a stopped download keeps its last percentage";
    size_t after = sink.Bytes().size();
    EXPECT_EQ(after, 3000000u);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(sink.Bytes().size(), after);
    d.Stop(); // twice is harmless
}

TEST(DownloadHostile, TheExportsReportTheSameThroughTheRegistry)
{
    // A peer that serves by file name: ok, missing, and a silent one.
    HttpPeer peer([](Conn& c, const std::string& r) {
        if (r.find("filename=ok") != std::string::npos)
            c.Send(HttpPeer::Response("200 OK", "Content-Length: 5\r\n", "bytes"));
        else if (r.find("filename=missing") != std::string::npos)
            c.Send(HttpPeer::Response("404 Not Found", "Content-Length: 3\r\n", "no!"));
        else
            c.Hold();
    });
    TalkServerProcess::Options o;
    o.extraArgs = {"--file-port", std::to_string(peer.Port())};
    TalkServerProcess server(o);
    GTK_CLIENT_Init();
    GTK_CONNECT_PARAM p = ConnectParams(server.Port(), "alice", "pw-a");
    void* h = GTK_CLIENT_Connect(&p);
    ASSERT_NE(h, nullptr);

    auto waitEnd = [](int32_t id) {
        auto deadline = std::chrono::steady_clock::now() + 5s;
        int32_t pos = GTK_CLIENT_GetDownloadPos(id);
        while (pos != 100 && pos != -1 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
            pos = GTK_CLIENT_GetDownloadPos(id);
        }
        return pos;
    };
    Sink ok, missing, silent;
    // One after another: the peer serves one connection at a time, and the
    // silent one would hold it.
    int32_t a = GTK_CLIENT_StartDownloadFile(h, 1, "ok", &Sink::OnData, &ok);
    ASSERT_GT(a, 0);
    EXPECT_EQ(waitEnd(a), 100);
    EXPECT_EQ(ok.Bytes(), "bytes");
    int32_t b = GTK_CLIENT_StartDownloadFile(h, 1, "missing", &Sink::OnData, &missing);
    ASSERT_GT(b, 0);
    EXPECT_EQ(waitEnd(b), -1);
    EXPECT_TRUE(missing.Bytes().empty());
    int32_t c = GTK_CLIENT_StartDownloadVoice(h, 3, "silent", 50, &Sink::OnData, &silent);
    ASSERT_GT(c, 0);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(GTK_CLIENT_GetDownloadPos(c), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(GTK_CLIENT_StopDownload(c), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(GTK_CLIENT_GetDownloadPos(c), -1);
    EXPECT_EQ(GTK_CLIENT_GetLastError(), GTK_ERR_UNKNOWN_TRANSFER);
    EXPECT_EQ(GTK_CLIENT_StopDownload(a), 0);
    EXPECT_EQ(GTK_CLIENT_StopDownload(b), 0);
    auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 3u);
    bool sawVoice = false;
    for (auto& r : requests)
        sawVoice |= r.rfind("GET /service/download_voice.php?type=3&pos=50&filename=silent HTTP/1.1", 0) == 0;
    EXPECT_TRUE(sawVoice);
    GTK_CLIENT_DisConnect(h);
    GTK_CLIENT_Release();
}

namespace {

struct StopFromCallback
{
    static void GTK_CALL OnData(int32_t id, const uint8_t*, int32_t n, void* user)
    {
        auto* self = static_cast<StopFromCallback*>(user);
        self->bytes += size_t(n);
        ++self->calls;
        if (self->calls == 2)
            self->stopResult = GTK_CLIENT_StopDownload(id);
    }
    std::atomic<int> calls{0};
    std::atomic<size_t> bytes{0};
    std::atomic<int32_t> stopResult{1};
};

} // namespace

TEST(DownloadHostile, AHostMayStopADownloadFromItsOwnDataCallback)
{
    // A host that has what it wanted stops the download from inside the
    // callback, on the worker thread: this used to join the thread from
    // itself and bring the process down.
    HttpPeer peer([](Conn& c, const std::string&) {
        c.Send(HttpPeer::Response("200 OK", "Content-Length: 5000000\r\n", ""));
        for (int i = 0; i < 50 && c.Send(Pattern(100000)); ++i)
            c.Hold(5);
    });
    TalkServerProcess::Options o;
    o.extraArgs = {"--file-port", std::to_string(peer.Port())};
    TalkServerProcess server(o);
    GTK_CLIENT_Init();
    GTK_CONNECT_PARAM p = ConnectParams(server.Port(), "alice", "pw-a");
    void* h = GTK_CLIENT_Connect(&p);
    ASSERT_NE(h, nullptr);
    StopFromCallback sink;
    int32_t id = GTK_CLIENT_StartDownloadFile(h, 1, "big", &StopFromCallback::OnData, &sink);
    ASSERT_GT(id, 0);
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (sink.stopResult == 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(5ms);
    EXPECT_EQ(sink.stopResult.load(), 0);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(sink.calls.load(), 2) << "no block after the stop";
    EXPECT_EQ(GTK_CLIENT_GetDownloadPos(id), -1) << "the task is gone from the registry";
    GTK_CLIENT_DisConnect(h);
    GTK_CLIENT_Release();
}
