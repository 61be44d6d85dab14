#include "CDataReader.h"

#include "talk/TalkTags.h"

#include <cstring>
#include <vector>

namespace vel {

CDataReader::CDataReader(size_t size, const uint8_t* data) : m_data(data), m_size(size)
{
    if ((data == nullptr) != (size == 0))
        throw CExceptionEx::Make(kHrInvalidArg, "CDataReader::CDataReader", "Invalid ARG.");
}

void CDataReader::Need(size_t n, const char* location) const
{
    if (n > m_size - m_pos)
        throw CExceptionEx::Make(kHrPointer, location, "内存访问越界");
}

char CDataReader::ReadChar()
{
    Need(1, "CDataReader::ReadChar");
    return char(m_data[m_pos++]);
}

uint16_t CDataReader::ReadShort()
{
    Need(2, "CDataReader::ReadShort");
    const uint8_t* p = m_data + m_pos;
    m_pos += 2;
    return uint16_t(p[0] << 8 | p[1]);
}

uint32_t CDataReader::ReadLong()
{
    Need(4, "CDataReader::ReadLong");
    const uint8_t* p = m_data + m_pos;
    m_pos += 4;
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint64_t CDataReader::ReadULongLong()
{
    Need(8, "CDataReader::ReadULongLong");
    const uint8_t* p = m_data + m_pos;
    m_pos += 8;
    uint32_t lo = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    uint32_t hi = uint32_t(p[4]) << 24 | uint32_t(p[5]) << 16 | uint32_t(p[6]) << 8 | p[7];
    return uint64_t(hi) << 32 | lo;
}

std::string CDataReader::ReadString()
{
    size_t start = m_pos;
    uint16_t n = ReadShort();
    if (n > m_size - m_pos) {
        m_pos = start;
        throw CExceptionEx::Make(kHrPointer, "CDataReader::ReadString", "内存访问越界");
    }
    const char* text = reinterpret_cast<const char*>(m_data + m_pos);
    m_pos += n;
    return std::string(text, strnlen(text, n));
}

void CDataReader::ReadBinary(uint8_t* dest, size_t n)
{
    Need(n, "CDataReader::ReadBinary");
    if (dest && n)
        memcpy(dest, m_data + m_pos, n);
    m_pos += n;
}

void CDataReader::Skip(size_t n)
{
    Need(n, "CDataReader::Skip");
    m_pos += n;
}

void CDataReader::ReadTLVGroup(TLVGroup& item)
{
    item = TLVGroup{};
    item.tag = ReadShort();
    switch (ClassOfTag(item.tag)) {
    case TagClass::String:
        item.value = TLVValue::Str(ReadString());
        return;
    case TagClass::Integer: {
        uint16_t len = ReadShort();
        switch (len) {
        case 1:
            item.value = TLVValue::I1(int8_t(ReadChar()));
            return;
        case 2:
            item.value = TLVValue::I2(int16_t(ReadShort()));
            return;
        case 4:
            item.value = TLVValue::I4(int32_t(ReadLong()));
            return;
        case 8:
            item.value = TLVValue::UI8(ReadULongLong());
            return;
        default:
            throw CExceptionEx::Make(0, "CDataReader::ReadTLVGroup", "The Integer Value Type not supported!");
        }
    }
    case TagClass::Binary: {
        uint16_t len = ReadShort();
        Need(len, "CDataReader::ReadBinary");
        TLVValue v;
        v.vt = VT_BLOB;
        v.reserved1 = len;
        v.bytes.assign(reinterpret_cast<const char*>(m_data + m_pos), len);
        m_pos += len;
        item.value = std::move(v);
        return;
    }
    case TagClass::Unknown:
        Skip(ReadShort());
        return;
    }
}

bool DecodeItems(const uint8_t* body, size_t size, TLVItems& items)
{
    items.clear();
    try {
        CDataReader reader(size, size ? body : nullptr);
        while (!reader.AtEnd()) {
            TLVGroup item;
            reader.ReadTLVGroup(item);
            if (item.value.vt != VT_EMPTY)
                items.push_back(std::move(item));
        }
        return true;
    } catch (const CExceptionEx&) {
        return false;
    } catch (...) {
        return false;
    }
}

} // namespace vel
