// The window system's process-wide state: the lock, the handle table, the
// per-thread queues, sends and posts between threads, message retrieval,
// timers, the clock and idle detection.

#include "System.h"

#include "Backend.h"
#include "Clock.h"
#include "platform/base/LastError.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cstdio>
#include <exception>

namespace vel::gui {

namespace detail {

namespace {

constexpr uint32_t kErrorInvalidWindowHandle = 1400;

struct State
{
    std::recursive_mutex mu;
    std::unordered_map<WindowHandle, Window*> windows;
    std::vector<Window*> topLevels; // front to back
    WindowHandle nextHandle = 0x10010;
    std::vector<std::shared_ptr<ThreadQueue>> queues;
    ThreadId nextThreadId = 1;
    InputState input;
    std::condition_variable_any idle;
};

State& S()
{
    // Never destroyed: threads may still end after static destruction began.
    static State* s = new State;
    return *s;
}

thread_local int t_lockDepth = 0;

struct QueueHolder
{
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder()
    {
        if (queue)
            System::CloseQueue(queue.get());
    }
};
thread_local QueueHolder t_queue;

uint64_t SteadyMs()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

// --- Lock -----------------------------------------------------------------------

System::Lock::Lock()
{
    lock();
}
System::Lock::~Lock()
{
    // A Lock is always held at destruction unless unlock() was the last call.
    if (m_held)
        unlock();
}
void System::Lock::lock()
{
    S().mu.lock();
    ++t_lockDepth;
    m_held = true;
}
void System::Lock::unlock()
{
    m_held = false;
    --t_lockDepth;
    S().mu.unlock();
}
int System::LockDepth()
{
    return t_lockDepth;
}

bool System::WaitOn(ThreadQueue* q, Lock& lock, uint64_t realDeadlineMs)
{
    assert(t_lockDepth == 1 && "waiting with the window system's lock held twice");
    if (realDeadlineMs == 0) {
        q->cv.wait(lock);
        return true;
    }
    uint64_t now = SteadyMs();
    if (now >= realDeadlineMs)
        return false;
    return q->cv.wait_for(lock, std::chrono::milliseconds(realDeadlineMs - now)) ==
           std::cv_status::no_timeout;
}

// --- Windows -------------------------------------------------------------------

Window* System::Lookup(WindowHandle h)
{
    if (h == 0)
        return nullptr;
    auto& w = S().windows;
    auto it = w.find(h);
    return it == w.end() ? nullptr : it->second;
}

WindowHandle System::NewHandle()
{
    WindowHandle h = S().nextHandle;
    S().nextHandle += 2;
    return h;
}

std::vector<Window*>& System::TopLevels()
{
    return S().topLevels;
}
std::unordered_map<WindowHandle, Window*>& System::Windows()
{
    return S().windows;
}
InputState& System::Input()
{
    return S().input;
}

// --- Queues --------------------------------------------------------------------

ThreadQueue* System::ExistingCurrentQueue()
{
    return t_queue.queue.get();
}

ThreadQueue* System::CurrentQueue()
{
    if (!t_queue.queue) {
        auto q = std::make_shared<ThreadQueue>();
        Lock lock;
        q->id = S().nextThreadId++;
        auto& all = S().queues;
        // Forget ended threads that left nothing behind.
        all.erase(std::remove_if(
                      all.begin(), all.end(),
                      [](const std::shared_ptr<ThreadQueue>& e) { return e->closed && e->windows == 0; }),
                  all.end());
        all.push_back(q);
        t_queue.queue = q;
    }
    return t_queue.queue.get();
}

ThreadQueue* System::QueueById(ThreadId id)
{
    for (auto& q : S().queues)
        if (q->id == id)
            return q.get();
    return nullptr;
}

std::vector<std::shared_ptr<ThreadQueue>>& System::Queues()
{
    return S().queues;
}

bool System::OnOwnerThread(const Window* w)
{
    return w->m_queue == ExistingCurrentQueue();
}

void System::Wake(ThreadQueue* q)
{
    if (q)
        q->cv.notify_all();
}

void System::WakeAll()
{
    Lock lock;
    for (auto& q : S().queues)
        q->cv.notify_all();
    S().idle.notify_all();
}

void System::NotifyIdleWatchers()
{
    S().idle.notify_all();
}

bool System::RunOnOwner(const Window* w, const std::function<void()>& fn)
{
    ThreadQueue* owner;
    {
        Lock lock;
        owner = w->m_queue;
        if (!owner)
            return false;
        if (owner == ExistingCurrentQueue()) {
            lock.unlock();
            fn();
            return true;
        }
        if (owner->closed) {
            // Nobody else can run the window's handlers any more.
            lock.unlock();
            fn();
            return true;
        }
    }
    return InvokeOnThread(owner->id, fn);
}

LResult System::Send(WindowHandle h, uint32_t message, WParam wParam, LParam lParam, int64_t timeoutMs,
                     bool* ok)
{
    if (ok)
        *ok = false;
    Lock lock;
    Window* w = Lookup(h);
    if (!w) {
        SetLastError(kErrorInvalidWindowHandle);
        return 0;
    }
    ThreadQueue* target = w->m_queue;
    ThreadQueue* me = ExistingCurrentQueue();
    if (target == me) {
        lock.unlock();
        if (ok)
            *ok = true;
        return Dispatch(w, message, wParam, lParam);
    }
    if (target->closed)
        return 0;
    lock.unlock();
    me = CurrentQueue();
    lock.lock();
    if (!Lookup(h) || target->closed)
        return 0;
    auto item = std::make_shared<SentItem>();
    item->hwnd = h;
    item->message = message;
    item->wParam = wParam;
    item->lParam = lParam;
    item->sender = me;
    target->incoming.push_back(item);
    Wake(target);
    ++me->sending;
    uint64_t deadline = timeoutMs >= 0 ? SteadyMs() + uint64_t(timeoutMs) : 0;
    while (!item->done) {
        if (HandleOneIncoming(me, lock))
            continue;
        if (deadline && SteadyMs() >= deadline) {
            auto it = std::find(target->incoming.begin(), target->incoming.end(), item);
            if (it != target->incoming.end())
                target->incoming.erase(it);
            item->sender = nullptr; // the receiver may still be running it
            --me->sending;
            return 0;
        }
        WaitOn(me, lock, deadline);
    }
    --me->sending;
    if (ok)
        *ok = true;
    return item->result;
}

bool System::HandleOneIncoming(ThreadQueue* q, Lock& lock)
{
    if (q->incoming.empty())
        return false;
    std::shared_ptr<SentItem> item = q->incoming.front();
    q->incoming.pop_front();
    Window* w = item->task ? nullptr : Lookup(item->hwnd);
    lock.unlock();
    LResult r = 0;
    if (item->task) {
        try {
            item->task();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "[gui] task threw: %s\n", e.what());
        } catch (...) {
            std::fprintf(stderr, "[gui] task threw\n");
        }
        r = 1; // ran
    } else if (w) {
        r = Dispatch(w, item->message, item->wParam, item->lParam);
    }
    lock.lock();
    item->result = r;
    item->done = true;
    if (item->sender)
        Wake(item->sender);
    return true;
}

void System::DropPosted(PostedItem& item)
{
    if (item.dropped)
        item.dropped(item.msg.message, item.msg.wParam, item.msg.lParam);
}

void System::CloseQueue(ThreadQueue* q)
{
    std::deque<PostedItem> dropped;
    {
        Lock lock;
        q->closed = true;
        for (auto& item : q->incoming) {
            item->done = true;
            if (item->sender)
                Wake(item->sender);
        }
        q->incoming.clear();
        dropped.swap(q->posted);
        q->timers.clear();
        S().idle.notify_all();
    }
    for (auto& item : dropped)
        DropPosted(item);
}

// --- Dispatch --------------------------------------------------------------------

LResult System::Dispatch(Window* w, uint32_t message, WParam wParam, LParam lParam)
{
    if (!w->m_observers.empty()) {
        Msg m{w->m_handle, message, wParam, lParam, MessageTime(), Input().cursor};
        auto observers = w->m_observers; // an observer may remove itself
        for (MessageObserver* o : observers)
            o->ObserveMessage(*w, m);
    }
    ++w->m_dispatchDepth;
    LResult r = 0;
    try {
        r = w->WindowProc(message, wParam, lParam);
    } catch (const std::exception& e) {
        char name[32];
        std::fprintf(stderr, "[gui] handler of %s threw: %s\n", MessageName(message, name), e.what());
    } catch (...) {
        char name[32];
        std::fprintf(stderr, "[gui] handler of %s threw\n", MessageName(message, name));
    }
    if (--w->m_dispatchDepth == 0 && w->m_finalPending) {
        w->m_finalPending = false;
        w->OnFinalMessage(); // may delete w
    }
    return r;
}

void System::MarkDirtyLocked(Window* w)
{
    bool dirty = w->m_handle && (w->m_ncDirty || !w->m_invalid.IsEmpty());
    if (dirty != w->m_dirtyCounted && w->m_queue) {
        w->m_dirtyCounted = dirty;
        w->m_queue->dirty += dirty ? 1 : -1;
        if (dirty)
            Wake(w->m_queue);
    }
}

// --- Retrieval -----------------------------------------------------------------------

namespace {

Window* FindDirty(Window* w, ThreadQueue* q)
{
    if (!(w->Style() & kWsVisible))
        return nullptr;
    if (System::QueueOf(w) == q && w->NeedsPaint())
        return w;
    for (Window* c : w->Children())
        if (Window* d = FindDirty(c, q))
            return d;
    return nullptr;
}

} // namespace

Window* System::FindPaintableLocked(ThreadQueue* q)
{
    if (q->dirty <= 0)
        return nullptr;
    for (Window* top : S().topLevels)
        if (Window* d = FindDirty(top, q))
            return d;
    return nullptr;
}

Timer* System::DueTimerLocked(ThreadQueue* q, uint64_t now)
{
    Timer* best = nullptr;
    for (Timer& t : q->timers)
        if (t.due <= now && (!best || t.due < best->due || (t.due == best->due && t.seq < best->seq)))
            best = &t;
    return best;
}

uint64_t System::NextDueLocked(ThreadQueue* q)
{
    uint64_t next = 0;
    for (const Timer& t : q->timers)
        if (next == 0 || t.due < next)
            next = t.due;
    return next;
}

bool System::TimerLiveLocked(ThreadQueue* q, WindowHandle h, uintptr_t id)
{
    for (const Timer& t : q->timers)
        if (t.hwnd == h && t.id == id)
            return true;
    return false;
}

void System::KillTimersOfLocked(WindowHandle h)
{
    for (auto& q : S().queues)
        q->timers.erase(
            std::remove_if(q->timers.begin(), q->timers.end(), [h](const Timer& t) { return t.hwnd == h; }),
            q->timers.end());
}

bool System::HasWorkLocked(ThreadQueue* q)
{
    if (!q->incoming.empty() || !q->posted.empty() || q->quit)
        return true;
    SettleInputLocked();
    WindowHandle target = 0;
    if (!Input().raw.empty() && InputTargetLocked(&target) == q)
        return true;
    if (FindPaintableLocked(q))
        return true;
    return DueTimerLocked(q, ClockNow()) != nullptr;
}

System::Fetch System::FetchNext(Msg& out, bool remove)
{
    ThreadQueue* q = CurrentQueue();
    Lock lock;
    q->loop = true;
    for (;;) {
        if (HandleOneIncoming(q, lock))
            continue;
        if (!q->posted.empty()) {
            PostedItem& front = q->posted.front();
            if (front.task) {
                if (!remove) {
                    out = front.msg;
                    return Fetch::kMessage;
                }
                auto task = std::move(front.task);
                q->posted.pop_front();
                lock.unlock();
                try {
                    task();
                } catch (...) {
                    std::fprintf(stderr, "[gui] posted task threw\n");
                }
                lock.lock();
                continue;
            }
            if (front.msg.hwnd && !Lookup(front.msg.hwnd)) {
                PostedItem gone = std::move(front);
                q->posted.pop_front();
                lock.unlock();
                DropPosted(gone);
                lock.lock();
                continue;
            }
            out = front.msg;
            if (remove)
                q->posted.pop_front();
            return Fetch::kMessage;
        }
        if (q->quit) {
            out = Msg{0, kWmQuit, WParam(q->quitCode), 0, MessageTime(), Input().cursor};
            if (remove)
                q->quit = false;
            return Fetch::kQuit;
        }
        SettleInputLocked();
        WindowHandle target = 0;
        if (!Input().raw.empty() && InputTargetLocked(&target) == q) {
            if (!remove) {
                out = Msg{target, kWmNull, 0, 0, MessageTime(), Input().cursor};
                return Fetch::kMessage;
            }
            lock.unlock();
            bool got = RouteInput(out);
            lock.lock();
            if (got)
                return Fetch::kMessage;
            continue;
        }
        if (Window* w = FindPaintableLocked(q)) {
            if (w->m_ncDirty) {
                w->m_ncDirty = false;
                MarkDirtyLocked(w);
                bool hasFrame = w->m_client != Rect{0, 0, w->m_rect.Width(), w->m_rect.Height()};
                if (hasFrame) {
                    WindowHandle h = w->m_handle;
                    lock.unlock();
                    SendMessageTo(h, kWmNcPaint, 1, 0);
                    lock.lock();
                }
                continue;
            }
            out = Msg{w->m_handle, kWmPaint, 0, 0, MessageTime(), Input().cursor};
            return Fetch::kMessage;
        }
        uint64_t now = ClockNow();
        if (Timer* t = DueTimerLocked(q, now)) {
            out = Msg{t->hwnd, kWmTimer, WParam(t->id), 0, uint32_t(now), Input().cursor};
            if (remove)
                t->due = now + t->period;
            return Fetch::kMessage;
        }
        return Fetch::kNothing;
    }
}

} // namespace detail

using detail::System;

// --- Clock ------------------------------------------------------------------------

namespace {
std::atomic<bool> g_manual{false};
std::atomic<uint64_t> g_manualNow{0};
std::atomic<int64_t> g_realOffset{0};
uint64_t g_start = detail::SteadyMs();

uint64_t RealNow()
{
    return uint64_t(int64_t(detail::SteadyMs() - g_start) + g_realOffset.load()) + 1;
}
} // namespace

uint64_t ClockNow()
{
    return g_manual ? g_manualNow.load() : RealNow();
}
bool IsManualClock()
{
    return g_manual;
}

void UseManualClock(bool manual)
{
    if (manual == g_manual)
        return;
    if (manual) {
        g_manualNow = RealNow();
        g_manual = true;
    } else {
        uint64_t m = g_manualNow;
        g_manual = false;
        g_realOffset += int64_t(m) - int64_t(RealNow());
    }
    System::WakeAll();
}

void AdvanceClock(uint64_t ms)
{
    if (!g_manual)
        return;
    g_manualNow += ms;
    System::WakeAll();
}

// --- Sends and posts ---------------------------------------------------------------

LResult SendMessageTo(WindowHandle handle, uint32_t message, WParam wParam, LParam lParam)
{
    return System::Send(handle, message, wParam, lParam, -1, nullptr);
}

bool SendMessageTimeout(WindowHandle handle, uint32_t message, WParam wParam, LParam lParam,
                        uint32_t timeoutMs, LResult* result)
{
    bool ok = false;
    LResult r = System::Send(handle, message, wParam, lParam, int64_t(timeoutMs), &ok);
    if (result)
        *result = r;
    return ok;
}

bool PostMessageTo(WindowHandle handle, uint32_t message, WParam wParam, LParam lParam, DropHandler dropped)
{
    System::Lock lock;
    Window* w = System::Lookup(handle);
    detail::ThreadQueue* q = w ? System::QueueOf(w) : nullptr;
    if (!q || q->closed) {
        SetLastError(detail::kErrorInvalidWindowHandle);
        return false;
    }
    detail::PostedItem item;
    item.msg = Msg{handle, message, wParam, lParam, MessageTime(), System::Input().cursor};
    item.dropped = dropped;
    q->posted.push_back(std::move(item));
    System::Wake(q);
    return true;
}

ThreadId CurrentThreadId()
{
    return System::CurrentQueue()->id;
}

ThreadId WindowThread(WindowHandle window)
{
    System::Lock lock;
    Window* w = System::Lookup(window);
    return w && System::QueueOf(w) ? System::QueueOf(w)->id : 0;
}

bool InvokeOnThread(ThreadId thread, const std::function<void()>& task)
{
    detail::ThreadQueue* me = System::CurrentQueue();
    System::Lock lock;
    detail::ThreadQueue* target = System::QueueById(thread);
    if (!target || target->closed)
        return false;
    if (target == me) {
        lock.unlock();
        task();
        return true;
    }
    auto item = std::make_shared<detail::SentItem>();
    item->task = task;
    item->sender = me;
    target->incoming.push_back(item);
    System::Wake(target);
    ++me->sending;
    while (!item->done) {
        if (System::HandleOneIncoming(me, lock))
            continue;
        System::WaitOn(me, lock, 0);
    }
    --me->sending;
    return item->result == 1;
}

bool InvokeOnWindowThread(WindowHandle window, const std::function<void()>& task)
{
    ThreadId t = WindowThread(window);
    return t != 0 && InvokeOnThread(t, task);
}

bool PostTask(ThreadId thread, std::function<void()> task)
{
    System::Lock lock;
    detail::ThreadQueue* target = System::QueueById(thread);
    if (!target || target->closed)
        return false;
    detail::PostedItem item;
    item.msg = Msg{0, kWmRunTask, 0, 0, MessageTime(), System::Input().cursor};
    item.task = std::move(task);
    target->posted.push_back(std::move(item));
    System::Wake(target);
    return true;
}

// --- Timers -------------------------------------------------------------------------

bool SetWindowTimer(WindowHandle window, uintptr_t id, uint32_t periodMs)
{
    System::Lock lock;
    Window* w = System::Lookup(window);
    if (!w || !System::QueueOf(w))
        return false;
    static uint64_t seq = 0;
    uint32_t period = std::max<uint32_t>(periodMs, 10);
    auto& timers = System::QueueOf(w)->timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const detail::Timer& t) { return t.hwnd == window && t.id == id; });
    detail::Timer t{window, id, period, ClockNow() + period, ++seq};
    if (it != timers.end())
        *it = t;
    else
        timers.push_back(t);
    System::Wake(System::QueueOf(w));
    return true;
}

