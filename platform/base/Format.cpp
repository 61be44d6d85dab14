// printf-style formatting of UTF-16 text. Each conversion is handed to the C
// library's snprintf except the string ones, which are copied as UTF-16.

#include "Strings.h"

#include <cstdio>
#include <cstring>

namespace vel {

namespace {

void AppendPadded(std::u16string& out, std::u16string_view text, int width, bool left)
{
    size_t pad = (width > 0 && size_t(width) > text.size()) ? size_t(width) - text.size() : 0;
    if (!left)
        out.append(pad, u' ');
    out.append(text);
    if (left)
        out.append(pad, u' ');
}

} // namespace

std::u16string VFormat16(const char16_t* fmt, va_list args)
{
    std::u16string out;
    if (!fmt)
        return out;
    va_list ap;
    va_copy(ap, args);
    for (const char16_t* p = fmt; *p;) {
        if (*p != u'%') {
            out.push_back(*p++);
            continue;
        }
        const char16_t* start = p++;
        if (*p == u'%') {
            out.push_back(u'%');
            ++p;
            continue;
        }
        // Flags, width and precision, kept in narrow form for snprintf.
        std::string narrow = "%";
        bool left = false;
        while (*p && strchr("-+ #0", char(*p))) {
            if (*p == u'-')
                left = true;
            narrow.push_back(char(*p++));
        }
        int width = -1, precision = -1;
        if (*p == u'*') {
            width = va_arg(ap, int);
            if (width < 0) {
                left = true;
                width = -width;
                narrow.push_back('-');
            }
            narrow += std::to_string(width);
            ++p;
        } else {
            if (*p >= u'0' && *p <= u'9')
                width = 0;
            while (*p >= u'0' && *p <= u'9') {
                width = width * 10 + (*p - u'0');
                narrow.push_back(char(*p++));
            }
        }
        if (*p == u'.') {
            narrow.push_back('.');
            ++p;
            precision = 0;
            if (*p == u'*') {
                precision = va_arg(ap, int);
                narrow += std::to_string(precision);
                ++p;
            } else {
                while (*p >= u'0' && *p <= u'9') {
                    precision = precision * 10 + (*p - u'0');
                    narrow.push_back(char(*p++));
                }
            }
        }
        // Length: 0 int, 1 long, 2 long long, 3 size_t, -1 short.
        int length = 0;
        if (p[0] == u'I' && p[1] == u'6' && p[2] == u'4') {
            length = 2;
            p += 3;
        } else if (p[0] == u'I' && p[1] == u'3' && p[2] == u'2') {
            p += 3;
        } else if (p[0] == u'l' && p[1] == u'l') {
            length = 2;
            p += 2;
        } else if (*p == u'l') {
            length = 1;
            ++p;
        } else if (*p == u'h') {
            length = -1;
            ++p;
            if (*p == u'h')
                ++p;
        } else if (*p == u'z' || *p == u'j' || *p == u't') {
            length = 3;
            ++p;
        }
        char16_t conv = *p;
        if (!conv) {
            out.append(start, p); // dangling '%': keep it as text
            break;
        }
        ++p;
        char buf[512];
        switch (conv) {
        case u'd':
        case u'i':
        case u'u':
        case u'x':
        case u'X':
        case u'o': {
            char c = char(conv);
            if (length == 2) {
                narrow += "ll";
                narrow.push_back(c);
                snprintf(buf, sizeof buf, narrow.c_str(), va_arg(ap, long long));
            } else if (length == 1) {
                narrow += "l";
                narrow.push_back(c);
                snprintf(buf, sizeof buf, narrow.c_str(), va_arg(ap, long));
            } else if (length == 3) {
                narrow += "z";
                narrow.push_back(c);
                snprintf(buf, sizeof buf, narrow.c_str(), va_arg(ap, size_t));
            } else {
                narrow.push_back(c);
                int v = va_arg(ap, int);
                if (length == -1)
                    v = (c == 'd' || c == 'i') ? int(short(v)) : int(static_cast<unsigned short>(v));
                snprintf(buf, sizeof buf, narrow.c_str(), v);
            }
            out += U16(buf);
            break;
        }
        case u'e':
        case u'E':
        case u'f':
        case u'F':
        case u'g':
        case u'G': {
            narrow.push_back(char(conv));
            snprintf(buf, sizeof buf, narrow.c_str(), va_arg(ap, double));
            out += U16(buf);
            break;
        }
        case u'p': {
            snprintf(buf, sizeof buf, "%p", va_arg(ap, void*));
            out += U16(buf);
            break;
        }
        case u'c': {
            char16_t ch = char16_t(va_arg(ap, int));
            AppendPadded(out, std::u16string_view(&ch, 1), width, left);
            break;
        }
        case u's': {
            const char16_t* s = va_arg(ap, const char16_t*);
            std::u16string_view v = s ? std::u16string_view(s) : std::u16string_view(u"(null)");
            if (precision >= 0 && size_t(precision) < v.size())
                v = v.substr(0, size_t(precision));
            AppendPadded(out, v, width, left);
            break;
        }
        case u'S': {
            const char* s = va_arg(ap, const char*);
            std::u16string v = Utf8ToUtf16(s ? s : "(null)");
            if (precision >= 0 && size_t(precision) < v.size())
                v.resize(size_t(precision));
            AppendPadded(out, v, width, left);
            break;
        }
        default:
            out.append(start, p); // unknown conversion: keep it as text
            break;
        }
    }
    va_end(ap);
    return out;
}

std::u16string Format16(const char16_t* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::u16string s = VFormat16(fmt, ap);
    va_end(ap);
    return s;
}

std::u16string VFormat16Truncated(size_t maxChars, const char16_t* fmt, va_list args)
{
    std::u16string s = VFormat16(fmt, args);
    if (maxChars == 0)
        return {};
    if (s.size() > maxChars - 1)
        s.resize(maxChars - 1);
    return s;
}

} // namespace vel
