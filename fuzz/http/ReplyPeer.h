#pragma once
// One loopback listening socket for the whole fuzzing run, and a helper
// that serves a single connection: it reads the client's request (up to
// `requestEnd`, or 200 ms of silence), answers with the input's bytes and
// closes, so each input is what the server said.

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace vel::fuzz {

class ReplyPeer
{
public:
    ReplyPeer()
    {
        m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
        listen(m_listen, 16);
    }
    uint16_t Port() const { return m_port; }

    // Serves one connection on a thread of its own; join it after the
    // client is done.
    std::thread Serve(std::string reply, std::string requestEnd)
    {
        return std::thread([this, reply = std::move(reply), requestEnd = std::move(requestEnd)] {
            pollfd p = {m_listen, POLLIN, 0};
            if (poll(&p, 1, 2000) <= 0)
                return;
            int c = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                return;
            std::string got;
            char buf[8192];
            while (got.size() < requestEnd.size() ||
                   got.compare(got.size() - requestEnd.size(), requestEnd.size(), requestEnd) != 0) {
                pollfd q = {c, POLLIN, 0};
                if (poll(&q, 1, 200) <= 0)
                    break;
                ssize_t n = recv(c, buf, sizeof buf, 0);
                if (n <= 0)
                    break;
                got.append(buf, size_t(n));
            }
            size_t off = 0;
            while (off < reply.size()) {
                ssize_t n = send(c, reply.data() + off, reply.size() - off, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                off += size_t(n);
            }
            close(c);
        });
    }

private:
    int m_listen = -1;
    uint16_t m_port = 0;
};

} // namespace vel::fuzz
