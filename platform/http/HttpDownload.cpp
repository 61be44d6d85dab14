#include "HttpDownload.h"

#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <mutex>

namespace vel::http {

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait for socket activity may last: bounds how late a Stop or
// an expired stall limit is noticed.
constexpr int kPollMs = 50;

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool Is2xx(long status)
{
    return status >= 200 && status < 300;
}

// One Get's state, shared with libcurl's callbacks. The callbacks never
// throw into libcurl: a throwing caller callback abandons the transfer.
struct Transfer
{
    CURL* curl = nullptr;
    const HttpDownload::HeadersFn* onHeaders = nullptr;
    const HttpDownload::DataFn* onData = nullptr;
    const HttpDownload* owner = nullptr;
    DownloadResult* result = nullptr;
    size_t maxHeaderBytes = 0;
    size_t headerBytes = 0; // of the response head being read
    bool connected = false;
    bool headersSeen = false;
    bool abandoned = false;
    std::string why; // set with abandoned
    Clock::time_point lastActivity = Clock::now();
    size_t blockSize = 0;

    void Abandon(std::string reason)
    {
        if (!abandoned) {
            abandoned = true;
            why = std::move(reason);
        }
    }
    long Status() const
    {
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        return status;
    }
    // At the first body byte (or the end of a bodiless response): the final
    // status is known, so this decides whether any data is delivered.
    bool SeeHeaders()
    {
        if (headersSeen)
            return !abandoned;
        headersSeen = true;
        long status = Status();
        result->httpStatus = status;
        if (!Is2xx(status)) {
            char text[48];
            snprintf(text, sizeof text, "HTTP status %ld", status);
            Abandon(text);
            return false;
        }
        curl_off_t length = -1;
        if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
            length = -1;
        result->total = length;
        try {
            if (*onHeaders)
                (*onHeaders)(length);
        } catch (...) {
            Abandon("the receiver failed");
            return false;
        }
        return true;
    }
    bool Deliver(const uint8_t* data, size_t length)
    {
        bool go = false;
        try {
            go = !*onData || (*onData)(data, length);
        } catch (...) {
            go = false;
        }
        result->received += length;
        if (!go)
            Abandon("abandoned by the receiver");
        return go;
    }
};

size_t OnHeader(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    t->lastActivity = Clock::now();
    // Each response (a redirect, an interim 1xx, the final one) starts again
    // with its status line.
    if (n >= 5 && std::string_view(data, 5) == "HTTP/")
        t->headerBytes = 0;
    t->headerBytes += n;
    if (t->headerBytes > t->maxHeaderBytes) {
        t->Abandon("response head too large");
        return 0;
    }
    return n;
}

size_t OnWrite(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    t->lastActivity = Clock::now();
    if (t->owner->Stopped() || !t->SeeHeaders())
        return 0;
    // Whatever arrived goes to the caller now, in pieces of at most
    // blockSize: a read returns what is there, it does not wait for a full
    // block (progress moves as the bytes come).
    const uint8_t* p = reinterpret_cast<const uint8_t*>(data);
    size_t left = n;
    while (left) {
        size_t take = left < t->blockSize ? left : t->blockSize;
        if (!t->Deliver(p, take))
            return 0;
        p += take;
        left -= take;
        if (t->owner->Stopped())
            return 0;
    }
    return n;
}

// Called once the connection stands, just before the request goes out: the
// stall limit counts from here (the connect limit covers the time before).
int OnConnected(void* user, char*, char*, int, int)
{
    auto* t = static_cast<Transfer*>(user);
    t->connected = true;
    t->lastActivity = Clock::now();
    return CURL_PREREQFUNC_OK;
}

struct Handles
{
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    bool added = false;
    ~Handles()
    {
        if (added)
            curl_multi_remove_handle(multi, easy);
        if (multi)
            curl_multi_cleanup(multi);
        if (easy)
            curl_easy_cleanup(easy);
        curl_slist_free_all(headers);
    }
};

} // namespace

