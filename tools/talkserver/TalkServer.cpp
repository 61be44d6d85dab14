#include "TalkServer.h"

#include "talk/CDataReader.h"
#include "talk/StatusTable.h"
#include "talk/TalkLog.h"
#include "talk/TalkTags.h"

#include <cstdlib>

namespace vel::talkserver {

namespace {

std::string Hex16(uint16_t v)
{
    return TalkFormat("0x%04X", v);
}

} // namespace

TalkServer::TalkServer(ServerConfig config, UserList users, Transport& transport, EventSink& events)
    : m_config(std::move(config)), m_users(std::move(users)), m_transport(transport), m_events(events)
{
    RegisterHandlers();
}

void TalkServer::RegisterHandlers()
{
    m_handlers = {
        {cmd::Register, &TalkServer::OnRegister},
        {cmd::Unregister, &TalkServer::OnUnregister},
        {cmd::Heartbeat, &TalkServer::OnHeartbeat},
        {cmd::JoinGroup, &TalkServer::OnJoin},
        {cmd::QuitGroup, &TalkServer::OnQuit},
        {cmd::ReleaseFloor, &TalkServer::OnReleaseFloor},
        {cmd::BreakSpeak, &TalkServer::OnBreakSpeak},
        {cmd::IndivCall, &TalkServer::OnIndivCall},
        {cmd::HangUp, &TalkServer::OnHangUp},
        {cmd::BreakUpIndivCall, &TalkServer::OnBreakUp},
        {cmd::TalkInvite, &TalkServer::OnInvite},
        {cmd::PushVideo, &TalkServer::OnPushVideo},
        {cmd::IndivInfo, &TalkServer::OnIndivInfo},
        {cmd::GroupInfo, &TalkServer::OnGroupInfo},
        {cmd::IndivTransData, &TalkServer::OnIndivData},
        {cmd::GroupTransData, &TalkServer::OnGroupData},
    };
}

void TalkServer::OnDatagram(const uint8_t* data, size_t length, const Endpoint& from, int64_t nowMs)
{
    if (data && length >= 2 && data[0] == 0x41 && data[1] == 0x00) {
        OnGroupVoice(data, length, from, nowMs);
        return;
    }
    if (data && length >= 2 && data[0] == 0x41 && data[1] == 0x01) {
        OnIndivVoice(data, length, from, nowMs);
        return;
    }
    Request r;
    r.from = from;
    r.nowMs = nowMs;
    if (!ParseMsgHeader(data, length, r.header)) {
        Emit(TalkFormat("event malformed from=%s bytes=%zu", from.Text().c_str(), length));
        return;
    }
    r.itemsOk = DecodeItems(data + kMsgHeaderSize, r.header.bodyLength, r.items);
    if (r.header.IsReply()) {
        OnReply(r);
        return;
    }
    auto it = m_handlers.find(r.header.command);
    if (it == m_handlers.end()) {
        Emit(TalkFormat("event unhandled cmd=%u from=%s", r.header.command, from.Text().c_str()));
        Reply(r, 400);
        return;
    }
    if (auto forced = r.header.command != cmd::Register && r.header.command != cmd::Heartbeat
                          ? TakeForcedStatus(r.header.command)
                          : std::nullopt) {
        Emit(TalkFormat("event forced cmd=%u status=%u", r.header.command, *forced));
        Reply(r, *forced);
        return;
    }
    if (!r.itemsOk) {
        Emit(TalkFormat("event baditems cmd=%u from=%s", r.header.command, from.Text().c_str()));
        Reply(r, 410);
        return;
    }
    (this->*(it->second))(r);
}

void TalkServer::Reply(const Request& r, uint16_t status, const TLVItems& items)
{
    if (m_silent)
        return;
    std::vector<uint8_t> out;
    if (PackMessage(r.header.command | kReplyFlag, status, r.header.sequence, items, out))
        m_transport.Send(r.from, out);
}

std::optional<uint16_t> TalkServer::TakeForcedStatus(uint16_t command)
{
    auto it = m_forced.find(command);
    if (it == m_forced.end())
        return std::nullopt;
    uint16_t status = it->second.status;
    if (it->second.remaining > 0 && --it->second.remaining == 0)
        m_forced.erase(it);
    return status;
}

void TalkServer::OnRegister(const Request& r)
{
    std::string user = ItemText(r.items, tag::UserId);
    std::string password = ItemText(r.items, tag::Password);
    std::string unit = ItemText(r.items, tag::Puid);
    uint16_t status = 200;
    if (auto forced = TakeForcedStatus(cmd::Register)) {
        status = *forced;
    } else if (user.empty() || !FindItem(r.items, tag::Password)) {
        status = 410;
    } else if (const UserEntry* entry = m_users.Find(user); !entry) {
        status = 406;
    } else if (entry->password != password) {
        status = 402;
    } else if (!entry->unit.empty() && !unit.empty() && entry->unit != unit) {
        status = 401;
    }
    std::string remark = ItemText(r.items, tag::Remark);
    Emit(TalkFormat("event register user=%s from=%s status=%u%s remark=%s", user.c_str(),
                    r.from.Text().c_str(), status, m_silent ? " silent" : "", remark.c_str()));
    if (status != 200) {
        Reply(r, status);
        return;
    }
    m_clients[user] = ClientInfo{user, r.from, r.nowMs};
    TLVItems items;
    if (!m_omitted.count(tag::HeartbeatPeriod))
        items.push_back({tag::HeartbeatPeriod, TLVValue::UI2(uint16_t(m_config.heartbeatPeriod))});
    if (!m_omitted.count(tag::FilePort))
        items.push_back({tag::FilePort, TLVValue::UI2(m_config.filePort)});
    if (!m_omitted.count(tag::FileServer))
        items.push_back({tag::FileServer, TLVValue::Str(m_config.fileServer)});
    Reply(r, 200, items);
}

void TalkServer::OnUnregister(const Request& r)
{
    std::string user = ItemText(r.items, tag::UserId);
    auto it = m_clients.find(user);
    bool known = it != m_clients.end() && it->second.endpoint == r.from;
    if (known)
        m_clients.erase(it);
    Emit(TalkFormat("event unregister user=%s from=%s%s", user.c_str(), r.from.Text().c_str(),
                    known ? "" : " unknown"));
    if (known)
        ForgetUser(user);
    // One-way: never answered.
}

void TalkServer::OnHeartbeat(const Request& r)
{
    std::string user = ItemText(r.items, tag::UserId);
    uint16_t status = 200;
    auto it = m_clients.find(user);
    if (auto forced = TakeForcedStatus(cmd::Heartbeat))
        status = *forced;
    else if (it == m_clients.end() || !(it->second.endpoint == r.from))
        status = 403;
    if (status == 200 && it != m_clients.end())
        it->second.lastSeenMs = r.nowMs;
    Emit(TalkFormat("event heartbeat user=%s status=%u%s", user.c_str(), status, m_silent ? " silent" : ""));
    Reply(r, status);
}

void TalkServer::OnReply(const Request& r)
{
    auto it = m_pending.find(r.header.sequence);
    std::string user = it != m_pending.end() ? it->second : std::string("?");
    if (it != m_pending.end())
        m_pending.erase(it);
    Emit(TalkFormat("event reply user=%s cmd=%s seq=%u status=%u", user.c_str(),
                    Hex16(r.header.command).c_str(), r.header.sequence, r.header.status));
    OnPeerDecision(r.header.sequence, r.header.status, r.nowMs);
}

void TalkServer::OnTick(int64_t nowMs)
{
    TalkTick(nowMs);
    int64_t limitMs = int64_t(m_config.lossPeriods) * m_config.heartbeatPeriod * 1000;
    for (auto it = m_clients.begin(); it != m_clients.end();) {
        if (nowMs - it->second.lastSeenMs > limitMs) {
            Emit(TalkFormat("event lost user=%s", it->first.c_str()));
            std::string user = it->first;
            it = m_clients.erase(it);
            ForgetUser(user);
        } else {
            ++it;
        }
    }
}

void TalkServer::ForceStatus(uint16_t command, uint16_t status, int count)
{
    if (count == 0)
        m_forced.erase(command);
    else
        m_forced[command] = Forced{status, count};
}

void TalkServer::OmitRegistrationItem(uint16_t t, bool omit)
{
    if (omit)
        m_omitted.insert(t);
    else
        m_omitted.erase(t);
}

void TalkServer::ClearOverrides()
{
    m_forced.clear();
    m_omitted.clear();
    m_silent = false;
}

std::optional<uint32_t> TalkServer::SendRequest(const std::string& user, uint16_t command,
                                                const TLVItems& items)
{
    auto it = m_clients.find(user);
    if (it == m_clients.end())
        return std::nullopt;
    uint32_t seq = m_sequence.Next();
    std::vector<uint8_t> out;
    if (!PackMessage(command, 0, seq, items, out))
        return std::nullopt;
    m_pending[seq] = user;
    if (m_pending.size() > 10000)
        m_pending.erase(m_pending.begin());
    m_transport.Send(it->second.endpoint, out);
    return seq;
}

bool TalkServer::SendRaw(const std::string& user, const std::vector<uint8_t>& bytes)
{
    auto it = m_clients.find(user);
    if (it == m_clients.end())
        return false;
    m_transport.Send(it->second.endpoint, bytes);
    return true;
}

std::vector<ClientInfo> TalkServer::Clients() const
{
    std::vector<ClientInfo> out;
    for (auto& [user, info] : m_clients)
        out.push_back(info);
    return out;
}

bool ParseHex(const std::string& hex, std::vector<uint8_t>& out)
{
    out.clear();
    if (hex.size() % 2)
        return false;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < hex.size(); i += 2) {
        int hi = digit(hex[i]), lo = digit(hex[i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out.push_back(uint8_t(hi << 4 | lo));
    }
    return true;
}

bool ParseItemSpec(const std::string& text, TLVGroup& item, std::string& error)
{
    size_t eq = text.find('='), colon = text.find(':', eq == std::string::npos ? 0 : eq);
    if (eq == std::string::npos || colon == std::string::npos) {
        error = "item \"" + text + "\" is not TAG=KIND:VALUE";
        return false;
    }
    char* end = nullptr;
    std::string tagText = text.substr(0, eq);
    unsigned long t = strtoul(tagText.c_str(), &end, 0);
    if (tagText.empty() || *end || t > 0xFFFF) {
        error = "bad tag \"" + tagText + "\"";
        return false;
    }
    std::string kind = text.substr(eq + 1, colon - eq - 1), value = text.substr(colon + 1);
    item.tag = uint16_t(t);
    if (kind == "s") {
        item.value = TLVValue::Str(value);
        return true;
    }
    if (kind == "e") {
        item.value = TLVValue::Empty();
        return true;
    }
    if (kind == "b") {
        std::vector<uint8_t> bytes;
        if (!ParseHex(value, bytes) || bytes.empty()) {
            error = "bad hex bytes \"" + value + "\"";
            return false;
        }
        item.value = TLVValue::Blob(std::string(bytes.begin(), bytes.end()));
        return true;
    }
    long long n = strtoll(value.c_str(), &end, 0);
    if (value.empty() || *end) {
        error = "bad number \"" + value + "\"";
        return false;
    }
    if (kind == "i1")
        item.value = TLVValue::I1(int8_t(n));
    else if (kind == "i2")
        item.value = TLVValue::I2(int16_t(n));
    else if (kind == "i4")
        item.value = TLVValue::I4(int32_t(n));
    else if (kind == "i8")
        item.value = TLVValue::UI8(uint64_t(n));
    else {
        error = "unknown kind \"" + kind + "\"";
        return false;
    }
    return true;
}

} // namespace vel::talkserver
