// The diagnostic sink: silent by default, standard error with the
// "[SQUADVOICE] " prefix when VEL_DEBUG_OUTPUT is set, texts cut at 1,023
// characters. Each case runs in a fresh process (the sink reads the
// environment once).

#include "talk/TalkLog.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace vel;

TEST(TalkLogDeathTest, WritesToStandardErrorOnlyWhenAsked)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("VEL_DEBUG_OUTPUT", "1", 1);
            TalkLog("CGTKClient: %s Register OK\r\n", "alice");
            fflush(stderr);
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "\\[SQUADVOICE\\] CGTKClient: alice Register OK");
    EXPECT_EXIT(
        {
            unsetenv("VEL_DEBUG_OUTPUT");
            TalkLog("should not be seen %d\n", 1);
            fputs("marker-only", stderr);
            fflush(stderr);
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "^marker-only$");
}

TEST(TalkLog, LinesAreCutAt1023Characters)
{
    std::string seen;
    SetTalkLogHook([&](const std::string& line) { seen = line; });
    TalkLog("%s", std::string(5000, 'x').c_str());
    SetTalkLogHook({});
    EXPECT_EQ(seen, "[SQUADVOICE] " + std::string(1023, 'x'));
}
