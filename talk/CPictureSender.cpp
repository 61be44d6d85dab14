#include "CPictureSender.h"

#include "platform/base/Strings.h"
#include "platform/fs/WinPath.h"
#include "talk/TalkLog.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vel {

namespace {

struct Mime
{
    const char* ext;
    const char* type;
};

constexpr Mime kMimeTable[] = {
    {".html", "text/html"}, {".htm", "text/html"}, {".shtm", "text/html"}, {".shtml", "text/html"},
    {".css", "text/css"}, {".js", "application/x-javascript"}, {".ico", "image/x-icon"}, {".gif", "image/gif"},
    {".jpg", "image/jpeg"}, {".jpeg", "image/jpeg"}, {".png", "image/png"}, {".svg", "image/svg+xml"},
    {".txt", "text/plain"}, {".torrent", "application/x-bittorrent"}, {".wav", "audio/x-wav"},
    {".mp3", "audio/x-mp3"}, {".mid", "audio/mid"}, {".m3u", "audio/x-mpegurl"}, {".ogg", "audio/ogg"},
    {".ram", "audio/x-pn-realaudio"}, {".xml", "text/xml"}, {".json", "text/json"}, {".xslt", "application/xml"},
    {".xsl", "application/xml"}, {".ra", "audio/x-pn-realaudio"}, {".doc", "application/msword"},
    {".exe", "application/octet-stream"}, {".zip", "application/x-zip-compressed"}, {".xls", "application/excel"},
    {".tgz", "application/x-tar-gz"}, {".tar", "application/x-tar"}, {".gz", "application/x-gunzip"},
    {".arj", "application/x-arj-compressed"}, {".rar", "application/x-arj-compressed"}, {".rtf", "application/rtf"},
    {".pdf", "application/pdf"}, {".swf", "application/x-shockwave-flash"}, {".mpg", "video/mpeg"},
    {".webm", "video/webm"}, {".mpeg", "video/mpeg"}, {".mp4", "video/mp4"}, {".m4v", "video/x-m4v"},
    {".asf", "video/x-ms-asf"}, {".avi", "video/x-msvideo"}, {".bmp", "image/bmp"},
};

bool EndsWithNoCase(std::string_view s, std::string_view suffix)
{
    if (suffix.size() > s.size())
        return false;
    for (size_t i = 0; i < suffix.size(); ++i) {
        char a = s[s.size() - suffix.size() + i], b = suffix[i];
        if (a >= 'A' && a <= 'Z')
            a = char(a - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

std::string HostPath(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return Utf16ToUtf8(AnsiToUtf16(path)); // a host path, in the host's UTF-8
    return fs::ToHost(AnsiToUtf16(path));
}

} // namespace

const char* CPictureSender::MimeType(std::string_view name)
{
    const char* found = "application/octet-stream";
    for (const Mime& m : kMimeTable)
        if (std::string_view(m.ext).size() < name.size() && EndsWithNoCase(name, m.ext))
            found = m.type;
    return found;
}

std::string CPictureSender::SendTime()
{
    time_t now = time(nullptr);
    tm t;
    localtime_r(&now, &t);
    return TalkFormat("%04d-%02d-%02d%s%02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, "%20", t.tm_hour,
                      t.tm_min, t.tm_sec);
}

std::string CPictureSender::BodyHead(const std::string& utf8Name, const char* mime)
{
    return std::string("--") + kBoundary + "\r\n" +
           TalkFormat("Content-Disposition: form-data; name=\"userfile\"; filename=\"%s\"\r\n", utf8Name.c_str()) +
           TalkFormat("Content-Type: %s\r\n\r\n", mime);
}

std::string CPictureSender::BodyTail()
{
    return std::string("\r\n--") + kBoundary + "--\r\n";
}

std::string CPictureSender::RequestHead(const std::string& server, const std::string& userId, int kind,
                                        const std::string& to, const std::string& sendTime, uint64_t contentLength)
{
    std::string h;
    h += TalkFormat("POST /service/upload_file.php?userid=%s&type=%d&to=%s&sendtime=%s HTTP/1.1\r\n", userId.c_str(),
                    kind, to.c_str(), sendTime.c_str());
    h += "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n";
    h += TalkFormat("Referer: http://%s/testpic.php\r\n", server.c_str());
    h += "Accept-Language: zh-cn\r\n";
    h += std::string("Content-Type: multipart/form-data; boundary=") + kBoundary + "\r\n";
    h += "Accept-Encoding: gzip, deflate\r\n";
    h += "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 1.1.4322; CIBA; .NET CLR "
         "2.0.50727)\r\n";
    h += TalkFormat("Host: %s\r\n", server.c_str());
    h += TalkFormat("Content-Length: %lu\r\n", (unsigned long)contentLength);
    h += "Connection: Keep-Alive\r\n";
    h += "Cache-Control: no-cache\r\n";
    h += "Cookie: LastUser=root; root=70968; yc=1; PHPSESSID=a9e7c3b1d5f0e2c4b6a8d0f1e3c5a7b9\r\n\r\n";
    return h;
}

CPictureSender::~CPictureSender()
{
    Stop();
}

int CPictureSender::Start(const std::string& server, uint16_t port, const std::string& userId, int kind,
                          const std::string& to, const std::string& path)
{
    if (m_socket >= 0 || m_thread.joinable())
        return EBUSY;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    int s = -1;
    int err = 0;
    if (inet_pton(AF_INET, server.c_str(), &addr.sin_addr) != 1) {
        err = EINVAL;
    } else if ((s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) < 0) {
        err = errno;
    } else {
        timeval tv{kSendTimeoutSec, 0};
        setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            err = errno ? errno : ECONNREFUSED;
    }
    if (err) {
        TalkLog("连接图片服务器（%s:%d）失败", server.c_str(), int(port));
        if (s >= 0)
            close(s);
        return err;
    }
    m_socket = s;
    m_server = server;
    m_port = port;
    m_userId = userId;
    m_kind = kind;
    m_to = to;
    m_path = path;
    m_progress = 0;
    m_stop = false;
    m_finished = false;
    try {
        m_thread = std::thread(&CPictureSender::Worker, this);
    } catch (...) {
        TalkLog("CPictureSender创建发送图片工作线程失败!");
        close(m_socket);
        m_socket = -1;
        return EAGAIN;
    }
    return 0;
}

void CPictureSender::Stop()
{
    m_stop = true;
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_socketLock);
            if (m_socket >= 0)
                shutdown(m_socket, SHUT_RDWR);
        }
        m_thread.join();
    }
}

