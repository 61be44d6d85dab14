#pragma once
// Machine-wide named mutexes.
//
// A name such as "Global\EVDSqliteDb_Lock_PROCESSLOCK" denotes one lock for
// every process of the machine: it is a lock file in VEL_LOCK_DIR (default
// $TMPDIR/velmedia-locks-<uid>) held with flock(2), so the system releases it
// when its holder dies. Inside a process all handles of one name share one
// state, and the lock is re-entrant for the owning thread: a thread that
// holds it may take it again and must release it as often.

#include <memory>
#include <string>
#include <string_view>

namespace vel::sync {

// "Global\%s_PROCESSLOCK" formatted from a base name.
std::u16string ProcessLockName(std::u16string_view base);

class NamedMutex
{
public:
    explicit NamedMutex(std::u16string_view name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    // False when the lock file could not be opened (no lock exists then).
    bool IsValid() const;
    // Waits without time-out. Returns false only for an invalid mutex.
    bool Lock();
    // Waits at most timeoutMs milliseconds.
    bool TryLock(unsigned timeoutMs);
    void Unlock();
    const std::u16string& Name() const { return m_name; }

    struct State;

private:
    std::u16string m_name;
    std::shared_ptr<State> m_state;
};

// Holds a NamedMutex for a scope; a null mutex is allowed and does nothing.
class NamedMutexLocker
{
public:
    explicit NamedMutexLocker(NamedMutex* m, bool take = true) : m_mutex(take ? m : nullptr)
    {
        if (m_mutex && !m_mutex->Lock())
            m_mutex = nullptr;
    }
    ~NamedMutexLocker()
    {
        if (m_mutex)
            m_mutex->Unlock();
    }
    NamedMutexLocker(const NamedMutexLocker&) = delete;
    NamedMutexLocker& operator=(const NamedMutexLocker&) = delete;

private:
    NamedMutex* m_mutex;
};

} // namespace vel::sync
