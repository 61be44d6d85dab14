#include "Robot.h"

#include "Clock.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace vel::gui {

void Robot::Inject(const InputEvent& e)
{
    InjectInput(e);
    Step();
}

void Robot::Step()
{
    if (m_wait)
        WaitIdle();
}

bool Robot::WaitIdle(uint32_t timeoutMs)
{
    bool ok = WaitUntilIdle(timeoutMs);
    if (!ok) {
        m_allIdle = false;
        std::fprintf(stderr, "[robot] the UI did not become idle within %u ms\n%s", timeoutMs,
                     DescribeQueues().c_str());
    }
    return ok;
}

void Robot::MoveTo(Point screen)
{
    InputEvent e;
    e.kind = InputEvent::Kind::kMove;
    e.pt = screen;
    Inject(e);
}

void Robot::Press(MouseButton button)
{
    InputEvent e;
    e.kind = InputEvent::Kind::kButtonDown;
    e.pt = CursorPos();
    e.button = button;
    Inject(e);
}

void Robot::Release(MouseButton button)
{
    InputEvent e;
    e.kind = InputEvent::Kind::kButtonUp;
    e.pt = CursorPos();
    e.button = button;
    Inject(e);
}

void Robot::Click(Point screen, MouseButton button)
{
    MoveTo(screen);
    InputEvent e;
    e.pt = screen;
    e.button = button;
    e.kind = InputEvent::Kind::kButtonDown;
    Inject(e);
    e.kind = InputEvent::Kind::kButtonUp;
    Inject(e);
}

void Robot::DoubleClick(Point screen)
{
    Click(screen);
    Click(screen);
}

void Robot::Drag(Point from, Point to, int steps, MouseButton button)
{
    MoveTo(from);
    InputEvent e;
    e.pt = from;
    e.button = button;
    e.kind = InputEvent::Kind::kButtonDown;
    Inject(e);
    steps = std::max(steps, 1);
    for (int i = 1; i <= steps; ++i) {
        InputEvent m;
        m.kind = InputEvent::Kind::kMove;
        m.pt = {from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps};
        Inject(m);
    }
    e.pt = to;
    e.kind = InputEvent::Kind::kButtonUp;
    Inject(e);
}

void Robot::Wheel(Point screen, int notches)
{
    MoveTo(screen);
    InputEvent e;
    e.kind = InputEvent::Kind::kWheel;
    e.pt = screen;
    e.wheelDelta = notches * kWheelDelta;
    Inject(e);
}

void Robot::KeyDown(uint32_t vk)
{
    InputEvent e;
    e.kind = InputEvent::Kind::kKeyDown;
    e.vk = vk;
    Inject(e);
}

void Robot::KeyUp(uint32_t vk)
{
    InputEvent e;
    e.kind = InputEvent::Kind::kKeyUp;
    e.vk = vk;
    Inject(e);
}

void Robot::Key(uint32_t vk, uint32_t modifiers)
{
    if (modifiers & kModCtrl)
        KeyDown(kVkControl);
    if (modifiers & kModShift)
        KeyDown(kVkShift);
    if (modifiers & kModAlt)
        KeyDown(kVkMenu);
    KeyDown(vk);
    KeyUp(vk);
    if (modifiers & kModAlt)
        KeyUp(kVkMenu);
    if (modifiers & kModShift)
        KeyUp(kVkShift);
    if (modifiers & kModCtrl)
        KeyUp(kVkControl);
}

void Robot::Text(std::u16string_view text)
{
    for (char16_t c : text) {
        InputEvent e;
        e.kind = InputEvent::Kind::kChar;
        e.ch = c;
        Inject(e);
    }
}

void Robot::AdvanceTime(uint32_t ms)
{
    if (!IsManualClock())
        return;
    WaitIdle();
    const uint64_t target = ClockNow() + ms;
    for (;;) {
        uint64_t next = NextTimerDue();
        uint64_t now = ClockNow();
        if (next == 0 || next > target)
            break;
        if (next <= now) {
            // Due and still not handled after waiting: its thread does not
            // read messages. Time goes on without it.
            break;
        }
        AdvanceClock(next - now);
        WaitIdle();
    }
    if (ClockNow() < target)
        AdvanceClock(target - ClockNow());
    WaitIdle();
}

Point Robot::CenterOf(WindowHandle window)
{
    Rect r = WindowRectOf(window);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

Point Robot::ClientPoint(WindowHandle window, Point client)
{
    Window* w = Window::FromHandle(window);
    return w ? w->ClientToScreen(client) : client;
}

Point Robot::CenterOfClientRect(WindowHandle window, const Rect& r)
{
    return ClientPoint(window, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

// --- UiThread --------------------------------------------------------------------------------

UiThread::UiThread()
{
    std::mutex m;
    std::condition_variable cv;
    bool ready = false;
    m_thread = std::thread([&] {
        ThreadId id = CurrentThreadId();
        {
            std::lock_guard<std::mutex> g(m);
            m_id = id;
            ready = true;
        }
        cv.notify_all();
        RunMessageLoop();
    });
    std::unique_lock<std::mutex> g(m);
    cv.wait(g, [&] { return ready; });
}

UiThread::~UiThread()
{
    ThreadId id = m_id;
    InvokeOnThread(id, [id] {
        for (WindowHandle h : TopLevelWindows())
            if (WindowThread(h) == id)
                if (Window* w = Window::FromHandle(h))
                    w->Destroy();
        PostQuitMessage(0);
    });
    m_thread.join();
}

void UiThread::Post(std::function<void()> f)
{
    PostTask(m_id, std::move(f));
}

} // namespace vel::gui
