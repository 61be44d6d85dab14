// Documents from byte buffers, files and module resources, and documents
// written back to files.

#include "TextEncoding.h"
#include "ZBXMLElement.h"

#include "platform/base/LastError.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"
#include "platform/res/Resources.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vel {

namespace {

// Reads at most `limit` + 1 bytes, so the caller can tell a file that grew
// past the limit after it was measured. `hint` is the expected size.
bool ReadUpTo(int fd, bool fromStart, size_t hint, size_t limit, std::string& out)
{
    out.assign(std::min(hint, limit) + 1, '\0');
    size_t got = 0;
    while (true) {
        if (got == out.size()) {
            if (out.size() > limit)
                break;
            out.resize(std::min(out.size() * 2, limit + 1));
        }
        ssize_t n = fromStart ? pread(fd, out.data() + got, out.size() - got, static_cast<off_t>(got))
                              : read(fd, out.data() + got, out.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            SetLastError(ErrorFromErrno(errno));
            return false;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return true;
}

// The error of a failed open: a missing folder on the way is "path not
// found", a missing file in an existing folder "file not found".
uint32_t OpenError(int err, const std::string& host)
{
    if (err == ENOENT) {
        size_t slash = host.find_last_of('/');
        std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : host.substr(0, slash);
        struct stat st;
        if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return kErrorPathNotFound;
    }
    return ErrorFromErrno(err);
}

} // namespace

std::unique_ptr<ZBXMLElement> ZBXMLElement::ParseBuffer(const void* bytes, size_t size)
{
    if (!bytes && size)
        return nullptr;
    try {
        std::u16string text = DecodeText(bytes, size);
        return ParseText(std::u16string_view(text));
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<ZBXMLElement> ZBXMLElement::LoadFile(int fd)
{
    try {
        struct stat st;
        if (fd < 0 || fstat(fd, &st) != 0) {
            SetLastError(kErrorInvalidHandle);
            return nullptr;
        }
        const bool regular = S_ISREG(st.st_mode);
        if (regular && static_cast<uint64_t>(st.st_size) > kMaxFileSize) {
            SetLastError(kErrorNotEnoughMemory);
            return nullptr;
        }
        // A regular file is read from its start whatever the descriptor's
        // position; a pipe or device from where it stands.
        std::string bytes;
        const size_t hint = regular ? static_cast<size_t>(st.st_size) : 65536;
        if (!ReadUpTo(fd, regular, hint, static_cast<size_t>(kMaxFileSize), bytes))
            return nullptr;
        if (bytes.size() > kMaxFileSize) {
            SetLastError(kErrorNotEnoughMemory);
            return nullptr;
        }
        return ParseBuffer(bytes.data(), bytes.size());
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<ZBXMLElement> ZBXMLElement::LoadFile(std::u16string_view path)
{
    try {
        std::string host = fs::ToHost(path);
        if (host.empty()) {
            SetLastError(kErrorPathNotFound);
            return nullptr;
        }
        int fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            SetLastError(OpenError(errno, host));
            return nullptr;
        }
        std::unique_ptr<ZBXMLElement> root = LoadFile(fd);
        close(fd);
        return root;
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<ZBXMLElement> ZBXMLElement::LoadResource(const void* module, uint32_t id)
{
    try {
        auto bytes = res::Find(module, "xml", id);
        if (!bytes) {
            SetLastError(kErrorFileNotFound);
            return nullptr;
        }
        return ParseBuffer(bytes->data(), bytes->size());
    } catch (...) {
        return nullptr;
    }
}

bool ZBXMLElement::SaveFile(std::u16string_view path) const
{
    try {
        const std::u16string text = ToString(true, true);
        if (text.empty()) {
            SetLastError(kErrorNotEnoughMemory);
            return false;
        }
        std::string bytes(text.size() * 2, '\0');
        for (size_t i = 0; i < text.size(); ++i) {
            bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
        }
        std::string host = fs::ToHost(path);
        if (host.empty()) {
            SetLastError(kErrorPathNotFound);
            return false;
        }
        // A file marked read-only refuses writing, as it does on the disks
        // the library was made for.
        uint32_t attrs = fs::GetAttributes(path);
        if (attrs != fs::kInvalidAttributes && (attrs & fs::kAttrReadOnly)) {
            SetLastError(kErrorAccessDenied);
            return false;
        }
        // Open (or create) without truncating, write, then cut the file to
        // what was written: the file keeps its identity and attributes, and
        // a longer previous content leaves no tail behind.
        int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            SetLastError(OpenError(errno, host));
            return false;
        }
        size_t off = 0;
        while (off < bytes.size()) {
            ssize_t w = pwrite(fd, bytes.data() + off, bytes.size() - off, static_cast<off_t>(off));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                SetLastError(ErrorFromErrno(errno));
                close(fd);
                return false;
            }
            off += static_cast<size_t>(w);
        }
        if (ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
            SetLastError(ErrorFromErrno(errno));
            close(fd);
            return false;
        }
        if (close(fd) != 0) {
            SetLastError(ErrorFromErrno(errno));
            return false;
        }
        return true;
    } catch (...) {
        SetLastError(kErrorNotEnoughMemory);
        return false;
    }
}

} // namespace vel
