#pragma once
// Clocks: the 32-bit millisecond tick counter (wraps after 49.7 days, as the
// suite's time-outs expect) and local time stamps in the suite's text form
// "%04d-%02d-%02d %02d:%02d:%02d.%03d", whose text order is time order.

#include <chrono>
#include <cstdint>
#include <string>

namespace vel {

uint32_t TickCount32();

using WallClock = std::chrono::system_clock;

// Local time stamp of a moment (default: now), in UTF-16 and in UTF-8.
std::u16string LocalTimestamp16(WallClock::time_point t = WallClock::now());
std::string LocalTimestamp(WallClock::time_point t = WallClock::now());

} // namespace vel
