#include "ServerLoop.h"

#include "tools/talkserver/ControlCommands.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vel::talkserver {

int64_t SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

ServerLoop::~ServerLoop()
{
    if (m_socket >= 0)
        close(m_socket);
}

bool ServerLoop::Open(const std::string& bindIp, uint16_t port, std::string& error)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    if (inet_pton(AF_INET, bindIp.c_str(), &addr.sin_addr) != 1) {
        error = "bad bind address " + bindIp;
        return false;
    }
    m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0) {
        error = std::string("socket: ") + strerror(errno);
        return false;
    }
    int rcvbuf = 1 << 21;
    setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    if (bind(m_socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = "bind " + bindIp + ":" + std::to_string(port) + ": " + strerror(errno);
        return false;
    }
    socklen_t len = sizeof addr;
    getsockname(m_socket, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_bindIp = bindIp;
    return true;
}

void ServerLoop::Send(const Endpoint& to, const std::vector<uint8_t>& datagram)
{
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(to.port);
    if (inet_pton(AF_INET, to.ip.c_str(), &addr.sin_addr) != 1)
        return;
    if (sendto(m_socket, datagram.data(), datagram.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&addr),
               sizeof addr) < 0)
        Event("event sendfailed to=" + to.Text() + " errno=" + std::to_string(errno));
}

void ServerLoop::Event(const std::string& line)
{
    std::string out = line + "\n";
    fwrite(out.data(), 1, out.size(), stdout);
    fflush(stdout);
}

void ServerLoop::Run(TalkServer& server, bool readControl)
{
    std::string pending;
    uint8_t buf[65536];
    for (;;) {
        pollfd fds[2] = {{m_socket, POLLIN, 0}, {readControl ? STDIN_FILENO : -1, POLLIN, 0}};
        int r = poll(fds, 2, 200);
        if (r < 0 && errno != EINTR) {
            Event(std::string("event pollerror ") + strerror(errno));
            return;
        }
        int64_t now = SteadyMs();
        if (r > 0 && (fds[0].revents & POLLIN)) {
            for (int i = 0; i < 256; ++i) {
                sockaddr_in from{};
                socklen_t fromLen = sizeof from;
                ssize_t n = recvfrom(m_socket, buf, sizeof buf, MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLen);
                if (n < 0)
                    break;
                char ip[INET_ADDRSTRLEN] = "";
                inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
                std::lock_guard lock(m_coreLock);
                server.OnDatagram(buf, size_t(n), Endpoint{ip, ntohs(from.sin_port)}, now);
            }
        }
        if (r > 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char chunk[4096];
            ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
            if (n <= 0)
                return; // the controlling side went away
            pending.append(chunk, size_t(n));
            for (size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
                std::string line = pending.substr(0, eol);
                pending.erase(0, eol + 1);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (line.empty() || line[0] == '#')
                    continue;
                std::unique_lock lock(m_coreLock);
                ControlResult res = RunControlCommand(server, line);
                Event(res.answer);
                lock.unlock();
                if (res.quit)
                    return;
            }
        }
        std::lock_guard lock(m_coreLock);
        server.OnTick(now);
    }
}

} // namespace vel::talkserver
