#include "CGTKClient.h"

#include "platform/base/Strings.h"
#include "talk/CDataReader.h"
#include "talk/ServerNotice.h"
#include "talk/StatusTable.h"
#include "talk/TalkLog.h"
#include "talk/TalkTags.h"

#include <chrono>
#include <cstring>

namespace vel {

namespace {

thread_local const CGTKClient* t_timerOwner = nullptr;

// Text of a fixed-size field of the connect record: it need not be
// terminated when it fills the field, so never read past the field.
template <size_t N> std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N));
}

} // namespace

int64_t TalkNowSeconds()
{
    using namespace std::chrono;
    return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count();
}

CGTKClient::CGTKClient() = default;

CGTKClient::~CGTKClient()
{
    Stop();
    m_udp.Stop();
}

uint32_t CGTKClient::Start()
{
    return m_udp.Start([this](const uint8_t* data, size_t len, const char* ip, uint16_t port) {
        Dispatch(data, len, ip, port);
    });
}

bool CGTKClient::IsOwnThread() const
{
    return t_timerOwner == this || CUDPClient::CurrentHandlerEndpoint() == &m_udp;
}

std::string CGTKClient::FileServer() const
{
    std::lock_guard lock(m_stateLock);
    return m_fileServer;
}

std::string CGTKClient::UserId() const
{
    std::lock_guard lock(m_stateLock);
    return FieldText(m_params.szUserId);
}

void CGTKClient::ServerAddress(std::string& ip, uint16_t& port) const
{
    std::lock_guard lock(m_stateLock);
    ip = FieldText(m_params.szServerIp);
    port = m_params.usServerPort;
}

void CGTKClient::SetNotifyCallback(GTK_NOTIFY_CALLBACK callback, void* user)
{
    std::lock_guard lock(m_notifyLock);
    m_notifyCallback = callback;
    m_notifyUser = user;
}

uint16_t CGTKClient::Notify(int32_t id, const std::string& xml)
{
    GTK_NOTIFY_CALLBACK cb;
    void* user;
    {
        std::lock_guard lock(m_notifyLock);
        cb = m_notifyCallback;
        user = m_notifyUser;
    }
    if (!cb)
        return 0;
    return cb(Handle(), id, xml.c_str(), int32_t(xml.size()), user);
}

uint16_t CGTKClient::NotifyDecision(int32_t id, const std::string& xml, bool& had)
{
    GTK_NOTIFY_CALLBACK cb;
    void* user;
    {
        std::lock_guard lock(m_notifyLock);
        cb = m_notifyCallback;
        user = m_notifyUser;
    }
    had = cb != nullptr;
    if (!cb)
        return 0;
    return cb(Handle(), id, xml.c_str(), int32_t(xml.size()), user);
}

uint32_t CGTKClient::Request(uint16_t command, const TLVItems& items, int waits, std::vector<uint8_t>& reply,
                             MsgHeader& header, std::atomic<uint32_t>* pendingSeq)
{
    std::string ip;
    uint16_t port;
    ServerAddress(ip, port);
    uint32_t seq = m_sequence.Next();
    std::vector<uint8_t> request;
    if (!PackRequest(command, seq, items, request))
        return GTK_ERR_PACK;
    reply.assign(CUDPClient::kMaxDatagram, 0);
    size_t replyLen = reply.size();
    if (pendingSeq)
        *pendingSeq = seq;
    int r = m_udp.SendMsgWaitReply(ip.c_str(), port, request.data(), request.size(), seq, reply.data(),
                                   replyLen, waits);
    if (pendingSeq)
        *pendingSeq = 0;
    if (r != 0)
        return GTK_ERR_NO_REPLY;
    reply.resize(replyLen);
    if (!ParseMsgHeader(reply.data(), reply.size(), header))
        return GTK_ERR_BAD_REPLY;
    return 0;
}

