#pragma once
// Recognising the encoding of a text buffer that may carry no byte-order
// mark, and turning it into UTF-16.
//
// The Unicode-text test answers "is this UTF-16 little endian?" for a buffer
// without a mark, from two statistics over its 16-bit units:
//   - native: units whose high byte is 0 and low byte is not (ASCII and
//     Latin-1 characters as a little-endian writer stores them);
//   - reverse: units whose low byte is 0 and high byte is not (the same
//     characters from a big-endian writer).
// Text in a single-byte or multi-byte code page (ANSI, GBK, UTF-8) holds no
// zero bytes, so it never shows either pattern; markup in UTF-16 is full of
// the native one, even when its text is all CJK. The test says yes when the
// native count is at least one unit in kMinDensity and at least twice the
// reverse count, and the reverse statistic does not say the text is
// byte-swapped (its count at least one in kMinDensity and at least twice the
// native one). Trailing zero units (a terminator) are not counted; a
// trailing odd byte is ignored.

#include <cstddef>
#include <string>

namespace vel {

struct UnicodeTextStats {
    size_t units = 0;   // 16-bit units considered
    size_t native = 0;  // high byte 0, low byte not
    size_t reverse = 0; // low byte 0, high byte not
};

inline constexpr size_t kUnicodeTestMinDensity = 32;

UnicodeTextStats CountUnicodeTextStats(const void* bytes, size_t size);
// The statistical check: the buffer looks like little-endian UTF-16.
bool PassesUnicodeStatistics(const UnicodeTextStats& s);
// The reverse-statistical check: it looks like byte-swapped UTF-16.
bool PassesReverseUnicodeStatistics(const UnicodeTextStats& s);
// Both checks together: little-endian UTF-16 and not byte-swapped.
bool IsTextUnicode(const void* bytes, size_t size);

enum class TextEncoding { Utf16BigEndianMarked, Utf16LittleEndianMarked, Utf8Marked, Utf16LittleEndian, Ansi };

// The encoding ParseBuffer takes a buffer to be in, first match wins: the
// marks FE FF, FF FE, EF BB BF, then the Unicode-text test, else ANSI.
TextEncoding DetectTextEncoding(const void* bytes, size_t size);

// The buffer as UTF-16, bounded by its size (the mark dropped, big-endian
// units swapped in a copy, an odd trailing byte of UTF-16 ignored, UTF-8 and
// ANSI converted, malformed sequences becoming U+FFFD).
std::u16string DecodeText(const void* bytes, size_t size);

} // namespace vel
