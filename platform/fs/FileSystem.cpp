#include "FileSystem.h"

#include "WinPath.h"
#include "platform/base/LastError.h"
#include "platform/base/Strings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace vel::fs {

namespace {

constexpr const char* kDosAttrib = "user.DOSATTRIB";

bool Fail(int err)
{
    SetLastError(ErrorFromErrno(err));
    return false;
}

// Maps a path or reports ERROR_PATH_NOT_FOUND for one that has no host form.
bool MapPath(std::u16string_view path, std::string& host)
{
    host = ToHost(path);
    if (host.empty()) {
        SetLastError(kErrorPathNotFound);
        return false;
    }
    return true;
}

WallClock::time_point FromTimespec(const timespec& ts)
{
    return WallClock::time_point(std::chrono::duration_cast<WallClock::duration>(
        std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec)));
}

uint32_t StoredAttributes(const std::string& host)
{
    char buf[32] = {};
    ssize_t n = getxattr(host.c_str(), kDosAttrib, buf, sizeof buf - 1);
    if (n <= 0)
        return 0;
    return uint32_t(strtoul(buf, nullptr, 0));
}

FileInfo InfoFrom(const std::string& host, const struct stat& st)
{
    FileInfo info;
    info.isDirectory = S_ISDIR(st.st_mode);
    info.size = info.isDirectory ? 0 : uint64_t(st.st_size);
    info.lastWrite = FromTimespec(st.st_mtim);
    uint32_t stored = StoredAttributes(host) & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
    if (!(st.st_mode & S_IWUSR))
        stored |= kAttrReadOnly;
    if (info.isDirectory)
        stored |= kAttrDirectory;
    info.attributes = stored ? stored : kAttrNormal;
    return info;
}

std::mutex g_providerMutex;
FreeSpaceProvider g_provider;

} // namespace

std::optional<FileInfo> Stat(std::u16string_view path)
{
    std::string host;
    if (!MapPath(path, host))
        return std::nullopt;
    struct stat st;
    if (stat(host.c_str(), &st) != 0) {
        Fail(errno);
        return std::nullopt;
    }
    return InfoFrom(host, st);
}

bool Exists(std::u16string_view path)
{
    return Stat(path).has_value();
}

bool IsDirectory(std::u16string_view path)
{
    auto st = Stat(path);
    return st && st->isDirectory;
}

std::optional<uint64_t> FileSize(std::u16string_view path)
{
    auto st = Stat(path);
    if (!st)
        return std::nullopt;
    return st->size;
}

std::optional<WallClock::time_point> LastWriteTime(std::u16string_view path)
{
    auto st = Stat(path);
    if (!st)
        return std::nullopt;
    return st->lastWrite;
}

bool SetLastWriteTime(std::u16string_view path, WallClock::time_point t)
{
    std::string host;
    if (!MapPath(path, host))
        return false;
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(ns / 1000000000);
    times[1].tv_nsec = long(ns % 1000000000);
    if (times[1].tv_nsec < 0) {
        times[1].tv_sec -= 1;
        times[1].tv_nsec += 1000000000;
    }
    if (utimensat(AT_FDCWD, host.c_str(), times, 0) != 0)
        return Fail(errno);
    return true;
}

uint32_t GetAttributes(std::u16string_view path)
{
    auto st = Stat(path);
    return st ? st->attributes : kInvalidAttributes;
}

bool SetAttributes(std::u16string_view path, uint32_t attributes)
{
    std::string host;
    if (!MapPath(path, host))
        return false;
    struct stat st;
    if (stat(host.c_str(), &st) != 0)
        return Fail(errno);
    uint32_t keep = attributes & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive);
    char buf[32];
    snprintf(buf, sizeof buf, "0x%x", keep);
    if (setxattr(host.c_str(), kDosAttrib, buf, strlen(buf), 0) != 0 && errno != ENOTSUP)
        return Fail(errno);
    // Read-only is also the host's write permission, so other programs see it.
    mode_t mode = st.st_mode & 07777;
    mode_t want = (keep & kAttrReadOnly) ? (mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
    if (!S_ISDIR(st.st_mode) && want != mode && chmod(host.c_str(), want) != 0)
        return Fail(errno);
    return true;
}

