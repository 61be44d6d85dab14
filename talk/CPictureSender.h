#pragma once
// Upload of one file to the talk server's file service: a multipart POST
// written by hand over a plain TCP socket, on a worker thread of its own.
//
//   Start --connect--> worker: head + body head (one send), the file in
//   512-byte pieces (progress = bytes sent x 100 / size), body tail, then up
//   to 10 s for the response head --> socket closed.
//   Any failure sets progress to -1. Stop sets `stop`, shuts the socket down
//   (a send stuck on a server that stopped reading ends at once) and joins
//   the worker; a stopped upload keeps its last percentage.
//
// Sends block at most kSendTimeoutSec each, so a server that stops reading
// cannot hold the worker for ever.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace vel {

class CPictureSender
{
public:
    static constexpr const char* kBoundary = "---------------------------7daf10c20d06";
    static constexpr int kResponseWaitSec = 10;
    static constexpr int kSendTimeoutSec = 10;
    static constexpr size_t kPiece = 512;
    static constexpr size_t kResponseMax = 10240;

    CPictureSender() = default;
    ~CPictureSender();
    CPictureSender(const CPictureSender&) = delete;
    CPictureSender& operator=(const CPictureSender&) = delete;

    // Connects and starts the worker: 0, or the system error (errno) of the
    // step that failed; a task that already has a socket or thread is
    // refused with EBUSY. `path` is a Windows path or a host path (ANSI).
    int Start(const std::string& server, uint16_t port, const std::string& userId, int kind,
              const std::string& to, const std::string& path);
    int32_t Progress() const { return m_progress.load(); }
    bool Finished() const { return m_finished.load(); }
    void Stop();

    // The Content-Type for a file name (case-insensitive on its end; the
    // last matching entry wins; application/octet-stream when none does).
    static const char* MimeType(std::string_view name);
    // "%04d-%02d-%02d%20%02d:%02d:%02d" of the local time now.
    static std::string SendTime();
    // The request head, body head and body tail for a file.
    static std::string BodyHead(const std::string& utf8Name, const char* mime);
    static std::string BodyTail();
    static std::string RequestHead(const std::string& server, const std::string& userId, int kind,
                                   const std::string& to, const std::string& sendTime, uint64_t contentLength);

private:
    void Worker();
    bool SendAll(const char* data, size_t length);

    std::mutex m_socketLock; // the worker closes, Stop shuts down
    int m_socket = -1;
    std::thread m_thread;
    std::atomic<int32_t> m_progress{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::string m_server;
    uint16_t m_port = 0;
    std::string m_userId;
    int m_kind = 2;
    std::string m_to;
    std::string m_path;
};

} // namespace vel
