#include "CSqliteDbMan.h"

#include "CDbgPrint.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"

#include <sqlite3.h>

namespace vel::evd {

int SqlRow::Columns() const
{
    return sqlite3_column_count(m_stmt);
}
bool SqlRow::IsNull(int col) const
{
    return sqlite3_column_type(m_stmt, col) == SQLITE_NULL;
}

int64_t SqlRow::Int(int col, int64_t ifNull) const
{
    if (IsNull(col))
        return ifNull;
    return sqlite3_column_int64(m_stmt, col);
}

std::u16string SqlRow::Text(int col) const
{
    const unsigned char* t = sqlite3_column_text(m_stmt, col);
    if (!t)
        return {};
    return Utf8ToUtf16(
        std::string_view(reinterpret_cast<const char*>(t), size_t(sqlite3_column_bytes(m_stmt, col))));
}

CSqliteDbMan::CSqliteDbMan(std::u16string_view lockBaseName) : m_lock(sync::ProcessLockName(lockBaseName)) {}

CSqliteDbMan::~CSqliteDbMan()
{
    if (m_db)
        CloseWithBackup();
    if (m_db)
        sqlite3_close_v2(m_db); // busy at exit: let SQLite finish it
}

bool CSqliteDbMan::OpenConnection(std::u16string_view winPath)
{
    CloseConnection();
    if (m_db)
        return false;
    std::string host = fs::ToHost(winPath);
    if (host.empty())
        return false;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(host.c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        EVD_LOG_ERROR(u"sqlite open %s failed: %S", std::u16string(winPath).c_str(),
                      db ? sqlite3_errmsg(db) : "");
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_busy_timeout(db, 2000);
    // The library's lists scan FileInfo by parent: reading pages through a
    // memory map and keeping more of them cached spares a copy per page.
    sqlite3_exec(db, "PRAGMA mmap_size = 268435456; PRAGMA cache_size = -16384", nullptr, nullptr, nullptr);
    m_db = db;
    m_path = std::u16string(winPath);
    return true;
}

bool CSqliteDbMan::CloseConnection()
{
    if (!m_db)
        return true;
    if (sqlite3_close(m_db) != SQLITE_OK)
        return false;
    m_db = nullptr;
    return true;
}

bool CSqliteDbMan::OpenWithSchema(std::u16string_view winPath, const std::vector<SchemaStep>& steps)
{
    LockScope lock(*this, true);
    if (!OpenConnection(winPath))
        return false;
    if (!CreateSchema(steps)) {
        EVD_LOG_ERROR(u"creating the tables of %s failed: %s", m_path.c_str(), LastErrorText().c_str());
        CloseConnection();
        return false;
    }
    return true;
}

bool CSqliteDbMan::CreateSchema(const std::vector<SchemaStep>& steps)
{
    if (!IsOpen())
        return false;
    TransactionHolder tx(*this);
    if (!tx.Active())
        return false;
    for (const SchemaStep& step : steps) {
        bool ok = Execute(step.statement);
        if (!step.table)
            continue;
        if (!ok)
            return false;
        for (const SchemaColumn& c : step.columns)
            Execute(Format16(u"alter table %s add %s %s", step.table, c.name, c.type));
    }
    return tx.Commit();
}

bool CSqliteDbMan::CloseWithBackup()
{
    LockScope lock(*this, true);
    bool closed = CloseConnection();
    if (!m_path.empty())
        fs::CopyFile(m_path, m_path + u".bak", false);
    return closed;
}

sqlite3_stmt* CSqliteDbMan::Prepare(std::u16string_view sql, const SqlParams& params)
{
    if (!m_db)
        return nullptr;
    std::string text = Utf16ToUtf8(sql);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, text.c_str(), int(text.size()), &stmt, nullptr) != SQLITE_OK || !stmt) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    int index = 1;
    for (const SqlValue& v : params) {
        int rc = SQLITE_OK;
        if (auto* s = std::get_if<std::u16string>(&v)) {
            std::string u8 = Utf16ToUtf8(*s);
            rc = sqlite3_bind_text(stmt, index, u8.data(), int(u8.size()), SQLITE_TRANSIENT);
        } else if (auto* i = std::get_if<int64_t>(&v)) {
            rc = sqlite3_bind_int64(stmt, index, *i);
        } else {
            rc = sqlite3_bind_null(stmt, index);
        }
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            return nullptr;
        }
        ++index;
    }
    return stmt;
}

bool CSqliteDbMan::Execute(std::u16string_view sql, const SqlParams& params)
{
    sqlite3_stmt* stmt = Prepare(sql, params);
    if (!stmt)
        return false;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

bool CSqliteDbMan::Query(std::u16string_view sql, const SqlParams& params,
                         const std::function<bool(const SqlRow&)>& onRow)
{
    sqlite3_stmt* stmt = Prepare(sql, params);
    if (!stmt)
        return false;
    int rc;
    SqlRow row(stmt);
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        if (!onRow(row)) {
            rc = SQLITE_DONE;
            break;
        }
    }
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE;
}

int64_t CSqliteDbMan::Scalar(std::u16string_view sql, const SqlParams& params)
{
    int64_t value = -1;
    Query(sql, params, [&](const SqlRow& r) {
        value = r.Int(0, 0);
        return false;
    });
    return value;
}

std::u16string CSqliteDbMan::ScalarText(std::u16string_view sql, const SqlParams& params)
{
    std::u16string value;
    Query(sql, params, [&](const SqlRow& r) {
        value = r.Text(0);
        return false;
    });
    return value;
}

int64_t CSqliteDbMan::LastInsertRowId()
{
    return m_db ? sqlite3_last_insert_rowid(m_db) : -1;
}

std::u16string CSqliteDbMan::LastErrorText() const
{
    return m_db ? Utf8ToUtf16(sqlite3_errmsg(m_db)) : u"";
}

bool CSqliteDbMan::Begin()
{
    if (!m_db)
        return false;
    m_lock.Lock();
    if (!Execute(u"begin transaction")) {
        m_lock.Unlock();
        return false;
    }
    return true;
}

bool CSqliteDbMan::Commit()
{
    bool ok = Execute(u"commit transaction");
    if (!ok)
        Execute(u"rollback transaction");
    m_lock.Unlock();
    return ok;
}

bool CSqliteDbMan::Rollback()
{
    bool ok = Execute(u"rollback transaction");
    m_lock.Unlock();
    return ok;
}

} // namespace vel::evd
