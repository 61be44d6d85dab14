// The download client against a scripted HTTP peer on loopback: ordinary
// replies in their three framings, error statuses and redirects, and hostile
// peers (truncated, garbage, endless heads, silent, closing at once). Every
// case must end within its stated wait with a clear result; only a 2xx final
// response may hand bytes to the caller.

#include "HttpPeer.h"

#include "platform/http/HttpDownload.h"

#include <gtest/gtest.h>

#include <chrono>
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
        s[i] = char((i * 131 + i / 7) & 0xFF);
    return s;
}

std::string Chunked(const std::string& body, size_t piece)
{
    std::string out;
    char size[32];
    for (size_t off = 0; off < body.size(); off += piece) {
        std::string part = body.substr(off, piece);
        snprintf(size, sizeof size, "%zx\r\n", part.size());
        out += size + part + "\r\n";
    }
    return out + "0\r\n\r\n";
}

struct Outcome
{
    http::DownloadResult result;
    std::string body;
    int headerCalls = 0;
    int64_t announced = -2;
    std::vector<size_t> blocks;
    std::chrono::milliseconds took{0};
};

Outcome Fetch(const std::string& url, http::DownloadOptions options = {})
{
    Outcome o;
    http::HttpDownload d(options);
    auto start = std::chrono::steady_clock::now();
    o.result = d.Get(
        url,
        [&](int64_t total) {
            ++o.headerCalls;
            o.announced = total;
        },
        [&](const uint8_t* data, size_t n) {
            o.body.append(reinterpret_cast<const char*>(data), n);
            o.blocks.push_back(n);
            return true;
        });
    o.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return o;
}

http::DownloadOptions ShortStall()
{
    http::DownloadOptions o;
    o.stallTimeoutMs = 300;
    return o;
}

const std::string kBody = Pattern(100000);

struct Case
{
    const char* name;
    HttpPeer::Reply reply;
    bool ok;
    long status;             // expected final status (0: no response)
    std::string body;        // what the caller must have received (when checkBody)
    bool checkBody;
    bool stalled;
    std::chrono::milliseconds within;
};

} // namespace

