// The exported functions of the evidence library. Each one converts its
// 8-bit arguments, runs the library's initialisation where it must, and
// hands the work to the core; nothing throws past this file.

#define EVD_BUILDING_LIBRARY 1
#include "EvdExport.h"

#include "core/CDbgPrint.h"
#include "core/CEVDSqliteDb.h"
#include "core/EvdDataFolder.h"
#include "core/EvdFileKinds.h"
#include "core/EvdLibrary.h"
#include "core/EvdMessageBox.h"
#include "core/EvdResult.h"
#include "core/EvdTree.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"

#include <cstring>

using namespace vel;
using namespace vel::evd;

namespace {

// Module load: the logging configuration is read once up front.
struct ModuleInit
{
    ModuleInit() { CDbgPrint::Configure(); }
} g_moduleInit;

// An incoming path in the ANSI code page; a host path ("/home/a/x.mp4") is
// taken in its Windows form, under the drive that holds it.
std::u16string IncomingPath(const char* path)
{
    std::u16string p = AnsiToUtf16(path);
    if (!p.empty() && p[0] == u'/' && !(p.size() > 1 && p[1] == u'/'))
        return fs::FromHost(Utf16ToUtf8(p));
    return p;
}

template <typename F> int32_t Guarded(F&& body, int32_t onException = kEvdNodeMissing)
{
    try {
        return body();
    } catch (...) {
        EVD_LOG_ERROR(u"unexpected failure inside an export");
        return onException;
    }
}

int32_t WriteResult(char* buffer, int32_t length, const std::u16string& text, int32_t ifEmpty)
{
    if (text.empty())
        return ifEmpty;
    CopyToAnsiBuffer(buffer, size_t(length), text);
    return kEvdOk;
}

} // namespace

