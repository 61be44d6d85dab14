#pragma once
// One TLV item of a talk message: a 16-bit tag and a typed value. Value type
// codes follow the VARTYPE numbering the protocol was designed with; the
// item owns its string or binary payload, so decoded items need no cleanup.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

enum VarType : uint16_t {
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_UI8 = 21,
    VT_LPSTR = 30,
    VT_BLOB = 66,
};

struct TLVValue {
    uint16_t vt = VT_EMPTY;
    // Byte count of a VT_BLOB (the variant's first reserved word).
    uint16_t reserved1 = 0;
    // Integer payload, sign-extended from the value's own width.
    uint64_t bits = 0;
    // VT_LPSTR text (without terminator) or VT_BLOB bytes.
    std::string bytes;

    static TLVValue Empty() { return {}; }
    static TLVValue I1(int8_t v) { return Int(VT_I1, uint64_t(int64_t(v))); }
    static TLVValue UI1(uint8_t v) { return Int(VT_UI1, v); }
    static TLVValue I2(int16_t v) { return Int(VT_I2, uint64_t(int64_t(v))); }
    static TLVValue UI2(uint16_t v) { return Int(VT_UI2, v); }
    static TLVValue I4(int32_t v) { return Int(VT_I4, uint64_t(int64_t(v))); }
    static TLVValue UI4(uint32_t v) { return Int(VT_UI4, v); }
    static TLVValue UI8(uint64_t v) { return Int(VT_UI8, v); }
    static TLVValue Str(std::string_view text)
    {
        TLVValue v;
        v.vt = VT_LPSTR;
        v.bytes = text;
        return v;
    }
    static TLVValue Blob(std::string_view data)
    {
        TLVValue v;
        v.vt = VT_BLOB;
        v.bytes = data;
        v.reserved1 = uint16_t(data.size());
        return v;
    }
    static TLVValue Int(uint16_t vt, uint64_t bits)
    {
        TLVValue v;
        v.vt = vt;
        v.bits = bits;
        return v;
    }

    bool IsInteger() const
    {
        switch (vt) {
        case VT_I1: case VT_UI1: case VT_I2: case VT_UI2: case VT_I4: case VT_UI4: case VT_UI8: return true;
        default: return false;
        }
    }
    bool IsBytes() const { return vt == VT_LPSTR || vt == VT_BLOB; }
    // The integer as the protocol's 32-bit fields use it (low 32 bits).
    uint32_t AsU32() const { return uint32_t(bits); }
    int32_t AsI32() const { return int32_t(uint32_t(bits)); }
};

struct TLVGroup {
    uint16_t tag = 0;
    TLVValue value;

    bool operator==(const TLVGroup& o) const
    {
        return tag == o.tag && value.vt == o.value.vt && value.bits == o.value.bits &&
               value.bytes == o.value.bytes;
    }
};

using TLVItems = std::vector<TLVGroup>;

// The first item with the tag, or null. Items with an empty value (unknown
// tags the reader skipped) never match.
const TLVGroup* FindItem(const TLVItems& items, uint16_t tag);
// Text of a string item (empty when absent or not a string).
std::string ItemText(const TLVItems& items, uint16_t tag);

} // namespace vel