TEST(HttpDownload, RepliesEndWithTheRightResultWithinTheirWait)
{
    const std::string big = Pattern(300000);
    const std::vector<Case> cases = {
        {"content-length",
         [&](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", "Content-Length: 100000\r\n", kBody));
         },
         true, 200, kBody, true, false, 3s},
        {"chunked",
         [&](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", "Transfer-Encoding: chunked\r\n", Chunked(kBody, 7777)));
         },
         true, 200, kBody, true, false, 3s},
        {"close-delimited",
         [&](Conn& c, const std::string&) { c.Send(HttpPeer::Response("200 OK", "Connection: close\r\n", kBody)); },
         true, 200, kBody, true, false, 3s},
        {"no content",
         [&](Conn& c, const std::string&) { c.Send(HttpPeer::Response("204 No Content", "", "")); }, true, 204, "",
         true, false, 3s},
        {"empty body with a zero length",
         [&](Conn& c, const std::string&) { c.Send(HttpPeer::Response("200 OK", "Content-Length: 0\r\n", "")); },
         true, 200, "", true, false, 3s},
        {"a trickle slower than the stall limit in total but never silent for it",
         [&](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", "Content-Length: 10\r\n", ""));
             for (int i = 0; i < 10; ++i) {
                 c.Hold(100);
                 c.Send(std::string(1, char('0' + i)));
             }
         },
         true, 200, "0123456789", true, false, 4s},
        {"not found with a body",
         [&](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("404 Not Found", "Content-Length: 9\r\n", "not found"));
         },
         false, 404, "", true, false, 3s},
        {"server error",
         [&](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("500 Internal Server Error", "Content-Length: 5\r\n", "oops!"));
         },
         false, 500, "", true, false, 3s},
        {"a redirect is followed to the file",
         [&](Conn& c, const std::string& req) {
             if (req.rfind("GET /file ", 0) == 0)
                 c.Send(HttpPeer::Response("302 Found", "Location: /moved\r\nContent-Length: 5\r\n", "moved"));
             else
                 c.Send(HttpPeer::Response("200 OK", "Content-Length: 100000\r\n", kBody));
         },
         true, 200, kBody, true, false, 3s},
        {"a redirect loop fails",
         [&](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("301 Moved Permanently", "Location: /file\r\nContent-Length: 0\r\n", ""));
         },
         false, 301, "", true, false, 3s},
        {"a redirect without a location delivers nothing",
         [&](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("302 Found", "Content-Length: 12\r\n", "<html></html"));
         },
         false, 302, "", true, false, 3s},
        {"not modified without a body is no success",
         [&](Conn& c, const std::string&) { c.Send(HttpPeer::Response("304 Not Modified", "", "")); }, false, 304,
         "", true, false, 3s},
        {"truncated: less than announced, then close",
         [&](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", "Content-Length: 100000\r\n", kBody.substr(0, 40000)));
         },
         false, 200, "", false, false, 3s},
        {"truncated chunked body",
         [&](Conn& c, const std::string&) {
             std::string all = Chunked(kBody, 10000);
             c.Send(HttpPeer::Response("200 OK", "Transfer-Encoding: chunked\r\n", all.substr(0, all.size() / 2)));
         },
         false, 200, "", false, false, 3s},
        {"garbage instead of a status line",
         [&](Conn& c, const std::string&) { c.Send("\x01\x02garbage\xff\xfe not http at all\r\n\r\nmore"); }, false,
         0, "", true, false, 3s},
        {"a bad status code",
         [&](Conn& c, const std::string&) { c.Send("HTTP/1.1 2x0 OK\r\nContent-Length: 3\r\n\r\nabc"); }, false, 0,
         "", true, false, 3s},
        {"1 MiB of header lines",
         [&](Conn& c, const std::string&) {
             std::string head = "HTTP/1.1 200 OK\r\n";
             while (head.size() < (1 << 20))
                 head += "X-Filler: " + std::string(100, 'f') + "\r\n";
             c.Send(head + "Content-Length: 3\r\n\r\nabc");
         },
         false, 200, "", true, false, 3s},
        {"one header line of 1 MiB",
         [&](Conn& c, const std::string&) {
             c.Send("HTTP/1.1 200 OK\r\nX-Long: " + std::string(1 << 20, 'x') + "\r\nContent-Length: 3\r\n\r\nabc");
         },
         false, 200, "", true, false, 3s},
        {"a body far larger than announced is cut at the announced length",
         [&](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", "Content-Length: 1000\r\n", big));
         },
         true, 200, big.substr(0, 1000), true, false, 3s},
        {"accepts and never answers",
         [&](Conn& c, const std::string&) { c.Hold(); }, false, 0, "", true, true, 2s},
        {"falls silent in the middle of the body",
         [&](Conn& c, const std::string&) {
             c.Send(HttpPeer::Response("200 OK", "Content-Length: 100000\r\n", kBody.substr(0, 5000)));
             c.Hold();
         },
         false, 200, "", false, true, 2s},
        {"falls silent in the middle of the head",
         [&](Conn& c, const std::string&) {
             c.Send("HTTP/1.1 200 OK\r\nContent-Le");
             c.Hold();
         },
         false, 200, "", true, true, 2s},
        {"closes at once",
         [&](Conn&, const std::string&) {}, false, 0, "", true, false, 3s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HttpPeer peer(c.reply);
        Outcome o = Fetch(peer.Url(), ShortStall());
        EXPECT_EQ(o.result.ok, c.ok) << o.result.error;
        EXPECT_EQ(o.result.httpStatus, c.status);
        EXPECT_EQ(o.result.stalled, c.stalled);
        EXPECT_FALSE(o.result.stopped);
        EXPECT_LT(o.took, c.within);
        EXPECT_EQ(o.result.received, o.body.size());
        if (c.checkBody) {
            EXPECT_EQ(o.body, c.body);
        } else {
            // What arrived of a cut body is a prefix of what was sent.
            EXPECT_EQ(o.body, kBody.substr(0, o.body.size()));
        }
        EXPECT_EQ(o.result.error.empty(), c.ok) << o.result.error;
        if (c.ok && o.result.total >= 0) {
            EXPECT_EQ(uint64_t(o.result.total), o.result.received);
        }
        if (!c.ok && c.status != 200) {
            EXPECT_TRUE(o.body.empty()) << "a failed status handed bytes to the caller";
        }
    }
}

