#pragma once

#include "support/Loopback.h"
// A TCP server on loopback that misbehaves on purpose: for each connection
// it reads what it is told to, then answers with fixed bytes (or nothing)
// and closes, so hostile HTTP replies can be tried against the clients.

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace vel::test {

class RawTcpPeer
{
public:
    enum class Read
    {
        Nothing,  // never read (the sender's buffers fill up)
        HeadOnly, // read up to the end of the request head
        All,      // read until the client stops sending for 300 ms
    };

    RawTcpPeer(std::string answer, Read read, int holdMs = 0) : m_answer(std::move(answer)), m_read(read), m_holdMs(holdMs)
    {
        m_listen = vel::test::ListenOnLoopback(m_port, 4, 4096);
        m_thread = std::thread([this] { Run(); });
    }
    ~RawTcpPeer()
    {
        m_quit = true;
        m_thread.join();
        close(m_listen);
    }
    uint16_t Port() const { return m_port; }
    size_t Received() const { return m_received.load(); }

private:
    void Run()
    {
        while (!m_quit) {
            pollfd p = {m_listen, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            int c = accept(m_listen, nullptr, nullptr);
            if (c < 0)
                continue;
            std::string got;
            char buf[4096];
            while (m_read != Read::Nothing && !m_quit) {
                pollfd q = {c, POLLIN, 0};
                if (poll(&q, 1, 300) <= 0)
                    break;
                ssize_t n = recv(c, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                got.append(buf, size_t(n));
                m_received += size_t(n);
                if (m_read == Read::HeadOnly && got.find("\r\n\r\n") != std::string::npos)
                    break;
            }
            for (int waited = 0; waited < m_holdMs && !m_quit; waited += 20)
                usleep(20000);
            if (!m_answer.empty())
                send(c, m_answer.data(), m_answer.size(), MSG_NOSIGNAL);
            close(c);
        }
    }

    std::string m_answer;
    Read m_read;
    int m_holdMs;
    int m_listen = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_quit{false};
    std::atomic<size_t> m_received{0};
    std::thread m_thread;
};

} // namespace vel::test
