// The reader over UTF-16 text: what it accepts and builds, what it refuses,
// and the element operations on the tree it builds.

#include "XmlTestUtil.h"

#include <gtest/gtest.h>

using namespace vel;
using vel::test::Dump;
using vel::test::DumpText;

TEST(ZBXMLReader, AcceptedDocumentsBuildThisTree)
{
    struct Case {
        std::u16string text;
        std::string tree;
    } cases[] = {
        {u"<a x=\"1\"/>", "(a x=[1])"},
        {u" \r\n\t<a/>", "(a)"},
        {u"<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>", "(a)"},
        {u"<!-- one --><!--two-->\r\n<a/>", "(a)"},
        {u"<?xml version=\"1.0\"?>\r\n<!-- c -->\r\n<!DOCTYPE zbskin SYSTEM \"x\">\r\n<!-- d --><a/>", "(a)"},
        {u"<!DOCTYPE a><a/>", "(a)"},
        // Character data before, between and after children is one string.
        {u"<a>one<b/>two</a>", "(a {one two}(b))"},
        {u"<a>1<b>2</b>3<c/>4</a>", "(a {1 3 4}(b {2})(c))"},
        {u"<a>one <b/> two</a>", "(a {one two}(b))"},
        // Leading white space dropped, inner runs folded, a trailing run kept as one space.
        {u"<a>  lead   inner\t\r\n run  </a>", "(a {lead inner run })"},
        {u"<a>\u3000x\u3000\u3000y</a>", "(a {x y})"}, // ideographic space is white space too
        {u"<a>\r\n\t<b/>\r\n</a>", "(a(b))"},            // indentation leaves no text
        // White space around tokens, none needed between attributes.
        {u"<a   X = 'p  q '  y=\"&#26723;\"/>", "(a X=[p q ] y=[\u6863])"},
        {u"<a a=\"1\"b='2'/>", "(a a=[1] b=[2])"},
        {u"< a / >", "(a)"},
        {u"<a\r\n\tb=\"1\"\r\n>x</a>", "(a b=[1] {x})"},
        // A later attribute replaces an earlier one of the same name in any case.
        {u"<a x=\"1\" y=\"2\" X=\"3\"/>", "(a X=[3] y=[2])"},
        // Entities, their names in any case; &nbsp; is a plain space.
        {u"<a>&amp;&LT;&Gt;&quot;&apos;&NBSP;z</a>", "(a {&<>\"' z})"},
        {u"<a v=\"&lt;b&gt;\"/>", "(a v=[<b>])"},
        // An & that starts no known reference is kept with what follows.
        {u"<a>x &foo; y</a>", "(a {x &foo; y})"},
        {u"<a>a & b &am c&</a>", "(a {a & b &am c&})"},
        // Decimal references: one code unit, or a pair above the first plane.
        {u"<a>&#65;&#233;&#26723;</a>", "(a {A\u00e9\u6863})"},
        {u"<a>&#128512;</a>", "(a {\U0001F600})"},
        {u"<a>&#00065;</a>", "(a {A})"},
        {u"<a v=\"a&#10;b\"/>", "(a v=[a\nb])"}, // a referenced line feed is not folded
        // Markup characters that need no escaping where they stand.
        {u"<a x=\"<>\" y='\"'/>", "(a x=[<>] y=[\"])"},
        {u"<a>x > y</a>", "(a {x > y})"},
        // Names: letters of any script, digits and - . : _
        {u"<档案 名称=\"值\"/>", "(档案 名称=[值])"},
        {u"<ns:a-b.c_d e.f=\"\"/>", "(ns:a-b.c_d e.f=[])"},
        {u"<a><!-- inner <b/> --><c></c></a>", "(a(c))"},
        // Whatever follows the root is ignored.
        {u"<a/>trailing <<< junk", "(a)"},
        {u"<a></a><b/>", "(a)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DumpText(c.text), c.tree) << Utf16ToUtf8(c.text);
}

TEST(ZBXMLReader, RefusedDocumentsGiveNull)
{
    const std::u16string refused[] = {
        u"",
        u" \r\n ",
        u"text",
        u"<a>",
        u"<a>text",
        u"<a></b>",
        u"<A></a>",      // end tag case differs
        u"<a></a >",     // no white space inside an end tag
        u"<a></ a>",
        u"<a><b></a></b>",
        u"</a>",
        u"<>",
        u"<a x=1/>",
        u"<a x/>",
        u"<a x=\"1/>",
        u"<a x='1\"/>",
        u"<a =\"1\"/>",
        u"<a / x>",
        u"<a><![CDATA[x]]></a>", // markup the reader does not know
        u"<a><?pi x?></a>",
        u"<a><!DOCTYPE b></a>",
        u"<?pi x?><a/>",
        u"<?xml version='1.0'?><a/>", // only the double-quoted declaration is recognised
        u"<?xml version=\"1.0\" <a/>",  // no end of declaration
        u"<!-- unterminated <a/>",
        u"<a><!-- unterminated </a>",
        u"<!-- --><!-- <a/>",
        u"<!DOCTYPE a",
        // Character references the reader refuses, in text and in attributes.
        u"<a>&#x41;</a>",
        u"<a>&#X41;</a>",
        u"<a>&#;</a>",
        u"<a>&#65</a>",
        u"<a>&# 65;</a>",
        u"<a>&#0;</a>",
        u"<a>&#1114112;</a>",
        u"<a>&#99999999999999999999999999;</a>",
        u"<a x=\"&#x41;\"/>",
        u"<a x=\"&#\"/>",
        u"<a><b>&#x41;</b></a>",
        std::u16string(u"<a>x\0</a>", 9), // the text ends at a NUL
    };
    for (const std::u16string& text : refused)
        EXPECT_EQ(DumpText(text), "null") << Utf16ToUtf8(text);
    EXPECT_EQ(ZBXMLElement::ParseText(static_cast<const char16_t*>(nullptr)), nullptr);
}

TEST(ZBXMLReader, TreeLinksParentsAndKinds)
{
    auto root = ZBXMLElement::ParseText(u"<a k=\"v\"><b><c/></b><B/></a>");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetKind(), ZBXMLNode::kElement);
    EXPECT_EQ(root->GetParent(), nullptr);
    ZBXMLElement* b = root->FindChild(u"b");
    ASSERT_TRUE(b);
    EXPECT_EQ(b->GetParent(), root.get());
    EXPECT_EQ(b->GetChildren().at(0)->GetParent(), b);
    ZBXMLAttribute* k = root->GetAttribute(u"K");
    ASSERT_TRUE(k);
    EXPECT_EQ(k->GetKind(), ZBXMLNode::kAttribute);
    EXPECT_EQ(k->GetParent(), root.get());
    // FindChild ignores case and takes the first in document order.
    EXPECT_EQ(root->FindChild(u"B"), b);
    EXPECT_EQ(root->FindChild(u"c"), nullptr); // children only, not descendants
    // A node can be freed through its base.
    std::unique_ptr<ZBXMLNode> base(root.release());
}

TEST(ZBXMLReader, FindChildIgnoresCaseWhereEndTagsDoNot)
{
    auto root = ZBXMLElement::ParseText(u"<p><a></a></p>");
    ASSERT_TRUE(root);
    EXPECT_NE(root->FindChild(u"A"), nullptr);
    EXPECT_EQ(ZBXMLElement::ParseText(u"<p><A></a></p>"), nullptr);
}

TEST(ZBXMLReader, AttributeOperations)
{
    ZBXMLElement e(u"e");
    // Created under the name as written, found by any case.
    ZBXMLAttribute* a = e.SetAttribute(u"Name", u"x");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->GetName(), u"Name");
    EXPECT_EQ(e.GetAttribute(u"NAME"), a);
    EXPECT_EQ(e.GetAttributeValue(u"name"), u"x");
    // An existing attribute keeps its name and gets the new value.
    EXPECT_EQ(e.SetAttribute(u"nAmE", std::u16string_view(u"y")), a);
    EXPECT_EQ(a->GetName(), u"Name");
    EXPECT_EQ(a->GetValue(), u"y");
    // Without a value: found or created, value left alone.
    EXPECT_EQ(e.SetAttribute(u"name"), a);
    EXPECT_EQ(a->GetValue(), u"y");
    ZBXMLAttribute* fresh = e.SetAttribute(u"Other", static_cast<const char16_t*>(nullptr));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(fresh->GetValue(), u"");
    // Missing and empty read alike.
    EXPECT_EQ(e.GetAttribute(u"none"), nullptr);
    EXPECT_EQ(e.GetAttributeValue(u"none"), u"");
    EXPECT_EQ(e.GetAttributeValue(u"other"), u"");
    ASSERT_EQ(e.GetAttributes().size(), 2u);
    EXPECT_EQ(e.GetAttributes()[0], a);
    EXPECT_EQ(e.GetAttributes()[1], fresh);
}

