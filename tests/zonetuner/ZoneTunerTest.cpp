// ZoneTuner as the installer runs it: the real program in a working folder of
// its own, with the sandbox registry standing for the machine. Checks the
// first-run backup, later runs, the log records and their GBK text, the
// rules for BXp, numbers, missing keys and repeated entries, and lists that
// are missing, damaged or hostile.

#include "zonetuner/ZoneTuner.h"

#include "platform/base/Strings.h"
#include "platform/registry/Registry.h"
#include "support/Sandbox.h"
#include "talk/markup/XmlMarkup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

using namespace vel::registry;
namespace stdfs = std::filesystem;

const std::u16string kZone2 = u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";
const std::string kZone2A = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";

// Fixture text is written in UTF-8 here and stored in GBK, as the installer's
// list is.
std::string Gbk(const std::string& utf8) { return vel::Utf16ToCodePage(936, vel::Utf8ToUtf16(utf8)); }
std::string FromGbk(const std::string& gbk) { return vel::Utf16ToUtf8(vel::CodePageToUtf16(936, gbk)); }

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

struct Setting {
    std::string subKey, valueName, keyType, keyValue;
    const char* bxp = nullptr;
};

std::string Configuration(const Setting& s)
{
    std::string out = "<Configuration>\r\n<SubKey>" + s.subKey + "</SubKey>\r\n<ValueName>" + s.valueName +
                      "</ValueName>\r\n<KeyType>" + s.keyType + "</KeyType>\r\n<KeyValue>" + s.keyValue +
                      "</KeyValue>\r\n";
    if (s.bxp)
        out += std::string("<BXp>") + s.bxp + "</BXp>\r\n";
    return out + "</Configuration>\r\n";
}

std::string List(const std::vector<Setting>& settings)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<Configurations>\r\n";
    for (const Setting& s : settings)
        out += Configuration(s);
    return out + "</Configurations>\r\n";
}

class ZoneTunerRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        work = sandbox.Root() + "/install";
        stdfs::create_directories(work);
        unsetenv("VEL_WINVER");
        unsetenv("VEL_ACP");
    }

    // Runs the program in the working folder; returns its exit status (255
    // for -1).
    int Run(const char* winver = nullptr)
    {
        std::string env = winver ? std::string("VEL_WINVER='") + winver + "' " : std::string();
        return vel::test::RunCommand("cd '" + work + "' && " + env + "'" + vel::test::BinaryDir() +
                                     "/zonetuner/ZoneTuner' >/dev/null 2>&1");
    }

    void WriteList(const std::string& text) { vel::test::Sandbox::WriteHostFile(work + "/IEConfigList.xml", text); }
    std::string File(const char* name) const { return ReadAll(work + "/" + name); }
    bool Exists(const char* name) const { return stdfs::exists(work + "/" + name); }

    // The messages of IElog.txt (as UTF-8), each record checked for its form.
    std::vector<std::string> LogMessages() const
    {
        const std::string log = File("IElog.txt");
        std::vector<std::string> out;
        static const std::regex record(R"(\*{15}(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123]\d \d\d:\d\d:\d\d \d{4}\n  ([^\n]*)\n)");
        auto begin = std::sregex_iterator(log.begin(), log.end(), record);
        size_t covered = 0;
        for (auto it = begin; it != std::sregex_iterator(); ++it) {
            EXPECT_EQ(size_t(it->position()), covered) << "log has text outside records:\n" << log;
            covered = size_t(it->position() + it->length());
            out.push_back(FromGbk((*it)[3]));
        }
        EXPECT_EQ(covered, log.size()) << log;
        return out;
    }

    void SetMachineValue(const std::u16string& key, const std::u16string& name, const Value& v)
    {
        ASSERT_EQ(CreateKey(Hive::CurrentUser, key), 0u);
        Key k;
        ASSERT_EQ(k.Open(Hive::CurrentUser, key, Access::Write), 0u);
        ASSERT_EQ(k.SetValue(name, v), 0u);
    }

    std::optional<Value> MachineValue(const std::u16string& key, const std::u16string& name)
    {
        Key k;
        Value v;
        if (k.Open(Hive::CurrentUser, key) || k.QueryValue(name, v))
            return std::nullopt;
        return v;
    }

    vel::test::Sandbox sandbox;
    std::string work;
};

