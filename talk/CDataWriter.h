#pragma once
// Growable output buffer for talk messages: big-endian integers, length-
// prefixed strings, raw bytes and typed TLV items (see CDataReader for the
// wire layout). Every fault raises CExceptionEx.
//
// Growth rule: when a write does not fit, the capacity becomes the next
// multiple of 4096 strictly above the bytes needed. The buffer never holds
// less than 128 or more than 0x20000000 bytes; a growth outside that range or
// a failed allocation is E_OUTOFMEMORY and leaves the written bytes intact.

#include "talk/CExceptionEx.h"
#include "talk/TLVGroup.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace vel {

class CDataWriter
{
public:
    static constexpr size_t kPage = 4096;
    static constexpr size_t kMinCapacity = 128;
    static constexpr size_t kMaxCapacity = 0x20000000;

    CDataWriter();
    CDataWriter(const CDataWriter&) = delete;
    CDataWriter& operator=(const CDataWriter&) = delete;

    const uint8_t* Data() const { return m_buffer.get(); }
    size_t Length() const { return m_length; }
    size_t Capacity() const { return m_capacity; }

    void WriteChar(char c);
    void WriteShort(uint16_t v);
    void WriteLong(uint32_t v);
    // Low 32 bits first, then the high 32 bits, each half big-endian.
    void WriteULongLong(uint64_t v);
    // 16-bit length (strlen truncated to 16 bits), then that many bytes.
    void WriteLPSTR(const char* text);
    // The low 16 bits of n worth of bytes, no length prefix.
    void WriteBinary(const uint8_t* bytes, size_t n);
    // Overwrites the byte at pos, or appends it when pos == Length().
    // Returns 0 or the error code instead of throwing.
    uint32_t Replace(size_t pos, const uint8_t* byte);

    void WriteTLVGroup(const TLVGroup& item);
    void WriteVariant(const TLVValue& value);

    // Moves the content into a block of exactly newSize bytes. Returns 0 or
    // E_OUTOFMEMORY; the same size is a no-op success.
    uint32_t Reallocate(size_t newSize);

private:
    // Grows so that `needed` more bytes fit; 0 or the growth error.
    uint32_t Ensure(size_t needed);
    void Put(const void* bytes, size_t n);

    std::unique_ptr<uint8_t[]> m_buffer;
    size_t m_capacity = 0;
    size_t m_length = 0;
};

} // namespace vel
