// Group and individual talk: the requests a host makes on a registered
// session, the voice it sends, and the threads that wait for the answer of
// an asynchronous call or invitation.
//
// Individual call states (m_call.callState):
//   0 idle --own call request--> 1 waiting --200 with a session--> 2 in call
//                                          --anything else-------> 0
//   0 --incoming call accepted--> 2;  2 --hang-up, peer left (0x020B),
//   15 s without voice, lost registration--> 0
// A waiting thread only completes its call while the state is still 1 for
// its own request, so a hang-up (or a newer call) wins over a late answer.

#include "CGTKClient.h"

#include "platform/base/Strings.h"
#include "talk/CDataReader.h"
#include "talk/CDataWriter.h"
#include "talk/ServerNotice.h"
#include "talk/StatusTable.h"
#include "talk/TalkLog.h"
#include "talk/TalkTags.h"

#include <cstring>

namespace vel {

namespace {

std::string AnsiToUtf8(const std::string& ansi)
{
    return Utf16ToUtf8(AnsiToUtf16(ansi));
}

// Result of an asynchronous call or invitation for the host.
int AsyncResult(int r, const MsgHeader& h, bool hasSession, bool invite)
{
    if (r != 0)
        return CGTKClient::kResultNoResponse;
    uint16_t status = NormalizeStatus(h.status);
    if (status == kStatusOk)
        return hasSession ? 0 : CGTKClient::kResultOther;
    if (status == 413)
        return CGTKClient::kResultRejected;
    if (status == (invite ? 425 : 416))
        return CGTKClient::kResultBusy;
    if (status == 417)
        return CGTKClient::kResultNoResponse;
    return CGTKClient::kResultOther;
}

uint32_t StatusResult(const MsgHeader& h)
{
    uint16_t status = NormalizeStatus(h.status);
    return status == kStatusOk ? 0 : GTK_ERR_SERVER_BASE + status;
}

} // namespace

uint32_t CGTKClient::RequestSeq(uint32_t seq, uint16_t command, const TLVItems& items, int waits,
                                std::vector<uint8_t>& reply, MsgHeader& header)
{
    std::vector<uint8_t> request;
    if (!PackRequest(command, seq, items, request))
        return GTK_ERR_PACK;
    int r = WaitPacked(seq, request, waits, reply, header);
    if (r == -3)
        return GTK_ERR_BAD_REPLY;
    return r == 0 ? 0 : GTK_ERR_NO_REPLY;
}

// 0 with the reply, -1 no reply, -2 woken without a reply, -3 unparsable.
int CGTKClient::WaitPacked(uint32_t seq, const std::vector<uint8_t>& request, int waits,
                           std::vector<uint8_t>& reply, MsgHeader& header)
{
    std::string ip;
    uint16_t port;
    ServerAddress(ip, port);
    reply.assign(CUDPClient::kMaxDatagram, 0);
    size_t replyLen = reply.size();
    int r = m_udp.SendMsgWaitReply(ip.c_str(), port, request.data(), request.size(), seq, reply.data(), replyLen,
                                   waits);
    if (r != 0)
        return r;
    reply.resize(replyLen);
    return ParseMsgHeader(reply.data(), reply.size(), header) ? 0 : -3;
}

uint32_t CGTKClient::SimpleRequest(uint16_t command, const TLVItems& items, int waits, const char* noReplyLog)
{
    if (!m_registered.load())
        return GTK_ERR_INVALID_STATE;
    std::vector<uint8_t> reply;
    MsgHeader h;
    uint32_t r = Request(command, items, waits, reply, h);
    if (r == GTK_ERR_NO_REPLY && noReplyLog)
        TalkLog("%s", noReplyLog);
    return r ? r : StatusResult(h);
}

// --- group ---

uint32_t CGTKClient::JoinGroup(uint16_t channel, GTK_GROUP_VOICE_CALLBACK callback, void* user)
{
    if (!m_registered.load())
        return GTK_ERR_INVALID_STATE;
    std::vector<uint8_t> reply;
    MsgHeader h;
    TLVItems items = {{tag::UserId, TLVValue::Str(UserId())}, {tag::Channel, TLVValue::UI2(channel)}};
    if (uint32_t r = Request(cmd::JoinGroup, items, kShortWaits, reply, h))
        return r;
    if (uint32_t r = StatusResult(h))
        return r;
    TLVItems got;
    if (!DecodeItems(reply.data() + kMsgHeaderSize, h.bodyLength, got))
        return GTK_ERR_BAD_REPLY;
    const TLVGroup* token = FindItem(got, tag::GroupToken);
    if (!token || !token->value.IsInteger())
        return GTK_ERR_BAD_REPLY;
    std::lock_guard lock(m_stateLock);
    m_group.channel = channel;
    m_group.voiceCallback = callback;
    m_group.voiceUser = user;
    m_group.token = uint16_t(token->value.AsU32());
    return 0;
}

uint32_t CGTKClient::QuitGroup()
{
    uint32_t r = SimpleRequest(cmd::QuitGroup, {{tag::UserId, TLVValue::Str(UserId())}}, kShortWaits, nullptr);
    if (r == 0) {
        std::lock_guard lock(m_stateLock);
        m_group = GroupState{};
    }
    return r;
}

uint32_t CGTKClient::ReleaseFloor()
{
    int32_t channel = Channel();
    if (!m_registered.load() || channel < 0)
        return GTK_ERR_INVALID_STATE;
    return SimpleRequest(cmd::ReleaseFloor,
                         {{tag::UserId, TLVValue::Str(UserId())}, {tag::Channel, TLVValue::UI2(uint16_t(channel))}},
                         kShortWaits, nullptr);
}

uint32_t CGTKClient::SendGroupVoice(uint16_t channel, const uint8_t* bytes, size_t length)
{
    if (!bytes || length == 0)
        return GTK_ERR_INVALID_ARG;
    uint16_t token;
    std::string user, ip;
    uint16_t port, kind;
    {
        std::lock_guard lock(m_stateLock);
        if (!m_registered.load() || m_group.channel < 0 || uint16_t(m_group.channel) != channel) {
            TalkLog("CGTKClient: Send GroupVoiceData order error\r\n");
            return GTK_ERR_INVALID_STATE;
        }
        token = m_group.token;
        user = std::string(m_params.szUserId, strnlen(m_params.szUserId, sizeof m_params.szUserId));
        ip = std::string(m_params.szServerIp, strnlen(m_params.szServerIp, sizeof m_params.szServerIp));
        port = m_params.usServerPort;
        kind = m_params.usClientKind;
    }
    std::vector<uint8_t> d;
    try {
        CDataWriter w;
        w.WriteTLVGroup({tag::UserId, TLVValue::Str(user)});
        w.WriteTLVGroup({tag::ClientKind, TLVValue::UI2(kind)});
        size_t head = 6 + w.Length();
        if (head > 255)
            return GTK_ERR_PACK;
        d.reserve(head + length);
        d = {0x41, 0x00, uint8_t(channel >> 8), uint8_t(channel), uint8_t(token), uint8_t(head)};
        d.insert(d.end(), w.Data(), w.Data() + w.Length());
    } catch (...) {
        return GTK_ERR_PACK;
    }
    d.insert(d.end(), bytes, bytes + length);
    if (m_udp.SendTo(ip.c_str(), port, d.data(), d.size()) != 0) {
        TalkLog("CGTKClient: Send GroupVoiceData failed\r\n");
        return GTK_ERR_NO_REPLY;
    }
    return 0;
}

uint32_t CGTKClient::BreakSpeak(uint16_t channel, const std::string& user)
{
    return SimpleRequest(cmd::BreakSpeak,
                         {{tag::UserId, TLVValue::Str(UserId())},
                          {tag::Channel, TLVValue::UI2(channel)},
                          {tag::BreakUser, TLVValue::Str(user)}},
                         kMediumWaits, "CGTKClient::BreakSpeak SendMsgWaitReply failed\r\n");
}

// --- invitations ---

namespace {

TLVItems InviteItems(const std::string& own, uint16_t channel, const std::string& invitee,
                     const std::string& ansiText)
{
    TLVItems items = {{tag::FromUser, TLVValue::Str(own)}};
    if (!invitee.empty())
        items.push_back({tag::ToUser, TLVValue::Str(invitee)});
    items.push_back({tag::Channel, TLVValue::UI2(channel)});
    items.push_back({tag::Text, TLVValue::Str(AnsiToUtf8(ansiText))});
    return items;
}

} // namespace

uint32_t CGTKClient::TalkInvite(uint16_t channel, const std::string& invitee, const std::string& ansiText)
{
    return SimpleRequest(cmd::TalkInvite, InviteItems(UserId(), channel, invitee, ansiText), kLongWaits,
                         "CGTKClient::TalkInvite SendMsgWaitReply failed\r\n");
}

uint32_t CGTKClient::TalkInviteEx(uint16_t channel, const std::string& invitee, const std::string& ansiText,
                                  bool forced, uint32_t& callId)
{
    if (!m_registered.load())
        return GTK_ERR_INVALID_STATE;
    TLVItems items = InviteItems(UserId(), channel, invitee, ansiText);
    items.push_back({tag::CallMode, TLVValue::UI2(forced ? 2 : 1)});
    uint32_t seq = m_sequence.Next();
    std::vector<uint8_t> request;
    if (!PackRequest(cmd::TalkInvite, seq, items, request))
        return GTK_ERR_PACK;
    callId = seq;
    return StartWaitingThread(seq, [this, seq, request = std::move(request), invitee]() mutable {
        AsyncInviteThread(seq, std::move(request), invitee);
    });
}

void CGTKClient::AsyncInviteThread(uint32_t seq, std::vector<uint8_t> request, std::string invitee)
{
    std::vector<uint8_t> reply;
    MsgHeader h;
    int r = WaitPacked(seq, request, kAnswerWaits, reply, h);
    {
        std::lock_guard lock(m_waitLock);
        if (m_stopping)
            return; // the session is closing: nobody to tell
    }
    int result = r == -3 ? kResultOther : AsyncResult(r, h, true, true);
    Notify(kNotifyInviteResult,
           TalkFormat("<Notify><command>%d</command><PARAM><callid>%d</callid><result>%d</result><userid>%s</userid>"
                      "</PARAM></Notify>",
                      kNotifyInviteResult, int(seq), result, XmlEscape(invitee).c_str()));
}

// --- individual calls ---

uint32_t CGTKClient::IndivCall(const std::string& callee, uint8_t video, GTK_INDIV_VOICE_CALLBACK callback,
                               void* user)
{
    if (!m_registered.load())
        return GTK_ERR_INVALID_STATE;
    uint32_t seq = m_sequence.Next();
    {
        std::lock_guard lock(m_stateLock);
        if (m_call.callState != 0)
            return GTK_ERR_INVALID_STATE;
        m_call.callState = 1;
        m_call.pendingSequence = seq;
    }
    TLVItems items = {{tag::FromUser, TLVValue::Str(UserId())},
                      {tag::ToUser, TLVValue::Str(callee)},
                      {tag::VideoCall, TLVValue::UI2(video)}};
    std::vector<uint8_t> reply;
    MsgHeader h;
    uint32_t r = RequestSeq(seq, cmd::IndivCall, items, kLongWaits, reply, h);
    if (r == GTK_ERR_NO_REPLY)
        TalkLog("CGTKClient::IndivCall SendMsgWaitReply failed\r\n");
    if (r == 0)
        r = StatusResult(h);
    uint32_t session = 0;
    if (r == 0) {
        TLVItems got;
        const TLVGroup* s = nullptr;
        if (DecodeItems(reply.data() + kMsgHeaderSize, h.bodyLength, got))
            s = FindItem(got, tag::CallSession);
        if (!s || !s->value.IsInteger())
            r = GTK_ERR_BAD_REPLY;
        else
            session = s->value.AsU32();
    }
    std::lock_guard lock(m_stateLock);
    bool mine = m_call.callState == 1 && m_call.pendingSequence == seq;
    if (r == 0 && !mine)
        r = GTK_ERR_INVALID_STATE; // hung up while it rang
    if (r != 0) {
        if (mine)
            m_call = CallState{};
        return r;
    }
    m_call.peerUser = callee;
    m_call.voiceCallback = callback;
    m_call.voiceUser = user;
    m_call.callSession = session;
    m_call.isCaller = 1;
    m_call.callState = 2;
    m_call.pendingSequence = 0;
    m_call.lastVoiceTime = TalkNowSeconds();
    return 0;
}

uint32_t CGTKClient::IndivCallEx(const std::string& callee, uint8_t video, GTK_INDIV_VOICE_CALLBACK callback,
                                 void* user, bool forced, uint32_t& callId)
{
    if (!m_registered.load())
        return GTK_ERR_INVALID_STATE;
    uint32_t seq = m_sequence.Next();
    TLVItems items = {{tag::FromUser, TLVValue::Str(UserId())},
                      {tag::ToUser, TLVValue::Str(callee)},
                      {tag::VideoCall, TLVValue::UI2(video)},
                      {tag::CallMode, TLVValue::UI2(forced ? 2 : 1)}};
    std::vector<uint8_t> request;
    if (!PackRequest(cmd::IndivCall, seq, items, request))
        return GTK_ERR_PACK;
    {
        // Taken here rather than on the waiting thread, so a second call
        // made before that thread runs is refused.
        std::lock_guard lock(m_stateLock);
        if (m_call.callState != 0)
            return GTK_ERR_INVALID_STATE;
        m_call.callState = 1;
        m_call.pendingSequence = seq;
    }
    uint32_t r = StartWaitingThread(seq, [this, seq, request = std::move(request), callee, callback, user]() mutable {
        AsyncCallThread(seq, std::move(request), callee, callback, user);
    });
    if (r != 0) {
        std::lock_guard lock(m_stateLock);
        if (m_call.callState == 1 && m_call.pendingSequence == seq)
            m_call = CallState{};
        return r;
    }
    callId = seq;
    return 0;
}

void CGTKClient::AsyncCallThread(uint32_t seq, std::vector<uint8_t> request, std::string callee,
                                 GTK_INDIV_VOICE_CALLBACK callback, void* user)
{
    TalkLog("CALLSTATUS_WAIT!");
    std::vector<uint8_t> reply;
    MsgHeader h;
    int r = WaitPacked(seq, request, kAnswerWaits, reply, h);
    bool hasSession = false;
    uint32_t session = 0;
    if (r == 0) {
        TLVItems got;
        if (DecodeItems(reply.data() + kMsgHeaderSize, h.bodyLength, got))
            if (const TLVGroup* s = FindItem(got, tag::CallSession); s && s->value.IsInteger()) {
                hasSession = true;
                session = s->value.AsU32();
            }
    }
    int result = r == -3 ? kResultOther : AsyncResult(r, h, hasSession, false);
    {
        std::lock_guard lock(m_waitLock);
        if (m_stopping)
            return;
    }
    {
        std::lock_guard lock(m_stateLock);
        if (m_call.callState != 1 || m_call.pendingSequence != seq)
            return; // hung up meanwhile: nothing to report
        if (result == 0) {
            m_call.peerUser = callee;
            m_call.voiceCallback = callback;
            m_call.voiceUser = user;
            m_call.callSession = session;
            m_call.isCaller = 1;
            m_call.callState = 2;
            m_call.pendingSequence = 0;
            m_call.lastVoiceTime = TalkNowSeconds();
        } else {
            m_call = CallState{};
        }
    }
    Notify(kNotifyCallResult,
           TalkFormat("<Notify><command>%d</command><PARAM><callid>%d</callid><result>%d</result><userid>%s</userid>"
                      "</PARAM></Notify>",
                      kNotifyCallResult, int(seq), result, XmlEscape(callee).c_str()));
}

uint32_t CGTKClient::StartWaitingThread(uint32_t seq, std::function<void()> body)
{
    std::lock_guard lock(m_waitLock);
    if (m_stopping)
        return GTK_ERR_INVALID_STATE;
    // Threads that ended are joined here, so the list stays short.
    for (auto it = m_waitThreads.begin(); it != m_waitThreads.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = m_waitThreads.erase(it);
        } else {
            ++it;
        }
    }
    try {
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::thread t([body = std::move(body), done] {
            body();
            done->store(true);
        });
        m_waitThreads.push_back({std::move(t), done, seq});
    } catch (const std::bad_alloc&) {
        return GTK_ERR_NO_MEMORY;
    } catch (...) {
        TalkLog("启动线程失败!");
        return GTK_ERR_WAIT_THREAD;
    }
    return 0;
}