TEST_F(ZoneTunerRun, FirstRunBacksUpTheMachineValuesThenApplies)
{
    SetMachineValue(kZone2, u"1001", Value::Dword(1));
    SetMachineValue(kZone2, u"Name", Value::String(u"旧的名字"));
    ASSERT_EQ(CreateKey(Hive::CurrentUser, kZone2 + u"\\Sub"), 0u); // exists, without the value
    const std::vector<Setting> settings = {
        {kZone2A, "1001", "REG_DWORD", "0"},
        {kZone2A, "Name", "REG_SZ", Gbk("新的名字")},
        {kZone2A + "\\Sub", "1200", "REG_DWORD", "3"},
    };
    const std::string list = List(settings);
    WriteList(list);

    EXPECT_EQ(Run(), 0);

    // The backup is the list with each KeyValue holding the machine's value;
    // a value that could not be read keeps the list's.
    std::vector<Setting> before = settings;
    before[0].keyValue = "1";
    before[1].keyValue = Gbk("旧的名字");
    EXPECT_EQ(File("IEConfigList_back.xml"), List(before));
    EXPECT_EQ(File("IEConfigList.xml"), list);

    const std::vector<std::string> expected = {
        "备份系统初始值  备份键：" + kZone2A + ":1001 = 1 成功",
        "备份系统初始值  备份键：" + kZone2A + ":Name = 旧的名字 成功",
        "备份系统初始值  获取键：" + kZone2A + "\\Sub:1200 信息失败",
        "设置注册表  设置键：" + kZone2A + ":1001 = 0 成功",
        "设置注册表  设置键：" + kZone2A + ":Name = 新的名字 成功",
        "设置注册表  设置键：" + kZone2A + "\\Sub:1200 = 3 成功",
    };
    EXPECT_EQ(LogMessages(), expected);

    EXPECT_EQ(MachineValue(kZone2, u"1001"), Value::Dword(0));
    EXPECT_EQ(MachineValue(kZone2, u"name"), Value::String(u"新的名字"));
    EXPECT_EQ(MachineValue(kZone2 + u"\\Sub", u"1200"), Value::Dword(3));
    EXPECT_FALSE(Exists("IEConfigList_back.xml.new"));
}

TEST_F(ZoneTunerRun, LaterRunsOnlyApplyAndKeepTheFirstBackup)
{
    SetMachineValue(kZone2, u"1001", Value::Dword(1));
    WriteList(List({{kZone2A, "1001", "REG_DWORD", "0"}}));
    ASSERT_EQ(Run(), 0);
    const std::string backup = File("IEConfigList_back.xml");
    SetMachineValue(kZone2, u"1001", Value::Dword(7)); // changed since

    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(File("IEConfigList_back.xml"), backup);
    const std::vector<std::string> log = LogMessages();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2], "设置注册表  设置键：" + kZone2A + ":1001 = 0 成功");
    EXPECT_EQ(MachineValue(kZone2, u"1001"), Value::Dword(0));
}

TEST_F(ZoneTunerRun, MissingListExitsWithOneLogLine)
{
    SetMachineValue(kZone2, u"1001", Value::Dword(1));
    const std::string hive = ReadAll(HivePath(Hive::CurrentUser));
    EXPECT_EQ(Run(), 255);
    EXPECT_EQ(LogMessages(), std::vector<std::string> {"配置文件不存在!"});
    EXPECT_FALSE(Exists("IEConfigList_back.xml"));
    EXPECT_EQ(ReadAll(HivePath(Hive::CurrentUser)), hive);
}

TEST_F(ZoneTunerRun, LogTextIsGbkAndAppended)
{
    vel::test::Sandbox::WriteHostFile(work + "/IElog.txt", "earlier\n");
    EXPECT_EQ(Run(), 255);
    const std::string log = File("IElog.txt");
    ASSERT_EQ(log.substr(0, 8), "earlier\n");
    // 配置文件不存在! in GBK, after the time and two blanks.
    EXPECT_EQ(log.substr(log.size() - 18), "  \xC5\xE4\xD6\xC3\xCE\xC4\xBC\xFE\xB2\xBB\xB4\xE6\xD4\xDA!\n");
    EXPECT_EQ(log.substr(8, 15), "***************");
}

