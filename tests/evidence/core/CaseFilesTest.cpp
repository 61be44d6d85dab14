#include "StoreFixture.h"

#include "evidence/core/EvdCaseFiles.h"
#include "evidence/core/EvdTree.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"

#include <filesystem>
#include <regex>

using namespace vel;
using namespace vel::evd;
using vel::evd::test::StoreTest;

namespace {

void Make(std::u16string_view p)
{
    ASSERT_TRUE(fs::WriteFile(p, "x"));
}

} // namespace

TEST_F(StoreTest, HiddenCompanionRules)
{
    ASSERT_EQ(fs::CreateDirectoryChain(u"D:\\c\\.evd"), 0u);
    for (auto f : {u"D:\\c\\x.jpg", u"D:\\c\\photo.png", u"D:\\c\\v.mp4", u"D:\\c\\lonely_src.png.txt"})
        Make(f);
    for (auto f : {u"D:\\c\\x.jpg.xml", u"D:\\c\\y.jpg.xml", u"D:\\c\\photo_src.png", u"D:\\c\\other_src.png",
                   u"D:\\c\\v.mp4.idx", u"D:\\c\\w.mp4.idx", u"D:\\c\\any_first.jpg", u"D:\\c\\_src.png"})
        Make(f);
    ASSERT_EQ(fs::CreateDirectoryChain(u"D:\\c\\sub\\.evd.not"), 0u);
    struct Case
    {
        std::u16string path;
        bool hidden;
    } cases[] = {
        {u"D:\\c\\.evd", true},           {u"D:\\c\\x.jpg.xml", true},      {u"D:\\c\\y.jpg.xml", false},
        {u"D:\\c\\photo_src.png", true},  {u"D:\\c\\other_src.png", false}, {u"D:\\c\\v.mp4.idx", true},
        {u"D:\\c\\w.mp4.idx", false},     {u"D:\\c\\any_first.jpg", true},  {u"D:\\c\\_first.jpg", true},
        {u"_first.jpg", false},           {u"D:\\c\\x.jpg", false},         {u"D:\\c\\ANY_FIRST.JPG", false},
        {u"D:\\c\\sub\\.evd.not", false}, {u"D:\\c\\nothing.evd", false},
    };
    for (auto& c : cases)
        EXPECT_EQ(IsHiddenCompanion(c.path), c.hidden) << Utf16ToUtf8(c.path);
}

TEST_F(StoreTest, RenamingAFileTakesItsCompanionsAlong)
{
    ASSERT_EQ(fs::CreateDirectoryChain(u"D:\\c"), 0u);
    for (auto f : {u"D:\\c\\a.jpg", u"D:\\c\\a.jpg.xml", u"D:\\c\\a_src.jpg", u"D:\\c\\v.mp4",
                   u"D:\\c\\v.mp4_first.jpg", u"D:\\c\\lone.jpg"})
        Make(f);
    EXPECT_EQ(CCacheUtil::RenameFile(u"D:\\c\\a.jpg", u"D:\\c\\b.jpg"), 1);
    for (auto f : {u"D:\\c\\b.jpg", u"D:\\c\\b.jpg.xml", u"D:\\c\\b_src.jpg"})
        EXPECT_TRUE(fs::Exists(f)) << Utf16ToUtf8(f);
    for (auto f : {u"D:\\c\\a.jpg", u"D:\\c\\a.jpg.xml", u"D:\\c\\a_src.jpg"})
        EXPECT_FALSE(fs::Exists(f)) << Utf16ToUtf8(f);
    EXPECT_EQ(CCacheUtil::RenameFile(u"D:\\c\\v.mp4", u"D:\\c\\w.mp4"), 1);
    EXPECT_TRUE(fs::Exists(u"D:\\c\\w.mp4_first.jpg"));
    EXPECT_EQ(CCacheUtil::RenameFile(u"D:\\c\\lone.jpg", u"D:\\c\\alone.jpg"), 1) << "no companions is fine";
    EXPECT_EQ(CCacheUtil::RenameFile(u"D:\\c\\missing.jpg", u"D:\\c\\x.jpg"), 0);
    EXPECT_EQ(CCacheUtil::RenameFile(u"D:\\c\\alone.jpg", u"D:\\c\\b.jpg"), 0) << "the target exists";
    EXPECT_TRUE(fs::Exists(u"D:\\c\\alone.jpg"));
}