void CGTKClient::JoinWaitingThreads()
{
    std::vector<WaitThread> threads;
    {
        std::lock_guard lock(m_waitLock);
        m_stopping = true;
        threads.swap(m_waitThreads);
    }
    for (auto& t : threads) {
        // Its request may not be waiting yet: the wake is remembered then.
        if (!t.done->load())
            m_udp.WakeWaiter(t.seq, true);
        t.thread.join();
    }
    std::lock_guard lock(m_waitLock);
    m_stopping = false;
}

uint32_t CGTKClient::HangUp()
{
    if (!m_registered.load())
        return GTK_ERR_INVALID_STATE;
    uint32_t session;
    {
        std::lock_guard lock(m_stateLock);
        if (m_call.callState == 1)
            m_udp.WakeWaiter(m_call.pendingSequence, true);
        session = m_call.callSession;
        m_call = CallState{};
    }
    return SimpleRequest(cmd::HangUp,
                         {{tag::UserId, TLVValue::Str(UserId())}, {tag::CallSession, TLVValue::UI4(session)}},
                         kShortWaits, "CGTKClient::Hangup SendMsgWaitReply failed\r\n");
}

uint32_t CGTKClient::BreakUpIndivCall(uint32_t session)
{
    return SimpleRequest(cmd::BreakUpIndivCall,
                         {{tag::UserId, TLVValue::Str(UserId())}, {tag::CallSession, TLVValue::UI4(session)}},
                         kMediumWaits, "CGTKClient::BreakUpIndivCall SendMsgWaitReply failed\r\n");
}

