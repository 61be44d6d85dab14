// The writer, and round trips between it and the reader.

#include "XmlTestUtil.h"

#include <gtest/gtest.h>

using namespace vel;
using vel::test::Dump;

TEST(ZBXMLWriter, WritesTheseTexts)
{
    struct Case {
        std::u16string in;
        bool indent, declaration;
        std::u16string out;
    } cases[] = {
        {u"<a x=\"1\"/>", false, false, u"<a x=\"1\"/>"},
        {u"<a x=\"1\"/>", false, true, u"<?xml version=\"1.0\"?><a x=\"1\"/>"},
        {u"<a x=\"1\"/>", true, false, u"\r\n<a x=\"1\"/>"},
        {u"<a x=\"1\"/>", true, true, u"<?xml version=\"1.0\"?>\r\n<a x=\"1\"/>"},
        {u"<a></a>", false, false, u"<a/>"},
        {u"<a>t</a>", true, false, u"\r\n<a>t</a>"}, // no child, so no line break before the end tag
        // Children one level deeper each; the text after the children.
        {u"<a k='v'><b><c/></b>text<d>t</d></a>", true, true,
         u"<?xml version=\"1.0\"?>\r\n<a k=\"v\">\r\n\t<b>\r\n\t\t<c/>\r\n\t</b>\r\n\t<d>t</d>text\r\n</a>"},
        {u"<a k='v'><b><c/></b>text<d>t</d></a>", false, false, u"<a k=\"v\"><b><c/></b><d>t</d>text</a>"},
        // Attribute names as stored; values and text escaped.
        {u"<a Name=\"&quot;&amp;&apos;&lt;&gt;\">&lt;&amp;&gt;</a>", false, false,
         u"<a Name=\"&quot;&amp;&apos;&lt;&gt;\">&lt;&amp;&gt;</a>"},
        // Everything from 128 up as decimal references, so the text is ASCII.
        {u"<档案 名=\"é\">\u00e9\u007f</档案>", false, false,
         u"<档案 名=\"&#233;\">&#233;\u007f</档案>"},
        {u"<a>&#128512;</a>", false, false, u"<a>&#55357;&#56832;</a>"},
    };
    for (const Case& c : cases) {
        auto root = ZBXMLElement::ParseText(c.in);
        ASSERT_TRUE(root) << Utf16ToUtf8(c.in);
        EXPECT_EQ(Utf16ToUtf8(root->ToString(c.indent, c.declaration)), Utf16ToUtf8(c.out)) << Utf16ToUtf8(c.in);
    }
}

TEST(ZBXMLWriter, ElementWithTextU00E9IsWrittenAsReference233)
{
    ZBXMLElement e(u"e");
    e.SetText(u"caf\u00e9");
    EXPECT_EQ(e.ToString(false, false), u"<e>caf&#233;</e>");
}

TEST(ZBXMLWriter, SurrogateHalvesComeBackAsTheSameUnits)
{
    ZBXMLElement e(u"e");
    const std::u16string units = {0xD83D, 0xDE00, u'x', 0xDC00, 0xD800}; // a pair, then two lone halves
    e.SetAttribute(u"v", units);
    e.SetText(units);
    auto back = ZBXMLElement::ParseText(e.ToString(true, true));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->GetAttributeValue(u"v"), units);
    EXPECT_EQ(back->GetText(), units);
}

TEST(ZBXMLWriter, WrittenDocumentsReadBackToTheSameTree)
{
    const std::u16string docs[] = {
        u"<a x=\"1\"/>",
        u"<a   X = 'p  q '  y=\"&#26723;\"/>",
        u"<zbskin><public><colors><color name=\"text\" value=\"51,51,51\"/></colors></public>"
        u"<windowskin><skin name=\"main\" class=\"ZBFrame\"><parts><part name=\"Top\" rect=\"4,0,1,30\" "
        u"mode=\"Tile\"/></parts></skin></windowskin></zbskin>",
        u"<case><SHOWPRIORITY>100</SHOWPRIORITY></case>",
        u"<Sync><SyncInfo srcCurName=\"a&amp;b &lt;1&gt;.mp4\" id=\"\" status=\"2\" err=\"“出错”\">"
        u"<LastSync fileSize=\"123\" md5=\"&apos;x&apos;\"/><ProtoPic/></SyncInfo></Sync>",
        u"<a>text with &amp; &lt;marks&gt; and 中文 </a>",
        u"<a>one<b/>two</a>",
        u"<档案 名称=\"值\">\u3000全角\u3000空格\u3000</档案>",
    };
    for (const std::u16string& doc : docs) {
        auto first = ZBXMLElement::ParseText(doc);
        ASSERT_TRUE(first) << Utf16ToUtf8(doc);
        const std::string tree = Dump(first.get());
        for (bool declaration : {false, true}) {
            auto again = ZBXMLElement::ParseText(first->ToString(false, declaration));
            EXPECT_EQ(Dump(again.get()), tree) << Utf16ToUtf8(doc);
        }
        // Indenting adds line breaks only between elements, which read back
        // as nothing -- except after the text of an element that also has
        // children, where the break before its end tag becomes one space.
        auto indented = ZBXMLElement::ParseText(first->ToString(true, true));
        ASSERT_TRUE(indented) << Utf16ToUtf8(doc);
        if (doc != u"<a>one<b/>two</a>")
            EXPECT_EQ(Dump(indented.get()), tree) << Utf16ToUtf8(doc);
        else
            EXPECT_EQ(Dump(indented.get()), "(a {one two }(b))");
    }
}

TEST(ZBXMLWriter, BuiltTreesAreWrittenAndReadBack)
{
    auto root = ZBXMLElement::ParseText(u"<workcase></workcase>");
    ASSERT_TRUE(root);
    root->GetOrAddChild(u"WORKCASE")->SetText(u"1");
    ZBXMLElement* info = root->AddChild(u"SyncInfo");
    info->SetAttribute(u"srcCurName", u"视频 01.mp4");
    info->SetAttribute(u"err", u"");
    info->AddChild(u"ProtoPic");
    EXPECT_EQ(root->ToString(true, true),
              u"<?xml version=\"1.0\"?>\r\n<workcase>\r\n\t<WORKCASE>1</WORKCASE>\r\n\t<SyncInfo "
              u"srcCurName=\"&#35270;&#39057; 01.mp4\" err=\"\">\r\n\t\t<ProtoPic/>\r\n\t</SyncInfo>\r\n</workcase>");
    auto back = ZBXMLElement::ParseText(root->ToString(true, true));
    EXPECT_EQ(Dump(back.get()), Dump(root.get()));
}
