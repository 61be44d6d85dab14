// What the server sends a session: group and individual voice, and the
// requests of commands 49-73. Each request is checked, reported to the host
// (notify XML or a data callback) and answered: 200 when handled, 410 when
// items are missing or not meant for this user, 413 for a refused call or
// invitation; a call or invitation the host defers gets no answer now.
//
// Records handed to the host are checked for their full size first: a GPS
// report shorter than its 32 bytes or an alarm shorter than 28 + 32 bytes is
// answered 410 instead of letting the host read past the received bytes.

#include "CGTKClient.h"

#include "platform/base/Strings.h"
#include "talk/CDataReader.h"
#include "talk/FileReference.h"
#include "talk/ServerNotice.h"
#include "talk/StatusTable.h"
#include "talk/TalkLog.h"
#include "talk/TalkTags.h"
#include "talk/markup/XmlMarkup.h"

#include <cstring>

namespace vel {

namespace {

constexpr size_t kGpsRecordSize = 32;
constexpr size_t kAlarmRecordSize = 28;

std::string Utf8ToAnsi(const std::string& utf8)
{
    return Utf16ToAnsi(Utf8ToUtf16(utf8));
}

// <Notify><command>N</command><PARAM>children...</PARAM></Notify>, built with
// the markup class so every text is escaped as element data.
std::string MarkupNotify(int command, const std::vector<std::pair<const char*, std::string>>& children)
{
    XmlMarkup m;
    m.LoadText("<Notify></Notify>");
    m.FindNext("Notify");
    m.Descend();
    m.AppendElement("command", command);
    m.AppendElement("PARAM");
    m.Descend();
    for (auto& [name, data] : children)
        m.AppendElement(name, data);
    return m.DocumentText();
}

bool HasInt(const TLVItems& items, uint16_t t)
{
    const TLVGroup* g = FindItem(items, t);
    return g && g->value.IsInteger();
}

bool HasBytes(const TLVItems& items, uint16_t t)
{
    const TLVGroup* g = FindItem(items, t);
    return g && g->value.IsBytes();
}

uint32_t IntOf(const TLVItems& items, uint16_t t, uint32_t otherwise = 0)
{
    const TLVGroup* g = FindItem(items, t);
    return g && g->value.IsInteger() ? g->value.AsU32() : otherwise;
}

} // namespace

// --- voice ---

void CGTKClient::OnGroupVoice(const uint8_t* data, size_t length, const char* ip, uint16_t port)
{
    size_t head = length >= 6 ? data[5] : 0;
    TLVItems items;
    if (head < 6 || head > length || !DecodeItems(data + 6, head - 6, items) ||
        ItemText(items, tag::UserId).empty()) {
        TalkLog("Invalid VoiceData stParam from %s:%d\r\n", ip, int(port));
        return;
    }
    uint16_t channel = uint16_t(data[2] << 8 | data[3]);
    GTK_GROUP_VOICE_CALLBACK cb;
    void* user;
    {
        std::lock_guard lock(m_stateLock);
        if (m_group.channel < 0 || uint16_t(m_group.channel) != channel) {
            TalkLog("User is not in channel:%d\r\n", int(channel));
            return;
        }
        cb = m_group.voiceCallback;
        user = m_group.voiceUser;
    }
    std::string speaker = ItemText(items, tag::UserId);
    if (cb)
        cb(Handle(), channel, speaker.c_str(), data + head, int32_t(length - head),
           uint16_t(IntOf(items, tag::ClientKind)), user);
}

void CGTKClient::OnIndivVoice(const uint8_t* data, size_t length, const char* ip, uint16_t port)
{
    size_t head = length >= 3 ? data[2] : 0;
    TLVItems items;
    if (head < 3 || head > length || !DecodeItems(data + 3, head - 3, items) ||
        !HasInt(items, tag::VoiceRole) || !HasInt(items, tag::CallSession)) {
        TalkLog("Invalid OnIndivCall stParam from %s:%d\r\n", ip, int(port));
        return;
    }
    uint32_t role = IntOf(items, tag::VoiceRole), session = IntOf(items, tag::CallSession);
    GTK_INDIV_VOICE_CALLBACK cb;
    void* user;
    std::string peer;
    {
        std::lock_guard lock(m_stateLock);
        if (m_call.callState != 2 || role != m_call.isCaller || session != m_call.callSession) {
            TalkLog("Indiv VoiceData Dest user role: %d(session %d), regUser role: %d(session %d)\r\n", int(role),
                    int(session), int(m_call.isCaller), int(m_call.callSession));
            return;
        }
        m_call.lastVoiceTime = TalkNowSeconds();
        cb = m_call.voiceCallback;
        user = m_call.voiceUser;
        peer = m_call.peerUser;
    }
    if (cb)
        cb(Handle(), peer.c_str(), data + head, int32_t(length - head), uint16_t(IntOf(items, tag::ClientKind)),
           user);
}

// --- calls and invitations ---

void CGTKClient::OnIndivCall(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port)
{
    const char* fail = "OnIndivCall SendMsg failed!\n";
    if (!ok || !HasBytes(items, tag::FromUser) || !HasBytes(items, tag::ToUser) ||
        !HasInt(items, tag::CallSession)) {
        TalkLog("Invalid OnIndivCall stParam from %s:%d\r\n", ip, int(port));
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    std::string own = UserId(), dest = ItemText(items, tag::ToUser), caller = ItemText(items, tag::FromUser);
    if (dest != own) {
        TalkLog("Indiv Voice Data Dest user: %s, reguser: %s\r\n", dest.c_str(), own.c_str());
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    uint32_t transaction = m_sequence.Next();
    {
        std::lock_guard lock(m_stateLock);
        m_call.transactionId = transaction;
    }
    std::string xml = TalkFormat("<Notify><command>%d</command><PARAM><transacid>%d</transacid><userfromid>%s"
                                 "</userfromid><videocall>%d</videocall></PARAM></Notify>",
                                 49, int(transaction), XmlEscape(caller).c_str(),
                                 int(IntOf(items, tag::VideoCall)));
    bool had;
    uint16_t decision = NotifyDecision(49, xml, had);
    if (!had)
        decision = 1;
    if (decision == 0) {
        {
            std::lock_guard lock(m_stateLock);
            m_call.peerUser = caller;
            m_call.callSession = IntOf(items, tag::CallSession);
            m_call.isCaller = 0;
            m_call.callState = 2;
            m_call.lastVoiceTime = TalkNowSeconds();
        }
        Answer(h, kStatusIdxOk, ip, port, fail);
    } else if (decision == 1) {
        Answer(h, kStatusIdxRejected, ip, port, fail);
    }
}

void CGTKClient::OnCallInvite(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port)
{
    const char* fail = "OnCallInvite SendMsg failed!\n";
    if (!ok || !HasBytes(items, tag::FromUser) || !HasBytes(items, tag::ToUser) || !HasInt(items, tag::Channel)) {
        TalkLog("Invalid OnCallInvite stParam from %s:%d\r\n", ip, int(port));
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    std::string own = UserId(), dest = ItemText(items, tag::ToUser);
    if (dest != own) {
        TalkLog("Indiv CallInvite Dest user: %s, reguser: %s\r\n", dest.c_str(), own.c_str());
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    uint16_t channel = uint16_t(IntOf(items, tag::Channel));
    if (Channel() == int32_t(channel)) {
        Answer(h, kStatusIdxOk, ip, port, fail); // already there: nothing to ask
        return;
    }
    uint32_t transaction = m_sequence.Next();
    std::string xml = MarkupNotify(69, {{"transacid", std::to_string(transaction)},
                                        {"userid", ItemText(items, tag::FromUser)},
                                        {"channel", std::to_string(channel)},
                                        {"info", Utf8ToAnsi(ItemText(items, tag::Text))}});
    bool had;
    uint16_t decision = NotifyDecision(69, xml, had);
    if (!had)
        decision = 1;
    if (decision == 0) {
        TalkLog("OnCallInvite user accept\r\n");
        Answer(h, kStatusIdxOk, ip, port, fail);
    } else if (decision == 1) {
        TalkLog("OnCallInvite user reject\r\n");
        Answer(h, kStatusIdxRejected, ip, port, fail);
    }
}

// --- messages, video, data, reports ---

void CGTKClient::OnMessage(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port)
{
    bool group = h.command == cmd::GroupInfo;
    const char* fail = group ? "OnGroupInfo SendMsg failed!\n" : "OnIndivInfo SendMsg failed!\n";
    bool complete = group ? HasBytes(items, tag::UserId) && HasInt(items, tag::Channel) && HasBytes(items, tag::Text)
                          : HasBytes(items, tag::FromUser) && HasBytes(items, tag::ToUser) &&
                                HasBytes(items, tag::Text) && HasInt(items, tag::MsgType);
    if (!ok || !complete) {
        TalkLog(group ? "Invalid OnGroupInfo stParam from %s:%d\r\n" : "Invalid OnIndivInfo stParam from %s:%d\r\n",
                ip, int(port));
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    if (!group) {
        std::string own = UserId(), dest = ItemText(items, tag::ToUser);
        if (dest != own) {
            TalkLog("Indiv Voice Data Dest user: %s, reguser: %s\r\n", dest.c_str(), own.c_str());
            Answer(h, kStatusIdxInvalidParam, ip, port, fail);
            return;
        }
    }
    uint32_t type = IntOf(items, tag::MsgType);
    std::string text = ItemText(items, tag::Text), info, fileName;
    if (type == 1) {
        std::string segment;
        switch (DecodeFileReference(text, fileName, segment)) {
        case FileRefResult::NoSlash:
            TalkLog("Invalid Group filename from %s:%d\r\n", ip, int(port));
            Answer(h, kStatusIdxInvalidParam, ip, port, fail);
            return;
        case FileRefResult::NoBrackets:
            TalkLog("Invalid Group filename %s from %s:%d\r\n", segment.c_str(), ip, int(port));
            Answer(h, kStatusIdxInvalidParam, ip, port, fail);
            return;
        case FileRefResult::Ok:
            break;
        }
        info = TalkFormat("http://%s:%d%s", FileServer().c_str(), int(FilePort()), text.c_str());
    } else {
        info = Utf8ToAnsi(text);
    }
    std::string xml;
    if (group)
        xml = MarkupNotify(66, {{"userid", ItemText(items, tag::UserId)},
                                {"channel", std::to_string(IntOf(items, tag::Channel))},
                                {"type", std::to_string(type)},
                                {"info", info},
                                {"filename", fileName}});
    else
        xml = MarkupNotify(65, {{"userfromid", ItemText(items, tag::FromUser)},
                                {"type", std::to_string(type)},
                                {"info", info},
                                {"filename", fileName}});
    Notify(group ? 66 : 65, xml);
    Answer(h, kStatusIdxOk, ip, port, fail);
}

void CGTKClient::OnPushVideo(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port)
{
    const char* fail = "OnPushVideo SendMsg failed!\n";
    if (!ok || !HasBytes(items, tag::FromUser) || !HasBytes(items, tag::ToUser) || !HasBytes(items, tag::VideoUrl)) {
        TalkLog("Invalid OnPushVideo stParam from %s:%d\r\n", ip, int(port));
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    std::string own = UserId(), dest = ItemText(items, tag::ToUser);
    if (dest != own) {
        TalkLog("Indiv PushVideo Dest user: %s, reguser: %s\r\n", dest.c_str(), own.c_str());
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    Notify(68, MarkupNotify(68, {{"userid", ItemText(items, tag::FromUser)},
                                 {"url", ItemText(items, tag::VideoUrl)},
                                 {"info", Utf8ToAnsi(ItemText(items, tag::Text))}}));
    Answer(h, kStatusIdxOk, ip, port, fail);
}

void CGTKClient::OnSwitchVideoChan(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip,
                                   uint16_t port)
{
    const char* fail = "OnSwitchVideoChan SendMsg failed!\n";
    if (!ok || !HasBytes(items, tag::UserId) || !HasInt(items, tag::CallSession) ||
        !HasInt(items, tag::VideoChannel)) {
        TalkLog("Invalid OnSwitchVideoChan stParam from %s:%d\r\n", ip, int(port));
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    std::string own = UserId(), dest = ItemText(items, tag::UserId);
    if (dest != own) {
        TalkLog("Invalid SwitchVideoChan Dest user: %s, reguser: %s\r\n", dest.c_str(), own.c_str());
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    uint32_t session = IntOf(items, tag::CallSession), known = CallSession();
    if (session != known) {
        TalkLog("Invalid SwitchVideoChan session: %d(session %d)\r\n", int(session), int(known));
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    Notify(53, TalkFormat("<Notify><command>%d</command><PARAM><userid>%s</userid><session>%d</session><vediochan>"
                          "%d</vediochan></PARAM></Notify>",
                          53, XmlEscape(ItemText(items, tag::FromUser)).c_str(), int(session),
                          int(IntOf(items, tag::VideoChannel) & 0xFFFF)));
    Answer(h, kStatusIdxOk, ip, port, fail);
}

void CGTKClient::OnTransData(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port)
{
    bool group = h.command == cmd::GroupTransData;
    const char* fail = group ? "OnGroupTransData SendMsg failed!\n" : "OnIndivTransData SendMsg failed!\n";
    bool complete = group ? HasBytes(items, tag::UserId) && HasInt(items, tag::Channel) && HasBytes(items, tag::Data)
                          : HasBytes(items, tag::FromUser) && HasBytes(items, tag::ToUser) &&
                                HasBytes(items, tag::Data);
    if (!ok || !complete) {
        TalkLog(group ? "Invalid OnGroupTransData stParam from %s:%d\r\n"
                      : "Invalid OnIndivTransData stParam from %s:%d\r\n",
                ip, int(port));
        Answer(h, kStatusIdxInvalidParam, ip, port, fail);
        return;
    }
    std::string sender = group ? ItemText(items, tag::UserId) : ItemText(items, tag::FromUser);
    if (!group) {
        std::string own = UserId(), dest = ItemText(items, tag::ToUser);
        if (dest != own) {
            TalkLog("Indiv trans Data Dest user: %s, reguser: %s\r\n", dest.c_str(), own.c_str());
            Answer(h, kStatusIdxInvalidParam, ip, port, fail);
            return;
        }
    }
    GTK_DATA_CALLBACK cb;
    void* user;
    {
        std::lock_guard lock(m_stateLock);
        cb = m_dataCallback;
        user = m_dataUser;
    }
    const std::string& data = FindItem(items, tag::Data)->value.bytes;
    if (cb)
        cb(Handle(), group ? uint16_t(IntOf(items, tag::Channel)) : 0, sender.c_str(),
           reinterpret_cast<const uint8_t*>(data.data()), int32_t(data.size()), user);
    Answer(h, kStatusIdxOk, ip, port, fail);
}

void CGTKClient::OnGpsData(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port)
{
    const TLVGroup* gps = FindItem(items, tag::Gps);
    if (!ok || !HasBytes(items, tag::UserId) || !gps || !gps->value.IsBytes() ||
        gps->value.bytes.size() < kGpsRecordSize) {
        TalkLog("Invalid OnGPSData stParam from %s:%d\r\n", ip, int(port));
        Answer(h, kStatusIdxInvalidParam, ip, port, "OnGPSData SendMsg failed!\n");
        return;
    }
    GTK_GPS_CALLBACK cb;
    void* user;
    {
        std::lock_guard lock(m_stateLock);
        cb = m_gpsCallback;
        user = m_gpsUser;
    }
    std::string who = ItemText(items, tag::UserId);
    if (cb)
        cb(Handle(), who.c_str(), reinterpret_cast<const uint8_t*>(gps->value.bytes.data()), user);
    Answer(h, kStatusIdxOk, ip, port, "OnGPSData SendMsg failed!\n");
}

void CGTKClient::OnAlarmData(const MsgHeader& h, const TLVItems& items, bool ok, const char* ip, uint16_t port)
{
    const TLVGroup* alarm = FindItem(items, tag::Alarm);
    if (!ok || !HasBytes(items, tag::UserId) || !alarm || !alarm->value.IsBytes() ||
        alarm->value.bytes.size() < kAlarmRecordSize + kGpsRecordSize) {
        TalkLog("Invalid OnAlarmData stParam from %s:%d\r\n", ip, int(port));
        Answer(h, kStatusIdxInvalidParam, ip, port, "OnAlarmData SendMsg failed!\n");
        return;
    }
    GTK_ALARM_CALLBACK cb;
    void* user;
    {
        std::lock_guard lock(m_stateLock);
        cb = m_alarmCallback;
        user = m_alarmUser;
    }
    std::string who = ItemText(items, tag::UserId);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(alarm->value.bytes.data());
    if (cb)
        cb(Handle(), who.c_str(), bytes + kAlarmRecordSize, bytes, user);
    Answer(h, kStatusIdxOk, ip, port, "OnAlarmData SendMsg failed!\n");
}

} // namespace vel