uint32_t CGTKClient::SendIndivVoice(const std::string& dest, const uint8_t* bytes, size_t length)
{
    if (!bytes || length == 0)
        return GTK_ERR_INVALID_ARG;
    uint32_t session;
    uint16_t role, kind, port;
    std::string ip;
    {
        std::lock_guard lock(m_stateLock);
        if (!m_registered.load() || m_call.callState != 2 || m_call.peerUser.empty() || m_call.peerUser != dest)
            return GTK_ERR_INVALID_STATE;
        session = m_call.callSession;
        role = m_call.isCaller ? 0 : 1;
        kind = m_params.usClientKind;
        ip = std::string(m_params.szServerIp, strnlen(m_params.szServerIp, sizeof m_params.szServerIp));
        port = m_params.usServerPort;
    }
    std::vector<uint8_t> d;
    try {
        CDataWriter w;
        w.WriteTLVGroup({tag::CallSession, TLVValue::UI4(session)});
        w.WriteTLVGroup({tag::VoiceRole, TLVValue::UI2(role)});
        w.WriteTLVGroup({tag::ClientKind, TLVValue::UI2(kind)});
        d = {0x41, 0x01, uint8_t(3 + w.Length())};
        d.insert(d.end(), w.Data(), w.Data() + w.Length());
    } catch (...) {
        return GTK_ERR_PACK;
    }
    d.insert(d.end(), bytes, bytes + length);
    if (m_udp.SendTo(ip.c_str(), port, d.data(), d.size()) != 0) {
        TalkLog("CGTKClient: Send IndivVoiceData failed\r\n");
        return GTK_ERR_NO_REPLY;
    }
    return 0;
}

