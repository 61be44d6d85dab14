#include "CDbgPrint.h"

#include "platform/base/LastError.h"
#include "platform/base/Strings.h"
#include "platform/base/Time.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"
#include "platform/shell/Shell.h"

#include <cstdarg>
#include <log4cxx/logger.h>
#include <log4cxx/logmanager.h>
#include <log4cxx/propertyconfigurator.h>

namespace vel::evd {

namespace {

// Plain process globals, as the logging routine has always used them: a
// race between two threads only costs an extra reconfiguration.
log4cxx::LoggerPtr g_logger;
uint32_t g_lastConfigure = 0;
bool g_configured = false;

} // namespace

std::u16string CDbgPrint::PropertyFilePath()
{
    std::u16string dir = shell::ExecutableDirectory();
    if (dir.size() > 260)
        dir.resize(260);
    return fs::Join(dir, u"log4cxx.properties");
}

void CDbgPrint::Configure()
{
    LastErrorKeeper keep;
    try {
        std::string host = fs::ToHost(PropertyFilePath());
        if (!host.empty() && fs::Exists(PropertyFilePath()))
            log4cxx::PropertyConfigurator::configure(log4cxx::File(host));
        else if (!g_configured) // no file: logging stays off
            log4cxx::Logger::getRootLogger()->setLevel(log4cxx::Level::getOff());
    } catch (...) {
        // A broken property file leaves the previous configuration in force.
    }
    g_lastConfigure = TickCount32();
    g_configured = true;
}

void CDbgPrint::DbgPrintf(const char16_t* loggerName, const char* file, const char* function, int line,
                          uint32_t flags, const char16_t* fmt, ...)
{
    LastErrorKeeper keep;
    try {
        if (!g_logger) {
            g_logger = log4cxx::Logger::getLogger(Utf16ToUtf8(loggerName ? loggerName : u"unknown"));
            if (!g_logger)
                return;
        }
        const size_t bufferChars = (flags & kLogLongBuffer) ? 8192 : 4096;
        if (!g_configured || uint32_t(TickCount32() - g_lastConfigure) >= 5000)
            Configure();

        va_list ap;
        va_start(ap, fmt);
        std::u16string message = VFormat16Truncated(bufferChars, fmt, ap);
        va_end(ap);

        log4cxx::LevelPtr level;
        switch (flags & ~uint32_t(kLogLongBuffer)) {
        case kLogError:
            level = log4cxx::Level::getError();
            break;
        case kLogWarn:
            level = log4cxx::Level::getWarn();
            break;
        case kLogInfo:
            level = log4cxx::Level::getInfo();
            break;
        case kLogDebug:
            level = log4cxx::Level::getDebug();
            break;
        default:
            return;
        }
        if (!g_logger->isEnabledFor(level))
            return;
        // The message goes out in the ANSI code page, as the host's other
        // log lines do.
        std::string text = Utf16ToAnsi(message);
        log4cxx::spi::LocationInfo where(file ? file : "", file ? file : "", function ? function : "", line);
        g_logger->forcedLog(level, text, where);
    } catch (...) {
        // Logging never fails its caller.
    }
}

} // namespace vel::evd