TEST_F(ZoneTunerRun, XpOnlySettingsAreSkippedSilentlyElsewhere)
{
    ASSERT_EQ(CreateKey(Hive::CurrentUser, kZone2), 0u);
    WriteList(List({{kZone2A, "xp", "REG_DWORD", "1", "1"},
                    {kZone2A, "always", "REG_DWORD", "2", "0"},
                    {kZone2A, "yes", "REG_DWORD", "3", "yes"}}));
    for (const char* version : {static_cast<const char*>(nullptr), "5.2", "6.1", "4.10 9x"}) {
        SCOPED_TRACE(version ? version : "default");
        stdfs::remove(work + "/IElog.txt");
        ASSERT_EQ(Run(version), 0);
        for (const std::string& line : LogMessages())
            EXPECT_EQ(line.find("设置注册表  设置键：" + kZone2A + ":xp"), std::string::npos) << line;
        EXPECT_FALSE(MachineValue(kZone2, u"xp"));
        EXPECT_EQ(MachineValue(kZone2, u"always"), Value::Dword(2));
        EXPECT_EQ(MachineValue(kZone2, u"yes"), Value::Dword(3));
    }
    stdfs::remove(work + "/IElog.txt");
    ASSERT_EQ(Run("5.1"), 0);
    EXPECT_EQ(MachineValue(kZone2, u"xp"), Value::Dword(1));
    EXPECT_EQ(LogMessages().size(), 3u);
}

TEST_F(ZoneTunerRun, DwordTextThatIsNotANumberWritesZero)
{
    ASSERT_EQ(CreateKey(Hive::CurrentUser, kZone2), 0u);
    WriteList(List({{kZone2A, "a", "REG_DWORD", "abc"},
                    {kZone2A, "b", "REG_DWORD", " 12x"},
                    {kZone2A, "c", "REG_DWORD", "-1"},
                    {kZone2A, "d", "REG_DWORD", "4294967295"},
                    {kZone2A, "e", "REG_DWORD", ""},
                    {kZone2A, "f", "REG_QWORD", "5"}}));
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(MachineValue(kZone2, u"a"), Value::Dword(0));
    EXPECT_EQ(MachineValue(kZone2, u"b"), Value::Dword(12));
    EXPECT_EQ(MachineValue(kZone2, u"c"), Value::Dword(0xFFFFFFFFu));
    EXPECT_EQ(MachineValue(kZone2, u"d"), Value::Dword(0xFFFFFFFFu));
    EXPECT_EQ(MachineValue(kZone2, u"e"), Value::Dword(0));
    EXPECT_FALSE(MachineValue(kZone2, u"f")); // an unknown type writes nothing...
    const auto log = LogMessages();
    EXPECT_EQ(log.back(), "设置注册表  设置键：" + kZone2A + ":f = 5 成功"); // ...and counts as done
    EXPECT_NE(std::find(log.begin(), log.end(), "设置注册表  设置键：" + kZone2A + ":a = abc 成功"), log.end());
}

TEST_F(ZoneTunerRun, MissingKeyIsReportedInBothPassesAndNotCreated)
{
    WriteList(List({{kZone2A + "\\Missing", "1001", "REG_DWORD", "0"}}));
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(LogMessages(), (std::vector<std::string> {
                                 "备份系统初始值  打开键：" + kZone2A + "\\Missing 失败",
                                 "设置注册表  打开键：" + kZone2A + "\\Missing:1001 失败",
                             }));
    EXPECT_FALSE(KeyExists(Hive::CurrentUser, kZone2 + u"\\Missing"));
    EXPECT_FALSE(KeyExists(Hive::CurrentUser, kZone2));
}

TEST_F(ZoneTunerRun, RepeatedEntriesGetTheirBackupsInListOrder)
{
    SetMachineValue(kZone2, u"1001", Value::Dword(9));
    // "nothing" is not on the machine: each entry keeps its own list value,
    // matched to the entries in order; "1001" is, so both get the machine's.
    const std::vector<Setting> settings = {
        {kZone2A, "nothing", "REG_SZ", "first"}, {kZone2A, "1001", "REG_DWORD", "1"},
        {kZone2A, "nothing", "REG_SZ", "second"}, {kZone2A, "1001", "REG_DWORD", "2"},
        {kZone2A, "Nothing", "REG_SZ", "third"},
    };
    WriteList(List(settings));
    ASSERT_EQ(Run(), 0);
    std::vector<Setting> before = settings;
    before[1].keyValue = before[3].keyValue = "9";
    EXPECT_EQ(File("IEConfigList_back.xml"), List(before));
    // Applied in list order: the last entry for a value wins.
    EXPECT_EQ(MachineValue(kZone2, u"1001"), Value::Dword(2));
    EXPECT_EQ(MachineValue(kZone2, u"nothing"), Value::String(u"third"));
}

