#include "EvdCaseFiles.h"

#include "CDbgPrint.h"
#include "EvdFileKinds.h"
#include "evidence/skin/ZBXMLElement.h"
#include "platform/base/LastError.h"
#include "platform/base/Strings.h"
#include "platform/base/Time.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"

#include <ctime>

namespace vel::evd {

namespace {

constexpr char16_t kCompanion[] = u".evd";

bool EndsWith(std::u16string_view s, std::u16string_view suffix)
{
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool MakeHiddenDirectory(const std::u16string& dir)
{
    if (!fs::DirectoryChainOk(fs::CreateDirectoryChain(dir)))
        return false;
    uint32_t attrs = fs::GetAttributes(dir);
    if (attrs != fs::kInvalidAttributes && !(attrs & fs::kAttrHidden))
        fs::SetAttributes(dir, (attrs & ~uint32_t(fs::kAttrDirectory | fs::kAttrNormal)) | fs::kAttrHidden);
    return true;
}

// Loads a document, or starts a fresh one from `empty` when the file is
// missing or unreadable.
std::unique_ptr<ZBXMLElement> LoadOrStart(const std::u16string& path, const char16_t* empty)
{
    std::unique_ptr<ZBXMLElement> doc;
    if (!path.empty() && fs::Exists(path))
        doc = ZBXMLElement::LoadFile(path);
    if (!doc)
        doc = ZBXMLElement::ParseText(empty);
    return doc;
}

bool WriteMark(const std::u16string& caseDir, std::u16string_view user, const char16_t* value)
{
    if (MakeCompanionDirectory(caseDir, user).empty())
        return false;
    std::u16string path = WorkCaseMarkPath(caseDir, user);
    auto doc = LoadOrStart(path, u"<workcase></workcase>");
    if (!doc)
        return false;
    ZBXMLElement* mark = doc->GetOrAddChild(u"WORKCASE");
    if (!mark)
        return false;
    mark->SetText(value);
    return SaveDocument(*doc, path);
}

// Subdirectories of a directory that can be case directories.
std::vector<std::u16string> CaseDirectories(std::u16string_view dir)
{
    std::vector<std::u16string> out;
    for (auto& e : fs::List(fs::Join(dir, u"*"))) {
        if (!e.info.isDirectory || e.name == u"." || e.name == u".." || e.name == kCompanion)
            continue;
        out.push_back(fs::Join(dir, e.name));
    }
    return out;
}

// The stem of a path (everything before the extension of its last component).
std::u16string Stem(std::u16string_view path)
{
    std::u16string ext = fs::Extension(path);
    return std::u16string(path.substr(0, path.size() - ext.size()));
}

std::u16string SourceCopyName(std::u16string_view path)
{
    std::u16string name = Stem(path) + u"_src" + fs::Extension(path);
    if (name.size() > 259)
        name.resize(259);
    return name;
}

std::u16string DescriptionName(std::u16string_view path)
{
    if (EndsWithIgnoreCase(path, u".xml"))
        return std::u16string(path);
    return std::u16string(path) + u".xml";
}

void RenameCompanion(const std::u16string& from, const std::u16string& to)
{
    if (fs::MoveFile(from, to)) {
        Touch(to);
    } else {
        uint32_t cause = GetLastError();
        EVD_LOG_ERROR(u"File %s not found, cause = %d", from.c_str(), int(cause));
    }
}

} // namespace

std::u16string CompanionDirectoryPath(std::u16string_view caseDir, std::u16string_view user)
{
    if (caseDir.empty())
        return {};
    std::u16string dir = fs::Join(caseDir, kCompanion);
    return user.empty() ? dir : fs::Join(dir, user);
}

std::u16string MakeCompanionDirectory(std::u16string_view caseDir, std::u16string_view user)
{
    if (caseDir.empty())
        return {};
    std::u16string dir = fs::Join(caseDir, kCompanion);
    if (!MakeHiddenDirectory(dir))
        return {};
    if (!user.empty()) {
        dir = fs::Join(dir, user);
        if (!MakeHiddenDirectory(dir))
            return {};
    }
    return dir;
}

std::u16string CaseDescriptionPath(std::u16string_view caseDir, std::u16string_view user)
{
    std::u16string dir = CompanionDirectoryPath(caseDir, user);
    return dir.empty() ? dir : dir + u"\\case.xml";
}

std::u16string WorkCaseMarkPath(std::u16string_view caseDir, std::u16string_view user)
{
    std::u16string dir = CompanionDirectoryPath(caseDir, user);
    return dir.empty() ? dir : dir + u"\\workcase.xml";
}

std::u16string SyncDescriptionPath(std::u16string_view caseDir, std::u16string_view user, int32_t syncId)
{
    std::u16string dir = CompanionDirectoryPath(caseDir, user);
    return dir.empty() ? dir : dir + Format16(u"\\Sync_%d.xml", syncId);
}

int32_t ReadCasePriority(std::u16string_view caseDir, std::u16string_view user)
{
    std::u16string path = CaseDescriptionPath(caseDir, user);
    if (path.empty() || !fs::Exists(path))
        return 100;
    auto doc = ZBXMLElement::LoadFile(path);
    if (!doc)
        return 100;
    ZBXMLElement* e = doc->FindChild(u"SHOWPRIORITY");
    if (!e || Trim(e->GetText()).empty())
        return 100;
    return ParseInt(e->GetText());
}

bool WriteCasePriority(std::u16string_view caseDir, std::u16string_view user, int32_t priority)
{
    if (MakeCompanionDirectory(caseDir, user).empty())
        return false;
    std::u16string path = CaseDescriptionPath(caseDir, user);
    auto doc = LoadOrStart(path, u"<case></case>");
    ZBXMLElement* e = doc ? doc->GetOrAddChild(u"SHOWPRIORITY") : nullptr;
    if (!e)
        return false;
    e->SetText(ToString16(priority));
    return SaveDocument(*doc, path);
}

void ClearWorkCase(std::u16string_view parentDir, std::u16string_view user)
{
    for (auto& dir : CaseDirectories(parentDir))
        if (fs::Exists(WorkCaseMarkPath(dir, user)))
            WriteMark(dir, user, u"0");
}

bool SetWorkCase(std::u16string_view caseDir, std::u16string_view user)
{
    std::u16string dir(caseDir);
    while (!dir.empty() && fs::IsSeparator(dir.back()))
        dir.pop_back();
    std::u16string parent = ParentDirectory(dir);
    if (!parent.empty())
        ClearWorkCase(parent, user);
    return WriteMark(dir, user, u"1");
}

std::u16string FindWorkCaseIn(std::u16string_view dir, std::u16string_view user)
{
    for (auto& caseDir : CaseDirectories(dir)) {
        std::u16string mark = WorkCaseMarkPath(caseDir, user);
        if (!fs::Exists(mark))
            continue;
        auto doc = ZBXMLElement::LoadFile(mark);
        ZBXMLElement* e = doc ? doc->FindChild(u"WORKCASE") : nullptr;
        if (e && Trim(e->GetText()) == u"1")
            return caseDir;
    }
    return {};
}

bool IsHiddenCompanion(std::u16string_view path)
{
    std::u16string p(path);
    if (fs::LastComponent(p) == kCompanion && fs::IsDirectory(p))
        return true;
    if (EndsWith(p, u"_first.jpg") && p.size() > std::u16string_view(u"_first.jpg").size())
        return true;
    if (EndsWith(p, u".xml") && fs::Exists(p.substr(0, p.size() - 4)))
        return true;
    if (IsPicturePath(p)) {
        std::u16string stem = Stem(p);
        if (stem.size() >= 5 && EndsWith(stem, u"_src") &&
            fs::Exists(stem.substr(0, stem.size() - 4) + fs::Extension(p)))
            return true;
    }
    if (EndsWith(p, u".idx") && fs::Exists(p.substr(0, p.size() - 4)))
        return true;
    return false;
}

std::u16string Touch(std::u16string_view path)
{
    if (!fs::Exists(path))
        return {};
    auto now = WallClock::now();
    if (!fs::SetLastWriteTime(path, now))
        return {};
    auto since = now.time_since_epoch();
    auto secs = std::chrono::duration_cast<std::chrono::seconds>(since);
    int ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(since - secs).count());
    time_t tt = time_t(secs.count());
    tm utc{};
    gmtime_r(&tt, &utc);
    return Format16(u"%04d-%02d-%02d %02d:%02d:%02d.%03d", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday,
                    utc.tm_hour, utc.tm_min, utc.tm_sec, ms);
}

std::u16string ParentDirectory(std::u16string_view path)
{
    std::u16string p(path);
    while (!p.empty() && fs::IsSeparator(p.back()))
        p.pop_back();
    size_t i = p.size();
    while (i > 0 && !fs::IsSeparator(p[i - 1]))
        --i;
    if (i == 0)
        return {};
    while (i > 0 && fs::IsSeparator(p[i - 1]))
        --i;
    return p.substr(0, i);
}

uint64_t DirectorySize(std::u16string_view dir, bool skipCompanions, uint64_t* files, uint64_t* directories)
{
    uint64_t total = 0;
    for (auto& e : fs::List(fs::Join(dir, u"*.*"))) {
        std::u16string full = fs::Join(dir, e.name);
        if (skipCompanions && IsHiddenCompanion(full))
            continue;
        if (e.info.isDirectory) {
            if (directories)
                ++*directories;
            total += DirectorySize(full, skipCompanions, files, directories);
        } else {
            if (files)
                ++*files;
            total += e.info.size;
        }
    }
    return total;
}

bool SaveDocument(const ZBXMLElement& doc, std::u16string_view path)
{
    if (doc.SaveFile(path))
        return true;
    uint32_t attrs = fs::GetAttributes(path);
    if (attrs != fs::kInvalidAttributes && (attrs & fs::kAttrReadOnly))
        return false;
    std::u16string text = doc.ToString(false, false);
    if (text.empty())
        return false;
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
    return fs::WriteFile(path, bytes);
}

int CCacheUtil::RenameFile(std::u16string_view oldPath, std::u16string_view newPath)
{
    std::u16string o(oldPath), n(newPath);
    if (!fs::Exists(o))
        return 0;
    if (!fs::MoveFile(o, n))
        return 0;
    Touch(n);
    if (IsVideoPath(o)) {
        RenameCompanion(o + u"_first.jpg", n + u"_first.jpg");
    } else if (IsPicturePath(o)) {
        if (fs::Exists(DescriptionName(o)))
            RenameCompanion(DescriptionName(o), DescriptionName(n));
        if (fs::Exists(SourceCopyName(o)))
            RenameCompanion(SourceCopyName(o), SourceCopyName(n));
    }
    return 1;
}

} // namespace vel::evd
