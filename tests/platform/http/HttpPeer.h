#pragma once

#include "support/Loopback.h"
// An HTTP server on loopback that says exactly what a test scripts: for each
// connection it reads the request head, then hands the socket and the
// request to the test's reply function, and closes. Replies may be hostile
// (garbage, truncated, endless, silent); Hold() keeps a connection open
// without a word until the client gives up or the peer is destroyed.

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vel::test {

class HttpPeer
{
public:
    class Conn
    {
    public:
        Conn(int fd, const std::atomic<bool>& quit) : m_fd(fd), m_quit(quit) {}
        // false once the client has gone (or the peer is shutting down).
        bool Send(const std::string& bytes)
        {
            size_t off = 0;
            while (off < bytes.size()) {
                if (m_quit)
                    return false;
                pollfd p = {m_fd, POLLOUT, 0};
                if (poll(&p, 1, 50) <= 0)
                    continue;
                ssize_t n = send(m_fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
                if (n <= 0)
                    return false;
                off += size_t(n);
            }
            return true;
        }
        // Says nothing for ms (forever when negative) or until the client
        // closes; true when the client is still there.
        bool Hold(int ms = -1)
        {
            auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
            while (!m_quit && (ms < 0 || std::chrono::steady_clock::now() < end)) {
                pollfd p = {m_fd, POLLIN, 0};
                if (poll(&p, 1, 20) > 0) {
                    char b[512];
                    if (recv(m_fd, b, sizeof b, MSG_DONTWAIT) <= 0)
                        return false;
                }
            }
            return !m_quit;
        }

        // Reads until `end` has arrived, the client closes, or nothing comes
        // for idleMs; returns what was read.
        std::string Receive(const std::string& end, int idleMs = 1000)
        {
            std::string got;
            char b[65536];
            while (!m_quit && (got.size() < end.size() || got.compare(got.size() - end.size(), end.size(), end) != 0)) {
                pollfd p = {m_fd, POLLIN, 0};
                if (poll(&p, 1, idleMs) <= 0)
                    break;
                ssize_t n = recv(m_fd, b, sizeof b, 0);
                if (n <= 0)
                    break;
                got.append(b, size_t(n));
            }
            return got;
        }

    private:
        int m_fd;
        const std::atomic<bool>& m_quit;
    };

    using Reply = std::function<void(Conn& conn, const std::string& request)>;

    explicit HttpPeer(Reply reply) : m_reply(std::move(reply))
    {
        m_listen = ListenOnLoopback(m_port, 8);
        m_thread = std::thread([this] { Run(); });
    }
    ~HttpPeer()
    {
        m_quit = true;
        m_thread.join();
        close(m_listen);
    }
    uint16_t Port() const { return m_port; }
    std::string Url(const std::string& path = "/file") const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    std::vector<std::string> Requests()
    {
        std::lock_guard l(m_lock);
        return m_requests;
    }

    // "HTTP/1.1 <status>\r\n<headers>\r\n" + body.
    static std::string Response(const std::string& status, const std::string& headers, const std::string& body)
    {
        return "HTTP/1.1 " + status + "\r\n" + headers + "\r\n" + body;
    }

private:
    void Run()
    {
        while (!m_quit) {
            pollfd p = {m_listen, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0)
                continue;
            int c = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            std::string request;
            char buf[4096];
            auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            while (!m_quit && request.find("\r\n\r\n") == std::string::npos &&
                   std::chrono::steady_clock::now() < end) {
                pollfd q = {c, POLLIN, 0};
                if (poll(&q, 1, 20) <= 0)
                    continue;
                ssize_t n = recv(c, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                request.append(buf, size_t(n));
            }
            {
                std::lock_guard l(m_lock);
                m_requests.push_back(request);
            }
            Conn conn(c, m_quit);
            m_reply(conn, request);
            close(c);
        }
    }

    Reply m_reply;
    int m_listen = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_quit{false};
    std::mutex m_lock;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

} // namespace vel::test
