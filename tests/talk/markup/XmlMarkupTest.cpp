// The markup class in both builds: parse errors (texts and their order), the
// index after damaged input, navigation, building, entities and files. The
// 8-bit build is also checked with GBK text whose trail bytes look like ASCII
// delimiters.

#include "talk/markup/XmlMarkup.h"

#include "platform/base/Strings.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

using vel::XmlMarkup;
using vel::XmlMarkupW;

// Test text is written as UTF-8 literals; the 8-bit build gets the bytes as
// they are (ASCII in the shared tests), the UTF-16 build their conversion.
template <class Ch>
std::basic_string<Ch> T(std::string_view s);
template <>
std::string T<char>(std::string_view s)
{
    return std::string(s);
}
template <>
std::u16string T<char16_t>(std::string_view s)
{
    return vel::Utf8ToUtf16(s);
}

std::string Narrow(const std::string& s) { return s; }
std::string Narrow(const std::u16string& s) { return vel::Utf16ToUtf8(s); }

template <class M>
class MarkupTest : public ::testing::Test {
protected:
    using Ch = typename M::String::value_type;
    static std::basic_string<Ch> S(std::string_view s) { return T<Ch>(s); }
    static std::string N(const typename M::String& s) { return Narrow(s); }
};

using Builds = ::testing::Types<XmlMarkup, XmlMarkupW>;
TYPED_TEST_SUITE(MarkupTest, Builds);

// ---- parse errors ----------------------------------------------------------

struct ErrorCase {
    const char* text;
    bool wellFormed;
    const char* error;
};

const ErrorCase kErrorCases[] = {
    {"<a><b></a>", false, "End tag 'a' at offset 6 does not match start tag 'b' at offset 3"},
    {"</x>", false, "No start tag for end tag 'x' at offset 0, No root element"},
    {"<a/><b/>", false, "Root element has sibling"},
    {"<a/><b/><c/>", false, "Root element has sibling"},
    {"", false, "Empty document"},
    {"   ", false, "No root element"},
    {"<a>", false, "Element 'a' at offset 0 not ended"},
    {"<a><b>", false, "Element 'b' at offset 3 not ended, Element 'a' at offset 0 not ended"},
    {"<a></b></a>", false, "No start tag for end tag 'b' at offset 3"},
    {"<a><b><c></a>", false,
     "End tag 'a' at offset 9 does not match start tag 'c' at offset 6, "
     "End tag 'a' at offset 9 does not match start tag 'b' at offset 3"},
    {"<a>< b</a>", false, "Incorrect tag name character at offset 3"},
    {"<a>1 <= 2</a>", false, "Incorrect tag name character at offset 5"},
    {"<a><!x></a>", false, "Incorrect ! tag at offset 3"},
    {"<a><![CDAT[x]]></a>", false, "Incorrect ! tag at offset 3"},
    {"<a><!-x--></a>", false, "Incorrect comment tag at offset 3"},
    {"<a><![CDATA[x</a>", false, "CDATA Section at offset 3 unterminated, Element 'a' at offset 0 not ended"},
    {"<a><?pi x", false, "Processing instruction at offset 3 unterminated, Element 'a' at offset 0 not ended"},
    {"<a><!-- c -", false, "Comment at offset 3 unterminated, Element 'a' at offset 0 not ended"},
    {"<!DOCTYPE a [ <!ENTITY x '>'> ]", false, "Doctype at offset 0 unterminated, No root element"},
    {"<a></a", false, "Element end tag at offset 3 unterminated, Element 'a' at offset 0 not ended"},
    {"<a x='>", false, "Element tag at offset 0 unterminated, No root element"},
    {"<a><", false, "tag at offset 3 unterminated, Element 'a' at offset 0 not ended"},
    {"<a><!", false, "tag at offset 3 unterminated, Element 'a' at offset 0 not ended"},
    {"<a><!-", false, "tag at offset 3 unterminated, Element 'a' at offset 0 not ended"},
    {"<a><![CDA", false, "tag at offset 3 unterminated, Element 'a' at offset 0 not ended"},
    {"<a><!DOC", false, "tag at offset 3 unterminated, Element 'a' at offset 0 not ended"},
    {"<A></a>", false, "No start tag for end tag 'a' at offset 3, Element 'A' at offset 0 not ended"},
    {"<a>x</a></a>", false, "No start tag for end tag 'a' at offset 8"},
    // Well formed: every kind of node, '>' inside quotes and inside the internal subset.
    {"<?xml version=\"1.0\"?>\r\n<!DOCTYPE r [<!ELEMENT r ANY> <!ENTITY g \">\">]>\r\n<!-- c -->\r\n"
     "<r a='>' b=\"/>\"><![CDATA[<x>]]><e/><e ></e></r>\r\n",
     true, ""},
    {"<a/>", true, ""},
    {"<a:b _c='1'><_d/></a:b>", true, ""},
};

