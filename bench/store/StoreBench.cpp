// The library store against raw SQLite on the same generated library of
// 100,000 nodes: each store operation beside the same SQL statements run
// straight through the SQLite C API, in one run. Compare the pairs
// Store/... and Raw/...; the difference is the store's own cost (binding,
// UTF-16 records, locking).

#include "evidence/core/CEVDSqliteDb.h"
#include "evidence/core/EvdTree.h"
#include "platform/base/Strings.h"
#include "platform/fs/WinPath.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace vel;
using namespace vel::evd;

namespace {

constexpr int kNodes = 100000;
constexpr int kBigFolderFiles = 10000;
constexpr int kDeepFolders = 6; // case (1) + 6 folders + file = level 8

struct Library
{
    std::string dir;
    std::u16string dbPath;
    sqlite3* raw = nullptr;
    int32_t bigFolder = 0, deepFile = 0, someCase = 0;
};
Library g_lib;

struct Writer
{
    sqlite3* db;
    sqlite3_stmt* insert = nullptr;
    int64_t count = 0;
    explicit Writer(sqlite3* d) : db(d)
    {
        sqlite3_prepare_v2(db,
                           "INSERT INTO FileInfo VALUES(NULL, ?, ?, '2015-01-01 00:00:00.000', "
                           "'2015-01-01 00:00:00.000', ?, '', 1000, ?, ?, '', ?, ?)",
                           -1, &insert, nullptr);
    }
    ~Writer() { sqlite3_finalize(insert); }
    int32_t Add(int32_t parent, const std::string& name, int kind, int lib, int priority, int level,
                const std::string& tree)
    {
        sqlite3_bind_int(insert, 1, parent);
        sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 3, kind);
        sqlite3_bind_int(insert, 4, lib);
        sqlite3_bind_int(insert, 5, priority);
        sqlite3_bind_int(insert, 6, level);
        sqlite3_bind_text(insert, 7, tree.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        ++count;
        return int32_t(sqlite3_last_insert_rowid(db));
    }
};

std::string Tree(const std::string& parentTree, int32_t parent)
{
    return parentTree + "(" + std::to_string(parent) + ")";
}

void Generate()
{
    g_lib.dir =
        std::filesystem::temp_directory_path().string() + "/vel-bench-store-" + std::to_string(getpid());
    std::filesystem::create_directories(g_lib.dir + "/c");
    setenv("VEL_DRIVE_C", (g_lib.dir + "/c").c_str(), 1);
    setenv("VEL_LOCK_DIR", (g_lib.dir + "/locks").c_str(), 1);
    g_lib.dbPath = u"C:\\evd.db";

    CEVDSqliteDb& db = CEVDSqliteDb::Instance();
    if (!db.Open(g_lib.dbPath)) // the schema, as the library makes it
        abort();
    db.AddHistory(kSecTotal, kKeyCasePath, u"D:\\Cases", true);
    db.SetSetting(kSecTotal, kKeyCurPath, u"1", false, true);
    db.Close();

    sqlite3* w = nullptr;
    sqlite3_open(fs::ToHost(g_lib.dbPath).c_str(), &w);
    sqlite3_exec(w, "BEGIN", nullptr, nullptr, nullptr);
    {
        Writer add(w);
        const int years = 5, casesPerYear = 20;
        std::vector<std::pair<int32_t, std::string>> folders; // (id, tree of its children)
        for (int y = 0; y < years; ++y) {
            int32_t year = add.Add(0, std::to_string(2011 + y), kKindYear, -1, kPriorityYear, 0, "");
            for (int c = 0; c < casesPerYear; ++c) {
                std::string ctree = Tree("", year);
                int32_t cs = add.Add(year, "case-" + std::to_string(y) + "-" + std::to_string(c), kKindCase,
                                     -1, kPriorityCase, 1, ctree);
                if (!g_lib.someCase)
                    g_lib.someCase = cs;
                for (int f = 0; f < 10; ++f) {
                    int32_t fid = add.Add(cs, "folder-" + std::to_string(f), kKindFolder, -1, kPriorityFolder,
                                          2, Tree(ctree, cs));
                    folders.push_back({fid, Tree(Tree(ctree, cs), fid)});
                }
            }
        }
        // One folder of 10,000 files, and a chain of folders down to level 8.
        auto [big, bigTree] = folders[3];
        g_lib.bigFolder = big;
        for (int i = 0; i < kBigFolderFiles; ++i)
            add.Add(big, "clip" + std::to_string(i) + ".mp4", kKindVideo, 1, kPriorityFile, 3, bigTree);
        int32_t parent = g_lib.someCase;
        std::string tree = Tree("(1)", parent);
        for (int d = 0; d < kDeepFolders; ++d) {
            parent =
                add.Add(parent, "deep-" + std::to_string(d), kKindFolder, -1, kPriorityFolder, 2 + d, tree);
            tree = Tree(tree, parent);
        }
        g_lib.deepFile = add.Add(parent, "deep.mp4", kKindVideo, 1, kPriorityFile, 8, tree);
        // The rest of the files spread over every folder.
        for (size_t i = 0; add.count < kNodes; ++i) {
            auto& [fid, ftree] = folders[i % folders.size()];
            if (fid == big)
                continue;
            add.Add(fid, "file" + std::to_string(i) + (i % 3 ? ".jpg" : ".mp4"),
                    i % 3 ? kKindPicture : kKindVideo, 1, kPriorityFile, 3, ftree);
        }
    }
    sqlite3_exec(w, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(w);

    if (!db.Open(g_lib.dbPath))
        abort();
    sqlite3_open_v2(fs::ToHost(g_lib.dbPath).c_str(), &g_lib.raw,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
}

// A raw row read the way any C client would: ints and UTF-8 text.
struct RawRow
{
    int64_t id, parent, kind, size, lib, priority, level;
    std::string name, create, modify, url, src, tree;
};

RawRow ReadRaw(sqlite3_stmt* st)
{
    auto text = [&](int c) {
        const unsigned char* t = sqlite3_column_text(st, c);
        return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
    };
    return {sqlite3_column_int64(st, 0),
            sqlite3_column_int64(st, 1),
            sqlite3_column_int64(st, 5),
            sqlite3_column_int64(st, 7),
            sqlite3_column_int64(st, 8),
            sqlite3_column_int64(st, 9),
            sqlite3_column_int64(st, 11),
            text(2),
            text(3),
            text(4),
            text(6),
            text(10),
            text(12)};
}

std::vector<RawRow> RawQuery(const char* sql, std::initializer_list<std::string> binds)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(g_lib.raw, sql, -1, &st, nullptr);
    int i = 1;
    for (auto& b : binds)
        sqlite3_bind_text(st, i++, b.c_str(), -1, SQLITE_TRANSIENT);
    std::vector<RawRow> rows;
    while (sqlite3_step(st) == SQLITE_ROW)
        rows.push_back(ReadRaw(st));
    sqlite3_finalize(st);
    return rows;
}

int64_t RawCount(const char* sql, const std::string& bind)
{
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(g_lib.raw, sql, -1, &st, nullptr);
    sqlite3_bind_text(st, 1, bind.c_str(), -1, SQLITE_TRANSIENT);
    int64_t n = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    return n;
}

void Store_ChildrenOfBigFolder(benchmark::State& state)
{
    for (auto _ : state) {
        EVD_SEARCH_FILTER f;
        f.parentId = g_lib.bigFolder;
        std::vector<EVD_FILE_INFO> rows;
        CEVDSqliteDb::Instance().QueryNodes(f, rows, true);
        if (rows.size() != kBigFolderFiles)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rows);
    }
}

void Raw_ChildrenOfBigFolder(benchmark::State& state)
{
    for (auto _ : state) {
        auto rows =
            RawQuery("SELECT * FROM FileInfo f WHERE  f.PARENTID = ?", {std::to_string(g_lib.bigFolder)});
        if (rows.size() != kBigFolderFiles)
            state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rows);
    }
}

