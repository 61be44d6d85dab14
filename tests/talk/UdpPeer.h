#pragma once
// A bare UDP socket on 127.0.0.1 for tests that play the server's part.

#include <arpa/inet.h>
#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace vel::test {

class UdpPeer
{
public:
    UdpPeer()
    {
        m_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        int buf = 1 << 22;
        setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &buf, sizeof buf);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t len = sizeof a;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        m_port = ntohs(a.sin_port);
    }
    ~UdpPeer() { close(m_fd); }
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    uint16_t Port() const { return m_port; }

    bool SendTo(uint16_t port, const uint8_t* data, size_t len)
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(port);
        return sendto(m_fd, data, len, 0, reinterpret_cast<sockaddr*>(&a), sizeof a) == ssize_t(len);
    }
    bool SendTo(uint16_t port, const std::vector<uint8_t>& d) { return SendTo(port, d.data(), d.size()); }

    // One datagram within timeoutMs, with its sender port; empty on time-out.
    std::vector<uint8_t> Receive(int timeoutMs, uint16_t* fromPort = nullptr)
    {
        pollfd p = {m_fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return {};
        std::vector<uint8_t> buf(65536);
        sockaddr_in from{};
        socklen_t len = sizeof from;
        ssize_t n = recvfrom(m_fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0)
            return {};
        buf.resize(size_t(n));
        if (fromPort)
            *fromPort = ntohs(from.sin_port);
        return buf;
    }

private:
    int m_fd = -1;
    uint16_t m_port = 0;
};

} // namespace vel::test
