#include "Registry.h"

#include "HiveFormat.h"

#include "platform/base/LastError.h"
#include "platform/base/Strings.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vel::registry {

// ---- values ------------------------------------------------------------------

Value Value::String(std::u16string_view text, uint32_t type)
{
    Value v;
    v.type = type;
    v.data.reserve(text.size() * 2 + 2);
    for (char16_t c : text) {
        v.data += char(c & 0xFF);
        v.data += char(c >> 8);
    }
    v.data.append(2, '\0');
    return v;
}

Value Value::Dword(uint32_t n)
{
    Value v;
    v.type = kTypeDword;
    for (int i = 0; i < 4; ++i)
        v.data += char((n >> (8 * i)) & 0xFF);
    return v;
}

std::u16string Value::Text() const
{
    std::u16string out;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        char16_t c = char16_t(static_cast<unsigned char>(data[i]) | (static_cast<unsigned char>(data[i + 1]) << 8));
        if (!c)
            break;
        out += c;
    }
    return out;
}

uint32_t Value::Number() const
{
    if (data.size() != 4)
        return 0;
    uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = (n << 8) | static_cast<unsigned char>(data[size_t(i)]);
    return n;
}

// ---- hives and their files ------------------------------------------------------

std::optional<Hive> ParseHive(std::u16string_view name)
{
    if (EqualsIgnoreCase(name, u"HKEY_CURRENT_USER") || EqualsIgnoreCase(name, u"HKCU"))
        return Hive::CurrentUser;
    if (EqualsIgnoreCase(name, u"HKEY_LOCAL_MACHINE") || EqualsIgnoreCase(name, u"HKLM"))
        return Hive::LocalMachine;
    return std::nullopt;
}

std::u16string HiveName(Hive hive)
{
    return hive == Hive::CurrentUser ? u"HKEY_CURRENT_USER" : u"HKEY_LOCAL_MACHINE";
}

std::string HiveFolder()
{
    if (const char* d = getenv("VEL_REGISTRY"); d && *d)
        return d;
    if (const char* x = getenv("XDG_DATA_HOME"); x && *x)
        return std::string(x) + "/velmedia/registry";
    const char* home = getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share/velmedia/registry";
}

std::string HivePath(Hive hive)
{
    return HiveFolder() + "/" + Utf16ToUtf8(HiveName(hive)) + ".reg";
}

namespace {

// Holds the hive's lock for a scope: an flock on "<hive>.lock" beside the
// hive file (the hive itself is replaced by rename, so it cannot carry the
// lock). Shared for reading, exclusive for a change. Each holder opens its
// own descriptor, so threads of one process exclude each other as well.
class HiveLock {
public:
    HiveLock(Hive hive, bool exclusive)
    {
        const std::string folder = HiveFolder();
        if (exclusive) {
            std::error_code ec;
            std::filesystem::create_directories(folder, ec);
        }
        const std::string path = HivePath(hive) + ".lock";
        m_fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (m_fd < 0) {
            // A reader of a registry folder that does not exist yet reads an
            // empty hive; anything else is a real failure.
            if (!exclusive && errno == ENOENT)
                return;
            m_status = ErrorFromErrno(errno);
            return;
        }
        while (flock(m_fd, exclusive ? LOCK_EX : LOCK_SH) != 0) {
            if (errno != EINTR) {
                m_status = ErrorFromErrno(errno);
                return;
            }
        }
    }
    ~HiveLock()
    {
        if (m_fd >= 0)
            close(m_fd); // releases the lock
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    uint32_t Status() const { return m_status; }

private:
    int m_fd = -1;
    uint32_t m_status = 0;
};

uint32_t LoadHive(Hive hive, KeyNode& root)
{
    root = KeyNode {};
    const std::string path = HivePath(hive);
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? 0 : ErrorFromErrno(errno);
    std::string text;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            int err = errno;
            close(fd);
            return ErrorFromErrno(err);
        }
        if (n == 0)
            break;
        text.append(buf, size_t(n));
    }
    close(fd);
    std::string error;
    if (!ParseHiveText(text, hive, root, error))
        return kErrorBadDb;
    return 0;
}