TEST_F(StoreTest, CasePriorityAndWorkCaseDocuments)
{
    std::filesystem::create_directories(box->Root() + "/unc/nas/person"); // the share exists
    ASSERT_EQ(fs::CreateDirectoryChain(u"\\\\nas\\person\\c1"), 0u);
    ASSERT_EQ(fs::CreateDirectoryChain(u"\\\\nas\\person\\c2"), 0u);
    EXPECT_EQ(ReadCasePriority(u"\\\\nas\\person\\c1", u""), 100) << "no companion directory";
    ASSERT_TRUE(WriteCasePriority(u"\\\\nas\\person\\c1", u"", 250));
    EXPECT_EQ(ReadCasePriority(u"\\\\nas\\person\\c1", u""), 250);
    EXPECT_TRUE(fs::GetAttributes(u"\\\\nas\\person\\c1\\.evd") & fs::kAttrHidden);
    ASSERT_FALSE(MakeCompanionDirectory(u"\\\\nas\\person\\c2", u"").empty());
    ASSERT_TRUE(fs::WriteFile(CaseDescriptionPath(u"\\\\nas\\person\\c2", u""),
                              "<case><SHOWPRIORITY></SHOWPRIORITY></case>"));
    EXPECT_EQ(ReadCasePriority(u"\\\\nas\\person\\c2", u""), 100) << "an empty element";

    // A read-only description is left as it is.
    ASSERT_TRUE(fs::SetAttributes(CaseDescriptionPath(u"\\\\nas\\person\\c1", u""), fs::kAttrReadOnly));
    EXPECT_FALSE(WriteCasePriority(u"\\\\nas\\person\\c1", u"", 7));
    EXPECT_EQ(ReadCasePriority(u"\\\\nas\\person\\c1", u""), 250);

    ASSERT_TRUE(SetWorkCase(u"\\\\nas\\person\\c1", u"alice"));
    EXPECT_EQ(FindWorkCaseIn(u"\\\\nas\\person", u"alice"), u"\\\\nas\\person\\c1");
    ASSERT_TRUE(SetWorkCase(u"\\\\nas\\person\\c2", u"alice"));
    EXPECT_EQ(FindWorkCaseIn(u"\\\\nas\\person", u"alice"), u"\\\\nas\\person\\c2")
        << "one work case per share";
    EXPECT_EQ(FindWorkCaseIn(u"\\\\nas\\person", u"bob"), u"");

    // The library's work case follows the NAS mark when set to "net".
    db.SetSetting(kSecEvd, kKeyWorkCaseSet, u"net", false, true);
    db.SetSetting(kSecNas, kKeyPerson, u"\\\\nas\\person", false, true);
    db.SetSetting(kSecNas, kKeyUserName, u"alice", false, true);
    std::u16string dir;
    int32_t id = -5;
    ASSERT_TRUE(WorkCase(dir, id));
    EXPECT_EQ(dir, u"\\\\nas\\person\\c2");
    EXPECT_EQ(id, 0);
}

TEST_F(StoreTest, TouchParentDirectoryAndDirectorySize)
{
    EXPECT_EQ(evd::Touch(u"D:\\none"), u"");
    ASSERT_EQ(fs::CreateDirectoryChain(u"D:\\t\\sub"), 0u);
    ASSERT_TRUE(fs::WriteFile(u"D:\\t\\a.mp4", std::string(100, 'a')));
    ASSERT_TRUE(fs::WriteFile(u"D:\\t\\a.mp4_first.jpg", std::string(10, 'f')));
    ASSERT_TRUE(fs::WriteFile(u"D:\\t\\sub\\b.jpg", std::string(1000, 'b')));
    std::u16string stamp = evd::Touch(u"D:\\t\\a.mp4");
    EXPECT_TRUE(std::regex_match(Utf16ToUtf8(stamp), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})")));

    uint64_t files = 0, dirs = 0;
    EXPECT_EQ(DirectorySize(u"D:\\t", false, &files, &dirs), 1110u);
    EXPECT_EQ(files, 3u);
    EXPECT_EQ(dirs, 1u);
    files = dirs = 0;
    EXPECT_EQ(DirectorySize(u"D:\\t", true, &files, &dirs), 1100u);
    EXPECT_EQ(files, 2u);

    struct Case
    {
        std::u16string path, parent;
    } cases[] = {{u"D:\\t\\a.mp4", u"D:\\t"},
                 {u"D:\\t\\sub\\\\", u"D:\\t"},
                 {u"D:/t/sub/", u"D:/t"},
                 {u"name", u""},
                 {u"", u""}};
    for (auto& c : cases)
        EXPECT_EQ(ParentDirectory(c.path), c.parent) << Utf16ToUtf8(c.path);
}
