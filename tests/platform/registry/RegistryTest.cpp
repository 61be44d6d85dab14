// The sandbox registry: keys that must exist, values of each type, the hive
// text format a person edits, damaged hive files, and writers in several
// processes and threads that must never lose each other's changes.

#include "platform/registry/HiveFormat.h"
#include "platform/registry/Registry.h"

#include "platform/base/LastError.h"
#include "platform/base/Strings.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace vel::registry;
namespace stdfs = std::filesystem;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class RegistryTest : public ::testing::Test {
protected:
    vel::test::Sandbox sandbox;
    const std::u16string kZones = u"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2";
};

TEST_F(RegistryTest, OpeningAMissingKeyFailsAndCreatesNothing)
{
    Key key;
    EXPECT_EQ(key.Open(Hive::CurrentUser, kZones, Access::Read), vel::kErrorFileNotFound);
    EXPECT_EQ(key.Open(Hive::CurrentUser, kZones, Access::Write), vel::kErrorFileNotFound);
    EXPECT_FALSE(key.IsOpen());
    EXPECT_FALSE(stdfs::exists(HivePath(Hive::CurrentUser)));
    EXPECT_FALSE(KeyExists(Hive::CurrentUser, kZones));

    ASSERT_EQ(CreateKey(Hive::CurrentUser, u"Software\\A"), 0u);
    EXPECT_EQ(key.Open(Hive::CurrentUser, u"Software\\A\\B", Access::Write), vel::kErrorFileNotFound);
    EXPECT_FALSE(KeyExists(Hive::CurrentUser, u"Software\\A\\B"));
    EXPECT_TRUE(KeyExists(Hive::CurrentUser, u"")); // the root always exists
}

TEST_F(RegistryTest, NamesMatchWithoutCaseAndKeepTheirCase)
{
    ASSERT_EQ(CreateKey(Hive::CurrentUser, kZones), 0u);
    Key key;
    ASSERT_EQ(key.Open(Hive::CurrentUser, u"SOFTWARE\\microsoft\\Windows\\currentversion\\INTERNET SETTINGS\\zones\\2",
                       Access::Write),
              0u);
    ASSERT_EQ(key.SetValue(u"1001", Value::Dword(3)), 0u);
    ASSERT_EQ(key.SetValue(u"DisplayName", Value::String(u"受信任的站点")), 0u);
    ASSERT_EQ(key.SetValue(u"displayname", Value::String(u"Trusted")), 0u); // same value
    std::vector<NamedValue> values;
    ASSERT_EQ(key.Values(values), 0u);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].name, u"DisplayName");
    EXPECT_EQ(values[1].value.Text(), u"Trusted");

    Value v;
    ASSERT_EQ(key.QueryValue(u"DISPLAYNAME", v), 0u);
    EXPECT_EQ(v.type, kTypeSz);
    ASSERT_EQ(key.QueryValue(u"1001", v), 0u);
    EXPECT_EQ(v.type, kTypeDword);
    EXPECT_EQ(v.Number(), 3u);
    EXPECT_EQ(key.QueryValue(u"nope", v), vel::kErrorFileNotFound);

    const std::string file = ReadAll(HivePath(Hive::CurrentUser));
    EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\2]\n"
                        "\"1001\"=dword:00000003\n\"DisplayName\"=\"Trusted\"\n"),
              std::string::npos)
        << file;

    std::vector<std::u16string> subs;
    Key zones;
    ASSERT_EQ(zones.Open(Hive::CurrentUser, u"software\\microsoft\\windows\\currentversion\\internet settings\\zones"), 0u);
    ASSERT_EQ(zones.SubKeys(subs), 0u);
    EXPECT_EQ(subs, std::vector<std::u16string> {u"2"});
}

