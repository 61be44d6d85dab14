// talkclient: a minimal host of libSquadVoice. Connects one user to a talk
// server, prints every server event it is told about, and disconnects after
// a number of events or seconds (or when standard input says "quit").
//
//   talkclient --server IP:PORT --user ID --password PW [--unit U]
//              [--remark TEXT] [--notices N] [--seconds S]

#include "talk/SquadVoice.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

std::mutex g_lock;
std::condition_variable g_cond;
int g_notices = 0;
std::string g_user;

uint16_t GTK_CALL OnNotify(void*, int32_t id, const char* xml, int32_t length, void*)
{
    std::lock_guard lock(g_lock);
    printf("%s: notify id=%d xml=%.*s\n", g_user.c_str(), id, int(length), xml);
    fflush(stdout);
    ++g_notices;
    g_cond.notify_all();
    return 1; // no host here to accept a call or an invitation
}

void Copy(char* field, size_t size, const std::string& text)
{
    memset(field, 0, size);
    memcpy(field, text.data(), text.size() < size ? text.size() : size - 1);
}

bool StdinSaysQuit()
{
    pollfd p = {STDIN_FILENO, POLLIN, 0};
    if (poll(&p, 1, 0) <= 0)
        return false;
    char buf[256];
    ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
    return n > 0 && strncmp(buf, "quit", 4) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string server, password, unit, remark;
    long notices = -1, seconds = 30;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i], v = argv[i + 1];
        if (a == "--server")
            server = v;
        else if (a == "--user")
            g_user = v;
        else if (a == "--password")
            password = v;
        else if (a == "--unit")
            unit = v;
        else if (a == "--remark")
            remark = v;
        else if (a == "--notices")
            notices = atol(v.c_str());
        else if (a == "--seconds")
            seconds = atol(v.c_str());
    }
    size_t colon = server.rfind(':');
    if (g_user.empty() || colon == std::string::npos) {
        fprintf(stderr,
                "usage: talkclient --server IP:PORT --user ID --password PW [--unit U] [--remark TEXT]\n"
                "                  [--notices N] [--seconds S]\n");
        return 2;
    }
    GTK_CONNECT_PARAM p;
    memset(&p, 0, sizeof p);
    Copy(p.szServerIp, sizeof p.szServerIp, server.substr(0, colon));
    p.usServerPort = uint16_t(atoi(server.c_str() + colon + 1));
    Copy(p.szPuid, sizeof p.szPuid, unit);
    Copy(p.szUserId, sizeof p.szUserId, g_user);
    Copy(p.szPassword, sizeof p.szPassword, password);
    Copy(p.szRemark, sizeof p.szRemark, remark);
    p.usClientKind = 1;

    GTK_CLIENT_Init();
    void* session = GTK_CLIENT_Connect(&p);
    if (!session) {
        printf("%s: connect failed, error 0x%08X\n", g_user.c_str(), GTK_CLIENT_GetLastError());
        GTK_CLIENT_Release();
        return 1;
    }
    GTK_CLIENT_SetNotifyCallBack(session, OnNotify, nullptr);
    printf("%s: connected\n", g_user.c_str());
    fflush(stdout);

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (;;) {
        std::unique_lock lock(g_lock);
        if ((notices >= 0 && g_notices >= notices) || std::chrono::steady_clock::now() >= deadline)
            break;
        g_cond.wait_for(lock, std::chrono::milliseconds(100));
        lock.unlock();
        if (StdinSaysQuit())
            break;
    }
    GTK_CLIENT_DisConnect(session);
    printf("%s: disconnected after %d event(s)\n", g_user.c_str(), g_notices);
    GTK_CLIENT_Release();
    return 0;
}