// --- video, messages and data ---

uint32_t CGTKClient::PushVideo(const std::string& user, const std::string& url, const std::string& ansiText)
{
    return SimpleRequest(cmd::PushVideo,
                         {{tag::FromUser, TLVValue::Str(UserId())},
                          {tag::ToUser, TLVValue::Str(user)},
                          {tag::VideoUrl, TLVValue::Str(url)},
                          {tag::Text, TLVValue::Str(AnsiToUtf8(ansiText))}},
                         kMediumWaits, "CGTKClient::PushVideo SendMsgWaitReply failed\r\n");
}

uint32_t CGTKClient::IndivInfo(const std::string& user, const std::string& ansiText)
{
    return SimpleRequest(cmd::IndivInfo,
                         {{tag::FromUser, TLVValue::Str(UserId())},
                          {tag::ToUser, TLVValue::Str(user)},
                          {tag::Text, TLVValue::Str(AnsiToUtf8(ansiText))},
                          {tag::MsgType, TLVValue::UI2(0)}},
                         kShortWaits, "CGTKClient::IndivInfo SendMsgWaitReply failed\r\n");
}

uint32_t CGTKClient::GroupInfo(uint16_t channel, const std::string& ansiText)
{
    return SimpleRequest(cmd::GroupInfo,
                         {{tag::UserId, TLVValue::Str(UserId())},
                          {tag::Channel, TLVValue::UI2(channel)},
                          {tag::Text, TLVValue::Str(AnsiToUtf8(ansiText))},
                          {tag::MsgType, TLVValue::UI2(0)}},
                         kShortWaits, "CGTKClient::GroupInfo SendMsgWaitReply failed\r\n");
}

