#include "StoreFixture.h"

#include "evidence/core/CEVDSyncDb.h"
#include "evidence/core/CSyncXml.h"
#include "evidence/core/EvdCaseFiles.h"
#include "evidence/core/EvdDataFolder.h"
#include "evidence/core/EvdSyncResult.h"
#include "evidence/core/EvdTransfer.h"
#include "evidence/skin/ZBXMLElement.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"

#include <thread>

using namespace vel;
using namespace vel::evd;
using vel::evd::test::StoreTest;

namespace {

EVD_SYNC_CONFIG Config(const std::u16string& src, const std::u16string& user = u"op",
                       const std::u16string& platform = u"P1")
{
    EVD_SYNC_CONFIG c;
    c.TYPE = 1;
    c.USER = user;
    c.PLATFORM = platform;
    c.SRC = src;
    c.DST = u"remote:" + src;
    return c;
}

std::vector<std::u16string> Srcs(const std::vector<EVD_SYNC_CONFIG>& v)
{
    std::vector<std::u16string> out;
    for (auto& c : v)
        out.push_back(c.SRC);
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST_F(StoreTest, SyncStoreOpensAndClosesWithTheLibraryStore)
{
    CEVDSyncDb& sync = CEVDSyncDb::Instance();
    EXPECT_TRUE(sync.IsOpen());
    db.Close();
    EXPECT_FALSE(sync.IsOpen());
    EXPECT_TRUE(fs::Exists(LibraryDataFolder() + u"\\evd_sync.db.bak"));
    ASSERT_TRUE(db.Open());
    EXPECT_TRUE(sync.IsOpen());
}

TEST_F(StoreTest, CoveringConfigurationsAreTheDirectoryAndBelowIt)
{
    CEVDSyncDb& sync = CEVDSyncDb::Instance();
    for (auto src : {u"D:\\Cases\\A", u"D:\\Cases\\A\\sub", u"D:\\Cases\\AB", u"D:\\Cases\\a\\deeper\\x",
                     u"D:\\Cases\\A_", u"D:\\Cases"}) {
        EVD_SYNC_CONFIG c = Config(src);
        ASSERT_TRUE(sync.AddConfig(c));
    }
    std::vector<EVD_SYNC_CONFIG> found;
    ASSERT_TRUE(sync.ConfigsCovering(u"D:\\Cases\\A", found));
    EXPECT_EQ(Srcs(found), (std::vector<std::u16string>{u"D:\\Cases\\A", u"D:\\Cases\\A\\sub",
                                                        u"D:\\Cases\\a\\deeper\\x"}))
        << "AB and A_ merely start with the same letters";
    found.clear();
    ASSERT_TRUE(sync.ConfigsCovering(u"D:\\Cases\\A_", found));
    EXPECT_EQ(Srcs(found), (std::vector<std::u16string>{u"D:\\Cases\\A_"}));

    EVD_SYNC_CONFIG one;
    ASSERT_TRUE(sync.ConfigOfPath(u"d:\\cases\\ab", one));
    EXPECT_EQ(one.SRC, u"D:\\Cases\\AB");
    EXPECT_FALSE(sync.ConfigOfPath(u"D:\\None", one));
    EXPECT_EQ(one.ID, -1);
    found.clear();
    ASSERT_TRUE(sync.ConfigsOfUser(u"op", u"p1", found));
    EXPECT_EQ(found.size(), 6u);
}

TEST_F(StoreTest, DeletingAConfigurationWithTheFlagRemovesItsInfoFirst)
{
    CEVDSyncDb& sync = CEVDSyncDb::Instance();
    EVD_SYNC_CONFIG a = Config(u"D:\\A"), b = Config(u"D:\\B");
    ASSERT_TRUE(sync.AddConfig(a));
    ASSERT_TRUE(sync.AddConfig(b));
    for (int file = 1; file <= 3; ++file) {
        EVD_SYNC_INFO ia{-1, a.ID, file, u"<SyncInfo id=\"a\"/>"}, ib{-1, b.ID, file, u"<SyncInfo/>"};
        ASSERT_TRUE(sync.AddSyncInfo(ia));
        ASSERT_TRUE(sync.AddSyncInfo(ib));
    }
    ASSERT_TRUE(sync.DeleteConfig(a.ID, true));
    EVD_SYNC_CONFIG got;
    EXPECT_FALSE(sync.GetConfig(a.ID, got));
    EXPECT_EQ(sync.Scalar(u"SELECT COUNT(*) FROM SyncInfo WHERE CFGID = ?", {int64_t(a.ID)}), 0);
    EXPECT_EQ(sync.Scalar(u"SELECT COUNT(*) FROM SyncInfo WHERE CFGID = ?", {int64_t(b.ID)}), 3);
    ASSERT_TRUE(sync.DeleteConfig(b.ID, false));
    EXPECT_EQ(sync.Scalar(u"SELECT COUNT(*) FROM SyncInfo"), 3) << "without the flag the rows stay";

    EVD_SYNC_INFO info;
    ASSERT_TRUE(sync.GetSyncInfo(b.ID, 2, info));
    ASSERT_TRUE(sync.UpdateSyncInfo(info.ID, u"<SyncInfo err=\"it's\"/>"));
    ASSERT_TRUE(sync.GetSyncInfo(b.ID, 2, info));
    EXPECT_EQ(info.XML, u"<SyncInfo err=\"it's\"/>");
    EXPECT_FALSE(sync.GetSyncInfo(b.ID, 99, info));

    EVD_SYNC_CONFIG c = Config(u"D:\\C");
    ASSERT_TRUE(sync.AddConfig(c));
    c.PLATFORM = u"P2";
    c.SRC = u"D:\\C2";
    ASSERT_TRUE(sync.UpdateConfig(c));
    ASSERT_TRUE(sync.GetConfig(c.ID, got));
    EXPECT_EQ(got.PLATFORM, u"P2");
    EXPECT_EQ(got.SRC, u"D:\\C2");
    c.ID = 0;
    EXPECT_FALSE(sync.UpdateConfig(c));
}

TEST(SyncResultText, EveryGroupInOrder)
{
    struct Case
    {
        int32_t code;
        std::u16string text;
    } cases[] = {
        {0, u"执行成功!"},
        {-1, u"执行失败!"},
        {1001, u"内存不足!"},
        {1004, u"拒绝防问!"},
        {1023, u"用户取消操作!"},
        {1024, u"没有找到关联的应用程序!"},
        {1025, u"未知错误"},
        {1000, u"未知错误"},
        {0x1000001, u"未知错误"},
        {0x1000002, u"打开Internet失败!"},
        {0x100000d, u"连接档案工作站失败！"},
        {0x100000e, u"连接档案工作站失败，不允许一个用户使用一个以上用户名与档案工作站连接。关闭档案工作站的"
                    u"所有资源，重新登录！"},
        {0x100000f, u"未知错误"},
        {0x1000064, u"获取请求中的参数异常！"},
        {0x1000075, u"资源不存在，操作失败！"},
        {0x1000096, u"文件ID已存在，请重新设置ID值！"},
        {0x100009d, u"文件上传中出现异常！"},
        {0x10000c8, u"无更多可用授权存储空间！"},
        {0x10000ce, u"nvr错误需查看错误码"},
        {0x10000fa, u"没有相关用户信息！"},
        {0x10000fe, u"token值错误！"},
        {0x2000001, u"没有找到匹配的解码库!"},
        {0x200000e, u"视频格式不支持在线播放！"},
        {0x200000f, u"未知错误"},
        {0x3000001, u"选择文件失败!"},
        {0x3000002, u"打开文件选择对话!"},
        {0x4000001, u"执行失败!"},
        {INT32_MIN, u"未知错误"},
    };
    for (auto& c : cases)
        EXPECT_EQ(Utf16ToUtf8(SyncResultText(c.code)), Utf16ToUtf8(c.text)) << std::hex << c.code;
}

TEST(TransferRecord, StopFreesTheHandleOnceAndWakesWaiters)
{
    size_t before = NetBridgeKit_LiveTaskHandles();
    NBK_TASK_HANDLE h = NetBridgeKit_CreateTaskHandle();
    EVD_TRANSFER_RECORD record(h);
    std::thread waiter([&] { EXPECT_TRUE(record.Wait(5000)); });
    std::thread a([&] { record.Stop(); });
    std::thread b([&] { record.Stop(); });
    a.join();
    b.join();
    waiter.join();
    EXPECT_TRUE(record.StopRequested());
    EXPECT_TRUE(record.Freed());
    EXPECT_EQ(record.Handle(), 0u);
    EXPECT_EQ(record.Result(), 1023);
    EXPECT_EQ(SyncResultText(record.Result()), std::u16string(u"用户取消操作!"));
    EXPECT_FALSE(NetBridgeKit_IsTaskHandleLive(h));
    EXPECT_EQ(NetBridgeKit_LiveTaskHandles(), before);

    EVD_TRANSFER_RECORD none;
    none.Stop();
    EXPECT_FALSE(none.Freed()) << "no handle, nothing to free";
}

TEST_F(StoreTest, SyncDocumentEntriesByIdAndByName)
{
    std::u16string path = SyncDescriptionPath(u"D:\\Cases\\c", u"", 7);
    EXPECT_EQ(path, u"D:\\Cases\\c\\.evd\\Sync_7.xml");
    CSyncXml doc;
    ASSERT_TRUE(doc.Load(path)) << "a missing file starts empty";
    EVD_SYNC_ENTRY e;
    e.srcCurName = u"a.mp4";
    e.id = u"P-1";
    e.status = 3;
    e.err = u"<quoted> & \"odd\"";
    e.lastSync.fileSize = int64_t(5) << 32;
    e.lastSync.md5 = u"abc";
    e.markLast.fileId = u"M1";
    ASSERT_TRUE(doc.WriteEntry(e));
    EXPECT_TRUE(fs::Exists(path));
    EXPECT_TRUE(fs::GetAttributes(path) & fs::kAttrHidden);

    // The same platform id under a new local name updates in place.
    e.srcCurName = u"renamed.mp4";
    e.status = 1;
    ASSERT_TRUE(doc.WriteEntry(e));
    EVD_SYNC_ENTRY other;
    other.srcCurName = u"b.jpg";
    other.id = u"P-2";
    ASSERT_TRUE(doc.WriteEntry(other));

    CSyncXml again;
    ASSERT_TRUE(again.Load(path));
    ASSERT_EQ(again.Document()->GetChildren().size(), 2u);
    EVD_SYNC_ENTRY read;
    EXPECT_FALSE(again.ReadEntry(u"a.mp4", read));
    ASSERT_TRUE(again.ReadEntry(u"RENAMED.MP4", read));
    EXPECT_EQ(read.id, u"P-1");
    EXPECT_EQ(read.status, 1);
    EXPECT_EQ(read.err, u"<quoted> & \"odd\"");
    EXPECT_EQ(read.lastSync.fileSize, int64_t(5) << 32);
    EXPECT_EQ(read.markLast.fileId, u"M1");
    EXPECT_NE(again.FindById(u"P-1")->FindChild(u"ProtoPic"), nullptr);
    EXPECT_EQ(again.FindByName(u""), nullptr);

    std::u16string text = CSyncXml::EntryText(read);
    auto alone = ZBXMLElement::ParseText(text);
    ASSERT_NE(alone, nullptr);
    EVD_SYNC_ENTRY back;
    ASSERT_TRUE(CSyncXml::ReadEntry(alone.get(), back));
    EXPECT_EQ(back.srcCurName, u"renamed.mp4");
}

TEST_F(StoreTest, UnreadableSyncDocumentStartsEmptyAndIsOnlyReplacedOnSave)
{
    std::u16string path = u"D:\\c\\.evd\\Sync_1.xml";
    ASSERT_EQ(fs::CreateDirectoryChain(u"D:\\c\\.evd"), 0u);
    ASSERT_TRUE(fs::WriteFile(path, "<Sync><SyncInfo id='x'"));
    CSyncXml doc;
    ASSERT_TRUE(doc.Load(path));
    EXPECT_TRUE(doc.Document()->GetChildren().empty());
    EXPECT_EQ(*fs::ReadFile(path), "<Sync><SyncInfo id='x'") << "loading never writes";
}
