#pragma once
// Bounds-checked cursor over a received talk message (it does not own the
// bytes). Wire layout, all integers big-endian:
//
//   char    1 byte          short 2 bytes        long 4 bytes
//   64-bit  low 32 bits first, then the high 32 bits, each half big-endian
//   string  16-bit length N, then N bytes, no terminator
//   TLV     16-bit tag, 16-bit length L, L value bytes
//
// Every read checks the remaining length first (without arithmetic that could
// wrap) and raises CExceptionEx 0x80004003 "内存访问越界" instead of reading
// past the end; the cursor is left where it was.

#include "talk/CExceptionEx.h"
#include "talk/TLVGroup.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vel {

class CDataReader
{
public:
    // Both absent (null, 0) or both given; otherwise E_INVALIDARG.
    CDataReader(size_t size, const uint8_t* data);

    char ReadChar();
    uint16_t ReadShort();
    uint32_t ReadLong();
    uint64_t ReadULongLong();
    // Reads N and N bytes; the text ends at the first zero byte among them.
    std::string ReadString();
    // Copies n bytes into dest, or skips them when dest is null.
    void ReadBinary(uint8_t* dest, size_t n);
    void Skip(size_t n);
    // Decodes one item by the class of its tag (see TalkTags.h); unknown tags
    // are skipped by their length and yield an item with an empty value.
    void ReadTLVGroup(TLVGroup& item);

    size_t Pos() const { return m_pos; }
    size_t Size() const { return m_size; }
    bool AtEnd() const { return m_pos >= m_size; }

private:
    void Need(size_t n, const char* location) const;

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Decodes a whole message body into items. Returns false (items then hold
// what was decoded before the fault) when the body is malformed.
bool DecodeItems(const uint8_t* body, size_t size, TLVItems& items);

} // namespace vel