TEST_F(RegistryTest, HandlesEnforceAccessAndNoticeDeletedKeys)
{
    ASSERT_EQ(CreateKey(Hive::CurrentUser, u"Software\\T\\Sub"), 0u);
    Key reader, writer;
    ASSERT_EQ(reader.Open(Hive::CurrentUser, u"Software\\T"), 0u);
    EXPECT_EQ(reader.SetValue(u"x", Value::Dword(1)), vel::kErrorAccessDenied);
    ASSERT_EQ(writer.Open(Hive::CurrentUser, u"Software\\T", Access::Write), 0u);
    ASSERT_EQ(writer.SetValue(u"x", Value::Dword(1)), 0u);
    ASSERT_EQ(writer.DeleteValue(u"X"), 0u);
    EXPECT_EQ(writer.DeleteValue(u"x"), vel::kErrorFileNotFound);

    ASSERT_EQ(DeleteKey(Hive::CurrentUser, u"software\\t"), 0u);
    EXPECT_FALSE(KeyExists(Hive::CurrentUser, u"Software\\T\\Sub")); // the subtree went with it
    Value v;
    EXPECT_EQ(reader.QueryValue(u"x", v), kErrorKeyDeleted);
    EXPECT_EQ(writer.SetValue(u"x", Value::Dword(1)), kErrorKeyDeleted);
    EXPECT_FALSE(KeyExists(Hive::CurrentUser, u"Software\\T")); // a write did not bring it back
    EXPECT_EQ(DeleteKey(Hive::CurrentUser, u"Software\\T"), vel::kErrorFileNotFound);
    EXPECT_EQ(DeleteKey(Hive::CurrentUser, u""), vel::kErrorInvalidParameter);
    EXPECT_EQ(CreateKey(Hive::CurrentUser, u"a\\\\b"), vel::kErrorInvalidParameter);
    // Names the text form cannot hold are refused, so the hive stays readable.
    EXPECT_EQ(CreateKey(Hive::CurrentUser, u"a\nb"), vel::kErrorInvalidParameter);
    EXPECT_EQ(CreateKey(Hive::CurrentUser, std::u16string(1, char16_t(0xDC00))), vel::kErrorInvalidParameter);
    ASSERT_EQ(CreateKey(Hive::CurrentUser, u"Software\\Names"), 0u);
    Key names;
    ASSERT_EQ(names.Open(Hive::CurrentUser, u"Software\\Names", Access::Write), 0u);
    EXPECT_EQ(names.SetValue(u"line\nbreak", Value::Dword(1)), vel::kErrorInvalidParameter);
    EXPECT_EQ(names.SetValue(std::u16string(1, char16_t(0xD800)), Value::Dword(1)), vel::kErrorInvalidParameter);
    EXPECT_EQ(names.SetValue(u"fine \"name\" [x] = y", Value::Dword(1)), 0u);
    EXPECT_TRUE(KeyExists(Hive::CurrentUser, u"Software\\Names"));
    Key closed;
    EXPECT_EQ(closed.QueryValue(u"x", v), vel::kErrorInvalidHandle);
}

