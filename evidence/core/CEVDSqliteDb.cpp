#include "CEVDSqliteDb.h"

#include "CDbgPrint.h"
#include "CEVDSyncDb.h"
#include "EvdDataFolder.h"
#include "platform/base/Strings.h"
#include "platform/base/Time.h"
#include "platform/fs/FileSystem.h"

namespace vel::evd {

namespace {

// Columns a caller may sort by; anything else is ignored rather than put
// into SQL text.
bool IsFileInfoColumn(std::u16string_view name)
{
    for (auto& c : CEVDSqliteDb::Schema()[0].columns)
        if (EqualsIgnoreCase(name, c.name))
            return true;
    return false;
}

// LIKE pattern for one keyword: the word matched anywhere, its own %, _
// and \ taken literally.
std::u16string LikePattern(std::u16string_view word)
{
    std::u16string p = u"%";
    for (char16_t c : word) {
        if (c == u'%' || c == u'_' || c == u'\\')
            p.push_back(u'\\');
        p.push_back(c);
    }
    p.push_back(u'%');
    return p;
}

void SetError(std::u16string* error, std::u16string_view text)
{
    if (error)
        *error = std::u16string(text);
}

} // namespace

const std::vector<SchemaStep>& CEVDSqliteDb::Schema()
{
    // Executed in this order at every open; the text is kept exactly.
    static const std::vector<SchemaStep> steps = {
        {u"Create Table if not exists FileInfo (ID integer PRIMARY KEY AutoIncrement, PARENTID integer, NAME "
         u"VARCHAR(1024) COLLATE NOCASE,CREATETIME char(32),MODIFYTIME char(32), EVDFILETYPE integer, "
         u"CASEURL "
         u"VARCHAR(8096), FILESIZE long long int, LIBPATHID integer, SHOWPRIORITY int, SRCPATH "
         u"VARCHAR(1024), LEVEL "
         u"int , PARENTTREE VARCHAR(2048), foreign key(PARENTID) references FileInfo(id) on delete cascade)",
         u"FileInfo",
         {{u"ID", u"int"},
          {u"PARENTID", u"int"},
          {u"NAME", u"VARCHAR(1024)"},
          {u"CREATETIME", u"char(32)"},
          {u"MODIFYTIME", u"char(32)"},
          {u"EVDFILETYPE", u"int"},
          {u"CASEURL", u"VARCHAR(8096)"},
          {u"FILESIZE", u"long long int"},
          {u"LIBPATHID", u"int"},
          {u"SHOWPRIORITY", u"int"},
          {u"SRCPATH", u"VARCHAR(1024)"},
          {u"LEVEL", u"int"},
          {u"PARENTTREE", u"VARCHAR(2048)"}}},
        {u"create index FILE_INFO_NAME on FileInfo(NAME)", nullptr, {}},
        {u"Create Table if not exists ConfigInfo (SEC char(32), KEY char(32) , VALUE VARCHAR(1024))",
         u"ConfigInfo",
         {{u"SEC", u"char(32)"}, {u"KEY", u"char(32)"}, {u"VALUE", u"VARCHAR(1024)"}}},
        {u"Create Table if not exists ConfigHistory (ID integer PRIMARY KEY AutoIncrement,SEC char(32), KEY "
         u"char(32), VALUE VARCHAR(1024), ADDTIME char(32) ) ",
         u"ConfigHistory",
         {{u"ID", u"int"},
          {u"SEC", u"char(32)"},
          {u"KEY", u"char(32)"},
          {u"VALUE", u"VARCHAR(1024)"},
          {u"ADDTIME", u"char(32)"}}},
        {u"Create Table if not exists t_TaskInfo (ID integer PRIMARY KEY AutoIncrement, PARENTID integer, "
         u"ROOTID "
         u"integer, TYPE integer, OPRTYPE integer, SRC VARCHAR(8096), SRCTYPE char(32),  USERDATA "
         u"VARCHAR(8096),DSTRESULT VARCHAR(8096),STATUS integer, BEGINTIME char(32), MODIFYTIME char(32), "
         u"RESULT "
         u"VARCHAR(256), PRIORITY integer , TOTALLEN long long int, CURPOS long long int , SRCPLATE "
         u"VARCHAR(8096) , "
         u"MARKPLATE VARCHAR(8096))",
         u"t_TaskInfo",
         {{u"ID", u"int"},
          {u"PARENTID", u"int"},
          {u"ROOTID", u"int"},
          {u"TYPE", u"int"},
          {u"OPRTYPE", u"int"},
          {u"SRC", u"VARCHAR(8096)"},
          {u"SRCTYPE", u"char(32)"},
          {u"USERDATA", u"VARCHAR(8096)"},
          {u"DSTRESULT", u"VARCHAR(8096)"},
          {u"STATUS", u"int"},
          {u"BEGINTIME", u"char(32)"},
          {u"MODIFYTIME", u"char(32)"},
          {u"RESULT", u"VARCHAR(256)"},
          {u"PRIORITY", u"int"},
          {u"TOTALLEN", u"long long int"},
          {u"CURPOS", u"long long int"},
          {u"SRCPLATE", u"VARCHAR(8096)"},
          {u"MARKPLATE", u"VARCHAR(8096)"}}},
        {u"Create Table if not exists t_TaskChildInfo (ID integer PRIMARY KEY AutoIncrement, PARENTID "
         u"integer, "
         u"ROOTID integer, SRC VARCHAR(8096), DST VARCHAR(8096), DSTRESULT VARCHAR(8096),STATUS integer, "
         u"RESULT "
         u"VARCHAR(256), TOTALLEN long long int, CURPOS long long int, foreign key(ROOTID) references "
         u"t_TaskInfo(id) on delete cascade)",
         u"t_TaskChildInfo",
         {{u"ID", u"int"},
          {u"PARENTID", u"int"},
          {u"ROOTID", u"int"},
          {u"SRC", u"VARCHAR(8096)"},
          {u"DST", u"VARCHAR(8096)"},
          {u"DSTRESULT", u"VARCHAR(8096)"},
          {u"STATUS", u"int"},
          {u"RESULT", u"VARCHAR(256)"},
          {u"TOTALLEN", u"long long int"},
          {u"CURPOS", u"long long int"}}},
    };
    return steps;
}
CEVDSqliteDb& CEVDSqliteDb::Instance()
{
    static CEVDSqliteDb instance;
    return instance;
}

CEVDSqliteDb::CEVDSqliteDb() : CSqliteDbMan(u"EVDSqliteDb_Lock") {}

CEVDSqliteDb::~CEVDSqliteDb() = default;

bool CEVDSqliteDb::Open(std::u16string_view path)
{
    LockScope lock(*this, true);
    EnsureLibraryDataFolder();
    std::u16string dbPath = path.empty() ? StorePath() : std::u16string(path);
    if (!OpenWithSchema(dbPath, Schema()))
        return false;
    fs::CreateDirectoryChain(DefaultDirectory()); // a failure here only shows later
    if (!LoadMyResourcesRoot())
        EVD_LOG_WARN(u"the my-resources root could not be created");
    return CEVDSyncDb::Instance().Open();
}

bool CEVDSqliteDb::Close()
{
    bool closed = CloseWithBackup();
    CEVDSyncDb::Instance().Close();
    return closed;
}

// The rest of the library needs a my-resources root at the top of the tree:
// a case (kind 16, priority 200) under no year group. It is made the first
// time a store is opened.
bool CEVDSqliteDb::LoadMyResourcesRoot()
{
    m_myResources = EVD_FILE_INFO();
    EVD_SEARCH_FILTER f;
    f.priorityIs = kPriorityMyResources;
    std::vector<EVD_FILE_INFO> found;
    if (QueryNodes(f, found, false) && !found.empty()) {
        m_myResources = found.front();
        return true;
    }
    EVD_FILE_INFO root;
    root.NAME = u"我的资源";
    root.EVDFILETYPE = kKindCase;
    root.SHOWPRIORITY = kPriorityMyResources;
    root.LEVEL = 1;
    root.SRCPATH = DefaultDirectory();
    if (!AddNode(root, nullptr, false))
        return false;
    m_myResources = root;
    return true;
}

bool CEVDSqliteDb::IsInMyResources(const EVD_FILE_INFO& node) const
{
    if (m_myResources.ID < 1)
        return false;
    if (node.ID == m_myResources.ID)
        return true;
    std::u16string prefix = u"(" + ToString16(m_myResources.ID) + u")";
    return node.PARENTTREE.compare(0, prefix.size(), prefix) == 0;
}

EVD_FILE_INFO NodeFromRow(const SqlRow& row)
{
    EVD_FILE_INFO n;
    const int cols = row.Columns();
    auto i32 = [&](int c, int32_t def) { return c < cols ? int32_t(row.Int(c, def)) : def; };
    auto txt = [&](int c) { return c < cols ? row.Text(c) : std::u16string(); };
    n.ID = i32(0, -1);
    n.PARENTID = i32(1, -1);
    n.NAME = txt(2);
    n.CREATETIME = txt(3);
    n.MODIFYTIME = txt(4);
    n.EVDFILETYPE = i32(5, -1);
    n.CASEURL = txt(6);
    n.FILESIZE = 7 < cols ? row.Int(7, 0) : 0;
    n.LIBPATHID = i32(8, -1);
    n.SHOWPRIORITY = i32(9, -1);
    n.SRCPATH = txt(10);
    n.LEVEL = i32(11, -1);
    n.PARENTTREE = txt(12);
    return n;
}

bool CEVDSqliteDb::AddNode(EVD_FILE_INFO& info, std::u16string* error, bool lock)
{
    info.PARENTTREE.clear();
    // The lock covers the look-up too, so that two writers adding the same
    // name cannot both insert it.
    LockScope scope(*this, lock);
    EVD_FILE_INFO existing;
    if (FindChildByName(info.PARENTID, info.NAME, existing, false)) {
        existing.extra1 = info.extra1;
        existing.syncCfgId = info.syncCfgId;
        existing.syncState = info.syncState;
        existing.syncError = info.syncError;
        info = existing;
        return true;
    }
    SetError(error, u"");

    if (IsFileKind(info.EVDFILETYPE)) {
        if (info.LIBPATHID < 0 && info.SHOWPRIORITY != kPriorityMyResources) {
            EVD_FILE_INFO parent;
            if (info.PARENTID > 0 && GetNode(info.PARENTID, parent, false) && IsInMyResources(parent)) {
                info.LIBPATHID = 0;
            } else {
                int32_t cur = GetSettingInt(kSecTotal, kKeyCurPath, false);
                if (cur < 1) {
                    SetError(error, u"保存配置失败！");
                    return false;
                }
                info.LIBPATHID = cur;
            }
        }
    } else {
        info.LIBPATHID = -1;
    }

    if (info.CREATETIME.empty())
        info.CREATETIME = LocalTimestamp16();
    if (auto t = info.SRCPATH.empty() ? std::nullopt : fs::LastWriteTime(info.SRCPATH))
        info.MODIFYTIME = LocalTimestamp16(*t);
    else
        info.MODIFYTIME = info.CREATETIME;

    std::u16string parentText = u"0";
    if (info.PARENTID > 0) {
        parentText = ToString16(info.PARENTID);
    } else if (info.EVDFILETYPE == kKindCase && info.SHOWPRIORITY != kPriorityMyResources) {
        int32_t year = YearGroup(info.CREATETIME, false);
        if (year > 0) {
            info.PARENTID = year;
            parentText = ToString16(year);
            info.PARENTTREE = u"(" + parentText + u")";
        }
    }

    if (info.SHOWPRIORITY == -1) {
        switch (info.EVDFILETYPE) {
        case kKindCase:
            info.SHOWPRIORITY = kPriorityCase;
            break;
        case kKindFolder:
            info.SHOWPRIORITY = kPriorityFolder;
            break;
        case kKindVideo:
        case kKindPicture:
        case kKindOther:
            info.SHOWPRIORITY = kPriorityFile;
            if (auto size = info.SRCPATH.empty() ? std::nullopt : fs::FileSize(info.SRCPATH))
                info.FILESIZE = int64_t(*size);
            break;
        case kKindYear:
            info.SHOWPRIORITY = kPriorityYear;
            break;
        default:
            break;
        }
    }

    if ((info.LEVEL < 0 || info.PARENTTREE.empty()) && info.PARENTID != -1) {
        EVD_FILE_INFO parent;
        if (!GetNode(info.PARENTID, parent, false))
            return false;
        info.PARENTTREE = parent.PARENTTREE + u"(" + ToString16(info.PARENTID) + u")";
        info.LEVEL = parent.LEVEL + 1;
    }

    SqlParams values = {parentText,
                        info.NAME,
                        info.CREATETIME,
                        info.MODIFYTIME,
                        int64_t(info.EVDFILETYPE),
                        info.CASEURL,
                        Format16(u"%I64d", info.FILESIZE),
                        int64_t(info.LIBPATHID),
                        int64_t(info.SHOWPRIORITY),
                        info.SRCPATH,
                        int64_t(info.LEVEL),
                        info.PARENTTREE};
    if (!Execute(u"INSERT INTO FileInfo VALUES(NULL, ?, ?, ?, ?, ? , ?, ?, ?, ?, ?, ?, ?);", values)) {
        EVD_LOG_ERROR(u"adding node %s failed: %s", info.NAME.c_str(), LastErrorText().c_str());
        return false;
    }
    info.ID = int32_t(LastInsertRowId());
    info.PARENTID = ParseInt(parentText); // the record now reads as the row does
    return info.ID >= 0;
}

bool CEVDSqliteDb::UpdateNode(const EVD_FILE_INFO& info, std::u16string* error, bool lock)
{
    LockScope scope(*this, lock);
    std::u16string modify =
        (!info.MODIFYTIME.empty() && IsFileKind(info.EVDFILETYPE)) ? info.MODIFYTIME : LocalTimestamp16();
    bool ok = Execute(
        u"UPDATE FileInfo SET NAME = ?, MODIFYTIME = ?, EVDFILETYPE = ? , CASEURL = ? , FILESIZE = ? , "
        u"LIBPATHID = ? , SHOWPRIORITY = ? WHERE id = ?",
        {info.NAME, modify, int64_t(info.EVDFILETYPE), info.CASEURL, int64_t(info.FILESIZE),
         int64_t(info.LIBPATHID), int64_t(info.SHOWPRIORITY), int64_t(info.ID)});
    SetError(error, ok ? u"" : u"写入数据库失败！");
    return ok;
}

bool CEVDSqliteDb::GetNode(int32_t id, EVD_FILE_INFO& out, bool lock)
{
    LockScope scope(*this, lock);
    bool found = false;
    Query(u"SELECT * FROM FileInfo f WHERE f.ID = ? ", {int64_t(id)}, [&](const SqlRow& r) {
        out = NodeFromRow(r);
        found = true;
        return false;
    });
    return found;
}

bool CEVDSqliteDb::FindChildByName(int32_t parentId, std::u16string_view name, EVD_FILE_INFO& out, bool lock)
{
    LockScope scope(*this, lock);
    bool found = false;
    Query(u"SELECT * FROM FileInfo f WHERE f.PARENTID = ?  AND f.NAME = ? COLLATE NOCASE",
          {int64_t(parentId), std::u16string(name)}, [&](const SqlRow& r) {
              out = NodeFromRow(r);
              found = true;
              return false;
          });
    return found;
}

bool CEVDSqliteDb::BuildCondition(const EVD_SEARCH_FILTER& f, std::u16string& sql, SqlParams& params)
{
    std::vector<std::u16string> conds;
    if (f.subtreeOf == -1) {
        if (f.parentId != -1) {
            conds.push_back(u" f.PARENTID = ?");
            params.push_back(int64_t(f.parentId));
        }
    } else {
        EVD_FILE_INFO top;
        if (GetNode(f.subtreeOf, top, false)) {
            // Every descendant's tree text starts with T; "(a" sorts after
            // "(" followed by any digit, so the range holds exactly them.
            std::u16string t = top.PARENTTREE + u"(" + ToString16(top.ID) + u")";
            conds.push_back(u" f.PARENTTREE >= ? AND f.PARENTTREE < ?");
            params.push_back(t);
            params.push_back(t + u"(a");
        } else {
            conds.push_back(u" 1 = 0"); // the subtree of a missing node is empty
        }
    }
    auto add = [&](const std::u16string& value, const char16_t* cond) {
        if (!value.empty()) {
            conds.push_back(cond);
            params.push_back(value);
        }
    };
    add(f.createFrom, u" f.CREATETIME >= ?");
    add(f.createTo, u" f.CREATETIME <= ?");
    add(f.modifyFrom, u" f.MODIFYTIME >= ?");
    add(f.modifyTo, u" f.MODIFYTIME <= ?");
    std::u16string keywords = Trim(f.keywords);
    if (!keywords.empty()) {
        for (auto& word : Split(keywords, u' ')) {
            conds.push_back(u" f.NAME LIKE ? ESCAPE '\\' COLLATE NOCASE");
            params.push_back(LikePattern(word));
        }
    } else {
        add(f.exactName, u" f.NAME = ? COLLATE NOCASE");
    }
    if (f.libPathIs != 0) {
        conds.push_back(u" f.LIBPATHID = ?");
        params.push_back(int64_t(f.libPathIs));
    } else if (f.libPathIsNot != 0) {
        conds.push_back(u" f.LIBPATHID != ?");
        params.push_back(int64_t(f.libPathIsNot));
    }
    if (f.kind != -1) {
        conds.push_back(u" f.EVDFILETYPE = ?");
        params.push_back(int64_t(f.kind));
    }
    if (f.priorityIs != -1) {
        conds.push_back(u" f.SHOWPRIORITY = ?");
        params.push_back(int64_t(f.priorityIs));
    } else if (f.priorityIsNot != -1) {
        conds.push_back(u" f.SHOWPRIORITY != ?");
        params.push_back(int64_t(f.priorityIsNot));
    } else {
        if (f.priorityFrom != -1) {
            conds.push_back(u" f.SHOWPRIORITY >= ?");
            params.push_back(int64_t(f.priorityFrom));
        }
        if (f.priorityTo != -1) {
            conds.push_back(u" f.SHOWPRIORITY <= ?");
            params.push_back(int64_t(f.priorityTo));
        }
    }
    std::u16string cond;
    for (size_t i = 0; i < conds.size(); ++i) {
        if (i)
            cond += u" AND ";
        cond += conds[i];
    }
    if (!cond.empty())
        sql += u" WHERE " + cond;
    bool ordered = false;
    for (const auto& o : f.order) {
        if (o.column.empty() || !IsFileInfoColumn(o.column))
            continue;
        sql += ordered ? u", " : u" ORDER BY ";
        sql += u"f." + o.column + (o.ascending ? u" ASC" : u" DESC");
        ordered = true;
    }
    if (f.pageSize > 0 && f.pageIndex >= 0)
        sql += Format16(u" LIMIT %I64d,%d", int64_t(f.pageSize) * f.pageIndex, f.pageSize);
    return true;
}

bool CEVDSqliteDb::QueryNodes(const EVD_SEARCH_FILTER& filter, std::vector<EVD_FILE_INFO>& out, bool lock)
{
    LockScope scope(*this, lock);
    std::u16string sql = u"SELECT * FROM FileInfo f";
    SqlParams params;
    BuildCondition(filter, sql, params);
    return Query(sql, params, [&](const SqlRow& r) {
        out.push_back(NodeFromRow(r));
        return true;
    });
}

int64_t CEVDSqliteDb::CountNodes(const EVD_SEARCH_FILTER& filter, bool lock)
{
    LockScope scope(*this, lock);
    std::u16string sql = u"SELECT COUNT(*) FROM FileInfo f";
    SqlParams params;
    BuildCondition(filter, sql, params);
    return Scalar(sql, params);
}

int64_t CEVDSqliteDb::CountSubtree(int32_t id, bool lock)
{
    if (id < 0)
        return -1;
    LockScope scope(*this, lock);
    EVD_SEARCH_FILTER all;
    all.parentId = id;
    int64_t count = CountNodes(all, false);
    if (count < 0)
        return -1;
    EVD_SEARCH_FILTER folders = all;
    folders.kind = kKindFolder;
    std::vector<EVD_FILE_INFO> children;
    QueryNodes(folders, children, false);
    for (auto& c : children)
        if (c.ID != id) // a corrupt self-parented row must not recurse forever
            count += std::max<int64_t>(0, CountSubtree(c.ID, false));
    return count;
}

bool CEVDSqliteDb::DistinctLibPaths(const EVD_SEARCH_FILTER& filter, std::vector<int32_t>& out, bool lock)
{
    LockScope scope(*this, lock);
    std::u16string sql = u"SELECT DISTINCT LIBPATHID FROM FileInfo f";
    SqlParams params;
    BuildCondition(filter, sql, params);
    return Query(sql, params, [&](const SqlRow& r) {
        out.push_back(int32_t(r.Int(0, -1)));
        return true;
    });
}

bool CEVDSqliteDb::NameTaken(int32_t parentId, std::u16string_view name, bool lock)
{
    LockScope scope(*this, lock);
    if (parentId > 0)
        return Scalar(u"SELECT COUNT(*) FROM FileInfo f WHERE f.PARENTID = ? AND f.NAME = ? COLLATE NOCASE",
                      {int64_t(parentId), std::u16string(name)}) > 0;
    return Scalar(u"SELECT COUNT(*) FROM FileInfo f WHERE f.EVDFILETYPE = ? AND f.NAME = ? COLLATE NOCASE",
                  {int64_t(kKindCase), std::u16string(name)}) > 0;
}

bool CEVDSqliteDb::DeleteNode(int32_t id, bool lock)
{
    LockScope scope(*this, lock);
    return Execute(u"DELETE FROM FileInfo WHERE ID = ? ", {int64_t(id)});
}

bool CEVDSqliteDb::DeleteByLibPath(int32_t libPathId, int32_t priority, bool lock)
{
    LockScope scope(*this, lock);
    return Execute(u"DELETE FROM FileInfo WHERE LIBPATHID = ? AND SHOWPRIORITY= ? ",
                   {int64_t(libPathId), int64_t(priority)});
}

bool CEVDSqliteDb::DeleteAllBut(int32_t priority, bool lock)
{
    LockScope scope(*this, lock);
    return Execute(u"DELETE FROM FileInfo WHERE SHOWPRIORITY != ? ", {int64_t(priority)});
}

int32_t CEVDSqliteDb::YearGroup(std::u16string_view createTime, bool lock)
{
    if (createTime.size() < 4)
        return -1;
    LockScope scope(*this, lock);
    std::u16string year(createTime.substr(0, 4));
    EVD_SEARCH_FILTER f;
    f.kind = kKindYear;
    f.exactName = year;
    std::vector<EVD_FILE_INFO> found;
    if (QueryNodes(f, found, false) && !found.empty())
        return found.front().ID;
    EVD_FILE_INFO node;
    node.EVDFILETYPE = kKindYear;
    node.NAME = year;
    node.LEVEL = 0;
    if (!AddNode(node, nullptr, false))
        return -1;
    return node.ID;
}

std::u16string CEVDSqliteDb::GetSetting(std::u16string_view sec, std::u16string_view key, bool lock)
{
    LockScope scope(*this, lock);
    return ScalarText(u"SELECT VALUE FROM ConfigInfo cfg WHERE cfg.SEC = ? AND cfg.KEY = ?",
                      {std::u16string(sec), std::u16string(key)});
}

int32_t CEVDSqliteDb::GetSettingInt(std::u16string_view sec, std::u16string_view key, bool lock)
{
    return ParseInt(GetSetting(sec, key, lock));
}

bool CEVDSqliteDb::SettingExists(std::u16string_view sec, std::u16string_view key, bool lock)
{
    LockScope scope(*this, lock);
    return Scalar(u"SELECT COUNT(*) FROM ConfigInfo cfg WHERE cfg.SEC=? AND cfg.KEY = ?",
                  {std::u16string(sec), std::u16string(key)}) > 0;
}

bool CEVDSqliteDb::SetSetting(std::u16string_view sec, std::u16string_view key, std::u16string_view value,
                              bool addToHistory, bool lock)
{
    if (sec.empty() || key.empty())
        return false;
    LockScope scope(*this, lock);
    bool ok;
    if (SettingExists(sec, key, false)) {
        if (GetSetting(sec, key, false) == value)
            return true;
        ok = Execute(u"UPDATE ConfigInfo SET  VALUE=? WHERE SEC=? AND KEY =?;",
                     {std::u16string(value), std::u16string(sec), std::u16string(key)});
    } else {
        ok = Execute(u"INSERT INTO ConfigInfo VALUES(?, ?, ?);",
                     {std::u16string(sec), std::u16string(key), std::u16string(value)});
    }
    if (ok && addToHistory)
        AddHistory(sec, key, value, false);
    return ok;
}

bool CEVDSqliteDb::AddHistory(std::u16string_view sec, std::u16string_view key, std::u16string_view value,
                              bool lock)
{
    LockScope scope(*this, lock);
    // ID breaks ties between entries of the same millisecond.
    std::u16string latest;
    bool any = false;
    Query(u"SELECT VALUE FROM ConfigHistory ch0 WHERE ch0.SEC=? AND ch0.KEY=? ORDER BY ADDTIME DESC, ID DESC "
          u"LIMIT "
          u"0,1 ",
          {std::u16string(sec), std::u16string(key)}, [&](const SqlRow& r) {
              latest = r.Text(0);
              any = true;
              return false;
          });
    if (any && latest == value)
        return true;
    return Execute(u"INSERT INTO ConfigHistory VALUES(NULL, ?, ?, ?, ?)",
                   {std::u16string(sec), std::u16string(key), std::u16string(value), LocalTimestamp16()});
}

bool CEVDSqliteDb::UpdateHistoryValue(int32_t id, std::u16string_view value, bool lock)
{
    LockScope scope(*this, lock);
    return Execute(u"UPDATE ConfigHistory SET  VALUE = ? WHERE ID = ?", {std::u16string(value), int64_t(id)});
}

bool CEVDSqliteDb::HistoryValueExists(std::u16string_view sec, std::u16string_view key,
                                      std::u16string_view value, bool lock)
{
    LockScope scope(*this, lock);
    return Scalar(u"SELECT COUNT(*) FROM ConfigHistory cfg WHERE cfg.SEC=? AND cfg.KEY = ? AND cfg.VALUE = ? "
                  u"COLLATE "
                  u"NOCASE",
                  {std::u16string(sec), std::u16string(key), std::u16string(value)}) > 0;
}

std::u16string CEVDSqliteDb::HistoryById(int32_t id, bool lock)
{
    LockScope scope(*this, lock);
    std::u16string value;
    Query(u"SELECT * FROM ConfigHistory ch WHERE ch.ID = ? ORDER BY ADDTIME ASC", {int64_t(id)},
          [&](const SqlRow& r) {
              value = r.Text(3);
              return false;
          });
    return value;
}

bool CEVDSqliteDb::DeleteHistory(int32_t id, bool lock)
{
    LockScope scope(*this, lock);
    return Execute(u"DELETE FROM ConfigHistory WHERE ID = ? ", {int64_t(id)});
}

bool CEVDSqliteDb::ListHistory(std::u16string_view sec, std::u16string_view key,
                               std::vector<EVD_CFG_HISTORY>& out, bool lock)
{
    LockScope scope(*this, lock);
    return Query(
        u"SELECT * FROM ConfigHistory ch0 WHERE ch0.SEC=? AND ch0.KEY=? ORDER BY ADDTIME ASC, ID ASC ",
        {std::u16string(sec), std::u16string(key)}, [&](const SqlRow& r) {
            EVD_CFG_HISTORY h;
            h.ID = int32_t(r.Int(0, -1));
            h.SEC = r.Text(1);
            h.KEY = r.Text(2);
            h.VALUE = r.Text(3);
            h.ADDTIME = r.Text(4);
            out.push_back(std::move(h));
            return true;
        });
}

} // namespace vel::evd
