#include "CUDPClient.h"

#include "talk/SquadVoice.h"
#include "talk/TalkLog.h"
#include "talk/TalkMessage.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vel {

namespace {

thread_local const CUDPClient* t_handlerEndpoint = nullptr;

int64_t SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

CUDPClient::CUDPClient() = default;

CUDPClient::~CUDPClient()
{
    Stop();
}

const CUDPClient* CUDPClient::CurrentHandlerEndpoint()
{
    return t_handlerEndpoint;
}

bool CUDPClient::Create(uint16_t& port, MessageHandler handler)
{
    if (m_socket.load() >= 0) {
        TalkLog("CUDPClient::Create socket create already!\n");
        return false;
    }
    if (!handler) {
        TalkLog("parameter pfn of function CUDPSrv::Create is NULL!\n");
        return false;
    }
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (s < 0)
        return false;
    int rcvbuf = kReceiveBufferBytes;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(port);
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(s);
        return false;
    }
    // An unconnected UDP socket on Linux does not report ICMP port-unreachable
    // errors on later receives, so no "connection reset" has to be switched off.
    if (port == 0) {
        socklen_t len = sizeof addr;
        if (getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
            port = ntohs(addr.sin_port);
    }
    m_port = port;
    m_handler = std::move(handler);
    m_socket = s;
    return true;
}

uint32_t CUDPClient::Start(MessageHandler handler)
{
    Stop();
    uint16_t port = 0;
    if (!Create(port, std::move(handler)))
        return GTK_ERR_SOCKET;
    if (pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_wake[0] = m_wake[1] = -1;
        CloseSocket();
        return GTK_ERR_THREAD;
    }
    m_stop = false;
    {
        std::lock_guard lock(m_queueLock);
        m_quitHandlers = false;
    }
    if (!m_recvThread.joinable()) {
        try {
            m_recvThread = std::thread(&CUDPClient::ReceiveLoop, this);
        } catch (...) {
            Stop();
            return GTK_ERR_THREAD;
        }
        TalkLog("CUDPClient::Start m_hRecvThread :0x%lx!\r\n", (unsigned long)m_recvThread.native_handle());
    }
    return 0;
}

bool CUDPClient::IsRunning() const
{
    return m_socket.load() >= 0 && !m_stop.load();
}

void CUDPClient::CloseSocket()
{
    std::lock_guard lock(m_sendLock);
    int s = m_socket.exchange(-1);
    if (s >= 0)
        close(s);
}

void CUDPClient::Stop()
{
    if (t_handlerEndpoint == this) {
        // Joining the pool from inside it would wait for itself forever.
        TalkLog("CUDPClient::Stop called from its own handler thread, refused\n");
        return;
    }
    m_stop = true;
    if (m_wake[1] >= 0) {
        char b = 1;
        ssize_t ignored = write(m_wake[1], &b, 1);
        (void)ignored;
    }
    if (m_recvThread.joinable())
        m_recvThread.join();
    CloseSocket();
    for (int& fd : m_wake) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }

    std::deque<std::unique_ptr<Datagram>> discarded;
    {
        std::lock_guard lock(m_queueLock);
        m_quitHandlers = true;
        discarded.swap(m_queue);
        if (m_busy >= 1)
            TalkLog("There are still running impMsgHandler...%d\n", int(m_busy));
    }
    m_queueCond.notify_all();
    for (auto& d : discarded)
        ReturnSlot(std::move(d));
    for (std::thread& t : m_handlers)
        if (t.joinable())
            t.join();
    m_handlers.clear();
    std::lock_guard lock(m_queueLock);
    m_handlerCount = 0;
    m_idle = 0;
}

