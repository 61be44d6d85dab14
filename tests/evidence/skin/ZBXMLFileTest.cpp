// Documents from files, descriptors and module resources, and documents
// saved to files.

#include "XmlTestUtil.h"
#include "platform/base/LastError.h"
#include "platform/fs/FileSystem.h"
#include "support/Sandbox.h"

#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

using namespace vel;
using vel::test::Dump;
using vel::test::Sandbox;

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

std::string ReadHost(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Fixture(const std::string& name) { return ReadHost(std::string(VEL_SKIN_TEST_DATA) + "/" + name); }

class XmlFileTest : public ::testing::Test {
protected:
    Sandbox box;
    std::string C(const std::string& rest) const { return box.Root() + "/drive_c/" + rest; }
};

} // namespace

TEST_F(XmlFileTest, LoadFileByPathFindsTheFileInAnyLetterCase)
{
    Sandbox::WriteHostFile(C("Cases/档案A/.evd/case.xml"), "\xFF\xFE" + Le(u"<case><SHOWPRIORITY>7</SHOWPRIORITY></case>"));
    auto root = ZBXMLElement::LoadFile(u"c:\\CASES\\档案a\\.EVD\\Case.XML");
    ASSERT_TRUE(root);
    EXPECT_EQ(Dump(root.get()), "(case(SHOWPRIORITY {7}))");
    // The same through a host path, which the file layer takes as Z:.
    EXPECT_TRUE(ZBXMLElement::LoadFile(std::u16string(Utf8ToUtf16(C("Cases/档案A/.evd/case.xml")))));
}

TEST_F(XmlFileTest, UnreadableFilesGiveNull)
{
    Sandbox::WriteHostFile(C("dir/broken.xml"), Fixture("broken.xml"));
    Sandbox::WriteHostFile(C("dir/empty.xml"), "");
    const std::u16string paths[] = {
        u"C:\\dir\\missing.xml", u"C:\\nodir\\x.xml", u"C:\\dir", u"C:\\dir\\broken.xml",
        u"C:\\dir\\empty.xml",   u"Q:\\unmapped.xml", u"",
    };
    for (const std::u16string& p : paths)
        EXPECT_EQ(ZBXMLElement::LoadFile(p), nullptr) << Utf16ToUtf8(p);
    SetLastError(0);
    EXPECT_EQ(ZBXMLElement::LoadFile(u"C:\\dir\\missing.xml"), nullptr);
    EXPECT_EQ(GetLastError(), kErrorFileNotFound);
    EXPECT_EQ(ZBXMLElement::LoadFile(u"C:\\nodir\\x.xml"), nullptr);
    EXPECT_EQ(GetLastError(), kErrorPathNotFound);
}

TEST_F(XmlFileTest, FilesUpToFourMebibytesAreRead)
{
    // A valid root followed by padding, which the reader ignores.
    const std::string root = "<a v=\"1\"/>";
    struct Case {
        size_t size;
        bool read;
    } cases[] = {
        {4194304 - 1, true},
        {4194304, true},
        {4194304 + 1, false},
        {5 * 1024 * 1024, false},
    };
    for (const Case& c : cases) {
        std::string bytes = root + std::string(c.size - root.size(), ' ');
        Sandbox::WriteHostFile(C("big.xml"), bytes);
        auto doc = ZBXMLElement::LoadFile(u"C:\\big.xml");
        EXPECT_EQ(doc != nullptr, c.read) << c.size;
    }
}