uint32_t SaveHive(Hive hive, const KeyNode& root)
{
    static std::atomic<unsigned> counter {0};
    const std::string path = HivePath(hive);
    const std::string temp = path + ".tmp." + std::to_string(getpid()) + "." + std::to_string(++counter);
    const std::string text = FormatHiveText(root, hive);
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return ErrorFromErrno(errno);
    size_t done = 0;
    int err = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            err = n < 0 ? errno : ENOSPC;
            break;
        }
        done += size_t(n);
    }
    if (!err && fsync(fd) != 0)
        err = errno;
    if (close(fd) != 0 && !err)
        err = errno;
    if (!err && rename(temp.c_str(), path.c_str()) != 0)
        err = errno;
    if (err) {
        unlink(temp.c_str());
        return ErrorFromErrno(err);
    }
    return 0;
}

KeyNode* FindKey(KeyNode& root, const std::vector<std::u16string>& parts)
{
    KeyNode* node = &root;
    for (const auto& part : parts) {
        node = node->Child(part);
        if (!node)
            return nullptr;
    }
    return node;
}

// Runs `f(root)` on the hive as it is on disk, under the shared lock.
template <class F>
uint32_t WithHive(Hive hive, F&& f)
{
    HiveLock lock(hive, false);
    if (lock.Status())
        return lock.Status();
    KeyNode root;
    if (uint32_t rc = LoadHive(hive, root))
        return rc;
    return f(root);
}

// Runs `f(root, changed)` on the hive re-read under the exclusive lock and
// writes it back when f reports a change.
template <class F>
uint32_t ChangeHive(Hive hive, F&& f)
{
    HiveLock lock(hive, true);
    if (lock.Status())
        return lock.Status();
    KeyNode root;
    if (uint32_t rc = LoadHive(hive, root))
        return rc;
    bool changed = false;
    if (uint32_t rc = f(root, changed))
        return rc;
    return changed ? SaveHive(hive, root) : 0;
}

constexpr size_t kMaxValueName = 16383;

} // namespace

// ---- keys ------------------------------------------------------------------------

uint32_t Key::Open(Hive hive, std::u16string_view path, Access access)
{
    Close();
    std::vector<std::u16string> parts;
    if (!SplitKeyPath(path, parts))
        return kErrorInvalidParameter;
    uint32_t rc = WithHive(hive, [&](KeyNode& root) -> uint32_t {
        return FindKey(root, parts) ? 0u : uint32_t(kErrorFileNotFound);
    });
    if (rc)
        return rc;
    m_open = true;
    m_hive = hive;
    m_access = access;
    m_path.clear();
    for (size_t i = 0; i < parts.size(); ++i)
        m_path += (i ? u"\\" : u"") + parts[i];
    return 0;
}

void Key::Close()
{
    m_open = false;
    m_path.clear();
}

namespace {
std::vector<std::u16string> PartsOf(const std::u16string& normalized)
{
    std::vector<std::u16string> parts;
    SplitKeyPath(normalized, parts);
    return parts;
}
} // namespace

uint32_t Key::QueryValue(std::u16string_view name, Value& out) const
{
    if (!m_open)
        return kErrorInvalidHandle;
    const auto parts = PartsOf(m_path);
    return WithHive(m_hive, [&](KeyNode& root) -> uint32_t {
        KeyNode* key = FindKey(root, parts);
        if (!key)
            return kErrorKeyDeleted;
        NamedValue* nv = key->FindValue(name);
        if (!nv)
            return kErrorFileNotFound;
        out = nv->value;
        return 0;
    });
}

uint32_t Key::SetValue(std::u16string_view name, const Value& value)
{
    if (!m_open)
        return kErrorInvalidHandle;
    if (m_access != Access::Write)
        return kErrorAccessDenied;
    if (name.size() > kMaxValueName || !IsStorableName(name))
        return kErrorInvalidParameter;
    const auto parts = PartsOf(m_path);
    return ChangeHive(m_hive, [&](KeyNode& root, bool& changed) -> uint32_t {
        KeyNode* key = FindKey(root, parts);
        if (!key)
            return kErrorKeyDeleted;
        if (NamedValue* nv = key->FindValue(name))
            nv->value = value;
        else
            key->values.push_back({std::u16string(name), value});
        changed = true;
        return 0;
    });
}