bool KillWindowTimer(WindowHandle window, uintptr_t id)
{
    System::Lock lock;
    Window* w = System::Lookup(window);
    if (!w || !System::QueueOf(w))
        return false;
    auto& timers = System::QueueOf(w)->timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const detail::Timer& t) { return t.hwnd == window && t.id == id; });
    if (it == timers.end())
        return false;
    timers.erase(it);
    return true;
}

uint64_t NextTimerDue()
{
    System::Lock lock;
    uint64_t next = 0;
    for (auto& q : System::Queues()) {
        if (q->closed)
            continue;
        uint64_t d = System::NextDueLocked(q.get());
        if (d && (next == 0 || d < next))
            next = d;
    }
    return next;
}

// --- Loops ------------------------------------------------------------------------------

bool WaitMessage(uint64_t deadline)
{
    detail::ThreadQueue* q = System::CurrentQueue();
    System::Lock lock;
    ++q->readers;
    bool ok = true;
    while (!System::HasWorkLocked(q)) {
        uint64_t now = ClockNow();
        if (deadline && now >= deadline) {
            ok = false;
            break;
        }
        uint64_t realDeadline = 0;
        if (!IsManualClock()) {
            uint64_t next = System::NextDueLocked(q);
            if (deadline && (next == 0 || deadline < next))
                next = deadline;
            if (next)
                realDeadline = detail::SteadyMs() + (next > now ? next - now : 0) + 1;
        }
        q->waiting = true;
        System::NotifyIdleWatchers();
        System::WaitOn(q, lock, realDeadline);
        q->waiting = false;
    }
    --q->readers;
    return ok;
}

