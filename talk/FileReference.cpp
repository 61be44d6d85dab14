#include "FileReference.h"

#include "platform/base/Strings.h"

namespace vel {

namespace {

int UpperHex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string PercentDecodeUpper(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int hi = UpperHex(text[i + 1]), lo = UpperHex(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(char(hi << 4 | lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string PercentEncodeFilePath(std::string_view text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        bool keep = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '!' ||
                    c == '\'' || c == '(' || c == ')' || c == '*' || c == '-' || c == '.' || c == '~';
        if (keep) {
            out.push_back(char(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

FileRefResult DecodeFileReference(std::string_view serverPath, std::string& ansiName, std::string& segment)
{
    ansiName.clear();
    size_t slash = serverPath.rfind('/');
    if (slash == std::string_view::npos) {
        segment.assign(serverPath);
        return FileRefResult::NoSlash;
    }
    std::string_view seg = serverPath.substr(slash + 1);
    segment.assign(seg);
    size_t open = seg.find('('), close = seg.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return FileRefResult::NoBrackets;
    std::string utf8 = PercentDecodeUpper(seg.substr(open + 1, close - open - 1));
    ansiName = Utf16ToAnsi(Utf8ToUtf16(utf8));
    if (close + 1 < seg.size() && seg[close + 1] == '.')
        ansiName.append(seg.substr(close + 1));
    return FileRefResult::Ok;
}

} // namespace vel
