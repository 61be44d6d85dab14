#pragma once
// Where the library keeps its files: Documents\VelMediaKit\VelEvidenceDesk,
// holding evd.db (and its .bak), evd_sync.db and the files directory, whose
// subdirectory 我的资源 is the default directory (my resources).

#include <string>

namespace vel::evd {

// The library data folder. Computing a path creates nothing; the store's
// open creates the folder (all levels) when it is missing, ignoring a
// failure (the file operations that follow report it).
std::u16string LibraryDataFolder();
void EnsureLibraryDataFolder();
std::u16string StorePath();        // ...\evd.db
std::u16string FilesDirectory();   // ...\files (root id 0)
std::u16string DefaultDirectory(); // ...\files\我的资源

} // namespace vel::evd