TEST_F(XmlFileTest, LoadFileByDescriptorReadsFromTheStartAndLeavesItOpen)
{
    Sandbox::WriteHostFile(C("d.xml"), "\xFF\xFE" + Le(u"<d x=\"1\"/>"));
    int fd = open(C("d.xml").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(lseek(fd, 6, SEEK_SET), 6);
    EXPECT_EQ(Dump(ZBXMLElement::LoadFile(fd).get()), "(d x=[1])");
    EXPECT_EQ(Dump(ZBXMLElement::LoadFile(fd).get()), "(d x=[1])"); // again: still open, still whole
    close(fd);
    EXPECT_EQ(ZBXMLElement::LoadFile(fd), nullptr); // closed now
    EXPECT_EQ(ZBXMLElement::LoadFile(-1), nullptr);

    // A pipe has no size to check beforehand; it is read up to the limit.
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    const std::string doc = "<p/>";
    ASSERT_EQ(write(p[1], doc.data(), doc.size()), ssize_t(doc.size()));
    close(p[1]);
    EXPECT_EQ(Dump(ZBXMLElement::LoadFile(p[0]).get()), "(p)");
    close(p[0]);
}

TEST_F(XmlFileTest, SaveFileWritesLittleEndianUnitsWithoutMarkAndNoTail)
{
    auto root = ZBXMLElement::ParseText(u"<case><SHOWPRIORITY>100</SHOWPRIORITY><名/></case>");
    ASSERT_TRUE(root);
    // A longer file is replaced entirely, and keeps its hidden attribute.
    Sandbox::WriteHostFile(C("c/case.xml"), std::string(10000, 'x'));
    ASSERT_TRUE(fs::SetAttributes(u"C:\\c\\case.xml", fs::kAttrHidden));
    ASSERT_TRUE(root->SaveFile(u"C:\\C\\CASE.xml"));
    const std::string written = ReadHost(C("c/case.xml"));
    EXPECT_EQ(written, Le(root->ToString(true, true)));
    EXPECT_EQ(written.substr(0, 4), std::string("<\0?\0", 4));
    EXPECT_TRUE(fs::GetAttributes(u"C:\\c\\case.xml") & fs::kAttrHidden);
    // It reads back (found as UTF-16 without a mark) to the same tree.
    EXPECT_EQ(Dump(ZBXMLElement::LoadFile(u"C:\\c\\case.xml").get()), Dump(root.get()));
    // A new file.
    ASSERT_TRUE(root->SaveFile(u"C:\\c\\new.xml"));
    EXPECT_EQ(ReadHost(C("c/new.xml")), written);
}

TEST_F(XmlFileTest, SaveFileFailuresLeaveFilesAlone)
{
    ZBXMLElement e(u"e");
    Sandbox::WriteHostFile(C("ro/keep.xml"), "old");
    ASSERT_TRUE(fs::SetAttributes(u"C:\\ro\\keep.xml", fs::kAttrReadOnly));
    struct Case {
        std::u16string path;
        uint32_t error;
    } cases[] = {
        {u"C:\\ro\\keep.xml", kErrorAccessDenied},
        {u"C:\\missing\\x.xml", kErrorPathNotFound},
        {u"C:\\ro", 0}, // a directory: some error
        {u"Q:\\x.xml", kErrorPathNotFound},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(e.SaveFile(c.path)) << Utf16ToUtf8(c.path);
        if (c.error)
            EXPECT_EQ(GetLastError(), c.error) << Utf16ToUtf8(c.path);
        else
            EXPECT_NE(GetLastError(), 0u) << Utf16ToUtf8(c.path);
    }
    EXPECT_EQ(ReadHost(C("ro/keep.xml")), "old");
}

TEST(XmlResource, LoadResourceParsesTheEmbeddedDocument)
{
    auto root = ZBXMLElement::LoadResource(nullptr, 3002);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->GetName(), u"zbskin");
    ZBXMLElement* title = root->FindChild(u"Public")->FindChild(u"Strings")->FindChild(u"String");
    ASSERT_TRUE(title);
    EXPECT_EQ(title->GetAttributeValue(u"Value"), u"证据库 & 档案");
    ZBXMLElement* parts = root->FindChild(u"windowskin")->FindChild(u"skin")->FindChild(u"parts");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->GetChildren().size(), 2u);
    // The resource and the file it came from give the same tree.
    const std::string file = Fixture("skin_utf16.xml");
    EXPECT_EQ(Dump(root.get()), Dump(ZBXMLElement::ParseBuffer(file.data(), file.size()).get()));

    EXPECT_EQ(ZBXMLElement::LoadResource(nullptr, 3003), nullptr); // no such id
    EXPECT_EQ(ZBXMLElement::LoadResource(nullptr, 3004), nullptr); // there, but not a document
    int local = 0;
    EXPECT_EQ(ZBXMLElement::LoadResource(&local, 3002), nullptr); // not a module
}