uint32_t CGTKClient::Register(const GTK_CONNECT_PARAM& params)
{
    {
        std::lock_guard lock(m_stateLock);
        m_params = params;
    }
    std::string remark = Utf16ToUtf8(AnsiToUtf16(FieldText(params.szRemark)));
    TLVItems items = {
        {tag::Puid, TLVValue::Str(FieldText(params.szPuid))},
        {tag::UserId, TLVValue::Str(FieldText(params.szUserId))},
        {tag::Password, TLVValue::Str(FieldText(params.szPassword))},
        {tag::RegisterFlag, TLVValue::UI2(1)},
        {tag::ClientKind, TLVValue::UI2(params.usClientKind)},
        {tag::LineNo, TLVValue::UI2(params.usLineNo)},
        {tag::Remark, TLVValue::Str(remark)},
    };
    std::vector<uint8_t> reply;
    MsgHeader h;
    if (uint32_t r = Request(cmd::Register, items, kRegisterWaits, reply, h))
        return r;
    uint16_t status = NormalizeStatus(h.status);
    if (status != kStatusOk) {
        m_registered = false;
        TalkLog("CGTKClient: Register failed\r\n");
        return GTK_ERR_SERVER_BASE + status;
    }
    TLVItems got;
    if (!DecodeItems(reply.data() + kMsgHeaderSize, h.bodyLength, got))
        return GTK_ERR_BAD_REPLY;
    const TLVGroup* period = FindItem(got, tag::HeartbeatPeriod);
    const TLVGroup* filePort = FindItem(got, tag::FilePort);
    if (!period || !filePort || !period->value.IsInteger() || !filePort->value.IsInteger())
        return GTK_ERR_BAD_REPLY;
    int32_t seconds = period->value.AsI32();
    if (seconds <= 0) {
        // A period of 0 would stop the timer arithmetic; keep the default.
        TalkLog("CGTKClient: heartbeat period %d ignored, using %u\r\n", seconds, kDefaultHeartbeatPeriod);
        seconds = kDefaultHeartbeatPeriod;
    }
    m_heartbeatPeriod = uint32_t(seconds);
    m_filePort = uint16_t(filePort->value.AsU32());
    m_lastAlive = TalkNowSeconds();
    m_registered = true;
    TimerStart();
    std::string fileServer = ItemText(got, tag::FileServer);
    {
        std::lock_guard lock(m_stateLock);
        m_fileServer = fileServer.empty() ? FieldText(m_params.szServerIp) : fileServer;
    }
    TalkLog("CGTKClient: %s Register OK\r\n", FieldText(params.szUserId).c_str());
    return 0;
}

void CGTKClient::Stop()
{
    SetNotifyCallback(nullptr, nullptr);
    if (m_registered.load()) {
        std::string ip;
        uint16_t port;
        ServerAddress(ip, port);
        std::vector<uint8_t> request;
        if (!PackRequest(cmd::Unregister, m_sequence.Next(), {{tag::UserId, TLVValue::Str(UserId())}},
                         request))
            TalkLog("CGTKClient: Pack Unregister failed\r\n");
        else if (m_udp.SendTo(ip.c_str(), port, request.data(), request.size()) != 0)
            TalkLog("CGTKClient: Send Unregister failed\r\n");
    }
    {
        std::lock_guard lock(m_timerLock);
        m_timerQuit = true;
    }
    m_timerCond.notify_all();
    // A heartbeat waiting for a silent server need not hold the stop up.
    if (uint32_t seq = m_heartbeatSeq.load())
        m_udp.WakeWaiter(seq);
    if (m_timerThread.joinable() && m_timerThread.get_id() != std::this_thread::get_id())
        m_timerThread.join();
    JoinWaitingThreads();
    ClearGroupAndCallState();
    {
        std::lock_guard lock(m_stateLock);
        memset(&m_params, 0, sizeof m_params);
        m_fileServer.clear();
    }
    m_registered = false;
}

