#include "EvdExport.h"
#include "platform/base/Strings.h"
#include "support/Sandbox.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

using namespace vel;
using vel::test::Sandbox;

namespace {

// Runs an evdhost set-up command and returns its first output line.
std::string Host(const std::string& args)
{
    std::string cmd = std::string(EVDHOST) + " " + args + " 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return {};
    char line[4096] = {};
    if (!fgets(line, sizeof line, p))
        line[0] = 0;
    pclose(p);
    std::string s = line;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

std::string Gbk(const std::u16string& s)
{
    return Utf16ToAnsi(s);
}
std::u16string FromGbk(const char* s)
{
    return AnsiToUtf16(s);
}

class ExportsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        roots = box.Root() + "/drive_d/Cases";
        std::filesystem::create_directories(roots);
    }
    void TearDown() override { Evd_FiniLib(); }

    // A library root D:\Cases with one case (year 2015) holding one folder.
    void MakeLibrary()
    {
        ASSERT_EQ(Host("add-root 'D:\\Cases'"), "1");
        caseId = std::stoi(Host("new-case 盗窃案 '2015-03-01 10:00:00.000'"));
        folderId = std::stoi(Host("new-folder " + std::to_string(caseId) + " 现场"));
        folderHost = roots + "/2015/盗窃案/现场";
        std::filesystem::create_directories(folderHost);
    }

    std::string QueryPath(int32_t id, int32_t current = 1)
    {
        char buf[1024];
        if (Evd_QueryPath(id, current, buf, sizeof buf) != 0)
            return "<error>";
        return Utf16ToUtf8(FromGbk(buf));
    }

    Sandbox box;
    std::string roots, folderHost;
    int32_t caseId = -1, folderId = -1;
};

} // namespace

TEST_F(ExportsTest, InitReportsSuccessEvenWhenTheStoreCannotOpen)
{
    // A directory where the database file belongs makes every open fail.
    std::string data =
        box.Root() + "/drive_c/Users/" + getenv("USER") + "/Documents/VelMediaKit/VelEvidenceDesk";
    std::filesystem::create_directories(data + "/evd.db");
    EXPECT_EQ(Evd_InitLib(), 0);
    char buf[64];
    EXPECT_EQ(Evd_QueryPath(1, 1, buf, sizeof buf), 1001);
    EXPECT_EQ(Evd_QueryRelativeName(1, buf, sizeof buf), 1001);
    int32_t id = 0;
    std::string file = box.Root() + "/drive_c/x.mp4";
    Sandbox::WriteHostFile(file, "x");
    EXPECT_EQ(Evd_AddPathToCase(file.c_str(), -1, 1, &id), 1001);
    // Once the obstacle is gone the next export initialises.
    std::filesystem::remove(data + "/evd.db");
    EXPECT_EQ(Evd_QueryPath(1, 1, buf, sizeof buf), 0);
}

TEST_F(ExportsTest, QueryPathBufferRules)
{
    MakeLibrary();
    char buf[64];
    memset(buf, 'X', sizeof buf);
    EXPECT_EQ(Evd_QueryPath(folderId, 1, buf, 0), 2003);
    EXPECT_EQ(buf[0], 'X') << "length 0 writes nothing";
    EXPECT_EQ(Evd_QueryPath(folderId, 1, nullptr, 10), 2003);

    EXPECT_EQ(Evd_QueryPath(folderId, 1, buf, 10), 0);
    EXPECT_EQ(std::string(buf), "D:\\Cases");
    EXPECT_EQ(buf[8], 0);
    EXPECT_EQ(buf[9], 0);
    EXPECT_EQ(buf[10], 'X') << "nothing past the given length";

    memset(buf, 'X', sizeof buf);
    EXPECT_EQ(Evd_QueryPath(98765, 1, buf, 32), 2002);
    for (int i = 0; i < 32; ++i)
        ASSERT_EQ(buf[i], 0) << "an unknown id leaves the buffer zero-filled";
    EXPECT_EQ(QueryPath(folderId), "D:\\Cases\\2015\\盗窃案\\现场");
}

TEST_F(ExportsTest, RelativeAndLogicalNames)
{
    MakeLibrary();
    char buf[256];
    ASSERT_EQ(Evd_QueryRelativeName(folderId, buf, sizeof buf), 0);
    EXPECT_EQ(FromGbk(buf), u"离线档案\\盗窃案\\现场");
    EXPECT_EQ(Evd_QueryRelativeName(4242, buf, sizeof buf), 2002);
    EXPECT_EQ(Evd_QueryRelativeName(folderId, nullptr, 5), 2003);

    ASSERT_EQ(Evd_QueryPathRelativeName("c:\\velmora\\snapshot\\a.jpg", buf, sizeof buf), 0);
    EXPECT_EQ(FromGbk(buf), u"Korrin平台资源\\Snapshot\\a.jpg");
    EXPECT_EQ(Evd_QueryPathRelativeName("D:\\Nowhere\\a.jpg", buf, sizeof buf), 1);
    EXPECT_EQ(Evd_QueryPathRelativeName(nullptr, buf, sizeof buf), 2003);
    EXPECT_EQ(Evd_QueryPathRelativeName("C:\\x", buf, 0), 2003);
}

