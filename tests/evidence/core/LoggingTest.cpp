#include "evidence/core/CDbgPrint.h"
#include "platform/base/LastError.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

using namespace vel;
using namespace vel::evd;

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteProperties(const std::string& level, const std::string& logFile)
{
    std::ofstream out(fs::ToHost(CDbgPrint::PropertyFilePath()));
    out << "log4j.rootLogger=" << level << ", file\n"
        << "log4j.appender.file=org.apache.log4j.FileAppender\n"
        << "log4j.appender.file.File=" << logFile << "\n"
        << "log4j.appender.file.layout=org.apache.log4j.PatternLayout\n"
        << "log4j.appender.file.layout.ConversionPattern=%p %F:%L %M %m%n\n";
}

} // namespace

// One test: the logger and its configuration time are process globals.
TEST(Logging, LevelsFormatLocationAndLiveReconfiguration)
{
    std::string logFile = testing::TempDir() + "/evd-log-" + std::to_string(getpid()) + ".txt";
    std::remove(logFile.c_str());
    WriteProperties("WARN", logFile);

    SetLastError(1234);
    EVD_LOG_ERROR(u"store %s failed with %d", u"evd.db", 5);
    EVD_LOG_WARN(u"warning %I64d", int64_t(1) << 40);
    EVD_LOG_INFO(u"info is below the threshold");
    EVD_LOG(7, u"an unknown level logs nothing");
    EXPECT_EQ(GetLastError(), 1234u) << "logging keeps the caller's last error";

    std::string log = ReadAll(logFile);
    EXPECT_NE(log.find("LoggingTest.cpp:"), std::string::npos) << log;
    EXPECT_EQ(log.rfind("ERROR", 0), 0u) << log;
    EXPECT_NE(log.find("store evd.db failed with 5"), std::string::npos) << log;
    EXPECT_NE(log.find("WARN"), std::string::npos);
    EXPECT_NE(log.find("warning 1099511627776"), std::string::npos);
    EXPECT_EQ(log.find("info is below"), std::string::npos);
    EXPECT_EQ(log.find("unknown level"), std::string::npos);

    // The message is cut to the buffer: 4096 characters, or 8192 with the flag.
    std::u16string longText(10000, u'x');
    EVD_LOG_ERROR(u"%s", longText.c_str());
    EVD_LOG(kLogError | kLogLongBuffer, u"%s", longText.c_str());
    log = ReadAll(logFile);
    EXPECT_NE(log.find(std::string(4095, 'x') + "\n"), std::string::npos);
    EXPECT_NE(log.find(std::string(8191, 'x') + "\n"), std::string::npos);

    // An operator lowers the threshold while the host runs; it takes effect
    // within five seconds.
    WriteProperties("INFO", logFile);
    std::this_thread::sleep_for(std::chrono::milliseconds(5100));
    EVD_LOG_INFO(u"now info shows 档案");
    log = ReadAll(logFile);
    EXPECT_NE(log.find("now info shows"), std::string::npos) << log;
    std::remove(fs::ToHost(CDbgPrint::PropertyFilePath()).c_str());
    std::remove(logFile.c_str());
}