TEST(ZBXMLReader, ManyAttributesStayUniqueWithoutRegardToCase)
{
    // Past a handful of attributes lookups go through an index; both paths
    // must agree, also for names replaced by a parse.
    std::u16string text = u"<a";
    for (int i = 0; i < 40; ++i)
        text += Format16(u" n%d=\"%d\"", i, i);
    for (int i = 0; i < 40; i += 3)
        text += Format16(u" N%d=\"r%d\"", i, i);
    text += u"/>";
    auto root = ZBXMLElement::ParseText(text);
    ASSERT_TRUE(root);
    ASSERT_EQ(root->GetAttributes().size(), 40u);
    for (int i = 0; i < 40; ++i) {
        const std::u16string want = i % 3 == 0 ? Format16(u"r%d", i) : Format16(u"%d", i);
        EXPECT_EQ(root->GetAttributeValue(Format16(u"n%d", i)), want) << i;
        EXPECT_EQ(root->GetAttributes()[size_t(i)]->GetName(), Format16(i % 3 ? u"n%d" : u"N%d", i));
    }
    ZBXMLAttribute* added = root->SetAttribute(u"Extra", u"1");
    EXPECT_EQ(root->GetAttribute(u"EXTRA"), added);
    EXPECT_EQ(root->SetAttribute(u"n5", u"five"), root->GetAttributes()[5]);
    EXPECT_EQ(root->GetAttributes().size(), 41u);
}

TEST(ZBXMLReader, ChildOperations)
{
    auto root = ZBXMLElement::ParseText(u"<Sync><SyncInfo id=\"1\"/></Sync>");
    ASSERT_TRUE(root);
    ZBXMLElement* first = root->FindChild(u"syncinfo");
    ASSERT_TRUE(first);
    ZBXMLElement* added = root->AddChild(u"SyncInfo");
    ASSERT_TRUE(added);
    EXPECT_EQ(added->GetParent(), root.get());
    EXPECT_EQ(root->GetChildren().back(), added);
    EXPECT_EQ(root->FindChild(u"SYNCINFO"), first);
    EXPECT_EQ(root->GetOrAddChild(u"syncInfo"), first);
    ZBXMLElement* proto = root->GetOrAddChild(u"ProtoPic");
    ASSERT_TRUE(proto);
    EXPECT_EQ(root->GetChildren().size(), 3u);
    EXPECT_EQ(root->GetOrAddChild(u"protopic"), proto);
    proto->SetText(u"7");
    EXPECT_EQ(proto->GetText(), u"7");
    EXPECT_EQ(Dump(root.get()), "(Sync(SyncInfo id=[1])(SyncInfo)(ProtoPic {7}))");
}
