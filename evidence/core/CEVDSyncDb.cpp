#include "CEVDSyncDb.h"

#include "CDbgPrint.h"
#include "EvdDataFolder.h"
#include "platform/base/Strings.h"

namespace vel::evd {

namespace {

EVD_SYNC_CONFIG ConfigFromRow(const SqlRow& r)
{
    // Integer columns are read as text and converted, so a value stored as
    // text reads the same as one stored as a number.
    EVD_SYNC_CONFIG c;
    c.ID = ParseInt(r.Text(0));
    c.TYPE = ParseInt(r.Text(1));
    c.USER = r.Text(2);
    c.PLATFORM = r.Text(3);
    c.SRC = r.Text(4);
    c.DST = r.Text(5);
    return c;
}

// The LIKE pattern for "below this directory": the path taken literally,
// then a backslash and the wildcard.
std::u16string BelowPattern(std::u16string_view path)
{
    std::u16string p;
    for (char16_t c : path) {
        if (c == u'%' || c == u'_' || c == u'|')
            p.push_back(u'|');
        p.push_back(c);
    }
    return p + u"\\%";
}

} // namespace

CEVDSyncDb& CEVDSyncDb::Instance()
{
    static CEVDSyncDb instance;
    return instance;
}

CEVDSyncDb::CEVDSyncDb() : CSqliteDbMan(u"EVDSyncDb_Lock") {}

CEVDSyncDb::~CEVDSyncDb() = default;

const std::vector<SchemaStep>& CEVDSyncDb::Schema()
{
    static const std::vector<SchemaStep> steps = {
        {u"Create Table if not exists SyncConfig (ID integer PRIMARY KEY AutoIncrement, TYPE integer, USER "
         u"char(64), PLATFORM VARCHAR(512), SRC VARCHAR(8192), DST VARCHAR(8192))",
         u"SyncConfig",
         {{u"ID", u"int"},
          {u"TYPE", u"int"},
          {u"USER", u"char(64)"},
          {u"PLATFORM", u"VARCHAR(512)"},
          {u"SRC", u"VARCHAR(8192)"},
          {u"DST", u"VARCHAR(8192)"}}},
        {u"Create Table if not exists SyncInfo (ID integer PRIMARY KEY AutoIncrement, CFGID integer, "
         u"EVDFILEID "
         u"integer, XML VARCHAR(8192))",
         u"SyncInfo",
         {{u"ID", u"int"}, {u"CFGID", u"int"}, {u"EVDFILEID", u"int"}, {u"XML", u"VARCHAR(8192)"}}},
    };
    return steps;
}

bool CEVDSyncDb::Open(std::u16string_view path)
{
    EnsureLibraryDataFolder();
    std::u16string dbPath =
        path.empty() ? Format16(u"%s\\evd_sync.db", LibraryDataFolder().c_str()) : std::u16string(path);
    return OpenWithSchema(dbPath, Schema());
}

bool CEVDSyncDb::Close()
{
    return CloseWithBackup();
}

bool CEVDSyncDb::QueryConfigs(std::u16string_view sql, const SqlParams& params,
                              std::vector<EVD_SYNC_CONFIG>& out)
{
    LockScope lock(*this, true);
    return Query(sql, params, [&](const SqlRow& r) {
        out.push_back(ConfigFromRow(r));
        return true;
    });
}

bool CEVDSyncDb::GetConfig(int32_t id, EVD_SYNC_CONFIG& out)
{
    std::vector<EVD_SYNC_CONFIG> found;
    QueryConfigs(u"SELECT * FROM SyncConfig f WHERE f.id = ?", {int64_t(id)}, found);
    if (found.empty()) {
        out.ID = -1;
        return false;
    }
    out = found.front();
    return true;
}

bool CEVDSyncDb::ConfigsOfUser(std::u16string_view user, std::u16string_view platform,
                               std::vector<EVD_SYNC_CONFIG>& out)
{
    return QueryConfigs(u"SELECT * FROM SyncConfig f WHERE f.USER = ?  AND f.PLATFORM = ? COLLATE NOCASE",
                        {std::u16string(user), std::u16string(platform)}, out);
}

bool CEVDSyncDb::ConfigsCovering(std::u16string_view path, std::vector<EVD_SYNC_CONFIG>& out)
{
    return QueryConfigs(
        u"SELECT * FROM SyncConfig f WHERE f.SRC LIKE ? ESCAPE '|' OR f.SRC = ? COLLATE NOCASE",
        {BelowPattern(path), std::u16string(path)}, out);
}

bool CEVDSyncDb::ConfigOfPath(std::u16string_view path, EVD_SYNC_CONFIG& out)
{
    std::vector<EVD_SYNC_CONFIG> found;
    QueryConfigs(u"SELECT * FROM SyncConfig f WHERE f.SRC = ? COLLATE NOCASE", {std::u16string(path)}, found);
    if (found.empty()) {
        out.ID = -1;
        return false;
    }
    out = found.front();
    return true;
}

bool CEVDSyncDb::UpdateConfig(const EVD_SYNC_CONFIG& c)
{
    if (c.ID < 1)
        return false;
    LockScope lock(*this, true);
    return Execute(u"UPDATE SyncConfig SET PLATFORM = ?, SRC= ? WHERE ID = ? ",
                   {c.PLATFORM, c.SRC, int64_t(c.ID)});
}

bool CEVDSyncDb::DeleteConfig(int32_t id, bool withInfo)
{
    LockScope lock(*this, true);
    if (withInfo && !Execute(u"DELETE FROM SyncInfo WHERE CFGID = ? ", {int64_t(id)}))
        return false;
    return Execute(u"DELETE FROM SyncConfig WHERE ID = ? ", {int64_t(id)});
}

bool CEVDSyncDb::AddConfig(EVD_SYNC_CONFIG& c)
{
    LockScope lock(*this, true);
    if (!Execute(u"INSERT INTO SyncConfig VALUES(NULL, ?, ?, ?, ?, ?)",
                 {int64_t(c.TYPE), c.USER, c.PLATFORM, c.SRC, c.DST}))
        return false;
    c.ID = int32_t(LastInsertRowId());
    return true;
}

bool CEVDSyncDb::AddSyncInfo(EVD_SYNC_INFO& info)
{
    LockScope lock(*this, true);
    if (!Execute(u"INSERT INTO SyncInfo VALUES(NULL, ?, ?, ?);",
                 {ToString16(info.CFGID), ToString16(info.EVDFILEID), info.XML}))
        return false;
    info.ID = int32_t(LastInsertRowId());
    return info.ID >= 0;
}

bool CEVDSyncDb::UpdateSyncInfo(int32_t id, std::u16string_view xml)
{
    LockScope lock(*this, true);
    return Execute(u"UPDATE SyncInfo SET XML = ? WHERE ID = ? ", {std::u16string(xml), int64_t(id)});
}

bool CEVDSyncDb::GetSyncInfo(int32_t cfgId, int32_t fileId, EVD_SYNC_INFO& out)
{
    LockScope lock(*this, true);
    bool found = false;
    Query(u"SELECT * FROM SyncInfo f WHERE f.CFGID = ? AND f.EVDFILEID = ?",
          {int64_t(cfgId), int64_t(fileId)}, [&](const SqlRow& r) {
              out.ID = ParseInt(r.Text(0));
              out.CFGID = ParseInt(r.Text(1));
              out.EVDFILEID = ParseInt(r.Text(2));
              out.XML = r.Text(3);
              found = true;
              return false;
          });
    return found;
}

} // namespace vel::evd
