#pragma once
// Download of a voice recording or a file from the talk server's file
// service, on a worker thread of its own, through platform/http.
//
// progress: 0..100 while and after a transfer with a Content-Length (bytes
// read x 100 / total); a response without a usable length reports 0 until
// it ends cleanly and 100 then; -1 after a failure (no connection, a status
// other than 2xx, a transfer cut short, nothing received for 10 s).
// Every block read is handed to the data callback on the worker thread.
//
// The transfer's state is shared by the task and its worker, so Stop (and
// the destructor) may run on the worker thread itself, from inside the data
// callback: the worker is then let go instead of joined, ends at once
// without another callback, and keeps the state alive until it has.

#include "talk/SquadVoice.h"

#include "platform/http/HttpDownload.h"

#include <atomic>
#include <memory>
#include <string>
#include <mutex>
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
    int32_t Progress() const { return m_state->progress.load(); }
    bool Finished() const { return m_state->finished.load(); }
    void Stop();
    const std::string& Url() const { return m_state->url; }

    static std::string VoiceUrl(const std::string& server, uint16_t port, int type, int pos,
                                const std::string& fileName);
    static std::string FileUrl(const std::string& server, uint16_t port, int type, const std::string& filePath);

private:
    struct State
    {
        http::HttpDownload http;
        std::string url;
        int32_t id = 0;
        GTK_DOWNLOAD_CALLBACK callback = nullptr;
        void* user = nullptr;
        std::atomic<int32_t> progress{0};
        std::atomic<bool> finished{false};
    };
    static void Worker(std::shared_ptr<State> state);

    std::shared_ptr<State> m_state = std::make_shared<State>();
    std::mutex m_threadMutex; // guards m_thread
    std::thread m_thread;
};

} // namespace vel
