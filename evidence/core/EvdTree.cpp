#include "EvdTree.h"

#include "CEVDSqliteDb.h"
#include "EvdCaseFiles.h"
#include "EvdDataFolder.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"

#include <functional>

namespace vel::evd {

namespace {

// A tree deeper than this is corrupt (a parent cycle); walks stop there.
constexpr int kMaxDepth = 4096;

CEVDSqliteDb& Db()
{
    return CEVDSqliteDb::Instance();
}

// The names from the top of the tree down to the node, joined with '\'.
// Sets inMyResources when the walk passes the my-resources root.
std::u16string Chain(const EVD_FILE_INFO& node, bool& inMyResources)
{
    std::u16string chain = node.NAME;
    inMyResources = node.IsMyResourcesRoot();
    int32_t parentId = node.PARENTID;
    for (int depth = 0; parentId != 0 && depth < kMaxDepth; ++depth) {
        EVD_FILE_INFO parent;
        if (!Db().GetNode(parentId, parent, false))
            break;
        if (parent.IsMyResourcesRoot())
            inMyResources = true;
        chain = parent.NAME + u"\\" + chain;
        parentId = parent.PARENTID;
    }
    return chain;
}

uint64_t FreeMb(std::u16string_view path)
{
    std::u16string p(path);
    if (p.size() > 260)
        p.resize(260);
    auto bytes = fs::FreeBytes(p);
    return bytes ? (*bytes >> 20) : 0;
}

std::u16string Normalise(std::u16string_view s)
{
    std::u16string out = Trim(ReplaceAll(s, u"/", u"\\"));
    while (out.find(u"\\\\") != std::u16string::npos)
        out = ReplaceAll(out, u"\\\\", u"\\");
    return out;
}

struct Area
{
    int32_t group, item;
    std::vector<std::u16string> parts;
    std::u16string rest;
};

// The area tests shared by the logical name and the area look-up; the two
// differ only in the order of the capture directories.
bool FindArea(std::u16string_view path, bool clipBeforeRecord, Area& out)
{
    CEVDSqliteDb& db = Db();
    std::u16string p(path);
    if (p.size() >= 2 && fs::IsSeparator(p[0]) && fs::IsSeparator(p[1])) {
        std::u16string pub = db.GetSetting(kSecNas, kKeyPublic, true);
        std::u16string person = db.GetSetting(kSecNas, kKeyPerson, true);
        if (PathStartsWith(pub, p, &out.rest)) {
            out = {1, 2, {u"公共档案"}, out.rest};
            return true;
        }
        if (PathStartsWith(person, p, &out.rest)) {
            out = {1, 3, {u"个人档案"}, out.rest};
            return true;
        }
        return false;
    }
    if (PathStartsWith(DefaultDirectory(), p, &out.rest)) {
        out = {0, 0, {u"本地资料", u"我的资源"}, out.rest};
        return true;
    }
    std::vector<EVD_CFG_HISTORY> locals;
    db.ListHistory(kSecLocal, kKeyLocalDir, locals, true);
    for (auto& h : locals) {
        if (PathStartsWith(h.VALUE, p, &out.rest)) {
            std::u16string dir = h.VALUE;
            while (!dir.empty() && fs::IsSeparator(dir.back()))
                dir.pop_back();
            out = {0, 1, {u"本地资料", fs::LastComponent(dir)}, out.rest};
            return true;
        }
    }
    struct Capture
    {
        const char16_t* dir;
        int32_t item;
        const char16_t* name;
    };
    const Capture snapshot{kSnapshotDir, 5, u"Snapshot"}, record{kRecordDir, 6, u"Record"},
        clip{kClipDir, 7, u"Clip"};
    const Capture order[3] = {snapshot, clipBeforeRecord ? clip : record, clipBeforeRecord ? record : clip};
    for (auto& c : order) {
        if (PathStartsWith(c.dir, p, &out.rest)) {
            out = {2, c.item, {u"Korrin平台资源", c.name}, out.rest};
            return true;
        }
    }
    return false;
}

using TakenFn = std::function<bool(const std::u16string&)>;

// Limits the numbering so a store that answers "taken" for everything
// cannot hang the caller.
constexpr int kMaxNumber = 1000000;

std::u16string UniqueName(std::u16string proposal, std::u16string_view suffix, const TakenFn& taken)
{
    if (!taken(proposal))
        return proposal;
    std::u16string base = proposal;
    if (!suffix.empty()) {
        base = proposal + std::u16string(suffix);
        if (!taken(base))
            return base;
    }
    for (int n = 1; n < kMaxNumber; ++n) {
        std::u16string candidate = Format16(u"%s(%d)", base.c_str(), n);
        if (!taken(candidate))
            return candidate;
    }
    return {};
}

} // namespace

bool PathStartsWith(std::u16string_view prefix, std::u16string_view path, std::u16string* rest)
{
    std::u16string p = Normalise(prefix), q = Normalise(path);
    if (p.empty() || q.size() < p.size())
        return false;
    if (!EqualsIgnoreCase(std::u16string_view(q).substr(0, p.size()), p))
        return false;
    if (rest)
        *rest = q.substr(p.size());
    return true;
}

std::u16string CurrentLibraryRoot(int64_t reserveMb, int32_t& rootId)
{
    CEVDSqliteDb& db = Db();
    if (rootId < 1)
        rootId = db.GetSettingInt(kSecTotal, kKeyCurPath, false);
    if (rootId >= 1) {
        std::u16string value = db.HistoryById(rootId, false);
        if (!value.empty()) {
            if (reserveMb == 0 || int64_t(FreeMb(value)) > reserveMb)
                return value;
        }
    }
    std::vector<EVD_CFG_HISTORY> roots;
    db.ListHistory(kSecTotal, kKeyCasePath, roots, false);
    std::vector<EVD_CFG_HISTORY> remaining;
    for (auto it = roots.rbegin(); it != roots.rend(); ++it) {
        if (int64_t(FreeMb(it->VALUE)) <= reserveMb)
            continue;
        if (it->ID == rootId)
            return it->VALUE;
        remaining.push_back(*it);
    }
    if (remaining.empty())
        return {};
    const EVD_CFG_HISTORY& oldest = remaining.back();
    db.SetSetting(kSecTotal, kKeyCurPath, ToString16(oldest.ID), false, false);
    rootId = oldest.ID;
    return oldest.VALUE;
}

std::u16string FolderPath(int32_t id, int64_t reserveMb, int32_t& rootId, bool lock)
{
    CEVDSqliteDb& db = Db();
    CSqliteDbMan::LockScope scope(db, lock);
    EVD_FILE_INFO node;
    if (!db.GetNode(id, node, false) || IsFileKind(node.EVDFILETYPE))
        return {};
    bool inMy = false;
    std::u16string chain = Chain(node, inMy);
    std::u16string root =
        inMy ? FilesDirectory() : CurrentLibraryRoot(reserveMb < 0 ? 1024 : reserveMb, rootId);
    if (root.empty())
        return {};
    return root + u"\\" + chain;
}

std::u16string NodePath(int32_t id, bool currentLibrary, bool lock)
{
    CEVDSqliteDb& db = Db();
    CSqliteDbMan::LockScope scope(db, lock);
    EVD_FILE_INFO node;
    if (!db.GetNode(id, node, false))
        return {};
    if (!IsFileKind(node.EVDFILETYPE)) {
        int32_t noRoot = -1;
        return FolderPath(id, 0, noRoot, false);
    }
    bool inMy = false;
    std::u16string chain = Chain(node, inMy);
    std::u16string root;
    if (inMy || db.IsInMyResources(node)) {
        root = FilesDirectory();
    } else if (currentLibrary) {
        int32_t cur = db.GetSettingInt(kSecTotal, kKeyCurPath, false);
        if (cur < 1)
            return {};
        root = db.HistoryById(cur, false);
    } else {
        root = db.HistoryById(node.LIBPATHID, false);
    }
    if (root.empty())
        return {};
    return root + u"\\" + chain;
}

std::vector<std::u16string> AllDiskPaths(int32_t id)
{
    CEVDSqliteDb& db = Db();
    CSqliteDbMan::LockScope scope(db, true);
    std::vector<std::u16string> out;
    EVD_FILE_INFO node;
    if (!db.GetNode(id, node, false))
        return out;
    bool inMy = false;
    std::u16string chain = Chain(node, inMy);
    if (inMy) {
        out.push_back(FilesDirectory() + u"\\" + chain);
        return out;
    }
    if (IsFileKind(node.EVDFILETYPE)) {
        std::u16string p = NodePath(id, false, false);
        if (!p.empty())
            out.push_back(p);
        return out;
    }
    std::vector<EVD_CFG_HISTORY> roots;
    db.ListHistory(kSecTotal, kKeyCasePath, roots, false);
    for (auto& r : roots)
        out.push_back(r.VALUE + u"\\" + chain);
    return out;
}

std::u16string RelativeName(int32_t id)
{
    CEVDSqliteDb& db = Db();
    CSqliteDbMan::LockScope scope(db, true);
    EVD_FILE_INFO node;
    if (!db.GetNode(id, node, false))
        return {};
    std::u16string text = node.NAME;
    for (int depth = 0; node.EVDFILETYPE != kKindCase && depth < kMaxDepth; ++depth) {
        EVD_FILE_INFO parent;
        if (!db.GetNode(node.PARENTID, parent, false))
            break;
        text = parent.NAME + u"\\" + text;
        node = parent;
    }
    if (text.empty())
        return {};
    return u"离线档案\\" + text;
}

std::u16string LogicalName(std::u16string_view path)
{
    Area area;
    if (!FindArea(path, false, area))
        return {};
    std::u16string name;
    for (size_t i = 0; i < area.parts.size(); ++i) {
        if (i)
            name += u"\\";
        name += area.parts[i];
    }
    if (!(name.size() && name.back() == u'\\') && !(area.rest.size() && area.rest.front() == u'\\'))
        name += u"\\";
    return name + area.rest;
}

bool AreaOfPath(std::u16string_view path, int32_t& group, int32_t& item)
{
    Area area;
    if (!FindArea(path, true, area))
        return false;
    group = area.group;
    item = area.item;
    return true;
}

std::u16string UniqueCaseName(int32_t parentId, std::u16string_view proposal, std::u16string_view suffix)
{
    CEVDSqliteDb& db = Db();
    std::u16string p = proposal.empty() ? std::u16string(u"新建档案") : std::u16string(proposal);
    return UniqueName(p, suffix, [&](const std::u16string& n) { return db.NameTaken(parentId, n, true); });
}

std::u16string UniqueFolderName(int32_t parentId, std::u16string_view proposal, std::u16string_view suffix)
{
    CEVDSqliteDb& db = Db();
    std::u16string p = proposal.empty() ? std::u16string(u"新建文件夹") : std::u16string(proposal);
    return UniqueName(p, suffix, [&](const std::u16string& n) { return db.NameTaken(parentId, n, true); });
}

std::u16string UniqueFileName(int32_t parentId, std::u16string_view proposal, std::u16string_view suffix)
{
    CEVDSqliteDb& db = Db();
    int32_t noRoot = -1;
    std::u16string folder = FolderPath(parentId, 0, noRoot, true);
    if (folder.empty() || proposal.empty())
        return {};
    auto taken = [&](const std::u16string& n) {
        return db.NameTaken(parentId, n, true) || fs::Exists(folder + u"\\" + n);
    };
    std::u16string name(proposal);
    if (!taken(name))
        return name;
    std::u16string ext = fs::Extension(name);
    std::u16string stem = name.substr(0, name.size() - ext.size());
    if (!suffix.empty()) {
        stem += std::u16string(suffix);
        if (!taken(stem + ext))
            return stem + ext;
    }
    for (int n = 1; n < kMaxNumber; ++n) {
        std::u16string candidate = Format16(u"%s(%d)%s", stem.c_str(), n, ext.c_str());
        if (!taken(candidate))
            return candidate;
    }
    return {};
}

bool WorkCase(std::u16string& directory, int32_t& id)
{
    CEVDSqliteDb& db = Db();
    if (db.GetSetting(kSecEvd, kKeyWorkCaseSet, true) == u"net") {
        std::u16string pub = db.GetSetting(kSecNas, kKeyPublic, true);
        std::u16string person = db.GetSetting(kSecNas, kKeyPerson, true);
        if (!fs::IsDirectory(pub))
            pub.clear();
        if (!fs::IsDirectory(person))
            person.clear();
        std::u16string user = person.empty() ? std::u16string() : db.GetSetting(kSecNas, kKeyUserName, true);
        if (!user.empty()) {
            for (const std::u16string& dir : {person, pub}) {
                if (dir.empty())
                    continue;
                std::u16string found = FindWorkCaseIn(dir, user);
                if (!found.empty()) {
                    directory = found;
                    id = 0;
                    return true;
                }
            }
        }
        return false;
    }
    std::u16string workCase = db.GetSetting(kSecEvd, kKeyWorkCase, true);
    if (!workCase.empty()) {
        int32_t caseId = ParseInt(workCase);
        std::u16string dir = NodePath(caseId, true, true);
        if (!dir.empty()) {
            directory = dir;
            id = caseId;
            return true;
        }
    }
    directory = DefaultDirectory();
    id = -1;
    return true;
}

} // namespace vel::evd