bool GetMessage(Msg& msg)
{
    for (;;) {
        switch (System::FetchNext(msg, true)) {
        case System::Fetch::kMessage:
            return true;
        case System::Fetch::kQuit:
            return false;
        case System::Fetch::kNothing:
            WaitMessage(0);
            break;
        }
    }
}

bool PeekMessage(Msg& msg, bool remove)
{
    switch (System::FetchNext(msg, remove)) {
    case System::Fetch::kMessage:
        return true;
    case System::Fetch::kQuit:
        return true;
    case System::Fetch::kNothing:
        return false;
    }
    return false;
}

void PostQuitMessage(int code)
{
    detail::ThreadQueue* q = System::CurrentQueue();
    System::Lock lock;
    q->quit = true;
    q->quitCode = code;
    System::Wake(q);
}

bool PreTranslate(Msg& msg, WindowHandle stopAt)
{
    if (msg.hwnd == 0 || msg.message == kWmPaint || msg.message == kWmTimer)
        return false;
    for (Window* w = Window::FromHandle(msg.hwnd); w;) {
        WindowHandle h = w->Handle();
        if (w->PreTranslateMessage(msg))
            return true;
        if (!IsWindowHandle(h))
            return true; // destroyed while looking: nothing left to deliver to
        if (h == stopAt || !(w->Style() & kWsChild))
            break;
        w = w->Parent();
    }
    return false;
}

