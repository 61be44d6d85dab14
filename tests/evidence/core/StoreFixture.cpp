#include "StoreFixture.h"

#include "platform/fs/FileSystem.h"

namespace vel::evd::test {

void StoreTest::SetUp()
{
    ASSERT_TRUE(db.Open());
}

void StoreTest::TearDown()
{
    db.Close();
    fs::SetFreeSpaceProvider({});
    box.reset();
}

int32_t StoreTest::AddRoot(const std::u16string& dir)
{
    EXPECT_TRUE(db.AddHistory(kSecTotal, kKeyCasePath, dir, true));
    std::vector<EVD_CFG_HISTORY> roots;
    db.ListHistory(kSecTotal, kKeyCasePath, roots, true);
    int32_t id = roots.back().ID;
    if (db.GetSettingInt(kSecTotal, kKeyCurPath, true) < 1)
        db.SetSetting(kSecTotal, kKeyCurPath, ToString16(id), false, true);
    return id;
}

int32_t StoreTest::AddCase(const std::u16string& name, const std::u16string& createTime)
{
    EVD_FILE_INFO c;
    c.NAME = name;
    c.EVDFILETYPE = kKindCase;
    c.CREATETIME = createTime;
    EXPECT_TRUE(db.AddNode(c, nullptr, true));
    return c.ID;
}

int32_t StoreTest::AddFolder(int32_t parent, const std::u16string& name)
{
    EVD_FILE_INFO f;
    f.NAME = name;
    f.PARENTID = parent;
    f.EVDFILETYPE = kKindFolder;
    EXPECT_TRUE(db.AddNode(f, nullptr, true));
    return f.ID;
}

int32_t StoreTest::AddFile(int32_t parent, const std::u16string& name, int32_t kind)
{
    EVD_FILE_INFO f;
    f.NAME = name;
    f.PARENTID = parent;
    f.EVDFILETYPE = kind;
    std::u16string error;
    EXPECT_TRUE(db.AddNode(f, &error, true)) << Utf16ToUtf8(error);
    return f.ID;
}

EVD_FILE_INFO StoreTest::Node(int32_t id)
{
    EVD_FILE_INFO n;
    EXPECT_TRUE(db.GetNode(id, n, true)) << id;
    return n;
}

} // namespace vel::evd::test