int CUDPClient::SendTo(const char* ip, uint16_t port, const uint8_t* bytes, size_t length)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    std::lock_guard lock(m_sendLock);
    int s = m_socket.load();
    bool ok = ip && inet_pton(AF_INET, ip, &to.sin_addr) == 1 && s >= 0 && bytes &&
              sendto(s, bytes, length, MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to), sizeof to) ==
                  ssize_t(length);
    if (!ok) {
        int err = errno;
        std::string text = bytes ? MessageText(bytes, length) : std::string();
        TalkLog("sendto failed,IP:%s, port:%d, msg:%s, sock:%d, err=%d\n", ip ? ip : "", int(port),
                text.c_str(), s, err);
        return -1;
    }
    return 0;
}

int CUDPClient::SendMsgWaitReply(const char* ip, uint16_t port, const uint8_t* bytes, size_t length,
                                 uint32_t sequence, uint8_t* replyBuffer, size_t& replyLength, int waits)
{
    WaitBlock block;
    {
        std::lock_guard lock(m_waiterLock);
        if (m_cancelled.erase(sequence))
            return -2; // ended (a hang-up) before it was sent: nothing goes out
        if (!m_waiters.emplace(sequence, Waiter{&block, replyBuffer, replyBuffer ? replyLength : 0, 0})
                 .second) {
            TalkLog("SendMsgWaitReply: sequence 0x%x is already waiting\n", sequence);
            return -1;
        }
    }
    int result = -1;
    if (SendTo(ip, port, bytes, length) == 0) {
        for (int i = 0; i < waits; ++i) {
            // Each wait lasts a whole second, so `waits` is a lower bound of
            // the time a reply is given (a steady clock, immune to clock steps).
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            bool woken;
            {
                std::unique_lock lk(block.lock);
                woken = block.cond.wait_until(lk, deadline, [&] { return block.signalled; });
                if (woken)
                    block.signalled = false;
            }
            if (!woken)
                TalkLog("wait for response 0x%x too long: %s\n", sequence,
                        MessageText(bytes, length).c_str());
            size_t received;
            {
                std::lock_guard lock(m_waiterLock);
                received = m_waiters.at(sequence).received;
            }
            if (received) {
                replyLength = received;
                result = 0;
                break;
            }
            if (woken) {
                result = -2;
                break;
            }
        }
    }
    std::lock_guard lock(m_waiterLock);
    m_waiters.erase(sequence);
    return result;
}

bool CUDPClient::WakeWaiter(uint32_t sequence, bool evenIfNotYetWaiting)
{
    std::lock_guard lock(m_waiterLock);
    auto it = m_waiters.find(sequence);
    if (it == m_waiters.end()) {
        if (evenIfNotYetWaiting) {
            if (m_cancelled.size() >= kMaxCancelled)
                m_cancelled.erase(m_cancelled.begin());
            m_cancelled.insert(sequence);
        }
        return false;
    }
    std::lock_guard blk(it->second.block->lock);
    it->second.block->signalled = true;
    it->second.block->cond.notify_one();
    return true;
}

bool CUDPClient::DeliverReply(uint32_t sequence, const Datagram& d)
{
    std::lock_guard lock(m_waiterLock);
    auto it = m_waiters.find(sequence);
    if (it == m_waiters.end())
        return false; // late or unknown: dropped silently
    Waiter& w = it->second;
    if (w.capacity < d.length || w.received)
        return false; // too large for the caller's buffer: the waiter times out
    memcpy(w.buffer, d.bytes, d.length);
    w.received = d.length;
    std::lock_guard blk(w.block->lock);
    w.block->signalled = true;
    w.block->cond.notify_one();
    return true;
}

std::unique_ptr<CUDPClient::Datagram> CUDPClient::TakeSlot()
{
    std::lock_guard lock(m_slotLock);
    if (!m_freeSlots.empty()) {
        auto d = std::move(m_freeSlots.back());
        m_freeSlots.pop_back();
        return d;
    }
    auto d = std::unique_ptr<Datagram>(new (std::nothrow) Datagram);
    if (d)
        ++m_slotCount;
    return d;
}

void CUDPClient::ReturnSlot(std::unique_ptr<Datagram> d)
{
    if (!d)
        return;
    std::lock_guard lock(m_slotLock);
    if (m_freeSlots.size() < kKeptFreeSlots) {
        m_freeSlots.push_back(std::move(d));
        return;
    }
    d.reset();
    --m_slotCount;
}