uint32_t CGTKClient::TransData(const std::string& user, const uint8_t* bytes, size_t length)
{
    if (!bytes || length == 0 || length > 0xFFFF)
        return GTK_ERR_INVALID_ARG;
    return SimpleRequest(cmd::IndivTransData,
                         {{tag::FromUser, TLVValue::Str(UserId())},
                          {tag::ToUser, TLVValue::Str(user)},
                          {tag::Data, TLVValue::Blob(std::string(reinterpret_cast<const char*>(bytes), length))}},
                         kShortWaits, "CGTKClient::TransData SendMsgWaitReply failed\r\n");
}

uint32_t CGTKClient::TransGroupData(uint16_t channel, const uint8_t* bytes, size_t length)
{
    if (!bytes || length == 0 || length > 0xFFFF)
        return GTK_ERR_INVALID_ARG;
    return SimpleRequest(cmd::GroupTransData,
                         {{tag::UserId, TLVValue::Str(UserId())},
                          {tag::Channel, TLVValue::UI2(channel)},
                          {tag::Data, TLVValue::Blob(std::string(reinterpret_cast<const char*>(bytes), length))}},
                         kShortWaits, "CGTKClient::TransGroupData SendMsgWaitReply failed\r\n");
}

// --- callbacks and snapshots ---

