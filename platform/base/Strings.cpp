#include "Strings.h"

#include <clocale>
#include <cstring>
#include <cwctype>
#include <locale.h>

namespace vel {

std::u16string Utf8ToUtf16(std::string_view s)
{
    std::u16string out;
    const size_t n = s.size();
    out.resize(n); // never more units than bytes
    char16_t* o = out.data();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t i = 0;
    auto push = [&o](char16_t u) { *o++ = u; };
    while (i < n) {
        // Runs of ASCII, the common case, are copied eight bytes at a time.
        while (i + 8 <= n) {
            uint64_t block;
            memcpy(&block, p + i, 8);
            if (block & 0x8080808080808080ull)
                break;
            for (int k = 0; k < 8; ++k)
                o[k] = char16_t(p[i + k]);
            o += 8;
            i += 8;
        }
        if (i >= n)
            break;
        unsigned char c = p[i];
        uint32_t cp;
        size_t len;
        if (c < 0x80) {
            cp = c;
            len = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            len = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            len = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            len = 4;
        } else {
            push(0xFFFD);
            ++i;
            continue;
        }
        if (i + len > n) {
            push(0xFFFD);
            ++i;
            continue;
        }
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = p[i + k];
            if ((cc & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (!ok || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            push(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            push(char16_t(0xD800 + (cp >> 10)));
            push(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            push(char16_t(cp));
        }
        i += len;
    }
    out.resize(size_t(o - out.data()));
    return out;
}

std::string Utf16ToUtf8(std::u16string_view s)
{
    std::string out;
    out.reserve(s.size() + s.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(char(cp));
        } else if (cp < 0x800) {
            out.push_back(char(0xC0 | (cp >> 6)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18)));
            out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

void CopyToBuffer(char* dst, size_t size, std::string_view s)
{
    if (!dst || size < 1)
        return;
    for (size_t i = 0; i < size; ++i)
        dst[i] = 0;
    size_t limit = size >= 2 ? size - 2 : 0;
    size_t n = s.size() < limit ? s.size() : limit;
    for (size_t i = 0; i < n; ++i)
        dst[i] = s[i];
}

void CopyToAnsiBuffer(char* dst, size_t size, std::u16string_view s)
{
    CopyToBuffer(dst, size, Utf16ToAnsi(s));
}

namespace {

locale_t CaseLocale()
{
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
        if (!l)
            l = newlocale(LC_CTYPE_MASK, "C", locale_t(0));
        return l;
    }();
    return loc;
}

} // namespace

char16_t ToUpper(char16_t c)
{
    if (c < 0x80)
        return (c >= 'a' && c <= 'z') ? char16_t(c - 32) : c;
    if (c >= 0xD800 && c <= 0xDFFF)
        return c;
    wint_t r = towupper_l(wint_t(c), CaseLocale());
    return r <= 0xFFFF ? char16_t(r) : c;
}

char16_t ToLower(char16_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? char16_t(c + 32) : c;
    if (c >= 0xD800 && c <= 0xDFFF)
        return c;
    wint_t r = towlower_l(wint_t(c), CaseLocale());
    return r <= 0xFFFF ? char16_t(r) : c;
}

std::u16string ToUpper(std::u16string_view s)
{
    std::u16string out(s);
    for (auto& c : out)
        c = ToUpper(c);
    return out;
}

std::u16string ToLower(std::u16string_view s)
{
    std::u16string out(s);
    for (auto& c : out)
        c = ToLower(c);
    return out;
}

int CompareIgnoreCase(std::u16string_view a, std::u16string_view b)
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        char16_t x = ToLower(a[i]), y = ToLower(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b)
{
    return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

bool StartsWithIgnoreCase(std::u16string_view s, std::u16string_view prefix)
{
    return s.size() >= prefix.size() && EqualsIgnoreCase(s.substr(0, prefix.size()), prefix);
}

bool EndsWithIgnoreCase(std::u16string_view s, std::u16string_view suffix)
{
    return s.size() >= suffix.size() && EqualsIgnoreCase(s.substr(s.size() - suffix.size()), suffix);
}

namespace {
bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}
} // namespace

std::u16string Trim(std::u16string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return std::u16string(s.substr(b, e - b));
}

std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to)
{
    if (from.empty())
        return std::u16string(s);
    std::u16string out;
    size_t pos = 0;
    while (true) {
        size_t hit = s.find(from, pos);
        if (hit == std::u16string_view::npos) {
            out.append(s.substr(pos));
            break;
        }
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    return out;
}

std::vector<std::u16string> Split(std::u16string_view s, char16_t sep, bool keepEmpty)
{
    std::vector<std::u16string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == sep) {
            if (keepEmpty || i > start)
                parts.emplace_back(s.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

int64_t ParseInt64(std::u16string_view s)
{
    size_t i = 0;
    while (i < s.size() && (IsBlank(s[i]) || s[i] == u'\v' || s[i] == u'\f'))
        ++i;
    bool neg = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) {
        neg = s[i] == u'-';
        ++i;
    }
    uint64_t v = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        v = v * 10 + uint64_t(s[i] - u'0');
        if (v > (uint64_t(1) << 63))
            v = uint64_t(1) << 63; // saturate instead of overflowing
    }
    if (neg)
        return v >= (uint64_t(1) << 63) ? INT64_MIN : -int64_t(v);
    return v > uint64_t(INT64_MAX) ? INT64_MAX : int64_t(v);
}

int32_t ParseInt(std::u16string_view s)
{
    int64_t v = ParseInt64(s);
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return int32_t(v);
}

std::u16string ToString16(int64_t v)
{
    return U16(std::to_string(v));
}

} // namespace vel
