#pragma once
// Companion files that travel with cases and files on disk, and the small
// XML documents of a case.
//
//   D\.evd                  hidden companion directory of case directory D
//   D\.evd\U                hidden per-user companion directory (NAS user U)
//   <companion>\case.xml    case description: <case><SHOWPRIORITY>n</...>
//   <companion>\workcase.xml work-case mark: <workcase><WORKCASE>1|0</...>
//   <companion>\Sync_%d.xml sync description of a sync configuration
//   F_first.jpg             first-frame picture of video F
//   F.xml                   description of picture F
//   <stem>_src<ext>         source copy of an edited picture
//   F.idx                   index of video F
//
// The library hides companions from its listings (IsHiddenCompanion).

#include <cstdint>
#include <string>
#include <string_view>

namespace vel {
class ZBXMLElement;
}

namespace vel::evd {

std::u16string CompanionDirectoryPath(std::u16string_view caseDir, std::u16string_view user);
// Creates D\.evd (and D\.evd\U) when missing and marks each hidden; the
// path, or "" on failure.
std::u16string MakeCompanionDirectory(std::u16string_view caseDir, std::u16string_view user);
std::u16string CaseDescriptionPath(std::u16string_view caseDir, std::u16string_view user);
std::u16string WorkCaseMarkPath(std::u16string_view caseDir, std::u16string_view user);
std::u16string SyncDescriptionPath(std::u16string_view caseDir, std::u16string_view user, int32_t syncId);

// The case's display priority; 100 when the file, the document or the
// element is missing or empty.
int32_t ReadCasePriority(std::u16string_view caseDir, std::u16string_view user);
bool WriteCasePriority(std::u16string_view caseDir, std::u16string_view user, int32_t priority);

// Marks one case directory as the user's work case after clearing the mark
// of every case directory beside it, so at most one is marked per share.
bool SetWorkCase(std::u16string_view caseDir, std::u16string_view user);
// Clears the mark of every case directory directly inside `parentDir`.
void ClearWorkCase(std::u16string_view parentDir, std::u16string_view user);
// The first case directory inside `dir` whose mark for `user` reads "1".
std::u16string FindWorkCaseIn(std::u16string_view dir, std::u16string_view user);

// Entries the library does not list (companion directories and files).
bool IsHiddenCompanion(std::u16string_view path);

// Sets the last-write time to now and returns that moment (UTC) as a time
// stamp; "" when the file does not exist.
std::u16string Touch(std::u16string_view path);
// The path without its last component (trailing separators removed first),
// "" when there is none.
std::u16string ParentDirectory(std::u16string_view path);
// Total size of every file below a directory, counting files and
// subdirectories; with skipCompanions, companions are left out.
uint64_t DirectorySize(std::u16string_view dir, bool skipCompanions, uint64_t* files = nullptr,
                       uint64_t* directories = nullptr);

// Writes a document: indented through the XML model, or, when that fails,
// as one line of UTF-16 little-endian text through the library's own file
// writing. A read-only file is never written.
bool SaveDocument(const vel::ZBXMLElement& doc, std::u16string_view path);

class CCacheUtil
{
public:
    // Renames a file and its companions (first-frame picture of a video;
    // description and source copy of a picture), touching each. 1 when the
    // main file was renamed, 0 otherwise; a companion that fails is logged.
    static int RenameFile(std::u16string_view oldPath, std::u16string_view newPath);
};

} // namespace vel::evd
