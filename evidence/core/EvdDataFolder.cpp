#include "EvdDataFolder.h"

#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/shell/Shell.h"

namespace vel::evd {

std::u16string LibraryDataFolder()
{
    std::u16string docs = shell::DocumentsFolder();
    std::u16string folder = Format16(u"%s\\VelMediaKit\\%s", docs.c_str(), u"VelEvidenceDesk");
    if (folder.size() > 259)
        folder.resize(259);
    return folder;
}

void EnsureLibraryDataFolder()
{
    std::u16string folder = LibraryDataFolder();
    if (!fs::IsDirectory(folder))
        fs::CreateDirectoryChain(folder);
}

std::u16string StorePath()
{
    return Format16(u"%s\\evd.db", LibraryDataFolder().c_str());
}
std::u16string FilesDirectory()
{
    return Format16(u"%s\\files", LibraryDataFolder().c_str());
}
std::u16string DefaultDirectory()
{
    return FilesDirectory() + u"\\我的资源";
}

} // namespace vel::evd
