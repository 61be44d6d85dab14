#pragma once
// The library store, evd.db: every node of the library tree (FileInfo), the
// settings (ConfigInfo), the history of setting values (ConfigHistory, which
// doubles as the table of library roots) and two task tables kept for
// compatibility. One instance per process serves every window and worker;
// several processes share the file through the process lock
// Global\EVDSqliteDb_Lock_PROCESSLOCK.
//
//   closed --Open()--> open --Close()--> closed   (the instance survives)

#include "CSqliteDbMan.h"
#include "EvdRecords.h"

#include <functional>
#include <vector>

namespace vel::evd {

class CEVDSqliteDb : public CSqliteDbMan
{
public:
    static CEVDSqliteDb& Instance();

    CEVDSqliteDb();
    ~CEVDSqliteDb() override;

    // Opens evd.db in the library data folder (or `path` when given: tests,
    // tools), creates or upgrades the schema, creates the default directory,
    // finds (creating it the first time) the my-resources root, then opens
    // the sync store evd_sync.db (whose result is the result).
    bool Open(std::u16string_view path = {});
    // Closes the connection, copies evd.db to evd.db.bak, then closes the
    // sync store the same way.
    bool Close();

    // The six schema statements, in order, with their tables' columns.
    static const std::vector<SchemaStep>& Schema();

    // The cached my-resources root (ID -1 when none was found).
    const EVD_FILE_INFO& MyResourcesRoot() const { return m_myResources; }
    bool IsInMyResources(const EVD_FILE_INFO& node) const;

    // FileInfo
    bool AddNode(EVD_FILE_INFO& info, std::u16string* error, bool lock);
    bool UpdateNode(const EVD_FILE_INFO& info, std::u16string* error, bool lock);
    bool GetNode(int32_t id, EVD_FILE_INFO& out, bool lock);
    bool FindChildByName(int32_t parentId, std::u16string_view name, EVD_FILE_INFO& out, bool lock);
    bool QueryNodes(const EVD_SEARCH_FILTER& filter, std::vector<EVD_FILE_INFO>& out, bool lock);
    int64_t CountNodes(const EVD_SEARCH_FILTER& filter, bool lock);
    int64_t CountSubtree(int32_t id, bool lock);
    bool DistinctLibPaths(const EVD_SEARCH_FILTER& filter, std::vector<int32_t>& out, bool lock);
    bool NameTaken(int32_t parentId, std::u16string_view name, bool lock);
    bool DeleteNode(int32_t id, bool lock);
    bool DeleteByLibPath(int32_t libPathId, int32_t priority, bool lock);
    bool DeleteAllBut(int32_t priority, bool lock);
    // Year group of a case's creation time (created when missing); -1 when
    // the time is shorter than a year.
    int32_t YearGroup(std::u16string_view createTime, bool lock);

    // ConfigInfo
    std::u16string GetSetting(std::u16string_view sec, std::u16string_view key, bool lock);
    int32_t GetSettingInt(std::u16string_view sec, std::u16string_view key, bool lock);
    bool SettingExists(std::u16string_view sec, std::u16string_view key, bool lock);
    bool SetSetting(std::u16string_view sec, std::u16string_view key, std::u16string_view value,
                    bool addToHistory, bool lock);

    // ConfigHistory
    bool AddHistory(std::u16string_view sec, std::u16string_view key, std::u16string_view value, bool lock);
    bool UpdateHistoryValue(int32_t id, std::u16string_view value, bool lock);
    bool HistoryValueExists(std::u16string_view sec, std::u16string_view key, std::u16string_view value,
                            bool lock);
    std::u16string HistoryById(int32_t id, bool lock);
    bool DeleteHistory(int32_t id, bool lock);
    bool ListHistory(std::u16string_view sec, std::u16string_view key, std::vector<EVD_CFG_HISTORY>& out,
                     bool lock);

    // The query builder: condition text (with leading " WHERE " when not
    // empty, ORDER BY and LIMIT) and its bound values.
    bool BuildCondition(const EVD_SEARCH_FILTER& filter, std::u16string& sql, SqlParams& params);

private:
    bool LoadMyResourcesRoot();

    EVD_FILE_INFO m_myResources;
};

// Reads one FileInfo row (SELECT * order) into a record.
EVD_FILE_INFO NodeFromRow(const SqlRow& row);

} // namespace vel::evd
