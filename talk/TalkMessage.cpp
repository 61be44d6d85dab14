#include "TalkMessage.h"

#include "talk/CDataReader.h"
#include "talk/CDataWriter.h"
#include "talk/StatusTable.h"

#include <climits>
#include <ctime>

namespace vel {

bool IsControlMessage(const uint8_t* data, size_t len)
{
    return data && len >= 2 && data[0] == 0xA5 && data[1] == 0xB5;
}

bool ParseMsgHeader(const uint8_t* data, size_t len, MsgHeader& h)
{
    if (!data || len < kMsgHeaderSize)
        return false;
    try {
        CDataReader r(kMsgHeaderSize, data);
        h.magic = r.ReadShort();
        h.marker1 = uint8_t(r.ReadChar());
        h.marker2 = uint8_t(r.ReadChar());
        h.bodyLength = r.ReadLong();
        h.command = r.ReadShort();
        h.status = r.ReadShort();
        h.sequence = r.ReadLong();
    } catch (...) {
        return false;
    }
    return h.magic == kMsgMagic && h.bodyLength <= len - kMsgHeaderSize;
}

bool ParseMessage(const uint8_t* data, size_t len, MsgHeader& header, TLVItems& items)
{
    items.clear();
    if (!ParseMsgHeader(data, len, header))
        return false;
    return DecodeItems(data + kMsgHeaderSize, header.bodyLength, items);
}

bool PackMessage(uint16_t command, uint16_t status, uint32_t sequence, const TLVItems& items,
                 std::vector<uint8_t>& out)
{
    out.clear();
    try {
        CDataWriter w;
        w.WriteShort(kMsgMagic);
        w.WriteChar(1);
        w.WriteChar(1);
        w.WriteLong(0); // body length, patched below
        w.WriteShort(command);
        w.WriteShort(status);
        w.WriteLong(sequence);
        for (const TLVGroup& item : items)
            w.WriteTLVGroup(item);
        uint32_t body = uint32_t(w.Length() - kMsgHeaderSize);
        const uint8_t len[4] = {uint8_t(body >> 24), uint8_t(body >> 16), uint8_t(body >> 8), uint8_t(body)};
        for (size_t i = 0; i < 4; ++i)
            if (w.Replace(4 + i, &len[i]) != 0)
                return false;
        out.assign(w.Data(), w.Data() + w.Length());
        return true;
    } catch (...) {
        out.clear();
        return false;
    }
}

bool PackRequest(uint16_t command, uint32_t sequence, const TLVItems& items, std::vector<uint8_t>& out)
{
    return PackMessage(command & 0xFF, 0, sequence, items, out);
}

bool PackReply(uint16_t command, uint16_t statusIndex, uint32_t sequence, const TLVItems& items,
               std::vector<uint8_t>& out)
{
    return PackMessage(command, StatusByIndex(statusIndex).value, sequence, items, out);
}

std::string MessageText(const uint8_t* data, size_t len)
{
    std::string s;
    s.reserve(len);
    for (size_t i = 0; i < len; ++i)
        s.push_back(data[i] >= 0x20 && data[i] < 0x7F ? char(data[i]) : '.');
    return s;
}

SequenceCounter::SequenceCounter() : m_value(int32_t(time(nullptr) % 10000)) {}

uint32_t SequenceCounter::Next()
{
    std::lock_guard lock(m_lock);
    m_value = m_value == INT32_MAX ? 0 : m_value + 1;
    return uint32_t(m_value);
}

} // namespace vel
