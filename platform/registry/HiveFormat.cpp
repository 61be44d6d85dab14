#include "HiveFormat.h"

#include "platform/base/Strings.h"

#include <cstdio>

namespace vel::registry {

namespace {

constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

std::u16string Upper(std::u16string_view s) { return ToUpper(s); }

bool IsValidUtf8(std::string_view s)
{
    // Malformed input turns into U+FFFD on the way to UTF-16; a hive written
    // back from that would lose the original bytes, so such a file is refused.
    return Utf16ToUtf8(Utf8ToUtf16(s)) == s;
}

std::string Quote(std::u16string_view text)
{
    std::string out = "\"";
    for (char c : Utf16ToUtf8(text)) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// Reads a quoted string at s[i] (which is '"'); i ends after the closing quote.
bool Unquote(std::string_view s, size_t& i, std::string& out)
{
    if (i >= s.size() || s[i] != '"')
        return false;
    ++i;
    out.clear();
    while (i < s.size()) {
        char c = s[i++];
        if (c == '"')
            return true;
        if (c == '\\' && i < s.size() && (s[i] == '\\' || s[i] == '"'))
            c = s[i++];
        out += c;
    }
    return false;
}

std::string HexBytes(std::string_view data)
{
    std::string out;
    char buf[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(data[i]));
        if (i)
            out += ',';
        out += buf;
    }
    return out;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool ParseHexBytes(std::string_view s, std::string& out)
{
    out.clear();
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
    };
    skipBlanks();
    if (i == s.size())
        return true;
    for (;;) {
        skipBlanks();
        if (i + 2 > s.size() || HexDigit(s[i]) < 0 || HexDigit(s[i + 1]) < 0)
            return false;
        out += char(HexDigit(s[i]) * 16 + HexDigit(s[i + 1]));
        i += 2;
        skipBlanks();
        if (i == s.size())
            return true;
        if (s[i] != ',')
            return false;
        ++i;
    }
}

// A REG_SZ that can be written between quotes: UTF-16LE, one NUL at the end,
// no control characters, no unpaired surrogates.
bool PlainText(const Value& v, std::u16string& text)
{
    const std::string& d = v.data;
    if (d.size() < 2 || d.size() % 2 || d[d.size() - 1] || d[d.size() - 2])
        return false;
    text = v.Text();
    if (text.size() * 2 + 2 != d.size())
        return false;
    for (char16_t c : text)
        if (c < 0x20)
            return false;
    return Utf8ToUtf16(Utf16ToUtf8(text)) == text;
}

std::string FormatValue(const Value& v)
{
    std::u16string text;
    if (v.type == kTypeSz && PlainText(v, text))
        return Quote(text);
    if (v.type == kTypeDword && v.data.size() == 4) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", v.Number());
        return buf;
    }
    if (v.type == kTypeBinary)
        return "hex:" + HexBytes(v.data);
    char buf[24];
    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
    return buf + HexBytes(v.data);
}

bool ParseValue(std::string_view s, Value& v, std::string& why)
{
    if (!s.empty() && s[0] == '"') {
        size_t i = 0;
        std::string text;
        if (!Unquote(s, i, text) || Trim(Utf8ToUtf16(s.substr(i))).size()) {
            why = "string value not closed by a quote";
            return false;
        }
        v = Value::String(Utf8ToUtf16(text));
        return true;
    }
    if (s.substr(0, 6) == "dword:") {
        std::string_view digits = s.substr(6);
        while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\t'))
            digits.remove_suffix(1);
        if (digits.empty() || digits.size() > 8) {
            why = "dword value needs 1 to 8 hex digits";
            return false;
        }
        uint32_t n = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) {
                why = "dword value needs 1 to 8 hex digits";
                return false;
            }
            n = n * 16 + uint32_t(d);
        }
        v = Value::Dword(n);
        return true;
    }
    uint32_t type = kTypeBinary;
    std::string_view bytes;
    if (s.substr(0, 4) == "hex:") {
        bytes = s.substr(4);
    } else if (s.substr(0, 4) == "hex(") {
        size_t close = s.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) {
            why = "hex(type): expected";
            return false;
        }
        type = 0;
        for (char c : s.substr(4, close - 4)) {
            int d = HexDigit(c);
            if (d < 0) {
                why = "hex(type): expected";
                return false;
            }
            type = type * 16 + uint32_t(d);
        }
        bytes = s.substr(close + 2);
    } else {
        why = "value must be \"text\", dword:, hex: or hex(type):";
        return false;
    }
    v.type = type;
    if (!ParseHexBytes(bytes, v.data)) {
        why = "hex bytes must be two hex digits each, separated by commas";
        return false;
    }
    return true;
}

void FormatKey(const KeyNode& node, const std::u16string& fullPath, std::string& out)
{
    out += "[" + Utf16ToUtf8(fullPath) + "]\n";
    for (const NamedValue& nv : node.values) {
        out += nv.name.empty() ? std::string("@") : Quote(nv.name);
        out += "=" + FormatValue(nv.value) + "\n";
    }
    out += "\n";
    for (const auto& [upper, child] : node.children)
        FormatKey(*child, fullPath + u"\\" + child->name, out);
}

} // namespace

