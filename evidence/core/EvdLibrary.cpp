#include "EvdLibrary.h"

#include "CDbgPrint.h"
#include "CEVDSqliteDb.h"
#include "EvdResult.h"
#include "platform/sync/NamedMutex.h"

#include <atomic>

namespace vel::evd {

namespace {

std::atomic<bool> g_initialized{false};

sync::NamedMutex& InitLock()
{
    static sync::NamedMutex lock(sync::ProcessLockName(u"VEL_EVD_API"));
    return lock;
}

} // namespace

int32_t Initialize()
{
    sync::NamedMutexLocker lock(&InitLock());
    if (g_initialized)
        return kEvdOk;
    if (!CEVDSqliteDb::Instance().Open()) {
        EVD_LOG_ERROR(u"opening the library store failed");
        return kEvdDbOpenFailed;
    }
    g_initialized = true;
    return kEvdOk;
}

void Teardown()
{
    if (!g_initialized.exchange(false))
        return;
    CEVDSqliteDb::Instance().Close();
}

bool IsInitialized()
{
    return g_initialized;
}

} // namespace vel::evd
