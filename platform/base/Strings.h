#pragma once
// Text helpers. The suite works in UTF-16 (std::u16string) where the system
// it stands in for worked in wide strings, in 8-bit strings of the ANSI code
// page where that system did, and in UTF-8 towards SQLite, files and wires.

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel {

// UTF-8 <-> UTF-16. Malformed input becomes U+FFFD; nothing throws.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// The ANSI code page: 936 (GBK) unless VEL_ACP names another number
// (65001 is UTF-8). Read once per process.
int AnsiCodePage();
// Name of a code page for iconv ("GBK", "UTF-8", "CP1252", ...).
std::string CodePageName(int codePage);

// ANSI <-> UTF-16 in the process code page (or a given one). Characters that
// the code page lacks become '?', its default character; invalid input
// bytes become U+FFFD.
std::u16string AnsiToUtf16(std::string_view s);
std::string Utf16ToAnsi(std::u16string_view s);
std::u16string CodePageToUtf16(int codePage, std::string_view s);
std::string Utf16ToCodePage(int codePage, std::u16string_view s);

// The boundary rule for outgoing strings: zero-fill the whole destination,
// then copy at most size - 2 bytes and a NUL. A size below 1 writes nothing.
void CopyToAnsiBuffer(char* dst, size_t size, std::u16string_view s);
// The same for a string already in the target encoding.
void CopyToBuffer(char* dst, size_t size, std::string_view s);

// Case mapping and comparison that ignore letter case the way the Windows
// file system does (simple one-to-one mapping of the Basic Multilingual Plane).
char16_t ToUpper(char16_t c);
char16_t ToLower(char16_t c);
std::u16string ToUpper(std::u16string_view s);
std::u16string ToLower(std::u16string_view s);
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
bool StartsWithIgnoreCase(std::u16string_view s, std::u16string_view prefix);
bool EndsWithIgnoreCase(std::u16string_view s, std::u16string_view suffix);
int CompareIgnoreCase(std::u16string_view a, std::u16string_view b);

// Trimming of blanks (space, tab, CR, LF), replacing, splitting.
std::u16string Trim(std::u16string_view s);
std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to);
std::vector<std::u16string> Split(std::u16string_view s, char16_t sep, bool keepEmpty = false);

// Decimal text <-> integers. ParseInt follows the C runtime's atoi: leading
// blanks, an optional sign, digits up to the first non-digit; 0 when none.
int32_t ParseInt(std::u16string_view s);
int64_t ParseInt64(std::u16string_view s);
std::u16string ToString16(int64_t v);

// printf-style formatting of UTF-16 text. Conversions: d i u x X o c e f g p
// with flags, width, precision and the length prefixes h l ll z I64 I32;
// %s takes a const char16_t* (null prints "(null)"), %S a const char*
// (UTF-8), %c a char16_t promoted to int, %% a percent sign.
std::u16string Format16(const char16_t* fmt, ...);
std::u16string VFormat16(const char16_t* fmt, va_list args);
// Same, truncated to at most maxChars - 1 characters (the fixed-buffer
// formatting of the system, which always terminates).
std::u16string VFormat16Truncated(size_t maxChars, const char16_t* fmt, va_list args);

// UTF-16 literal helper for code that builds text from ASCII constants.
inline std::u16string U16(std::string_view ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

} // namespace vel
