#pragma once
// Download of a voice recording or a file from the talk server's file
// service, on a worker thread of its own, through platform/http.
//
// progress: 0..100 while and after a transfer with a Content-Length (bytes
// read x 100 / total); a response without a usable length reports 0 until
// it ends cleanly and 100 then; -1 after a failure (no connection, a status
// other than 2xx, a transfer cut short, nothing received for 10 s).
// Every block read is handed to the data callback on the worker thread.

#include "talk/SquadVoice.h"

#include "platform/http/HttpDownload.h"

#include <atomic>
#include <string>
#include <thread>

namespace vel {

class CDownLoadFile
{
public:
    CDownLoadFile() = default;
    ~CDownLoadFile();
    CDownLoadFile(const CDownLoadFile&) = delete;
    CDownLoadFile& operator=(const CDownLoadFile&) = delete;

    // 0, or an errno value: EINVAL without a URL or callback, EBUSY when
    // already started, EAGAIN when the thread cannot start.
    int Start(int32_t id, const std::string& url, GTK_DOWNLOAD_CALLBACK callback, void* user);
    int32_t Progress() const { return m_progress.load(); }
    bool Finished() const { return m_finished.load(); }
    void Stop();
    const std::string& Url() const { return m_url; }

    static std::string VoiceUrl(const std::string& server, uint16_t port, int type, int pos,
                                const std::string& fileName);
    static std::string FileUrl(const std::string& server, uint16_t port, int type, const std::string& filePath);

private:
    void Worker();

    http::HttpDownload m_http;
    std::string m_url;
    int32_t m_id = 0;
    GTK_DOWNLOAD_CALLBACK m_callback = nullptr;
    void* m_user = nullptr;
    std::thread m_thread;
    std::atomic<int32_t> m_progress{0};
    std::atomic<bool> m_finished{false};
};

} // namespace vel
