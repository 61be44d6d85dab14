#pragma once
// A fresh folder per test for the drives, the registry and the locks, set
// through the environment the platform layer reads. Nothing a test does
// touches the real home folder.

#include <string>

namespace vel::test {

class Sandbox
{
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& Root() const { return m_root; }
    // Host folder of a drive letter ('C', 'D', ...), created on demand.
    std::string Drive(char letter) const;
    // Writes a host file (parents created).
    static void WriteHostFile(const std::string& path, const std::string& bytes);

    // Keep the folder after the test (for looking at what it made).
    void Keep() { m_keep = true; }

private:
    std::string m_root;
    bool m_keep = false;
};

// Runs a shell command and returns its exit status (-1 when it did not run).
int RunCommand(const std::string& command);
// Directory of the build tree's executables (VEL_BINARY_DIR).
std::string BinaryDir();

} // namespace vel::test