HttpDownload::HttpDownload(DownloadOptions options) : m_options(std::move(options))
{
    if (m_options.blockSize == 0)
        m_options.blockSize = 262144;
    if (m_options.maxHeaderBytes == 0)
        m_options.maxHeaderBytes = 65536;
}

DownloadResult HttpDownload::Get(const std::string& url, const HeadersFn& onHeaders, const DataFn& onData)
{
    DownloadResult result;
    try {
        GlobalInit();
        Handles h;
        h.easy = curl_easy_init();
        h.multi = curl_multi_init();
        if (!h.easy || !h.multi) {
            result.error = "the HTTP client could not be made";
            return result;
        }
        CURL* curl = h.easy;
        Transfer t;
        t.curl = curl;
        t.onHeaders = &onHeaders;
        t.onData = &onData;
        t.owner = this;
        t.result = &result;
        t.blockSize = m_options.blockSize;
        t.maxHeaderBytes = m_options.maxHeaderBytes;

        h.headers = curl_slist_append(h.headers, "Cache-Control: no-cache");
        h.headers = curl_slist_append(h.headers, "Pragma: no-cache");
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, h.headers);
        curl_easy_setopt(curl, CURLOPT_USERAGENT, m_options.agent.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, m_options.maxRedirects > 0 ? 1L : 0L);
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, m_options.maxRedirects);
        curl_easy_setopt(curl, CURLOPT_HTTP09_ALLOWED, 0L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, m_options.connectTimeoutMs);
        // A proxy from the environment never stands between us and this machine.
        curl_easy_setopt(curl, CURLOPT_NOPROXY, "localhost,127.0.0.1,::1");
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &OnHeader);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnWrite);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
        curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &OnConnected);
        curl_easy_setopt(curl, CURLOPT_PREREQDATA, &t);
        curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 65536L);

        if (curl_multi_add_handle(h.multi, curl) != CURLM_OK) {
            result.error = "the HTTP client could not be made";
            return result;
        }
        h.added = true;

        // The transfer loop: libcurl does the protocol; this loop owns the
        // waits, so Stop and the stall limit act within one poll period.
        const auto stall = std::chrono::milliseconds(m_options.stallTimeoutMs);
        CURLcode rc = CURLE_OK;
        bool done = false;
        int running = 1;
        while (!done) {
            if (curl_multi_perform(h.multi, &running) != CURLM_OK) {
                rc = CURLE_FAILED_INIT;
                break;
            }
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(h.multi, &queued)) {
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == curl) {
                    rc = msg->data.result;
                    done = true;
                }
            }
            if (done || !running)
                break;
            if (m_stop.load() || t.abandoned)
                break;
            if (t.connected && Clock::now() - t.lastActivity >= stall) {
                result.stalled = true;
                break;
            }
            curl_multi_poll(h.multi, nullptr, 0, kPollMs, nullptr);
        }

        if (done && rc == CURLE_OK && !t.abandoned && !m_stop.load()) {
            // A response without a body never reached OnWrite.
            t.SeeHeaders();
        }
        if (!result.httpStatus)
            result.httpStatus = t.Status();
        result.stopped = m_stop.load();
        if (done && rc == CURLE_OK && !t.abandoned && !result.stopped && !result.stalled) {
            result.ok = true;
        } else if (result.stopped) {
            result.error = "stopped";
        } else if (result.stalled) {
            result.error = "nothing arrived for " + std::to_string(m_options.stallTimeoutMs) + " ms";
        } else if (t.abandoned) {
            result.error = t.why;
        } else if (!done) {
            result.error = "the HTTP client failed";
        } else {
            result.error = curl_easy_strerror(rc);
        }
    } catch (...) {
        result.ok = false;
        result.error = "out of memory";
    }
    return result;
}

} // namespace vel::http
