// evdhost: a command-line host of the evidence library.
//
// Export commands load libEvdExport.so the way the suite's tools do and call
// one exported function; the exit status is its result code (modulo 256;
// the whole code is also written to stderr). Set-up and
// inspection commands (a library root, new cases and folders, the tree) work
// on the store directly, for demos and scripts. Each run does one command.
// Paths and names on the command line and in the output are UTF-8; they are
// converted to the ANSI code page at the library's boundary.

#include "EvdExport.h"
#include "core/CEVDSqliteDb.h"
#include "core/EvdCaseFiles.h"
#include "core/EvdLibrary.h"
#include "core/EvdThumbnail.h"
#include "core/EvdTree.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"
#include "platform/gfx/ImageCodec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <vector>

using namespace vel;
using namespace vel::evd;

namespace {

struct Exports
{
    void* module = nullptr;
    decltype(&Evd_InitLib) InitLib;
    decltype(&Evd_FiniLib) FiniLib;
    decltype(&Evd_GetDefaultDir) GetDefaultDir;
    decltype(&Evd_GetParentDir) GetParentDir;
    decltype(&Evd_ShowOpenFileDlg) ShowOpenFileDlg;
    decltype(&Evd_ShowSaveFileDlg) ShowSaveFileDlg;
    decltype(&Evd_QueryPath) QueryPath;
    decltype(&Evd_QueryRelativeName) QueryRelativeName;
    decltype(&Evd_QueryPathRelativeName) QueryPathRelativeName;
    decltype(&Evd_AddPathToCase) AddPathToCase;
    decltype(&Evd_ShowMsg) ShowMsg;
};

bool LoadExports(Exports& e)
{
    std::string path = getenv("VEL_EVDEXPORT") ? getenv("VEL_EVDEXPORT") : VEL_LIB_DIR "/libEvdExport.so";
    e.module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!e.module) {
        fprintf(stderr, "evdhost: cannot load %s: %s\n", path.c_str(), dlerror());
        return false;
    }
    bool ok = true;
    auto get = [&](auto& fn, const char* name) {
        fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(e.module, name));
        if (!fn) {
            fprintf(stderr, "evdhost: %s is not exported\n", name);
            ok = false;
        }
    };
    get(e.InitLib, "Evd_InitLib");
    get(e.FiniLib, "Evd_FiniLib");
    get(e.GetDefaultDir, "Evd_GetDefaultDir");
    get(e.GetParentDir, "Evd_GetParentDir");
    get(e.ShowOpenFileDlg, "Evd_ShowOpenFileDlg");
    get(e.ShowSaveFileDlg, "Evd_ShowSaveFileDlg");
    get(e.QueryPath, "Evd_QueryPath");
    get(e.QueryRelativeName, "Evd_QueryRelativeName");
    get(e.QueryPathRelativeName, "Evd_QueryPathRelativeName");
    get(e.AddPathToCase, "Evd_AddPathToCase");
    get(e.ShowMsg, "Evd_ShowMsg");
    return ok;
}

std::string ToAnsi(const char* utf8)
{
    return Utf16ToAnsi(Utf8ToUtf16(utf8));
}
std::string FromAnsi(const char* ansi)
{
    return Utf16ToUtf8(AnsiToUtf16(ansi));
}

int Usage()
{
    fputs("usage: evdhost COMMAND [ARGS]\n"
          "exports (exit status = result code):\n"
          "  init | fini\n"
          "  query-path ID [--current]      disk path of a node\n"
          "  relative-name ID               name relative to its case\n"
          "  logical-name PATH              logical name of a disk path\n"
          "  parent-dir ID                  disk path of a node's parent\n"
          "  default-dir [PATH | --node ID] where to save by default\n"
          "  add-path PATH KIND PARENT_ID   file a path under a node (KIND -1: decide)\n"
          "  show-msg CODE                  show a result code's message\n"
          "  open-dialog | save-dialog      run a file dialog\n"
          "set-up and inspection:\n"
          "  add-root DIR                   add a library root (made current when none is)\n"
          "  new-case NAME [CREATETIME]     add a case (filed under its year group)\n"
          "  new-folder PARENT_ID NAME      add a folder\n"
          "  tree                           print the library tree\n"
          "  host-path WINPATH              the host path a Windows path maps to\n"
          "case files:\n"
          "  case-priority DIR [VALUE]      read (or write) a case directory's priority\n"
          "  rename OLD NEW                 rename a file with its companions\n"
          "  list DIR                       a directory as the library lists it\n"
          "  thumbnail FILE BOX OUT.png     write a file's thumbnail\n"
          "  sample-picture OUT W H FORMAT  write a sample picture (png, jpeg, bmp, tiff)\n",
          stderr);
    return 2;
}

