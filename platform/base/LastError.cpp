#include "LastError.h"

#include <cerrno>

namespace vel {

namespace {
thread_local uint32_t t_lastError = 0;
}

uint32_t GetLastError()
{
    return t_lastError;
}
void SetLastError(uint32_t code)
{
    t_lastError = code;
}

uint32_t ErrorFromErrno(int err)
{
    switch (err) {
    case 0:
        return kErrorSuccess;
    case ENOENT:
        return kErrorFileNotFound;
    case ENOTDIR:
        return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return kErrorAccessDenied;
    case EEXIST:
        return kErrorAlreadyExists;
    case ENOTEMPTY:
        return kErrorDirNotEmpty;
    case ENOSPC:
    case EDQUOT:
        return kErrorDiskFull;
    case ENAMETOOLONG:
        return kErrorFilenameExcedRange;
    case EINVAL:
        return kErrorInvalidParameter;
    case ENOMEM:
        return kErrorNotEnoughMemory;
    case EBUSY:
    case ETXTBSY:
        return kErrorSharingViolation;
    case EBADF:
        return kErrorInvalidHandle;
    case EISDIR:
        return kErrorAccessDenied;
    case EXDEV:
        return kErrorNotSupported;
    case ENOTSUP:
        return kErrorNotSupported;
    case EIO:
        return kErrorWriteFault;
    default:
        return kErrorInvalidParameter;
    }
}

} // namespace vel
