#include "CDataWriter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vel {

namespace {

constexpr const char* kGrowFailed = "重新分配内存失败";

} // namespace

CDataWriter::CDataWriter()
{
    // A failed first block is not fatal: the first write tries again.
    Reallocate(kPage);
}

uint32_t CDataWriter::Reallocate(size_t newSize)
{
    if (newSize < kMinCapacity || newSize > kMaxCapacity)
        return kHrOutOfMemory;
    if (newSize == m_capacity && m_buffer)
        return kHrOk;
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[newSize]);
    if (!block)
        return kHrOutOfMemory;
    size_t keep = std::min(m_length, newSize);
    if (keep)
        memcpy(block.get(), m_buffer.get(), keep);
    m_buffer = std::move(block);
    m_capacity = newSize;
    m_length = keep;
    return kHrOk;
}

uint32_t CDataWriter::Ensure(size_t needed)
{
    if (needed > kMaxCapacity || m_length + needed > kMaxCapacity)
        return kHrOutOfMemory;
    if (m_buffer && m_length + needed <= m_capacity)
        return kHrOk;
    return Reallocate(((m_length + needed) / kPage + 1) * kPage);
}

void CDataWriter::Put(const void* bytes, size_t n)
{
    memcpy(m_buffer.get() + m_length, bytes, n);
    m_length += n;
}

// Each writer turns a growth failure into its own error and anything
// unforeseen into E_UNEXPECTED with a text naming the value.
#define VEL_WRITER_GUARD_BEGIN try {
#define VEL_WRITER_GUARD_END(loc, ...)                                                                       \
    }                                                                                                        \
    catch (const CExceptionEx&)                                                                              \
    {                                                                                                        \
        throw;                                                                                               \
    }                                                                                                        \
    catch (...)                                                                                              \
    {                                                                                                        \
        throw CExceptionEx::Make(kHrUnexpected, loc, __VA_ARGS__);                                           \
    }

void CDataWriter::WriteChar(char c)
{
    VEL_WRITER_GUARD_BEGIN
    if (uint32_t hr = Ensure(1))
        throw CExceptionEx::Make(hr, "CDataWriter::WriteChar", "%s", kGrowFailed);
    Put(&c, 1);
    VEL_WRITER_GUARD_END("CDataWriter::WriteChar", "写字符%c时出现未知异常", c)
}

void CDataWriter::WriteShort(uint16_t v)
{
    VEL_WRITER_GUARD_BEGIN
    if (uint32_t hr = Ensure(2))
        throw CExceptionEx::Make(hr, "CDataWriter::WriteShort", "%s", kGrowFailed);
    uint8_t b[2] = {uint8_t(v >> 8), uint8_t(v)};
    Put(b, 2);
    VEL_WRITER_GUARD_END("CDataWriter::WriteShort", "写值%d时出现未知异常", int(int16_t(v)))
}

void CDataWriter::WriteLong(uint32_t v)
{
    VEL_WRITER_GUARD_BEGIN
    if (uint32_t hr = Ensure(4))
        throw CExceptionEx::Make(hr, "CDataWriter::WriteLong", "%s", kGrowFailed);
    uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    Put(b, 4);
    VEL_WRITER_GUARD_END("CDataWriter::WriteLong", "写值%ld时出现未知异常", long(int32_t(v)))
}

void CDataWriter::WriteULongLong(uint64_t v)
{
    VEL_WRITER_GUARD_BEGIN
    if (uint32_t hr = Ensure(8))
        throw CExceptionEx::Make(hr, "CDataWriter::WriteULongLong", "%s", kGrowFailed);
    uint32_t lo = uint32_t(v), hi = uint32_t(v >> 32);
    uint8_t b[8] = {uint8_t(lo >> 24), uint8_t(lo >> 16), uint8_t(lo >> 8), uint8_t(lo),
                    uint8_t(hi >> 24), uint8_t(hi >> 16), uint8_t(hi >> 8), uint8_t(hi)};
    Put(b, 8);
    VEL_WRITER_GUARD_END("CDataWriter::WriteULongLong", "写值%llu时出现未知异常", (unsigned long long)v)
}

