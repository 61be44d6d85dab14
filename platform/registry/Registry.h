#pragma once
// The registry: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE kept as hive files
// in one folder (VEL_REGISTRY, default $XDG_DATA_HOME/velmedia/registry),
// one file per hive in a text form a person can read and edit (HiveFormat.h).
//
// Every operation works on the file, not on a cached copy: it takes the
// hive's lock (flock on a lock file beside the hive, so it holds across
// processes and threads), reads the hive, and for a change applies it and
// writes the whole hive to a temporary file that is renamed over the old one.
// Two processes that change one key at the same time therefore both keep
// their change, and a reader never sees a half-written hive.
//
// Key and value names are matched without regard to letter case and keep the
// case they were created with. Opening a key that does not exist fails and
// creates nothing; CreateKey is the one operation that makes keys.
//
// Results are the system's error codes: 0 success, 2 no such key or value,
// 5 access denied (a read-only handle, an unreadable hive), 87 a bad
// parameter, 234 more data than the caller's buffer, 1009 a hive file that
// cannot be read as a hive (it is left as it is), 1018 a key deleted while
// open.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vel::registry {

enum class Hive { CurrentUser, LocalMachine };

enum : uint32_t {
    kTypeNone = 0,
    kTypeSz = 1,
    kTypeExpandSz = 2,
    kTypeBinary = 3,
    kTypeDword = 4,
    kTypeMultiSz = 7,
    kTypeQword = 11,
};

enum : uint32_t {
    kErrorMoreData = 234,
    kErrorBadDb = 1009,
    kErrorKeyDeleted = 1018,
};

// A value as the system stores it: a type and raw little-endian bytes
// (strings as UTF-16LE with their terminating NUL).
struct Value {
    uint32_t type = kTypeNone;
    std::string data;

    static Value String(std::u16string_view text, uint32_t type = kTypeSz);
    static Value Dword(uint32_t v);
    // The text of a string value (up to its first NUL).
    std::u16string Text() const;
    // The number of a 4-byte value (0 when the data is not 4 bytes).
    uint32_t Number() const;
    bool operator==(const Value&) const = default;
};

struct NamedValue {
    std::u16string name; // "" is the key's default value
    Value value;
};

// "HKEY_CURRENT_USER" / "HKCU", "HKEY_LOCAL_MACHINE" / "HKLM" (any case).
std::optional<Hive> ParseHive(std::u16string_view name);
std::u16string HiveName(Hive hive);

// The folder of the hive files and the file of one hive.
std::string HiveFolder();
std::string HivePath(Hive hive);

enum class Access { Read, Write };

// An open key. The handle remembers which key it names; each call reads the
// hive anew.
class Key {
public:
    Key() = default;
    // Opens an existing key ("" is the hive's root). Fails with 2 when the
    // key does not exist; nothing is created.
    uint32_t Open(Hive hive, std::u16string_view path, Access access = Access::Read);
    void Close();
    bool IsOpen() const { return m_open; }
    const std::u16string& Path() const { return m_path; }

    uint32_t QueryValue(std::u16string_view name, Value& out) const;
    uint32_t SetValue(std::u16string_view name, const Value& value);
    uint32_t DeleteValue(std::u16string_view name);
    uint32_t Values(std::vector<NamedValue>& out) const;
    uint32_t SubKeys(std::vector<std::u16string>& out) const;

private:
    bool m_open = false;
    Hive m_hive = Hive::CurrentUser;
    Access m_access = Access::Read;
    std::u16string m_path;
};

// Creates a key and any missing keys above it (0 also when it exists).
uint32_t CreateKey(Hive hive, std::u16string_view path);
// Deletes a key with everything below it; the root cannot be deleted.
uint32_t DeleteKey(Hive hive, std::u16string_view path);
bool KeyExists(Hive hive, std::u16string_view path);

// The system version the suite reports: 10.0 on an NT system unless
// VEL_WINVER says otherwise ("5.1", "6.1", or "4.10 9x" for a system of the
// older, non-NT line).
struct WinVersion {
    uint32_t major = 10;
    uint32_t minor = 0;
    bool nt = true;
};
WinVersion WindowsVersion();

} // namespace vel::registry