TEST_F(ExportsTest, LogicalNameWorksBeforeAnyInitialisation)
{
    char buf[256];
    ASSERT_EQ(Evd_QueryPathRelativeName("C:\\Velmora\\Record\\r.mp4", buf, sizeof buf), 0);
    EXPECT_EQ(FromGbk(buf), u"Korrin平台资源\\Record\\r.mp4");
    EXPECT_FALSE(std::filesystem::exists(box.Root() + "/drive_c/Users")) << "it opens nothing";
}

TEST_F(ExportsTest, AddPathToCaseClassifiesAndFilesOnce)
{
    MakeLibrary();
    struct Case
    {
        std::string name;
        int32_t kind;
        int32_t expectKind;
    } cases[] = {
        {"CLIP.MP4", -1, 2},  {"a.Mp4", -1, 2}, {"b.jpeg", -1, 4}, {"c.JPEG", -1, 4},
        {"notes.doc", -1, 8}, {"noext", -1, 8}, {"sub", -1, 1},    {"given.mp4", 8, 8},
    };
    for (auto& c : cases) {
        std::string host = folderHost + "/" + c.name;
        if (c.name == "sub")
            std::filesystem::create_directories(host);
        else
            Sandbox::WriteHostFile(host, "12345");
        std::string win = Gbk(u"D:\\Cases\\2015\\盗窃案\\现场\\" + Utf8ToUtf16(c.name));
        int32_t id = -1;
        ASSERT_EQ(Evd_AddPathToCase(win.c_str(), c.kind, folderId, &id), 0) << c.name;
        EXPECT_GT(id, 0);
        EVD_PATH_ITEM parent{};
        ASSERT_EQ(Evd_GetParentDir(id, &parent), 0);
        EXPECT_EQ(parent.id, folderId);
        EXPECT_EQ(QueryPath(id), "D:\\Cases\\2015\\盗窃案\\现场\\" + c.name);
    }
    // The kinds as stored.
    std::string tree;
    {
        FILE* p = popen((std::string(EVDHOST) + " tree").c_str(), "r");
        char line[512];
        while (p && fgets(line, sizeof line, p))
            tree += line;
        if (p)
            pclose(p);
    }
    for (auto& c : cases)
        EXPECT_NE(tree.find(c.name + "  [kind " + std::to_string(c.expectKind) + ","), std::string::npos)
            << c.name << "\n"
            << tree;

    std::string again = Gbk(u"D:\\Cases\\2015\\盗窃案\\现场\\CLIP.MP4");
    EXPECT_EQ(Evd_AddPathToCase(again.c_str(), -1, folderId, nullptr), 2005);
    // The folder part compares without regard to case.
    Sandbox::WriteHostFile(folderHost + "/late.mp4", "x");
    std::string otherCase = Gbk(u"d:\\CASES\\2015\\盗窃案\\现场\\late.mp4");
    EXPECT_EQ(Evd_AddPathToCase(otherCase.c_str(), -1, folderId, nullptr), 0);
}

TEST_F(ExportsTest, AddPathToCaseRejections)
{
    MakeLibrary();
    Sandbox::WriteHostFile(folderHost + "/x.mp4", "x");
    Sandbox::WriteHostFile(roots + "/elsewhere.mp4", "x");
    std::string inFolder = Gbk(u"D:\\Cases\\2015\\盗窃案\\现场\\x.mp4");
    int32_t id = 12345;
    struct Case
    {
        const char* path;
        int32_t kind, parent, rc;
    } cases[] = {
        {nullptr, -1, folderId, 2001},
        {"D:\\Cases\\missing.mp4", -1, folderId, 2001},
        {inFolder.c_str(), 3, folderId, 1},
        {inFolder.c_str(), 16, folderId, 1},
        {"D:\\Cases\\elsewhere.mp4", -1, folderId, 2004},
        {inFolder.c_str(), -1, 99999, 2004},
    };
    for (auto& c : cases)
        EXPECT_EQ(Evd_AddPathToCase(c.path, c.kind, c.parent, &id), c.rc) << (c.path ? c.path : "null");
    EXPECT_EQ(id, 12345) << "a failed add writes no id";
    EXPECT_EQ(Host("tree").find("x.mp4"), std::string::npos);
}

