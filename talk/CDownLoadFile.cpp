#include "CDownLoadFile.h"

#include "talk/FileReference.h"
#include "talk/TalkLog.h"

#include <cerrno>

namespace vel {

CDownLoadFile::~CDownLoadFile()
{
    Stop();
}

std::string CDownLoadFile::VoiceUrl(const std::string& server, uint16_t port, int type, int pos,
                                    const std::string& fileName)
{
    return TalkFormat("http://%s:%d/service/download_voice.php?type=%d&pos=%d&filename=%s", server.c_str(), int(port),
                      type, pos, fileName.c_str());
}

std::string CDownLoadFile::FileUrl(const std::string& server, uint16_t port, int type, const std::string& filePath)
{
    return TalkFormat("http://%s:%d/service/download_file.php?type=%d&filename=%s", server.c_str(), int(port), type,
                      PercentEncodeFilePath(filePath).c_str());
}

int CDownLoadFile::Start(int32_t id, const std::string& url, GTK_DOWNLOAD_CALLBACK callback, void* user)
{
    if (url.empty() || !callback)
        return EINVAL;
    // The worker may call Stop (from its data callback) before the thread
    // object below is assigned; the mutex orders the two.
    std::lock_guard lock(m_threadMutex);
    if (m_thread.joinable())
        return EBUSY;
    State& st = *m_state;
    st.id = id;
    st.url = url;
    st.callback = callback;
    st.user = user;
    st.progress = 0;
    try {
        m_thread = std::thread(&CDownLoadFile::Worker, m_state);
    } catch (...) {
        TalkLog("CDownLoadFile创建下载工作线程失败!");
        return EAGAIN;
    }
    return 0;
}

void CDownLoadFile::Stop()
{
    m_state->http.Stop();
    std::thread worker;
    {
        std::lock_guard lock(m_threadMutex);
        if (!m_thread.joinable())
            return;
        if (m_thread.get_id() == std::this_thread::get_id()) {
            m_thread.detach(); // called from the data callback: joining itself would never end
            return;
        }
        worker = std::move(m_thread);
    }
    worker.join(); // outside the lock: the worker may be on its way into Stop itself
}

void CDownLoadFile::Worker(std::shared_ptr<State> state)
{
    State& st = *state;
    int64_t total = -1;
    uint64_t read = 0;
    http::DownloadResult r = st.http.Get(
        st.url, [&](int64_t length) { total = length; },
        [&](const uint8_t* data, size_t length) {
            st.callback(st.id, data, int32_t(length), st.user);
            read += length;
            if (total > 0)
                st.progress = int32_t(read * 100 / uint64_t(total) > 100 ? 100 : read * 100 / uint64_t(total));
            return true;
        });
    if (r.ok)
        st.progress = 100;
    else if (!r.stopped)
        st.progress = -1;
    if (!r.ok && !r.stopped)
        TalkLog("CDownLoadFile: %s: %s\r\n", st.url.c_str(), r.error.c_str());
    st.finished = true;
}

} // namespace vel
