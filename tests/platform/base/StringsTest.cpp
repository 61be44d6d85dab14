#include "platform/base/Strings.h"
#include "platform/base/LastError.h"
#include "platform/base/Time.h"

#include <gtest/gtest.h>
#include <regex>
#include <thread>

using namespace vel;

TEST(Utf, RoundTripsAndRepairsMalformedInput)
{
    struct Case
    {
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"", u""},
        {"abc", u"abc"},
        {"档案库", u"档案库"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
        EXPECT_EQ(Utf16ToUtf8(c.utf16), c.utf8);
    }
    // Truncated sequence, overlong form, lone surrogate.
    EXPECT_EQ(Utf8ToUtf16("a\xE6\xA1"), u"a\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(Ansi, GbkIsTheDefaultCodePage)
{
    ASSERT_EQ(AnsiCodePage(), 936) << "tests run without VEL_ACP";
    // 档案 in GBK.
    EXPECT_EQ(Utf16ToAnsi(u"档案"), "\xB5\xB5\xB0\xB8");
    EXPECT_EQ(AnsiToUtf16("\xB5\xB5\xB0\xB8"), u"档案");
    EXPECT_EQ(AnsiToUtf16("plain"), u"plain");
}

TEST(Ansi, UnmappableCharactersBecomeTheDefaultCharacter)
{
    EXPECT_EQ(Utf16ToAnsi(u"a\U0001F600b"), "a?b"); // a surrogate pair is one character
    EXPECT_EQ(Utf16ToAnsi(u"x\u0E01y"), "x?y");     // Thai is not in GBK
    EXPECT_EQ(Utf16ToCodePage(1252, u"é档"), "\xE9?");
    // A lead byte without its trail byte.
    EXPECT_EQ(AnsiToUtf16("a\xB5"), u"a\uFFFD");
}

TEST(Ansi, BufferCopyZeroFillsAndKeepsTwoBytesFree)
{
    struct Case
    {
        size_t size;
        std::string expect;
    } cases[] = {{10, "abcdefgh"}, {3, "a"}, {2, ""}, {1, ""}, {64, "abcdefghijkl"}};
    for (auto& c : cases) {
        char buf[80];
        memset(buf, 'X', sizeof buf);
        CopyToAnsiBuffer(buf, c.size, u"abcdefghijkl");
        EXPECT_EQ(std::string(buf), c.expect) << c.size;
        for (size_t i = c.expect.size(); i < c.size; ++i)
            EXPECT_EQ(buf[i], 0) << "byte " << i << " of " << c.size;
        EXPECT_EQ(buf[c.size], 'X') << "wrote past the buffer of " << c.size;
    }
    char one = 'X';
    CopyToAnsiBuffer(&one, 0, u"abc");
    EXPECT_EQ(one, 'X');
}

TEST(Strings, CaseInsensitiveComparisonCoversNonAscii)
{
    EXPECT_TRUE(EqualsIgnoreCase(u"C:\\Velmora\\CLIP", u"c:\\velmora\\clip"));
    EXPECT_TRUE(EqualsIgnoreCase(u"ÄÖÜ", u"äöü"));
    EXPECT_TRUE(EqualsIgnoreCase(u"档案", u"档案"));
    EXPECT_FALSE(EqualsIgnoreCase(u"abc", u"abd"));
    EXPECT_TRUE(StartsWithIgnoreCase(u"D:\\Cases\\x", u"d:\\CASES"));
    EXPECT_TRUE(EndsWithIgnoreCase(u"CLIP.MP4", u".mp4"));
    EXPECT_LT(CompareIgnoreCase(u"a", u"B"), 0);
}

TEST(Strings, ParseIntFollowsAtoi)
{
    struct Case
    {
        std::u16string text;
        int32_t value;
    } cases[] = {{u"", 0},
                 {u"42", 42},
                 {u"  -7x", -7},
                 {u"+3", 3},
                 {u"abc", 0},
                 {u"99999999999", INT32_MAX},
                 {u"-99999999999", INT32_MIN},
                 {u"12 34", 12}};
    for (auto& c : cases)
        EXPECT_EQ(ParseInt(c.text), c.value) << Utf16ToUtf8(c.text);
}

TEST(Strings, TrimReplaceSplit)
{
    EXPECT_EQ(Trim(u" \t a b \r\n"), u"a b");
    EXPECT_EQ(ReplaceAll(u"a\\\\\\b", u"\\\\", u"\\"), u"a\\\\b");
    EXPECT_EQ(ReplaceAll(u"it's", u"'", u"''"), u"it''s");
    auto parts = Split(u"  a  b ", u' ');
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0], u"a");
    EXPECT_EQ(Split(u"a||b", u'|', true).size(), 3u);
}

TEST(Format16, ConversionsMatchPrintf)
{
    const char16_t* name = u"档案";
    struct Case
    {
        std::u16string got, expect;
    } cases[] = {
        {Format16(u"%d|%5d|%-3d|%03d", 1, 22, 3, 4), u"1|   22|3  |004"},
        {Format16(u"%I64d %lld", int64_t(1) << 40, -5LL), u"1099511627776 -5"},
        {Format16(u"%u %x %X", 4000000000u, 255, 255), u"4000000000 ff FF"},
        {Format16(u"%s\\%s", name, u"x"), u"档案\\x"},
        {Format16(u"[%6s][%-4s][%.1s]", u"ab", u"c", u"xyz"), u"[    ab][c   ][x]"},
        {Format16(u"%S", "utf8 档"), u"utf8 档"},
        {Format16(u"%c%c", int(u'档'), int('a')), u"档a"},
        {Format16(u"100%% %.2f", 1.5), u"100% 1.50"},
        {Format16(u"%s", static_cast<const char16_t*>(nullptr)), u"(null)"},
        {Format16(u"tail %"), u"tail %"},
        {Format16(u"Global\\%s_PROCESSLOCK", u"VEL_EVD_API"), u"Global\\VEL_EVD_API_PROCESSLOCK"},
    };
    for (auto& c : cases)
        EXPECT_EQ(Utf16ToUtf8(c.got), Utf16ToUtf8(c.expect));
}

TEST(LastError, IsPerThread)
{
    SetLastError(5);
    std::thread([] {
        EXPECT_EQ(GetLastError(), 0u);
        SetLastError(7);
    }).join();
    EXPECT_EQ(GetLastError(), 5u);
    {
        LastErrorKeeper keep;
        SetLastError(99);
    }
    EXPECT_EQ(GetLastError(), 5u);
}

TEST(Time, TimestampsHaveTheFixedFormatAndSortByTime)
{
    std::string a = LocalTimestamp();
    EXPECT_TRUE(std::regex_match(a, std::regex(R"(\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3})"))) << a;
    auto t0 = WallClock::now();
    EXPECT_LT(LocalTimestamp(t0), LocalTimestamp(t0 + std::chrono::milliseconds(1)));
    uint32_t t1 = TickCount32();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(uint32_t(TickCount32() - t1), 15u);
}