void CUDPClient::ReceiveLoop()
{
    int s = m_socket.load();
    std::vector<std::unique_ptr<Datagram>> batch;
    batch.reserve(kReadsPerWake);
    while (!m_stop.load()) {
        bool waiting;
        {
            std::lock_guard lock(m_queueLock);
            waiting = !m_queue.empty() && m_idle == 0 && m_handlerCount < m_handlerLimit;
        }
        pollfd fds[2] = {{s, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        int r = poll(fds, 2, waiting ? int(kStallMs) : 2000);
        if (waiting)
            GrowHandlersIfStalled();
        if (r == 0)
            continue;
        if (r < 0) {
            if (errno == EINTR)
                continue;
            TalkLog("UDP srv select error! errorno=%d\n", errno);
            break;
        }
        if (fds[1].revents)
            break; // Stop
        uint64_t got = 0;
        for (size_t i = 0; i < kReadsPerWake && !m_stop.load(); ++i) {
            auto d = TakeSlot();
            if (!d) {
                // No memory for a slot: read the datagram into nowhere so
                // the socket does not stay readable forever.
                char sink;
                if (recv(s, &sink, 1, MSG_DONTWAIT) < 0)
                    break;
                m_dropped++;
                continue;
            }
            sockaddr_in from{};
            socklen_t fromLen = sizeof from;
            ssize_t n = recvfrom(s, d->bytes, kMaxDatagram, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from),
                                 &fromLen);
            if (n < 0) {
                int err = errno;
                ReturnSlot(std::move(d));
                if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR)
                    break;
                char ip[32] = "";
                inet_ntop(AF_INET, &from.sin_addr, ip, sizeof ip);
                TalkLog("Socket error while recv data from %s (port:%d)! errno=%d\n", ip,
                        int(ntohs(from.sin_port)), err);
                break;
            }
            if (n == 0) {
                ReturnSlot(std::move(d));
                TalkLog("the peer socket has sent a zero-len msg!");
                continue;
            }
            inet_ntop(AF_INET, &from.sin_addr, d->ip, sizeof d->ip);
            d->port = ntohs(from.sin_port);
            d->length = uint32_t(n);
            ++got;
            if (auto queued = OnDatagram(std::move(d)))
                batch.push_back(std::move(queued));
        }
        // Queued in one go per wake-up: one lock and at most one wake for a
        // whole burst.
        Enqueue(batch);
        m_received += got; // counted once queued, so a reader of the statistics sees both together
    }
    TalkLog("udp impRun quits\n");
}

std::unique_ptr<CUDPClient::Datagram> CUDPClient::OnDatagram(std::unique_ptr<Datagram> d)
{
    if (IsControlMessage(d->bytes, d->length)) {
        MsgHeader h;
        if (!ParseMsgHeader(d->bytes, d->length, h)) {
            TalkLog("malformed message header from %s:%d (%u bytes) dropped\n", d->ip, int(d->port),
                    d->length);
            ReturnSlot(std::move(d));
            return nullptr;
        }
        TalkLog("usCmdType:%x(seq:%x)\n", h.command, h.sequence);
        if (h.IsReply()) {
            // A reply never reaches the message handler, matched or not.
            if (DeliverReply(h.sequence, *d))
                m_replies++;
            ReturnSlot(std::move(d));
            return nullptr;
        }
    }
    return d;
}

bool CUDPClient::NeedsHandlerLocked(int64_t nowMs) const
{
    if (m_queue.empty() || m_idle > 0 || m_handlerCount >= m_handlerLimit)
        return false;
    // Grow when nobody handles anything, when the running handlers have not
    // taken a record for a while (they are blocked, e.g. a host deciding on
    // a call), or when the backlog outgrows them.
    return m_handlerCount == 0 || nowMs - m_lastTakeMs >= kStallMs ||
           m_queue.size() > kBacklogPerHandler * m_handlerCount;
}