int RunMessageLoop()
{
    Msg msg;
    while (GetMessage(msg)) {
        if (!PreTranslate(msg)) {
            TranslateMessage(msg);
            DispatchMessage(msg);
        }
    }
    return int(msg.wParam);
}

bool PumpMessages()
{
    Msg msg;
    while (PeekMessage(msg, true)) {
        if (msg.message == kWmQuit && msg.hwnd == 0) {
            PostQuitMessage(int(msg.wParam));
            return false;
        }
        if (!PreTranslate(msg)) {
            TranslateMessage(msg);
            DispatchMessage(msg);
        }
    }
    return true;
}

bool PumpUntil(const std::function<bool()>& done, uint64_t deadline)
{
    while (!done()) {
        Msg msg;
        if (PeekMessage(msg, true)) {
            if (msg.message == kWmQuit && msg.hwnd == 0) {
                PostQuitMessage(int(msg.wParam));
                return false;
            }
            if (!PreTranslate(msg)) {
                TranslateMessage(msg);
                DispatchMessage(msg);
            }
            continue;
        }
        if (!WaitMessage(deadline))
            return done();
    }
    return true;
}

LResult DispatchMessage(const Msg& msg)
{
    if (msg.hwnd == 0)
        return 0;
    Window* w = Window::FromHandle(msg.hwnd);
    if (!w || !System::OnOwnerThread(w))
        return 0;
    if (msg.message == kWmPaint) {
        gfx::Region before = w->InvalidRegion();
        LResult r = System::Dispatch(w, msg.message, msg.wParam, msg.lParam);
        // A handler that neither painted nor asked for the default would be
        // asked again forever; what it left as it was counts as painted.
        if (IsWindowHandle(msg.hwnd) && w->NeedsPaint() && w->InvalidRegion() == before)
            w->Validate();
        return r;
    }
    if (msg.message == kWmTimer) {
        // A timer killed after it was handed out is not delivered.
        System::Lock lock;
        if (!System::TimerLiveLocked(System::QueueOf(w), msg.hwnd, msg.wParam))
            return 0;
    }
    return System::Dispatch(w, msg.message, msg.wParam, msg.lParam);
}

