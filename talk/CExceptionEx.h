#pragma once
// The byte codec's error object: an HRESULT-style code, a message in the ANSI
// code page (the 8-bit text the whole library works in) and the
// "Class::Method" of the code that raised it.
//
// The codec raises it for every fault; the packet builders and message
// handlers catch it and turn it into a failure result, so it never leaves the
// library. It is thrown by value and caught by reference: nothing has to be
// deleted by the catcher, so no path can leak it.

#include <cstdint>
#include <string>

namespace vel {

enum : uint32_t
{
    kHrOk = 0,
    kHrPointer = 0x80004003,     // a read ran past the end of the buffer
    kHrUnexpected = 0x8000FFFF,  // an unforeseen fault inside a writer
    kHrOutOfMemory = 0x8007000E, // the writer's buffer could not grow
    kHrInvalidArg = 0x80070057,
};

class CExceptionEx
{
public:
    CExceptionEx(uint32_t c, std::string msg, std::string loc)
        : code(c), message(std::move(msg)), location(std::move(loc))
    {
    }

    // Formats a UTF-8 message (printf style, at most 999 bytes as the codec's
    // fixed message buffer holds) and keeps it in the ANSI code page.
    [[gnu::format(printf, 3, 4)]] static CExceptionEx Make(uint32_t code, const char* location,
                                                           const char* fmtUtf8, ...);

    uint32_t code;
    std::string message;
    std::string location;
};

// A UTF-8 text in the ANSI code page (what CExceptionEx::message holds).
std::string TalkAnsiText(const char* utf8);

} // namespace vel
