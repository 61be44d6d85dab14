#pragma once
// One talk session: a registered presence of a user on the talk server.
//
//   created --Start--> started (UDP running, unregistered)
//           --Register--> registered (timer thread: heartbeats, checks)
//           --heartbeat answered != 200, or no good heartbeat for more than
//             6 periods--> unregistered (host told with command 0; the timer
//             keeps running, heartbeats stop; no automatic re-registration)
//           --Stop--> stopped (unregister sent if registered, timer joined)
//
// Threads: the host's thread registers and runs operations; the timer thread
// sends heartbeats and runs the checks once a second; the UDP handler
// threads run the dispatcher. Notify callbacks therefore arrive on handler
// or timer threads, possibly concurrently.
//
// Locks: m_stateLock guards the connect parameters, the group and call state
// and the data callbacks; m_notifyLock guards the notify callback pair (copied
// out, then called with no lock held). `registered` is atomic.

#include "talk/CUDPClient.h"
#include "talk/SquadVoice.h"
#include "talk/TLVGroup.h"
#include "talk/TalkMessage.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace vel {

class CGTKClient
{
public:
    static constexpr uint16_t kDefaultFilePort = 8500;
    static constexpr uint32_t kDefaultHeartbeatPeriod = 10;
    static constexpr int kRegisterWaits = 4;
    static constexpr int kHeartbeatWaits = 4;
    static constexpr int kKeepAlivePeriods = 6;
    static constexpr int64_t kCallDataTimeout = 15;
    static constexpr int kNoticeTypeCallDataTimeout = 523;

    CGTKClient();
    ~CGTKClient();
    CGTKClient(const CGTKClient&) = delete;
    CGTKClient& operator=(const CGTKClient&) = delete;

    // Starts the UDP endpoint on an ephemeral port: 0, 0xE0090003, 0xE0090007.
    uint32_t Start();
    // Registers (command 1, 4 waits). 0 or a result code.
    uint32_t Register(const GTK_CONNECT_PARAM& params);
    // Clears the notify callback, unregisters when registered, ends the timer
    // thread and forgets the parameters. The caller stops Udp() afterwards.
    void Stop();
    void TimerStart();

    void SetNotifyCallback(GTK_NOTIFY_CALLBACK callback, void* user);

    void* Handle() { return this; }
    bool IsRegistered() const { return m_registered.load(); }
    // True on this session's timer or UDP handler threads.
    bool IsOwnThread() const;
    CUDPClient& Udp() { return m_udp; }

    uint32_t HeartbeatPeriod() const { return m_heartbeatPeriod.load(); }
    uint16_t FilePort() const { return m_filePort.load(); }
    std::string FileServer() const;
    std::string UserId() const;

    // The message handler installed in the UDP endpoint.
    void Dispatch(const uint8_t* data, size_t length, const char* ip, uint16_t port);

private:
    struct GroupState
    {
        int32_t channel = -1;
        GTK_GROUP_VOICE_CALLBACK voiceCallback = nullptr;
        void* voiceUser = nullptr;
        uint16_t token = 0;
    };
    // Cleared to zero as a whole.
    struct CallState
    {
        int callState = 0; // 0 idle, 1 waiting for the callee, 2 in call
        uint32_t pendingSequence = 0;
        std::string peerUser;
        GTK_INDIV_VOICE_CALLBACK voiceCallback = nullptr;
        void* voiceUser = nullptr;
        uint32_t callSession = 0;
        uint32_t transactionId = 0;
        uint8_t isCaller = 0;
        int64_t lastVoiceTime = 0;
    };

    // Sends a request to the server and waits for the reply bytes. 0,
    // 0xE0090004 (pack), 0xE009000A (no reply), 0xE0090006 (bad header).
    uint32_t Request(uint16_t command, const TLVItems& items, int waits, std::vector<uint8_t>& reply,
                     MsgHeader& header, std::atomic<uint32_t>* pendingSeq = nullptr);
    void SendHeartbeat();
    void TimerThread();
    void CheckKeepAlive();
    void CheckCallData();
    void ClearGroupAndCallState();
    void OnServerNotify(const MsgHeader& h, const uint8_t* body, const char* ip, uint16_t port);
    // Answers a server request: its command with bit 15 set, its sequence,
    // no items, the status at a position of the status table.
    void Answer(const MsgHeader& request, uint16_t statusIndex, const char* ip, uint16_t port,
                const char* failLog);
    uint16_t Notify(int32_t id, const std::string& xml);
    void ServerAddress(std::string& ip, uint16_t& port) const;

    CUDPClient m_udp;
    SequenceCounter m_sequence;
    std::atomic<bool> m_registered{false};

    mutable std::mutex m_stateLock;
    GTK_CONNECT_PARAM m_params{};
    std::string m_fileServer;
    GroupState m_group;
    CallState m_call;

    std::atomic<uint16_t> m_filePort{kDefaultFilePort};
    std::atomic<uint32_t> m_heartbeatPeriod{kDefaultHeartbeatPeriod};
    std::atomic<int64_t> m_lastAlive{0};
    std::atomic<uint32_t> m_heartbeatSeq{0};

    std::mutex m_notifyLock;
    GTK_NOTIFY_CALLBACK m_notifyCallback = nullptr;
    void* m_notifyUser = nullptr;

    std::mutex m_timerLock;
    std::condition_variable m_timerCond;
    bool m_timerQuit = false;
    std::thread m_timerThread;
    uint32_t m_tick = 0;
};

// Seconds of a steady clock (the session's "now").
int64_t TalkNowSeconds();

} // namespace vel