TEST_F(RegistryTest, HivesAreSeparateFiles)
{
    ASSERT_EQ(CreateKey(Hive::LocalMachine, u"Software\\M"), 0u);
    EXPECT_TRUE(KeyExists(Hive::LocalMachine, u"Software\\M"));
    EXPECT_FALSE(KeyExists(Hive::CurrentUser, u"Software\\M"));
    EXPECT_EQ(HivePath(Hive::LocalMachine), sandbox.Root() + "/registry/HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(ParseHive(u"hkcu"), Hive::CurrentUser);
    EXPECT_EQ(ParseHive(u"HKEY_LOCAL_MACHINE"), Hive::LocalMachine);
    EXPECT_FALSE(ParseHive(u"HKEY_CLASSES_ROOT"));
}

TEST_F(RegistryTest, EveryValueSurvivesTheTextForm)
{
    KeyNode root;
    KeyNode& k = root.AddChild(u"Software").AddChild(u"Odd \"name\" [x]");
    const std::vector<NamedValue> values = {
        {u"", Value::String(u"default")},
        {u"quote\"back\\slash", Value::String(u"say \"hi\" C:\\dir\\")},
        {u"empty", Value::String(u"")},
        {u"lines", Value::String(u"a\r\nb\tc")},
        {u"cjk", Value::String(u"中文\U0001F600")},
        {u"lone surrogate", Value::String(std::u16string(1, char16_t(0xD800)))},
        {u"dword", Value::Dword(0xFFFFFFFFu)},
        {u"binary", Value {kTypeBinary, std::string("\x00\x01\xFF", 3)}},
        {u"empty binary", Value {kTypeBinary, ""}},
        {u"multi", Value {kTypeMultiSz, std::string("a\0\0\0\0\0", 6)}},
        {u"short dword", Value {kTypeDword, "\x01"}},
        {u"unterminated sz", Value {kTypeSz, "A\0B\0", }},
    };
    k.values = values;
    const std::string text = FormatHiveText(root, Hive::CurrentUser);
    KeyNode back;
    std::string error;
    ASSERT_TRUE(ParseHiveText(text, Hive::CurrentUser, back, error)) << error << "\n" << text;
    KeyNode* k2 = back.Child(u"SOFTWARE") ? back.Child(u"SOFTWARE")->Child(u"odd \"NAME\" [X]") : nullptr;
    ASSERT_NE(k2, nullptr);
    EXPECT_EQ(k2->name, u"Odd \"name\" [x]");
    ASSERT_EQ(k2->values.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(k2->values[i].name, values[i].name);
        EXPECT_EQ(k2->values[i].value, values[i].value) << vel::Utf16ToUtf8(values[i].name);
    }
    EXPECT_NE(text.find("\"lines\"=hex(1):61,00,0d,00,0a,00,62,00,09,00,63,00,00,00"), std::string::npos) << text;
    EXPECT_NE(text.find("@=\"default\""), std::string::npos);
}

TEST_F(RegistryTest, HandEditedTextIsRead)
{
    const std::string text = "\xEF\xBB\xBF; edited by hand\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Hand]\r\n"
                             "  \"n\" = dword:2a\r\n"
                             "\"s\"=\"x\"\r\n"
                             "\"h\"=hex(2):41,00,\\\r\n"
                             "    00,00\r\n"
                             "\"s\"=\"later wins\"\r\n"
                             "[hkey_current_user\\software\\hand\\deeper\\still]\r\n";
    vel::test::Sandbox::WriteHostFile(HivePath(Hive::CurrentUser), text);
    Key key;
    ASSERT_EQ(key.Open(Hive::CurrentUser, u"Software\\Hand"), 0u);
    Value v;
    ASSERT_EQ(key.QueryValue(u"n", v), 0u);
    EXPECT_EQ(v.Number(), 42u);
    ASSERT_EQ(key.QueryValue(u"h", v), 0u);
    EXPECT_EQ(v.type, kTypeExpandSz);
    EXPECT_EQ(v.Text(), u"A");
    ASSERT_EQ(key.QueryValue(u"s", v), 0u);
    EXPECT_EQ(v.Text(), u"later wins");
    EXPECT_TRUE(KeyExists(Hive::CurrentUser, u"Software\\Hand\\Deeper")); // implied by its subkey
}

TEST_F(RegistryTest, DamagedHiveIsRefusedAndLeftAsItIs)
{
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"[HKEY_CURRENT_USER\\A]\n\"v\"=dword:123456789\n", "line 2: dword value needs 1 to 8 hex digits"},
        {"\"v\"=\"x\"\n", "line 1: value before the first [key] line"},
        {"[HKEY_LOCAL_MACHINE\\A]\n", "line 1: key must start with HKEY_CURRENT_USER"},
        {"[HKEY_CURRENT_USER\\A\n", "line 1: key line must end with ']'"},
        {"[HKEY_CURRENT_USER\\A]\n\"v\"=\"open\n", "line 2: string value not closed by a quote"},
        {"[HKEY_CURRENT_USER\\A]\nv=1\n", "line 2: value name must be quoted"},
        {"[HKEY_CURRENT_USER\\A]\n\"v\"=hex:1,2\n", "line 2: hex bytes must be two hex digits each, separated by commas"},
        {"[HKEY_CURRENT_USER\\A]\n\"v\"=word:1\n", "line 2: value must be \"text\", dword:, hex: or hex(type):"},
        {"[HKEY_CURRENT_USER\\A\\\\B]\n", "line 1: bad key name"},
        {"[HKEY_CURRENT_USER\\\xD6\xD0]\n", "the file is not UTF-8 text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        KeyNode root;
        std::string error;
        EXPECT_FALSE(ParseHiveText(c.text, Hive::CurrentUser, root, error));
        EXPECT_EQ(error, c.error);

        vel::test::Sandbox::WriteHostFile(HivePath(Hive::CurrentUser), c.text);
        EXPECT_EQ(CreateKey(Hive::CurrentUser, u"Software\\New"), kErrorBadDb);
        Key key;
        EXPECT_EQ(key.Open(Hive::CurrentUser, u"A"), kErrorBadDb);
        EXPECT_EQ(ReadAll(HivePath(Hive::CurrentUser)), c.text); // nothing was overwritten
    }
}

