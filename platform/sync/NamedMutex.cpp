#include "NamedMutex.h"

#include "platform/base/LastError.h"
#include "platform/base/Strings.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vel::sync {

std::u16string ProcessLockName(std::u16string_view base)
{
    std::u16string b(base);
    return Format16(u"Global\\%s_PROCESSLOCK", b.c_str());
}

// One per name and process. `inProcess` orders the threads of this process;
// the thread that holds it owns the flock on `fd` while `depth` > 0.
struct NamedMutex::State
{
    std::recursive_timed_mutex inProcess;
    int fd = -1;
    int depth = 0; // guarded by inProcess
    ~State()
    {
        if (fd >= 0)
            close(fd);
    }
};

namespace {

std::string LockDir()
{
    if (const char* d = getenv("VEL_LOCK_DIR"); d && *d)
        return d;
    const char* tmp = getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/velmedia-locks-" + std::to_string(getuid());
}

std::string FileNameFor(std::u16string_view name)
{
    std::string out;
    for (char c : Utf16ToUtf8(name)) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                     c == '-' || c == '.' || (static_cast<unsigned char>(c) >= 0x80);
        out.push_back(plain ? c : '_');
    }
    return out + ".lock";
}

std::mutex g_registryMutex;
std::map<std::string, std::weak_ptr<NamedMutex::State>> g_registry;

} // namespace

NamedMutex::NamedMutex(std::u16string_view name) : m_name(name)
{
    std::string dir = LockDir();
    std::string path = dir + "/" + FileNameFor(name);
    std::lock_guard lock(g_registryMutex);
    if (auto existing = g_registry[path].lock()) {
        m_state = existing;
        return;
    }
    mkdir(dir.c_str(), 0777);
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return;
    }
    m_state = std::make_shared<State>();
    m_state->fd = fd;
    g_registry[path] = m_state;
}

NamedMutex::~NamedMutex() = default;

bool NamedMutex::IsValid() const
{
    return m_state != nullptr;
}

bool NamedMutex::Lock()
{
    if (!m_state)
        return false;
    m_state->inProcess.lock();
    if (m_state->depth++ == 0) {
        while (flock(m_state->fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    return true;
}

bool NamedMutex::TryLock(unsigned timeoutMs)
{
    if (!m_state)
        return false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!m_state->inProcess.try_lock_until(deadline)) {
        SetLastError(kErrorWaitTimeout);
        return false;
    }
    if (m_state->depth > 0) {
        ++m_state->depth;
        return true;
    }
    while (flock(m_state->fd, LOCK_EX | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            m_state->inProcess.unlock();
            SetLastError(kErrorWaitTimeout);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    m_state->depth = 1;
    return true;
}

void NamedMutex::Unlock()
{
    if (!m_state || m_state->depth == 0)
        return;
    if (--m_state->depth == 0)
        flock(m_state->fd, LOCK_UN);
    m_state->inProcess.unlock();
}

} // namespace vel::sync
