#pragma once
// A running platform transfer as the library's task windows keep it: the
// transfer's handle, a stop flag the worker polls, and a wait object the
// worker signals when it ends.
//
//   running --Stop()--> stopped: handle freed once, result 1023 ("用户取消操作!")

#include "platform/netbridgekit/NetBridgeKit.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace vel::evd {

class EVD_TRANSFER_RECORD
{
public:
    explicit EVD_TRANSFER_RECORD(NBK_TASK_HANDLE handle = 0);
    ~EVD_TRANSFER_RECORD();
    EVD_TRANSFER_RECORD(const EVD_TRANSFER_RECORD&) = delete;
    EVD_TRANSFER_RECORD& operator=(const EVD_TRANSFER_RECORD&) = delete;

    // Sets the stop flag, frees a set handle that is not freed yet, and
    // closes the wait object (waking anyone waiting on it). Safe to call
    // from several threads and more than once.
    void Stop();

    bool StopRequested() const { return m_stop; }
    NBK_TASK_HANDLE Handle() const;
    bool Freed() const;
    int32_t Result() const;
    void SetResult(int32_t code);
    // The worker's end: wakes waiters.
    void Signal();
    // Waits until signalled or stopped; false on time-out.
    bool Wait(unsigned timeoutMs);

private:
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    NBK_TASK_HANDLE m_handle;
    bool m_freed = false;
    bool m_signalled = false;
    bool m_waitClosed = false;
    int32_t m_result = 0;
};

} // namespace vel::evd
