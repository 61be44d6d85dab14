// velreg: looks at and changes the sandbox registry (the hive files in
// VEL_REGISTRY), for people and for tests that need a machine's keys set up.
//
//   velreg query  KEY [/v NAME | /s]
//   velreg add    KEY [/v NAME | /ve] [/t REG_SZ|REG_DWORD|REG_EXPAND_SZ|REG_BINARY] [/d DATA]
//   velreg delete KEY [/v NAME | /ve]
//   velreg path   [HKCU|HKLM]
//
// KEY starts with its hive: HKCU\Software\... or HKEY_LOCAL_MACHINE\...
// Options may also be written with '-'. Text is UTF-8. Exit code 0 on
// success, 1 on a failure (with a message on stderr), 2 on bad usage.

#include "platform/base/LastError.h"
#include "platform/base/Strings.h"
#include "platform/registry/Registry.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace vel;
using namespace vel::registry;

namespace {

int Usage()
{
    std::fputs("usage: velreg query  KEY [/v NAME | /s]\n"
               "       velreg add    KEY [/v NAME | /ve] [/t REG_SZ|REG_DWORD|REG_EXPAND_SZ|REG_BINARY] [/d DATA]\n"
               "       velreg delete KEY [/v NAME | /ve]\n"
               "       velreg path   [HKCU|HKLM]\n"
               "KEY starts with its hive: HKCU\\... or HKLM\\...\n",
               stderr);
    return 2;
}

std::string ErrorText(uint32_t rc)
{
    switch (rc) {
    case kErrorFileNotFound: return "not found";
    case kErrorAccessDenied: return "access denied";
    case kErrorInvalidParameter: return "bad key or value name";
    case kErrorBadDb: return "the hive file cannot be read as a hive (see " + HiveFolder() + ")";
    case kErrorKeyDeleted: return "the key was deleted";
    default: return "error " + std::to_string(rc);
    }
}

int Fail(const std::string& what, uint32_t rc)
{
    std::fprintf(stderr, "velreg: %s: %s\n", what.c_str(), ErrorText(rc).c_str());
    return 1;
}

std::string TypeName(uint32_t type)
{
    switch (type) {
    case kTypeSz: return "REG_SZ";
    case kTypeExpandSz: return "REG_EXPAND_SZ";
    case kTypeBinary: return "REG_BINARY";
    case kTypeDword: return "REG_DWORD";
    case kTypeMultiSz: return "REG_MULTI_SZ";
    case kTypeQword: return "REG_QWORD";
    default: return "REG_TYPE_" + std::to_string(type);
    }
}

std::optional<uint32_t> ParseType(const std::string& name)
{
    for (uint32_t t : {kTypeSz, kTypeExpandSz, kTypeBinary, kTypeDword})
        if (EqualsIgnoreCase(Utf8ToUtf16(name), Utf8ToUtf16(TypeName(t))))
            return t;
    return std::nullopt;
}

std::string Show(const Value& v)
{
    char buf[48];
    switch (v.type) {
    case kTypeSz:
    case kTypeExpandSz:
        return Utf16ToUtf8(v.Text());
    case kTypeDword:
        if (v.data.size() == 4) {
            std::snprintf(buf, sizeof buf, "0x%x (%u)", v.Number(), v.Number());
            return buf;
        }
        [[fallthrough]];
    default: {
        std::string out;
        for (unsigned char c : v.data) {
            std::snprintf(buf, sizeof buf, "%02X", c);
            out += buf;
        }
        return out;
    }
    }
}

struct KeyArg {
    Hive hive;
    std::u16string path;
    std::string display;
};

std::optional<KeyArg> ParseKey(const std::string& text)
{
    std::u16string k = Utf8ToUtf16(text);
    size_t slash = k.find(u'\\');
    auto hive = ParseHive(k.substr(0, slash));
    if (!hive)
        return std::nullopt;
    KeyArg arg {*hive, slash == std::u16string::npos ? u"" : k.substr(slash + 1), ""};
    arg.display = Utf16ToUtf8(HiveName(*hive)) + (arg.path.empty() ? "" : "\\" + Utf16ToUtf8(arg.path));
    return arg;
}

bool IsOption(const char* arg, const char* name)
{
    return (arg[0] == '/' || arg[0] == '-') && EqualsIgnoreCase(Utf8ToUtf16(arg + 1), Utf8ToUtf16(name));
}

int Query(const KeyArg& k, const std::optional<std::u16string>& valueName, bool recurse)
{
    Key key;
    if (uint32_t rc = key.Open(k.hive, k.path))
        return Fail(k.display, rc);
    if (valueName) {
        Value v;
        if (uint32_t rc = key.QueryValue(*valueName, v))
            return Fail(k.display + " value \"" + Utf16ToUtf8(*valueName) + "\"", rc);
        std::printf("%s\n    %s    %s    %s\n", k.display.c_str(),
                    valueName->empty() ? "(Default)" : Utf16ToUtf8(*valueName).c_str(), TypeName(v.type).c_str(),
                    Show(v).c_str());
        return 0;
    }
    std::vector<NamedValue> values;
    std::vector<std::u16string> subs;
    if (uint32_t rc = key.Values(values))
        return Fail(k.display, rc);
    if (uint32_t rc = key.SubKeys(subs))
        return Fail(k.display, rc);
    std::printf("%s\n", k.display.c_str());
    for (const NamedValue& nv : values)
        std::printf("    %s    %s    %s\n", nv.name.empty() ? "(Default)" : Utf16ToUtf8(nv.name).c_str(),
                    TypeName(nv.value.type).c_str(), Show(nv.value).c_str());
    std::printf("\n");
    for (const auto& sub : subs) {
        KeyArg child {k.hive, k.path.empty() ? sub : k.path + u"\\" + sub, k.display + "\\" + Utf16ToUtf8(sub)};
        if (recurse) {
            if (int rc = Query(child, std::nullopt, true))
                return rc;
        } else {
            std::printf("%s\n", child.display.c_str());
        }
    }
    return 0;
}

int Add(const KeyArg& k, const std::optional<std::u16string>& valueName, uint32_t type, const std::string& data)
{
    if (uint32_t rc = CreateKey(k.hive, k.path))
        return Fail(k.display, rc);
    if (!valueName)
        return 0;
    Value v;
    if (type == kTypeDword) {
        const std::u16string d = Trim(Utf8ToUtf16(data));
        uint64_t n = 0;
        bool ok = !d.empty();
        if (StartsWithIgnoreCase(d, u"0x")) {
            ok = d.size() > 2 && d.size() <= 10;
            for (size_t i = 2; ok && i < d.size(); ++i) {
                char16_t c = ToLower(d[i]);
                int digit = (c >= u'0' && c <= u'9') ? c - u'0' : (c >= u'a' && c <= u'f') ? c - u'a' + 10 : -1;
                ok = digit >= 0;
                n = n * 16 + uint64_t(digit < 0 ? 0 : digit);
            }
        } else {
            for (char16_t c : d)
                ok = ok && c >= u'0' && c <= u'9';
            n = ok && d.size() <= 10 ? uint64_t(ParseInt64(d)) : ~uint64_t(0);
        }
        if (!ok || n > 0xFFFFFFFFull) {
            std::fprintf(stderr, "velreg: REG_DWORD data must be a number from 0 to 4294967295 (or 0x...)\n");
            return 2;
        }
        v = Value::Dword(uint32_t(n));
    } else if (type == kTypeBinary) {
        v.type = kTypeBinary;
        if (data.size() % 2) {
            std::fprintf(stderr, "velreg: REG_BINARY data must be pairs of hex digits\n");
            return 2;
        }
        for (size_t i = 0; i < data.size(); i += 2) {
            unsigned byte = 0;
            if (std::sscanf(data.substr(i, 2).c_str(), "%2x", &byte) != 1) {
                std::fprintf(stderr, "velreg: REG_BINARY data must be pairs of hex digits\n");
                return 2;
            }
            v.data += char(byte);
        }
    } else {
        v = Value::String(Utf8ToUtf16(data), type);
    }
    Key key;
    if (uint32_t rc = key.Open(k.hive, k.path, Access::Write))
        return Fail(k.display, rc);
    if (uint32_t rc = key.SetValue(*valueName, v))
        return Fail(k.display + " value \"" + Utf16ToUtf8(*valueName) + "\"", rc);
    return 0;
}

int Delete(const KeyArg& k, const std::optional<std::u16string>& valueName)
{
    if (!valueName) {
        if (uint32_t rc = DeleteKey(k.hive, k.path))
            return Fail(k.display, rc);
        return 0;
    }
    Key key;
    if (uint32_t rc = key.Open(k.hive, k.path, Access::Write))
        return Fail(k.display, rc);
    if (uint32_t rc = key.DeleteValue(*valueName))
        return Fail(k.display + " value \"" + Utf16ToUtf8(*valueName) + "\"", rc);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc < 2)
            return Usage();
        const std::string command = argv[1];
        if (command == "path") {
            if (argc == 2) {
                std::printf("%s\n", HiveFolder().c_str());
                return 0;
            }
            auto hive = ParseHive(Utf8ToUtf16(argv[2]));
            if (!hive)
                return Usage();
            std::printf("%s\n", HivePath(*hive).c_str());
            return 0;
        }
        if (argc < 3)
            return Usage();
        auto key = ParseKey(argv[2]);
        if (!key) {
            std::fprintf(stderr, "velreg: %s: the key must start with HKCU or HKLM\n", argv[2]);
            return 2;
        }
        std::optional<std::u16string> valueName;
        uint32_t type = kTypeSz;
        std::string data;
        bool recurse = false;
        for (int i = 3; i < argc; ++i) {
            const char* a = argv[i];
            if (IsOption(a, "v") && i + 1 < argc) {
                valueName = Utf8ToUtf16(argv[++i]);
            } else if (IsOption(a, "ve")) {
                valueName = std::u16string();
            } else if (IsOption(a, "t") && i + 1 < argc) {
                auto t = ParseType(argv[++i]);
                if (!t)
                    return Usage();
                type = *t;
            } else if (IsOption(a, "d") && i + 1 < argc) {
                data = argv[++i];
            } else if (IsOption(a, "s")) {
                recurse = true;
            } else if (IsOption(a, "f")) {
                // accepted for habit's sake: velreg never asks
            } else {
                return Usage();
            }
        }
        if (command == "query")
            return Query(*key, valueName, recurse);
        if (command == "add")
            return Add(*key, valueName, type, data);
        if (command == "delete")
            return Delete(*key, valueName);
        return Usage();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velreg: %s\n", e.what());
        return 1;
    }
}