void CGTKClient::TimerStart()
{
    std::lock_guard lock(m_timerLock);
    if (m_timerThread.joinable())
        return;
    m_timerQuit = false;
    try {
        m_timerThread = std::thread(&CGTKClient::TimerThread, this);
    } catch (...) {
        TalkLog("启动定时器线程失败!");
    }
    TalkLog("CGTKClient::TimerStart m_hTimerThread:%lu\r\n", (unsigned long)m_timerThread.native_handle());
}

void CGTKClient::TimerThread()
{
    t_timerOwner = this;
    std::string user = UserId();
    TalkLog("CGTKClient::TimerThread start :%s\r\n", user.c_str());
    m_tick = 0;
    for (;;) {
        bool quit = false;
        for (int half = 0; half < 2 && !quit; ++half) {
            std::unique_lock lk(m_timerLock);
            quit = m_timerQuit ||
                   m_timerCond.wait_for(lk, std::chrono::milliseconds(500), [&] { return m_timerQuit; });
        }
        if (quit) {
            TalkLog("CGTKClient::TimerThread quit :%s\r\n", user.c_str());
            return;
        }
        if (m_tick % m_heartbeatPeriod.load() == 0)
            SendHeartbeat();
        if (m_tick % 2 == 0)
            CheckKeepAlive();
        CheckCallData();
        ++m_tick;
    }
}

void CGTKClient::SendHeartbeat()
{
    if (!m_registered.load()) {
        TalkLog("CGTKClient: SendHeartbeat m_bRegister = false\r\n");
        return;
    }
    {
        std::lock_guard lock(m_timerLock);
        if (m_timerQuit)
            return;
    }
    std::vector<uint8_t> reply;
    MsgHeader h;
    uint32_t r = Request(cmd::Heartbeat, {{tag::UserId, TLVValue::Str(UserId())}}, kHeartbeatWaits, reply, h,
                         &m_heartbeatSeq);
    if (r == GTK_ERR_PACK) {
        TalkLog("CGTKClient: Pack SendHeartbeat failed\r\n");
        return;
    }
    if (r == GTK_ERR_NO_REPLY) {
        TalkLog("CGTKClient: Send Heartbeat failed\r\n");
        return;
    }
    if (r != 0) {
        TalkLog("Invalid KeepVoiceAlive pack\r\n");
        return;
    }
    uint16_t status = NormalizeStatus(h.status);
    if (status == kStatusOk) {
        m_lastAlive = TalkNowSeconds();
        return;
    }
    m_registered = false;
    ClearGroupAndCallState();
    Notify(0, TalkFormat("<Notify><command>%d</command><PARAM><retcode>%d</retcode></PARAM></Notify>", 0,
                         int(status)));
    TalkLog("CGTKClient: KeepVoiceAlive return failed%d\r\n", int(status));
}

void CGTKClient::CheckKeepAlive()
{
    if (!m_registered.load())
        return;
    int64_t limit = int64_t(kKeepAlivePeriods) * m_heartbeatPeriod.load();
    if (TalkNowSeconds() - m_lastAlive.load() <= limit)
        return;
    m_registered = false;
    ClearGroupAndCallState();
    Notify(0, TalkFormat("<Notify><command>%d</command></Notify>", 0));
    TalkLog("CGTKClient: KeepAlive TimeOut!\r\n");
}

void CGTKClient::CheckCallData()
{
    std::string peer;
    uint32_t session;
    {
        std::lock_guard lock(m_stateLock);
        if (m_call.callState != 2 || TalkNowSeconds() - m_call.lastVoiceTime <= kCallDataTimeout)
            return;
        peer = m_call.peerUser;
        session = m_call.callSession;
        m_call = CallState{};
    }
    Notify(33,
           TalkFormat("<Notify><command>%d</command><PARAM><type>%d</type><userid>%s</userid><para>%d</para>"
                      "</PARAM></Notify>",
                      33, kNoticeTypeCallDataTimeout, XmlEscape(peer).c_str(), int(session)));
    TalkLog("CGTKClient: User %s IndivData TimeOut!\r\n", peer.c_str());
}

