#include "ZBSkinValues.h"

#include "platform/base/Strings.h"

#include <climits>
#include <cstdint>

namespace vel::zbskin {

namespace {

bool IsSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

int Digit(char16_t c, int base)
{
    int d = -1;
    if (c >= u'0' && c <= u'9')
        d = c - u'0';
    else if (c >= u'a' && c <= u'f')
        d = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        d = c - u'A' + 10;
    return d >= 0 && d < base ? d : -1;
}

// One "%i" conversion at `pos`; advances it past the number.
bool ScanInt(std::u16string_view s, size_t& pos, int& out)
{
    while (pos < s.size() && IsSpace(s[pos]))
        ++pos;
    bool negative = false;
    if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-')) {
        negative = s[pos] == u'-';
        ++pos;
    }
    int base = 10;
    if (pos < s.size() && s[pos] == u'0') {
        if (pos + 2 < s.size() && (s[pos + 1] == u'x' || s[pos + 1] == u'X') && Digit(s[pos + 2], 16) >= 0) {
            base = 16;
            pos += 2;
        } else {
            base = 8;
        }
    }
    size_t start = pos;
    int64_t v = 0;
    for (int d; pos < s.size() && (d = Digit(s[pos], base)) >= 0; ++pos)
        v = v > (int64_t(1) << 40) ? v : v * base + d; // saturates well past the 32-bit range
    if (pos == start)
        return false;
    if (negative)
        v = -v;
    out = int(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
    return true;
}

} // namespace

bool IsReference(std::u16string_view value, std::u16string* name)
{
    std::u16string t = Trim(value);
    if (t.size() < 2 || t.front() != u'[' || t.back() != u']')
        return false;
    if (name)
        *name = t.substr(1, t.size() - 2);
    return true;
}

bool ParseInts(std::u16string_view value, int count, int* out)
{
    std::u16string t = Trim(value);
    size_t pos = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0) {
            if (pos >= t.size() || t[pos] != u',')
                return false;
            ++pos;
        }
        if (!ScanInt(t, pos, out[i]))
            return false;
    }
    return true;
}

bool ParseInteger(std::u16string_view value, int& out)
{
    return ParseInts(value, 1, &out);
}

bool ParseSize(std::u16string_view value, gfx::Size& out)
{
    int v[2];
    if (!ParseInts(value, 2, v))
        return false;
    out = {v[0], v[1]};
    return true;
}

bool ParseRect(std::u16string_view value, gfx::Rect& out)
{
    int v[4];
    if (!ParseInts(value, 4, v))
        return false;
    auto sum = [](int a, int b) {
        int64_t s = int64_t(a) + b;
        return int(s < INT_MIN ? INT_MIN : s > INT_MAX ? INT_MAX : s);
    };
    out = {v[0], v[1], sum(v[0], v[2]), sum(v[1], v[3])};
    return true;
}

bool ParseColor(std::u16string_view value, gfx::Color& out)
{
    std::u16string t = Trim(value);
    if (!t.empty() && t[0] == u'#') {
        if (t.size() != 7)
            return false;
        int rgb = 0;
        for (size_t i = 1; i < 7; ++i) {
            int d = Digit(t[i], 16);
            if (d < 0)
                return false;
            rgb = rgb * 16 + d;
        }
        out = gfx::Rgb(rgb >> 16, rgb >> 8, rgb);
        return true;
    }
    int v[3];
    if (!ParseInts(t, 3, v))
        return false;
    out = gfx::Rgb(v[0], v[1], v[2]);
    return true;
}

bool ParseBool(std::u16string_view value)
{
    return EqualsIgnoreCase(Trim(value), u"true");
}

bool HasKeyword(std::u16string_view value, std::u16string_view word)
{
    for (const std::u16string& k : Split(value, u'&'))
        if (EqualsIgnoreCase(Trim(k), word))
            return true;
    return false;
}

} // namespace vel::zbskin
