#pragma once
// Character classes of the XML reader over the Basic Multilingual Plane:
// the standard wide-character space and alphanumeric classes, taken from the
// C.UTF-8 locale (so CJK ideographs, kana and full-width letters count as
// alphanumeric and U+3000 as space) without touching the process locale.
// Looked up in bitmaps built once, on first use, from any thread.

namespace vel::xmlchar {

bool IsSpaceTable(char16_t c); // from U+0080 up
bool IsAlnumTable(char16_t c);

inline bool IsSpace(char16_t c)
{
    if (c < 0x80)
        return c == u' ' || (c >= 0x09 && c <= 0x0D);
    return IsSpaceTable(c);
}

inline bool IsAlnum(char16_t c)
{
    if (c < 0x80)
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
    return IsAlnumTable(c);
}

// Characters of a name: alphanumeric or one of - . : _
inline bool IsNameChar(char16_t c)
{
    return c == u'-' || c == u'.' || c == u':' || c == u'_' || IsAlnum(c);
}
// White space for skipping between tokens: exactly tab, LF, CR and space.
inline bool IsSkipSpace(char16_t c) { return c == u'\t' || c == u'\n' || c == u'\r' || c == u' '; }

} // namespace vel::xmlchar