void CGTKClient::ClearGroupAndCallState()
{
    std::lock_guard lock(m_stateLock);
    m_group = GroupState{};
    m_call = CallState{};
}

void CGTKClient::Dispatch(const uint8_t* data, size_t length, const char* ip, uint16_t port)
{
    if (!data || length < 2)
        return;
    if (data[0] == 0x41 && data[1] == 0x00) {
        OnGroupVoice(data, length, ip, port);
        return;
    }
    if (data[0] == 0x41 && data[1] == 0x01) {
        OnIndivVoice(data, length, ip, port);
        return;
    }
    if (!IsControlMessage(data, length))
        return;
    MsgHeader h;
    if (!ParseMsgHeader(data, length, h) || h.IsReply())
        return;
    const uint8_t* body = data + kMsgHeaderSize;
    if (h.command == cmd::ServerNotify) {
        OnServerNotify(h, body, ip, port);
        return;
    }
    using Handler = void (CGTKClient::*)(const MsgHeader&, const TLVItems&, bool, const char*, uint16_t);
    Handler handler = nullptr;
    switch (h.command) {
    case cmd::IndivCall: handler = &CGTKClient::OnIndivCall; break;
    case cmd::SwitchVideoChan: handler = &CGTKClient::OnSwitchVideoChan; break;
    case cmd::IndivInfo:
    case cmd::GroupInfo: handler = &CGTKClient::OnMessage; break;
    case cmd::GpsData: handler = &CGTKClient::OnGpsData; break;
    case cmd::PushVideo: handler = &CGTKClient::OnPushVideo; break;
    case cmd::TalkInvite: handler = &CGTKClient::OnCallInvite; break;
    case cmd::AlarmData: handler = &CGTKClient::OnAlarmData; break;
    case cmd::GroupTransData:
    case cmd::IndivTransData: handler = &CGTKClient::OnTransData; break;
    default: return; // not a request this session serves
    }
    TLVItems items;
    bool ok = DecodeItems(body, h.bodyLength, items);
    (this->*handler)(h, items, ok, ip, port);
}

void CGTKClient::OnServerNotify(const MsgHeader& h, const uint8_t* body, const char* ip, uint16_t port)
{
    TLVItems items;
    bool decoded = DecodeItems(body, h.bodyLength, items);
    uint32_t callSession, transactionId;
    {
        std::lock_guard lock(m_stateLock);
        callSession = m_call.callSession;
        transactionId = m_call.transactionId;
    }
    ServerNotice n = decoded ? BuildServerNotice(items, callSession, transactionId) : ServerNotice{};
    switch (n.outcome) {
    case ServerNotice::NoType:
        TalkLog("Invalid OnServerNotify stParam from %s:%d\r\n", ip, int(port));
        Answer(h, kStatusIdxInvalidParam, ip, port, "OnServerNotify SendMsg failed!\n");
        return;
    case ServerNotice::BadSession:
        TalkLog("Invalid uiSession of QuitIndivcall Notify from %s:%d\r\n", ip, int(port));
        Answer(h, kStatusIdxInvalidParam, ip, port, "OnServerNotify SendMsg failed!\n");
        return;
    case ServerNotice::Report:
        if (n.clearsCall) {
            std::lock_guard lock(m_stateLock);
            m_call = CallState{};
        }
        Notify(33, n.xml);
        Answer(h, kStatusIdxOk, ip, port, "OnServerNotify SendMsg failed!\n");
        return;
    }
}

void CGTKClient::Answer(const MsgHeader& request, uint16_t statusIndex, const char* ip, uint16_t port,
                        const char* failLog)
{
    std::vector<uint8_t> reply;
    if (!PackReply(request.command | kReplyFlag, statusIndex, request.sequence, {}, reply) ||
        m_udp.SendTo(ip, port, reply.data(), reply.size()) != 0)
        TalkLog("%s", failLog);
}

} // namespace vel