void Store_KeywordSearch(benchmark::State& state)
{
    for (auto _ : state) {
        EVD_SEARCH_FILTER f;
        f.keywords = u"clip99";
        std::vector<EVD_FILE_INFO> rows;
        CEVDSqliteDb::Instance().QueryNodes(f, rows, true);
        benchmark::DoNotOptimize(rows);
    }
}

void Raw_KeywordSearch(benchmark::State& state)
{
    for (auto _ : state) {
        auto rows = RawQuery("SELECT * FROM FileInfo f WHERE  f.NAME LIKE ? ESCAPE '\\' COLLATE NOCASE",
                             {"%clip99%"});
        benchmark::DoNotOptimize(rows);
    }
}

void Store_NodePathDeep(benchmark::State& state)
{
    for (auto _ : state) {
        std::u16string p = NodePath(g_lib.deepFile, false, true);
        if (p.empty())
            state.SkipWithError("no path");
        benchmark::DoNotOptimize(p);
    }
}

void Raw_NodePathDeep(benchmark::State& state)
{
    for (auto _ : state) {
        auto node = RawQuery("SELECT * FROM FileInfo f WHERE f.ID = ? ", {std::to_string(g_lib.deepFile)});
        std::string chain = node[0].name;
        int64_t parent = node[0].parent;
        while (parent != 0) {
            auto p = RawQuery("SELECT * FROM FileInfo f WHERE f.ID = ? ", {std::to_string(parent)});
            if (p.empty())
                break;
            chain = p[0].name + "\\" + chain;
            parent = p[0].parent;
        }
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(g_lib.raw, "SELECT * FROM ConfigHistory ch WHERE ch.ID = ? ORDER BY ADDTIME ASC",
                           -1, &st, nullptr);
        sqlite3_bind_text(st, 1, std::to_string(node[0].lib).c_str(), -1, SQLITE_TRANSIENT);
        std::string root =
            sqlite3_step(st) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(st, 3)) : "";
        sqlite3_finalize(st);
        std::string path = root + "\\" + chain;
        benchmark::DoNotOptimize(path);
    }
}

int64_t RawSubtree(int64_t id)
{
    int64_t n = RawCount("SELECT COUNT(*) FROM FileInfo f WHERE  f.PARENTID = ?", std::to_string(id));
    for (auto& c : RawQuery("SELECT * FROM FileInfo f WHERE  f.PARENTID = ? AND  f.EVDFILETYPE = ?",
                            {std::to_string(id), "1"}))
        n += RawSubtree(c.id);
    return n;
}

void Store_SubtreeCount(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(CEVDSqliteDb::Instance().CountSubtree(g_lib.someCase, true));
}

void Raw_SubtreeCount(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(RawSubtree(g_lib.someCase));
}

} // namespace

BENCHMARK(Store_ChildrenOfBigFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(Raw_ChildrenOfBigFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(Store_KeywordSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(Raw_KeywordSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(Store_NodePathDeep)->Unit(benchmark::kMicrosecond);
BENCHMARK(Raw_NodePathDeep)->Unit(benchmark::kMicrosecond);
BENCHMARK(Store_SubtreeCount)->Unit(benchmark::kMicrosecond);
BENCHMARK(Raw_SubtreeCount)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Generate();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CEVDSqliteDb::Instance().Close();
    sqlite3_close(g_lib.raw);
    std::filesystem::remove_all(g_lib.dir);
    return 0;
}
