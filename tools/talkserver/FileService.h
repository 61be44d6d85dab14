#pragma once
// The talk server's HTTP file service, on a thread of its own:
//
//   POST /service/upload_file.php?userid=U&type=K&to=T&sendtime=S
//        multipart field "userfile": stored under DATA/upload/ as
//        "<n>(<name, percent-encoded>)<.ext>", then announced to the
//        receivers as a file message (K 2: user T, K 1: channel T)
//   GET  /service/download_file.php?type=K&filename=PATH
//        the stored file named by PATH's last segment
//   GET  /service/download_voice.php?type=K&pos=P&filename=NAME
//        DATA/voice/NAME from P percent of its length on
//
// Names that come from clients never become paths: uploads are stored under
// names the service makes, and a download names a file only by a last path
// segment that must exist directly in its folder.

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace vel::talkserver {

class TalkServer;

class FileService
{
public:
    // Runs `fn` with the protocol core locked (the socket loop's thread owns it).
    using WithCore = std::function<void(const std::function<void(TalkServer&)>&)>;
    using Log = std::function<void(const std::string&)>;

    FileService(std::string dataDir, WithCore withCore, Log log);
    ~FileService();
    // Binds (port 0: any free port) and starts serving; the bound port, or
    // -1 with the reason in `error`.
    int Start(const std::string& bindIp, int port, std::string& error);
    void Stop();

    // The stored name for an uploaded file name (UTF-8) and a number.
    static std::string StoredName(const std::string& utf8Name, unsigned number);
    // A file directly in `folder` named by the last segment of `requested`,
    // or "" when there is none or the name could reach elsewhere.
    static std::string Resolve(const std::string& folder, const std::string& requested);

private:
    std::string m_dataDir;
    WithCore m_withCore;
    Log m_log;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    std::atomic<unsigned> m_counter{0};
};

} // namespace vel::talkserver
