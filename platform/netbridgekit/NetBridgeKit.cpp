#include "NetBridgeKit.h"

#include <mutex>
#include <unordered_set>

namespace {

std::mutex g_mutex;
std::unordered_set<NBK_TASK_HANDLE> g_live;
NBK_TASK_HANDLE g_next = 0x1000;

} // namespace

extern "C" {

NBK_TASK_HANDLE NetBridgeKit_CreateTaskHandle(void)
{
    std::lock_guard lock(g_mutex);
    NBK_TASK_HANDLE h = g_next++;
    g_live.insert(h);
    return h;
}

void NetBridgeKit_FreeTaskHandle(NBK_TASK_HANDLE handle)
{
    std::lock_guard lock(g_mutex);
    g_live.erase(handle);
}

int NetBridgeKit_IsTaskHandleLive(NBK_TASK_HANDLE handle)
{
    std::lock_guard lock(g_mutex);
    return g_live.count(handle) ? 1 : 0;
}

size_t NetBridgeKit_LiveTaskHandles(void)
{
    std::lock_guard lock(g_mutex);
    return g_live.size();
}
}
