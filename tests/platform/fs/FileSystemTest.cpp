#include "platform/fs/FileSystem.h"
#include "platform/base/LastError.h"
#include "platform/base/Strings.h"
#include "platform/fs/WinPath.h"
#include "platform/shell/Shell.h"
#include "support/Sandbox.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace vel;
using vel::test::Sandbox;

class FsTest : public ::testing::Test
{
protected:
    Sandbox box;
    std::string C() const { return box.Root() + "/drive_c"; }
};

TEST_F(FsTest, DrivesUncAndHostPathsMap)
{
    std::string d = box.Drive('D');
    struct Case
    {
        std::u16string win;
        std::string host;
    } cases[] = {
        {u"C:\\a\\b.txt", C() + "/a/b.txt"},
        {u"c:/a//b.txt", C() + "/a/b.txt"},
        {u"C:\\", C()},
        {u"D:\\x", d + "/x"},
        {u"\\\\nas\\share\\case", box.Root() + "/unc/nas/share/case"},
        {u"/usr/bin", "/usr/bin"},
        {u"Z:\\usr\\bin", "/usr/bin"},
        {u"C:\\a\\..\\b", C() + "/b"},
        {u"Q:\\unmapped", ""},
        {u"", ""},
    };
    for (auto& c : cases)
        EXPECT_EQ(fs::ToHost(c.win), c.host) << Utf16ToUtf8(c.win);
    EXPECT_EQ(fs::FromHost(C() + "/a/b"), u"C:\\a\\b");
    EXPECT_EQ(fs::FromHost("/etc/hosts"), u"Z:\\etc\\hosts");
}

TEST_F(FsTest, ComponentsAreFoundWithoutRegardToCase)
{
    Sandbox::WriteHostFile(C() + "/Cases/档案A/Clip.MP4", "x");
    EXPECT_EQ(fs::ToHost(u"c:\\CASES\\档案a\\clip.mp4"), C() + "/Cases/档案A/Clip.MP4");
    EXPECT_TRUE(fs::Exists(u"C:\\cases\\档案A\\CLIP.mp4"));
    // A missing component keeps the given case, the rest below it too.
    EXPECT_EQ(fs::ToHost(u"C:\\cases\\New\\Sub"), C() + "/Cases/New/Sub");
}

TEST_F(FsTest, PathHelpers)
{
    EXPECT_EQ(fs::LastComponent(u"C:\\a\\b.txt"), u"b.txt");
    EXPECT_EQ(fs::RemoveLastComponent(u"C:\\a\\b.txt"), u"C:\\a");
    EXPECT_EQ(fs::RemoveLastComponent(u"C:\\a"), u"C:\\");
    EXPECT_EQ(fs::RemoveLastComponent(u"name"), u"");
    EXPECT_EQ(fs::Join(u"C:\\a\\", u"b"), u"C:\\a\\b");
    EXPECT_EQ(fs::Extension(u"C:\\a.b\\CLIP.MP4"), u".MP4");
    EXPECT_EQ(fs::Extension(u"C:\\a.b\\noext"), u"");
    EXPECT_EQ(fs::RootOf(u"d:\\x\\y"), u"D:\\");
    EXPECT_EQ(fs::RootOf(u"\\\\srv\\sh\\x"), u"\\\\srv\\sh\\");
}

TEST_F(FsTest, DirectoryChainReportsExistingAsSuccessCodes)
{
    EXPECT_EQ(fs::CreateDirectoryChain(u"C:\\x\\y\\z"), 0u);
    EXPECT_TRUE(fs::IsDirectory(u"C:\\x\\y\\z"));
    EXPECT_EQ(fs::CreateDirectoryChain(u"C:\\X\\Y\\Z"), 183u);
    ASSERT_TRUE(fs::WriteFile(u"C:\\x\\file", "1"));
    EXPECT_EQ(fs::CreateDirectoryChain(u"C:\\x\\file"), 80u);
    EXPECT_FALSE(fs::DirectoryChainOk(fs::CreateDirectoryChain(u"C:\\x\\file\\below")));
    EXPECT_FALSE(fs::DirectoryChainOk(fs::CreateDirectoryChain(u"Q:\\nope")));
}

TEST_F(FsTest, ListMatchesWildcardsLikeFindFirstFile)
{
    for (const char* n : {"a.mp4", "B.MP4", "c.jpg", "noext", "x.mp4.xml"})
        Sandbox::WriteHostFile(C() + "/d/" + n, "12345");
    std::filesystem::create_directories(C() + "/d/sub");
    auto names = [](const std::vector<fs::DirEntry>& v) {
        std::vector<std::string> out;
        for (auto& e : v)
            out.push_back(Utf16ToUtf8(e.name));
        std::sort(out.begin(), out.end());
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(names(fs::List(u"C:\\d\\*.*")), (V{"B.MP4", "a.mp4", "c.jpg", "noext", "sub", "x.mp4.xml"}));
    EXPECT_EQ(names(fs::List(u"C:\\d\\*.mp4")), (V{"B.MP4", "a.mp4"}));
    EXPECT_EQ(names(fs::List(u"C:\\d\\?.jpg")), (V{"c.jpg"}));
    EXPECT_EQ(names(fs::List(u"C:\\d\\noext.*")), (V{"noext"}));
    auto one = fs::List(u"C:\\D\\A.MP4");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].info.size, 5u);
    EXPECT_TRUE(fs::List(u"C:\\d\\missing").empty());
    EXPECT_EQ(GetLastError(), uint32_t(kErrorFileNotFound));
    for (auto& e : fs::List(u"C:\\d\\*"))
        EXPECT_EQ(e.info.isDirectory, e.name == u"sub");
}

