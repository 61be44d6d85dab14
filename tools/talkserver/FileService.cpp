#include "FileService.h"

#include "tools/talkserver/TalkServer.h"

#include <httplib.h>

#include <atomic>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vel::talkserver {

namespace fsys = std::filesystem;

namespace {

std::string Encode(const std::string& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_')
            out.push_back(char(c));
        else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

bool ReadWhole(const std::string& path, std::string& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

} // namespace

FileService::FileService(std::string dataDir, WithCore withCore, Log log)
    : m_dataDir(std::move(dataDir)), m_withCore(std::move(withCore)), m_log(std::move(log))
{
}

FileService::~FileService()
{
    Stop();
}

std::string FileService::StoredName(const std::string& utf8Name, unsigned number)
{
    std::string base = utf8Name, ext;
    size_t dot = utf8Name.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        std::string e = utf8Name.substr(dot + 1);
        bool plain = !e.empty() && e.size() <= 10;
        for (char c : e)
            plain = plain && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
        if (plain) {
            base = utf8Name.substr(0, dot);
            ext = "." + e;
        }
    }
    std::string encoded = Encode(base);
    if (encoded.size() > 180)
        encoded.resize(180); // the name stays well inside a file name's limit
    size_t cut = encoded.find('%', encoded.size() > 2 ? encoded.size() - 2 : 0);
    if (cut != std::string::npos)
        encoded.resize(cut); // never a cut "%X"
    return std::to_string(number) + "(" + encoded + ")" + ext;
}

std::string FileService::Resolve(const std::string& folder, const std::string& requested)
{
    size_t slash = requested.find_last_of("/\\");
    std::string name = slash == std::string::npos ? requested : requested.substr(slash + 1);
    if (name.empty() || name == "." || name == ".." || name.find('\0') != std::string::npos)
        return {};
    std::error_code ec;
    fsys::path p = fsys::path(folder) / name;
    fsys::path canon = fsys::weakly_canonical(p, ec);
    fsys::path root = fsys::weakly_canonical(folder, ec);
    if (ec || canon.parent_path() != root || !fsys::is_regular_file(canon, ec))
        return {};
    return canon.string();
}

int FileService::Start(const std::string& bindIp, int port, std::string& error)
{
    std::error_code ec;
    fsys::create_directories(fsys::path(m_dataDir) / "upload", ec);
    fsys::create_directories(fsys::path(m_dataDir) / "voice", ec);
    if (ec) {
        error = "cannot create " + m_dataDir + ": " + ec.message();
        return -1;
    }
    m_counter = unsigned(time(nullptr) % 100000000); // distinct from earlier runs' names
    m_server = std::make_unique<httplib::Server>();
    httplib::Server& svr = *m_server;
    svr.set_payload_max_length(64u << 20);
    svr.set_read_timeout(10, 0);
    svr.set_write_timeout(10, 0);

    svr.Post("/service/upload_file.php", [this](const httplib::Request& req, httplib::Response& res) {
        std::string user = req.get_param_value("userid"), to = req.get_param_value("to");
        int kind = atoi(req.get_param_value("type").c_str());
        if (!req.has_file("userfile") || user.empty() || to.empty() || (kind != 1 && kind != 2)) {
            m_log("event upload refused user=" + user + " type=" + std::to_string(kind) + " to=" + to);
            res.status = 400;
            res.set_content("bad upload\n", "text/plain");
            return;
        }
        httplib::MultipartFormData file = req.get_file_value("userfile");
        std::string serverPath;
        std::string stored = StoredName(file.filename, m_counter.fetch_add(1) + 1);
        std::string path = (fsys::path(m_dataDir) / "upload" / stored).string();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(file.content.data(), std::streamsize(file.content.size()));
        out.close();
        if (!out) {
            res.status = 500;
            res.set_content("store failed\n", "text/plain");
            return;
        }
        serverPath = "/upload/" + stored;
        int receivers = 0;
        m_withCore([&](TalkServer& core) {
            receivers = core.AnnounceFile(user, kind, to, serverPath);
            m_log("event upload user=" + user + " type=" + std::to_string(kind) + " to=" + to + " name=" +
                  file.filename + " mime=" + file.content_type + " bytes=" + std::to_string(file.content.size()) +
                  " sendtime=" + req.get_param_value("sendtime") + " stored=" + stored +
                  " receivers=" + std::to_string(receivers));
        });
        res.set_content(serverPath + "\n", "text/plain");
    });

    svr.Get("/service/download_file.php", [this](const httplib::Request& req, httplib::Response& res) {
        std::string requested = req.get_param_value("filename");
        std::string path = Resolve((fsys::path(m_dataDir) / "upload").string(), requested);
        std::string body;
        if (path.empty() || !ReadWhole(path, body)) {
            m_withCore([&](TalkServer&) { m_log("event download missing file=" + requested); });
            res.status = 404;
            return;
        }
        m_withCore([&](TalkServer&) {
            m_log("event download file=" + requested + " bytes=" + std::to_string(body.size()));
        });
        res.set_content(std::move(body), "application/octet-stream");
    });

    svr.Get("/service/download_voice.php", [this](const httplib::Request& req, httplib::Response& res) {
        std::string requested = req.get_param_value("filename");
        char* end = nullptr;
        std::string posText = req.get_param_value("pos");
        long pos = strtol(posText.c_str(), &end, 10);
        std::string path = Resolve((fsys::path(m_dataDir) / "voice").string(), requested);
        std::string body;
        if (posText.empty() || *end || pos < 0 || pos > 100) {
            res.status = 400;
            return;
        }
        if (path.empty() || !ReadWhole(path, body)) {
            res.status = 404;
            return;
        }
        size_t from = size_t(uint64_t(body.size()) * uint64_t(pos) / 100);
        m_withCore([&](TalkServer&) {
            m_log("event voice file=" + requested + " pos=" + std::to_string(pos) +
                  " bytes=" + std::to_string(body.size() - from));
        });
        res.set_content(body.substr(from), "application/octet-stream");
    });

    int bound = port == 0 ? svr.bind_to_any_port(bindIp) : (svr.bind_to_port(bindIp, port) ? port : -1);
    if (bound <= 0) {
        error = "cannot bind the file service to " + bindIp + ":" + std::to_string(port);
        return -1;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    return bound;
}

void FileService::Stop()
{
    if (m_server)
        m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace vel::talkserver
