#include "ControlCommands.h"

#include "talk/TalkLog.h"
#include "talk/TalkTags.h"

#include <cstdlib>
#include <sstream>
#include <vector>

namespace vel::talkserver {

namespace {

bool ParseNumber(const std::string& text, long long& out)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    out = strtoll(text.c_str(), &end, 0);
    return *end == 0;
}

bool ParseCommand(const std::string& text, uint16_t& command)
{
    if (text == "register")
        command = cmd::Register;
    else if (text == "unregister")
        command = cmd::Unregister;
    else if (text == "heartbeat")
        command = cmd::Heartbeat;
    else {
        long long n;
        if (!ParseNumber(text, n) || n < 0 || n > 0xFFFF)
            return false;
        command = uint16_t(n);
    }
    return true;
}

ControlResult Ok(const std::string& text = "")
{
    return {text.empty() ? "ok" : "ok " + text};
}

ControlResult Error(const std::string& text)
{
    return {"error " + text};
}

ControlResult SeqAnswer(const std::optional<uint32_t>& seq, const std::string& user)
{
    if (!seq)
        return Error("user " + user + " is not registered");
    return Ok("seq=" + std::to_string(*seq));
}

} // namespace

ControlResult RunControlCommand(TalkServer& server, const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string word; in >> word;)
        w.push_back(word);
    if (w.empty())
        return Error("empty command");
    const std::string& verb = w[0];

    if (verb == "quit") {
        ControlResult r = Ok("bye");
        r.quit = true;
        return r;
    }
    if (verb == "clients") {
        std::string list;
        for (const ClientInfo& c : server.Clients())
            list += (list.empty() ? "" : " ") + c.user + "@" + c.endpoint.Text();
        return Ok(list);
    }
    if (verb == "channels") {
        std::string list;
        for (auto& [number, ch] : server.Channels()) {
            std::string members;
            for (auto& m : ch.members)
                members += (members.empty() ? "" : ",") + m;
            list += TalkFormat("%s%u:%s%s%s", list.empty() ? "" : " ", number, members.c_str(),
                               ch.floor.empty() ? "" : " floor=", ch.floor.c_str());
        }
        return Ok(list);
    }
    if (verb == "calls") {
        std::string list;
        for (auto& [session, c] : server.Calls())
            list += TalkFormat("%s%u:%s>%s%s", list.empty() ? "" : " ", session, c.caller.c_str(), c.callee.c_str(),
                               c.ringing ? " ringing" : "");
        return Ok(list);
    }
    if (verb == "stats") {
        const RelayStats& st = server.Stats();
        return Ok(TalkFormat("groupin=%llu groupout=%llu grouprefused=%llu indivin=%llu indivout=%llu "
                             "indivrefused=%llu",
                             (unsigned long long)st.groupVoiceIn, (unsigned long long)st.groupVoiceOut,
                             (unsigned long long)st.groupVoiceRefused, (unsigned long long)st.indivVoiceIn,
                             (unsigned long long)st.indivVoiceOut, (unsigned long long)st.indivVoiceRefused));
    }
    if (verb == "ring" && w.size() == 2) {
        long long ms;
        if (!ParseNumber(w[1], ms) || ms < 0)
            return Error("bad ring time-out");
        server.SetRingTimeout(ms);
        return Ok();
    }
    if (verb == "gps" && (w.size() == 3 || w.size() == 4)) {
        // gps USER SUBJECT [HEX]: a position report about SUBJECT
        std::vector<uint8_t> record(32, 0);
        if (w.size() == 4 && !ParseHex(w[3], record))
            return Error("bad hex");
        TLVItems items = {{tag::UserId, TLVValue::Str(w[2])},
                          {tag::Gps, TLVValue::Blob(std::string(record.begin(), record.end()))}};
        return SeqAnswer(server.SendRequest(w[1], cmd::GpsData, items), w[1]);
    }
    if (verb == "alarm" && (w.size() == 3 || w.size() == 4)) {
        // alarm USER SUBJECT [HEX]: 28 alarm bytes then a 32-byte GPS record
        std::vector<uint8_t> record(60, 0);
        if (w.size() == 4 && !ParseHex(w[3], record))
            return Error("bad hex");
        TLVItems items = {{tag::UserId, TLVValue::Str(w[2])},
                          {tag::Alarm, TLVValue::Blob(std::string(record.begin(), record.end()))}};
        return SeqAnswer(server.SendRequest(w[1], cmd::AlarmData, items), w[1]);
    }
    if (verb == "videochan" && w.size() == 3) {
        // videochan USER CHANNEL: switch the video channel of USER's call
        long long chan;
        if (!ParseNumber(w[2], chan) || chan < 0 || chan > 0xFFFF)
            return Error("bad channel");
        for (auto& [session, c] : server.Calls())
            if (c.caller == w[1] || c.callee == w[1]) {
                const std::string& other = c.caller == w[1] ? c.callee : c.caller;
                TLVItems items = {{tag::UserId, TLVValue::Str(w[1])},
                                  {tag::FromUser, TLVValue::Str(other)},
                                  {tag::CallSession, TLVValue::UI4(session)},
                                  {tag::VideoChannel, TLVValue::UI2(uint16_t(chan))}};
                return SeqAnswer(server.SendRequest(w[1], cmd::SwitchVideoChan, items), w[1]);
            }
        return Error("user " + w[1] + " is in no call");
    }
    if (verb == "clear") {
        server.ClearOverrides();
        return Ok();
    }
    if (verb == "silent" && w.size() == 2 && (w[1] == "on" || w[1] == "off")) {
        server.SetSilent(w[1] == "on");
        return Ok();
    }
    if (verb == "period" && w.size() == 2) {
        long long s;
        if (!ParseNumber(w[1], s) || s < 0 || s > 0xFFFF)
            return Error("bad period");
        server.SetHeartbeatPeriod(uint32_t(s));
        return Ok();
    }
    if (verb == "status" && (w.size() == 3 || w.size() == 4)) {
        uint16_t command;
        if (!ParseCommand(w[1], command))
            return Error("bad command " + w[1]);
        if (w[2] == "clear") {
            server.ForceStatus(command, 0, 0);
            return Ok();
        }
        long long status, count = -1;
        if (!ParseNumber(w[2], status) || status < 0 || status > 0xFFFF)
            return Error("bad status " + w[2]);
        if (w.size() == 4 && (!ParseNumber(w[3], count) || count <= 0))
            return Error("bad count " + w[3]);
        server.ForceStatus(command, uint16_t(status), int(count));
        return Ok();
    }
    if (verb == "omit" && w.size() == 3 && (w[2] == "on" || w[2] == "off")) {
        long long t;
        if (!ParseNumber(w[1], t) || t < 0 || t > 0xFFFF)
            return Error("bad tag " + w[1]);
        server.OmitRegistrationItem(uint16_t(t), w[2] == "on");
        return Ok();
    }
    if (verb == "notice" && w.size() >= 3) {
        long long type, value = 0;
        if (!ParseNumber(w[2], type) || type < 0 || type > 0xFFFF)
            return Error("bad notice type " + w[2]);
        size_t next = 3;
        if (w.size() > 3 && w[3].find('=') == std::string::npos) {
            if (!ParseNumber(w[3], value))
                return Error("bad value " + w[3]);
            next = 4;
        }
        std::string subject = w[1];
        std::optional<long long> reason;
        TLVItems extra;
        for (size_t i = next; i < w.size(); ++i) {
            if (w[i].rfind("subject=", 0) == 0) {
                subject = w[i].substr(8);
            } else if (w[i].rfind("reason=", 0) == 0) {
                long long n;
                if (!ParseNumber(w[i].substr(7), n))
                    return Error("bad reason");
                reason = n;
            } else {
                TLVGroup item;
                std::string err;
                if (!ParseItemSpec(w[i], item, err))
                    return Error(err);
                extra.push_back(item);
            }
        }
        TLVItems items = {{tag::UserId, TLVValue::Str(subject)},
                          {uint16_t(type), TLVValue::I4(int32_t(value))}};
        if (reason)
            items.push_back({tag::Reason, TLVValue::I4(int32_t(*reason))});
        items.insert(items.end(), extra.begin(), extra.end());
        return SeqAnswer(server.SendRequest(w[1], cmd::ServerNotify, items), w[1]);
    }
    if (verb == "send" && w.size() >= 3) {
        uint16_t command;
        if (!ParseCommand(w[2], command))
            return Error("bad command " + w[2]);
        TLVItems items;
        for (size_t i = 3; i < w.size(); ++i) {
            TLVGroup item;
            std::string err;
            if (!ParseItemSpec(w[i], item, err))
                return Error(err);
            items.push_back(item);
        }
        return SeqAnswer(server.SendRequest(w[1], command, items), w[1]);
    }
    if (verb == "raw" && w.size() == 3) {
        std::vector<uint8_t> bytes;
        if (!ParseHex(w[2], bytes) || bytes.empty())
            return Error("bad hex");
        if (!server.SendRaw(w[1], bytes))
            return Error("user " + w[1] + " is not registered");
        return Ok(TalkFormat("%zu bytes", bytes.size()));
    }
    return Error("unknown or malformed command: " + line);
}

} // namespace vel::talkserver
