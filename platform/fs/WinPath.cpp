#include "WinPath.h"

#include "platform/base/Strings.h"

#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vel::fs {

bool IsSeparator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

namespace {

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* v = getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

std::string DataHome()
{
    const char* xdg = getenv("XDG_DATA_HOME");
    if (xdg && *xdg)
        return xdg;
    const char* home = getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share";
}

std::string UncRoot()
{
    return EnvOr("VEL_UNC_ROOT", DataHome() + "/velmedia/unc");
}

std::string StripTrailingSlash(std::string s)
{
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

bool HostExists(const std::string& p)
{
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

// Appends one component to a host path, finding its stored letter case when
// the given case does not exist. Returns false when nothing matched (the
// component is then appended as given).
bool AppendComponent(std::string& host, std::u16string_view comp)
{
    std::string name = Utf16ToUtf8(comp);
    std::string candidate = host == "/" ? "/" + name : host + "/" + name;
    if (HostExists(candidate)) {
        host = candidate;
        return true;
    }
    bool found = false;
    if (DIR* d = opendir(host.empty() ? "." : host.c_str())) {
        while (dirent* e = readdir(d)) {
            std::u16string entry = Utf8ToUtf16(e->d_name);
            if (EqualsIgnoreCase(entry, comp)) {
                candidate = host == "/" ? std::string("/") + e->d_name : host + "/" + e->d_name;
                found = true;
                break;
            }
        }
        closedir(d);
    }
    host = candidate;
    return found;
}

} // namespace

std::string DriveRoot(char16_t letter)
{
    letter = ToUpper(letter);
    if (letter < u'A' || letter > u'Z')
        return {};
    std::string var = "VEL_DRIVE_";
    var.push_back(char(letter));
    const char* v = getenv(var.c_str());
    if (v && *v)
        return StripTrailingSlash(v);
    if (letter == u'C')
        return DataHome() + "/velmedia/drive_c";
    if (letter == u'Z')
        return "/";
    return {};
}

ParsedPath Parse(std::u16string_view path)
{
    ParsedPath out;
    if (path.empty())
        return out;
    // A host path: Z: is the host root.
    if (path[0] == u'/' && !(path.size() > 1 && path[1] == u'/')) {
        out.kind = PathKind::Drive;
        out.drive = u'Z';
        path.remove_prefix(1);
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        path.remove_prefix(2);
        size_t s1 = 0;
        while (s1 < path.size() && !IsSeparator(path[s1]))
            ++s1;
        size_t s2 = s1 < path.size() ? s1 + 1 : s1;
        while (s2 < path.size() && !IsSeparator(path[s2]))
            ++s2;
        if (s1 == 0)
            return out;
        out.kind = PathKind::Unc;
        out.server = std::u16string(path.substr(0, s1));
        out.share = s1 < path.size() ? std::u16string(path.substr(s1 + 1, s2 - s1 - 1)) : std::u16string();
        path.remove_prefix(s2);
    } else if (path.size() >= 2 && path[1] == u':') {
        char16_t letter = ToUpper(path[0]);
        if (letter < u'A' || letter > u'Z')
            return out;
        out.kind = PathKind::Drive;
        out.drive = letter;
        path.remove_prefix(2);
    } else {
        out.kind = PathKind::Relative;
    }
    std::u16string rest;
    for (auto& comp : Split(path, u'\\')) {
        for (auto& part : Split(comp, u'/')) {
            if (!rest.empty())
                rest.push_back(u'\\');
            rest += part;
        }
    }
    out.rest = rest;
    return out;
}

std::string ToHost(std::u16string_view path)
{
    ParsedPath p = Parse(path);
    std::string host;
    switch (p.kind) {
    case PathKind::Invalid:
        return {};
    case PathKind::Drive:
        host = DriveRoot(p.drive);
        if (host.empty())
            return {};
        break;
    case PathKind::Unc: {
        host = StripTrailingSlash(UncRoot());
        AppendComponent(host, p.server);
        if (!p.share.empty())
            AppendComponent(host, p.share);
        break;
    }
    case PathKind::Relative:
        host = "";
        break;
    }
    const std::string root = host;
    std::vector<std::u16string> comps = Split(p.rest, u'\\');
    std::vector<std::string> stack; // resolved host prefixes, for ".."
    bool resolving = true;
    for (auto& c : comps) {
        if (c == u".")
            continue;
        if (c == u"..") {
            if (!stack.empty()) {
                host = stack.back();
                stack.pop_back();
            }
            continue;
        }
        stack.push_back(host);
        if (p.kind == PathKind::Relative && host.empty()) {
            // First component of a relative path: relative to the cwd.
            host = ".";
            resolving = AppendComponent(host, c);
            host = host.substr(2);
            continue;
        }
        if (resolving) {
            resolving = AppendComponent(host, c);
        } else {
            host += (host == "/" ? "" : "/") + Utf16ToUtf8(c);
        }
    }
    if (host.empty())
        host = root.empty() ? "." : root;
    return host;
}

std::u16string FromHost(std::string_view hostPath)
{
    std::string hp(hostPath);
    if (hp.empty())
        return {};
    if (hp[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd))
            hp = std::string(cwd) + "/" + hp;
    }
    char16_t bestLetter = u'Z';
    std::string bestRoot = "/";
    for (char16_t l = u'A'; l <= u'Y'; ++l) {
        std::string r = DriveRoot(l);
        if (r.empty() || r == "/")
            continue;
        if (hp.size() >= r.size() && hp.compare(0, r.size(), r) == 0 &&
            (hp.size() == r.size() || hp[r.size()] == '/') && r.size() > bestRoot.size()) {
            bestRoot = r;
            bestLetter = l;
        }
    }
    std::string rest = bestRoot == "/" ? hp.substr(1) : hp.substr(bestRoot.size());
    while (!rest.empty() && rest[0] == '/')
        rest.erase(0, 1);
    std::u16string out;
    out.push_back(bestLetter);
    out += u":\\";
    std::u16string r16 = Utf8ToUtf16(rest);
    for (auto& c : r16)
        if (c == u'/')
            c = u'\\';
    out += r16;
    return out;
}

std::u16string RootOf(std::u16string_view path)
{
    ParsedPath p = Parse(path);
    switch (p.kind) {
    case PathKind::Drive: {
        std::u16string r;
        r.push_back(p.drive);
        r += u":\\";
        return r;
    }
    case PathKind::Unc:
        return u"\\\\" + p.server + u"\\" + p.share + u"\\";
    default:
        return {};
    }
}

std::u16string LastComponent(std::u16string_view path)
{
    size_t i = path.size();
    while (i > 0 && !IsSeparator(path[i - 1]))
        --i;
    return std::u16string(path.substr(i));
}

std::u16string RemoveLastComponent(std::u16string_view path)
{
    size_t i = path.size();
    while (i > 0 && !IsSeparator(path[i - 1]))
        --i;
    if (i == 0)
        return {};
    // Keep a drive root's separator ("C:\x" -> "C:\").
    if (i == 3 && path[1] == u':')
        return std::u16string(path.substr(0, 3));
    while (i > 0 && IsSeparator(path[i - 1]))
        --i;
    return std::u16string(path.substr(0, i));
}

std::u16string Join(std::u16string_view a, std::u16string_view b)
{
    if (a.empty())
        return std::u16string(b);
    std::u16string out(a);
    if (!IsSeparator(out.back()))
        out.push_back(u'\\');
    out += b;
    return out;
}

std::u16string Extension(std::u16string_view path)
{
    std::u16string last = LastComponent(path);
    size_t dot = last.rfind(u'.');
    if (dot == std::u16string::npos)
        return {};
    return last.substr(dot);
}

} // namespace vel::fs