TYPED_TEST(MarkupTest, ParseErrorsHaveTheirTextsInOrder)
{
    for (const ErrorCase& c : kErrorCases) {
        SCOPED_TRACE(c.text);
        TypeParam m;
        EXPECT_EQ(m.LoadText(this->S(c.text)), c.wellFormed);
        EXPECT_EQ(m.IsWellFormed(), c.wellFormed);
        EXPECT_EQ(this->N(m.ErrorText()), c.error);
        EXPECT_EQ(m.CheckIndex(), "");
        EXPECT_EQ(this->N(m.DocumentText()), c.text);
    }
}

TYPED_TEST(MarkupTest, CaseInsensitiveMatchingClosesAcrossCase)
{
    TypeParam m;
    m.SetDocFlags(TypeParam::kMatchNoCase);
    EXPECT_TRUE(m.LoadText(this->S("<Root><Item>1</ITEM></root>")));
    EXPECT_TRUE(m.FindNext(this->S("ROOT")));
    EXPECT_TRUE(m.FindChild(this->S("item")));
    EXPECT_EQ(this->N(m.ChildData()), "1");
}

TYPED_TEST(MarkupTest, MismatchedEndTagLeavesStartTagOnlyElementWithChildrenMovedUp)
{
    TypeParam m;
    m.LoadText(this->S("<a><b></a>"));
    ASSERT_TRUE(m.FindNext(this->S("a")));
    ASSERT_TRUE(m.FindChild(this->S("b")));
    const auto* b = m.Record(m.CurrentChild());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->start, 3);
    EXPECT_EQ(b->length, 3); // only its start tag
    EXPECT_TRUE(b->flags & TypeParam::kFlagEndTagMissing);
    EXPECT_TRUE(b->flags & TypeParam::kFlagIllFormed);
    EXPECT_TRUE(m.Record(0)->flags & TypeParam::kFlagNotWellFormed);

    // <c> and <d> were inside <b>, whose end tag never came: they become
    // children of <a> after <b>, in text order.
    m.LoadText(this->S("<a><x/><b><c/><d>t</d></a>"));
    ASSERT_TRUE(m.FindNext());
    ASSERT_TRUE(m.Descend());
    std::string order;
    while (m.FindNext())
        order += this->N(m.ElementName()) + ",";
    EXPECT_EQ(order, "x,b,c,d,");
    EXPECT_EQ(m.CheckIndex(), "");
}

TYPED_TEST(MarkupTest, CutOffDocumentCanStillBeNavigated)
{
    TypeParam m;
    EXPECT_FALSE(m.LoadText(this->S("<Configurations>\r\n<Configuration><SubKey>k1</SubKey></Configuration>\r\n"
                                    "<Configuration><SubKey>k2</SubKey><ValueName>v")));
    EXPECT_EQ(this->N(m.ErrorText()), "Element 'ValueName' at offset 104 not ended, "
                                      "Element 'Configuration' at offset 70 not ended, "
                                      "Element 'Configurations' at offset 0 not ended");
    ASSERT_TRUE(m.FindNext(this->S("Configurations")));
    ASSERT_TRUE(m.Descend());
    std::string keys;
    while (m.FindNext(this->S("Configuration"))) {
        if (m.FindChild(this->S("SubKey"), true))
            keys += this->N(m.ChildData()) + ";";
    }
    EXPECT_EQ(keys, "k1;k2;");
    EXPECT_EQ(m.CheckIndex(), "");
}

