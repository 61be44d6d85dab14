#pragma once
// Character classes of the XML reader over the Basic Multilingual Plane:
// the standard wide-character space and alphanumeric classes, taken from the
// C.UTF-8 locale (so CJK ideographs, kana and full-width letters count as
// alphanumeric and U+3000 as space) without touching the process locale.
// Looked up in bitmaps built once, on first use, from any thread.

namespace vel::xmlchar {

bool IsSpace(char16_t c);
bool IsAlnum(char16_t c);
// Characters of a name: alphanumeric or one of - . : _
inline bool IsNameChar(char16_t c)
{
    return c == u'-' || c == u'.' || c == u':' || c == u'_' || IsAlnum(c);
}
// White space for skipping between tokens: exactly tab, LF, CR and space.
inline bool IsSkipSpace(char16_t c) { return c == u'\t' || c == u'\n' || c == u'\r' || c == u' '; }

} // namespace vel::xmlchar