bool CPictureSender::SendAll(const char* data, size_t length)
{
    while (length) {
        ssize_t n = send(m_socket, data, length, MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return false;
        }
        data += n;
        length -= size_t(n);
    }
    return true;
}

void CPictureSender::Worker()
{
    const char* user = m_userId.c_str();
    const char* to = m_to.c_str();
    int kind = m_kind;
    auto fail = [&] {
        if (!m_stop.load())
            m_progress = -1;
    };
    std::string host = HostPath(m_path);
    struct stat st;
    FILE* f = nullptr;
    if (host.empty() || stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        TalkLog("发送%s:%d:%s图片失败:获取图片%s大小失败", user, kind, to, m_path.c_str());
        m_progress = -1;
    } else {
        uint64_t size = uint64_t(st.st_size);
        size_t cut = m_path.find_last_of("\\/");
        std::string name = cut == std::string::npos ? m_path : m_path.substr(cut + 1);
        std::string utf8 = Utf16ToUtf8(AnsiToUtf16(name));
        std::string bodyHead = BodyHead(utf8, MimeType(name)), tail = BodyTail();
        std::string head = RequestHead(m_server, m_userId, kind, m_to, SendTime(),
                                       bodyHead.size() + tail.size() + size) +
                           bodyHead;
        bool ok = true;
        if (!SendAll(head.data(), head.size())) {
            TalkLog("发送%s:%d:%s图片失败:发送HTTP头到服务器失败", user, kind, to);
            ok = false;
        } else if (!(f = fopen(host.c_str(), "rb"))) {
            TalkLog("发送%s:%d:%s图片失败:打开文件%s失败", user, kind, to, m_path.c_str());
            ok = false;
        }
        uint64_t sent = 0;
        char piece[kPiece];
        while (ok && !m_stop.load() && sent < size) {
            // Never more than the Content-Length already sent announced, even
            // when the file has grown since its size was read.
            size_t want = size - sent < sizeof piece ? size_t(size - sent) : sizeof piece;
            size_t n = fread(piece, 1, want, f);
            if (n == 0) {
                // The file shrank (or cannot be read): the body would end
                // short of its Content-Length and leave the server waiting.
                TalkLog("发送%s:%d:%s图片失败:读取文件%s失败", user, kind, to, m_path.c_str());
                ok = false;
                break;
            }
            if (!SendAll(piece, n)) {
                TalkLog("发送%s:%d:%s图片失败:发送图片数据到服务器失败", user, kind, to);
                ok = false;
                break;
            }
            sent += n;
            m_progress = int32_t(sent * 100 / size);
        }
        if (f)
            fclose(f);
        if (ok && !m_stop.load()) {
            if (!SendAll(tail.data(), tail.size())) {
                TalkLog("发送%s:%d:%s图片失败:发送结束符到服务器失败", user, kind, to);
                ok = false;
            } else if (sent == size) {
                m_progress = 100;
            }
        }
        if (ok && !m_stop.load()) {
            pollfd p = {m_socket, POLLIN, 0};
            int r = poll(&p, 1, kResponseWaitSec * 1000);
            if (r == 0) {
                TalkLog("发送%s:%d:%s图片失败:接收服务器应答失败，未接受到数据", user, kind, to);
                ok = false;
            } else if (r < 0 || !(p.revents & (POLLIN | POLLHUP))) {
                TalkLog("发送%s:%d:%s图片失败:接收服务器应答失败，接受超时", user, kind, to);
                ok = false;
            } else {
                std::string response(kResponseMax, '\0');
                ssize_t n = recv(m_socket, response.data(), response.size(), 0);
                if (n == 0) {
                    TalkLog("发送%s:%d:%s图片失败:接收服务器应答失败，收到0字节数据", user, kind, to);
                    ok = false;
                } else if (n < 0) {
                    TalkLog("发送%s:%d:%s图片失败:接收服务器应答失败，Error:%d", user, kind, to, errno);
                    ok = false;
                } else {
                    response.resize(size_t(n));
                    if (response.find("\r\n\r\n") == std::string::npos) {
                        TalkLog("发送%s:%d:%s图片失败:收到服务器应答，但未收到正常结束符：%s", user, kind, to,
                                response.c_str());
                        ok = false;
                    }
                }
            }
        }
        if (!ok)
            fail();
    }
    {
        std::lock_guard lock(m_socketLock);
        close(m_socket);
        m_socket = -1;
    }
    m_finished = true;
}

} // namespace vel