TEST(HttpDownload, AnnouncesTheLengthOnceAndDeliversBlocksOfAtMostTheBlockSize)
{
    const std::string body = Pattern(3 * 65536 + 123);
    HttpPeer peer([&](Conn& c, const std::string&) {
        c.Send(HttpPeer::Response("200 OK", "Content-Length: " + std::to_string(body.size()) + "\r\n", body));
    });
    http::DownloadOptions options;
    options.blockSize = 65536;
    Outcome o = Fetch(peer.Url(), options);
    ASSERT_TRUE(o.result.ok) << o.result.error;
    EXPECT_EQ(o.headerCalls, 1);
    EXPECT_EQ(o.announced, int64_t(body.size()));
    EXPECT_EQ(o.result.total, int64_t(body.size()));
    EXPECT_EQ(o.body, body);
    ASSERT_GE(o.blocks.size(), 4u);
    for (size_t b : o.blocks)
        EXPECT_LE(b, 65536u);
}

TEST(HttpDownload, BlocksArriveAsTheBytesDoNotWhenABlockIsFull)
{
    // 1000 bytes, then silence: a reader waiting for a full block would
    // hand over nothing before the transfer ends.
    std::atomic<bool> seen{false};
    HttpPeer peer([&](Conn& c, const std::string&) {
        c.Send(HttpPeer::Response("200 OK", "Content-Length: 2000\r\n", Pattern(1000)));
        for (int i = 0; i < 100 && !seen; ++i)
            c.Hold(20);
        c.Send(Pattern(2000).substr(1000));
    });
    http::HttpDownload d;
    bool firstBeforeRest = false;
    std::string body;
    http::DownloadResult r = d.Get(peer.Url(), {}, [&](const uint8_t* p, size_t n) {
        if (body.empty())
            firstBeforeRest = n == 1000;
        body.append(reinterpret_cast<const char*>(p), n);
        seen = true;
        return true;
    });
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(firstBeforeRest);
    EXPECT_EQ(body, Pattern(2000));
}

TEST(HttpDownload, SendsAGetWithTheAgentAndNoCache)
{
    HttpPeer peer([](Conn& c, const std::string&) { c.Send(HttpPeer::Response("200 OK", "Content-Length: 2\r\n", "hi")); });
    Outcome o = Fetch(peer.Url("/service/download_file.php?type=1&filename=a%20b"));
    ASSERT_TRUE(o.result.ok) << o.result.error;
    auto requests = peer.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& r = requests[0];
    EXPECT_EQ(r.rfind("GET /service/download_file.php?type=1&filename=a%20b HTTP/1.1\r\n", 0), 0u) << r;
    EXPECT_NE(r.find("\r\nUser-Agent: Http\r\n"), std::string::npos) << r;
    EXPECT_NE(r.find("\r\nCache-Control: no-cache\r\n"), std::string::npos) << r;
}

