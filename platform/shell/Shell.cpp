#include "Shell.h"

#include "platform/base/Strings.h"
#include "platform/fs/WinPath.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace vel::shell {

std::u16string LoginName()
{
    if (const char* u = getenv("USER"); u && *u)
        return Utf8ToUtf16(u);
    if (passwd* pw = getpwuid(getuid()); pw && pw->pw_name && *pw->pw_name)
        return Utf8ToUtf16(pw->pw_name);
    return u"user";
}

std::u16string DocumentsFolder()
{
    return u"C:\\Users\\" + LoginName() + u"\\Documents";
}

std::u16string ExecutableDirectory()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    buf[n] = 0;
    return fs::RemoveLastComponent(fs::FromHost(buf));
}

} // namespace vel::shell
