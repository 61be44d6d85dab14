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
    if (m_thread.joinable())
        return EBUSY;
    m_id = id;
    m_url = url;
    m_callback = callback;
    m_user = user;
    m_progress = 0;
    try {
        m_thread = std::thread(&CDownLoadFile::Worker, this);
    } catch (...) {
        TalkLog("CDownLoadFile创建下载工作线程失败!");
        return EAGAIN;
    }
    return 0;
}

void CDownLoadFile::Stop()
{
    m_http.Stop();
    if (m_thread.joinable())
        m_thread.join();
}

void CDownLoadFile::Worker()
{
    int64_t total = -1;
    uint64_t read = 0;
    http::DownloadResult r = m_http.Get(
        m_url, [&](int64_t length) { total = length; },
        [&](const uint8_t* data, size_t length) {
            m_callback(m_id, data, int32_t(length), m_user);
            read += length;
            if (total > 0)
                m_progress = int32_t(read * 100 / uint64_t(total) > 100 ? 100 : read * 100 / uint64_t(total));
            return true;
        });
    if (r.ok)
        m_progress = 100;
    else if (!r.stopped)
        m_progress = -1;
    if (!r.ok && !r.stopped)
        TalkLog("CDownLoadFile: %s: %s\r\n", m_url.c_str(), r.error.c_str());
    m_finished = true;
}

} // namespace vel
