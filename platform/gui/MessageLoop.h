#pragma once
// The per-thread message queue and the loops that read it. Each thread that
// creates a window or reads messages has one queue. What a thread is handed,
// in order: messages other threads sent it (handled inside the call, never
// returned), posted messages, then WM_QUIT when asked for, the next routed
// input event, WM_PAINT for a visible window with an invalid area, and
// WM_TIMER for the earliest due timer (a timer fires at most once per wait,
// then counts its period again from then).
//
// Sends between threads wait, handling sends made to the waiting thread
// meanwhile, so two threads that send to each other never deadlock; a send
// to a destroyed window, or to a thread that has ended, returns 0 at once.

#include "Messages.h"

#include <functional>
#include <string>

namespace vel::gui {

// Waits for the next message; false for WM_QUIT (its code in msg.wParam).
bool GetMessage(Msg& msg);
// The next message if there is one, without waiting.
bool PeekMessage(Msg& msg, bool remove = true);
// Waits until a message may be there, or the clock reaches `deadline`
// (ClockNow() milliseconds; 0 waits without limit). False on time-out.
bool WaitMessage(uint64_t deadline = 0);
// Turns key-down messages into WM_CHAR (posted to the same window).
void TranslateMessage(const Msg& msg);
LResult DispatchMessage(const Msg& msg);
// Offers the message to PreTranslateMessage of its window and each parent,
// up to and including `stopAt` (0: the top-level window).
bool PreTranslate(Msg& msg, WindowHandle stopAt = 0);
void PostQuitMessage(int code);

// Runs the thread's loop until WM_QUIT; returns its code.
int RunMessageLoop();
// Handles everything that is waiting now, without waiting for more;
// returns false when WM_QUIT was met (it is posted again for the outer loop).
bool PumpMessages();
// Handles messages until `done` returns true or the clock reaches
// `deadline` (0: no limit); false when WM_QUIT was met or the time ran out.
bool PumpUntil(const std::function<bool()>& done, uint64_t deadline = 0);

// An identity for a thread that has a queue.
using ThreadId = uint64_t;
ThreadId CurrentThreadId();
ThreadId WindowThread(WindowHandle window);
// Runs `task` on the thread (inside its message reading, like a sent
// message) and waits for it; false when the thread has no queue or ended.
bool InvokeOnThread(ThreadId thread, const std::function<void()>& task);
// Runs `task` on the window's thread and waits; false when it is gone.
bool InvokeOnWindowThread(WindowHandle window, const std::function<void()>& task);
// Queues `task` to run on the thread as a posted message, without waiting.
bool PostTask(ThreadId thread, std::function<void()> task);

// Thread timers are window timers of a window; a timer of a destroyed
// window is gone with it.
bool SetWindowTimer(WindowHandle window, uintptr_t id, uint32_t periodMs);
bool KillWindowTimer(WindowHandle window, uintptr_t id);
// The next due time of any timer of the thread's windows (0: none), and of
// all threads (for tests that step the manual clock).
uint64_t NextTimerDue();

// True when every thread that reads messages is waiting with nothing to do
// (no sent or posted message, no routable input, no window to paint, no
// due timer) and no raw input is waiting.
bool IsIdle();
// Waits (real time) until IsIdle, handling the calling thread's own
// messages meanwhile when it has windows; false on time-out.
bool WaitUntilIdle(uint32_t timeoutMs = 10000);
// What every queue is doing (for the message of a failed wait).
std::string DescribeQueues();

} // namespace vel::gui