TEST_F(ZoneTunerRun, GbkKeyNamesReachTheRegistryAsText)
{
    const std::u16string key = u"Software\\测试\\乗乕乚"; // trail bytes 5C 5B 5D in GBK
    SetMachineValue(key, u"名称", Value::String(u"原值"));
    WriteList(List({{Gbk("Software\\测试\\乗乕乚"), Gbk("名称"), "REG_SZ", Gbk("新值")}}));
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(MachineValue(key, u"名称"), Value::String(u"新值"));
    EXPECT_EQ(LogMessages()[0], "备份系统初始值  备份键：Software\\测试\\乗乕乚:名称 = 原值 成功");
}

TEST_F(ZoneTunerRun, ValueTooLargeForTheBufferIsAFailedReadNotATruncatedOne)
{
    SetMachineValue(kZone2, u"big", Value::String(std::u16string(2047, u'x'))); // 2048 bytes with its NUL
    SetMachineValue(kZone2, u"bigger", Value::String(std::u16string(2048, u'x')));
    SetMachineValue(kZone2, u"wide", Value::String(std::u16string(1024, u'中'))); // 2048 GBK bytes
    WriteList(List({{kZone2A, "big", "REG_SZ", "a"}, {kZone2A, "bigger", "REG_SZ", "b"},
                    {kZone2A, "wide", "REG_SZ", "c"}}));
    ASSERT_EQ(Run(), 0);
    const auto log = LogMessages();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0], "备份系统初始值  备份键：" + kZone2A + ":big = " + std::string(2047, 'x') + " 成功");
    EXPECT_EQ(log[1], "备份系统初始值  获取键：" + kZone2A + ":bigger 信息失败");
    EXPECT_EQ(log[2], "备份系统初始值  获取键：" + kZone2A + ":wide 信息失败");
}

TEST_F(ZoneTunerRun, OtherValueTypesLeaveTheListValueInTheBackup)
{
    SetMachineValue(kZone2, u"bin", Value {kTypeBinary, "\x01\x02"});
    WriteList(List({{kZone2A, "bin", "REG_DWORD", "4"}}));
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(File("IEConfigList_back.xml"), File("IEConfigList.xml"));
    EXPECT_EQ(LogMessages()[0], "备份系统初始值  备份键：" + kZone2A + ":bin = 4 成功");
}

TEST_F(ZoneTunerRun, BackupThatCannotBeMadeStopsBeforeApplying)
{
    SetMachineValue(kZone2, u"1001", Value::Dword(1));
    WriteList(List({{kZone2A, "1001", "REG_DWORD", "0"}}));
    // The backup is assembled beside its final name; make that impossible.
    stdfs::create_directories(work + "/IEConfigList_back.xml.new/x");
    EXPECT_EQ(Run(), 255);
    EXPECT_EQ(LogMessages(), std::vector<std::string> {"拷贝配置文件失败!"});
    EXPECT_FALSE(Exists("IEConfigList_back.xml"));
    EXPECT_EQ(MachineValue(kZone2, u"1001"), Value::Dword(1));

    // Once it can be made, the next run backs up the untouched machine value.
    stdfs::remove_all(work + "/IEConfigList_back.xml.new");
    ASSERT_EQ(Run(), 0);
    EXPECT_NE(File("IEConfigList_back.xml").find("<KeyValue>1</KeyValue>"), std::string::npos);
}

TEST_F(ZoneTunerRun, ConfigurationWithoutKeyValueGetsOneInTheBackup)
{
    SetMachineValue(kZone2, u"1001", Value::Dword(3));
    WriteList("<Configurations><Configuration><SubKey>" + kZone2A +
              "</SubKey><ValueName>1001</ValueName><KeyType>REG_DWORD</KeyType></Configuration></Configurations>");
    ASSERT_EQ(Run(), 0);
    vel::XmlMarkup backup;
    ASSERT_TRUE(backup.ReadTextFile(work + "/IEConfigList_back.xml"));
    EXPECT_TRUE(backup.IsWellFormed());
    ASSERT_TRUE(backup.FindNext("Configurations") && backup.Descend() && backup.FindNext("Configuration"));
    ASSERT_TRUE(backup.FindChild("KeyValue"));
    EXPECT_EQ(backup.ChildData(), "3");
    EXPECT_EQ(MachineValue(kZone2, u"1001"), Value::Dword(0)); // the missing KeyValue applied as ""
}

TEST_F(ZoneTunerRun, LogThatCannotBeOpenedIsSkipped)
{
    ASSERT_EQ(CreateKey(Hive::CurrentUser, kZone2), 0u);
    stdfs::create_directories(work + "/IElog.txt");
    WriteList(List({{kZone2A, "1001", "REG_DWORD", "5"}}));
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(MachineValue(kZone2, u"1001"), Value::Dword(5));
}

