#include "CExceptionEx.h"

#include "platform/base/Strings.h"

#include <cstdarg>
#include <cstdio>

namespace vel {

std::string TalkAnsiText(const char* utf8)
{
    return Utf16ToAnsi(Utf8ToUtf16(utf8 ? utf8 : ""));
}

CExceptionEx CExceptionEx::Make(uint32_t code, const char* location, const char* fmtUtf8, ...)
{
    char buf[1000];
    va_list ap;
    va_start(ap, fmtUtf8);
    vsnprintf(buf, sizeof buf, fmtUtf8, ap);
    va_end(ap);
    return CExceptionEx(code, TalkAnsiText(buf), location);
}

} // namespace vel