TEST_F(ExportsTest, HostPathsAreTakenInTheirWindowsForm)
{
    MakeLibrary();
    std::string host = folderHost + "/host.mp4";
    Sandbox::WriteHostFile(host, "abc");
    int32_t id = -1;
    ASSERT_EQ(Evd_AddPathToCase(Gbk(Utf8ToUtf16(host)).c_str(), -1, folderId, &id), 0);
    EXPECT_EQ(QueryPath(id), "D:\\Cases\\2015\\盗窃案\\现场\\host.mp4");
}

TEST_F(ExportsTest, DefaultAndParentDirectories)
{
    MakeLibrary();
    EVD_PATH_ITEM item{};
    item.kind = EVD_PATH_NODE;
    item.id = folderId;
    ASSERT_EQ(Evd_GetDefaultDir(&item), 0);
    EXPECT_EQ(item.kind, EVD_PATH_NODE);
    EXPECT_EQ(item.id, folderId);
    EXPECT_EQ(FromGbk(item.path), u"D:\\Cases\\2015\\盗窃案\\现场");
    EXPECT_EQ(item.isDir, 1);

    EVD_PATH_ITEM folder{};
    folder.kind = EVD_PATH_FOLDER;
    folder.id = -1;
    strcpy(folder.path, "C:\\Exports\\new\\deep");
    ASSERT_EQ(Evd_GetDefaultDir(&folder), 0);
    EXPECT_EQ(std::string(folder.path), "C:\\Exports\\new\\deep");
    EXPECT_TRUE(std::filesystem::is_directory(box.Root() + "/drive_c/Exports/new/deep"))
        << "the chain is made";

    EVD_PATH_ITEM none{};
    none.kind = EVD_PATH_FOLDER;
    ASSERT_EQ(Evd_GetDefaultDir(&none), 0);
    EXPECT_NE(FromGbk(none.path).find(u"VelEvidenceDesk\\files\\我的资源"), std::u16string::npos);
    EXPECT_EQ(Evd_GetDefaultDir(nullptr), 2003);

    EVD_PATH_ITEM parent{};
    ASSERT_EQ(Evd_GetParentDir(folderId, &parent), 0);
    EXPECT_EQ(parent.kind, EVD_PATH_NODE);
    EXPECT_EQ(parent.id, caseId);
    EXPECT_EQ(FromGbk(parent.path), u"D:\\Cases\\2015\\盗窃案");
    EXPECT_EQ(Evd_GetParentDir(777777, &parent), 2002);
    EXPECT_EQ(Evd_GetParentDir(folderId, nullptr), 2003);
}

TEST_F(ExportsTest, MessagesShowOnlyForCodesWithText)
{
    struct Case
    {
        int32_t code;
        std::string text;
    } cases[] = {{2003, ""},
                 {0, ""},
                 {1004, ""},
                 {1003, "[提示] 初始化档案库路径失败！\n"},
                 {2001, "[提示] 源文件不存在！\n"},
                 {2004, "[提示] 文件路径不匹配目录！\n"},
                 {-7, ""}};
    for (auto& c : cases) {
        ::testing::internal::CaptureStderr();
        Evd_ShowMsg(c.code);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.text) << c.code;
    }
}

TEST_F(ExportsTest, FiniTwiceIsHarmlessAndTheNextExportReopens)
{
    MakeLibrary();
    EXPECT_EQ(QueryPath(folderId), "D:\\Cases\\2015\\盗窃案\\现场");
    EXPECT_EQ(Evd_FiniLib(), 0);
    EXPECT_EQ(Evd_FiniLib(), 0);
    EXPECT_TRUE(std::filesystem::exists(box.Root() + "/drive_c/Users/" + getenv("USER") +
                                        "/Documents/VelMediaKit/VelEvidenceDesk/evd.db.bak"));
    EXPECT_EQ(QueryPath(folderId), "D:\\Cases\\2015\\盗窃案\\现场");
}

TEST_F(ExportsTest, DialogsEndCancelledUntilTheLibraryWindowsExist)
{
    EVD_OPEN_PARAM open{};
    EVD_PATH_ITEM items[2]{};
    EVD_OPEN_RESULT result{2, 0, items};
    EXPECT_EQ(Evd_ShowOpenFileDlg(&open, &result), 1004);
    EXPECT_EQ(result.count, 0);
    EVD_SAVE_PARAM save{};
    EVD_SAVE_RESULT saved{};
    EXPECT_EQ(Evd_ShowSaveFileDlg(&save, &saved), 1004);
}
