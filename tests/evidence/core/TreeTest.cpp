#include "StoreFixture.h"

#include "evidence/core/EvdDataFolder.h"
#include "evidence/core/EvdFileKinds.h"
#include "evidence/core/EvdTree.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"

using namespace vel;
using namespace vel::evd;
using vel::evd::test::StoreTest;

namespace {

// Gives drives C: and D: fixed free space (in MB).
void SetFreeMb(uint64_t c, uint64_t d)
{
    fs::SetFreeSpaceProvider([=](std::u16string_view root) -> std::optional<uint64_t> {
        if (root == u"C:\\")
            return c << 20;
        if (root == u"D:\\")
            return d << 20;
        return std::nullopt;
    });
}

} // namespace

TEST_F(StoreTest, NodePathsFollowTheRootAndTheChain)
{
    int32_t root = AddRoot(u"D:\\Cases");
    int32_t c = AddCase(u"盗窃案", u"2015-03-01 10:00:00.000");
    int32_t f = AddFolder(c, u"现场");
    int32_t v = AddFile(f, u"clip.mp4");
    int32_t year = Node(c).PARENTID;
    struct Case
    {
        int32_t id;
        bool current;
        std::u16string path;
    } cases[] = {
        {v, false, u"D:\\Cases\\2015\\盗窃案\\现场\\clip.mp4"},
        {v, true, u"D:\\Cases\\2015\\盗窃案\\现场\\clip.mp4"},
        {f, false, u"D:\\Cases\\2015\\盗窃案\\现场"},
        {c, false, u"D:\\Cases\\2015\\盗窃案"},
        {year, false, u"D:\\Cases\\2015"},
        {9999, false, u""},
    };
    for (auto& k : cases)
        EXPECT_EQ(Utf16ToUtf8(NodePath(k.id, k.current, true)), Utf16ToUtf8(k.path)) << k.id;

    // A file resolves against its own root, or the current one on request.
    int32_t other = AddRoot(u"E:\\Other");
    db.SetSetting(kSecTotal, kKeyCurPath, ToString16(other), false, true);
    EXPECT_EQ(NodePath(v, false, true), u"D:\\Cases\\2015\\盗窃案\\现场\\clip.mp4");
    EXPECT_EQ(NodePath(v, true, true), u"E:\\Other\\2015\\盗窃案\\现场\\clip.mp4");
    // A root whose history entry was deleted gives no path.
    ASSERT_TRUE(db.DeleteHistory(root, true));
    EXPECT_EQ(NodePath(v, false, true), u"");
}

TEST_F(StoreTest, FilesInsideMyResourcesIgnoreTheirLibraryRoot)
{
    AddRoot(u"D:\\Cases");
    int32_t my = db.MyResourcesRoot().ID;
    int32_t f = AddFolder(my, u"sub");
    int32_t p = AddFile(f, u"a.jpg", kKindPicture);
    EVD_FILE_INFO n = Node(p);
    n.LIBPATHID = 77; // whatever it says
    ASSERT_TRUE(db.UpdateNode(n, nullptr, true));
    EXPECT_EQ(NodePath(p, false, true), DefaultDirectory() + u"\\sub\\a.jpg");
    EXPECT_EQ(NodePath(p, true, true), DefaultDirectory() + u"\\sub\\a.jpg");
    EXPECT_EQ(NodePath(my, false, true), DefaultDirectory());
    EXPECT_EQ(AllDiskPaths(f), std::vector<std::u16string>{DefaultDirectory() + u"\\sub"});
}

TEST_F(StoreTest, FolderPathMovesToARootWithRoomAndMakesItCurrent)
{
    int32_t small = AddRoot(u"C:\\Small"); // current, 500 MB free
    int32_t large = AddRoot(u"D:\\Large"); // 5 GB free
    SetFreeMb(500, 5000);
    int32_t c = AddCase(u"c");
    int32_t rootId = -1;
    EXPECT_EQ(FolderPath(c, -1, rootId, true), u"D:\\Large\\2015\\c");
    EXPECT_EQ(rootId, large);
    EXPECT_EQ(db.GetSettingInt(kSecTotal, kKeyCurPath, true), large);

    // With no reserve the current root is used whatever its space.
    db.SetSetting(kSecTotal, kKeyCurPath, ToString16(small), false, true);
    rootId = -1;
    EXPECT_EQ(FolderPath(c, 0, rootId, true), u"C:\\Small\\2015\\c");
    // No root with room: no path, and the current root stays.
    SetFreeMb(10, 10);
    rootId = -1;
    EXPECT_EQ(FolderPath(c, 100, rootId, true), u"");
    EXPECT_EQ(db.GetSettingInt(kSecTotal, kKeyCurPath, true), small);
    // An unreadable drive counts as full.
    fs::SetFreeSpaceProvider([](std::u16string_view) { return std::nullopt; });
    rootId = -1;
    EXPECT_EQ(CurrentLibraryRoot(1, rootId), u"");
    EXPECT_EQ(FolderPath(AddFile(c, u"x.mp4"), 0, rootId, true), u"") << "a file has no folder path";
}

