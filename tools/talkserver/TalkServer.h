#pragma once
// The protocol side of the talk server: registration, heartbeats,
// unregistration, loss of clients, and requests the server sends to its
// clients (notices), with knobs that let a test make it misbehave on
// purpose. It never touches a socket: datagrams come in through
// OnDatagram, go out through a Transport, and everything worth seeing is
// reported as one-line events through an EventSink.
//
// Handlers are looked up by command in one table (RegisterHandlers); a new
// request kind is one more member function and one more table line.

#include "talk/TLVGroup.h"
#include "talk/TalkMessage.h"
#include "tools/talkserver/UserList.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vel::talkserver {

struct Endpoint
{
    std::string ip;
    uint16_t port = 0;
    bool operator==(const Endpoint&) const = default;
    std::string Text() const { return ip + ":" + std::to_string(port); }
};

class Transport
{
public:
    virtual ~Transport() = default;
    virtual void Send(const Endpoint& to, const std::vector<uint8_t>& datagram) = 0;
};

class EventSink
{
public:
    virtual ~EventSink() = default;
    virtual void Event(const std::string& line) = 0;
};

struct ServerConfig
{
    uint32_t heartbeatPeriod = 10; // announced in the registration reply
    std::string fileServer;        // announced (tag 0x0401); empty: clients use the talk server's address
    uint16_t filePort = 8500;      // announced (tag 0x0402)
    uint32_t lossPeriods = 6;      // a client silent this many periods is dropped
    int64_t ringTimeoutMs = 15000; // a callee or invitee silent this long: 417 to the caller
    int64_t floorIdleMs = 3000;    // the floor is freed when its holder is silent this long
};

struct ChannelInfo
{
    uint16_t number = 0;
    uint16_t token = 0;
    std::set<std::string> members;
    std::string floor; // who speaks, or empty
    int64_t floorMs = 0;
};

struct CallInfo
{
    uint32_t session = 0;
    std::string caller, callee;
    bool ringing = true;
    bool forced = false;
    // The caller's request, answered when the callee decides.
    MsgHeader callerRequest;
    Endpoint callerEndpoint;
    uint32_t ringSeq = 0;
    int64_t deadlineMs = 0;
};

struct RelayStats
{
    uint64_t groupVoiceIn = 0, groupVoiceOut = 0, groupVoiceRefused = 0;
    uint64_t indivVoiceIn = 0, indivVoiceOut = 0, indivVoiceRefused = 0;
};

struct ClientInfo
{
    std::string user;
    Endpoint endpoint;
    int64_t lastSeenMs = 0;
};

class TalkServer
{
public:
    TalkServer(ServerConfig config, UserList users, Transport& transport, EventSink& events);

    void OnDatagram(const uint8_t* data, size_t length, const Endpoint& from, int64_t nowMs);
    // Drops clients whose heartbeats stopped.
    void OnTick(int64_t nowMs);

    // --- behaviour switches (the control interface) ---
    // Answer the next `count` requests of a command (all when count < 0)
    // with this status and no items.
    void ForceStatus(uint16_t command, uint16_t status, int count);
    // Leave an item out of the successful registration reply.
    void OmitRegistrationItem(uint16_t tag, bool omit);
    // Answer nothing at all (requests are still reported as events).
    void SetSilent(bool silent) { m_silent = silent; }
    void SetHeartbeatPeriod(uint32_t seconds) { m_config.heartbeatPeriod = seconds; }
    void ClearOverrides();

    // --- requests to clients ---
    // Sends a request to a registered user; returns its sequence, or nothing
    // when the user is not registered or the message cannot be packed.
    std::optional<uint32_t> SendRequest(const std::string& user, uint16_t command, const TLVItems& items);
    // Sends raw bytes to a registered user.
    bool SendRaw(const std::string& user, const std::vector<uint8_t>& bytes);

    std::vector<ClientInfo> Clients() const;
    const ServerConfig& Config() const { return m_config; }
    const std::map<uint16_t, ChannelInfo>& Channels() const { return m_channels; }
    const std::map<uint32_t, CallInfo>& Calls() const { return m_calls; }
    const RelayStats& Stats() const { return m_stats; }
    void SetRingTimeout(int64_t ms) { m_config.ringTimeoutMs = ms; }
    void SetFilePort(uint16_t port) { m_config.filePort = port; }
    bool IsRegistered(const std::string& user) const { return m_clients.count(user) != 0; }

