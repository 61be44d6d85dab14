#pragma once
// The server's control language: one command per line, one answer line
// ("ok ..." or "error ...") per command. Used on standard input by tests,
// the demo and people trying the library.
//
//   clients                          registered users and their addresses
//   status CMD STATUS [COUNT]        answer the next COUNT (default: all) CMD
//                                    requests with STATUS; CMD is register,
//                                    heartbeat or a number; "status CMD clear"
//   omit TAG on|off                  leave an item out of the registration reply
//   silent on|off                    answer nothing
//   period SECONDS                   heartbeat period for later registrations
//   clear                            undo status, omit and silent
//   notice USER TYPE [VALUE] [subject=ID] [reason=N] [ITEM...]
//                                    server notice (command 33): user id item
//                                    (subject, default USER), the type tag with
//                                    VALUE as a 32-bit integer, the reason
//   send USER CMD [ITEM...]          any request; ITEM is TAG=KIND:VALUE
//                                    (kinds s i1 i2 i4 i8 b e)
//   raw USER HEX                     a datagram of exactly these bytes
//   channels | calls | stats         channels with members and floor, calls,
//                                    voice relay counters
//   ring MS                          ring (and invitation) time-out
//   gps USER SUBJECT [HEX]           position report (32-byte record)
//   alarm USER SUBJECT [HEX]         alarm report (28 + 32 bytes)
//   videochan USER CHANNEL           video channel switch in USER's call
//   quit                             stop the server
//
// "notice" and "send" answer "ok seq=N"; the client's reply shows up later
// as "event reply user=USER cmd=0x8021 seq=N status=S".

#include "tools/talkserver/TalkServer.h"

#include <string>

namespace vel::talkserver {

struct ControlResult
{
    std::string answer;
    bool quit = false;
};

ControlResult RunControlCommand(TalkServer& server, const std::string& line);

} // namespace vel::talkserver