int RunExport(const std::vector<std::string>& a)
{
    Exports e;
    if (!LoadExports(e))
        return 2;
    const std::string& cmd = a[0];
    char buf[1024];
    if (cmd == "init")
        return e.InitLib();
    if (cmd == "fini")
        return e.FiniLib();
    if (cmd == "query-path" && a.size() >= 2) {
        int rc = e.QueryPath(atoi(a[1].c_str()), a.size() > 2 && a[2] == "--current", buf, sizeof buf);
        if (rc == 0)
            printf("%s\n", FromAnsi(buf).c_str());
        return rc;
    }
    if (cmd == "relative-name" && a.size() >= 2) {
        int rc = e.QueryRelativeName(atoi(a[1].c_str()), buf, sizeof buf);
        if (rc == 0)
            printf("%s\n", FromAnsi(buf).c_str());
        return rc;
    }
    if (cmd == "logical-name" && a.size() >= 2) {
        int rc = e.QueryPathRelativeName(ToAnsi(a[1].c_str()).c_str(), buf, sizeof buf);
        if (rc == 0)
            printf("%s\n", FromAnsi(buf).c_str());
        return rc;
    }
    if (cmd == "parent-dir" && a.size() >= 2) {
        EVD_PATH_ITEM item{};
        int rc = e.GetParentDir(atoi(a[1].c_str()), &item);
        if (rc == 0)
            printf("%d\t%s\n", item.id, FromAnsi(item.path).c_str());
        return rc;
    }
    if (cmd == "default-dir") {
        EVD_PATH_ITEM item{};
        item.kind = EVD_PATH_FOLDER;
        item.id = -1;
        if (a.size() >= 3 && a[1] == "--node") {
            item.kind = EVD_PATH_NODE;
            item.id = atoi(a[2].c_str());
        } else if (a.size() >= 2) {
            CopyToBuffer(item.path, sizeof item.path, ToAnsi(a[1].c_str()));
        }
        int rc = e.GetDefaultDir(&item);
        if (rc == 0)
            printf("%d\t%d\t%s\n", item.kind, item.id, FromAnsi(item.path).c_str());
        return rc;
    }
    if (cmd == "add-path" && a.size() >= 4) {
        int32_t id = -1;
        int rc = e.AddPathToCase(ToAnsi(a[1].c_str()).c_str(), atoi(a[2].c_str()), atoi(a[3].c_str()), &id);
        if (rc == 0)
            printf("%d\n", id);
        return rc;
    }
    if (cmd == "show-msg" && a.size() >= 2) {
        e.ShowMsg(atoi(a[1].c_str()));
        return 0;
    }
    if (cmd == "open-dialog") {
        EVD_OPEN_PARAM p{};
        EVD_PATH_ITEM items[8]{};
        EVD_OPEN_RESULT r{8, 0, items};
        return e.ShowOpenFileDlg(&p, &r);
    }
    if (cmd == "save-dialog") {
        EVD_SAVE_PARAM p{};
        EVD_SAVE_RESULT r{};
        return e.ShowSaveFileDlg(&p, &r);
    }
    return Usage();
}

void PrintTree(CEVDSqliteDb& db, int32_t parent, int depth)
{
    EVD_SEARCH_FILTER f;
    f.parentId = parent;
    f.order[0] = {u"SHOWPRIORITY", false};
    f.order[1] = {u"NAME", true};
    std::vector<EVD_FILE_INFO> nodes;
    db.QueryNodes(f, nodes, true);
    for (auto& n : nodes) {
        if (n.ID == parent)
            continue;
        printf("%*s%d  %s  [kind %d, priority %d, level %d, tree %s]\n", depth * 2, "", n.ID,
               Utf16ToUtf8(n.NAME).c_str(), n.EVDFILETYPE, n.SHOWPRIORITY, n.LEVEL,
               Utf16ToUtf8(n.PARENTTREE).c_str());
        if (depth < 64)
            PrintTree(db, n.ID, depth + 1);
    }
}

