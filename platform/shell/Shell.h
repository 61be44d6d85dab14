#pragma once
// The shell's known folders and path helpers.

#include <string>

namespace vel::shell {

// Login name of the user: $USER, else the password database, else "user".
std::u16string LoginName();
// The personal documents folder, C:\Users\<login>\Documents. Not created.
std::u16string DocumentsFolder();
// Directory of the running executable as a Windows path (no trailing '\').
std::u16string ExecutableDirectory();

} // namespace vel::shell