extern "C" {

EVD_API int32_t Evd_InitLib(void)
{
    Guarded([] { return Initialize(); });
    return kEvdOk;
}

EVD_API int32_t Evd_FiniLib(void)
{
    Guarded([] {
        Teardown();
        return 0;
    });
    return kEvdOk;
}

EVD_API int32_t Evd_GetDefaultDir(EVD_PATH_ITEM* item)
{
    if (!item)
        return kEvdBadArgument;
    return Guarded([&]() -> int32_t {
        Initialize();
        std::u16string dir;
        int32_t id = -1;
        if (WorkCase(dir, id)) {
            if (id == 0) {
                item->kind = EVD_PATH_FOLDER;
                item->id = -1;
            } else if (id >= 1) {
                item->kind = EVD_PATH_NODE;
                item->id = id;
            } else {
                dir.clear(); // fell back to the default: the caller's wish comes first
            }
        }
        if (dir.empty()) {
            if (item->kind == EVD_PATH_FOLDER) {
                item->path[sizeof item->path - 1] = 0;
                std::u16string wanted = IncomingPath(item->path);
                if (!wanted.empty() && fs::DirectoryChainOk(fs::CreateDirectoryChain(wanted)))
                    dir = wanted;
            } else if (item->kind == EVD_PATH_NODE) {
                int32_t rc = Initialize();
                if (rc != kEvdOk) {
                    ShowErrorForCode(rc);
                    return rc;
                }
                if (item->id >= 1) {
                    int32_t rootId = -1;
                    dir = FolderPath(item->id, -1, rootId, true);
                }
            }
        }
        if (dir.empty()) {
            item->kind = EVD_PATH_FOLDER;
            dir = DefaultDirectory();
        }
        CopyToAnsiBuffer(item->path, sizeof item->path, dir);
        item->isDir = 1;
        return kEvdOk;
    });
}

EVD_API int32_t Evd_GetParentDir(int32_t id, EVD_PATH_ITEM* item)
{
    if (!item)
        return kEvdBadArgument;
    return Guarded([&]() -> int32_t {
        Initialize();
        CEVDSqliteDb& db = CEVDSqliteDb::Instance();
        EVD_FILE_INFO node;
        if (!db.GetNode(id, node, true))
            return kEvdNodeMissing;
        item->kind = EVD_PATH_NODE;
        item->isDir = 1;
        item->id = node.PARENTID;
        CopyToAnsiBuffer(item->path, sizeof item->path, NodePath(node.PARENTID, true, true));
        return kEvdOk;
    });
}

static int32_t ShowDialog()
{
    int32_t rc = Initialize();
    if (rc != kEvdOk) {
        ShowErrorForCode(rc);
        return rc;
    }
    // The library's windows are not part of this build yet: the dialog
    // ends as if the user had cancelled it.
    return kEvdCancelled;
}

EVD_API int32_t Evd_ShowOpenFileDlg(EVD_OPEN_PARAM* param, EVD_OPEN_RESULT* result)
{
    return Guarded([] { return ShowDialog(); }, kEvdCancelled);
}

EVD_API int32_t Evd_ShowSaveFileDlg(EVD_SAVE_PARAM* param, EVD_SAVE_RESULT* result)
{
    return Guarded([] { return ShowDialog(); }, kEvdCancelled);
}

EVD_API int32_t Evd_QueryPath(int32_t id, int32_t currentLibrary, char* buffer, int32_t length)
{
    if (!buffer || length < 1)
        return kEvdBadArgument;
    return Guarded([&]() -> int32_t {
        memset(buffer, 0, size_t(length));
        int32_t rc = Initialize();
        if (rc != kEvdOk)
            return rc;
        return WriteResult(buffer, length, NodePath(id, currentLibrary != 0, true), kEvdNodeMissing);
    });
}

EVD_API int32_t Evd_QueryRelativeName(int32_t id, char* buffer, int32_t length)
{
    if (!buffer || length < 1)
        return kEvdBadArgument;
    return Guarded([&]() -> int32_t {
        memset(buffer, 0, size_t(length));
        int32_t rc = Initialize();
        if (rc != kEvdOk)
            return rc;
        return WriteResult(buffer, length, RelativeName(id), kEvdNodeMissing);
    });
}

EVD_API int32_t Evd_QueryPathRelativeName(const char* path, char* buffer, int32_t length)
{
    if (!path || !buffer || length < 1)
        return kEvdBadArgument;
    return Guarded([&]() -> int32_t {
        memset(buffer, 0, size_t(length));
        return WriteResult(buffer, length, LogicalName(IncomingPath(path)), kEvdBadKind);
    });
}

EVD_API int32_t Evd_AddPathToCase(const char* path, int32_t kind, int32_t parentId, int32_t* newId)
{
    if (!path)
        return kEvdSourceMissing;
    return Guarded([&]() -> int32_t {
        std::u16string full = IncomingPath(path);
        if (full.empty() || !fs::Exists(full))
            return kEvdSourceMissing;
        int32_t rc = Initialize();
        if (rc != kEvdOk)
            return rc;
        CEVDSqliteDb& db = CEVDSqliteDb::Instance();
        // One lock over the check, the name test and the insert, so that two
        // hosts filing the same file cannot both succeed.
        CSqliteDbMan::LockScope scope(db, true);
        std::u16string cut = full.substr(0, std::min<size_t>(full.size(), 259));
        if (!EqualsIgnoreCase(fs::RemoveLastComponent(cut), NodePath(parentId, true, true)))
            return kEvdPathMismatch;

        EVD_FILE_INFO info;
        info.PARENTID = parentId;
        info.NAME = fs::LastComponent(full);
        info.SRCPATH = full;
        auto listed = fs::List(full);
        info.FILESIZE = listed.empty() ? 0 : int64_t(listed.front().info.size);

        switch (kind) {
        case kKindFolder:
        case kKindVideo:
        case kKindPicture:
        case kKindOther:
            info.EVDFILETYPE = kind;
            break;
        case -1:
            info.EVDFILETYPE = KindOfPath(full);
            break;
        default:
            return kEvdBadKind;
        }
        EVD_FILE_INFO existing;
        if (db.FindChildByName(parentId, info.NAME, existing, true))
            return kEvdNameExists;
        std::u16string error;
        if (!db.AddNode(info, &error, true))
            return kEvdNodeMissing;
        if (newId)
            *newId = info.ID;
        return kEvdOk;
    });
}

EVD_API void Evd_ShowMsg(int32_t code)
{
    Guarded([&] {
        ShowErrorForCode(code);
        return 0;
    });
}

} // extern "C"