// Hive files are edited by people, so the reader meets damaged text. Every
// mutation of a valid hive either reads (and then writes back to text that
// reads the same) or is refused with a line number; none crashes.
TEST_F(RegistryTest, MutatedHiveTextIsReadOrRefusedCleanly)
{
    KeyNode root;
    KeyNode& k = root.AddChild(u"Software").AddChild(u"Mutations");
    k.values = {{u"", Value::String(u"d")},
                {u"s", Value::String(u"a \"b\" \\c 中")},
                {u"n", Value::Dword(42)},
                {u"h", Value {kTypeBinary, std::string("\x00\x7f\xff", 3)}},
                {u"x", Value::String(u"l\r\nm", kTypeExpandSz)}};
    k.AddChild(u"Sub").values = {{u"v", Value::Dword(1)}};
    const std::string valid = FormatHiveText(root, Hive::CurrentUser);
    const std::string alphabet = "[]\\\"=@:,;\n\r x0fhexdword()\xE4\xB8\xAD\xFF";
    std::mt19937 rng(20240611);
    int parsed = 0, refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text = valid;
        const int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const size_t at = rng() % text.size();
            switch (rng() % 3) {
            case 0: text.erase(at, 1 + rng() % 8); break;
            case 1: text.insert(at, 1, alphabet[rng() % alphabet.size()]); break;
            default: text[at] = alphabet[rng() % alphabet.size()]; break;
            }
        }
        KeyNode read;
        std::string error;
        if (!ParseHiveText(text, Hive::CurrentUser, read, error)) {
            ++refused;
            EXPECT_FALSE(error.empty());
            continue;
        }
        ++parsed;
        const std::string again = FormatHiveText(read, Hive::CurrentUser);
        KeyNode reread;
        ASSERT_TRUE(ParseHiveText(again, Hive::CurrentUser, reread, error)) << error << "\n" << again;
        EXPECT_EQ(FormatHiveText(reread, Hive::CurrentUser), again);
    }
    EXPECT_GT(parsed, 100);
    EXPECT_GT(refused, 100);
}

// Adds `count` values named prefix0..prefixN to one key, one change each.
void WriteMany(const std::u16string& prefix, int count)
{
    for (int i = 0; i < count; ++i) {
        Key key;
        if (key.Open(Hive::CurrentUser, u"Software\\Shared", Access::Write) != 0)
            _exit(3);
        if (key.SetValue(prefix + vel::ToString16(i), Value::Dword(uint32_t(i))) != 0)
            _exit(4);
    }
}

void ExpectAll(const std::vector<std::u16string>& prefixes, int count)
{
    Key key;
    ASSERT_EQ(key.Open(Hive::CurrentUser, u"Software\\Shared"), 0u);
    std::vector<NamedValue> values;
    ASSERT_EQ(key.Values(values), 0u);
    EXPECT_EQ(values.size(), prefixes.size() * size_t(count));
    for (const auto& prefix : prefixes)
        for (int i = 0; i < count; ++i) {
            Value v;
            ASSERT_EQ(key.QueryValue(prefix + vel::ToString16(i), v), 0u) << vel::Utf16ToUtf8(prefix) << i;
            EXPECT_EQ(v.Number(), uint32_t(i));
        }
}

TEST_F(RegistryTest, TwoProcessesWritingOneKeyKeepBothChanges)
{
    ASSERT_EQ(CreateKey(Hive::CurrentUser, u"Software\\Shared"), 0u);
    const int kCount = 150;
    pid_t children[2];
    const char16_t* prefixes[2] = {u"first", u"second"};
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            WriteMany(prefixes[c], kCount);
            _exit(0);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    ExpectAll({u"first", u"second"}, kCount);
    // No temporary file was left behind.
    for (const auto& entry : stdfs::directory_iterator(HiveFolder()))
        EXPECT_EQ(entry.path().string().find(".tmp."), std::string::npos) << entry.path();
}

TEST_F(RegistryTest, ThreadsWritingOneKeyKeepAllChanges)
{
    ASSERT_EQ(CreateKey(Hive::CurrentUser, u"Software\\Shared"), 0u);
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([t] { WriteMany(u"t" + vel::ToString16(t) + u"_", 60); });
    for (auto& th : threads)
        th.join();
    ExpectAll({u"t0_", u"t1_", u"t2_"}, 60);
}

TEST_F(RegistryTest, ReportedWindowsVersion)
{
    const struct {
        const char* env;
        uint32_t major, minor;
        bool nt;
    } cases[] = {
        {nullptr, 10, 0, true}, {"5.1", 5, 1, true},   {"6.1", 6, 1, true}, {" 5.2 ", 5, 2, true},
        {"6", 6, 0, true},      {"4.10 9x", 4, 10, false}, {"junk", 10, 0, true}, {"5.x", 10, 0, true},
    };
    for (const auto& c : cases) {
        if (c.env)
            setenv("VEL_WINVER", c.env, 1);
        else
            unsetenv("VEL_WINVER");
        WinVersion v = WindowsVersion();
        EXPECT_EQ(v.major, c.major) << (c.env ? c.env : "(unset)");
        EXPECT_EQ(v.minor, c.minor) << (c.env ? c.env : "(unset)");
        EXPECT_EQ(v.nt, c.nt) << (c.env ? c.env : "(unset)");
    }
    unsetenv("VEL_WINVER");
}

} // namespace
