#include "platform/sync/NamedMutex.h"
#include "support/Sandbox.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vel;
using namespace std::chrono_literals;

TEST(NamedMutex, NameFollowsTheProcessLockRule)
{
    EXPECT_EQ(sync::ProcessLockName(u"EVDSqliteDb_Lock"), u"Global\\EVDSqliteDb_Lock_PROCESSLOCK");
}

TEST(NamedMutex, ReentrantForTheOwnerExclusiveForOthers)
{
    test::Sandbox box;
    sync::NamedMutex a(u"Global\\T_PROCESSLOCK");
    sync::NamedMutex b(u"Global\\T_PROCESSLOCK"); // same name, same lock
    ASSERT_TRUE(a.IsValid());
    ASSERT_TRUE(a.Lock());
    ASSERT_TRUE(b.Lock()) << "the owning thread may take it again";
    std::atomic<bool> got{false};
    std::thread other([&] {
        sync::NamedMutex c(u"Global\\T_PROCESSLOCK");
        EXPECT_FALSE(c.TryLock(50));
        c.Lock();
        got = true;
        c.Unlock();
    });
    std::this_thread::sleep_for(100ms);
    b.Unlock();
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(got) << "released once, still held once";
    a.Unlock();
    other.join();
    EXPECT_TRUE(got);
}

TEST(NamedMutex, MachineWideAndReleasedWhenTheHolderDies)
{
    test::Sandbox box;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        sync::NamedMutex m(u"Global\\Die_PROCESSLOCK");
        m.Lock();
        char c = 1;
        (void)!write(ready[1], &c, 1);
        pause(); // killed while holding the lock
        _exit(0);
    }
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    sync::NamedMutex m(u"Global\\Die_PROCESSLOCK");
    EXPECT_FALSE(m.TryLock(100)) << "another process holds it";
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(m.TryLock(2000)) << "the dead holder's lock is released";
    m.Unlock();
    close(ready[0]);
    close(ready[1]);
}
