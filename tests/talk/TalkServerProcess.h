#pragma once
// Runs tools/talkserver as a child process on an ephemeral loopback port
// and talks to it over its control lines (stdin) and event lines (stdout).

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vel::test {

class TalkServerProcess
{
public:
    struct Options
    {
        unsigned heartbeat = 1;
        std::string users = "alice pw-a\nbob pw-b unit-b\ncarol pw-c\n";
        std::vector<std::string> extraArgs;
        bool fileService = false; // run the HTTP file service (data folder in the temp dir)
    };

    TalkServerProcess() : TalkServerProcess(Options{}) {}
    explicit TalkServerProcess(Options options);
    ~TalkServerProcess();
    TalkServerProcess(const TalkServerProcess&) = delete;
    TalkServerProcess& operator=(const TalkServerProcess&) = delete;

    uint16_t Port() const { return m_port; }
    uint16_t HttpPort() const { return m_httpPort; }
    std::string DataDir() const { return m_dir + "/data"; }
    // Sends a control line and returns its answer ("ok ..." / "error ...").
    std::string Command(const std::string& line);
    // The sequence number of an "ok seq=N" answer (0 when there is none).
    static uint32_t SeqOf(const std::string& answer);

    // Number of output lines so far; pass it as `from` to look only later.
    size_t Mark() const;
    // Waits for a line containing `text` at index >= from; "" on time-out.
    std::string WaitFor(const std::string& text, std::chrono::milliseconds timeout, size_t from = 0);
    size_t Count(const std::string& text, size_t from = 0) const;
    std::string Transcript() const;

private:
    void ReadLoop();

    std::string m_dir;
    int m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    uint16_t m_port = 0;
    uint16_t m_httpPort = 0;
    std::thread m_reader;
    mutable std::mutex m_lock;
    std::condition_variable m_cond;
    std::vector<std::string> m_lines;
    bool m_eof = false;
};

} // namespace vel::test
