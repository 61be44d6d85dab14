#pragma once
// Server notices (command 33): which notice a message carries and the XML
// text the host gets for it. Kept apart from the session so the rules can be
// checked (and fuzzed) without sockets.
//
// The notice type is the first present of 0x0206, 0x0207, 0x020B, 0x0308,
// 0x0208, 0x0405, 0x0406, 0x0408; the XML is
//   <Notify><command>33</command><PARAM><type>T</type>...</PARAM></Notify>

#include "talk/TLVGroup.h"

#include <cstdint>
#include <string>

namespace vel {

struct ServerNotice
{
    enum Outcome
    {
        Report,
        NoType,
        BadSession
    };
    Outcome outcome = NoType;
    uint16_t type = 0;       // the type tag
    std::string xml;         // for Report
    bool clearsCall = false; // 0x020B: the peer left the call
};

// knownCallSession: the session's call session number (0 when none);
// transactionId: the id the host knows the call by.
ServerNotice BuildServerNotice(const TLVItems& items, uint32_t knownCallSession, uint32_t transactionId);

// Text escaped for XML character data (&, <, >), so a user id cannot break
// the notify text apart.
std::string XmlEscape(const std::string& text);

} // namespace vel
