#pragma once
// The per-thread "last error" value of the platform the suite was designed
// for. Platform calls set it on failure; callers read it afterwards. Numbers
// are the Windows error codes the suite's behaviour is written in terms of.

#include <cstdint>

namespace vel {

enum : uint32_t
{
    kErrorSuccess = 0,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    kErrorNotEnoughMemory = 8,
    kErrorNoMoreFiles = 18,
    kErrorNotReady = 21,
    kErrorWriteFault = 29,
    kErrorSharingViolation = 32,
    kErrorHandleDiskFull = 39,
    kErrorNotSupported = 50,
    kErrorFileExists = 80,
    kErrorInvalidParameter = 87,
    kErrorDiskFull = 112,
    kErrorInsufficientBuffer = 122,
    kErrorInvalidName = 123,
    kErrorDirNotEmpty = 145,
    kErrorAlreadyExists = 183,
    kErrorFilenameExcedRange = 206,
    kErrorWaitTimeout = 258,
    kErrorCancelled = 1223,
};

uint32_t GetLastError();
void SetLastError(uint32_t code);

// Maps a POSIX errno value to the nearest Windows error code.
uint32_t ErrorFromErrno(int err);

// Restores the thread's last error when it goes out of scope, so that code
// which must not disturb it (logging) can call anything it likes.
class LastErrorKeeper
{
public:
    LastErrorKeeper() : m_saved(GetLastError()) {}
    ~LastErrorKeeper() { SetLastError(m_saved); }
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

private:
    uint32_t m_saved;
};

} // namespace vel
