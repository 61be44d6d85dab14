#pragma once
// The library tree and its path rules.
//
// The operator sees one tree of year groups, cases, folders and files; the
// files lie in ordinary directories: a library root (a TOTAL/CASE_PATH
// history entry, whose id is a node's LIBPATHID), the library's own files
// directory for everything inside my resources, NAS shares and the platform
// client's capture directories. These functions turn nodes into disk paths
// and disk paths into logical names, choose the library root for new data,
// and make new names unique. All work on the store singleton and take its
// process lock when asked.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vel::evd {

class CEVDSqliteDb;

// Node path: the disk path of a node, "" when it has none. File nodes
// resolve against the current library root (currentLibrary set) or their own
// LIBPATHID; folders, cases and year groups give their folder path.
std::u16string NodePath(int32_t id, bool currentLibrary, bool lock);

// Folder path of a folder, case or year group ("" for a file node), under
// the current library root chosen with `reserveMb` free (negative: 1024 MB,
// 0: no check). rootId is in/out as in CurrentLibraryRoot.
std::u16string FolderPath(int32_t id, int64_t reserveMb, int32_t& rootId, bool lock);

// The library root for new data: the current one when its drive has more
// than reserveMb MB free, else the oldest root that has (which becomes
// current). "" when none has.
std::u16string CurrentLibraryRoot(int64_t reserveMb, int32_t& rootId);

// Every disk path of a node: one per library root for folders and cases.
std::vector<std::u16string> AllDiskPaths(int32_t id);

// "离线档案\<case>\...\<name>", or "" when the node cannot be read.
std::u16string RelativeName(int32_t id);

// Logical name of a disk path in one of the library's areas, "" elsewhere.
std::u16string LogicalName(std::u16string_view path);
// Group (0 local, 1 NAS, 2 platform) and item of the area holding a path.
bool AreaOfPath(std::u16string_view path, int32_t& group, int32_t& item);

// Prefix test after normalising separators, blanks and doubled separators in
// both; the match ignores case and makes no separator check after the prefix.
bool PathStartsWith(std::u16string_view prefix, std::u16string_view path, std::u16string* rest = nullptr);

// Names not yet used under a parent (with no parent: among all cases).
std::u16string UniqueCaseName(int32_t parentId, std::u16string_view proposal,
                              std::u16string_view suffix = {});
std::u16string UniqueFolderName(int32_t parentId, std::u16string_view proposal,
                                std::u16string_view suffix = {});
// Also free as a file in the parent's folder; "" when the parent has none.
std::u16string UniqueFileName(int32_t parentId, std::u16string_view proposal,
                              std::u16string_view suffix = {});

// The work case: directory and id (0 a NAS work case, >= 1 a library node,
// -1 the default directory). False when a NAS work case is configured but
// none is found.
bool WorkCase(std::u16string& directory, int32_t& id);

// The fixed capture directories of the platform client.
inline constexpr char16_t kSnapshotDir[] = u"C:\\Velmora\\Snapshot";
inline constexpr char16_t kRecordDir[] = u"C:\\Velmora\\Record";
inline constexpr char16_t kClipDir[] = u"C:\\Velmora\\Clip";

} // namespace vel::evd