void CUDPClient::SpawnHandler()
{
    try {
        m_handlers.emplace_back(&CUDPClient::HandlerLoop, this);
    } catch (const std::system_error& e) {
        std::unique_ptr<Datagram> oldest;
        size_t count;
        {
            std::lock_guard lock(m_queueLock);
            count = --m_handlerCount;
            if (!m_queue.empty()) {
                oldest = std::move(m_queue.front());
                m_queue.pop_front();
            }
        }
        if (oldest) {
            m_dropped++;
            ReturnSlot(std::move(oldest));
        }
        TalkLog("pthread_create __RecvThread error, errno=%d, threads count=%d\n", e.code().value(),
                int(count));
        m_queueCond.notify_one();
    }
}

void CUDPClient::GrowHandlersIfStalled()
{
    bool spawn;
    {
        std::lock_guard lock(m_queueLock);
        spawn = NeedsHandlerLocked(SteadyMs());
        if (spawn)
            ++m_handlerCount;
    }
    if (spawn)
        SpawnHandler();
}

void CUDPClient::Enqueue(std::vector<std::unique_ptr<Datagram>>& batch)
{
    if (batch.empty())
        return;
    std::vector<std::unique_ptr<Datagram>> pushedOut;
    bool spawn = false, wake = false;
    {
        std::lock_guard lock(m_queueLock);
        for (auto& d : batch) {
            m_queue.push_back(std::move(d));
            if (m_queue.size() > kMaxQueued) {
                pushedOut.push_back(std::move(m_queue.front()));
                m_queue.pop_front();
            }
        }
        if (m_idle > 0) {
            wake = true;
        } else if (NeedsHandlerLocked(SteadyMs())) {
            spawn = true;
            ++m_handlerCount;
        }
    }
    batch.clear();
    for (auto& d : pushedOut) {
        m_dropped++;
        ReturnSlot(std::move(d));
        TalkLog(" too many unhandled msg!\n");
    }
    // One wake per batch: a handler that finds more passes the wake on.
    if (wake)
        m_queueCond.notify_one();
    if (spawn)
        SpawnHandler();
}

void CUDPClient::HandlerLoop()
{
    t_handlerEndpoint = this;
    std::unique_lock lk(m_queueLock);
    for (;;) {
        ++m_idle;
        m_queueCond.wait(lk, [&] { return m_quitHandlers || !m_queue.empty(); });
        --m_idle;
        if (m_quitHandlers)
            break;
        auto d = std::move(m_queue.front());
        m_queue.pop_front();
        m_lastTakeMs = SteadyMs();
        ++m_busy;
        // More is waiting and another handler sleeps: pass the wake on, so a
        // handler that blocks in the message handler never holds others up.
        bool chain = !m_queue.empty() && m_idle > 0;
        lk.unlock();
        if (chain)
            m_queueCond.notify_one();
        try {
            m_handler(d->bytes, d->length, d->ip, d->port);
        } catch (...) {
            TalkLog("message handler failed on a datagram from %s:%d\n", d->ip, int(d->port));
        }
        m_handled++;
        ReturnSlot(std::move(d));
        lk.lock();
        --m_busy;
    }
    t_handlerEndpoint = nullptr;
}

CUDPClient::Stats CUDPClient::GetStats() const
{
    Stats s;
    s.received = m_received.load();
    s.replies = m_replies.load();
    s.dropped = m_dropped.load();
    s.handled = m_handled.load();
    {
        std::lock_guard lock(m_queueLock);
        s.queued = m_queue.size();
        s.handlers = m_handlerCount;
        s.busy = m_busy;
    }
    std::lock_guard lock(m_slotLock);
    s.slots = m_slotCount;
    return s;
}

void CUDPClient::SetHandlerLimit(size_t limit)
{
    std::lock_guard lock(m_queueLock);
    m_handlerLimit = limit ? limit : 1;
}

} // namespace vel
