#include "ZoneTuner.h"

#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"
#include "platform/registry/Registry.h"
#include "talk/markup/XmlMarkup.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace vel::zonetuner {

namespace {

using registry::Access;
using registry::Hive;
using registry::Key;
using registry::Value;

// Host path of a file named relative to the current directory.
std::string HostPath(const char* name)
{
    return fs::ToHost(AnsiToUtf16(name));
}

// The 8-bit registry interface hands values back in a 2048-byte buffer; a
// value that does not fit (with a string's terminating NUL) is a failed
// read, never a string without its end.
constexpr size_t kValueBufferBytes = 2048;

const char* const kChildren[] = {"SubKey", "ValueName", "KeyType", "KeyValue", "BXp"};

std::string ChildText(XmlMarkup& doc, const char* name)
{
    doc.ResetChildPos();
    return doc.FindChild(name) ? doc.ChildData() : std::string();
}

} // namespace

std::string Ansi(const char* utf8)
{
    return Utf16ToAnsi(Utf8ToUtf16(utf8));
}

// ---- registry ------------------------------------------------------------------

int ReadSetting(CONFIG_ITEM& item)
{
    Key key;
    if (key.Open(Hive::CurrentUser, AnsiToUtf16(item.SubKey), Access::Read) != 0)
        return -1;
    Value v;
    if (key.QueryValue(AnsiToUtf16(item.ValueName), v) != 0)
        return -2;
    if (v.type == registry::kTypeSz) {
        std::string text = Utf16ToAnsi(v.Text());
        if (text.size() + 1 > kValueBufferBytes)
            return -2;
        item.KeyValue = text;
    } else if (v.data.size() > kValueBufferBytes) {
        return -2;
    } else if (v.type == registry::kTypeDword) {
        item.KeyValue = std::to_string(v.Number());
    }
    return 0;
}

uint32_t DwordFromText(const std::string& text)
{
    int64_t n = ParseInt64(Utf8ToUtf16(text)); // digits and signs are ASCII in every code page
    if (n > int64_t(UINT32_MAX))
        return UINT32_MAX;
    if (n < int64_t(INT32_MIN))
        return uint32_t(INT32_MIN);
    return uint32_t(n); // -1 is 0xFFFFFFFF, as the C runtime writes it
}

int WriteSetting(const CONFIG_ITEM& item)
{
    Key key;
    if (key.Open(Hive::CurrentUser, AnsiToUtf16(item.SubKey), Access::Write) != 0)
        return -1;
    uint32_t rc = 0;
    if (item.KeyType == "REG_DWORD")
        rc = key.SetValue(AnsiToUtf16(item.ValueName), Value::Dword(DwordFromText(item.KeyValue)));
    else if (item.KeyType == "REG_SZ")
        rc = key.SetValue(AnsiToUtf16(item.ValueName), Value::String(AnsiToUtf16(item.KeyValue)));
    return rc ? -2 : 0;
}

int WindowsVersionClass()
{
    registry::WinVersion v = registry::WindowsVersion();
    if (!v.nt)
        return 0;
    if (v.major == 5 && v.minor == 1)
        return 2;
    if (v.major == 5 && v.minor == 2)
        return 3;
    if (v.major == 6 && v.minor == 0)
        return 4;
    if (v.major == 6 && v.minor == 1)
        return 5;
    return 0;
}

// ---- log -------------------------------------------------------------------------

std::string LogTimeText(std::time_t t)
{
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm {};
    localtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[tm.tm_wday % 7],
                  kMonths[tm.tm_mon % 12], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 1900 + tm.tm_year);
    return buf;
}

void WriteLog(const std::string& message)
{
    std::FILE* f = std::fopen(HostPath(kLogFile).c_str(), "a+");
    if (!f)
        return;
    std::fprintf(f, "***************%s  %s\n", LogTimeText(std::time(nullptr)).c_str(), message.c_str());
    std::fclose(f);
}

// ---- the settings manager ----------------------------------------------------------

std::unique_ptr<CConfigManager> CConfigManager::s_instance;

CConfigManager& CConfigManager::Instance()
{
    if (!s_instance)
        s_instance.reset(new CConfigManager());
    return *s_instance;
}

void CConfigManager::Destroy()
{
    s_instance.reset();
}