KeyNode* KeyNode::Child(std::u16string_view childName) const
{
    auto it = children.find(Upper(childName));
    return it == children.end() ? nullptr : it->second.get();
}

KeyNode& KeyNode::AddChild(std::u16string_view childName)
{
    auto& slot = children[Upper(childName)];
    if (!slot) {
        slot = std::make_unique<KeyNode>();
        slot->name = std::u16string(childName);
    }
    return *slot;
}

NamedValue* KeyNode::FindValue(std::u16string_view valueName)
{
    for (NamedValue& nv : values)
        if (EqualsIgnoreCase(nv.name, valueName))
            return &nv;
    return nullptr;
}

bool IsStorableName(std::u16string_view name)
{
    for (char16_t c : name)
        if (c < 0x20)
            return false;
    return Utf8ToUtf16(Utf16ToUtf8(name)) == name;
}

bool SplitKeyPath(std::u16string_view path, std::vector<std::u16string>& parts)
{
    parts.clear();
    while (!path.empty() && path.front() == u'\\')
        path.remove_prefix(1);
    while (!path.empty() && path.back() == u'\\')
        path.remove_suffix(1);
    if (path.empty())
        return true;
    for (const std::u16string& part : Split(path, u'\\', true)) {
        if (part.empty() || part.size() > kMaxKeyName || !IsStorableName(part))
            return false;
        parts.push_back(part);
    }
    return true;
}

bool ParseHiveText(std::string_view text, Hive hive, KeyNode& root, std::string& error)
{
    root = KeyNode {};
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    if (!IsValidUtf8(text)) {
        error = "the file is not UTF-8 text";
        return false;
    }
    const std::u16string rootName = HiveName(hive);
    KeyNode* current = nullptr;
    size_t lineNo = 0;
    size_t pos = 0;
    auto fail = [&](size_t line, const std::string& why) {
        error = "line " + std::to_string(line) + ": " + why;
        return false;
    };
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        std::string line(text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos));
        pos = eol == std::string_view::npos ? text.size() : eol + 1;
        const size_t startLine = ++lineNo;
        auto trimRight = [](std::string& s) {
            while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t'))
                s.pop_back();
        };
        trimRight(line);
        // A hex value continues on the next line after a trailing backslash.
        while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos &&
               pos < text.size()) {
            line.pop_back();
            size_t e2 = text.find('\n', pos);
            std::string more(text.substr(pos, e2 == std::string_view::npos ? std::string_view::npos : e2 - pos));
            pos = e2 == std::string_view::npos ? text.size() : e2 + 1;
            ++lineNo;
            trimRight(more);
            size_t b = more.find_first_not_of(" \t");
            line += b == std::string::npos ? std::string() : more.substr(b);
        }
        size_t b = line.find_first_not_of(" \t");
        if (b == std::string::npos || line[b] == ';')
            continue;
        std::string_view l = std::string_view(line).substr(b);
        if (l.front() == '[') {
            if (l.back() != ']')
                return fail(startLine, "key line must end with ']'");
            std::u16string full = Utf8ToUtf16(l.substr(1, l.size() - 2));
            std::u16string rest;
            if (EqualsIgnoreCase(full, rootName)) {
                rest.clear();
            } else if (StartsWithIgnoreCase(full, rootName + u"\\")) {
                rest = full.substr(rootName.size() + 1);
            } else {
                return fail(startLine, "key must start with " + Utf16ToUtf8(rootName));
            }
            std::vector<std::u16string> parts;
            if (!SplitKeyPath(rest, parts))
                return fail(startLine, "bad key name");
            current = &root;
            for (const auto& part : parts)
                current = &current->AddChild(part);
            continue;
        }
        if (!current)
            return fail(startLine, "value before the first [key] line");
        std::u16string name;
        size_t i = 0;
        if (l.front() == '@') {
            i = 1;
        } else {
            std::string n;
            if (!Unquote(l, i, n))
                return fail(startLine, "value name must be quoted");
            name = Utf8ToUtf16(n);
            if (name.size() > kMaxValueName)
                return fail(startLine, "value name too long");
        }
        while (i < l.size() && (l[i] == ' ' || l[i] == '\t'))
            ++i;
        if (i >= l.size() || l[i] != '=')
            return fail(startLine, "'=' expected after the value name");
        ++i;
        while (i < l.size() && (l[i] == ' ' || l[i] == '\t'))
            ++i;
        Value v;
        std::string why;
        if (!ParseValue(l.substr(i), v, why))
            return fail(startLine, why);
        if (NamedValue* existing = current->FindValue(name))
            existing->value = v; // a later line wins, as when importing
        else
            current->values.push_back({name, v});
    }
    return true;
}

std::string FormatHiveText(const KeyNode& root, Hive hive)
{
    std::string out = "; VelMedia registry hive " + Utf16ToUtf8(HiveName(hive)) +
                      " (UTF-8). One [key] per section, then \"name\"=value lines:\n"
                      "; \"text\", dword:<8 hex digits>, hex:<bytes>, hex(<type>):<bytes>; @ names the default value.\n\n";
    FormatKey(root, HiveName(hive), out);
    return out;
}

} // namespace vel::registry
