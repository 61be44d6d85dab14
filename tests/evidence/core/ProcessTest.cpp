#include "StoreFixture.h"

#include "platform/base/Strings.h"

#include <chrono>
#include <set>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vel;
using namespace vel::evd;
using vel::evd::test::StoreTest;

namespace {

pid_t Spawn(std::vector<std::string> args, int* stdoutFd = nullptr)
{
    int pipeFds[2] = {-1, -1};
    if (stdoutFd && pipe(pipeFds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        if (stdoutFd) {
            dup2(pipeFds[1], 1);
            close(pipeFds[0]);
        }
        std::vector<char*> argv;
        std::string exe = STORE_WRITER;
        argv.push_back(exe.data());
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    if (stdoutFd) {
        close(pipeFds[1]);
        *stdoutFd = pipeFds[0];
    }
    return pid;
}

int Wait(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST_F(StoreTest, TwoProcessesAddingUnderOneParentLoseNothing)
{
    int32_t c = AddCase(u"shared");
    constexpr int kEach = 150;
    pid_t a = Spawn({"add", std::to_string(c), std::to_string(kEach), "a"});
    pid_t b = Spawn({"add", std::to_string(c), std::to_string(kEach), "b"});
    // This process writes at the same time.
    for (int i = 0; i < kEach; ++i)
        AddFolder(c, Utf8ToUtf16("p-" + std::to_string(i)));
    EXPECT_EQ(Wait(a), 0);
    EXPECT_EQ(Wait(b), 0);

    EVD_SEARCH_FILTER f;
    f.parentId = c;
    std::vector<EVD_FILE_INFO> nodes;
    ASSERT_TRUE(db.QueryNodes(f, nodes, true));
    std::set<std::u16string> names;
    std::set<int32_t> ids;
    for (auto& n : nodes) {
        names.insert(n.NAME);
        ids.insert(n.ID);
        EXPECT_EQ(n.LEVEL, 2);
        EXPECT_EQ(n.PARENTTREE, Node(c).PARENTTREE + u"(" + ToString16(c) + u")");
    }
    EXPECT_EQ(nodes.size(), size_t(3 * kEach));
    EXPECT_EQ(names.size(), size_t(3 * kEach));
    EXPECT_EQ(ids.size(), size_t(3 * kEach));
    EXPECT_EQ(db.ScalarText(u"PRAGMA integrity_check"), u"ok");
}

TEST_F(StoreTest, AProcessKilledWhileHoldingTheLockDoesNotBlockTheNext)
{
    db.Close();
    int out = -1;
    pid_t holder = Spawn({"hold"}, &out);
    char buf[16] = {};
    ASSERT_GT(read(out, buf, sizeof buf - 1), 0);
    ASSERT_STREQ(buf, "locked\n");
    EXPECT_FALSE(db.ProcessLock().TryLock(200)) << "the other process holds the store lock";
    kill(holder, SIGKILL);
    Wait(holder);
    close(out);
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(db.Open());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_GT(AddCase(u"after"), 0);
}
