#include "EvdTransfer.h"

#include <chrono>

namespace vel::evd {

EVD_TRANSFER_RECORD::EVD_TRANSFER_RECORD(NBK_TASK_HANDLE handle) : m_handle(handle) {}

EVD_TRANSFER_RECORD::~EVD_TRANSFER_RECORD()
{
    std::lock_guard lock(m_mutex);
    if (m_handle && !m_freed)
        NetBridgeKit_FreeTaskHandle(m_handle);
}

void EVD_TRANSFER_RECORD::Stop()
{
    m_stop = true;
    std::lock_guard lock(m_mutex);
    if (m_handle && !m_freed) {
        NetBridgeKit_FreeTaskHandle(m_handle);
        m_handle = 0;
        m_freed = true;
        m_result = 1023;
    }
    m_waitClosed = true;
    m_cv.notify_all();
}

NBK_TASK_HANDLE EVD_TRANSFER_RECORD::Handle() const
{
    std::lock_guard lock(m_mutex);
    return m_handle;
}

bool EVD_TRANSFER_RECORD::Freed() const
{
    std::lock_guard lock(m_mutex);
    return m_freed;
}

int32_t EVD_TRANSFER_RECORD::Result() const
{
    std::lock_guard lock(m_mutex);
    return m_result;
}

void EVD_TRANSFER_RECORD::SetResult(int32_t code)
{
    std::lock_guard lock(m_mutex);
    m_result = code;
}

void EVD_TRANSFER_RECORD::Signal()
{
    std::lock_guard lock(m_mutex);
    m_signalled = true;
    m_cv.notify_all();
}

bool EVD_TRANSFER_RECORD::Wait(unsigned timeoutMs)
{
    std::unique_lock lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                         [&] { return m_signalled || m_waitClosed; });
}

} // namespace vel::evd