TYPED_TEST(MarkupTest, HostileShapesStayLinearAndConsistent)
{
    // Deep nesting, one end tag closing a long run, and many stray end tags.
    std::string deep = "<r>";
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    deep += "</r>";
    for (int i = 0; i < 50000; ++i)
        deep += "</z>";
    TypeParam m;
    EXPECT_FALSE(m.LoadText(this->S(deep)));
    EXPECT_EQ(m.CheckIndex(), "");
    ASSERT_TRUE(m.FindNext(this->S("r")));
    ASSERT_TRUE(m.Descend());
    int count = 0;
    while (m.FindNext(this->S("a")))
        ++count;
    EXPECT_EQ(count, 100000);
    EXPECT_GT(m.Record(m.CurrentPos())->start, 65536 * 3); // records beyond the first block

    std::string open;
    for (int i = 0; i < 100000; ++i)
        open += "<a>";
    EXPECT_FALSE(m.LoadText(this->S(open)));
    EXPECT_EQ(m.CheckIndex(), "");
}

// ---- navigation --------------------------------------------------------------

TYPED_TEST(MarkupTest, FindNextWithEmptyNameStepsThroughAllSiblings)
{
    TypeParam m;
    ASSERT_TRUE(m.LoadText(this->S("<r><a/><b>x</b><!-- c --><a2/>text<c><d/></c></r>")));
    EXPECT_FALSE(m.Descend()); // nothing current yet
    ASSERT_TRUE(m.FindNext());
    EXPECT_EQ(this->N(m.ElementName()), "r");
    EXPECT_FALSE(m.FindNext()); // the root has no siblings
    EXPECT_EQ(this->N(m.ElementName()), "r");
    ASSERT_TRUE(m.Descend());
    std::string names;
    while (m.FindNext())
        names += this->N(m.ElementName()) + " ";
    EXPECT_EQ(names, "a b a2 c ");
    EXPECT_EQ(this->N(m.ElementName()), "c"); // a failed search keeps the position
    ASSERT_TRUE(m.Ascend());
    EXPECT_EQ(this->N(m.ElementName()), "r");
    EXPECT_EQ(this->N(m.ChildName()), "c");
    EXPECT_FALSE(m.Ascend()); // at the top
    EXPECT_EQ(this->N(m.ElementName()), "r");
}

TYPED_TEST(MarkupTest, NamesMatchWholeTagNamesOnly)
{
    TypeParam m;
    ASSERT_TRUE(m.LoadText(this->S("<r><ab/><a\tx='1'/><a/><A/></r>")));
    ASSERT_TRUE(m.FindNext());
    ASSERT_TRUE(m.Descend());
    ASSERT_TRUE(m.FindNext(this->S("a")));
    EXPECT_EQ(this->N(m.AttributeValue(this->S("x"))), "1"); // not <ab/>
    ASSERT_TRUE(m.FindNext(this->S("a")));
    EXPECT_EQ(this->N(m.AttributeValue(this->S("x"))), "");
    EXPECT_FALSE(m.FindNext(this->S("a"))); // <A/> differs in case
    EXPECT_TRUE(m.FindNext(this->S("ab"), true)); // restart from the first sibling
    EXPECT_FALSE(m.FindNext(this->S("nothing"), true));
    EXPECT_EQ(this->N(m.ElementName()), "ab");
}

TYPED_TEST(MarkupTest, FindChildDescendAscend)
{
    TypeParam m;
    ASSERT_TRUE(m.LoadText(this->S("<Responce><command>49</command><PARAM><userfromid>u1</userfromid>"
                                   "<ret>0</ret></PARAM></Responce>")));
    EXPECT_FALSE(m.FindChild()); // no current element
    ASSERT_TRUE(m.FindNext(this->S("Responce")));
    ASSERT_TRUE(m.FindChild(this->S("command")));
    EXPECT_EQ(this->N(m.ChildData()), "49");
    ASSERT_TRUE(m.FindChild(this->S("PARAM")));
    ASSERT_TRUE(m.Descend());
    EXPECT_EQ(this->N(m.ElementName()), "PARAM");
    ASSERT_TRUE(m.FindChild(this->S("ret")));
    EXPECT_EQ(this->N(m.ChildData()), "0");
    EXPECT_FALSE(m.FindChild(this->S("userfromid"))); // searches forward only
    ASSERT_TRUE(m.FindChild(this->S("userfromid"), true));
    EXPECT_EQ(this->N(m.ChildData()), "u1");
    ASSERT_TRUE(m.Descend());
    ASSERT_TRUE(m.Ascend());
    ASSERT_TRUE(m.Ascend());
    EXPECT_EQ(this->N(m.ElementName()), "Responce");
}

