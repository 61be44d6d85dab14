#include "Sandbox.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace vel::test {

namespace stdfs = std::filesystem;

Sandbox::Sandbox()
{
    std::string base = stdfs::temp_directory_path().string() + "/vel-test-XXXXXX";
    if (!mkdtemp(base.data()))
        throw std::runtime_error("mkdtemp failed");
    m_root = base;
    for (const char* sub : {"drive_c", "drive_d", "unc", "registry", "home"})
        stdfs::create_directories(m_root + "/" + sub);
    setenv("VEL_DRIVE_C", (m_root + "/drive_c").c_str(), 1);
    setenv("VEL_DRIVE_D", (m_root + "/drive_d").c_str(), 1);
    setenv("VEL_UNC_ROOT", (m_root + "/unc").c_str(), 1);
    setenv("VEL_REGISTRY", (m_root + "/registry").c_str(), 1);
    // Locks are machine-wide and their names fixed when a lock object is
    // made, so every sandbox of one test process shares one lock folder
    // (child processes inherit it).
    static const std::string lockDir = [] {
        std::string dir =
            stdfs::temp_directory_path().string() + "/vel-test-locks-" + std::to_string(getpid());
        stdfs::create_directories(dir);
        atexit([] {
            std::error_code ec;
            stdfs::remove_all(
                stdfs::temp_directory_path().string() + "/vel-test-locks-" + std::to_string(getpid()), ec);
        });
        return dir;
    }();
    setenv("VEL_LOCK_DIR", lockDir.c_str(), 1);
    setenv("XDG_DATA_HOME", (m_root + "/home").c_str(), 1);
    if (!getenv("USER"))
        setenv("USER", "tester", 1);
}

Sandbox::~Sandbox()
{
    if (m_keep || getenv("VEL_KEEP_SANDBOX"))
        return;
    std::error_code ec;
    stdfs::remove_all(m_root, ec);
}

std::string Sandbox::Drive(char letter) const
{
    std::string dir = m_root + "/drive_" + char(tolower(letter));
    stdfs::create_directories(dir);
    std::string var = std::string("VEL_DRIVE_") + char(toupper(letter));
    setenv(var.c_str(), dir.c_str(), 1);
    return dir;
}

void Sandbox::WriteHostFile(const std::string& path, const std::string& bytes)
{
    stdfs::create_directories(stdfs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

int RunCommand(const std::string& command)
{
    int rc = system(command.c_str());
    if (rc == -1)
        return -1;
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::string BinaryDir()
{
    const char* d = getenv("VEL_BINARY_DIR");
    return d ? d : ".";
}

} // namespace vel::test