void CGTKClient::SetIndivCallCallback(GTK_INDIV_VOICE_CALLBACK callback, void* user)
{
    std::lock_guard lock(m_stateLock);
    m_call.voiceCallback = callback;
    m_call.voiceUser = user;
}

void CGTKClient::SetTransDataCallback(GTK_DATA_CALLBACK callback, void* user)
{
    std::lock_guard lock(m_stateLock);
    m_dataCallback = callback;
    m_dataUser = user;
}

void CGTKClient::SetGpsCallback(GTK_GPS_CALLBACK callback, void* user)
{
    std::lock_guard lock(m_stateLock);
    m_gpsCallback = callback;
    m_gpsUser = user;
}

void CGTKClient::SetAlarmCallback(GTK_ALARM_CALLBACK callback, void* user)
{
    std::lock_guard lock(m_stateLock);
    m_alarmCallback = callback;
    m_alarmUser = user;
}

int32_t CGTKClient::Channel() const
{
    std::lock_guard lock(m_stateLock);
    return m_group.channel;
}

int CGTKClient::CallStateValue() const
{
    std::lock_guard lock(m_stateLock);
    return m_call.callState;
}

uint32_t CGTKClient::CallSession() const
{
    std::lock_guard lock(m_stateLock);
    return m_call.callSession;
}

std::string CGTKClient::PeerUser() const
{
    std::lock_guard lock(m_stateLock);
    return m_call.peerUser;
}

} // namespace vel