    // A file stored by the file service, announced to its receivers as a
    // file message (65 to a user for kind 2, 66 to the channel's other
    // members for kind 1). Returns how many receivers were sent it.
    int AnnounceFile(const std::string& sender, int kind, const std::string& to, const std::string& serverPath);

private:
    struct Request
    {
        MsgHeader header;
        TLVItems items;
        bool itemsOk = false;
        Endpoint from;
        int64_t nowMs = 0;
    };
    using Handler = void (TalkServer::*)(const Request&);

    void RegisterHandlers();
    void OnRegister(const Request& r);
    void OnUnregister(const Request& r);
    void OnHeartbeat(const Request& r);
    void OnReply(const Request& r);
    void OnJoin(const Request& r);
    void OnQuit(const Request& r);
    void OnReleaseFloor(const Request& r);
    void OnBreakSpeak(const Request& r);
    void OnIndivCall(const Request& r);
    void OnHangUp(const Request& r);
    void OnBreakUp(const Request& r);
    void OnInvite(const Request& r);
    void OnPushVideo(const Request& r);
    void OnIndivInfo(const Request& r);
    void OnGroupInfo(const Request& r);
    void OnIndivData(const Request& r);
    void OnGroupData(const Request& r);
    void OnGroupVoice(const uint8_t* data, size_t length, const Endpoint& from, int64_t nowMs);
    void OnIndivVoice(const uint8_t* data, size_t length, const Endpoint& from, int64_t nowMs);

    // The request's user (tag 0x0103 or 0x0209) when it is registered at the
    // sender's address, else empty.
    std::string Sender(const Request& r, uint16_t userTag) const;
    // Answers a deferred request (a call or invitation the peer decided).
    void ReplyLater(const MsgHeader& request, const Endpoint& to, uint16_t status, const TLVItems& items = {});
    void LeaveChannel(const std::string& user);
    // A user gone (unregistered or lost): out of its channel and call.
    void ForgetUser(const std::string& user);
    void OnPeerDecision(uint32_t sequence, uint16_t status, int64_t nowMs);
    void TalkTick(int64_t nowMs);
    // notifyUser by value: callers pass names held by the call being ended.
    void EndCall(uint32_t session, std::string notifyUser, int reason);
    void SendToMembers(uint16_t channel, const std::string& except, uint16_t command, const TLVItems& items);

    // Sends the reply unless silent; `status` is the status value.
    void Reply(const Request& r, uint16_t status, const TLVItems& items = {});
    // A forced status for this command, consumed; nothing when none applies.
    std::optional<uint16_t> TakeForcedStatus(uint16_t command);
    void Emit(const std::string& line) { m_events.Event(line); }

    ServerConfig m_config;
    UserList m_users;
    Transport& m_transport;
    EventSink& m_events;
    std::map<uint16_t, Handler> m_handlers;
    std::map<std::string, ClientInfo> m_clients;
    struct Forced
    {
        uint16_t status;
        int remaining; // < 0: for ever
    };
    std::map<uint16_t, Forced> m_forced;
    std::set<uint16_t> m_omitted;
    bool m_silent = false;
    SequenceCounter m_sequence;
    std::map<uint32_t, std::string> m_pending; // our requests awaiting a reply: sequence -> user

    std::map<uint16_t, ChannelInfo> m_channels;
    std::map<std::string, uint16_t> m_memberOf;
    std::map<uint32_t, CallInfo> m_calls; // by session
    std::map<uint32_t, uint32_t> m_ringing; // ring request sequence -> call session
    uint32_t m_nextSession = 7001;
    uint16_t m_nextToken = 11;
    struct InviteInfo
    {
        std::string inviter, invitee;
        uint16_t channel = 0;
        MsgHeader request;
        Endpoint from;
        int64_t deadlineMs = 0;
    };
    std::map<uint32_t, InviteInfo> m_invites; // invitation sequence sent to the invitee -> invitation
    RelayStats m_stats;
};

// Parses an item written as TAG=KIND:VALUE, e.g. 0x0103=s:alice,
// 0x0208=i4:196613, 0x0404=b:00ff10. Kinds: s (string), i1 i2 i4 i8
// (integers, decimal or 0x hex), b (hex bytes), e (empty).
bool ParseItemSpec(const std::string& text, TLVGroup& item, std::string& error);
// Hex text to bytes; false on odd length or a non-hex digit.
bool ParseHex(const std::string& hex, std::vector<uint8_t>& out);

} // namespace vel::talkserver
