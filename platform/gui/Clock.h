#pragma once
// The window system's clock: timers, message times, hover and double-click
// delays all read it. It runs on real (steady) time unless a test switches
// it to manual time, where it stands still until advanced, so that a
// tooltip's hover delay or a 500 ms timer fires exactly when the test says
// and never because the machine was slow.

#include <cstdint>

namespace vel::gui {

// Milliseconds since the window system started (manual: since it was switched).
uint64_t ClockNow();
// The 32-bit message time of now.
inline uint32_t MessageTime()
{
    return uint32_t(ClockNow());
}

void UseManualClock(bool manual);
bool IsManualClock();
// Manual clock only: moves time forward and wakes every thread that waits
// for a timer. Robot::AdvanceTime steps through due timers instead, so use
// that in tests.
void AdvanceClock(uint64_t ms);

} // namespace vel::gui
