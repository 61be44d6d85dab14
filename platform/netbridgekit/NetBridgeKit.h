#pragma once
// Handles of running platform transfers. A transfer is represented by a
// handle from the platform's network library; whoever stops a transfer
// frees its handle exactly once. Freeing an unknown or already freed handle
// does nothing.

#include <cstddef>
#include <cstdint>

extern "C" {

typedef uintptr_t NBK_TASK_HANDLE;

// A new live handle (never 0).
NBK_TASK_HANDLE NetBridgeKit_CreateTaskHandle(void);
void NetBridgeKit_FreeTaskHandle(NBK_TASK_HANDLE handle);
// 1 while the handle is live.
int NetBridgeKit_IsTaskHandleLive(NBK_TASK_HANDLE handle);
// Number of live handles (for leak checks).
size_t NetBridgeKit_LiveTaskHandles(void);
}
