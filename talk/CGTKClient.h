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
#include <functional>
#include <memory>
#include <set>
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

    // --- group and individual talk (each 0 or a result code) ---
    static constexpr int kShortWaits = 4;
    static constexpr int kMediumWaits = 8;
    static constexpr int kLongWaits = 20;
    static constexpr int kAnswerWaits = 70;
    static constexpr int kResultRejected = 253;
    static constexpr int kResultBusy = 254;
    static constexpr int kResultNoResponse = 252;
    static constexpr int kResultOther = 255;
    static constexpr int32_t kNotifyCallResult = 32817;
    static constexpr int32_t kNotifyInviteResult = 32837;

    uint32_t JoinGroup(uint16_t channel, GTK_GROUP_VOICE_CALLBACK callback, void* user);
    uint32_t QuitGroup();
    uint32_t ReleaseFloor();
    uint32_t SendGroupVoice(uint16_t channel, const uint8_t* bytes, size_t length);
    uint32_t BreakSpeak(uint16_t channel, const std::string& user);
    uint32_t TalkInvite(uint16_t channel, const std::string& invitee, const std::string& ansiText);
    // Asynchronous forms: the call id (the request's sequence) in `callId`;
    // the result arrives later as notify 32837 / 32817.
    uint32_t TalkInviteEx(uint16_t channel, const std::string& invitee, const std::string& ansiText, bool forced,
                          uint32_t& callId);
    uint32_t IndivCall(const std::string& callee, uint8_t video, GTK_INDIV_VOICE_CALLBACK callback, void* user);
    uint32_t IndivCallEx(const std::string& callee, uint8_t video, GTK_INDIV_VOICE_CALLBACK callback, void* user,
                         bool forced, uint32_t& callId);
    uint32_t HangUp();
    uint32_t BreakUpIndivCall(uint32_t session);
    uint32_t SendIndivVoice(const std::string& dest, const uint8_t* bytes, size_t length);
    uint32_t PushVideo(const std::string& user, const std::string& url, const std::string& ansiText);
    uint32_t IndivInfo(const std::string& user, const std::string& ansiText);
    uint32_t GroupInfo(uint16_t channel, const std::string& ansiText);
    uint32_t TransData(const std::string& user, const uint8_t* bytes, size_t length);
    uint32_t TransGroupData(uint16_t channel, const uint8_t* bytes, size_t length);

    void SetIndivCallCallback(GTK_INDIV_VOICE_CALLBACK callback, void* user);
    void SetTransDataCallback(GTK_DATA_CALLBACK callback, void* user);
    void SetGpsCallback(GTK_GPS_CALLBACK callback, void* user);
    void SetAlarmCallback(GTK_ALARM_CALLBACK callback, void* user);

    // Snapshots for hosts and tests.
    int32_t Channel() const;
    int CallStateValue() const;
    uint32_t CallSession() const;
    std::string PeerUser() const;

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
    // As Notify; false in `had` when no notify callback is set.
    uint16_t NotifyDecision(int32_t id, const std::string& xml, bool& had);

    // A request with a sequence chosen by the caller.
    uint32_t RequestSeq(uint32_t seq, uint16_t command, const TLVItems& items, int waits,
                        std::vector<uint8_t>& reply, MsgHeader& header);
    // A request whose result is just the reply's status (0 or 0xE0000000 +
    // status); `noReplyLog` is written when no reply came.
    uint32_t SimpleRequest(uint16_t command, const TLVItems& items, int waits, const char* noReplyLog);
    uint32_t StartWaitingThread(uint32_t seq, std::function<void()> body);
    void AsyncCallThread(uint32_t seq, std::vector<uint8_t> request, std::string callee,
                         GTK_INDIV_VOICE_CALLBACK callback, void* user);
    void AsyncInviteThread(uint32_t seq, std::vector<uint8_t> request, std::string invitee);
    int WaitPacked(uint32_t seq, const std::vector<uint8_t>& request, int waits, std::vector<uint8_t>& reply,
                   MsgHeader& header);
    void JoinWaitingThreads();

    void OnGroupVoice(const uint8_t* data, size_t length, const char* ip, uint16_t port);
    void OnIndivVoice(const uint8_t* data, size_t length, const char* ip, uint16_t port);
    void OnIndivCall(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port);
    void OnCallInvite(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port);
    void OnMessage(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port);
    void OnPushVideo(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port);
    void OnSwitchVideoChan(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port);
    void OnTransData(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port);
    void OnGpsData(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port);
    void OnAlarmData(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port);
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

    // Individual-call callback kept apart from the call record, which is
    // cleared as a whole: SetIndivCallCallBack fills both.
    GTK_DATA_CALLBACK m_dataCallback = nullptr;
    void* m_dataUser = nullptr;
    GTK_GPS_CALLBACK m_gpsCallback = nullptr;
    void* m_gpsUser = nullptr;
    GTK_ALARM_CALLBACK m_alarmCallback = nullptr;
    void* m_alarmUser = nullptr;

    // Waiting threads of asynchronous calls and invitations, and the
    // sequences they wait for (woken at Stop).
    std::mutex m_waitLock;
    struct WaitThread
    {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
        uint32_t seq;
    };
    std::vector<WaitThread> m_waitThreads;
    bool m_stopping = false;

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
