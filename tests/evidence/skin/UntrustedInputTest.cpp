// Hostile and damaged input: every case gives null (or a tree) and leaks
// nothing, never a crash. Run under the address sanitizer to see the leaks
// and over-reads these are about.

#include "XmlTestUtil.h"

#include <gtest/gtest.h>

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

std::u16string Nested(size_t depth, std::u16string_view inner = u"")
{
    std::u16string s;
    for (size_t i = 0; i < depth; ++i)
        s += u"<a>";
    s += inner;
    for (size_t i = 0; i < depth; ++i)
        s += u"</a>";
    return s;
}

const std::u16string kSkin =
    u"<?xml version=\"1.0\"?>\r\n<!-- skin -->\r\n<zbskin>\r\n\t<public>\r\n\t\t<colors>\r\n"
    u"\t\t\t<color name=\"text\" value=\"51,51,51\"/>\r\n\t\t</colors>\r\n\t\t<strings>\r\n"
    u"\t\t\t<string name=\"t\" value=\"证据 &amp; &#26723;\">x &lt; y</string>\r\n\t\t</strings>\r\n"
    u"\t</public>\r\n</zbskin>";

} // namespace

TEST(XmlUntrusted, EveryTruncationOfADocumentIsRefused)
{
    ASSERT_TRUE(ZBXMLElement::ParseText(kSkin));
    // Cut the text, and its byte forms, at every offset: only the whole
    // document has the root's end tag, so every shorter piece fails.
    for (size_t n = 0; n < kSkin.size(); ++n)
        EXPECT_EQ(ZBXMLElement::ParseText(kSkin.substr(0, n)), nullptr) << n;
    const std::string forms[] = {"\xFF\xFE" + Le(kSkin), Le(kSkin), "\xEF\xBB\xBF" + Utf16ToUtf8(kSkin),
                                 Utf16ToAnsi(kSkin)};
    for (const std::string& bytes : forms) {
        ASSERT_TRUE(ZBXMLElement::ParseBuffer(bytes.data(), bytes.size()));
        for (size_t n = 0; n < bytes.size(); ++n) {
            std::vector<char> exact(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(n));
            EXPECT_EQ(ZBXMLElement::ParseBuffer(exact.data(), exact.size()), nullptr) << n;
        }
    }
}

TEST(XmlUntrusted, NestingIsBoundedAndNeverOverflowsTheStack)
{
    const size_t max = ZBXMLElement::kMaxDepth;
    struct Case {
        size_t depth;
        bool parses;
    } cases[] = {{1, true}, {max - 1, true}, {max, true}, {max + 1, false}, {100000, false}, {1000000, false}};
    for (const Case& c : cases)
        EXPECT_EQ(ZBXMLElement::ParseText(Nested(c.depth)) != nullptr, c.parses) << c.depth;
    // Unclosed nesting and an empty element past the bound.
    EXPECT_EQ(ZBXMLElement::ParseText(std::u16string(300000, u'<') + u"a"), nullptr);
    std::u16string opens;
    for (int i = 0; i < 500000; ++i)
        opens += u"<a>";
    EXPECT_EQ(ZBXMLElement::ParseText(opens), nullptr);
    EXPECT_EQ(ZBXMLElement::ParseText(Nested(max, u"<b/>")), nullptr);
    EXPECT_TRUE(ZBXMLElement::ParseText(Nested(max - 1, u"<b/>")));
}

TEST(XmlUntrusted, DeepTreesBuiltInCodeAreWrittenAndFreedWithoutRecursion)
{
    // The bound is the reader's; a tree built by code can be deeper, and
    // writing and freeing it must not recurse per level.
    auto root = std::make_unique<ZBXMLElement>(u"a");
    ZBXMLElement* e = root.get();
    const size_t depth = 200000;
    for (size_t i = 1; i < depth; ++i)
        e = e->AddChild(u"a");
    e->SetText(u"leaf");
    const std::u16string text = root->ToString(false, false);
    EXPECT_EQ(text.size(), depth * 7 + 4); // "<a>" and "</a>" per level, the innermost with text
    EXPECT_EQ(text.substr(depth * 3 - 3, 11), u"<a>leaf</a>");
    root.reset();
}

TEST(XmlUntrusted, HostileShapesGiveNullOrATreeQuickly)
{
    struct Case {
        const char* name;
        std::u16string text;
        bool parses;
    } cases[] = {
        {"unterminated comment", u"<a><!-- " + std::u16string(100000, u'-') + u"</a>", false},
        {"unterminated comment before root", u"<!--" + std::u16string(100000, u'x'), false},
        {"unterminated attribute value", u"<a v=\"" + std::u16string(100000, u'x'), false},
        {"bad character reference deep inside",
         u"<a>" + std::u16string(5000, u'x') + u"&#x" + std::u16string(5000, u'1') + u";</a>", false},
        {"huge decimal reference", u"<a>&#" + std::u16string(100000, u'9') + u";</a>", false},
        {"many ampersands", u"<a>" + std::u16string(100000, u'&') + u"</a>", true},
        {"many comments", u"<a>" + [] {
             std::u16string s;
             for (int i = 0; i < 20000; ++i)
                 s += u"<!---->";
             return s;
         }() + u"</a>",
         true},
        {"many siblings", u"<a>" + [] {
             std::u16string s;
             for (int i = 0; i < 50000; ++i)
                 s += u"<b/>";
             return s;
         }() + u"</a>",
         true},
        {"many attributes", u"<a" + [] {
             std::u16string s;
             for (int i = 0; i < 50000; ++i)
                 s += Format16(u" n%d=\"\"", i);
             return s;
         }() + u"/>",
         true},
        {"one attribute repeated in varying case", u"<a" + [] {
             std::u16string s;
             for (int i = 0; i < 50000; ++i)
                 s += i % 2 ? u" Ab=\"1\"" : u" aB=\"2\"";
             return s;
         }() + u"/>",
         true},
        {"long name", u"<" + std::u16string(100000, u'n') + u"/>", true},
        {"end tag of a long name cut short", u"<" + std::u16string(1000, u'n') + u"></" + std::u16string(999, u'n') + u">",
         false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ZBXMLElement::ParseText(c.text) != nullptr, c.parses) << c.name;
}

TEST(XmlUntrusted, LoneSurrogatesAndControlsPassThrough)
{
    // Units that are not characters on their own are kept as they are and
    // written back as references; nothing is validated or lost.
    std::u16string text = u"<a v=\"";
    text.push_back(0xDC00);
    text += u"\">";
    text.push_back(0xD800);
    text.push_back(0x0001);
    text.push_back(0xFFFF);
    text += u"</a>";
    auto root = ZBXMLElement::ParseText(text);
    ASSERT_TRUE(root);
    auto back = ZBXMLElement::ParseText(root->ToString(true, true));
    ASSERT_TRUE(back);
    EXPECT_EQ(Dump(back.get()), Dump(root.get()));
    EXPECT_EQ(back->GetText(), text.substr(text.find(u'>') + 1, 3));
}
