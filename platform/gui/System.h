#pragma once
// Internal to platform/gui: the process-wide state of the window system and
// the operations the public classes share. One lock (recursive) guards the
// window tree, every queue and the input state; handlers never run with it
// held, and a thread waits on its queue only at lock depth one.

#include "Input.h"
#include "MessageLoop.h"
#include "Window.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace vel::gui {
class Backend;
}

namespace vel::gui::detail {

// A window's retained pixels, the size of the window rectangle. Painting
// holds `mu`; the compositor takes it to read.
struct Surface
{
    std::recursive_mutex mu;
    gfx::Bitmap bitmap;
};

struct SentItem
{
    WindowHandle hwnd = 0;
    uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
    std::function<void()> task; // a task instead of a message
    LResult result = 0;
    bool done = false;
    ThreadQueue* sender = nullptr;
};

struct PostedItem
{
    Msg msg;
    DropHandler dropped = nullptr;
    std::function<void()> task;
};

struct Timer
{
    WindowHandle hwnd = 0;
    uintptr_t id = 0;
    uint32_t period = 0;
    uint64_t due = 0;
    uint64_t seq = 0;
};

struct ThreadQueue
{
    ThreadId id = 0;
    std::condition_variable_any cv;
    std::deque<std::shared_ptr<SentItem>> incoming;
    std::deque<PostedItem> posted;
    std::vector<Timer> timers;
    bool quit = false;
    int quitCode = 0;
    bool waiting = false; // blocked reading messages with nothing to do
    int readers = 0;      // GetMessage / WaitMessage calls in progress
    int windows = 0;      // live windows of the thread
    int sending = 0;      // sends to other threads in progress
    int dirty = 0;        // windows of the thread with something to paint
    bool closed = false;  // the thread has ended
    bool loop = false;    // the thread reads messages (a UI thread)
};

struct InputState
{
    std::deque<std::pair<InputEvent, uint32_t>> raw; // event, time
    Point cursor;
    uint8_t keys[256] = {}; // bit 0x80 down, 1 toggled
    WindowHandle capture = 0;
    WindowHandle focus = 0;
    WindowHandle active = 0;
    WindowHandle hover = 0; // window under the pointer at the last move
    bool hoverNonClient = false;
    struct Click
    {
        WindowHandle hwnd = 0;
        uint32_t message = 0;
        uint32_t time = 0;
        Point pt;
    } lastClick;
    CursorRef cursorShape;
};

class System
{
public:
    // --- Lock ---------------------------------------------------------------
    class Lock
    {
    public:
        Lock();
        ~Lock();
        Lock(const Lock&) = delete;
        void lock();
        void unlock();

    private:
        bool m_held = false;
    };
    static int LockDepth();
    // Waits on a queue's condition (lock held once), until `deadline`
    // (steady ms, 0 none).
    static bool WaitOn(ThreadQueue* q, Lock& lock, uint64_t realDeadlineMs);

    // --- Windows ------------------------------------------------------------
    static Window* Lookup(WindowHandle h);
    static ThreadQueue* QueueOf(const Window* w) { return w->m_queue; }
    static bool TimerLiveLocked(ThreadQueue* q, WindowHandle h, uintptr_t id);
    static WindowHandle NewHandle();
    static std::vector<Window*>& TopLevels();
    static std::unordered_map<WindowHandle, Window*>& Windows();
    static bool DestroyWindow(Window* w);
    static MinMaxInfo MinMaxOf(Window* w);
    static void CheckTree(); // asserts the invariants in debug builds

    // --- Queues -------------------------------------------------------------
    static ThreadQueue* CurrentQueue(); // creates it
    static ThreadQueue* ExistingCurrentQueue();
    static ThreadQueue* QueueById(ThreadId id);
    static std::vector<std::shared_ptr<ThreadQueue>>& Queues();
    static bool OnOwnerThread(const Window* w);
    // Runs `fn` on the window's thread (directly when already there).
    static bool RunOnOwner(const Window* w, const std::function<void()>& fn);
    static void Wake(ThreadQueue* q);
    static void WakeAll();
    static void NotifyIdleWatchers();

    // Sends: the core of every send (lock not held by the caller).
    static LResult Send(WindowHandle h, uint32_t message, WParam wParam, LParam lParam, int64_t timeoutMs,
                        bool* ok);
    // Handles one message sent to this thread by another, if any (lock held
    // once; released while it runs). True when one was handled.
    static bool HandleOneIncoming(ThreadQueue* q, Lock& lock);
    // Finishes every pending send and drops posted messages (thread end).
    static void CloseQueue(ThreadQueue* q);
    static void DropPosted(PostedItem& item);

    // --- Message retrieval ---------------------------------------------------
    enum class Fetch
    {
        kMessage,
        kQuit,
        kNothing,
    };
    // One step of GetMessage/PeekMessage: handles sent messages and
    // returns the next message (lock not held).
    static Fetch FetchNext(Msg& out, bool remove);
    static bool HasWorkLocked(ThreadQueue* q);
    static Window* FindPaintableLocked(ThreadQueue* q);
    static Timer* DueTimerLocked(ThreadQueue* q, uint64_t now);
    static uint64_t NextDueLocked(ThreadQueue* q);
    static void KillTimersOfLocked(WindowHandle h);

    // --- Input ---------------------------------------------------------------
    static InputState& Input();
    // The thread the head raw event goes to (null: nobody; it is dropped).
    static ThreadQueue* InputTargetLocked(WindowHandle* target);
    // Drops raw events nobody can take and wakes the thread of the head.
    static void SettleInputLocked();
    // Routes the head raw event on this thread; true when it produced `out`.
    static bool RouteInput(Msg& out);
    static WindowHandle WindowFromPointLocked(Point screen, const std::vector<WindowHandle>* skip = nullptr);
    static void SetFocusImpl(Window* w);
    static void ActivateImpl(Window* top, int how);
    static void SetCaptureImpl(Window* w);
    static void ReleaseCaptureImpl();
    static void ForgetWindowLocked(Window* w); // clears input references
    static void UpdateHoverLocked(WindowHandle now, bool nonClient);
    static uint32_t KeyFlagsLocked();

    // --- Geometry and frame ----------------------------------------------------
    static Point ClientOriginOnScreenLocked(const Window* w);
    static Point WindowOriginOnScreenLocked(const Window* w);
    static void RecalcClient(Window* w); // sends WM_NCCALCSIZE (lock not held)
    static void EnsureSurfaceLocked(Window* w);
    static void UpdateScrollShownLocked(Window* w, bool* frameChanged);
    static Window* FirstVisibleTopLevelLocked(const Window* except);
    static void InsertTopLevelLocked(Window* w, WindowHandle after);

    // Dispatch of one message to one window on its thread (lock not held):
    // observers, WindowProc, the final message after WM_NCDESTROY.
    static LResult Dispatch(Window* w, uint32_t message, WParam wParam, LParam lParam);
    static void MarkDirtyLocked(Window* w);

    // --- Display ------------------------------------------------------------------
    static Backend& BackendRef();
    static std::shared_ptr<Surface> SurfaceOf(const Window* w);
    static void SurfaceDamaged(Window* w, const Rect& windowRect);
    static void TopLevelChanged(Window* w);
};

#ifndef NDEBUG
#define VEL_GUI_CHECK_TREE() ::vel::gui::detail::System::CheckTree()
#else
#define VEL_GUI_CHECK_TREE() ((void)0)
#endif

} // namespace vel::gui::detail
