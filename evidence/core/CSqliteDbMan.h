#pragma once
// Base of the library's SQLite stores: one connection per process, opened in
// serialised mode, and the store's machine-wide process lock.
//
// Every statement binds its values; nothing outside input reaches SQL text.
// Operations of the derived stores take a lock flag: with it set they hold
// the process lock for their whole duration. The lock is re-entrant for the
// owning thread, so an operation may call others with the flag set too.

#include "platform/sync/NamedMutex.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace vel::evd {

// A bound statement parameter: text (bound as UTF-8), an integer, or NULL.
using SqlValue = std::variant<std::u16string, int64_t, std::nullptr_t>;
using SqlParams = std::vector<SqlValue>;

// One result row during a query; valid only inside the row callback.
class SqlRow
{
public:
    explicit SqlRow(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    int Columns() const;
    bool IsNull(int col) const;
    int64_t Int(int col, int64_t ifNull = 0) const;
    std::u16string Text(int col) const;

private:
    sqlite3_stmt* m_stmt;
};

// One statement of a store's schema. A CREATE TABLE names its table and
// column list: after it succeeds every column is added with ALTER TABLE, so a
// database made by an older version gains the columns it lacks (an ALTER of
// an existing column fails harmlessly). Other statements (an index) may fail
// when what they make exists already.
struct SchemaColumn
{
    const char16_t* name;
    const char16_t* type;
};
struct SchemaStep
{
    std::u16string statement;
    const char16_t* table = nullptr;
    std::vector<SchemaColumn> columns;
};

class CSqliteDbMan
{
public:
    explicit CSqliteDbMan(std::u16string_view lockBaseName);
    // Closes an open connection with its backup.
    virtual ~CSqliteDbMan();
    CSqliteDbMan(const CSqliteDbMan&) = delete;
    CSqliteDbMan& operator=(const CSqliteDbMan&) = delete;

    bool IsOpen() const { return m_db != nullptr; }
    sync::NamedMutex& ProcessLock() { return m_lock; }

    // Opens (creating when missing) the database at a Windows path; any
    // open connection is closed first. Busy time-out 2000 ms.
    bool OpenConnection(std::u16string_view winPath);
    // Closes the connection; false (and left open) when it is busy.
    bool CloseConnection();
    // Under the process lock: opens the database and runs its schema; the
    // connection is closed again when the schema fails.
    bool OpenWithSchema(std::u16string_view winPath, const std::vector<SchemaStep>& steps);
    // Runs the schema in one transaction (holding the process lock); false
    // and rolled back when a CREATE TABLE fails.
    bool CreateSchema(const std::vector<SchemaStep>& steps);
    // Under the process lock: closes the connection, then copies the file
    // to <file>.bak (also when the connection was busy and stays open).
    bool CloseWithBackup();

    // "begin transaction" takes the process lock and keeps it; commit and
    // rollback release it.
    bool Begin();
    bool Commit();
    bool Rollback();

    bool Execute(std::u16string_view sql, const SqlParams& params = {});
    // First column of the first row as an integer, or -1 without a row.
    int64_t Scalar(std::u16string_view sql, const SqlParams& params = {});
    // First column of the first row as text, or "" without a row.
    std::u16string ScalarText(std::u16string_view sql, const SqlParams& params = {});
    // Runs a query, calling onRow for every row until it returns false.
    bool Query(std::u16string_view sql, const SqlParams& params,
               const std::function<bool(const SqlRow&)>& onRow);
    int64_t LastInsertRowId();
    // SQLite's text of the last failure (for logs only).
    std::u16string LastErrorText() const;

    // Holds the process lock for a scope when `take` is set.
    class LockScope
    {
    public:
        LockScope(CSqliteDbMan& db, bool take) : m_locker(take ? &db.m_lock : nullptr) {}

    private:
        sync::NamedMutexLocker m_locker;
    };

protected:
    sqlite3* m_db = nullptr;
    std::u16string m_path;

private:
    sqlite3_stmt* Prepare(std::u16string_view sql, const SqlParams& params);

    sync::NamedMutex m_lock;
};

// Rolls a transaction back unless it was committed.
class TransactionHolder
{
public:
    explicit TransactionHolder(CSqliteDbMan& db) : m_db(db), m_active(db.Begin()) {}
    ~TransactionHolder()
    {
        if (m_active)
            m_db.Rollback();
    }
    bool Active() const { return m_active; }
    bool Commit()
    {
        if (!m_active)
            return false;
        m_active = false;
        return m_db.Commit();
    }

private:
    CSqliteDbMan& m_db;
    bool m_active;
};

} // namespace vel::evd