TEST_F(StoreTest, AllDiskPathsListEveryRootForCases)
{
    AddRoot(u"D:\\A");
    AddRoot(u"E:\\B");
    int32_t c = AddCase(u"c");
    int32_t v = AddFile(c, u"v.mp4");
    EXPECT_EQ(AllDiskPaths(c), (std::vector<std::u16string>{u"D:\\A\\2015\\c", u"E:\\B\\2015\\c"}));
    EXPECT_EQ(AllDiskPaths(v), (std::vector<std::u16string>{u"D:\\A\\2015\\c\\v.mp4"}));
    EXPECT_TRUE(AllDiskPaths(12345).empty());
}

TEST_F(StoreTest, RelativeNameStartsAtTheCase)
{
    AddRoot(u"D:\\Cases");
    int32_t c = AddCase(u"案件", u"2015-01-01 00:00:00.000");
    int32_t f = AddFolder(c, u"f");
    int32_t v = AddFile(f, u"v.mp4");
    EXPECT_EQ(RelativeName(v), u"离线档案\\案件\\f\\v.mp4");
    EXPECT_EQ(RelativeName(c), u"离线档案\\案件");
    EXPECT_EQ(RelativeName(v).find(u"2015"), std::u16string::npos);
    EXPECT_EQ(RelativeName(4242), u"");
}

TEST(PathStartsWith, NormalisesSeparatorsBlanksAndCase)
{
    struct Case
    {
        std::u16string prefix, path;
        bool match;
        std::u16string rest;
    } cases[] = {
        {u"C:\\Velmora\\Clip", u"c:/velmora//clip/a.mp4", true, u"\\a.mp4"},
        {u"  C:\\A\\ ", u"C:\\A\\b", true, u"b"},
        {u"C:\\A", u"C:\\A", true, u""},
        {u"C:\\Clip", u"C:\\Clipboard\\x", true, u"board\\x"},
        {u"C:\\A\\B", u"C:\\A", false, u""},
        {u"", u"C:\\A", false, u""},
        {u"D:\\A", u"C:\\A\\x", false, u""},
        {u"\\\\nas\\pub", u"\\\\NAS\\PUB\\case", true, u"\\case"},
    };
    for (auto& c : cases) {
        std::u16string rest = u"unchanged";
        EXPECT_EQ(PathStartsWith(c.prefix, c.path, &rest), c.match)
            << Utf16ToUtf8(c.prefix + u" | " + c.path);
        if (c.match)
            EXPECT_EQ(rest, c.rest) << Utf16ToUtf8(c.path);
    }
}

TEST_F(StoreTest, LogicalNamesAndAreasOfDiskPaths)
{
    db.AddHistory(kSecLocal, kKeyLocalDir, u"D:\\Evidence\\本地\\", true);
    db.SetSetting(kSecNas, kKeyPublic, u"\\\\nas\\public", false, true);
    db.SetSetting(kSecNas, kKeyPerson, u"\\\\nas\\person", false, true);
    const std::u16string my = DefaultDirectory();
    struct Case
    {
        std::u16string path;
        std::u16string name;
        int32_t group, item;
    } cases[] = {
        {my + u"\\a\\b.jpg", u"本地资料\\我的资源\\a\\b.jpg", 0, 0},
        {u"D:\\Evidence\\本地\\x.mp4", u"本地资料\\本地\\x.mp4", 0, 1},
        {u"\\\\nas\\public\\case1", u"公共档案\\case1", 1, 2},
        {u"\\\\NAS\\person\\c", u"个人档案\\c", 1, 3},
        {u"C:\\Velmora\\Snapshot\\1.jpg", u"Korrin平台资源\\Snapshot\\1.jpg", 2, 5},
        {u"c:/velmora/record/r.mp4", u"Korrin平台资源\\Record\\r.mp4", 2, 6},
        {u"C:\\Velmora\\Clip\\c.mp4", u"Korrin平台资源\\Clip\\c.mp4", 2, 7},
        {u"C:\\Velmora\\Clip", u"Korrin平台资源\\Clip\\", 2, 7},
        {u"C:\\Elsewhere\\x", u"", -1, -1},
        {u"\\\\other\\share\\x", u"", -1, -1},
    };
    for (auto& c : cases) {
        EXPECT_EQ(Utf16ToUtf8(LogicalName(c.path)), Utf16ToUtf8(c.name)) << Utf16ToUtf8(c.path);
        int32_t g = -1, i = -1;
        EXPECT_EQ(AreaOfPath(c.path, g, i), c.group >= 0);
        EXPECT_EQ(g, c.group) << Utf16ToUtf8(c.path);
        EXPECT_EQ(i, c.item) << Utf16ToUtf8(c.path);
    }
}

