// Encoding detection of byte buffers and the Unicode-text test behind it.

#include "XmlTestUtil.h"
#include "evidence/skin/TextEncoding.h"

#include <gtest/gtest.h>
#include <optional>

using namespace vel;
using vel::test::Dump;

namespace {

std::string Le(std::u16string_view s)
{
    std::string out;
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::string Be(std::u16string_view s)
{
    std::string out;
    for (char16_t c : s) {
        out.push_back(static_cast<char>(c >> 8));
        out.push_back(static_cast<char>(c & 0xFF));
    }
    return out;
}

const std::u16string kDoc = u"<?xml version=\"1.0\"?>\r\n<!-- 皮肤 -->\r\n<zbskin>\r\n\t<strings>\r\n"
                            u"\t\t<string name=\"title\" value=\"证据库 &amp; 档案\"/>\r\n"
                            u"\t\t<string name=\"ok\">确定　取消</string>\r\n\t</strings>\r\n</zbskin>\r\n";

} // namespace

TEST(TextEncoding, EveryDetectedEncodingOfOneDocumentGivesTheSameTree)
{
    struct Case {
        const char* name;
        std::string bytes;
        TextEncoding detected;
    } cases[] = {
        {"UTF-8 with mark", "\xEF\xBB\xBF" + Utf16ToUtf8(kDoc), TextEncoding::Utf8Marked},
        {"UTF-16 LE with mark", "\xFF\xFE" + Le(kDoc), TextEncoding::Utf16LittleEndianMarked},
        {"UTF-16 BE with mark", "\xFE\xFF" + Be(kDoc), TextEncoding::Utf16BigEndianMarked},
        {"UTF-16 LE without mark", Le(kDoc), TextEncoding::Utf16LittleEndian},
        {"UTF-16 LE, odd trailing byte", "\xFF\xFE" + Le(kDoc) + "\x01", TextEncoding::Utf16LittleEndianMarked},
        {"UTF-16 LE, NUL terminated", Le(kDoc) + std::string(2, '\0'), TextEncoding::Utf16LittleEndian},
        {"ANSI code page", Utf16ToAnsi(kDoc), TextEncoding::Ansi},
    };
    auto expected = ZBXMLElement::ParseText(kDoc);
    ASSERT_TRUE(expected);
    const std::string tree = Dump(expected.get());
    EXPECT_NE(tree.find("确定 取消"), std::string::npos) << tree;
    ASSERT_EQ(AnsiToUtf16(Utf16ToAnsi(kDoc)), kDoc) << "the ANSI code page lacks the fixture's characters";
    for (const Case& c : cases) {
        EXPECT_EQ(DetectTextEncoding(c.bytes.data(), c.bytes.size()), c.detected) << c.name;
        // An exactly sized heap copy: reading past it would trip the address sanitizer.
        std::vector<char> exact(c.bytes.begin(), c.bytes.end());
        auto root = ZBXMLElement::ParseBuffer(exact.data(), exact.size());
        EXPECT_EQ(Dump(root.get()), tree) << c.name;
        EXPECT_EQ(std::string(exact.begin(), exact.end()), c.bytes) << c.name << ": input changed";
    }
}

TEST(TextEncoding, MarksNeedTheirWholeLength)
{
    using S = std::string;
    struct Case {
        std::string bytes;
        TextEncoding detected;
        std::optional<std::u16string> text; // unset: whatever the ANSI code page makes of it
    } cases[] = {
        {S(""), TextEncoding::Ansi, u""},
        {S("\xFE"), TextEncoding::Ansi, {}}, // one byte is no mark
        {S("\xFF"), TextEncoding::Ansi, {}},
        {S("\xFE\xFF"), TextEncoding::Utf16BigEndianMarked, u""},
        {S("\xFF\xFE"), TextEncoding::Utf16LittleEndianMarked, u""},
        {S("\xFE\xFF\0<\0a", 6), TextEncoding::Utf16BigEndianMarked, u"<a"},
        {S("\xFE\xFF\0<\0", 5), TextEncoding::Utf16BigEndianMarked, u"<"}, // odd tail ignored
        {S("\xFF\xFE<\0a\0", 6), TextEncoding::Utf16LittleEndianMarked, u"<a"},
        {S("\xEF\xBB"), TextEncoding::Ansi, {}},
        {S("\xEF\xBB\xBF"), TextEncoding::Utf8Marked, u""},
        {S("\xEF\xBB\xBF<\xE6\xA1\xA3"), TextEncoding::Utf8Marked, u"<\u6863"},
        // A cut sequence is converted as the bytes that are there, not over-read.
        {S("\xEF\xBB\xBF\xE6\xA1"), TextEncoding::Utf8Marked, Utf8ToUtf16(S("\xE6\xA1"))},
    };
    for (const Case& c : cases) {
        std::vector<char> exact(c.bytes.begin(), c.bytes.end());
        const void* p = exact.empty() ? static_cast<const void*>("") : exact.data();
        EXPECT_EQ(DetectTextEncoding(p, exact.size()), c.detected) << c.bytes.size();
        std::u16string text = DecodeText(p, exact.size());
        if (c.text) {
            EXPECT_EQ(Utf16ToUtf8(text), Utf16ToUtf8(*c.text)) << c.bytes.size();
        }
    }
}

TEST(TextEncoding, UnicodeTextTestTellsLittleEndianTextFromTheRest)
{
    std::u16string cjkHeavy = u"<a v=\"";
    for (int i = 0; i < 120; ++i)
        cjkHeavy.push_back(static_cast<char16_t>(0x6000 + i * 7));
    cjkHeavy += u"\"/>";
    std::u16string cjkOnly;
    for (int i = 0; i < 64; ++i)
        cjkOnly.push_back(static_cast<char16_t>(0x6001 + i));
    std::u16string sparse = cjkOnly + cjkOnly + cjkOnly + u"<"; // one narrow unit in 193
    struct Case {
        const char* name;
        std::string bytes;
        bool unicode;
    } cases[] = {
        {"UTF-16 LE markup", Le(u"<a x=\"1\"/>"), true},
        {"UTF-16 LE, mostly CJK", Le(cjkHeavy), true},
        {"UTF-16 LE Latin-1", Le(u"caf\u00e9 na\u00efve"), true},
        {"UTF-16 LE, one unit", Le(u"<"), true},
        {"UTF-16 LE, odd length", Le(u"<a/>") + "x", true},
        {"UTF-16 BE without mark (byte-swapped)", Be(u"<a x=\"1\"/>"), false},
        {"UTF-16 BE, mostly CJK", Be(cjkHeavy), false},
        {"UTF-16 LE, CJK only (no narrow unit to go by)", Le(cjkOnly), false},
        {"UTF-16 LE, too few narrow units", Le(sparse), false},
        {"ASCII words in units of two letters", "Bush hid the facts", false},
        {"ASCII markup", "<a x=\"1\"/>", false},
        {"UTF-8 CJK", Utf16ToUtf8(u"<档案 名=\"值\"/>"), false},
        {"GBK CJK", Utf16ToCodePage(936, u"<档案 名=\"值\"/>"), false},
        {"all zero", std::string(16, '\0'), false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        std::vector<char> exact(c.bytes.begin(), c.bytes.end());
        EXPECT_EQ(IsTextUnicode(exact.data(), exact.size()), c.unicode) << c.name;
    }
    // The two checks separately, on the byte-swapped text.
    const std::string be = Be(u"<a x=\"1\"/>");
    UnicodeTextStats s = CountUnicodeTextStats(be.data(), be.size());
    EXPECT_FALSE(PassesUnicodeStatistics(s));
    EXPECT_TRUE(PassesReverseUnicodeStatistics(s));
}

TEST(TextEncoding, UnmarkedByteSwappedDocumentIsNotRead)
{
    // Without a mark only little-endian UTF-16 is recognised; big-endian text
    // falls through to the ANSI conversion, which stops at its first NUL.
    const std::string be = Be(u"<a x=\"1\"/>");
    EXPECT_EQ(DetectTextEncoding(be.data(), be.size()), TextEncoding::Ansi);
    EXPECT_EQ(ZBXMLElement::ParseBuffer(be.data(), be.size()), nullptr);
}

TEST(TextEncoding, NullBufferIsRefused)
{
    EXPECT_EQ(ZBXMLElement::ParseBuffer(nullptr, 10), nullptr);
    EXPECT_EQ(ZBXMLElement::ParseBuffer(nullptr, 0), nullptr);
}
