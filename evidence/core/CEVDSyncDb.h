#pragma once
// The sync store, evd_sync.db: the sync configurations (a local directory
// kept in step with a platform or NAS area) and, per configuration and node,
// the sync description of that node as an XML text. Opened last when the
// library store opens, closed after it, locked, upgraded and backed up the
// same way, under its own lock Global\EVDSyncDb_Lock_PROCESSLOCK.

#include "CSqliteDbMan.h"

#include <string>
#include <vector>

namespace vel::evd {

struct EVD_SYNC_CONFIG
{
    int32_t ID = -1;
    int32_t TYPE = -1;
    std::u16string USER;
    std::u16string PLATFORM;
    std::u16string SRC; // the local directory being synchronised
    std::u16string DST; // the remote side
};

struct EVD_SYNC_INFO
{
    int32_t ID = -1;
    int32_t CFGID = -1;
    int32_t EVDFILEID = -1;
    std::u16string XML;
};

class CEVDSyncDb : public CSqliteDbMan
{
public:
    static CEVDSyncDb& Instance();
    CEVDSyncDb();
    ~CEVDSyncDb() override;

    // evd_sync.db in the library data folder, or `path` when given.
    bool Open(std::u16string_view path = {});
    bool Close();
    static const std::vector<SchemaStep>& Schema();

    // A configuration by id; not found leaves out.ID at -1.
    bool GetConfig(int32_t id, EVD_SYNC_CONFIG& out);
    bool ConfigsOfUser(std::u16string_view user, std::u16string_view platform,
                       std::vector<EVD_SYNC_CONFIG>& out);
    // Every configuration whose directory is the path or lies below it.
    bool ConfigsCovering(std::u16string_view path, std::vector<EVD_SYNC_CONFIG>& out);
    bool ConfigOfPath(std::u16string_view path, EVD_SYNC_CONFIG& out);
    bool UpdateConfig(const EVD_SYNC_CONFIG& config);
    // With withInfo set, the configuration's SyncInfo rows go first.
    bool DeleteConfig(int32_t id, bool withInfo);
    // Made by the component that sets up synchronisation (tools, tests).
    bool AddConfig(EVD_SYNC_CONFIG& config);

    bool AddSyncInfo(EVD_SYNC_INFO& info);
    bool UpdateSyncInfo(int32_t id, std::u16string_view xml);
    bool GetSyncInfo(int32_t cfgId, int32_t fileId, EVD_SYNC_INFO& out);

private:
    bool QueryConfigs(std::u16string_view sql, const SqlParams& params, std::vector<EVD_SYNC_CONFIG>& out);
};

} // namespace vel::evd
