#pragma once
// Driving windows the way a person does, for tests and the demo. The robot
// hands pointer and keyboard events to the input queue in screen
// coordinates, so they are routed exactly as a real pointer's would be
// (capture, shapes, hit codes, activation), and by default waits after each
// step until every UI thread is idle, so a test can check state right away.
//
// UiThread runs windows on a thread of their own: the test thread calls
// into it (Call), posts work that blocks there (Post, e.g. a modal
// dialog), and drives it with a Robot.
//
// Timers and delays (tooltip hover, double clicks, menu hover) read the
// window system's clock; with the manual clock (UseManualClock) a test moves
// time with AdvanceTime, which fires due timers one by one, in order.

#include "Input.h"
#include "MessageLoop.h"
#include "Window.h"

#include <functional>
#include <string>
#include <thread>
#include <type_traits>

namespace vel::gui {

inline constexpr uint32_t kModShift = 0x1;
inline constexpr uint32_t kModCtrl = 0x2;
inline constexpr uint32_t kModAlt = 0x4;

class Robot
{
public:
    explicit Robot(bool waitAfterEachStep = true) : m_wait(waitAfterEachStep) {}

    void MoveTo(Point screen);
    void Press(MouseButton button = MouseButton::kLeft);
    void Release(MouseButton button = MouseButton::kLeft);
    void Click(Point screen, MouseButton button = MouseButton::kLeft);
    void DoubleClick(Point screen);
    // Presses at `from`, moves in `steps` steps and releases at `to`.
    void Drag(Point from, Point to, int steps = 8, MouseButton button = MouseButton::kLeft);
    // Notches of the wheel: positive away from the user.
    void Wheel(Point screen, int notches);

    void KeyDown(uint32_t vk);
    void KeyUp(uint32_t vk);
    // A key with modifiers held around it.
    void Key(uint32_t vk, uint32_t modifiers = 0);
    // Typed text, one WM_CHAR per character.
    void Text(std::u16string_view text);

    // Manual clock only: moves time forward, firing due timers in order and
    // waiting until idle after each.
    void AdvanceTime(uint32_t ms);
    bool WaitIdle(uint32_t timeoutMs = 10000);
    // False once any wait timed out.
    bool AllIdle() const { return m_allIdle; }

    // Screen points of a window.
    static Point CenterOf(WindowHandle window);
    static Point ClientPoint(WindowHandle window, Point client);
    static Point CenterOfClientRect(WindowHandle window, const Rect& client);

private:
    void Inject(const InputEvent& e);
    void Step();
    bool m_wait;
    bool m_allIdle = true;
};

class UiThread
{
public:
    UiThread();
    // Destroys the thread's windows, ends its loop and joins it.
    ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    ThreadId Id() const { return m_id; }

    // Runs `f` on the UI thread and returns its result.
    template <class F> auto Call(F&& f) -> std::invoke_result_t<F&>
    {
        using R = std::invoke_result_t<F&>;
        if constexpr (std::is_void_v<R>) {
            InvokeOnThread(m_id, [&] { f(); });
        } else {
            R result{};
            InvokeOnThread(m_id, [&] { result = f(); });
            return result;
        }
    }
    // Queues `f` on the UI thread without waiting (work that blocks there).
    void Post(std::function<void()> f);

private:
    std::thread m_thread;
    ThreadId m_id = 0;
};

} // namespace vel::gui
