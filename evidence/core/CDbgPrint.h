#pragma once
// The library's one logging routine, on Apache log4cxx.
//
// The configuration is "log4cxx.properties" beside the host executable; it
// is read when the module loads and again, at most every 5000 ms, from the
// logging call itself, so an operator can change levels while a host runs.
// Logging never changes the caller's last error and never fails the caller.

#include <cstdint>
#include <string>

namespace vel::evd {

enum : uint32_t
{
    kLogError = 1,
    kLogWarn = 2,
    kLogInfo = 3,
    kLogDebug = 4,
    kLogLongBuffer = 0x1000, // 8192 characters instead of 4096
};

class CDbgPrint
{
public:
    // flags: a level (1 error .. 4 debug), optionally | kLogLongBuffer.
    // fmt is printf-style UTF-16 (see vel::Format16).
    static void DbgPrintf(const char16_t* loggerName, const char* file, const char* function, int line,
                          uint32_t flags, const char16_t* fmt, ...);
    // Reads the property file now (module load).
    static void Configure();
    // Full path of the property file (host-executable directory).
    static std::u16string PropertyFilePath();
};

} // namespace vel::evd

#define EVD_LOG(level, ...)                                                                                  \
    ::vel::evd::CDbgPrint::DbgPrintf(u"unknown", __FILE__, __func__, __LINE__, (level), __VA_ARGS__)
#define EVD_LOG_ERROR(...) EVD_LOG(::vel::evd::kLogError, __VA_ARGS__)
#define EVD_LOG_WARN(...) EVD_LOG(::vel::evd::kLogWarn, __VA_ARGS__)
#define EVD_LOG_INFO(...) EVD_LOG(::vel::evd::kLogInfo, __VA_ARGS__)
#define EVD_LOG_DEBUG(...) EVD_LOG(::vel::evd::kLogDebug, __VA_ARGS__)
