#include "HttpDownload.h"

#include <curl/curl.h>

#include <mutex>
#include <vector>

namespace vel::http {

namespace {

void GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer
{
    CURL* curl = nullptr;
    const HttpDownload::HeadersFn* onHeaders = nullptr;
    const HttpDownload::DataFn* onData = nullptr;
    const HttpDownload* owner = nullptr;
    DownloadResult* result = nullptr;
    bool headersSeen = false;
    bool abandoned = false;
    std::vector<uint8_t> block;
    size_t blockSize = 0;

    bool SeeHeaders()
    {
        if (headersSeen)
            return true;
        headersSeen = true;
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        result->httpStatus = status;
        curl_off_t length = -1;
        if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK)
            length = -1;
        result->total = length;
        if (*onHeaders)
            (*onHeaders)(length);
        return true;
    }
    bool Flush()
    {
        if (block.empty())
            return true;
        bool go = !*onData || (*onData)(block.data(), block.size());
        result->received += block.size();
        block.clear();
        return go;
    }
};

size_t OnWrite(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    if (t->owner->Stopped())
        return 0;
    t->SeeHeaders();
    const uint8_t* p = reinterpret_cast<const uint8_t*>(data);
    size_t left = n;
    while (left) {
        size_t room = t->blockSize - t->block.size();
        size_t take = left < room ? left : room;
        t->block.insert(t->block.end(), p, p + take);
        p += take;
        left -= take;
        if (t->block.size() == t->blockSize && !t->Flush()) {
            t->abandoned = true;
            return 0;
        }
    }
    return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto* t = static_cast<Transfer*>(user);
    return t->owner->Stopped() ? 1 : 0;
}

} // namespace

HttpDownload::HttpDownload(DownloadOptions options) : m_options(std::move(options))
{
    if (m_options.blockSize == 0)
        m_options.blockSize = 262144;
}

DownloadResult HttpDownload::Get(const std::string& url, const HeadersFn& onHeaders, const DataFn& onData)
{
    GlobalInit();
    DownloadResult result;
    CURL* curl = curl_easy_init();
    if (!curl) {
        result.error = "the HTTP client could not be made";
        return result;
    }
    Transfer t;
    t.curl = curl;
    t.onHeaders = &onHeaders;
    t.onData = &onData;
    t.owner = this;
    t.result = &result;
    t.blockSize = m_options.blockSize;
    t.block.reserve(t.blockSize);

    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Cache-Control: no-cache");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, m_options.agent.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, m_options.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, (m_options.stallTimeoutMs + 999) / 1000);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &OnWrite);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    // Headers longer than this are a hostile or broken server.
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, 65536L);

    CURLcode rc = curl_easy_perform(curl);
    if (rc == CURLE_OK) {
        t.SeeHeaders();
        if (!t.Flush())
            t.abandoned = true;
    }
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    result.httpStatus = status;
    result.stopped = m_stop.load();
    if (rc == CURLE_OK && !t.abandoned && !result.stopped) {
        result.ok = true;
    } else if (result.stopped) {
        result.error = "stopped";
    } else if (t.abandoned) {
        result.error = "abandoned by the receiver";
    } else {
        result.error = curl_easy_strerror(rc);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return result;
}

} // namespace vel::http
