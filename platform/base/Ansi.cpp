// Conversion between UTF-16 and 8-bit code pages through iconv. Each thread
// keeps its own converters (an iconv descriptor is not thread-safe).

#include "Strings.h"

#include <cerrno>
#include <cstdlib>
#include <iconv.h>
#include <map>
#include <memory>

namespace vel {

int AnsiCodePage()
{
    static const int cp = [] {
        const char* env = getenv("VEL_ACP");
        if (env && *env) {
            int v = atoi(env);
            if (v > 0)
                return v;
        }
        return 936;
    }();
    return cp;
}

std::string CodePageName(int codePage)
{
    switch (codePage) {
    case 936:
        return "GBK";
    case 54936:
        return "GB18030";
    case 65001:
        return "UTF-8";
    case 950:
        return "BIG5";
    case 932:
        return "CP932";
    case 949:
        return "CP949";
    case 20127:
        return "ASCII";
    case 28591:
        return "ISO-8859-1";
    default:
        return "CP" + std::to_string(codePage);
    }
}

namespace {

struct Converter
{
    iconv_t cd = iconv_t(-1);
    ~Converter()
    {
        if (cd != iconv_t(-1))
            iconv_close(cd);
    }
};

// Returns a converter for (to, from) owned by this thread, or null when the
// code page is unknown to iconv.
iconv_t ThreadConverter(const std::string& to, const std::string& from)
{
    thread_local std::map<std::string, std::unique_ptr<Converter>> cache;
    std::string key = to + "<" + from;
    auto it = cache.find(key);
    if (it == cache.end()) {
        auto conv = std::make_unique<Converter>();
        conv->cd = iconv_open(to.c_str(), from.c_str());
        it = cache.emplace(key, std::move(conv)).first;
    }
    iconv_t cd = it->second->cd;
    if (cd != iconv_t(-1))
        iconv(cd, nullptr, nullptr, nullptr, nullptr); // reset shift state
    return cd;
}

} // namespace

std::u16string CodePageToUtf16(int codePage, std::string_view s)
{
    if (codePage == 65001)
        return Utf8ToUtf16(s);
    if (s.empty())
        return {};
    iconv_t cd = ThreadConverter("UTF-16LE", CodePageName(codePage));
    if (cd == iconv_t(-1)) {
        std::u16string out; // unknown code page: take bytes as Latin-1
        for (unsigned char c : s)
            out.push_back(c);
        return out;
    }
    std::u16string out;
    out.reserve(s.size());
    char* in = const_cast<char*>(s.data());
    size_t inLeft = s.size();
    char16_t buf[512];
    while (inLeft > 0) {
        char* outp = reinterpret_cast<char*>(buf);
        size_t outLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &outp, &outLeft);
        out.append(buf, (sizeof buf - outLeft) / sizeof(char16_t));
        if (r == size_t(-1)) {
            if (errno == E2BIG)
                continue;
            // Invalid or incomplete sequence: one replacement per bad byte.
            out.push_back(0xFFFD);
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::string Utf16ToCodePage(int codePage, std::u16string_view s)
{
    if (codePage == 65001)
        return Utf16ToUtf8(s);
    if (s.empty())
        return {};
    iconv_t cd = ThreadConverter(CodePageName(codePage), "UTF-16LE");
    if (cd == iconv_t(-1)) {
        std::string out;
        for (char16_t c : s)
            out.push_back(c < 0x100 ? char(c) : '?');
        return out;
    }
    std::string out;
    out.reserve(s.size() * 2);
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(s.data()));
    size_t inLeft = s.size() * sizeof(char16_t);
    char buf[1024];
    while (inLeft > 0) {
        char* outp = buf;
        size_t outLeft = sizeof buf;
        size_t r = iconv(cd, &in, &inLeft, &outp, &outLeft);
        out.append(buf, sizeof buf - outLeft);
        if (r == size_t(-1)) {
            if (errno == E2BIG)
                continue;
            // The code page lacks this character (or it is a lone
            // surrogate): write the default character and skip one code
            // point, a surrogate pair being one.
            out.push_back('?');
            auto* cp = reinterpret_cast<char16_t*>(in);
            size_t skip = 1;
            if (inLeft >= 4 && cp[0] >= 0xD800 && cp[0] <= 0xDBFF && cp[1] >= 0xDC00 && cp[1] <= 0xDFFF)
                skip = 2;
            in += skip * sizeof(char16_t);
            inLeft = inLeft >= skip * sizeof(char16_t) ? inLeft - skip * sizeof(char16_t) : 0;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::u16string AnsiToUtf16(std::string_view s)
{
    return CodePageToUtf16(AnsiCodePage(), s);
}
std::string Utf16ToAnsi(std::u16string_view s)
{
    return Utf16ToCodePage(AnsiCodePage(), s);
}

} // namespace vel
