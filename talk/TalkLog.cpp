#include "TalkLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace vel {

namespace {

bool StderrSink()
{
    static const bool on = [] {
        const char* v = getenv("VEL_DEBUG_OUTPUT");
        return v && *v;
    }();
    return on;
}

std::atomic<bool> g_hookSet{false};

std::mutex& HookLock()
{
    static std::mutex m;
    return m;
}

std::function<void(const std::string&)>& Hook()
{
    static std::function<void(const std::string&)> h;
    return h;
}

} // namespace

void SetTalkLogHook(std::function<void(const std::string& line)> hook)
{
    std::lock_guard lock(HookLock());
    g_hookSet = bool(hook);
    Hook() = std::move(hook);
}

std::string TalkFormat(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string out(n > 0 ? size_t(n) : 0, '\0');
    if (n > 0)
        vsnprintf(out.data(), out.size() + 1, fmt, ap2);
    va_end(ap2);
    return out;
}

void TalkLog(const char* fmt, ...)
{
    bool toStderr = StderrSink();
    if (!toStderr && !g_hookSet.load(std::memory_order_relaxed))
        return;
    char text[1024];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    std::string line = "[SQUADVOICE] ";
    line += text;
    if (toStderr) {
        // One write per line so lines of concurrent threads do not interleave.
        std::string out = line;
        if (out.empty() || out.back() != '\n')
            out += '\n';
        fwrite(out.data(), 1, out.size(), stderr);
    }
    if (g_hookSet.load(std::memory_order_relaxed)) {
        std::lock_guard lock(HookLock());
        if (Hook())
            Hook()(line);
    }
}

} // namespace vel
