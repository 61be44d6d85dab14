#pragma once
// Where the windows are shown and where input comes from. The window
// system tells the backend what changed among the top-level windows; a
// display backend mirrors them (an X11 backend maps each top-level window to
// a real window, uploads the composited pixels of its tree on damage, and
// feeds the real pointer and keyboard to InjectInput). The headless backend,
// the default, shows nothing: the screen is composited on demand, and input
// comes from the robot.
//
// The calls come from any thread with the window system's lock held: a
// backend records what it must do and does it on its own thread, and never
// calls back into the window system from inside them.

#include "Cursor.h"
#include "Messages.h"

#include <atomic>
#include <memory>

namespace vel::gui {

class Backend
{
public:
    virtual ~Backend() = default;
    virtual const char* Name() const = 0;
    // Shown, hidden, moved, resized, reshaped, re-stacked, retitled.
    virtual void OnTopLevelChanged(WindowHandle topLevel) {}
    virtual void OnTopLevelDestroyed(WindowHandle topLevel) {}
    // Pixels of the window's tree changed (rectangle in its window coordinates).
    virtual void OnSurfaceDamaged(WindowHandle topLevel, const Rect& rect) {}
    virtual void OnCursorChanged(const CursorRef& cursor) {}
};

class HeadlessBackend : public Backend
{
public:
    const char* Name() const override { return "headless"; }
    void OnTopLevelChanged(WindowHandle) override { ++m_changes; }
    void OnSurfaceDamaged(WindowHandle, const Rect&) override { ++m_damage; }
    // Counters for tests and benchmarks.
    uint64_t Changes() const { return m_changes; }
    uint64_t Damage() const { return m_damage; }

private:
    std::atomic<uint64_t> m_changes{0};
    std::atomic<uint64_t> m_damage{0};
};

// The backend in use (the headless one unless another was set).
Backend& CurrentBackend();
// Replaces the backend; the old one is kept alive until the process ends,
// since a call into it may still be running on another thread.
void SetBackend(std::unique_ptr<Backend> backend);

} // namespace vel::gui
