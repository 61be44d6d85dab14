#pragma once
// A blocking HTTP GET that hands the body to the caller as it arrives, in
// blocks of at most blockSize bytes.
// Stands in for the system HTTP client: no cache, the default proxy setting
// of the environment, an agent name of the caller's choice.
//
// Waits are bounded: connecting gives up after connectTimeoutMs, and once
// connected a transfer during which no byte arrives for stallTimeoutMs is
// abandoned, so a server that accepts and then says nothing cannot hold a
// caller for ever. Both are measured to within about 50 ms.
//
// Only a 2xx response delivers data: any other final status (after at most
// maxRedirects redirects, which are followed) is a failure and hands no byte
// to the caller. A response head larger than maxHeaderBytes is a failure.
// A body longer than its Content-Length is cut at the announced length; a
// body shorter than it (the peer closed early) is a failure.
// Stop (from any thread) ends a running Get within about 100 ms, and every
// later Get on the same object at once.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vel::http {

struct DownloadOptions
{
    std::string agent = "Http";
    long connectTimeoutMs = 10000;
    long stallTimeoutMs = 10000;
    size_t blockSize = 262144;
    long maxRedirects = 5;
    size_t maxHeaderBytes = 65536; // one response head, status line included
};

struct DownloadResult
{
    bool ok = false;       // the whole body arrived
    bool stopped = false;  // ended by Stop
    bool stalled = false;  // ended because nothing arrived for stallTimeoutMs
    long httpStatus = 0;   // 0 when no response came
    int64_t total = -1;    // Content-Length, -1 when the response had none
    uint64_t received = 0; // body bytes delivered
    std::string error;     // why it failed
};

class HttpDownload
{
public:
    // total: the announced length (-1 unknown). Return false to abandon.
    using HeadersFn = std::function<void(int64_t total)>;
    using DataFn = std::function<bool(const uint8_t* data, size_t length)>;

    explicit HttpDownload(DownloadOptions options = {});
    // Never throws; exceptions from the callbacks abandon the transfer.
    DownloadResult Get(const std::string& url, const HeadersFn& onHeaders, const DataFn& onData);
    void Stop() { m_stop = true; }
    bool Stopped() const { return m_stop.load(); }

private:
    DownloadOptions m_options;
    std::atomic<bool> m_stop{false};
};

} // namespace vel::http
