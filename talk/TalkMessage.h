#pragma once
// Control messages of the talk protocol: a 16-byte header, then TLV items
// up to the end of the body.
//
//   offset 0  magic A5 B5          offset 8   command (16 bits)
//          2  01  3  01            offset 10  status (0 in requests)
//          4  body length (32)     offset 12  sequence (32 bits)
//
// A datagram is a reply when bits 15..14 of its command are binary 10.
// Builders return false instead of throwing; the parser rejects a header
// whose body length runs past the datagram (a wrapping or oversized length
// never reaches the item decoder).

#include "talk/TLVGroup.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace vel {

inline constexpr size_t kMsgHeaderSize = 16;
inline constexpr uint16_t kMsgMagic = 0xA5B5;
inline constexpr uint16_t kReplyFlag = 0x8000;

struct MsgHeader
{
    uint16_t magic = kMsgMagic;
    uint8_t marker1 = 1;
    uint8_t marker2 = 1;
    uint32_t bodyLength = 0;
    uint16_t command = 0;
    uint16_t status = 0;
    uint32_t sequence = 0;

    bool IsReply() const { return (command & 0xC000) == 0x8000; }
    bool operator==(const MsgHeader&) const = default;
};

// First two bytes A5 B5.
bool IsControlMessage(const uint8_t* data, size_t len);
// Reads the header; the body is the bodyLength bytes behind it.
bool ParseMsgHeader(const uint8_t* data, size_t len, MsgHeader& header);
// Header and items; false when either is malformed.
bool ParseMessage(const uint8_t* data, size_t len, MsgHeader& header, TLVItems& items);

// A message with exactly this command and status value.
bool PackMessage(uint16_t command, uint16_t status, uint32_t sequence, const TLVItems& items,
                 std::vector<uint8_t>& out);
// A request: the command's low 8 bits, status 0.
bool PackRequest(uint16_t command, uint32_t sequence, const TLVItems& items, std::vector<uint8_t>& out);
// A reply: the given command (0x8000 or the request's command with bit 15
// set) and the status at a position of the status table.
bool PackReply(uint16_t command, uint16_t statusIndex, uint32_t sequence, const TLVItems& items,
               std::vector<uint8_t>& out);

// Printable form of a message for log lines (control bytes as '.').
std::string MessageText(const uint8_t* data, size_t len);

// The per-session message counter: starts at the current time in seconds
// mod 10000, counts up before each message and restarts at 0 where a signed
// 32-bit value would turn negative.
class SequenceCounter
{
public:
    SequenceCounter();
    explicit SequenceCounter(int32_t start) : m_value(start) {}
    uint32_t Next();

private:
    std::mutex m_lock;
    int32_t m_value;
};

} // namespace vel