TEST_F(ZoneTunerRun, DamagedOrHostileListsNeverCrashTheTool)
{
    ASSERT_EQ(CreateKey(Hive::CurrentUser, u"Software\\T"), 0u);
    std::string deep;
    for (int i = 0; i < 2000000; ++i)
        deep += "<a>";
    std::string manyEmpty = "<Configurations>";
    for (int i = 0; i < 3000; ++i)
        manyEmpty += "<Configuration/>";
    manyEmpty += "</Configurations>";
    const std::string hugeValue = "<Configurations><Configuration><SubKey>Software\\T</SubKey><ValueName>v</ValueName>"
                                  "<KeyType>REG_SZ</KeyType><KeyValue>" +
                                  std::string(3 << 20, 'x') + "</KeyValue></Configuration></Configurations>";
    const struct {
        const char* name;
        std::string text;
        int exit;
    } cases[] = {
        {"empty", "", 255},
        {"wrong root", "<Config><Configuration/></Config>", 255},
        {"unterminated tag", "<Configurations", 255},
        {"binary", std::string("\x00\xff\xfe<\x81", 5), 255},
        {"deep nesting", deep, 255},
        {"too large", std::string(vel::zonetuner::kMaxConfigListBytes + 1, ' '), 255},
        {"unterminated root", "<Configurations><Configuration><SubKey>Software\\T</SubKey><ValueName>v</ValueName>"
                              "<KeyType>REG_SZ</KeyType><KeyValue>cut",
         0},
        {"mismatched tags", "<Configurations><Configuration><SubKey>Software\\T</ValueName></Configurations>", 0},
        {"many empty entries", manyEmpty, 0},
        {"huge value", hugeValue, 0},
        {"entities and CDATA",
         "<Configurations><Configuration><SubKey>Software\\T</SubKey><ValueName>&lt;v&gt;</ValueName>"
         "<KeyType>REG_SZ</KeyType><KeyValue><![CDATA[a<b]]>&#65;</KeyValue></Configuration></Configurations>",
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        stdfs::remove(work + "/IEConfigList_back.xml");
        stdfs::remove(work + "/IElog.txt");
        WriteList(c.text);
        EXPECT_EQ(Run(), c.exit);
        if (c.exit == 255) {
            EXPECT_EQ(LogMessages(), std::vector<std::string> {"配置文件不存在!"});
        }
    }
    EXPECT_EQ(MachineValue(u"Software\\T", u"<v>"), Value::String(u"a<bA"));
    EXPECT_EQ(MachineValue(u"Software\\T", u"v")->Text().size(), size_t(3 << 20));
}

// ---- pieces of the program ---------------------------------------------------------

TEST(ZoneTunerParts, LogTimeIsTheStandardTwentyFourCharacterForm)
{
    setenv("TZ", "UTC", 1);
    tzset();
    for (std::time_t t : {std::time_t(315626635), std::time_t(0), std::time_t(1700000000), std::time(nullptr)}) {
        char buf[32];
        ASSERT_NE(ctime_r(&t, buf), nullptr);
        EXPECT_EQ(vel::zonetuner::LogTimeText(t), buf);
    }
    EXPECT_EQ(vel::zonetuner::LogTimeText(315626635), "Wed Jan  2 02:03:55 1980\n");
}

TEST(ZoneTunerParts, DwordText)
{
    using vel::zonetuner::DwordFromText;
    const std::pair<const char*, uint32_t> cases[] = {
        {"0", 0},         {"67", 67},       {"  +8", 8},           {"-1", 0xFFFFFFFFu},
        {"abc", 0},       {"", 0},          {"12abc", 12},         {"4294967295", 0xFFFFFFFFu},
        {"99999999999", 0xFFFFFFFFu},       {"-99999999999", 0x80000000u}, {"-2147483648", 0x80000000u},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(DwordFromText(text), value) << text;
}

TEST(ZoneTunerParts, VersionClasses)
{
    const std::pair<const char*, int> cases[] = {
        {"5.1", 2}, {"5.2", 3}, {"6.0", 4}, {"6.1", 5}, {"6.2", 0}, {"10.0", 0}, {"5.0", 0}, {"4.10 9x", 0},
    };
    for (const auto& [version, cls] : cases) {
        setenv("VEL_WINVER", version, 1);
        EXPECT_EQ(vel::zonetuner::WindowsVersionClass(), cls) << version;
    }
    unsetenv("VEL_WINVER");
    EXPECT_EQ(vel::zonetuner::WindowsVersionClass(), 0);
}

} // namespace