int RunCaseFiles(const std::vector<std::string>& a)
{
    const std::string& cmd = a[0];
    if (cmd == "sample-picture" && a.size() >= 5) {
        // A recognisable test picture: a sky-to-ground gradient with a door.
        int w = atoi(a[2].c_str()), h = atoi(a[3].c_str());
        if (w <= 0 || h <= 0 || w > 8192 || h > 8192)
            return 2;
        gfx::Bitmap b(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int t = 255 * y / h;
                b.SetPixel(
                    x, y,
                    gfx::Premultiply(uint8_t(90 + t / 3), uint8_t(150 + t / 4), uint8_t(230 - t / 2), 255));
            }
        b.FillRect(0, h * 2 / 3, w, h / 3 + 1, 0xFF6B8E5A);
        b.FillRect(w / 3, h / 3, w / 4, h / 3 + h / 10, 0xFF8B5A2B);
        b.FillRect(w / 3 + w / 5, h / 2, w / 40 + 1, h / 40 + 1, 0xFFF0D060);
        return gfx::SaveImageFile(b, Utf8ToUtf16(a[1]), a[4]) ? 0 : 1;
    }
    if (cmd == "case-priority" && a.size() >= 2) {
        std::u16string dir = Utf8ToUtf16(a[1]);
        if (a.size() >= 3 && !WriteCasePriority(dir, u"", atoi(a[2].c_str())))
            return 1;
        printf("%d\n", ReadCasePriority(dir, u""));
        return 0;
    }
    if (cmd == "rename" && a.size() >= 3)
        return CCacheUtil::RenameFile(Utf8ToUtf16(a[1]), Utf8ToUtf16(a[2])) ? 0 : 1;
    if (cmd == "list" && a.size() >= 2) {
        std::u16string dir = Utf8ToUtf16(a[1]);
        for (auto& e : fs::List(fs::Join(dir, u"*.*"))) {
            bool hidden = IsHiddenCompanion(fs::Join(dir, e.name));
            printf("%s%s%s\n", Utf16ToUtf8(e.name).c_str(), e.info.isDirectory ? "\\" : "",
                   hidden ? "    (companion, not listed)" : "");
        }
        return 0;
    }
    if (cmd == "thumbnail" && a.size() >= 4) {
        auto thumb = Thumbnail(Utf8ToUtf16(a[1]), atoi(a[2].c_str()));
        if (!thumb || !gfx::SaveImageFile(*thumb, Utf8ToUtf16(a[3])))
            return 1;
        printf("%dx%d\n", thumb->Width(), thumb->Height());
        return 0;
    }
    return Usage();
}

int RunSetup(const std::vector<std::string>& a)
{
    const std::string& cmd = a[0];
    if (cmd == "host-path" && a.size() >= 2) {
        printf("%s\n", fs::ToHost(Utf8ToUtf16(a[1])).c_str());
        return 0;
    }
    if (cmd != "tree" && cmd != "add-root" && cmd != "new-case" && cmd != "new-folder")
        return RunCaseFiles(a);
    if (Initialize() != 0) {
        fprintf(stderr, "evdhost: the library store cannot be opened\n");
        return 1001;
    }
    CEVDSqliteDb& db = CEVDSqliteDb::Instance();
    int rc = 0;
    if (cmd == "add-root" && a.size() >= 2) {
        std::u16string dir = Utf8ToUtf16(a[1]);
        CSqliteDbMan::LockScope scope(db, true);
        if (!db.HistoryValueExists(kSecTotal, kKeyCasePath, dir, false))
            db.AddHistory(kSecTotal, kKeyCasePath, dir, false);
        std::vector<EVD_CFG_HISTORY> roots;
        db.ListHistory(kSecTotal, kKeyCasePath, roots, false);
        int32_t id = -1;
        for (auto& r : roots)
            if (EqualsIgnoreCase(r.VALUE, dir))
                id = r.ID;
        if (db.GetSettingInt(kSecTotal, kKeyCurPath, false) < 1)
            db.SetSetting(kSecTotal, kKeyCurPath, ToString16(id), false, false);
        printf("%d\n", id);
    } else if (cmd == "new-case" && a.size() >= 2) {
        EVD_FILE_INFO c;
        c.EVDFILETYPE = kKindCase;
        c.NAME = UniqueCaseName(-1, Utf8ToUtf16(a[1]));
        if (a.size() >= 3)
            c.CREATETIME = Utf8ToUtf16(a[2]);
        std::u16string error;
        if (db.AddNode(c, &error, true))
            printf("%d\n", c.ID);
        else
            rc = 2002;
    } else if (cmd == "new-folder" && a.size() >= 3) {
        EVD_FILE_INFO f;
        f.EVDFILETYPE = kKindFolder;
        f.PARENTID = atoi(a[1].c_str());
        f.NAME = UniqueFolderName(f.PARENTID, Utf8ToUtf16(a[2]));
        std::u16string error;
        if (db.AddNode(f, &error, true))
            printf("%d\n", f.ID);
        else
            rc = 2002;
    } else if (cmd == "tree") {
        PrintTree(db, 0, 0);
    } else {
        rc = Usage();
    }
    Teardown();
    return rc;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    std::vector<std::string> args(argv + 1, argv + argc);
    static const char* const setup[] = {"add-root",  "new-case",      "new-folder", "tree",
                                        "host-path", "case-priority", "rename",     "list",
                                        "thumbnail", "sample-picture"};
    for (const char* s : setup)
        if (args[0] == s)
            return RunSetup(args);
    int rc = RunExport(args);
    // An exit status holds 8 bits; the full result code goes to stderr.
    if (rc != 0 && rc != 2)
        fprintf(stderr, "evdhost: result %d\n", rc);
    return rc;
}
