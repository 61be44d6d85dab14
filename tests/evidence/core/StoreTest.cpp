#include "StoreFixture.h"

#include "evidence/core/EvdDataFolder.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"

#include <cstring>
#include <sqlite3.h>

using namespace vel;
using namespace vel::evd;
using vel::evd::test::StoreTest;

namespace {

std::vector<std::string> UserSchema(const std::string& hostDb)
{
    sqlite3* raw = nullptr;
    std::vector<std::string> out;
    if (sqlite3_open_v2(hostDb.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(raw, "SELECT sql FROM sqlite_master WHERE name NOT LIKE 'sqlite_%' ORDER BY rowid",
                           -1, &st, nullptr);
        while (st && sqlite3_step(st) == SQLITE_ROW)
            out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(raw);
    return out;
}

// What SQLite keeps of a CREATE statement: the first two keywords in upper
// case and IF NOT EXISTS removed.
std::string Stored(const std::u16string& statement)
{
    std::string s = Utf16ToUtf8(statement);
    for (const char* prefix : {"Create Table if not exists ", "create index "}) {
        if (s.rfind(prefix, 0) == 0)
            return (s[0] == 'C' ? "CREATE TABLE " : "CREATE INDEX ") + s.substr(strlen(prefix));
    }
    return s;
}

int TotalChanges(CEVDSqliteDb& db)
{
    return int(db.Scalar(u"SELECT total_changes()"));
}

} // namespace

TEST_F(StoreTest, SchemaHoldsExactlyTheSixStatements)
{
    db.Close();
    ASSERT_TRUE(db.Open()); // a second open must not add or alter anything
    auto schema = UserSchema(fs::ToHost(StorePath()));
    std::vector<std::u16string> statements;
    for (auto& step : CEVDSqliteDb::Schema())
        statements.push_back(step.statement);
    ASSERT_EQ(schema.size(), statements.size());
    for (size_t i = 0; i < statements.size(); ++i) {
        std::string want = Stored(statements[i]);
        while (!want.empty() && want.back() == ' ')
            want.pop_back();
        std::string got = schema[i];
        while (!got.empty() && got.back() == ' ')
            got.pop_back();
        EXPECT_EQ(got, want) << "statement " << i + 1;
    }
}

TEST_F(StoreTest, OldDatabaseGetsTheMissingColumnsAndKeepsItsRows)
{
    db.Close();
    std::u16string path = u"C:\\old\\evd.db";
    ASSERT_EQ(fs::CreateDirectoryChain(u"C:\\old"), 0u);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(fs::ToHost(path).c_str(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(
                  raw,
                  "Create Table FileInfo (ID integer PRIMARY KEY AutoIncrement, PARENTID integer, NAME "
                  "VARCHAR(1024) COLLATE NOCASE,CREATETIME char(32),MODIFYTIME char(32), EVDFILETYPE "
                  "integer, CASEURL VARCHAR(8096), FILESIZE long long int, LIBPATHID integer, SHOWPRIORITY "
                  "int, SRCPATH VARCHAR(1024));"
                  "INSERT INTO FileInfo VALUES(NULL, 0, 'old case', '2014-01-01 00:00:00.000', "
                  "'2014-01-01 00:00:00.000', 16, '', 0, -1, 100, '');",
                  nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(raw);

    ASSERT_TRUE(db.Open(path));
    int64_t nulls = db.Scalar(u"SELECT COUNT(*) FROM FileInfo WHERE NAME = 'old case' AND LEVEL IS NULL AND "
                              u"PARENTTREE IS NULL");
    EXPECT_EQ(nulls, 1);
    EVD_FILE_INFO old;
    ASSERT_TRUE(db.FindChildByName(0, u"OLD CASE", old, true));
    EXPECT_EQ(old.LEVEL, -1) << "a NULL level reads as unknown";
    EXPECT_EQ(old.PARENTTREE, u"");
    // New rows use the added columns.
    int32_t folder = AddFolder(old.ID, u"f");
    EXPECT_EQ(Node(folder).PARENTTREE, u"(" + ToString16(old.ID) + u")");
}

TEST_F(StoreTest, OpenMakesTheMyResourcesRootOnceAndCloseMakesABackup)
{
    const EVD_FILE_INFO root = db.MyResourcesRoot();
    ASSERT_GT(root.ID, 0);
    EXPECT_EQ(root.NAME, u"我的资源");
    EXPECT_EQ(root.EVDFILETYPE, kKindCase);
    EXPECT_EQ(root.SHOWPRIORITY, kPriorityMyResources);
    EXPECT_EQ(root.PARENTID, 0);
    EXPECT_TRUE(fs::IsDirectory(DefaultDirectory()));
    db.Close();
    EXPECT_TRUE(fs::Exists(StorePath() + u".bak"));
    ASSERT_TRUE(db.Open());
    EXPECT_EQ(db.MyResourcesRoot().ID, root.ID);
    EVD_SEARCH_FILTER f;
    f.priorityIs = kPriorityMyResources;
    EXPECT_EQ(db.CountNodes(f, true), 1);
}

TEST_F(StoreTest, AddingIsIdempotentByNameIgnoringCase)
{
    int32_t c = AddCase(u"Case A");
    int32_t f1 = AddFolder(c, u"Scene");
    int32_t f2 = AddFolder(c, u"SCENE");
    EXPECT_EQ(f1, f2);
    EVD_SEARCH_FILTER all;
    all.parentId = c;
    EXPECT_EQ(db.CountNodes(all, true), 1);
}

TEST_F(StoreTest, CaseIsFiledUnderItsYearGroupCreatedOnce)
{
    int32_t a = AddCase(u"a", u"2015-03-01 10:00:00.000");
    int32_t b = AddCase(u"b", u"2015-11-30 23:59:59.999");
    EVD_FILE_INFO ca = Node(a), cb = Node(b);
    EXPECT_EQ(ca.PARENTID, cb.PARENTID);
    EVD_FILE_INFO year = Node(ca.PARENTID);
    EXPECT_EQ(year.NAME, u"2015");
    EXPECT_EQ(year.EVDFILETYPE, kKindYear);
    EXPECT_EQ(year.LEVEL, 0);
    EXPECT_EQ(year.PARENTID, 0);
    EXPECT_EQ(year.PARENTTREE, u"");
    EXPECT_EQ(year.SHOWPRIORITY, kPriorityYear);
    EXPECT_EQ(ca.LEVEL, 1);
    EXPECT_EQ(ca.PARENTTREE, u"(" + ToString16(year.ID) + u")");
    EXPECT_EQ(ca.SHOWPRIORITY, kPriorityCase);

    int32_t f = AddFolder(a, u"f");
    int32_t g = AddFolder(f, u"g");
    EXPECT_EQ(Node(g).PARENTTREE, Format16(u"(%d)(%d)(%d)", year.ID, a, f));
    EXPECT_EQ(Node(g).LEVEL, 3);
    EXPECT_EQ(Node(g).SHOWPRIORITY, kPriorityFolder);
    EXPECT_EQ(Node(g).LIBPATHID, -1);

    EXPECT_EQ(db.YearGroup(u"201", true), -1);
    EXPECT_EQ(db.YearGroup(u"2015", true), year.ID);
}

TEST_F(StoreTest, FileNodesTakeTheirLibraryRoot)
{
    int32_t c = AddCase(u"c");
    EVD_FILE_INFO file;
    file.NAME = u"x.mp4";
    file.PARENTID = c;
    file.EVDFILETYPE = kKindVideo;
    std::u16string error;
    EXPECT_FALSE(db.AddNode(file, &error, true)) << "no current library root";
    EXPECT_EQ(error, u"保存配置失败！");

    int32_t root = AddRoot(u"D:\\Cases");
    int32_t v = AddFile(c, u"x.mp4");
    EXPECT_EQ(Node(v).LIBPATHID, root);
    EXPECT_EQ(Node(v).SHOWPRIORITY, kPriorityFile);

    int32_t mine = AddFile(db.MyResourcesRoot().ID, u"mine.jpg", kKindPicture);
    EXPECT_EQ(Node(mine).LIBPATHID, 0) << "inside my resources the files directory is the root";
}

TEST_F(StoreTest, AddNodeTakesSizeAndTimesFromTheSourceFile)
{
    AddRoot(u"D:\\Cases");
    ASSERT_TRUE(fs::WriteFile(u"C:\\src.mp4", std::string(1234, 'v')));
    auto old = WallClock::now() - std::chrono::hours(24 * 400);
    ASSERT_TRUE(fs::SetLastWriteTime(u"C:\\src.mp4", old));
    EVD_FILE_INFO f;
    f.NAME = u"src.mp4";
    f.PARENTID = AddCase(u"c");
    f.EVDFILETYPE = kKindVideo;
    f.SRCPATH = u"C:\\src.mp4";
    ASSERT_TRUE(db.AddNode(f, nullptr, true));
    EVD_FILE_INFO n = Node(f.ID);
    EXPECT_EQ(n.FILESIZE, 1234);
    EXPECT_EQ(n.MODIFYTIME, LocalTimestamp16(old));
    EXPECT_EQ(n.SRCPATH, u"C:\\src.mp4");
    EXPECT_LT(n.MODIFYTIME, n.CREATETIME);
}

TEST_F(StoreTest, KeywordsBecomeOneLikeConditionPerWord)
{
    struct Case
    {
        std::u16string keywords;
        size_t likes;
    } cases[] = {{u"a b", 2}, {u"   a    b   ", 2}, {u"a", 1}, {u"   ", 0}, {u"", 0}, {u"a\tb", 1}};
    for (auto& c : cases) {
        EVD_SEARCH_FILTER f;
        f.keywords = c.keywords;
        std::u16string sql;
        SqlParams params;
        db.BuildCondition(f, sql, params);
        size_t likes = 0;
        for (size_t pos = 0; (pos = sql.find(u"LIKE", pos)) != std::u16string::npos; ++pos)
            ++likes;
        EXPECT_EQ(likes, c.likes) << Utf16ToUtf8(c.keywords) << " -> " << Utf16ToUtf8(sql);
        EXPECT_EQ(params.size(), c.likes);
    }
}

TEST_F(StoreTest, ConditionsJoinInOrderWithPagingAndSorting)
{
    EVD_SEARCH_FILTER f;
    f.parentId = 7;
    f.createFrom = u"2015";
    f.kind = kKindVideo;
    f.priorityIs = 80;
    f.priorityFrom = 10; // ignored while priorityIs is set
    f.order[0] = {u"NAME", true};
    f.order[1] = {u"MODIFYTIME", false};
    f.pageIndex = 2;
    f.pageSize = 50;
    std::u16string sql;
    SqlParams params;
    db.BuildCondition(f, sql, params);
    EXPECT_EQ(Utf16ToUtf8(sql), " WHERE  f.PARENTID = ? AND  f.CREATETIME >= ? AND  f.EVDFILETYPE = ? AND  "
                                "f.SHOWPRIORITY = ? ORDER BY f.NAME ASC, f.MODIFYTIME DESC LIMIT 100,50");
    EXPECT_EQ(params.size(), 4u);

    EVD_SEARCH_FILTER bad;
    bad.order[0] = {u"NAME; DROP TABLE FileInfo", true};
    sql.clear();
    db.BuildCondition(bad, sql, params);
    EXPECT_EQ(sql, u"") << "an unknown sort column is left out, never put into SQL";
}

TEST_F(StoreTest, SubtreeQueryDoesNotMatchSiblingsWithTheSamePrefix)
{
    // Node 1 and node 12 are siblings: the tree text of 12's children
    // starts with "(1", but they are not inside node 1.
    ASSERT_TRUE(db.Execute(u"DELETE FROM FileInfo"));
    auto insert = [&](int id, int parent, const char16_t* name, const char16_t* tree) {
        ASSERT_TRUE(db.Execute(u"INSERT INTO FileInfo (ID, PARENTID, NAME, EVDFILETYPE, SHOWPRIORITY, LEVEL, "
                               u"PARENTTREE) VALUES (?, ?, ?, 1, 90, 0, ?)",
                               {int64_t(id), int64_t(parent), std::u16string(name), std::u16string(tree)}));
    };
    insert(1, 0, u"one", u"");
    insert(12, 0, u"twelve", u"");
    insert(20, 1, u"in-one", u"(1)");
    insert(21, 20, u"deep-in-one", u"(1)(20)");
    insert(30, 12, u"in-twelve", u"(12)");
    insert(31, 30, u"deep-in-twelve", u"(12)(30)");
    EVD_SEARCH_FILTER f;
    f.subtreeOf = 1;
    std::vector<EVD_FILE_INFO> nodes;
    ASSERT_TRUE(db.QueryNodes(f, nodes, true));
    std::vector<int32_t> ids;
    for (auto& n : nodes)
        ids.push_back(n.ID);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<int32_t>{20, 21}));
    f.subtreeOf = 999;
    EXPECT_EQ(db.CountNodes(f, true), 0) << "the subtree of a missing node is empty, not the whole library";
}

TEST_F(StoreTest, NamesWithQuotesPercentAndUnderscoreSurviveIntact)
{
    int32_t c = AddCase(u"c");
    const std::u16string names[] = {u"it's", u"50%", u"a_b", u"'; DROP TABLE FileInfo; --", u"x\\y\"z"};
    for (auto& n : names)
        AddFolder(c, n);
    AddFolder(c, u"500");
    AddFolder(c, u"axb");
    for (auto& n : names) {
        EVD_FILE_INFO found;
        ASSERT_TRUE(db.FindChildByName(c, n, found, true)) << Utf16ToUtf8(n);
        EXPECT_EQ(found.NAME, n);
        EXPECT_TRUE(db.NameTaken(c, n, true));
    }
    struct Search
    {
        std::u16string keyword;
        std::vector<std::u16string> expect;
    } searches[] = {{u"50%", {u"50%"}}, {u"a_b", {u"a_b"}}, {u"'", {u"'; DROP TABLE FileInfo; --", u"it's"}}};
    for (auto& s : searches) {
        EVD_SEARCH_FILTER f;
        f.parentId = c;
        f.keywords = s.keyword;
        f.order[0] = {u"NAME", true};
        std::vector<EVD_FILE_INFO> nodes;
        db.QueryNodes(f, nodes, true);
        std::vector<std::u16string> got;
        for (auto& n : nodes)
            got.push_back(n.NAME);
        EXPECT_EQ(got, s.expect) << Utf16ToUtf8(s.keyword);
    }
    // Update keeps a quote intact as well.
    EVD_FILE_INFO n;
    ASSERT_TRUE(db.FindChildByName(c, u"it's", n, true));
    n.NAME = u"it''s \"quoted\"";
    ASSERT_TRUE(db.UpdateNode(n, nullptr, true));
    EXPECT_EQ(Node(n.ID).NAME, u"it''s \"quoted\"");
}

TEST_F(StoreTest, UpdateNodeSetsModifyTimeExceptForFilesThatCarryOne)
{
    AddRoot(u"D:\\Cases");
    int32_t c = AddCase(u"c");
    int32_t v = AddFile(c, u"v.mp4");
    EVD_FILE_INFO n = Node(v);
    n.MODIFYTIME = u"2001-01-01 00:00:00.000";
    n.CASEURL = u"url 'x'";
    ASSERT_TRUE(db.UpdateNode(n, nullptr, true));
    EXPECT_EQ(Node(v).MODIFYTIME, u"2001-01-01 00:00:00.000");
    EXPECT_EQ(Node(v).CASEURL, u"url 'x'");
    EVD_FILE_INFO cn = Node(c);
    cn.MODIFYTIME = u"2001-01-01 00:00:00.000";
    ASSERT_TRUE(db.UpdateNode(cn, nullptr, true));
    EXPECT_GT(Node(c).MODIFYTIME, u"2020") << "a case's modify time is now";
}

TEST_F(StoreTest, SettingWrittenOnlyWhenChangedAndHistoryOnlyWhenNew)
{
    EXPECT_FALSE(db.SetSetting(u"", u"K", u"v", false, true));
    EXPECT_FALSE(db.SetSetting(u"S", u"", u"v", false, true));
    EXPECT_EQ(db.GetSetting(u"S", u"K", true), u"");
    EXPECT_FALSE(db.SettingExists(u"S", u"K", true));

    ASSERT_TRUE(db.SetSetting(u"S", u"K", u"it's 100%", true, true));
    EXPECT_EQ(db.GetSetting(u"S", u"K", true), u"it's 100%");
    int before = TotalChanges(db);
    ASSERT_TRUE(db.SetSetting(u"S", u"K", u"it's 100%", true, true));
    EXPECT_EQ(TotalChanges(db), before) << "the same value again writes nothing";
    ASSERT_TRUE(db.SetSetting(u"S", u"K", u"IT'S 100%", true, true)) << "values compare exactly";
    ASSERT_TRUE(db.SetSetting(u"S", u"K", u"IT'S 100%", false, true));
    EXPECT_EQ(db.GetSetting(u"S", u"K", true), u"IT'S 100%");

    ASSERT_TRUE(db.AddHistory(u"S", u"K", u"IT'S 100%", true)); // same as the latest: nothing added
    ASSERT_TRUE(db.AddHistory(u"S", u"K", u"it's 100%", true));
    std::vector<EVD_CFG_HISTORY> h;
    ASSERT_TRUE(db.ListHistory(u"S", u"K", h, true));
    ASSERT_EQ(h.size(), 3u);
    EXPECT_EQ(h[0].VALUE, u"it's 100%");
    EXPECT_EQ(h[1].VALUE, u"IT'S 100%");
    EXPECT_EQ(h[2].VALUE, u"it's 100%");
    EXPECT_TRUE(db.HistoryValueExists(u"S", u"K", u"IT'S 100%", true));
    EXPECT_EQ(db.HistoryById(h[1].ID, true), u"IT'S 100%");
    ASSERT_TRUE(db.UpdateHistoryValue(h[1].ID, u"D:\\new 'root'", true));
    EXPECT_EQ(db.HistoryById(h[1].ID, true), u"D:\\new 'root'");
    ASSERT_TRUE(db.DeleteHistory(h[1].ID, true));
    EXPECT_EQ(db.HistoryById(h[1].ID, true), u"");
}

TEST_F(StoreTest, SubtreeCountDescendsIntoFoldersOnly)
{
    AddRoot(u"D:\\Cases");
    int32_t c = AddCase(u"c");
    int32_t f = AddFolder(c, u"f");
    int32_t g = AddFolder(f, u"g");
    AddFile(c, u"1.mp4");
    AddFile(f, u"2.mp4");
    AddFile(g, u"3.mp4");
    AddFile(g, u"4.jpg", kKindPicture);
    EXPECT_EQ(db.CountSubtree(c, true), 6);
    EXPECT_EQ(db.CountSubtree(g, true), 2);
    EXPECT_EQ(db.CountSubtree(Node(c).PARENTID, true), 1)
        << "a year group's cases are counted, not descended";
    EXPECT_EQ(db.CountSubtree(-5, true), -1);
    EXPECT_EQ(db.CountSubtree(9999, true), 0);
}

TEST_F(StoreTest, DeletesAndDistinctLibraryPaths)
{
    int32_t r1 = AddRoot(u"D:\\A");
    int32_t c = AddCase(u"c");
    AddFile(c, u"1.mp4");
    int32_t r2 = AddRoot(u"D:\\B");
    db.SetSetting(kSecTotal, kKeyCurPath, ToString16(r2), false, true);
    AddFile(c, u"2.mp4");
    AddFile(c, u"3.mp4");
    EVD_SEARCH_FILTER files;
    files.parentId = c;
    std::vector<int32_t> libs;
    ASSERT_TRUE(db.DistinctLibPaths(files, libs, true));
    std::sort(libs.begin(), libs.end());
    EXPECT_EQ(libs, (std::vector<int32_t>{r1, r2}));

    ASSERT_TRUE(db.DeleteByLibPath(r2, kPriorityFile, true));
    EXPECT_EQ(db.CountNodes(files, true), 1);
    EVD_FILE_INFO one;
    ASSERT_TRUE(db.FindChildByName(c, u"1.mp4", one, true));
    ASSERT_TRUE(db.DeleteNode(one.ID, true));
    EXPECT_FALSE(db.GetNode(one.ID, one, true));
    ASSERT_TRUE(db.DeleteAllBut(kPriorityMyResources, true));
    EVD_SEARCH_FILTER all;
    EXPECT_EQ(db.CountNodes(all, true), 1);
}

TEST_F(StoreTest, AClosedStoreFailsEveryOperationQuietly)
{
    db.Close();
    EVD_FILE_INFO n;
    EXPECT_FALSE(db.GetNode(1, n, true));
    EXPECT_FALSE(db.AddNode(n, nullptr, true));
    EXPECT_EQ(db.GetSetting(kSecTotal, kKeyCurPath, true), u"");
    EXPECT_EQ(db.CountNodes({}, true), -1);
    EXPECT_FALSE(db.SetSetting(u"S", u"K", u"v", true, true));
    ASSERT_TRUE(db.Open());
}

TEST_F(StoreTest, OpenFailsOnAFileThatIsNotADatabase)
{
    db.Close();
    ASSERT_EQ(fs::CreateDirectoryChain(u"C:\\bad"), 0u);
    ASSERT_TRUE(fs::WriteFile(u"C:\\bad\\evd.db", std::string(4096, 'x')));
    EXPECT_FALSE(db.Open(u"C:\\bad\\evd.db"));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(*fs::ReadFile(u"C:\\bad\\evd.db"), std::string(4096, 'x'))
        << "the damaged file is left as it was";
    ASSERT_TRUE(db.Open());
}
