#pragma once
// The UDP endpoint of one talk session. Every control message and voice
// datagram to and from the talk server passes through it.
//
//   receive thread   poll (2 s tick) -> recvfrom into a 7,168-byte slot ->
//                    a reply (A5 B5, command bits 15..14 = 10) is matched to
//                    its waiter right here and never queued; anything else
//                    is appended to the queue
//   queue            at most 1,999 records; a newer datagram pushes the
//                    oldest one out (" too many unhandled msg!")
//   handler pool     threads that take the oldest record and call the
//                    message handler. One more starts (up to a limit, 64 by
//                    default) when records wait, none is idle, and either no
//                    record was taken for 10 ms (the handlers are blocked,
//                    e.g. a host deciding on a call) or the backlog exceeds
//                    256 records per handler; so a blocked handler holds the
//                    others up for 10 ms at most, a burst does not spawn a
//                    crowd, and replies are never stuck behind handlers
//   waiters          SendMsgWaitReply registers {sequence, buffer} before it
//                    sends, then waits in one-second waits for the receive
//                    thread to store the reply
//
// States: closed (no socket) -> Create -> open -> Start -> running -> Stop ->
// closed; an endpoint can be started again. Stop wakes the receive thread,
// joins it, closes the socket (only then, so the descriptor number cannot be
// reused under a running poll), then ends and joins the handler threads;
// records still queued are discarded.
//
// Locks (none recursive, never more than two held, always in this order):
// m_waiterLock then a wait block's own mutex; m_queueLock; m_slotLock;
// m_sendLock. The message handler runs with no lock held.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace vel {

class CUDPClient
{
public:
    // (datagram bytes, length, sender address as dotted text, sender port)
    using MessageHandler = std::function<void(const uint8_t*, size_t, const char*, uint16_t)>;

    static constexpr size_t kMaxDatagram = 7168;
    static constexpr size_t kMaxQueued = 1999;
    static constexpr int kReceiveBufferBytes = 0x190000;
    static constexpr size_t kDefaultHandlerLimit = 64;
    static constexpr uint16_t kDefaultPort = 7500;
    static constexpr int64_t kStallMs = 10;
    static constexpr size_t kBacklogPerHandler = 256;
    // Datagrams read (and queued together) per wake-up of the receive thread.
    static constexpr size_t kReadsPerWake = 64;
    // Freed slots kept for reuse; beyond this a burst's slots go back to the heap.
    static constexpr size_t kKeptFreeSlots = 64;

    struct Datagram
    {
        char ip[32];
        uint16_t port; // host order
        uint32_t length;
        uint8_t bytes[kMaxDatagram];
    };

    struct Stats
    {
        uint64_t received = 0; // datagrams taken from the socket
        uint64_t replies = 0;  // replies handed to a waiter
        uint64_t dropped = 0;  // records pushed out of a full queue or without a handler thread
        uint64_t handled = 0;  // records the message handler returned from
        size_t queued = 0;     // records waiting now
        size_t slots = 0;      // records allocated now (queued, in a handler, or kept for reuse)
        size_t handlers = 0;   // handler threads
        size_t busy = 0;       // handler threads inside the message handler
    };

    CUDPClient();
    ~CUDPClient();
    CUDPClient(const CUDPClient&) = delete;
    CUDPClient& operator=(const CUDPClient&) = delete;

    // Opens and binds the socket (port 0: the system chooses; the chosen port
    // is written back). False when a socket exists, the handler is empty, or
    // the socket cannot be made or bound.
    bool Create(uint16_t& port, MessageHandler handler);
    // Stops any earlier run, creates on an ephemeral port and starts the
    // receive thread. 0, 0xE0090003 (socket) or 0xE0090007 (thread).
    uint32_t Start(MessageHandler handler);
    void Stop();

    // One datagram; 0, or -1 when it could not be sent.
    int SendTo(const char* ip, uint16_t port, const uint8_t* bytes, size_t length);
    // Sends once and waits up to `waits` one-second waits for the reply with
    // this sequence. 0 with the reply in replyBuffer (replyLength: capacity
    // in, reply length out); -1 when none came (or the send failed); -2 when
    // the wait was ended by WakeWaiter without a reply.
    int SendMsgWaitReply(const char* ip, uint16_t port, const uint8_t* bytes, size_t length,
                         uint32_t sequence, uint8_t* replyBuffer, size_t& replyLength, int waits);
    // Ends the current wait of a pending SendMsgWaitReply (the hang-up of a
    // call that is still ringing). False when no such waiter exists; with
    // evenIfNotYetWaiting the sequence is remembered, and a SendMsgWaitReply
    // for it that starts later returns -2 at once without sending (a thread
    // about to wait cannot miss its hang-up).
    bool WakeWaiter(uint32_t sequence, bool evenIfNotYetWaiting = false);

    uint16_t Port() const { return m_port.load(); }
    bool IsRunning() const;
    Stats GetStats() const;
    // Upper bound of handler threads (at least 1). Takes effect for new ones.
    void SetHandlerLimit(size_t limit);

    // The endpoint whose handler thread is the calling thread, or null.
    static const CUDPClient* CurrentHandlerEndpoint();

private:
    struct WaitBlock
    {
        std::mutex lock;
        std::condition_variable cond;
        bool signalled = false;
    };
    struct Waiter
    {
        WaitBlock* block;
        uint8_t* buffer;
        size_t capacity;
        size_t received;
    };

    void ReceiveLoop();
    // Delivers a reply; returns the datagram when it is to be queued.
    std::unique_ptr<Datagram> OnDatagram(std::unique_ptr<Datagram> d);
    bool DeliverReply(uint32_t sequence, const Datagram& d);
    void Enqueue(std::vector<std::unique_ptr<Datagram>>& batch);
    bool NeedsHandlerLocked(int64_t nowMs) const;
    void SpawnHandler();
    void GrowHandlersIfStalled();
    void HandlerLoop();
    std::unique_ptr<Datagram> TakeSlot();
    void ReturnSlot(std::unique_ptr<Datagram> d);
    void CloseSocket();

    std::atomic<int> m_socket{-1};
    int m_wake[2] = {-1, -1};
    std::thread m_recvThread;
    std::atomic<uint16_t> m_port{kDefaultPort};
    std::atomic<bool> m_stop{false};
    MessageHandler m_handler;

    mutable std::mutex m_queueLock;
    std::condition_variable m_queueCond;
    std::deque<std::unique_ptr<Datagram>> m_queue;
    std::vector<std::thread> m_handlers; // touched by the receive thread and Stop only
    size_t m_idle = 0;
    size_t m_busy = 0;
    size_t m_handlerCount = 0;
    size_t m_handlerLimit = kDefaultHandlerLimit;
    int64_t m_lastTakeMs = 0;
    bool m_quitHandlers = false;

    mutable std::mutex m_slotLock;
    std::vector<std::unique_ptr<Datagram>> m_freeSlots;
    size_t m_slotCount = 0;

    std::mutex m_waiterLock;
    std::map<uint32_t, Waiter> m_waiters;
    static constexpr size_t kMaxCancelled = 256;
    std::set<uint32_t> m_cancelled; // ended before their wait began

    std::mutex m_sendLock;

    std::atomic<uint64_t> m_received{0}, m_replies{0}, m_dropped{0}, m_handled{0};
};

} // namespace vel