void TranslateMessage(const Msg& msg)
{
    if (msg.message != kWmKeyDown && msg.message != kWmSysKeyDown)
        return;
    uint32_t vk = uint32_t(msg.wParam);
    bool shift = IsKeyDown(kVkShift), ctrl = IsKeyDown(kVkControl);
    char16_t ch = 0;
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl)
            ch = char16_t(vk - 'A' + 1);
        else
            ch = shift ? char16_t(vk) : char16_t(vk - 'A' + 'a');
    } else if (vk >= '0' && vk <= '9' && !ctrl) {
        static const char16_t shifted[] = u")!@#$%^&*(";
        ch = shift ? shifted[vk - '0'] : char16_t(vk);
    } else if (vk == kVkSpace) {
        ch = u' ';
    } else if (vk == kVkReturn) {
        ch = ctrl ? u'\n' : u'\r';
    } else if (vk == kVkEscape) {
        ch = 0x1B;
    } else if (vk == kVkBack) {
        ch = ctrl ? 0x7F : 0x08;
    } else if (vk == kVkTab && !ctrl) {
        ch = u'\t';
    }
    if (ch)
        PostMessageTo(msg.hwnd, msg.message == kWmSysKeyDown ? kWmSysChar : kWmChar, ch, msg.lParam);
}

