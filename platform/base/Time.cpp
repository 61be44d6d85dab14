#include "Time.h"

#include "Strings.h"

#include <cstdio>
#include <ctime>

namespace vel {

uint32_t TickCount32()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
    return uint32_t(ms);
}

std::string LocalTimestamp(WallClock::time_point t)
{
    auto sinceEpoch = t.time_since_epoch();
    auto secs = std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - secs).count();
    if (ms < 0) {
        secs -= std::chrono::seconds(1);
        ms += 1000;
    }
    time_t tt = time_t(secs.count());
    tm local{};
    localtime_r(&tt, &local);
    char buf[64];
    snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900, local.tm_mon + 1,
             local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, int(ms));
    return buf;
}

std::u16string LocalTimestamp16(WallClock::time_point t)
{
    return Utf8ToUtf16(LocalTimestamp(t));
}

} // namespace vel
