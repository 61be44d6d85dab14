#include "TalkServerProcess.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#ifndef VEL_TALKSERVER_PATH
#error "VEL_TALKSERVER_PATH must name the talkserver executable"
#endif

namespace vel::test {

TalkServerProcess::TalkServerProcess(Options options)
{
    std::string base = std::filesystem::temp_directory_path().string() + "/vel-talkserver-XXXXXX";
    if (!mkdtemp(base.data()))
        throw std::runtime_error("mkdtemp failed");
    m_dir = base;
    std::ofstream(m_dir + "/users.txt") << options.users;

    std::vector<std::string> args = {VEL_TALKSERVER_PATH,
                                     "--users",
                                     m_dir + "/users.txt",
                                     "--bind",
                                     "127.0.0.1",
                                     "--port",
                                     "0",
                                     "--heartbeat",
                                     std::to_string(options.heartbeat)};
    if (options.fileService) {
        args.push_back("--data");
        args.push_back(m_dir + "/data");
    }
    args.insert(args.end(), options.extraArgs.begin(), options.extraArgs.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    m_pid = fork();
    if (m_pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    m_stdin = in[1];
    m_stdout = out[0];
    m_reader = std::thread(&TalkServerProcess::ReadLoop, this);

    std::string first = WaitFor("listening ", std::chrono::seconds(10));
    size_t colon = first.rfind(':');
    if (first.empty() || colon == std::string::npos)
        throw std::runtime_error("talkserver did not start: " + Transcript());
    m_port = uint16_t(atoi(first.c_str() + colon + 1));
    if (options.fileService) {
        std::string http = WaitFor("http ", std::chrono::seconds(1));
        m_httpPort = uint16_t(atoi(http.c_str() + http.rfind(':') + 1));
    }
}

TalkServerProcess::~TalkServerProcess()
{
    if (m_stdin >= 0) {
        const char quit[] = "quit\n";
        ssize_t ignored = write(m_stdin, quit, sizeof quit - 1);
        (void)ignored;
        close(m_stdin);
    }
    if (m_pid > 0) {
        int status = 0;
        for (int i = 0; i < 200 && waitpid(m_pid, &status, WNOHANG) == 0; ++i)
            usleep(10000);
        if (waitpid(m_pid, &status, WNOHANG) == 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
    }
    if (m_reader.joinable())
        m_reader.join();
    if (m_stdout >= 0)
        close(m_stdout);
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

void TalkServerProcess::ReadLoop()
{
    std::string pending;
    char buf[4096];
    for (;;) {
        ssize_t n = read(m_stdout, buf, sizeof buf);
        if (n <= 0)
            break;
        pending.append(buf, size_t(n));
        std::lock_guard lock(m_lock);
        for (size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
            m_lines.push_back(pending.substr(0, eol));
            pending.erase(0, eol + 1);
        }
        m_cond.notify_all();
    }
    std::lock_guard lock(m_lock);
    m_eof = true;
    m_cond.notify_all();
}

std::string TalkServerProcess::Command(const std::string& line)
{
    size_t from = Mark();
    std::string text = line + "\n";
    if (write(m_stdin, text.data(), text.size()) != ssize_t(text.size()))
        return "error write failed";
    std::unique_lock lock(m_lock);
    std::string answer;
    m_cond.wait_for(lock, std::chrono::seconds(10), [&] {
        for (size_t i = from; i < m_lines.size(); ++i)
            if (m_lines[i].rfind("ok", 0) == 0 || m_lines[i].rfind("error", 0) == 0) {
                answer = m_lines[i];
                return true;
            }
        return m_eof;
    });
    return answer.empty() ? "error no answer" : answer;
}

uint32_t TalkServerProcess::SeqOf(const std::string& answer)
{
    size_t at = answer.find("seq=");
    return at == std::string::npos ? 0 : uint32_t(strtoul(answer.c_str() + at + 4, nullptr, 10));
}

size_t TalkServerProcess::Mark() const
{
    std::lock_guard lock(m_lock);
    return m_lines.size();
}

std::string TalkServerProcess::WaitFor(const std::string& text, std::chrono::milliseconds timeout,
                                       size_t from)
{
    std::unique_lock lock(m_lock);
    std::string found;
    m_cond.wait_for(lock, timeout, [&] {
        for (size_t i = from; i < m_lines.size(); ++i)
            if (m_lines[i].find(text) != std::string::npos) {
                found = m_lines[i];
                return true;
            }
        return m_eof;
    });
    return found;
}

size_t TalkServerProcess::Count(const std::string& text, size_t from) const
{
    std::lock_guard lock(m_lock);
    size_t n = 0;
    for (size_t i = from; i < m_lines.size(); ++i)
        n += m_lines[i].find(text) != std::string::npos;
    return n;
}

std::string TalkServerProcess::Transcript() const
{
    std::lock_guard lock(m_lock);
    std::string all;
    for (auto& l : m_lines)
        all += l + "\n";
    return all;
}

} // namespace vel::test
