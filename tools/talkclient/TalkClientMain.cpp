// talkclient: a command-line host of libSquadVoice for people and the demo.
// Connects one user, prints every event it is told about (one line each),
// and runs commands from standard input, one per line:
//
//   join CHANNEL | quit-group | speak CHANNEL WAVFILE | release
//   call USER | callex USER | hangup | say USER WAVFILE (voice in the call)
//   msg USER TEXT | gmsg CHANNEL TEXT | data USER HEX
//   invite CHANNEL USER | push USER URL
//   sendfile USER PATH | sendgroupfile CHANNEL PATH
//   fetch SERVERPATH OUTFILE | voice NAME POS OUTFILE
//   sleep MS | quit
//
//   talkclient --server IP:PORT --user ID --password PW [--unit U]
//              [--remark TEXT] [--accept] [--notices N] [--seconds S]
//
// --accept answers incoming calls and invitations with "accept"; otherwise
// they are refused. Without commands the client stays for --seconds (or
// until --notices events arrived).

#include "talk/SquadVoice.h"

#include "platform/base/Strings.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::mutex g_lock;
std::condition_variable g_cond;
int g_notices = 0;
std::string g_user;
bool g_accept = false;
std::atomic<int> g_voiceIn{0};
std::string g_callPeer;

void Print(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void Print(const char* fmt, ...)
{
    std::lock_guard lock(g_lock);
    printf("%s: ", g_user.c_str());
    va_list a;
    va_start(a, fmt);
    vprintf(fmt, a);
    va_end(a);
    printf("\n");
    fflush(stdout);
}

// The library speaks the ANSI code page; this terminal speaks UTF-8.
std::string ToAnsi(const std::string& utf8)
{
    return vel::Utf16ToAnsi(vel::Utf8ToUtf16(utf8));
}

std::string OneLine(const char* xml, int32_t length)
{
    std::string s = vel::Utf16ToUtf8(vel::AnsiToUtf16(std::string(xml, size_t(length))));
    std::string out;
    for (char c : s)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

uint16_t GTK_CALL OnNotify(void*, int32_t id, const char* xml, int32_t length, void*)
{
    Print("notify id=%d xml=%s", id, OneLine(xml, length).c_str());
    {
        std::lock_guard lock(g_lock);
        ++g_notices;
        if (id == 49) {
            const char* f = strstr(xml, "<userfromid>");
            if (f) {
                const char* e = strstr(f, "</userfromid>");
                g_callPeer.assign(f + 12, e ? size_t(e - f - 12) : 0);
            }
        }
    }
    g_cond.notify_all();
    if (id == 49 || id == 69) {
        Print("%s %s", g_accept ? "accepting" : "refusing", id == 49 ? "the call" : "the invitation");
        return g_accept ? 0 : 1;
    }
    return 0;
}

void GTK_CALL OnGroupVoice(void*, uint16_t channel, const char* speaker, const uint8_t*, int32_t n, uint16_t, void*)
{
    int count = ++g_voiceIn;
    if (count == 1 || count % 50 == 0)
        Print("group voice channel=%u from=%s bytes=%d (%d datagrams so far)", channel, speaker, n, count);
}

void GTK_CALL OnIndivVoice(void*, const char* peer, const uint8_t*, int32_t n, uint16_t, void*)
{
    int count = ++g_voiceIn;
    if (count == 1 || count % 50 == 0)
        Print("call voice from=%s bytes=%d (%d datagrams so far)", peer, n, count);
}

void GTK_CALL OnData(void*, uint16_t channel, const char* sender, const uint8_t*, int32_t n, void*)
{
    Print("data channel=%u from=%s bytes=%d", channel, sender, n);
}

void GTK_CALL OnGps(void*, const char* who, const uint8_t*, void*)
{
    Print("gps user=%s", who);
}

void GTK_CALL OnAlarm(void*, const char* who, const uint8_t*, const uint8_t* alarm, void*)
{
    Print("alarm user=%s first-byte=%u", who, alarm[0]);
}

struct Fetch
{
    FILE* out = nullptr;
    long bytes = 0;
};

void GTK_CALL OnDownload(int32_t, const uint8_t* data, int32_t n, void* user)
{
    auto* f = static_cast<Fetch*>(user);
    fwrite(data, 1, size_t(n), f->out);
    f->bytes += n;
}

void Copy(char* field, size_t size, const std::string& text)
{
    memset(field, 0, size);
    memcpy(field, text.data(), text.size() < size ? text.size() : size - 1);
}

// The PCM bytes of a WAV file (its "data" chunk), or the whole file.
std::string WavPayload(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    if (all.size() >= 12 && all.compare(0, 4, "RIFF") == 0) {
        size_t p = 12;
        while (p + 8 <= all.size()) {
            uint32_t len = uint8_t(all[p + 4]) | uint8_t(all[p + 5]) << 8 | uint8_t(all[p + 6]) << 16 |
                           uint32_t(uint8_t(all[p + 7])) << 24;
            if (all.compare(p, 4, "data") == 0)
                return all.substr(p + 8, len);
            p += 8 + len + (len & 1);
        }
    }
    return all;
}

int WaitProgress(int32_t (*pos)(int32_t), int32_t id)
{
    int32_t p = 0;
    for (int i = 0; i < 3000; ++i) {
        p = pos(id);
        if (p == 100 || p == -1)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return p;
}

void RunCommand(void* s, const std::string& line, bool& quit)
{
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    auto rest = [&] {
        std::string r;
        std::getline(in, r);
        size_t a = r.find_first_not_of(' ');
        return a == std::string::npos ? std::string() : r.substr(a);
    };
    auto result = [&](int32_t r) {
        Print("%s -> %d%s", line.c_str(), r,
              r < 0 ? (" (error 0x" + [&] {
                          char b[16];
                          snprintf(b, sizeof b, "%08X", GTK_CLIENT_GetLastError());
                          return std::string(b);
                      }() + ")")
                          .c_str()
                    : "");
    };
    if (verb == "quit") {
        quit = true;
    } else if (verb == "sleep") {
        long ms = 0;
        in >> ms;
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    } else if (verb == "join") {
        int ch = 0;
        in >> ch;
        result(GTK_CLIENT_JoinGroup(s, uint16_t(ch), &OnGroupVoice, nullptr));
    } else if (verb == "quit-group") {
        result(GTK_CLIENT_QuitGroup(s));
    } else if (verb == "release") {
        result(GTK_CLIENT_SendGroupVoiceData(s, 0, nullptr, 0));
    } else if (verb == "speak" || verb == "say") {
        std::string target, path;
        in >> target >> path;
        std::string pcm = WavPayload(path);
        const size_t piece = 320; // 20 ms of 8 kHz 16-bit audio
        int sent = 0, refused = 0;
        auto next = std::chrono::steady_clock::now();
        for (size_t at = 0; at < pcm.size(); at += piece) {
            const uint8_t* p = reinterpret_cast<const uint8_t*>(pcm.data() + at);
            int32_t n = int32_t(std::min(piece, pcm.size() - at));
            int32_t r = verb == "speak" ? GTK_CLIENT_SendGroupVoiceData(s, uint16_t(atoi(target.c_str())), p, n)
                                        : GTK_CLIENT_SendIndivVoiceData(s, target.c_str(), p, n);
            (r == 0 ? sent : refused)++;
            next += std::chrono::milliseconds(20);
            std::this_thread::sleep_until(next);
        }
        Print("%s: %d voice datagrams sent, %d refused", line.c_str(), sent, refused);
    } else if (verb == "call") {
        std::string u;
        in >> u;
        {
            std::lock_guard lock(g_lock);
            g_callPeer = u;
        }
        result(GTK_CLIENT_IndivCall(s, u.c_str(), 0, &OnIndivVoice, nullptr));
    } else if (verb == "callex") {
        std::string u;
        in >> u;
        result(GTK_CLIENT_IndivCallEx(s, u.c_str(), 0, &OnIndivVoice, nullptr, 0));
    } else if (verb == "hangup") {
        result(GTK_CLIENT_HangUp(s));
    } else if (verb == "msg") {
        std::string u;
        in >> u;
        std::string t = ToAnsi(rest());
        result(GTK_CLIENT_SendMsg(s, u.c_str(), t.c_str(), int32_t(t.size())));
    } else if (verb == "gmsg") {
        int ch = 0;
        in >> ch;
        std::string t = ToAnsi(rest());
        result(GTK_CLIENT_BroadCastMsg(s, uint16_t(ch), t.c_str(), int32_t(t.size())));
    } else if (verb == "data") {
        std::string u, hex;
        in >> u >> hex;
        std::vector<uint8_t> b;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            b.push_back(uint8_t(strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
        result(GTK_CLIENT_TransData(s, u.c_str(), b.data(), int32_t(b.size())));
    } else if (verb == "invite") {
        int ch = 0;
        std::string u;
        in >> ch >> u;
        result(GTK_CLIENT_TalkInvite(s, uint16_t(ch), u.c_str(), "join us"));
    } else if (verb == "push") {
        std::string u, url;
        in >> u >> url;
        result(GTK_CLIENT_PushVideo(s, u.c_str(), url.c_str(), ""));
    } else if (verb == "sendfile" || verb == "sendgroupfile") {
        std::string to;
        in >> to;
        std::string path = ToAnsi(rest()); // may hold blanks
        int32_t id = verb == "sendfile" ? GTK_CLIENT_SendFile(s, to.c_str(), path.c_str())
                                        : GTK_CLIENT_SendGroupFile(s, uint16_t(atoi(to.c_str())), path.c_str());
        if (id < 0)
            return result(id);
        int p = WaitProgress(&GTK_CLIENT_GetSendFilePos, id);
        Print("%s: upload %d ended at %d%%", line.c_str(), id, p);
        GTK_CLIENT_StopSendFile(id);
    } else if (verb == "fetch" || verb == "voice") {
        std::string name, out;
        int pos = 0;
        in >> name;
        if (verb == "voice")
            in >> pos;
        in >> out;
        Fetch f;
        f.out = fopen(out.c_str(), "wb");
        if (!f.out)
            return Print("%s: cannot write %s", line.c_str(), out.c_str());
        int32_t id = verb == "fetch" ? GTK_CLIENT_StartDownloadFile(s, 1, name.c_str(), &OnDownload, &f)
                                     : GTK_CLIENT_StartDownloadVoice(s, 1, name.c_str(), pos, &OnDownload, &f);
        if (id < 0) {
            fclose(f.out);
            return result(id);
        }
        int p = WaitProgress(&GTK_CLIENT_GetDownloadPos, id);
        GTK_CLIENT_StopDownload(id);
        fclose(f.out);
        Print("%s: download %d ended at %d%%, %ld bytes", line.c_str(), id, p, f.bytes);
    } else if (!verb.empty() && verb[0] != '#') {
        Print("unknown command: %s", line.c_str());
    }
}

} // namespace

int main(int argc, char** argv)
{
    std::string server, password, unit, remark;
    long notices = -1, seconds = 30;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--accept") {
            g_accept = true;
            continue;
        }
        if (i + 1 >= argc)
            break;
        std::string v = argv[++i];
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
                "                  [--accept] [--notices N] [--seconds S]   (commands on standard input)\n");
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
    GTK_CLIENT_SetIndivCallCallBack(session, OnIndivVoice, nullptr);
    GTK_CLIENT_SetTransDataCallBack(session, OnData, nullptr);
    GTK_CLIENT_SetGPSNotify(session, OnGps, nullptr);
    GTK_CLIENT_SetAlarmNotify(session, OnAlarm, nullptr);
    Print("connected");

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    std::string pending;
    bool quit = false, stdinOpen = true;
    while (!quit) {
        {
            std::unique_lock lock(g_lock);
            if ((notices >= 0 && g_notices >= notices) || std::chrono::steady_clock::now() >= deadline)
                break;
        }
        pollfd pf = {STDIN_FILENO, POLLIN, 0};
        if (!stdinOpen || poll(&pf, 1, 100) <= 0) {
            if (!stdinOpen)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        char buf[4096];
        ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            stdinOpen = false;
            continue;
        }
        pending.append(buf, size_t(n));
        for (size_t eol; !quit && (eol = pending.find('\n')) != std::string::npos;) {
            std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            RunCommand(session, line, quit);
        }
    }
    GTK_CLIENT_DisConnect(session);
    printf("%s: disconnected after %d event(s)\n", g_user.c_str(), g_notices);
    GTK_CLIENT_Release();
    return 0;
}
