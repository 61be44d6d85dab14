#pragma once
// The talk server's socket loop: one UDP socket, the control lines on
// standard input, and a tick for the loss check, all in one poll loop. It
// knows nothing of the protocol: datagrams go to TalkServer::OnDatagram,
// control lines to RunControlCommand, and the protocol's events and the
// control answers are written to standard output, one line each.

#include "tools/talkserver/TalkServer.h"

#include <mutex>
#include <string>

namespace vel::talkserver {

class ServerLoop : public Transport, public EventSink
{
public:
    ~ServerLoop() override;
    bool Open(const std::string& bindIp, uint16_t port, std::string& error);
    uint16_t Port() const { return m_port; }
    const std::string& BindIp() const { return m_bindIp; }
    // Runs until "quit" or the end of standard input (when readControl).
    void Run(TalkServer& server, bool readControl);

    // Held while the protocol core runs; other threads (the file service)
    // take it to use the core.
    std::mutex& CoreLock() { return m_coreLock; }

    void Send(const Endpoint& to, const std::vector<uint8_t>& datagram) override;
    void Event(const std::string& line) override;

private:
    std::mutex m_coreLock;
    int m_socket = -1;
    uint16_t m_port = 0;
    std::string m_bindIp;
};

int64_t SteadyMs();

} // namespace vel::talkserver
