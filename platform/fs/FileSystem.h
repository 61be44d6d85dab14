#pragma once
// Files and directories addressed by Windows paths (see WinPath.h). Each
// call that fails sets the thread's last error to the Windows code of the
// failure, so callers can report it the way the suite always has.

#include "platform/base/Time.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vel::fs {

enum : uint32_t
{
    kAttrReadOnly = 0x1,
    kAttrHidden = 0x2,
    kAttrSystem = 0x4,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
    kAttrNormal = 0x80,
    kInvalidAttributes = 0xFFFFFFFFu,
};

struct FileInfo
{
    bool isDirectory = false;
    uint64_t size = 0;
    WallClock::time_point lastWrite{};
    uint32_t attributes = 0;
};

struct DirEntry
{
    std::u16string name;
    FileInfo info;
};

bool Exists(std::u16string_view path);
bool IsDirectory(std::u16string_view path);
std::optional<FileInfo> Stat(std::u16string_view path);
std::optional<uint64_t> FileSize(std::u16string_view path);
std::optional<WallClock::time_point> LastWriteTime(std::u16string_view path);
bool SetLastWriteTime(std::u16string_view path, WallClock::time_point t);

// Attributes: kInvalidAttributes when the path does not exist. Hidden and
// read-only are kept in the extended attribute user.DOSATTRIB.
uint32_t GetAttributes(std::u16string_view path);
bool SetAttributes(std::u16string_view path, uint32_t attributes);

// One directory level. Returns 0, or a Windows error code: 183 when the
// path already exists, 3 when its parent does not.
uint32_t CreateDirectory(std::u16string_view path);
// All missing levels. Returns 0 on success, 183 when the directory already
// existed, 80 when a file is in the way, another error code otherwise.
uint32_t CreateDirectoryChain(std::u16string_view path);
// True for the results of CreateDirectoryChain that mean "it is there now".
inline bool DirectoryChainOk(uint32_t rc)
{
    return rc == 0 || rc == 80 || rc == 183;
}

bool DeleteFile(std::u16string_view path);
bool RemoveDirectory(std::u16string_view path); // empty directories only
// Deletes a directory and everything below it.
bool RemoveTree(std::u16string_view path);
// Renames a file or directory; fails when the target exists. Moves across
// host file systems by copying.
bool MoveFile(std::u16string_view from, std::u16string_view to);
// Copies one file; with failIfExists an existing target fails with 80.
// The progress callback gets (copied, total) and may return false to cancel
// (the partial target is removed and the last error is 1223).
using CopyProgress = std::function<bool(uint64_t copied, uint64_t total)>;
bool CopyFile(std::u16string_view from, std::u16string_view to, bool failIfExists,
              const CopyProgress& progress = {});

// Directory listing in the manner of a find-first/find-next loop: the last
// component of `pattern` may hold the wildcards '*' and '?' (matched
// without regard to case; "*.*" matches every name). Without wildcards the
// entry itself is returned when it exists. "." and ".." are never listed.
std::vector<DirEntry> List(std::u16string_view pattern);
// Wildcard match of one name, as List uses it.
bool MatchPattern(std::u16string_view pattern, std::u16string_view name);

// Free bytes available to the caller on the drive or share holding `path`.
// Asked through one replaceable provider so tests can give a drive any size;
// the provider gets the root ("C:\" or "\\server\share\").
using FreeSpaceProvider = std::function<std::optional<uint64_t>(std::u16string_view root)>;
std::optional<uint64_t> FreeBytes(std::u16string_view path);
void SetFreeSpaceProvider(FreeSpaceProvider provider); // empty restores the default
std::optional<uint64_t> HostFreeBytes(std::u16string_view root);

// Reads or writes a whole file (binary). Write replaces the file.
std::optional<std::string> ReadFile(std::u16string_view path, size_t maxBytes = SIZE_MAX);
bool WriteFile(std::u16string_view path, std::string_view bytes);

} // namespace vel::fs
