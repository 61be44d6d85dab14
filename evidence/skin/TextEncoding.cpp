#include "TextEncoding.h"

#include "platform/base/Strings.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace vel {

namespace {

const unsigned char* Bytes(const void* p) { return static_cast<const unsigned char*>(p); }

std::u16string Utf16FromBytes(const unsigned char* p, size_t size, bool bigEndian)
{
    std::u16string out(size / 2, u'\0');
    if (bigEndian == (std::endian::native == std::endian::big)) {
        std::memcpy(out.data(), p, out.size() * 2);
        return out;
    }
    for (size_t i = 0; i < out.size(); ++i) {
        unsigned lo = p[2 * i], hi = p[2 * i + 1];
        if (bigEndian)
            std::swap(lo, hi);
        out[i] = static_cast<char16_t>(lo | (hi << 8));
    }
    return out;
}

} // namespace

UnicodeTextStats CountUnicodeTextStats(const void* bytes, size_t size)
{
    UnicodeTextStats s;
    const unsigned char* p = Bytes(bytes);
    size_t units = p ? size / 2 : 0;
    while (units > 0 && p[2 * units - 2] == 0 && p[2 * units - 1] == 0)
        --units;
    s.units = units;
    for (size_t i = 0; i < units; ++i) {
        unsigned char lo = p[2 * i], hi = p[2 * i + 1];
        if (hi == 0 && lo != 0)
            ++s.native;
        else if (lo == 0 && hi != 0)
            ++s.reverse;
    }
    return s;
}

bool PassesUnicodeStatistics(const UnicodeTextStats& s)
{
    return s.native > 0 && s.native * kUnicodeTestMinDensity >= s.units && s.native >= 2 * s.reverse;
}

bool PassesReverseUnicodeStatistics(const UnicodeTextStats& s)
{
    return s.reverse > 0 && s.reverse * kUnicodeTestMinDensity >= s.units && s.reverse >= 2 * s.native;
}

bool IsTextUnicode(const void* bytes, size_t size)
{
    UnicodeTextStats s = CountUnicodeTextStats(bytes, size);
    return PassesUnicodeStatistics(s) && !PassesReverseUnicodeStatistics(s);
}

TextEncoding DetectTextEncoding(const void* bytes, size_t size)
{
    const unsigned char* p = Bytes(bytes);
    if (!p)
        return TextEncoding::Ansi;
    if (size > 1 && p[0] == 0xFE && p[1] == 0xFF)
        return TextEncoding::Utf16BigEndianMarked;
    if (size > 1 && p[0] == 0xFF && p[1] == 0xFE)
        return TextEncoding::Utf16LittleEndianMarked;
    if (size > 2 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF)
        return TextEncoding::Utf8Marked;
    if (IsTextUnicode(p, size))
        return TextEncoding::Utf16LittleEndian;
    return TextEncoding::Ansi;
}

std::u16string DecodeText(const void* bytes, size_t size)
{
    const unsigned char* p = Bytes(bytes);
    if (!p || size == 0)
        return {};
    switch (DetectTextEncoding(p, size)) {
    case TextEncoding::Utf16BigEndianMarked: return Utf16FromBytes(p + 2, size - 2, true);
    case TextEncoding::Utf16LittleEndianMarked: return Utf16FromBytes(p + 2, size - 2, false);
    case TextEncoding::Utf8Marked:
        return Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(p + 3), size - 3));
    case TextEncoding::Utf16LittleEndian: return Utf16FromBytes(p, size, false);
    case TextEncoding::Ansi: break;
    }
    return AnsiToUtf16(std::string_view(reinterpret_cast<const char*>(p), size));
}

} // namespace vel