uint32_t CreateDirectory(std::u16string_view path)
{
    std::string host;
    if (!MapPath(path, host))
        return kErrorPathNotFound;
    if (mkdir(host.c_str(), 0777) == 0)
        return 0;
    int err = errno;
    uint32_t code = err == ENOENT ? kErrorPathNotFound : ErrorFromErrno(err);
    SetLastError(code);
    return code;
}

uint32_t CreateDirectoryChain(std::u16string_view path)
{
    if (path.empty()) {
        SetLastError(kErrorInvalidParameter);
        return kErrorInvalidParameter;
    }
    if (auto st = Stat(path)) {
        uint32_t code = st->isDirectory ? kErrorAlreadyExists : kErrorFileExists;
        SetLastError(code);
        return code;
    }
    std::u16string root = RootOf(path);
    std::u16string parent = RemoveLastComponent(path);
    if (!parent.empty() && parent.size() > root.size() && !IsDirectory(parent)) {
        uint32_t rc = CreateDirectoryChain(parent);
        if (!DirectoryChainOk(rc))
            return rc;
    }
    uint32_t rc = CreateDirectory(path);
    if (rc == kErrorAlreadyExists && IsDirectory(path))
        return 0; // another process made it in the meantime
    return rc;
}

bool DeleteFile(std::u16string_view path)
{
    std::string host;
    if (!MapPath(path, host))
        return false;
    struct stat st;
    if (lstat(host.c_str(), &st) != 0)
        return Fail(errno);
    if (S_ISDIR(st.st_mode)) {
        SetLastError(kErrorAccessDenied);
        return false;
    }
    if (unlink(host.c_str()) != 0)
        return Fail(errno);
    return true;
}

bool RemoveDirectory(std::u16string_view path)
{
    std::string host;
    if (!MapPath(path, host))
        return false;
    if (rmdir(host.c_str()) != 0)
        return Fail(errno);
    return true;
}

bool RemoveTree(std::u16string_view path)
{
    auto st = Stat(path);
    if (!st)
        return false;
    if (!st->isDirectory)
        return DeleteFile(path);
    for (auto& e : List(Join(path, u"*")))
        if (!RemoveTree(Join(path, e.name)))
            return false;
    return RemoveDirectory(path);
}

bool CopyFile(std::u16string_view from, std::u16string_view to, bool failIfExists,
              const CopyProgress& progress)
{
    std::string src, dst;
    if (!MapPath(from, src) || !MapPath(to, dst))
        return false;
    int in = open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return Fail(errno);
    struct stat st;
    if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(in);
        SetLastError(kErrorAccessDenied);
        return false;
    }
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
    int out = open(dst.c_str(), flags, 0666);
    if (out < 0) {
        int err = errno;
        close(in);
        if (err == EEXIST) {
            SetLastError(kErrorFileExists);
            return false;
        }
        return Fail(err);
    }
    const uint64_t total = uint64_t(st.st_size);
    uint64_t copied = 0;
    static constexpr size_t kChunk = 1 << 20;
    std::string buf(kChunk, '\0');
    bool ok = true;
    uint32_t code = 0;
    if (progress && !progress(0, total)) {
        ok = false;
        code = kErrorCancelled;
    }
    while (ok) {
        ssize_t n = read(in, buf.data(), kChunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            code = ErrorFromErrno(errno);
            break;
        }
        if (n == 0)
            break;
        for (ssize_t off = 0; off < n;) {
            ssize_t w = write(out, buf.data() + off, size_t(n - off));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                ok = false;
                code = ErrorFromErrno(errno);
                break;
            }
            off += w;
        }
        if (!ok)
            break;
        copied += uint64_t(n);
        if (progress && !progress(copied, total)) {
            ok = false;
            code = kErrorCancelled;
        }
    }
    if (close(out) != 0 && ok) {
        ok = false;
        code = ErrorFromErrno(errno);
    }
    close(in);
    if (!ok) {
        unlink(dst.c_str());
        SetLastError(code);
        return false;
    }
    // Keep the source's modification time, as a file copy does.
    timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    utimensat(AT_FDCWD, dst.c_str(), times, 0);
    return true;
}

