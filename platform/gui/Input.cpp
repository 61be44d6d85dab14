// Input routing: raw events in one queue, handed to the thread of the window
// they reach when that thread reads its messages; focus, activation,
// capture, mouse-leave tracking and the cursor.

#include "Input.h"

#include "Backend.h"
#include "Clock.h"
#include "Cursor.h"
#include "System.h"

#include <algorithm>
#include <cstdlib>

namespace vel::gui {

using detail::System;
using Lock = System::Lock;

namespace {

bool IsPointer(InputEvent::Kind k)
{
    return k == InputEvent::Kind::kMove || k == InputEvent::Kind::kButtonDown ||
           k == InputEvent::Kind::kButtonUp || k == InputEvent::Kind::kWheel;
}

uint32_t ButtonVk(MouseButton b)
{
    switch (b) {
    case MouseButton::kLeft:
        return kVkLButton;
    case MouseButton::kRight:
        return kVkRButton;
    case MouseButton::kMiddle:
        return kVkMButton;
    }
    return kVkLButton;
}

uint32_t DownMessage(MouseButton b, bool nc)
{
    switch (b) {
    case MouseButton::kLeft:
        return nc ? kWmNcLButtonDown : kWmLButtonDown;
    case MouseButton::kRight:
        return nc ? kWmNcRButtonDown : kWmRButtonDown;
    case MouseButton::kMiddle:
        return nc ? kWmNcLButtonDown + 6 : kWmMButtonDown;
    }
    return kWmLButtonDown;
}

// Down, up and double-click follow each other in both number ranges.
uint32_t UpMessage(MouseButton b, bool nc)
{
    return DownMessage(b, nc) + 1;
}
uint32_t DblClkMessage(MouseButton b, bool nc)
{
    return DownMessage(b, nc) + 2;
}

void ApplyKeyState(detail::InputState& in, const InputEvent& ev)
{
    using K = InputEvent::Kind;
    auto down = [&](uint32_t vk) {
        uint8_t& k = in.keys[vk & 0xFF];
        if (!(k & 0x80))
            k ^= 1;
        k |= 0x80;
    };
    auto up = [&](uint32_t vk) { in.keys[vk & 0xFF] &= uint8_t(~0x80); };
    switch (ev.kind) {
    case K::kKeyDown:
        down(ev.vk);
        break;
    case K::kKeyUp:
        up(ev.vk);
        break;
    case K::kButtonDown:
        down(ButtonVk(ev.button));
        break;
    case K::kButtonUp:
        up(ButtonVk(ev.button));
        break;
    default:
        break;
    }
    if (IsPointer(ev.kind))
        in.cursor = ev.pt;
}

bool ContainsLocked(Window* w, Point screen)
{
    Rect wr = w->WindowRect();
    if (!wr.Contains(screen.x, screen.y))
        return false;
    Point local{screen.x - wr.left, screen.y - wr.top};
    if (auto rg = w->Region(); rg && !rg->Contains(local.x, local.y))
        return false;
    return true;
}

} // namespace

// --- Routing -------------------------------------------------------------------------------

WindowHandle detail::System::WindowFromPointLocked(Point pt, const std::vector<WindowHandle>* skip)
{
    auto skipped = [&](const Window* w) {
        return skip && std::find(skip->begin(), skip->end(), w->m_handle) != skip->end();
    };
    for (Window* t : TopLevels()) {
        if (!(t->m_style & kWsVisible) || (t->m_style & kWsMinimize) || (t->m_exStyle & kWsExTransparent) ||
            skipped(t) || !ContainsLocked(t, pt))
            continue;
        if (t->m_perPixel && t->m_surface) {
            // Fully transparent pixels of a per-pixel layered window let the pointer through.
            Point o = WindowOriginOnScreenLocked(t);
            std::unique_lock<std::recursive_mutex> g(t->m_surface->mu, std::try_to_lock);
            const gfx::Bitmap& b = t->m_surface->bitmap;
            int x = pt.x - o.x, y = pt.y - o.y;
            if (g.owns_lock() && x >= 0 && y >= 0 && x < b.Width() && y < b.Height() &&
                (b.Pixel(x, y) >> 24) == 0)
                continue;
        }
        Window* w = t;
        for (;;) {
            if (w->m_style & kWsDisabled)
                break;
            Point co = ClientOriginOnScreenLocked(w);
            Rect client = w->m_client.Offset(co.x - w->m_client.left, co.y - w->m_client.top);
            if (!client.Contains(pt.x, pt.y))
                break;
            Window* next = nullptr;
            for (Window* c : w->m_children) {
                if (!(c->m_style & kWsVisible) || (c->m_exStyle & kWsExTransparent) || skipped(c) ||
                    !ContainsLocked(c, pt))
                    continue;
                next = c;
                break;
            }
            if (!next || (next->m_style & kWsDisabled))
                break;
            w = next;
        }
        return w->m_handle;
    }
    return 0;
}

detail::ThreadQueue* detail::System::InputTargetLocked(WindowHandle* target)
{
    auto& in = Input();
    if (in.raw.empty())
        return nullptr;
    const InputEvent& ev = in.raw.front().first;
    WindowHandle h;
    if (IsPointer(ev.kind))
        h = in.capture ? in.capture : WindowFromPointLocked(ev.pt);
    else
        h = in.focus ? in.focus : in.active;
    Window* w = Lookup(h);
    if (!w || !w->m_queue || w->m_queue->closed)
        return nullptr;
    *target = h;
    return w->m_queue;
}

void detail::System::SettleInputLocked()
{
    auto& in = Input();
    while (!in.raw.empty()) {
        WindowHandle h = 0;
        ThreadQueue* q = InputTargetLocked(&h);
        if (q) {
            Wake(q);
            return;
        }
        // Nobody takes it: the state still follows it.
        InputEvent ev = in.raw.front().first;
        in.raw.pop_front();
        ApplyKeyState(in, ev);
        if (IsPointer(ev.kind))
            UpdateHoverLocked(0, false);
    }
}

void detail::System::UpdateHoverLocked(WindowHandle now, bool nonClient)
{
    auto& in = Input();
    if (in.hover == now && in.hoverNonClient == nonClient)
        return;
    if (Window* old = Lookup(in.hover)) {
        if (!in.hoverNonClient && old->m_trackLeave) {
            old->m_trackLeave = false;
            PostMessageTo(in.hover, kWmMouseLeave);
        }
        if (in.hoverNonClient && old->m_trackNcLeave) {
            old->m_trackNcLeave = false;
            PostMessageTo(in.hover, kWmNcMouseLeave);
        }
    }
    in.hover = now;
    in.hoverNonClient = nonClient;
}

uint32_t detail::System::KeyFlagsLocked()
{
    auto& k = Input().keys;
    uint32_t f = 0;
    if (k[kVkLButton] & 0x80)
        f |= kMkLButton;
    if (k[kVkRButton] & 0x80)
        f |= kMkRButton;
    if (k[kVkMButton] & 0x80)
        f |= kMkMButton;
    if (k[kVkShift] & 0x80)
        f |= kMkShift;
    if (k[kVkControl] & 0x80)
        f |= kMkControl;
    return f;
}

bool detail::System::RouteInput(Msg& out)
{
    using K = InputEvent::Kind;
    Lock lock;
    ThreadQueue* me = ExistingCurrentQueue();
    WindowHandle target = 0;
    auto& in = Input();
    if (in.raw.empty() || InputTargetLocked(&target) != me)
        return false;
    auto [ev, time] = in.raw.front();
    in.raw.pop_front();
    const bool wasDown = (in.keys[ev.vk & 0xFF] & 0x80) != 0;
    ApplyKeyState(in, ev);
    SettleInputLocked(); // wake whoever takes the next event
    out = Msg{};
    out.time = time;
    out.pt = in.cursor;

    if (!IsPointer(ev.kind)) {
        const bool alt = (in.keys[kVkMenu] & 0x80) != 0;
        out.hwnd = target;
        if (ev.kind == K::kChar) {
            out.message = kWmChar;
            out.wParam = ev.ch;
            out.lParam = 1;
        } else if (ev.kind == K::kKeyDown) {
            out.message = (alt || ev.vk == kVkF10 || ev.vk == kVkMenu) ? kWmSysKeyDown : kWmKeyDown;
            out.wParam = ev.vk;
            out.lParam = LParam(1u | (alt ? 1u << 29 : 0u) | (wasDown ? 1u << 30 : 0u));
        } else {
            out.message = (alt || ev.vk == kVkF10 || ev.vk == kVkMenu) ? kWmSysKeyUp : kWmKeyUp;
            out.wParam = ev.vk;
            out.lParam = LParam(1u | (alt ? 1u << 29 : 0u) | 3u << 30);
        }
        return true;
    }

    const bool captured = in.capture != 0;
    WindowHandle h = target;
    lock.unlock();
    int hit = kHtClient;
    if (!captured) {
        std::vector<WindowHandle> skip;
        for (;;) {
            hit = int(SendMessageTo(h, kWmNcHitTest, 0, PackPoint(ev.pt)));
            if (hit != kHtTransparent || skip.size() >= 8)
                break;
            skip.push_back(h);
            lock.lock();
            h = WindowFromPointLocked(ev.pt, &skip);
            Window* w = Lookup(h);
            bool mine = w && w->m_queue == me;
            lock.unlock();
            if (!mine) {
                h = 0;
                break;
            }
        }
        if (h == 0 || hit == kHtNowhere || hit == kHtTransparent) {
            Lock again;
            UpdateHoverLocked(0, false);
            return false;
        }
    }
    const bool nc = hit != kHtClient;
    lock.lock();
    UpdateHoverLocked(h, nc);
    const uint32_t mk = KeyFlagsLocked();
    Window* w = Lookup(h);
    if (!w)
        return false;
    const Point co = ClientOriginOnScreenLocked(w);
    const Point client{ev.pt.x - co.x, ev.pt.y - co.y};
    const uint32_t classStyle = w->m_classStyle;
    lock.unlock();

    if (!captured) {
        // A window disabled under a modal one takes no pointer input; a
        // press brings the modal window forward instead.
        Window* top = w->TopLevel();
        if (!top->IsEnabled()) {
            if (ev.kind == K::kButtonDown) {
                Window* popup = nullptr;
                {
                    Lock l2;
                    for (Window* t : TopLevels())
                        if (t->m_owner == top && (t->m_style & kWsVisible) && !(t->m_style & kWsDisabled)) {
                            popup = t;
                            break;
                        }
                }
                if (popup)
                    ActivateImpl(popup, kWaActive);
            }
            Lock l2;
            UpdateHoverLocked(0, false);
            return false;
        }
    }
    out.hwnd = h;
    auto fill = [&](uint32_t message) {
        out.message = message;
        if (nc) {
            out.wParam = WParam(hit);
            out.lParam = PackPoint(ev.pt);
        } else {
            out.wParam = mk;
            out.lParam = PackPoint(client);
        }
    };
    switch (ev.kind) {
    case K::kMove:
        if (!captured)
            SendMessageTo(h, kWmSetCursor, h, MakeLParam(hit, kWmMouseMove));
        fill(nc ? kWmNcMouseMove : kWmMouseMove);
        return IsWindowHandle(h);
    case K::kButtonDown: {
        const uint32_t down = DownMessage(ev.button, nc);
        if (!captured) {
            Window* top = w->TopLevel();
            if (GetActiveWindow() != top->Handle() && !(top->ExStyle() & kWsExNoActivate)) {
                int ma = int(SendMessageTo(h, kWmMouseActivate, top->Handle(), MakeLParam(hit, down)));
                if (ma == kMaActivate || ma == kMaActivateAndEat)
                    ActivateImpl(top, kWaClickActive);
                if (ma == kMaActivateAndEat || ma == kMaNoActivateAndEat || !IsWindowHandle(h))
                    return false;
            }
            SendMessageTo(h, kWmSetCursor, h, MakeLParam(hit, down));
        }
        uint32_t message = down;
        {
            Lock l2;
            auto& click = Input().lastClick;
            Size dbl = DoubleClickSize();
            bool wantsDbl = nc || (classStyle & kCsDblClks);
            if (wantsDbl && click.hwnd == h && click.message == down &&
                time - click.time <= DoubleClickTime() && std::abs(ev.pt.x - click.pt.x) <= dbl.cx / 2 &&
                std::abs(ev.pt.y - click.pt.y) <= dbl.cy / 2) {
                message = DblClkMessage(ev.button, nc);
                click = {};
            } else {
                click = {h, down, time, ev.pt};
            }
        }
        fill(message);
        return IsWindowHandle(h);
    }
    case K::kButtonUp:
        fill(UpMessage(ev.button, nc));
        return true;
    case K::kWheel:
        out.message = kWmMouseWheel;
        out.wParam = MakeWParam(int(mk), ev.wheelDelta);
        out.lParam = PackPoint(ev.pt);
        return true;
    default:
        return false;
    }
}

// --- Focus, activation, capture --------------------------------------------------------------

void detail::System::ActivateImpl(Window* top, int how)
{
    WindowHandle old, now = top ? top->m_handle : 0;
    Window* oldW;
    {
        Lock lock;
        auto& in = Input();
        if (top && !Lookup(now))
            return;
        old = in.active;
        if (top)
            InsertTopLevelLocked(top, kInsertTop);
        if (old == now)
            return;
        oldW = Lookup(old);
        if (oldW) {
            Window* f = Lookup(in.focus);
            if (f && oldW->IsAncestorOf(f))
                oldW->m_lastFocus = in.focus;
        }
        in.active = now;
        if (top)
            BackendRef().OnTopLevelChanged(now);
    }
    if (oldW) {
        SendMessageTo(old, kWmNcActivate, 0, 0);
        SendMessageTo(old, kWmActivate, MakeWParam(kWaInactive, oldW->IsMinimized() ? 1 : 0), LParam(now));
    }
    if (top && IsWindowHandle(now)) {
        SendMessageTo(now, kWmNcActivate, 1, 0);
        SendMessageTo(now, kWmActivate, MakeWParam(how, top->IsMinimized() ? 1 : 0), LParam(old));
    }
    if (!top) {
        bool focusInOld;
        {
            Lock lock;
            Window* f = Lookup(Input().focus);
            focusInOld = f && oldW && oldW->IsAncestorOf(f);
        }
        if (focusInOld)
            SetFocusImpl(nullptr);
    }
}

void detail::System::SetFocusImpl(Window* w)
{
    if (w) {
        if (!w->IsWindow())
            return;
        Window* top = w->TopLevel();
        if (GetActiveWindow() != top->Handle() && !(top->ExStyle() & kWsExNoActivate))
            ActivateImpl(top, kWaActive);
        if (!w->IsWindow())
            return;
    }
    WindowHandle old, now = w ? w->m_handle : 0;
    {
        Lock lock;
        old = Input().focus;
        if (old == now)
            return;
        Input().focus = now;
    }
    if (old && IsWindowHandle(old))
        SendMessageTo(old, kWmKillFocus, now, 0);
    if (now && GetFocusWindow() == now)
        SendMessageTo(now, kWmSetFocus, old, 0);
}

void detail::System::SetCaptureImpl(Window* w)
{
    WindowHandle old;
    {
        Lock lock;
        old = Input().capture;
        Input().capture = w->m_handle;
        UpdateHoverLocked(w->m_handle, false);
    }
    if (old && old != w->m_handle)
        SendMessageTo(old, kWmCaptureChanged, 0, LParam(w->m_handle));
}

void detail::System::ReleaseCaptureImpl()
{
    WindowHandle old;
    Point at;
    {
        Lock lock;
        old = Input().capture;
        Input().capture = 0;
        at = Input().cursor;
    }
    if (!old)
        return;
    SendMessageTo(old, kWmCaptureChanged, 0, 0);
    // The pointer may now be over another window: let a move tell.
    InputEvent ev;
    ev.kind = InputEvent::Kind::kMove;
    ev.pt = at;
    InjectInput(ev);
}

void detail::System::ForgetWindowLocked(Window* w)
{
    auto& in = Input();
    WindowHandle h = w->m_handle;
    if (in.focus == h)
        in.focus = 0;
    if (in.active == h)
        in.active = 0;
    if (in.capture == h)
        in.capture = 0;
    if (in.hover == h)
        in.hover = 0;
    if (in.lastClick.hwnd == h)
        in.lastClick = {};
}

// --- Public functions ----------------------------------------------------------------------------

void InjectInput(const InputEvent& event)
{
    Lock lock;
    System::Input().raw.emplace_back(event, MessageTime());
    System::SettleInputLocked();
    System::NotifyIdleWatchers();
}

size_t PendingInputCount()
{
    Lock lock;
    return System::Input().raw.size();
}

int16_t GetKeyState(uint32_t vk)
{
    Lock lock;
    uint8_t k = System::Input().keys[vk & 0xFF];
    return int16_t(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}

bool IsKeyDown(uint32_t vk)
{
    return (GetKeyState(vk) & 0x8000) != 0;
}

Point CursorPos()
{
    Lock lock;
    return System::Input().cursor;
}

WindowHandle GetFocusWindow()
{
    Lock lock;
    return System::Input().focus;
}

WindowHandle GetActiveWindow()
{
    Lock lock;
    return System::Input().active;
}

WindowHandle GetCaptureWindow()
{
    Lock lock;
    return System::Input().capture;
}

void SetFocusWindow(WindowHandle window)
{
    if (window == 0) {
        System::SetFocusImpl(nullptr);
        return;
    }
    Window* w = Window::FromHandle(window);
    if (!w)
        return;
    System::RunOnOwner(w, [w, window] {
        if (IsWindowHandle(window))
            System::SetFocusImpl(w);
    });
}

bool SetActiveWindow(WindowHandle window)
{
    Window* w = Window::FromHandle(window);
    if (!w || w->IsChild())
        return false;
    return System::RunOnOwner(w, [w, window] {
        if (IsWindowHandle(window))
            System::ActivateImpl(w, kWaActive);
    });
}

bool ReleaseCapture()
{
    System::ReleaseCaptureImpl();
    return true;
}

uint32_t DoubleClickTime()
{
    return 500;
}
Size DoubleClickSize()
{
    return {4, 4};
}
uint32_t HoverTime()
{
    return 400;
}

// --- Cursors -----------------------------------------------------------------------------------------

CursorRef Cursor::System(SystemCursor kind)
{
    static CursorRef all[int(SystemCursor::kAppStarting) + 1];
    static std::once_flag once;
    std::call_once(once, [] {
        for (int i = 0; i <= int(SystemCursor::kAppStarting); ++i)
            all[i] = std::make_shared<Cursor>(SystemCursor(i), nullptr);
    });
    return all[int(kind)];
}

CursorRef Cursor::FromIcon(gfx::Icon icon)
{
    return std::make_shared<Cursor>(SystemCursor::kArrow, std::make_shared<gfx::Icon>(std::move(icon)));
}

CursorRef CurrentCursor()
{
    Lock lock;
    CursorRef c = System::Input().cursorShape;
    return c ? c : Cursor::System(SystemCursor::kArrow);
}

CursorRef SetCursor(CursorRef cursor)
{
    Lock lock;
    CursorRef prev = System::Input().cursorShape;
    if (!prev)
        prev = Cursor::System(SystemCursor::kArrow);
    System::Input().cursorShape = cursor;
    if (cursor != prev)
        System::BackendRef().OnCursorChanged(cursor ? cursor : Cursor::System(SystemCursor::kArrow));
    return prev;
}

} // namespace vel::gui