void CDataWriter::WriteLPSTR(const char* text)
{
    if (!text)
        throw CExceptionEx::Make(kHrInvalidArg, "CDataWriter::WriteLPSTR", "非法参数:传入参数lpstr为NULL");
    size_t full = strlen(text);
    uint16_t n = uint16_t(full);
    VEL_WRITER_GUARD_BEGIN
    if (uint32_t hr = Ensure(size_t(2) + n))
        throw CExceptionEx::Make(hr, "CDataWriter::WriteLPWSTR", "重新分配内存失败,需要写入的字符串长度%ld",
                                 long(full));
    uint8_t b[2] = {uint8_t(n >> 8), uint8_t(n)};
    Put(b, 2);
    Put(text, n);
    VEL_WRITER_GUARD_END("CDataWriter::LPSTR", "写字符串时出现未知异常,字符串长度%ld", long(full))
}

void CDataWriter::WriteBinary(const uint8_t* bytes, size_t n)
{
    uint16_t count = uint16_t(n);
    if (!bytes || count == 0)
        throw CExceptionEx::Make(kHrInvalidArg, "CDataWriter::WriteBinary", "非法参数");
    VEL_WRITER_GUARD_BEGIN
    if (uint32_t hr = Ensure(count))
        throw CExceptionEx::Make(hr, "CDataWriter::WriteBinary", "%s", kGrowFailed);
    Put(bytes, count);
    VEL_WRITER_GUARD_END("CDataWriter::WriteBinary", "写入字符串时出现未知异常,字符串长度:%d", int(count))
}

uint32_t CDataWriter::Replace(size_t pos, const uint8_t* byte)
{
    try {
        if (!byte || pos > m_length)
            throw CExceptionEx::Make(kHrInvalidArg, "CDataWriter::Replace", "Invalid ARG");
        if (pos == m_length) {
            if (uint32_t hr = Ensure(1))
                throw CExceptionEx::Make(hr, "CDataWriter::Replace", "%s", kGrowFailed);
            ++m_length;
        }
        m_buffer[pos] = *byte;
        return kHrOk;
    } catch (const CExceptionEx& e) {
        return e.code;
    } catch (...) {
        return kHrUnexpected;
    }
}

void CDataWriter::WriteTLVGroup(const TLVGroup& item)
{
    VEL_WRITER_GUARD_BEGIN
    WriteShort(item.tag);
    WriteVariant(item.value);
    VEL_WRITER_GUARD_END("CDataWriter::WriteTLVGroup", "写TLVGroup值时出现未知异常")
}

void CDataWriter::WriteVariant(const TLVValue& v)
{
    VEL_WRITER_GUARD_BEGIN
    switch (v.vt) {
    case VT_EMPTY:
        WriteShort(0);
        break;
    case VT_I2:
    case VT_UI2:
        WriteShort(2);
        WriteShort(uint16_t(v.bits));
        break;
    case VT_I4:
    case VT_UI4:
        WriteShort(4);
        WriteLong(uint32_t(v.bits));
        break;
    case VT_I1:
    case VT_UI1:
        WriteShort(1);
        WriteChar(char(v.bits));
        break;
    case VT_UI8:
        WriteShort(8);
        WriteULongLong(v.bits);
        break;
    case VT_LPSTR:
        WriteLPSTR(v.bytes.c_str());
        break;
    case VT_BLOB: {
        // The count word and the bytes behind it always agree, even for a
        // payload longer than the 16-bit count can say.
        uint16_t n = std::min<size_t>(v.reserved1, v.bytes.size());
        WriteShort(n);
        WriteBinary(reinterpret_cast<const uint8_t*>(v.bytes.data()), n);
        break;
    }
    default:
        throw CExceptionEx::Make(0, "CDataWriter::WriteVariant", "The VARIANT Type not supported!");
    }
    VEL_WRITER_GUARD_END("CDataWriter::WriteVariant", "写VARIANT值时出现未知异常")
}

} // namespace vel
