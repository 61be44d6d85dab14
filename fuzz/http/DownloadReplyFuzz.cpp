// Arbitrary bytes as an HTTP server's answer to a download: the download
// client fetches from a loopback peer that answers with the input and
// closes. Oracles: only a 2xx final status delivers bytes; what the caller
// got is what the result counts; a complete body with a length is exactly
// that long; the announced length is reported once, before any byte.

#include "ReplyPeer.h"

#include "platform/http/HttpDownload.h"

#include <cstdlib>

using namespace vel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static fuzz::ReplyPeer* peer = new fuzz::ReplyPeer;

    std::thread serve = peer->Serve(std::string(reinterpret_cast<const char*>(data), size), "\r\n\r\n");
    http::DownloadOptions options;
    options.connectTimeoutMs = 2000;
    options.stallTimeoutMs = 1000;
    options.maxRedirects = 0; // a redirect would go to a host of the input's choosing
    options.blockSize = 1024;
    http::HttpDownload d(options);
    int headerCalls = 0;
    int64_t announced = -2;
    uint64_t delivered = 0;
    http::DownloadResult r = d.Get(
        "http://127.0.0.1:" + std::to_string(peer->Port()) + "/service/download_file.php?type=1&filename=x",
        [&](int64_t total) {
            if (++headerCalls > 1 || delivered)
                abort();
            announced = total;
        },
        [&](const uint8_t*, size_t n) {
            if (headerCalls != 1 || n == 0 || n > 1024)
                abort();
            delivered += n;
            return true;
        });
    serve.join();
    if (r.received != delivered)
        abort();
    if (delivered && (r.httpStatus < 200 || r.httpStatus > 299))
        abort();
    if (r.ok && (r.httpStatus < 200 || r.httpStatus > 299 || !r.error.empty()))
        abort();
    if (!r.ok && r.error.empty())
        abort();
    if (r.ok && announced >= 0 && delivered != uint64_t(announced))
        abort();
    if (r.stalled || r.stopped)
        abort(); // the peer always closes, and nobody stops
    return 0;
}
