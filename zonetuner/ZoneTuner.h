#pragma once
// ZoneTuner: run once by the installer so that the browser accepts the
// suite's pages and controls. It reads a list of registry settings from
// IEConfigList.xml, saves the values the machine had into
// IEConfigList_back.xml the first time it runs, writes the listed values
// under HKEY_CURRENT_USER and records each step in IElog.txt. All three files
// are named relative to the current directory; text is in the ANSI code page.
//
// The presence of IEConfigList_back.xml is the only state between runs:
//
//   no backup --(first run: back up, then apply)--> backup --(later runs: apply)--> backup

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace vel::zonetuner {

inline constexpr const char* kConfigListFile = "IEConfigList.xml";
inline constexpr const char* kBackupFile = "IEConfigList_back.xml";
inline constexpr const char* kLogFile = "IElog.txt";

// A settings list larger than this is not a settings list; it is treated as
// unreadable rather than loaded into memory.
inline constexpr uint64_t kMaxConfigListBytes = 32u << 20;

// One <Configuration> of the list: five strings in the ANSI code page.
struct CONFIG_ITEM {
    std::string SubKey;
    std::string ValueName;
    std::string KeyType;  // "REG_SZ" or "REG_DWORD"
    std::string KeyValue; // decimal text for REG_DWORD
    std::string BXp;      // "1": only on Windows XP
    bool operator==(const CONFIG_ITEM&) const = default;
};

// Registry access on HKEY_CURRENT_USER. ReadSetting: 0, -1 the key cannot be
// opened, -2 the value cannot be read (missing, or larger than the 2048-byte
// buffer). WriteSetting: 0, -1 the key cannot be opened (it is never
// created), -2 the write failed.
int ReadSetting(CONFIG_ITEM& item);
int WriteSetting(const CONFIG_ITEM& item);
// Text to a REG_DWORD number: leading blanks, a sign, digits; 0 when there
// is no number. Values beyond 32 bits saturate.
uint32_t DwordFromText(const std::string& text);

// Version classes: not NT 0, 5.1 (XP) 2, 5.2 3, 6.0 4, 6.1 5, others 0.
int WindowsVersionClass();
inline constexpr int kVersionClassXp = 2;

// Appends one record to IElog.txt: "***************<time>\n  <message>\n",
// the time in the 24-character form "Wed Jan 02 02:03:55 1980". A log that
// cannot be opened loses the line silently.
void WriteLog(const std::string& message);
std::string LogTimeText(std::time_t t);

// Turns a UTF-8 literal of this program into the ANSI code page.
std::string Ansi(const char* utf8);

// The settings manager: the settings list and the backup list; one per run.
class CConfigManager {
public:
    static CConfigManager& Instance();
    static void Destroy();

    // Reads IEConfigList.xml into the settings list. False (and one log line)
    // when it cannot be read or has no <Configurations> root.
    bool LoadConfigList();
    // Makes the backup when IEConfigList_back.xml does not exist yet. False
    // (and one log line) when the backup cannot be made.
    bool BackupOnFirstRun();
    // Writes every setting that applies to this system.
    void ApplySettings();

    const std::vector<CONFIG_ITEM>& Settings() const { return m_settings; }

private:
    bool WriteBackupFile(const std::string& path);

    std::vector<CONFIG_ITEM> m_settings;
    std::vector<CONFIG_ITEM> m_backup;
    static std::unique_ptr<CConfigManager> s_instance;
};

// The whole program: returns the exit code (0, or -1 when the list cannot be
// read or the backup cannot be made).
int RunZoneTuner();

} // namespace vel::zonetuner