bool CConfigManager::LoadConfigList()
{
    m_settings.clear();
    XmlMarkup doc;
    struct stat st {};
    const std::string host = HostPath(kConfigListFile);
    bool readable = stat(host.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                    uint64_t(st.st_size) <= kMaxConfigListBytes && doc.ReadTextFile(kConfigListFile);
    if (!readable || !doc.FindNext("Configurations") || !doc.Descend()) {
        WriteLog(Ansi("配置文件不存在!"));
        return false;
    }
    while (doc.FindNext("Configuration")) {
        CONFIG_ITEM item;
        std::string* fields[] = {&item.SubKey, &item.ValueName, &item.KeyType, &item.KeyValue, &item.BXp};
        for (size_t i = 0; i < 5; ++i)
            *fields[i] = ChildText(doc, kChildren[i]);
        m_settings.push_back(std::move(item));
    }
    return true;
}

// Puts the backed-up values into the copy of the list at `path`: each
// <Configuration> takes the value of the first backup record with the same
// SubKey and ValueName, and that record is used up, so entries that repeat a
// key get their values in list order.
bool CConfigManager::WriteBackupFile(const std::string& path)
{
    XmlMarkup doc;
    if (!doc.ReadTextFile(path) || !doc.FindNext("Configurations") || !doc.Descend())
        return false;
    while (doc.FindNext("Configuration")) {
        const std::string subKey = ChildText(doc, "SubKey");
        const std::string valueName = ChildText(doc, "ValueName");
        for (auto it = m_backup.begin(); it != m_backup.end(); ++it) {
            if (it->SubKey != subKey || it->ValueName != valueName)
                continue;
            doc.ResetChildPos();
            bool stored = doc.FindChild("KeyValue") ? doc.ReplaceChildData(it->KeyValue)
                                                    : doc.AppendChild("KeyValue", it->KeyValue);
            if (!stored)
                return false;
            m_backup.erase(it);
            break;
        }
    }
    return doc.WriteTextFile(path);
}

bool CConfigManager::BackupOnFirstRun()
{
    const std::string backupHost = HostPath(kBackupFile);
    if (std::FILE* existing = std::fopen(backupHost.c_str(), "rb")) {
        std::fclose(existing);
        return true; // not the first run
    }
    // The backup is assembled under a temporary name and renamed into place
    // when complete: a run cut short leaves no backup holding the new values,
    // so the next run backs up the machine's values again.
    const std::string tempName = std::string(kBackupFile) + ".new";
    const std::string tempHost = HostPath(tempName.c_str());
    if (!fs::CopyFile(AnsiToUtf16(kConfigListFile), AnsiToUtf16(tempName), false)) {
        std::remove(tempHost.c_str());
        WriteLog(Ansi("拷贝配置文件失败!"));
        return false;
    }

    m_backup.clear();
    for (const CONFIG_ITEM& item : m_settings) {
        CONFIG_ITEM copy = item;
        switch (ReadSetting(copy)) {
        case -1:
            WriteLog(Ansi("备份系统初始值  打开键：") + copy.SubKey + Ansi(" 失败"));
            break;
        case -2:
            WriteLog(Ansi("备份系统初始值  获取键：") + copy.SubKey + ":" + copy.ValueName + Ansi(" 信息失败"));
            break;
        default:
            WriteLog(Ansi("备份系统初始值  备份键：") + copy.SubKey + ":" + copy.ValueName + " = " + copy.KeyValue +
                     Ansi(" 成功"));
            break;
        }
        m_backup.push_back(std::move(copy));
    }

    if (!WriteBackupFile(tempName) || std::rename(tempHost.c_str(), backupHost.c_str()) != 0) {
        std::remove(tempHost.c_str());
        WriteLog(Ansi("拷贝配置文件失败!"));
        return false;
    }
    return true;
}

void CConfigManager::ApplySettings()
{
    const bool xp = WindowsVersionClass() == kVersionClassXp;
    for (const CONFIG_ITEM& item : m_settings) {
        if (item.BXp == "1" && !xp)
            continue;
        switch (WriteSetting(item)) {
        case -1:
            WriteLog(Ansi("设置注册表  打开键：") + item.SubKey + ":" + item.ValueName + Ansi(" 失败"));
            break;
        case -2:
            WriteLog(Ansi("设置注册表  设置键：") + item.SubKey + ":" + item.ValueName + " = " + item.KeyValue +
                     Ansi(" 失败"));
            break;
        default:
            WriteLog(Ansi("设置注册表  设置键：") + item.SubKey + ":" + item.ValueName + " = " + item.KeyValue +
                     Ansi(" 成功"));
            break;
        }
    }
}

int RunZoneTuner()
{
    CConfigManager& manager = CConfigManager::Instance();
    int rc = 0;
    if (!manager.LoadConfigList() || !manager.BackupOnFirstRun())
        rc = -1;
    else
        manager.ApplySettings();
    CConfigManager::Destroy();
    return rc;
}

} // namespace vel::zonetuner