bool MoveFile(std::u16string_view from, std::u16string_view to)
{
    std::string src, dst;
    if (!MapPath(from, src) || !MapPath(to, dst))
        return false;
    struct stat st;
    if (lstat(src.c_str(), &st) != 0)
        return Fail(errno);
    struct stat dt;
    // The target must not exist, except when it is the source itself under
    // another letter case (a rename that only changes case).
    if (lstat(dst.c_str(), &dt) == 0 && !(dt.st_ino == st.st_ino && dt.st_dev == st.st_dev)) {
        SetLastError(kErrorAlreadyExists);
        return false;
    }
    if (rename(src.c_str(), dst.c_str()) == 0)
        return true;
    if (errno != EXDEV)
        return Fail(errno);
    if (S_ISDIR(st.st_mode)) {
        if (!DirectoryChainOk(CreateDirectoryChain(to)))
            return false;
        for (auto& e : List(Join(from, u"*")))
            if (!MoveFile(Join(from, e.name), Join(to, e.name)))
                return false;
        return RemoveDirectory(from);
    }
    if (!CopyFile(from, to, true))
        return false;
    return DeleteFile(from);
}

bool MatchPattern(std::u16string_view pattern, std::u16string_view name)
{
    if (pattern == u"*.*" || pattern == u"*")
        return true;
    // Iterative wildcard match with one back-tracking point per '*'.
    size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || ToLower(pattern[p]) == ToLower(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    // "name.*" also matches "name" (the dot and an empty extension).
    if (p + 2 == pattern.size() && pattern[p] == u'.' && pattern[p + 1] == u'*')
        return true;
    return p == pattern.size();
}

std::vector<DirEntry> List(std::u16string_view pattern)
{
    std::vector<DirEntry> out;
    std::u16string last = LastComponent(pattern);
    bool wild = last.find_first_of(u"*?") != std::u16string::npos;
    if (!wild) {
        if (auto st = Stat(pattern))
            out.push_back({last, *st});
        else
            SetLastError(kErrorFileNotFound);
        return out;
    }
    std::u16string dir = RemoveLastComponent(pattern);
    std::string host;
    if (dir.empty()) {
        host = ".";
    } else if (!MapPath(dir, host)) {
        return out;
    }
    DIR* d = opendir(host.c_str());
    if (!d) {
        Fail(errno == ENOENT ? ENOTDIR : errno);
        return out;
    }
    while (dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        std::u16string name = Utf8ToUtf16(e->d_name);
        if (!MatchPattern(last, name))
            continue;
        std::string full = host + (host == "/" ? "" : "/") + e->d_name;
        struct stat st;
        if (stat(full.c_str(), &st) != 0)
            continue; // vanished or a dangling link
        out.push_back({std::move(name), InfoFrom(full, st)});
    }
    closedir(d);
    if (out.empty())
        SetLastError(kErrorFileNotFound);
    return out;
}

std::optional<uint64_t> HostFreeBytes(std::u16string_view root)
{
    std::string host = ToHost(root);
    if (host.empty())
        return std::nullopt;
    struct statvfs vs;
    if (statvfs(host.c_str(), &vs) != 0)
        return std::nullopt;
    return uint64_t(vs.f_bavail) * uint64_t(vs.f_frsize);
}

void SetFreeSpaceProvider(FreeSpaceProvider provider)
{
    std::lock_guard lock(g_providerMutex);
    g_provider = std::move(provider);
}

std::optional<uint64_t> FreeBytes(std::u16string_view path)
{
    std::u16string root = RootOf(path);
    if (root.empty())
        return std::nullopt;
    FreeSpaceProvider provider;
    {
        std::lock_guard lock(g_providerMutex);
        provider = g_provider;
    }
    return provider ? provider(root) : HostFreeBytes(root);
}

std::optional<std::string> ReadFile(std::u16string_view path, size_t maxBytes)
{
    std::string host;
    if (!MapPath(path, host))
        return std::nullopt;
    int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        Fail(errno);
        return std::nullopt;
    }
    std::string data;
    char buf[65536];
    while (true) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
            close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        if (data.size() + size_t(n) > maxBytes) {
            close(fd);
            SetLastError(kErrorInsufficientBuffer);
            return std::nullopt;
        }
        data.append(buf, size_t(n));
    }
    close(fd);
    return data;
}

bool WriteFile(std::u16string_view path, std::string_view bytes)
{
    std::string host;
    if (!MapPath(path, host))
        return false;
    int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return Fail(errno);
    size_t off = 0;
    while (off < bytes.size()) {
        ssize_t w = write(fd, bytes.data() + off, bytes.size() - off);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            int err = errno;
            close(fd);
            return Fail(err);
        }
        off += size_t(w);
    }
    if (close(fd) != 0)
        return Fail(errno);
    return true;
}

} // namespace vel::fs
