// The talk side of the server: channels with members and a floor, group
// voice relayed to the other members, individual calls (ring the callee with
// command 49, answer the caller when it decides or after the ring time-out),
// invitations, messages, pushed video and data relay.
//
// A request counts only from the address its user registered from, so one
// client cannot speak, call or send in another's name (403 otherwise).

#include "TalkServer.h"

#include "talk/CDataReader.h"
#include "talk/TalkLog.h"
#include "talk/TalkTags.h"

namespace vel::talkserver {

namespace {

uint32_t IntOf(const TLVItems& items, uint16_t t, uint32_t otherwise = 0)
{
    const TLVGroup* g = FindItem(items, t);
    return g && g->value.IsInteger() ? g->value.AsU32() : otherwise;
}

bool HasInt(const TLVItems& items, uint16_t t)
{
    const TLVGroup* g = FindItem(items, t);
    return g && g->value.IsInteger();
}

} // namespace

std::string TalkServer::Sender(const Request& r, uint16_t userTag) const
{
    std::string user = ItemText(r.items, userTag);
    auto it = m_clients.find(user);
    if (user.empty() || it == m_clients.end() || !(it->second.endpoint == r.from))
        return {};
    return user;
}

void TalkServer::ReplyLater(const MsgHeader& request, const Endpoint& to, uint16_t status, const TLVItems& items)
{
    if (m_silent)
        return;
    std::vector<uint8_t> out;
    if (PackMessage(request.command | kReplyFlag, status, request.sequence, items, out))
        m_transport.Send(to, out);
}

// --- channels ---

void TalkServer::LeaveChannel(const std::string& user)
{
    auto it = m_memberOf.find(user);
    if (it == m_memberOf.end())
        return;
    auto ch = m_channels.find(it->second);
    if (ch != m_channels.end()) {
        ch->second.members.erase(user);
        if (ch->second.floor == user)
            ch->second.floor.clear();
        if (ch->second.members.empty())
            m_channels.erase(ch);
    }
    m_memberOf.erase(it);
}

void TalkServer::ForgetUser(const std::string& user)
{
    LeaveChannel(user);
    std::vector<uint32_t> sessions;
    for (auto& [session, call] : m_calls)
        if (call.caller == user || call.callee == user)
            sessions.push_back(session);
    for (uint32_t s : sessions) {
        const CallInfo& c = m_calls.at(s);
        EndCall(s, c.caller == user ? c.callee : c.caller, 0);
    }
    for (auto it = m_invites.begin(); it != m_invites.end();)
        it = it->second.invitee == user || it->second.inviter == user ? m_invites.erase(it) : std::next(it);
}

void TalkServer::SendToMembers(uint16_t channel, const std::string& except, uint16_t command, const TLVItems& items)
{
    auto ch = m_channels.find(channel);
    if (ch == m_channels.end())
        return;
    for (const std::string& member : ch->second.members)
        if (member != except)
            SendRequest(member, command, items);
}

void TalkServer::OnJoin(const Request& r)
{
    std::string user = Sender(r, tag::UserId);
    if (user.empty())
        return Reply(r, 403);
    if (!HasInt(r.items, tag::Channel))
        return Reply(r, 410);
    uint16_t channel = uint16_t(IntOf(r.items, tag::Channel));
    LeaveChannel(user);
    ChannelInfo& ch = m_channels[channel];
    if (ch.members.empty()) {
        ch.number = channel;
        ch.token = m_nextToken++;
    }
    ch.members.insert(user);
    m_memberOf[user] = channel;
    Emit(TalkFormat("event join user=%s channel=%u members=%zu", user.c_str(), channel, ch.members.size()));
    Reply(r, 200, {{tag::GroupToken, TLVValue::UI2(ch.token)}});
}

void TalkServer::OnQuit(const Request& r)
{
    std::string user = Sender(r, tag::UserId);
    if (user.empty())
        return Reply(r, 403);
    if (!m_memberOf.count(user))
        return Reply(r, 422);
    Emit(TalkFormat("event quit user=%s channel=%u", user.c_str(), m_memberOf[user]));
    LeaveChannel(user);
    Reply(r, 200);
}

void TalkServer::OnReleaseFloor(const Request& r)
{
    std::string user = Sender(r, tag::UserId);
    if (user.empty())
        return Reply(r, 403);
    auto it = m_memberOf.find(user);
    if (it == m_memberOf.end() || !HasInt(r.items, tag::Channel) || it->second != IntOf(r.items, tag::Channel))
        return Reply(r, 421);
    ChannelInfo& ch = m_channels[it->second];
    bool held = ch.floor == user;
    if (held)
        ch.floor.clear();
    Emit(TalkFormat("event release user=%s channel=%u%s", user.c_str(), it->second, held ? "" : " idle"));
    Reply(r, 200);
}

void TalkServer::OnBreakSpeak(const Request& r)
{
    std::string user = Sender(r, tag::UserId);
    if (user.empty())
        return Reply(r, 403);
    std::string speaker = ItemText(r.items, tag::BreakUser);
    if (!HasInt(r.items, tag::Channel) || speaker.empty())
        return Reply(r, 410);
    uint16_t channel = uint16_t(IntOf(r.items, tag::Channel));
    auto ch = m_channels.find(channel);
    if (ch == m_channels.end() || !ch->second.members.count(speaker))
        return Reply(r, 415);
    bool speaking = ch->second.floor == speaker;
    if (speaking) {
        ch->second.floor.clear();
        // The interrupted speaker learns who took the floor from it.
        SendRequest(speaker, cmd::ServerNotify,
                    {{tag::UserId, TLVValue::Str(user)}, {tag::Notice0308, TLVValue::I4(channel)}});
    }
    Emit(TalkFormat("event breakspeak user=%s speaker=%s channel=%u%s", user.c_str(), speaker.c_str(), channel,
                    speaking ? "" : " idle"));
    Reply(r, 200);
}

void TalkServer::OnGroupVoice(const uint8_t* data, size_t length, const Endpoint& from, int64_t nowMs)
{
    ++m_stats.groupVoiceIn;
    size_t head = length >= 6 ? data[5] : 0;
    TLVItems items;
    std::string user;
    if (head >= 6 && head <= length && DecodeItems(data + 6, head - 6, items))
        user = ItemText(items, tag::UserId);
    auto client = m_clients.find(user);
    uint16_t channel = length >= 4 ? uint16_t(data[2] << 8 | data[3]) : 0;
    auto refuse = [&](const char* why) {
        if (++m_stats.groupVoiceRefused <= 20 || m_stats.groupVoiceRefused % 1000 == 0)
            Emit(TalkFormat("event voicerefused user=%s channel=%u reason=%s count=%llu", user.c_str(), channel,
                            why, (unsigned long long)m_stats.groupVoiceRefused));
    };
    if (user.empty() || client == m_clients.end() || !(client->second.endpoint == from))
        return refuse("sender");
    auto member = m_memberOf.find(user);
    if (member == m_memberOf.end() || member->second != channel)
        return refuse("channel");
    ChannelInfo& ch = m_channels[channel];
    if (!ch.floor.empty() && ch.floor != user && nowMs - ch.floorMs <= m_config.floorIdleMs)
        return refuse("floor");
    if (ch.floor != user)
        Emit(TalkFormat("event floor user=%s channel=%u", user.c_str(), channel));
    ch.floor = user;
    ch.floorMs = nowMs;
    std::vector<uint8_t> out(data, data + length);
    for (const std::string& m : ch.members) {
        if (m == user)
            continue;
        auto c = m_clients.find(m);
        if (c == m_clients.end())
            continue;
        out[4] = uint8_t(ch.token);
        m_transport.Send(c->second.endpoint, out);
        ++m_stats.groupVoiceOut;
    }
}

// --- individual calls ---

void TalkServer::OnIndivCall(const Request& r)
{
    std::string caller = Sender(r, tag::FromUser);
    if (caller.empty())
        return Reply(r, 403);
    std::string callee = ItemText(r.items, tag::ToUser);
    if (callee.empty() || callee == caller)
        return Reply(r, 410);
    if (!m_clients.count(callee))
        return Reply(r, 414);
    for (auto& [session, call] : m_calls)
        if (call.caller == callee || call.callee == callee || call.caller == caller || call.callee == caller)
            return Reply(r, 416);
    CallInfo c;
    c.session = m_nextSession++;
    c.caller = caller;
    c.callee = callee;
    c.forced = IntOf(r.items, tag::CallMode, 1) == 2;
    c.callerRequest = r.header;
    c.callerEndpoint = r.from;
    c.deadlineMs = r.nowMs + m_config.ringTimeoutMs;
    auto seq = SendRequest(callee, cmd::IndivCall,
                           {{tag::FromUser, TLVValue::Str(caller)},
                            {tag::ToUser, TLVValue::Str(callee)},
                            {tag::CallSession, TLVValue::UI4(c.session)},
                            {tag::VideoCall, TLVValue::UI2(uint16_t(IntOf(r.items, tag::VideoCall)))}});
    if (!seq)
        return Reply(r, 414);
    c.ringSeq = *seq;
    Emit(TalkFormat("event call caller=%s callee=%s session=%u%s", caller.c_str(), callee.c_str(), c.session,
                    c.forced ? " forced" : ""));
    if (c.forced) {
        // A forced call needs no consent: it stands at once; a callee that
        // refuses all the same ends it again.
        c.ringing = false;
        Reply(r, 200, {{tag::CallSession, TLVValue::UI4(c.session)}});
    }
    m_ringing[c.ringSeq] = c.session;
    m_calls[c.session] = c;
}

void TalkServer::OnPeerDecision(uint32_t sequence, uint16_t status, int64_t nowMs)
{
    if (auto ring = m_ringing.find(sequence); ring != m_ringing.end()) {
        uint32_t session = ring->second;
        m_ringing.erase(ring);
        auto it = m_calls.find(session);
        if (it == m_calls.end())
            return; // hung up or broken up while it rang
        CallInfo& c = it->second;
        if (!c.ringing) { // forced: already standing
            if (status != 200)
                EndCall(session, c.caller, int(status));
            return;
        }
        if (status == 200) {
            c.ringing = false;
            Emit(TalkFormat("event callup session=%u", session));
            ReplyLater(c.callerRequest, c.callerEndpoint, 200, {{tag::CallSession, TLVValue::UI4(session)}});
        } else {
            Emit(TalkFormat("event callrefused session=%u status=%u", session, status));
            ReplyLater(c.callerRequest, c.callerEndpoint, status == 413 ? 413 : status);
            m_calls.erase(it);
        }
        return;
    }
    if (auto inv = m_invites.find(sequence); inv != m_invites.end()) {
        InviteInfo i = inv->second;
        m_invites.erase(inv);
        Emit(TalkFormat("event invitedecided inviter=%s invitee=%s status=%u", i.inviter.c_str(), i.invitee.c_str(),
                        status));
        ReplyLater(i.request, i.from, status);
    }
}

void TalkServer::EndCall(uint32_t session, std::string notifyUser, int reason)
{
    auto it = m_calls.find(session);
    if (it == m_calls.end())
        return;
    Emit(TalkFormat("event callend session=%u reason=%d", session, reason));
    m_ringing.erase(it->second.ringSeq);
    m_calls.erase(it);
    if (!notifyUser.empty())
        SendRequest(notifyUser, cmd::ServerNotify,
                    {{tag::UserId, TLVValue::Str(notifyUser)},
                     {tag::QuitIndivCall, TLVValue::UI4(session)},
                     {tag::Reason, TLVValue::I4(reason)}});
}

void TalkServer::OnHangUp(const Request& r)
{
    std::string user = Sender(r, tag::UserId);
    if (user.empty())
        return Reply(r, 403);
    uint32_t session = IntOf(r.items, tag::CallSession);
    auto it = m_calls.find(session);
    if (it == m_calls.end() && session == 0) {
        // A caller that hangs up while it still rings knows no session yet.
        for (auto c = m_calls.begin(); c != m_calls.end(); ++c)
            if (c->second.ringing && c->second.caller == user) {
                it = c;
                break;
            }
    }
    if (it == m_calls.end() || (it->second.caller != user && it->second.callee != user))
        return Reply(r, 424);
    CallInfo c = it->second;
    Emit(TalkFormat("event hangup user=%s session=%u%s", user.c_str(), c.session, c.ringing ? " ringing" : ""));
    // The peer hears of it unless the call never stood (a ringing callee
    // only sees its request go unanswered).
    EndCall(c.session, c.ringing ? std::string() : (c.caller == user ? c.callee : c.caller), 0);
    Reply(r, 200);
}

void TalkServer::OnBreakUp(const Request& r)
{
    std::string user = Sender(r, tag::UserId);
    if (user.empty())
        return Reply(r, 403);
    uint32_t session = IntOf(r.items, tag::CallSession);
    auto it = m_calls.find(session);
    if (it == m_calls.end())
        return Reply(r, 424);
    if (it->second.ringing)
        return Reply(r, 431);
    CallInfo c = it->second;
    Emit(TalkFormat("event breakup user=%s session=%u", user.c_str(), session));
    EndCall(session, c.caller, 1);
    SendRequest(c.callee, cmd::ServerNotify,
                {{tag::UserId, TLVValue::Str(c.callee)},
                 {tag::QuitIndivCall, TLVValue::UI4(session)},
                 {tag::Reason, TLVValue::I4(1)}});
    Reply(r, 200);
}

void TalkServer::OnIndivVoice(const uint8_t* data, size_t length, const Endpoint& from, int64_t)
{
    ++m_stats.indivVoiceIn;
    size_t head = length >= 3 ? data[2] : 0;
    TLVItems items;
    bool ok = head >= 3 && head <= length && DecodeItems(data + 3, head - 3, items) &&
              HasInt(items, tag::CallSession) && HasInt(items, tag::VoiceRole);
    auto it = ok ? m_calls.find(IntOf(items, tag::CallSession)) : m_calls.end();
    if (it == m_calls.end() || it->second.ringing) {
        ++m_stats.indivVoiceRefused;
        return;
    }
    bool fromCaller = IntOf(items, tag::VoiceRole) == 0;
    const std::string& speaker = fromCaller ? it->second.caller : it->second.callee;
    const std::string& listener = fromCaller ? it->second.callee : it->second.caller;
    auto s = m_clients.find(speaker);
    auto l = m_clients.find(listener);
    if (s == m_clients.end() || !(s->second.endpoint == from) || l == m_clients.end()) {
        ++m_stats.indivVoiceRefused;
        return;
    }
    m_transport.Send(l->second.endpoint, std::vector<uint8_t>(data, data + length));
    ++m_stats.indivVoiceOut;
}

// --- invitations ---

void TalkServer::OnInvite(const Request& r)
{
    std::string inviter = Sender(r, tag::FromUser);
    if (inviter.empty())
        return Reply(r, 403);
    if (!HasInt(r.items, tag::Channel))
        return Reply(r, 410);
    uint16_t channel = uint16_t(IntOf(r.items, tag::Channel));
    std::string invitee = ItemText(r.items, tag::ToUser), text = ItemText(r.items, tag::Text);
    auto itemsFor = [&](const std::string& who) {
        return TLVItems{{tag::FromUser, TLVValue::Str(inviter)},
                        {tag::ToUser, TLVValue::Str(who)},
                        {tag::Channel, TLVValue::UI2(channel)},
                        {tag::Text, TLVValue::Str(text)}};
    };
    if (invitee.empty()) {
        // Everyone registered and not yet in the channel is asked; the
        // inviter does not wait for their answers.
        int asked = 0;
        for (auto& [user, info] : m_clients) {
            auto m = m_memberOf.find(user);
            if (user == inviter || (m != m_memberOf.end() && m->second == channel))
                continue;
            SendRequest(user, cmd::TalkInvite, itemsFor(user));
            ++asked;
        }
        Emit(TalkFormat("event invite inviter=%s channel=%u all=%d", inviter.c_str(), channel, asked));
        return Reply(r, 200);
    }
    if (!m_clients.count(invitee))
        return Reply(r, 414);
    for (auto& [seq, inv] : m_invites)
        if (inv.invitee == invitee)
            return Reply(r, 425);
    auto seq = SendRequest(invitee, cmd::TalkInvite, itemsFor(invitee));
    if (!seq)
        return Reply(r, 414);
    m_invites[*seq] = InviteInfo{inviter, invitee, channel, r.header, r.from, r.nowMs + m_config.ringTimeoutMs};
    Emit(TalkFormat("event invite inviter=%s invitee=%s channel=%u", inviter.c_str(), invitee.c_str(), channel));
}

void TalkServer::TalkTick(int64_t nowMs)
{
    for (auto it = m_calls.begin(); it != m_calls.end();) {
        if (it->second.ringing && nowMs > it->second.deadlineMs) {
            Emit(TalkFormat("event callnoanswer session=%u", it->first));
            ReplyLater(it->second.callerRequest, it->second.callerEndpoint, 417);
            m_ringing.erase(it->second.ringSeq);
            it = m_calls.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = m_invites.begin(); it != m_invites.end();) {
        if (nowMs > it->second.deadlineMs) {
            Emit(TalkFormat("event invitenoanswer invitee=%s", it->second.invitee.c_str()));
            ReplyLater(it->second.request, it->second.from, 417);
            it = m_invites.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [number, ch] : m_channels)
        if (!ch.floor.empty() && nowMs - ch.floorMs > m_config.floorIdleMs)
            ch.floor.clear();
}

// --- messages, video, data ---

void TalkServer::OnPushVideo(const Request& r)
{
    std::string from = Sender(r, tag::FromUser);
    if (from.empty())
        return Reply(r, 403);
    std::string to = ItemText(r.items, tag::ToUser);
    if (to.empty() || ItemText(r.items, tag::VideoUrl).empty())
        return Reply(r, 410);
    if (!SendRequest(to, cmd::PushVideo, r.items))
        return Reply(r, 414);
    Emit(TalkFormat("event pushvideo from=%s to=%s url=%s", from.c_str(), to.c_str(),
                    ItemText(r.items, tag::VideoUrl).c_str()));
    Reply(r, 200);
}

void TalkServer::OnIndivInfo(const Request& r)
{
    std::string from = Sender(r, tag::FromUser);
    if (from.empty())
        return Reply(r, 403);
    std::string to = ItemText(r.items, tag::ToUser);
    if (to.empty() || !FindItem(r.items, tag::Text))
        return Reply(r, 410);
    if (!SendRequest(to, cmd::IndivInfo, r.items))
        return Reply(r, 414);
    Emit(TalkFormat("event message from=%s to=%s type=%u text=%s", from.c_str(), to.c_str(),
                    IntOf(r.items, tag::MsgType), ItemText(r.items, tag::Text).c_str()));
    Reply(r, 200);
}

void TalkServer::OnGroupInfo(const Request& r)
{
    std::string from = Sender(r, tag::UserId);
    if (from.empty())
        return Reply(r, 403);
    if (!HasInt(r.items, tag::Channel) || !FindItem(r.items, tag::Text))
        return Reply(r, 410);
    uint16_t channel = uint16_t(IntOf(r.items, tag::Channel));
    auto m = m_memberOf.find(from);
    if (m == m_memberOf.end() || m->second != channel)
        return Reply(r, 421);
    SendToMembers(channel, from, cmd::GroupInfo, r.items);
    Emit(TalkFormat("event groupmessage from=%s channel=%u type=%u text=%s", from.c_str(), channel,
                    IntOf(r.items, tag::MsgType), ItemText(r.items, tag::Text).c_str()));
    Reply(r, 200);
}

void TalkServer::OnIndivData(const Request& r)
{
    std::string from = Sender(r, tag::FromUser);
    if (from.empty())
        return Reply(r, 403);
    std::string to = ItemText(r.items, tag::ToUser);
    const TLVGroup* data = FindItem(r.items, tag::Data);
    if (to.empty() || !data)
        return Reply(r, 410);
    if (!SendRequest(to, cmd::IndivTransData, r.items))
        return Reply(r, 414);
    Emit(TalkFormat("event data from=%s to=%s bytes=%zu", from.c_str(), to.c_str(), data->value.bytes.size()));
    Reply(r, 200);
}

void TalkServer::OnGroupData(const Request& r)
{
    std::string from = Sender(r, tag::UserId);
    if (from.empty())
        return Reply(r, 403);
    const TLVGroup* data = FindItem(r.items, tag::Data);
    if (!HasInt(r.items, tag::Channel) || !data)
        return Reply(r, 410);
    uint16_t channel = uint16_t(IntOf(r.items, tag::Channel));
    auto m = m_memberOf.find(from);
    if (m == m_memberOf.end() || m->second != channel)
        return Reply(r, 421);
    SendToMembers(channel, from, cmd::GroupTransData, r.items);
    Emit(TalkFormat("event groupdata from=%s channel=%u bytes=%zu", from.c_str(), channel,
                    data->value.bytes.size()));
    Reply(r, 200);
}

int TalkServer::AnnounceFile(const std::string& sender, int kind, const std::string& to,
                             const std::string& serverPath)
{
    if (kind == 2) {
        bool sent = SendRequest(to, cmd::IndivInfo,
                                {{tag::FromUser, TLVValue::Str(sender)},
                                 {tag::ToUser, TLVValue::Str(to)},
                                 {tag::Text, TLVValue::Str(serverPath)},
                                 {tag::MsgType, TLVValue::UI2(1)}})
                        .has_value();
        return sent ? 1 : 0;
    }
    char* end = nullptr;
    unsigned long channel = strtoul(to.c_str(), &end, 10);
    if (to.empty() || *end || channel > 0xFFFF)
        return 0;
    auto ch = m_channels.find(uint16_t(channel));
    if (ch == m_channels.end())
        return 0;
    int n = 0;
    for (const std::string& member : ch->second.members)
        if (member != sender && SendRequest(member, cmd::GroupInfo,
                                            {{tag::UserId, TLVValue::Str(sender)},
                                             {tag::Channel, TLVValue::UI2(uint16_t(channel))},
                                             {tag::Text, TLVValue::Str(serverPath)},
                                             {tag::MsgType, TLVValue::UI2(1)}}))
            ++n;
    return n;
}

} // namespace vel::talkserver