// --- Idle ---------------------------------------------------------------------------------

namespace {

bool IdleLocked(detail::ThreadQueue* self)
{
    System::SettleInputLocked();
    if (!System::Input().raw.empty())
        return false;
    for (auto& q : System::Queues()) {
        if (q->closed)
            continue;
        if (q.get() == self) {
            if (System::HasWorkLocked(q.get()))
                return false;
            continue;
        }
        if (!q->posted.empty() || !q->incoming.empty())
            return false;
        if (q->readers == 0) {
            if (q->windows > 0 || q->sending > 0 || q->loop)
                return false; // a UI thread running code, or between loops
            continue;         // a worker that never reads messages
        }
        if (!q->waiting || System::HasWorkLocked(q.get()))
            return false;
    }
    return true;
}

} // namespace

std::string DescribeQueues()
{
    System::Lock lock;
    std::string out;
    char line[200];
    std::snprintf(line, sizeof line, "raw input %zu, focus %zx, active %zx, capture %zx\n",
                  System::Input().raw.size(), size_t(System::Input().focus), size_t(System::Input().active),
                  size_t(System::Input().capture));
    out += line;
    for (auto& q : System::Queues()) {
        std::snprintf(
            line, sizeof line,
            "thread %llu: %s%s readers %d windows %d sending %d sent %zu posted %zu timers %zu dirty %d "
            "quit %d work %d\n",
            (unsigned long long)q->id, q->closed ? "closed " : "", q->waiting ? "waiting" : "busy",
            q->readers, q->windows, q->sending, q->incoming.size(), q->posted.size(), q->timers.size(),
            q->dirty, q->quit ? 1 : 0, q->closed ? 0 : int(System::HasWorkLocked(q.get())));
        out += line;
    }
    return out;
}

bool IsIdle()
{
    System::Lock lock;
    return IdleLocked(System::ExistingCurrentQueue());
}

bool WaitUntilIdle(uint32_t timeoutMs)
{
    uint64_t deadline = detail::SteadyMs() + timeoutMs;
    detail::ThreadQueue* self = System::ExistingCurrentQueue();
    bool pumpSelf = false;
    for (;;) {
        if (self) {
            System::Lock lock;
            pumpSelf = self->windows > 0 || !self->posted.empty() || !self->incoming.empty();
        }
        if (pumpSelf)
            PumpMessages();
        System::Lock lock;
        if (IdleLocked(self))
            return true;
        uint64_t now = detail::SteadyMs();
        if (now >= deadline)
            return false;
        uint64_t step = pumpSelf ? 2 : std::min<uint64_t>(deadline - now, 50);
        detail::S().idle.wait_for(lock, std::chrono::milliseconds(step));
    }
}

} // namespace vel::gui