TYPED_TEST(MarkupTest, DataAndAttributesAreDecoded)
{
    TypeParam m;
    ASSERT_TRUE(m.LoadText(this->S("<r q = \"a&amp;b &lt;&quot;\" s='it&apos;s' u=bare v>"
                                   "x &lt; y &amp;&amp; &#65;&#x42;<![CDATA[&lt;raw>]]><!-- skip -->!</r>")));
    ASSERT_TRUE(m.FindNext());
    EXPECT_EQ(this->N(m.ElementData()), "x < y && AB&lt;raw>!");
    EXPECT_EQ(this->N(m.AttributeValue(this->S("q"))), "a&b <\"");
    EXPECT_EQ(this->N(m.AttributeValue(this->S("s"))), "it's");
    EXPECT_EQ(this->N(m.AttributeValue(this->S("u"))), "bare");
    EXPECT_EQ(this->N(m.AttributeValue(this->S("v"))), "");
    EXPECT_EQ(this->N(m.AttributeValue(this->S("missing"))), "");

    ASSERT_TRUE(m.LoadText(this->S("<r>t<c/>u</r>")));
    ASSERT_TRUE(m.FindNext());
    EXPECT_EQ(this->N(m.ElementData()), ""); // not plain character data
}

// ---- building ------------------------------------------------------------------

TYPED_TEST(MarkupTest, BuildsNotifyElementByElement)
{
    TypeParam m;
    m.LoadText(this->S("<Notify></Notify>"));
    ASSERT_TRUE(m.FindNext(this->S("Notify")));
    ASSERT_TRUE(m.Descend());
    ASSERT_TRUE(m.AppendElement(this->S("command"), 65));
    ASSERT_TRUE(m.AppendElement(this->S("PARAM")));
    EXPECT_EQ(this->N(m.DocumentText()), "<Notify>\r\n<command>65</command>\r\n<PARAM/>\r\n</Notify>");
    ASSERT_TRUE(m.Descend());
    ASSERT_TRUE(m.AppendElement(this->S("userfromid"), this->S("u1")));
    ASSERT_TRUE(m.AppendElement(this->S("type"), 2));
    ASSERT_TRUE(m.AppendElement(this->S("info"), this->S("a<b & \"c\"")));
    ASSERT_TRUE(m.AppendElement(this->S("filename"), this->S("")));
    EXPECT_EQ(this->N(m.DocumentText()), "<Notify>\r\n<command>65</command>\r\n<PARAM>\r\n"
                                         "<userfromid>u1</userfromid>\r\n<type>2</type>\r\n"
                                         "<info>a&lt;b &amp; \"c\"</info>\r\n<filename/>\r\n"
                                         "</PARAM>\r\n</Notify>");
    EXPECT_EQ(m.CheckIndex(), "");

    // The built text reads back to the same structure and data.
    TypeParam back;
    ASSERT_TRUE(back.LoadText(m.DocumentText()));
    ASSERT_TRUE(back.FindNext(this->S("Notify")));
    ASSERT_TRUE(back.Descend());
    ASSERT_TRUE(back.FindNext(this->S("PARAM")));
    ASSERT_TRUE(back.FindChild(this->S("info")));
    EXPECT_EQ(this->N(back.ChildData()), "a<b & \"c\"");
    // Navigation of the built document agrees with the parsed one.
    ASSERT_TRUE(m.Ascend());
    ASSERT_TRUE(m.FindChild(this->S("info"), true));
    EXPECT_EQ(this->N(m.ChildData()), "a<b & \"c\"");
}

TYPED_TEST(MarkupTest, AppendedDataIsEscapedInTheTextAndDecodedBack)
{
    TypeParam m;
    ASSERT_TRUE(m.AppendElement(this->S("r"), this->S("a<b")));
    EXPECT_EQ(this->N(m.DocumentText()), "<r>a&lt;b</r>");
    EXPECT_EQ(this->N(m.ElementData()), "a<b");
    EXPECT_FALSE(m.AppendElement(this->S("second"))); // one root only
    EXPECT_EQ(this->N(m.DocumentText()), "<r>a&lt;b</r>");
}