TEST_F(StoreTest, LogicalNameNeedsNoOpenStore)
{
    db.Close();
    EXPECT_EQ(LogicalName(u"C:\\Velmora\\Clip\\c.mp4"), u"Korrin平台资源\\Clip\\c.mp4");
    EXPECT_EQ(LogicalName(DefaultDirectory() + u"\\x"), u"本地资料\\我的资源\\x");
    EXPECT_EQ(LogicalName(u"\\\\nas\\public\\x"), u"") << "settings that cannot be read count as empty";
    ASSERT_TRUE(db.Open());
}

TEST_F(StoreTest, UniqueNamesNumberAfterTheSuffix)
{
    AddRoot(u"D:\\Cases");
    int32_t c = AddCase(u"新建档案");
    AddCase(u"新建档案(1)");
    EXPECT_EQ(UniqueCaseName(-1, u""), u"新建档案(2)");
    EXPECT_EQ(UniqueCaseName(-1, u"fresh"), u"fresh");

    AddFolder(c, u"新建文件夹");
    AddFolder(c, u"新建文件夹(1)");
    EXPECT_EQ(UniqueFolderName(c, u""), u"新建文件夹(2)");
    AddFolder(c, u"f - 副本");
    AddFolder(c, u"f");
    EXPECT_EQ(UniqueFolderName(c, u"f", u" - 副本"), u"f - 副本(1)");
    EXPECT_EQ(UniqueFolderName(c, u"g", u" - 副本"), u"g");

    // File names must also be free on disk, and numbers go before the extension.
    std::u16string dir = NodePath(c, false, true);
    ASSERT_EQ(fs::CreateDirectoryChain(dir), 0u);
    ASSERT_TRUE(fs::WriteFile(dir + u"\\clip.mp4", "on disk only"));
    EXPECT_EQ(UniqueFileName(c, u"clip.mp4"), u"clip(1).mp4");
    AddFile(c, u"clip(1).mp4");
    EXPECT_EQ(UniqueFileName(c, u"clip.mp4"), u"clip(2).mp4");
    EXPECT_EQ(UniqueFileName(c, u"clip.mp4", u"_copy"), u"clip_copy.mp4");
    EXPECT_EQ(UniqueFileName(c, u"noext"), u"noext");
    EXPECT_EQ(UniqueFileName(9999, u"x.mp4"), u"") << "no folder, no name";
}

TEST_F(StoreTest, WorkCaseComesFromTheSettings)
{
    AddRoot(u"D:\\Cases");
    std::u16string dir;
    int32_t id = 5;
    ASSERT_TRUE(WorkCase(dir, id));
    EXPECT_EQ(dir, DefaultDirectory());
    EXPECT_EQ(id, -1);

    int32_t c = AddCase(u"work");
    db.SetSetting(kSecEvd, kKeyWorkCase, ToString16(c), false, true);
    ASSERT_TRUE(WorkCase(dir, id));
    EXPECT_EQ(dir, u"D:\\Cases\\2015\\work");
    EXPECT_EQ(id, c);

    db.SetSetting(kSecEvd, kKeyWorkCase, u"4711", false, true); // a deleted case
    ASSERT_TRUE(WorkCase(dir, id));
    EXPECT_EQ(id, -1);

    db.SetSetting(kSecEvd, kKeyWorkCaseSet, u"net", false, true);
    EXPECT_FALSE(WorkCase(dir, id)) << "no NAS share is configured";
}

TEST(FileKinds, ExtensionsDecideTheKind)
{
    struct Case
    {
        std::u16string path;
        int32_t kind;
    } cases[] = {
        {u"C:\\x\\CLIP.MP4", kKindVideo}, {u"a.h3crd", kKindVideo},  {u"b.SVAC", kKindVideo},
        {u"a.jpeg", kKindPicture},        {u"A.JPEG", kKindPicture}, {u"x.tiff", kKindPicture},
        {u"noext", kKindOther},           {u"x.doc", kKindOther},    {u"C:\\dir.mp4\\file", kKindOther},
        {u"archive.mp4.zip", kKindOther}, {u".mp4", kKindVideo},     {u"x.", kKindOther},
    };
    for (auto& c : cases)
        EXPECT_EQ(KindOfExtension(c.path), c.kind) << Utf16ToUtf8(c.path);
}