TEST_F(FsTest, CopyMoveDeleteAndCancel)
{
    ASSERT_TRUE(fs::WriteFile(u"C:\\src.bin", std::string(3 << 20, 'q')));
    EXPECT_TRUE(fs::CopyFile(u"C:\\src.bin", u"C:\\dst.bin", true));
    EXPECT_FALSE(fs::CopyFile(u"C:\\src.bin", u"C:\\dst.bin", true));
    EXPECT_EQ(GetLastError(), uint32_t(kErrorFileExists));
    int calls = 0;
    EXPECT_FALSE(fs::CopyFile(u"C:\\src.bin", u"C:\\cancel.bin", false, [&](uint64_t done, uint64_t total) {
        EXPECT_EQ(total, uint64_t(3 << 20));
        return ++calls < 2;
    }));
    EXPECT_EQ(GetLastError(), uint32_t(kErrorCancelled));
    EXPECT_FALSE(fs::Exists(u"C:\\cancel.bin")) << "a cancelled copy leaves no partial file";

    EXPECT_FALSE(fs::MoveFile(u"C:\\src.bin", u"C:\\dst.bin")) << "target exists";
    EXPECT_TRUE(fs::MoveFile(u"C:\\src.bin", u"C:\\moved.bin"));
    EXPECT_TRUE(fs::MoveFile(u"C:\\moved.bin", u"C:\\MOVED.bin")) << "a rename that changes only case";
    EXPECT_TRUE(fs::DeleteFile(u"C:\\moved.bin"));
    EXPECT_FALSE(fs::Exists(u"C:\\MOVED.bin"));
    EXPECT_FALSE(fs::DeleteFile(u"C:\\moved.bin"));
    EXPECT_EQ(GetLastError(), uint32_t(kErrorFileNotFound));

    ASSERT_EQ(fs::CreateDirectoryChain(u"C:\\tree\\a\\b"), 0u);
    ASSERT_TRUE(fs::WriteFile(u"C:\\tree\\a\\b\\f", "1"));
    EXPECT_FALSE(fs::RemoveDirectory(u"C:\\tree"));
    EXPECT_TRUE(fs::RemoveTree(u"C:\\tree"));
    EXPECT_FALSE(fs::Exists(u"C:\\tree"));
}

TEST_F(FsTest, AttributesAndTimes)
{
    ASSERT_TRUE(fs::WriteFile(u"C:\\f.txt", "x"));
    ASSERT_EQ(fs::CreateDirectoryChain(u"C:\\dir"), 0u);
    EXPECT_EQ(fs::GetAttributes(u"C:\\f.txt"), uint32_t(fs::kAttrNormal));
    EXPECT_TRUE(fs::GetAttributes(u"C:\\dir") & fs::kAttrDirectory);
    EXPECT_EQ(fs::GetAttributes(u"C:\\none"), fs::kInvalidAttributes);
    if (fs::SetAttributes(u"C:\\dir", fs::kAttrHidden) && (fs::GetAttributes(u"C:\\dir") & fs::kAttrHidden)) {
        EXPECT_EQ(fs::GetAttributes(u"C:\\dir"), uint32_t(fs::kAttrHidden | fs::kAttrDirectory));
    } else {
        GTEST_SKIP() << "this file system keeps no user extended attributes";
    }
    ASSERT_TRUE(fs::SetAttributes(u"C:\\f.txt", fs::kAttrReadOnly));
    EXPECT_TRUE(fs::GetAttributes(u"C:\\f.txt") & fs::kAttrReadOnly);
    ASSERT_TRUE(fs::SetAttributes(u"C:\\f.txt", fs::kAttrNormal));
    EXPECT_EQ(fs::GetAttributes(u"C:\\f.txt"), uint32_t(fs::kAttrNormal));

    auto t = WallClock::now() - std::chrono::hours(48);
    ASSERT_TRUE(fs::SetLastWriteTime(u"C:\\f.txt", t));
    EXPECT_EQ(LocalTimestamp(*fs::LastWriteTime(u"C:\\F.TXT")), LocalTimestamp(t));
}

TEST_F(FsTest, FreeSpaceGoesThroughTheProvider)
{
    EXPECT_TRUE(fs::FreeBytes(u"C:\\").has_value());
    std::u16string asked;
    fs::SetFreeSpaceProvider([&](std::u16string_view root) -> std::optional<uint64_t> {
        asked = std::u16string(root);
        return 500ull << 20;
    });
    EXPECT_EQ(fs::FreeBytes(u"d:\\cases\\x"), 500ull << 20);
    EXPECT_EQ(asked, u"D:\\");
    fs::SetFreeSpaceProvider({});
    EXPECT_FALSE(fs::FreeBytes(u"relative\\x").has_value());
}

TEST_F(FsTest, DocumentsFolderIsUnderTheUsersProfile)
{
    EXPECT_EQ(shell::DocumentsFolder(), u"C:\\Users\\" + shell::LoginName() + u"\\Documents");
    EXPECT_FALSE(shell::ExecutableDirectory().empty());
}