TYPED_TEST(MarkupTest, BuildingCases)
{
    struct Case {
        const char* start;
        const char* op; // A = AppendElement after the root's last child, C = AppendChild of root, R = ReplaceData, T = attribute
        const char* name;
        const char* data;
        const char* result;
    };
    const Case cases[] = {
        {"<r/>", "C", "c", "", "<r>\r\n<c/>\r\n</r>"},
        {"<r />", "C", "c", "1", "<r >\r\n<c>1</c>\r\n</r>"},
        {"<r></r>", "C", "c", "", "<r>\r\n<c/>\r\n</r>"},
        {"<r>text</r>", "C", "c", "", "<r>text\r\n<c/>\r\n</r>"},
        {"<r>\r\n<a/>\r\n</r>", "C", "c", "", "<r>\r\n<a/>\r\n<c/>\r\n</r>"},
        {"<r>\r\n</r>", "C", "c", "", "<r>\r\n<c/>\r\n</r>"},
        {"<?xml version=\"1.0\"?>\n", "A", "Result", "", "<?xml version=\"1.0\"?>\n<Result/>"},
        {"<!-- x -->", "A", "Result", "", "<!-- x -->\r\n<Result/>"},
        {"<r>old<c/></r>", "R", "", "n&w", "<r>n&amp;w</r>"},
        {"<r/>", "R", "", "v", "<r>v</r>"},
        {"<r x='1'/>", "R", "", "", "<r x='1'/>"},
        {"<r><k>1</k></r>", "R", "", "", "<r></r>"},
        {"<r/>", "T", "id", "a\"b'<", "<r id=\"a&quot;b&apos;&lt;\"/>"},
        {"<r a='1'>x</r>", "T", "b", "2", "<r a='1' b=\"2\">x</r>"},
        // A start tag whose end never came is given one when built into.
        {"<r><a></r>", "P", "c", "", "<r><a>\r\n<c/>\r\n</a></r>"},
        {"<r><a></r>", "Q", "", "v", "<r><a>v</a></r>"},
        {"<r><a>", "Q", "", "v", "<r><a>v</a>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " " + c.op);
        TypeParam m;
        m.LoadText(this->S(c.start));
        const auto name = this->S(c.name);
        const auto data = this->S(c.data);
        bool ok = false;
        switch (c.op[0]) {
        case 'A': ok = m.AppendElement(name, data); break;
        case 'C': ok = m.FindNext() && m.AppendChild(name, data); break;
        case 'R': ok = m.FindNext() && m.ReplaceData(data); break;
        case 'T': ok = m.FindNext() && m.AppendAttribute(name, data); break;
        case 'P': ok = m.FindNext() && m.FindChild() && m.Descend() && m.AppendChild(name, data); break;
        case 'Q': ok = m.FindNext() && m.FindChild() && m.ReplaceChildData(data); break;
        }
        EXPECT_TRUE(ok);
        EXPECT_EQ(this->N(m.DocumentText()), c.result);
        EXPECT_EQ(m.CheckIndex(), "");
    }
}

TYPED_TEST(MarkupTest, BadNamesAreRefusedAndChangeNothing)
{
    TypeParam m;
    m.LoadText(this->S("<r/>"));
    ASSERT_TRUE(m.FindNext());
    for (const char* bad : {"", "1a", "a b", "a>b", "a/", "<a", "a&b", "a\"", "a=b", "-a"}) {
        EXPECT_FALSE(m.AppendChild(this->S(bad))) << bad;
        EXPECT_FALSE(m.AppendAttribute(this->S(bad), this->S("v"))) << bad;
    }
    EXPECT_EQ(this->N(m.DocumentText()), "<r/>");
    TypeParam none;
    EXPECT_FALSE(none.AppendChild(this->S("a")));     // no current element
    EXPECT_FALSE(none.ReplaceData(this->S("a")));     // no current element
    EXPECT_FALSE(none.AppendAttribute(this->S("a"), this->S("b")));
}

TYPED_TEST(MarkupTest, EditsKeepTheIndexAndReuseFreedRecords)
{
    TypeParam m;
    ASSERT_TRUE(m.LoadText(this->S("<list><i><a/><b/><c/></i><j>2</j><k/></list>")));
    ASSERT_TRUE(m.FindNext());
    ASSERT_TRUE(m.Descend());
    ASSERT_TRUE(m.FindNext(this->S("i")));
    ASSERT_TRUE(m.ReplaceData(this->S("one")));
    EXPECT_EQ(m.CheckIndex(), "");
    ASSERT_TRUE(m.FindNext(this->S("j")));
    ASSERT_TRUE(m.AppendAttribute(this->S("n"), this->S("x")));
    ASSERT_TRUE(m.AppendElement(this->S("n1"), this->S("v1"))); // after j
    ASSERT_TRUE(m.AppendElement(this->S("n2")));
    ASSERT_TRUE(m.AppendChild(this->S("m1"))); // reuses a freed record
    EXPECT_EQ(m.CheckIndex(), "");
    EXPECT_EQ(this->N(m.DocumentText()),
              "<list><i>one</i><j n=\"x\">2</j>\r\n<n1>v1</n1>\r\n<n2>\r\n<m1/>\r\n</n2><k/></list>");
    m.ResetPos();
    ASSERT_TRUE(m.FindNext());
    ASSERT_TRUE(m.Descend());
    std::string names;
    while (m.FindNext())
        names += this->N(m.ElementName()) + "=" + this->N(m.ElementData()) + " ";
    EXPECT_EQ(names, "i=one j=2 n1=v1 n2= k= ");
    TypeParam back;
    EXPECT_TRUE(back.LoadText(m.DocumentText()));
}

// ---- entities ------------------------------------------------------------------

TYPED_TEST(MarkupTest, EscapeTable)
{
    struct Case {
        const char* in;
        int options;
        const char* out;
    };
    const int A = TypeParam::kEscapeAttribute, K = TypeParam::kEscapeKeepReferences;
    const Case cases[] = {
        {"a<b>&c", 0, "a&lt;b&gt;&amp;c"},
        {"'\"", 0, "'\""},
        {"'\"", A, "&apos;&quot;"},
        {"&amp; &#12; &#x1F; &_a:b-c.d; &x", K, "&amp; &#12; &#x1F; &_a:b-c.d; &amp;x"},
        {"& ; &; &1; &a b;", K, "&amp; ; &amp;; &amp;1; &amp;a b;"},
        {"&amp;", 0, "&amp;amp;"},
        {"", 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(this->N(TypeParam::EscapeText(this->S(c.in), c.options)), c.out) << c.in;
}

TYPED_TEST(MarkupTest, UnescapeTable)
{
    const std::pair<const char*, const char*> cases[] = {
        {"&lt;&amp;&gt;&apos;&quot;", "<&>'\""},
        {"&#65;&#x41;&#x6a;&#X41;", "AAj&#X41;"},
        {"&#0; &#x0; &#65 &#; &#x; &unknown; & &amp", "&#0; &#x0; &#65 &#; &#x; &unknown; & &amp"},
        {"&#00000065;", "&#00000065;"}, // more than seven digits: no ';' within reach
        {"&#0000065;", "A"},
        {"&amp;lt;", "&lt;"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(this->N(TypeParam::UnescapeText(this->S(in))), out) << in;
}

TEST(MarkupWide, NumericReferencesBecomeUtf16Characters)
{
    EXPECT_EQ(XmlMarkupW::UnescapeText(u"&#20013;&#x6587;"), u"中文");
    EXPECT_EQ(XmlMarkupW::UnescapeText(u"&#x1F600;"), u"\U0001F600"); // a surrogate pair, not the low 16 bits
    EXPECT_EQ(XmlMarkupW::UnescapeText(u"&#xD800;&#x110000;"), u"&#xD800;&#x110000;");
}

// ---- the 8-bit build and GBK --------------------------------------------------

// GBK characters whose trail byte is an ASCII delimiter of the tokenizer or
// of name scanning: 乗 81 5C ('\'), 乕 81 5B ('['), 乚 81 5D (']'), 亅 81 7C
// ('|'), and a pair that differs only in a trail byte that is a letter:
// 丄 81 41 ('A') and 乤 81 61 ('a').
const std::string kBackslashChar = "\x81\x5C";
const std::string kOpenBracketChar = "\x81\x5B";
const std::string kCloseBracketChar = "\x81\x5D";
const std::string kUpperTrailChar = "\x81\x41";
const std::string kLowerTrailChar = "\x81\x61";
const std::string kZhong = "\xD6\xD0"; // 中

TEST(Markup8Gbk, TrailBytesThatLookLikeDelimitersStayInsideNames)
{
    ASSERT_EQ(vel::AnsiCodePage(), 936);
    const std::string name = "\xC5\xE4" + kBackslashChar + kOpenBracketChar + kCloseBracketChar; // 配乗乕乚
    const std::string doc = "<" + name + " k='" + kBackslashChar + "'>" + kZhong + kBackslashChar + "</" + name +
                            ">";
    XmlMarkup m;
    ASSERT_TRUE(m.LoadText(doc)) << m.ErrorText();
    ASSERT_TRUE(m.FindNext(name));
    EXPECT_EQ(m.ElementName(), name);
    EXPECT_EQ(m.ElementData(), kZhong + kBackslashChar);
    EXPECT_EQ(m.AttributeValue("k"), kBackslashChar);
    EXPECT_FALSE(m.FindNext("\xC5\xE4", true)); // a leading part of the name is not the name
    EXPECT_EQ(m.CheckIndex(), "");
}

TEST(Markup8Gbk, CaseInsensitiveMatchingDoesNotFoldTrailBytes)
{
    XmlMarkup m;
    m.SetDocFlags(XmlMarkup::kMatchNoCase);
    const std::string doc = "<r><x" + kUpperTrailChar + "/><X" + kLowerTrailChar + "/></r>";
    ASSERT_TRUE(m.LoadText(doc));
    ASSERT_TRUE(m.FindNext());
    ASSERT_TRUE(m.Descend());
    ASSERT_TRUE(m.FindNext("X" + kUpperTrailChar)); // 'x' folds, the trail byte 'A' does not
    EXPECT_EQ(m.ElementName(), "x" + kUpperTrailChar);
    ASSERT_TRUE(m.FindNext("x" + kLowerTrailChar));
    EXPECT_EQ(m.ElementName(), "X" + kLowerTrailChar);
    EXPECT_FALSE(m.FindNext("x" + kUpperTrailChar));

    // Closing tags are matched the same way.
    XmlMarkup n;
    n.SetDocFlags(XmlMarkup::kMatchNoCase);
    EXPECT_FALSE(n.LoadText("<a" + kUpperTrailChar + "></A" + kLowerTrailChar + ">"));
    EXPECT_TRUE(n.LoadText("<a" + kUpperTrailChar + "></A" + kUpperTrailChar + ">"));
}

TEST(Markup8Gbk, StrayLeadBytesDoNotSwallowMarkup)
{
    XmlMarkup m;
    // A lead byte followed by a byte that cannot be a trail byte stands alone.
    ASSERT_TRUE(m.LoadText("<r>\x81<a>\xFE</a>\x81&amp;\xD6</r>")) << m.ErrorText();
    ASSERT_TRUE(m.FindNext());
    ASSERT_TRUE(m.FindChild("a"));
    EXPECT_EQ(m.ChildData(), "\xFE");
    EXPECT_EQ(XmlMarkup::UnescapeText("\x81&lt;"), "\x81<");
    EXPECT_EQ(XmlMarkup::EscapeText("\x81<"), "\x81&lt;");
}

TEST(Markup8Gbk, EscapingLeavesMultibyteTextAlone)
{
    const std::string text = kZhong + kBackslashChar + kOpenBracketChar + "<&>" + kCloseBracketChar;
    EXPECT_EQ(XmlMarkup::EscapeText(text, XmlMarkup::kEscapeAttribute),
              kZhong + kBackslashChar + kOpenBracketChar + "&lt;&amp;&gt;" + kCloseBracketChar);
    EXPECT_EQ(XmlMarkup::UnescapeText(XmlMarkup::EscapeText(text)), text);
    // A reference may hold multibyte characters.
    EXPECT_EQ(XmlMarkup::EscapeText("&" + kZhong + kBackslashChar + ";", XmlMarkup::kEscapeKeepReferences),
              "&" + kZhong + kBackslashChar + ";");
}

TEST(Markup8Gbk, NumericReferencesBecomeCodePageCharacters)
{
    // The text is GBK, so a reference to 中 becomes its GBK bytes; a character
    // GBK lacks keeps its reference rather than turning into other bytes.
    EXPECT_EQ(XmlMarkup::UnescapeText("&#20013;&#x4E2D;"), kZhong + kZhong);
    EXPECT_EQ(XmlMarkup::UnescapeText("&#x1F600;"), "&#x1F600;");
    EXPECT_EQ(XmlMarkup::UnescapeText("&#65;"), "A");
}

TEST(Markup8Gbk, BuildingWithGbkText)
{
    XmlMarkup m;
    m.LoadText("<Notify></Notify>");
    ASSERT_TRUE(m.FindNext("Notify"));
    ASSERT_TRUE(m.Descend());
    ASSERT_TRUE(m.AppendElement("info", kZhong + kBackslashChar + "<"));
    EXPECT_EQ(m.DocumentText(), "<Notify>\r\n<info>" + kZhong + kBackslashChar + "&lt;</info>\r\n</Notify>");
    EXPECT_EQ(m.ElementData(), kZhong + kBackslashChar + "<");
    ASSERT_TRUE(m.AppendElement(kZhong + kBackslashChar, 7)); // a GBK element name
    EXPECT_EQ(m.ElementName(), kZhong + kBackslashChar);
    EXPECT_EQ(m.CheckIndex(), "");
}

// ---- files ---------------------------------------------------------------------

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class MarkupFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(chdir(sandbox.Root().c_str()), 0);
    }
    vel::test::Sandbox sandbox;
};

TEST_F(MarkupFiles, ReadAndWriteAreByteForByte)
{
    const std::string bytes = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<r>" + kZhong + "\r\n</r>" + std::string("\n\0x", 3);
    vel::test::Sandbox::WriteHostFile(sandbox.Root() + "/in.xml", bytes);
    XmlMarkup m;
    std::string report;
    ASSERT_TRUE(m.ReadTextFile("in.xml", &report));
    EXPECT_EQ(report, std::to_string(bytes.size()) + " bytes");
    EXPECT_EQ(m.DocumentText(), bytes);
    ASSERT_TRUE(m.FindNext("r"));
    ASSERT_TRUE(m.ReplaceData(kZhong + kZhong));
    ASSERT_TRUE(m.WriteTextFile("out.xml", &report));
    EXPECT_EQ(ReadAll(sandbox.Root() + "/out.xml"), m.DocumentText());
    EXPECT_EQ(report, std::to_string(m.DocumentText().size()) + " bytes");
}

TEST_F(MarkupFiles, FailuresReportTheSystemErrorText)
{
    XmlMarkup m;
    m.LoadText("<keep/>");
    std::string report;
    EXPECT_FALSE(m.ReadTextFile("missing.xml", &report));
    EXPECT_EQ(report, std::strerror(ENOENT));
    EXPECT_EQ(m.DocumentText(), "<keep/>"); // unchanged
    EXPECT_FALSE(m.WriteTextFile("no-such-dir/out.xml", &report));
    EXPECT_EQ(report, std::strerror(ENOENT));
    EXPECT_FALSE(m.ReadTextFile(sandbox.Root(), &report)); // a folder
    EXPECT_FALSE(report.empty());

    vel::test::Sandbox::WriteHostFile(sandbox.Root() + "/empty.xml", "");
    EXPECT_TRUE(m.ReadTextFile("empty.xml", &report));
    EXPECT_EQ(report, "0 bytes");
    EXPECT_EQ(m.DocumentText(), "");
    EXPECT_EQ(m.ErrorText(), "Empty document");
}

TEST_F(MarkupFiles, WideBuildWritesUtf8AndReadsBothForms)
{
    XmlMarkupW m;
    ASSERT_TRUE(m.AppendElement(u"Result", u"中"));
    std::u16string report;
    ASSERT_TRUE(m.WriteTextFile(u"w.xml", &report));
    EXPECT_EQ(ReadAll(sandbox.Root() + "/w.xml"), "<Result>\xE4\xB8\xAD</Result>");
    EXPECT_EQ(report, u"20 bytes");
    XmlMarkupW r;
    ASSERT_TRUE(r.ReadTextFile(u"w.xml"));
    EXPECT_EQ(r.DocumentText(), u"<Result>中</Result>");
    vel::test::Sandbox::WriteHostFile(sandbox.Root() + "/le.xml", std::string("\xFF\xFE<\0a\0/\0>\0", 10));
    ASSERT_TRUE(r.ReadTextFile(u"le.xml"));
    EXPECT_EQ(r.DocumentText(), u"<a/>");
    EXPECT_TRUE(r.IsWellFormed());
}

} // namespace