uint32_t Key::DeleteValue(std::u16string_view name)
{
    if (!m_open)
        return kErrorInvalidHandle;
    if (m_access != Access::Write)
        return kErrorAccessDenied;
    const auto parts = PartsOf(m_path);
    return ChangeHive(m_hive, [&](KeyNode& root, bool& changed) -> uint32_t {
        KeyNode* key = FindKey(root, parts);
        if (!key)
            return kErrorKeyDeleted;
        for (auto it = key->values.begin(); it != key->values.end(); ++it)
            if (EqualsIgnoreCase(it->name, name)) {
                key->values.erase(it);
                changed = true;
                return 0;
            }
        return kErrorFileNotFound;
    });
}

uint32_t Key::Values(std::vector<NamedValue>& out) const
{
    if (!m_open)
        return kErrorInvalidHandle;
    const auto parts = PartsOf(m_path);
    return WithHive(m_hive, [&](KeyNode& root) -> uint32_t {
        KeyNode* key = FindKey(root, parts);
        if (!key)
            return kErrorKeyDeleted;
        out = key->values;
        return 0;
    });
}

uint32_t Key::SubKeys(std::vector<std::u16string>& out) const
{
    if (!m_open)
        return kErrorInvalidHandle;
    const auto parts = PartsOf(m_path);
    return WithHive(m_hive, [&](KeyNode& root) -> uint32_t {
        KeyNode* key = FindKey(root, parts);
        if (!key)
            return kErrorKeyDeleted;
        out.clear();
        for (const auto& [upper, child] : key->children)
            out.push_back(child->name);
        return 0;
    });
}

uint32_t CreateKey(Hive hive, std::u16string_view path)
{
    std::vector<std::u16string> parts;
    if (!SplitKeyPath(path, parts))
        return kErrorInvalidParameter;
    return ChangeHive(hive, [&](KeyNode& root, bool& changed) -> uint32_t {
        KeyNode* node = &root;
        for (const auto& part : parts) {
            if (KeyNode* child = node->Child(part)) {
                node = child;
            } else {
                node = &node->AddChild(part);
                changed = true;
            }
        }
        return 0;
    });
}

uint32_t DeleteKey(Hive hive, std::u16string_view path)
{
    std::vector<std::u16string> parts;
    if (!SplitKeyPath(path, parts) || parts.empty())
        return kErrorInvalidParameter;
    return ChangeHive(hive, [&](KeyNode& root, bool& changed) -> uint32_t {
        const std::u16string last = parts.back();
        parts.pop_back();
        KeyNode* parent = FindKey(root, parts);
        if (!parent || !parent->Child(last))
            return kErrorFileNotFound;
        parent->children.erase(ToUpper(last));
        changed = true;
        return 0;
    });
}

bool KeyExists(Hive hive, std::u16string_view path)
{
    Key key;
    return key.Open(hive, path) == 0;
}

// ---- the reported system version ---------------------------------------------------

WinVersion WindowsVersion()
{
    WinVersion v;
    const char* env = getenv("VEL_WINVER");
    if (!env || !*env)
        return v;
    std::u16string text = Trim(Utf8ToUtf16(env));
    bool nt = true;
    if (EndsWithIgnoreCase(text, u"9x")) {
        nt = false;
        text = Trim(text.substr(0, text.size() - 2));
    }
    size_t dot = text.find(u'.');
    std::u16string majorText = text.substr(0, dot);
    std::u16string minorText = dot == std::u16string::npos ? u"0" : text.substr(dot + 1);
    auto allDigits = [](const std::u16string& s) {
        if (s.empty() || s.size() > 4)
            return false;
        for (char16_t c : s)
            if (c < u'0' || c > u'9')
                return false;
        return true;
    };
    if (!allDigits(majorText) || !allDigits(minorText))
        return v; // not a version: the default stands
    v.major = uint32_t(ParseInt(majorText));
    v.minor = uint32_t(ParseInt(minorText));
    v.nt = nt;
    return v;
}

} // namespace vel::registry
