#include "EvdLibrary.h"

#include "CDbgPrint.h"
#include "CEVDSqliteDb.h"
#include "EvdResult.h"
#include "evidence/skin/ZBSkinLoader.h"
#include "platform/gfx/Drawing.h"
#include "platform/res/Resources.h"
#include "platform/sync/NamedMutex.h"

#include <atomic>

namespace vel::evd {

namespace {

std::atomic<bool> g_initialized{false};

// The skin file among the library's own resources.
constexpr uint32_t kSkinResourceId = 3002;

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
    // The drawing layer is set up by its first start only; later ones count.
    gfx::StartDrawing();
    if (!ZBSkinLoader::Shared().LoadPublicFromResource(VEL_RES_THIS_MODULE(), kSkinResourceId)) {
        EVD_LOG_ERROR(u"loading the skin from the library's resources failed");
        return kEvdSkinLoadFailed;
    }
    g_initialized = true;
    return kEvdOk;
}

void Teardown()
{
    if (!g_initialized.exchange(false))
        return;
    CEVDSqliteDb::Instance().Close();
    ZBSkinLoader::Shared().Clear();
}

bool IsInitialized()
{
    return g_initialized;
}

} // namespace vel::evd