TEST(HttpDownload, StopEndsATransferPromptlyFromAnotherThreadOrTheCallback)
{
    // The peer announces 10 MB, sends 70 kB, then goes quiet: only Stop
    // can end this before the (default, 10 s) stall limit.
    HttpPeer peer([](Conn& c, const std::string&) {
        c.Send(HttpPeer::Response("200 OK", "Content-Length: 10000000\r\n", Pattern(70000)));
        c.Hold();
    });
    {
        http::DownloadOptions small;
        small.blockSize = 4096;
        http::HttpDownload d(small);
        std::atomic<bool> gotData{false};
        std::thread stopper([&] {
            while (!gotData)
                std::this_thread::sleep_for(5ms);
            std::this_thread::sleep_for(200ms);
            d.Stop();
        });
        auto start = std::chrono::steady_clock::now();
        http::DownloadResult r = d.Get(peer.Url(), {}, [&](const uint8_t*, size_t) {
            gotData = true;
            return true;
        });
        auto took = std::chrono::steady_clock::now() - start;
        stopper.join();
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.stopped);
        EXPECT_FALSE(r.stalled);
        EXPECT_EQ(r.error, "stopped");
        EXPECT_LT(took, 2s);
    }
    {
        http::DownloadOptions options;
        options.blockSize = 1000;
        http::HttpDownload d(options);
        int calls = 0;
        http::DownloadResult r = d.Get(peer.Url(), {}, [&](const uint8_t*, size_t) {
            if (++calls == 3)
                d.Stop();
            return true;
        });
        EXPECT_TRUE(r.stopped);
        EXPECT_EQ(calls, 3) << "no block is delivered after Stop";
    }
    {
        // Stopped before it starts: no request is made to wait for.
        http::HttpDownload d;
        d.Stop();
        auto start = std::chrono::steady_clock::now();
        http::DownloadResult r = d.Get(peer.Url(), {}, {});
        EXPECT_TRUE(r.stopped);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    }
}

TEST(HttpDownload, AReceiverThatRefusesOrThrowsEndsTheTransfer)
{
    HttpPeer peer([](Conn& c, const std::string&) {
        c.Send(HttpPeer::Response("200 OK", "Content-Length: 500000\r\n", Pattern(500000)));
    });
    http::DownloadOptions options;
    options.blockSize = 4096;
    for (bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "throws" : "refuses");
        http::HttpDownload d(options);
        int calls = 0;
        http::DownloadResult r = d.Get(peer.Url(), {}, [&](const uint8_t*, size_t) -> bool {
            if (++calls == 2) {
                if (throws)
                    throw std::runtime_error("disk full");
                return false;
            }
            return true;
        });
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.stopped);
        EXPECT_EQ(calls, 2);
        EXPECT_FALSE(r.error.empty());
    }
    // A throwing header callback too.
    http::HttpDownload d(options);
    http::DownloadResult r = d.Get(
        peer.Url(), [](int64_t) { throw std::runtime_error("no"); }, {});
    EXPECT_FALSE(r.ok);
}

TEST(HttpDownload, NoServerOrABadUrlFailsAtOnce)
{
    // A port nobody listens on: bind one, note it, close it.
    uint16_t port;
    {
        HttpPeer gone([](Conn&, const std::string&) {});
        port = gone.Port();
    }
    for (std::string url : {"http://127.0.0.1:" + std::to_string(port) + "/x", std::string("not a url"),
                            std::string("ftp://127.0.0.1/x"), std::string("file:///etc/passwd"), std::string()}) {
        SCOPED_TRACE(url);
        Outcome o = Fetch(url);
        EXPECT_FALSE(o.result.ok);
        EXPECT_FALSE(o.result.error.empty());
        EXPECT_TRUE(o.body.empty());
        EXPECT_LT(o.took, 3s);
    }
}

TEST(HttpDownload, TheDefaultStallLimitIsTenSeconds)
{
    EXPECT_EQ(http::DownloadOptions{}.stallTimeoutMs, 10000);
    EXPECT_EQ(http::DownloadOptions{}.connectTimeoutMs, 10000);
}
