// Windows: creation and destruction, the tree, geometry, state, and the
// dispatch from messages to typed handlers.

#include "Window.h"

#include "Backend.h"
#include "Clock.h"
#include "Cursor.h"
#include "Menu.h"
#include "Paint.h"
#include "Screen.h"
#include "System.h"
#include "SystemLook.h"
#include "platform/base/LastError.h"

#include <algorithm>
#include <cassert>
#include <set>
#include <sstream>

namespace vel::gui {

using detail::System;
using Lock = System::Lock;

namespace {

constexpr uint32_t kFrameStyles = kWsCaption | kWsThickFrame | kWsVScroll | kWsHScroll | kWsSysMenu;
constexpr uint32_t kFrameExStyles = kWsExClientEdge | kWsExStaticEdge | kWsExDlgModalFrame | kWsExToolWindow;

// A window's pixels are kept in memory: a size from outside (a skin file, a
// template) must not ask for gigabytes.
constexpr int kMaxWindowSide = 8192;

Rect Normalised(const Rect& r)
{
    int w = std::clamp(r.right - r.left, 0, kMaxWindowSide),
        h = std::clamp(r.bottom - r.top, 0, kMaxWindowSide);
    return Rect::FromXYWH(r.left, r.top, w, h);
}

} // namespace

Window::Window() = default;

Window::~Window()
{
    if (m_handle)
        Destroy();
}

// --- Creation -------------------------------------------------------------------------

bool Window::CreateChild(Window& parent, const Rect& rect, uint32_t style, int id, std::u16string_view text,
                         uint32_t exStyle)
{
    return Create(&parent, rect, style | kWsChild, exStyle, id, text);
}

bool Window::Create(Window* parent, const Rect& rect, uint32_t style, uint32_t exStyle, int id,
                    std::u16string_view text, void* param)
{
    if (m_handle)
        return false;
    if ((style & kWsChild) && (!parent || !parent->IsWindow())) {
        SetLastError(1406); // a child needs a parent
        return false;
    }
    detail::ThreadQueue* q = System::CurrentQueue();
    const uint32_t showStyles = style & (kWsVisible | kWsMaximize | kWsMinimize);
    {
        Lock lock;
        m_handle = System::NewHandle();
        m_queue = q;
        ++q->windows;
        m_style = style & ~(kWsVisible | kWsMaximize | kWsMinimize);
        m_exStyle = exStyle;
        m_id = id;
        m_text = std::u16string(text);
        m_rect = Normalised(rect);
        m_restore = m_rect;
        m_client = {0, 0, m_rect.Width(), m_rect.Height()};
        m_destroying = false;
        if (style & kWsChild) {
            m_parent = parent;
            parent->m_children.push_back(this); // new children go to the bottom: z-order is creation order
        } else {
            m_owner = parent ? parent->TopLevel() : nullptr;
            System::InsertTopLevelLocked(this, kInsertTop);
        }
        System::Windows()[m_handle] = this;
        if (m_exStyle & kWsExLayered)
            m_alpha = 255;
        VEL_GUI_CHECK_TREE();
    }
    CreateStruct cs{param, parent, m_rect, style, exStyle, id, text};
    if (!Send(kWmNcCreate, 0, LParam(&cs)) || !IsWindow()) {
        Destroy();
        return false;
    }
    System::RecalcClient(this);
    {
        Lock lock;
        System::EnsureSurfaceLocked(this);
        m_invalid = gfx::Region(Rect{0, 0, m_client.Width(), m_client.Height()});
        m_erase = true;
        m_ncDirty = true;
        System::MarkDirtyLocked(this);
    }
    if (Send(kWmCreate, 0, LParam(&cs)) == -1 || !IsWindow()) {
        Destroy();
        return false;
    }
    // The first size and place, as every window learns them before it shows.
    WindowPos pos{
        m_handle, 0, m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), kSwpNoZOrder | kSwpNoActivate};
    Send(kWmWindowPosChanged, 0, LParam(&pos));
    if (!IsWindow())
        return false;
    if (showStyles & kWsMaximize)
        Show(kSwMaximize);
    else if (showStyles & kWsMinimize)
        Show(kSwMinimize);
    else if (showStyles & kWsVisible)
        Show(kSwShow);
    System::TopLevelChanged(this);
    return IsWindow();
}

bool Window::Destroy()
{
    {
        Lock lock;
        if (!m_handle || !System::Lookup(m_handle))
            return false;
    }
    if (!System::OnOwnerThread(this)) {
        bool ok = false;
        WindowHandle h = m_handle;
        detail::ThreadQueue* owner = System::QueueOf(this);
        bool ownerGone;
        {
            Lock lock;
            ownerGone = owner->closed;
        }
        if (ownerGone)
            return System::DestroyWindow(this);
        InvokeOnWindowThread(h, [&] { ok = System::DestroyWindow(this); });
        return ok;
    }
    return System::DestroyWindow(this);
}

bool detail::System::DestroyWindow(Window* w)
{
    if (w->m_destroying || !w->m_handle)
        return w->m_destroying;
    w->m_destroying = true;
    const WindowHandle h = w->m_handle;

    // Owned pop-ups go first, as they would with their owner.
    std::vector<Window*> owned;
    {
        Lock lock;
        for (Window* t : TopLevels())
            if (t->m_owner == w)
                owned.push_back(t);
    }
    for (Window* o : owned)
        DestroyWindow(o);

    // Hand activation, focus and capture on before the window goes.
    bool wasActive, focusInside, captureInside;
    {
        Lock lock;
        auto& in = Input();
        Window* f = Lookup(in.focus);
        Window* c = Lookup(in.capture);
        wasActive = in.active == h;
        focusInside = f && w->IsAncestorOf(f);
        captureInside = c && w->IsAncestorOf(c);
    }
    if (captureInside)
        ReleaseCaptureImpl();
    if (wasActive) {
        Window* next = nullptr;
        {
            Lock lock;
            Window* owner = w->m_owner;
            if (owner && owner->m_handle && (owner->m_style & kWsVisible) && !(owner->m_style & kWsDisabled))
                next = owner;
            else
                next = FirstVisibleTopLevelLocked(w);
        }
        ActivateImpl(next, kWaActive);
    }
    {
        Lock lock;
        Window* f = Lookup(Input().focus);
        focusInside = f && w->IsAncestorOf(f);
    }
    if (focusInside)
        SetFocusImpl(nullptr);

    Dispatch(w, kWmDestroy, 0, 0);
    std::vector<Window*> children;
    {
        Lock lock;
        children = w->m_children;
    }
    for (Window* c : children)
        DestroyWindow(c);

    bool wasTopLevel;
    {
        Lock lock;
        wasTopLevel = !w->m_parent;
        if (w->m_parent) {
            auto& sib = w->m_parent->m_children;
            sib.erase(std::remove(sib.begin(), sib.end(), w), sib.end());
        } else {
            auto& tops = TopLevels();
            tops.erase(std::remove(tops.begin(), tops.end(), w), tops.end());
            for (Window* t : tops)
                if (t->m_owner == w)
                    t->m_owner = nullptr;
        }
        Windows().erase(h);
        KillTimersOfLocked(h);
        ForgetWindowLocked(w);
        if (w->m_dirtyCounted) {
            w->m_dirtyCounted = false;
            --w->m_queue->dirty;
        }
        --w->m_queue->windows;
        VEL_GUI_CHECK_TREE();
    }
    if (wasTopLevel)
        BackendRef().OnTopLevelDestroyed(h);
    Dispatch(w, kWmNcDestroy, 0, 0);
    {
        Lock lock;
        w->m_handle = 0;
        w->m_parent = nullptr;
        w->m_owner = nullptr;
        w->m_children.clear();
        w->m_surface.reset();
        w->m_invalid = gfx::Region();
        w->m_observers.clear();
        w->m_trackLeave = w->m_trackNcLeave = false;
        w->m_destroying = false;
        NotifyIdleWatchers();
    }
    if (w->m_dispatchDepth > 0)
        w->m_finalPending = true;
    else
        w->OnFinalMessage(); // may delete w
    return true;
}

bool Window::IsWindow() const
{
    Lock lock;
    return m_handle && System::Lookup(m_handle) == this;
}

Window* Window::FromHandle(WindowHandle handle)
{
    Lock lock;
    return System::Lookup(handle);
}

void Window::SetClassCursor(CursorRef cursor)
{
    m_classCursor = std::move(cursor);
}
CursorRef Window::ClassCursor() const
{
    return m_classCursor;
}

// --- Messages ---------------------------------------------------------------------------

LResult Window::Send(uint32_t message, WParam wParam, LParam lParam)
{
    return m_handle ? SendMessageTo(m_handle, message, wParam, lParam) : 0;
}

bool Window::Post(uint32_t message, WParam wParam, LParam lParam)
{
    return m_handle && PostMessageTo(m_handle, message, wParam, lParam);
}

// --- Tree ----------------------------------------------------------------------------------

Window* Window::Parent() const
{
    Lock lock;
    return m_parent;
}

Window* Window::Owner() const
{
    Lock lock;
    return m_owner;
}

Window* Window::TopLevel() const
{
    Lock lock;
    const Window* w = this;
    while (w->m_parent)
        w = w->m_parent;
    return const_cast<Window*>(w);
}

std::vector<Window*> Window::Children() const
{
    Lock lock;
    return m_children;
}

Window* Window::ChildById(int id) const
{
    Lock lock;
    for (Window* c : m_children)
        if (c->m_id == id)
            return c;
    return nullptr;
}

bool Window::IsAncestorOf(const Window* other) const
{
    Lock lock;
    for (const Window* w = other; w; w = w->m_parent)
        if (w == this)
            return true;
    return false;
}

// --- Styles, text, font ---------------------------------------------------------------------

uint32_t Window::Style() const
{
    Lock lock;
    return m_style;
}

uint32_t Window::ExStyle() const
{
    Lock lock;
    return m_exStyle;
}

namespace {
struct StyleChange
{
    uint32_t oldStyle, newStyle;
};
} // namespace

void Window::ModifyStyle(uint32_t remove, uint32_t add)
{
    if (!IsWindow())
        return;
    if (!System::OnOwnerThread(this)) {
        System::RunOnOwner(this, [&] { ModifyStyle(remove, add); });
        return;
    }
    uint32_t old, now;
    {
        Lock lock;
        old = m_style;
        now = (old & ~remove) | add;
        m_style = now;
    }
    if (old == now)
        return;
    StyleChange sc{old, now};
    Send(kWmStyleChanged, WParam(-16), LParam(&sc));
    if ((old ^ now) & kFrameStyles)
        SetPos(0, 0, 0, 0, 0, kSwpNoMove | kSwpNoSize | kSwpNoZOrder | kSwpNoActivate | kSwpFrameChanged);
    if ((old ^ now) & kWsVisible)
        System::TopLevelChanged(this);
}

void Window::ModifyExStyle(uint32_t remove, uint32_t add)
{
    if (!IsWindow())
        return;
    if (!System::OnOwnerThread(this)) {
        System::RunOnOwner(this, [&] { ModifyExStyle(remove, add); });
        return;
    }
    uint32_t old, now;
    {
        Lock lock;
        old = m_exStyle;
        now = (old & ~remove) | add;
        m_exStyle = now;
        if ((old ^ now) & kWsExTopmost && !m_parent)
            System::InsertTopLevelLocked(this, kInsertTop);
        if (!(now & kWsExLayered)) {
            m_alpha = 255;
            m_perPixel = false;
        }
    }
    if (old == now)
        return;
    StyleChange sc{old, now};
    Send(kWmStyleChanged, WParam(-20), LParam(&sc));
    if ((old ^ now) & kFrameExStyles)
        SetPos(0, 0, 0, 0, 0, kSwpNoMove | kSwpNoSize | kSwpNoZOrder | kSwpNoActivate | kSwpFrameChanged);
    if (((old ^ now) & kWsExLayered) && !(now & kWsExLayered))
        Invalidate();
    System::TopLevelChanged(this);
}

int Window::Id() const
{
    Lock lock;
    return m_id;
}

void Window::SetId(int id)
{
    Lock lock;
    m_id = id;
}

std::u16string Window::Text() const
{
    Lock lock;
    return m_text;
}

void Window::SetText(std::u16string_view text)
{
    std::u16string copy(text);
    Send(kWmSetText, 0, LParam(copy.c_str()));
}

FontRef Window::Font() const
{
    Lock lock;
    return m_font ? m_font : DefaultFont();
}

void Window::SetFont(FontRef font, bool redraw)
{
    Send(kWmSetFont, WParam(&font), redraw ? 1 : 0);
}

// --- Geometry ------------------------------------------------------------------------------

Point detail::System::WindowOriginOnScreenLocked(const Window* w)
{
    Point p{w->m_rect.left, w->m_rect.top};
    if (w->m_parent) {
        Point c = ClientOriginOnScreenLocked(w->m_parent);
        p.x += c.x;
        p.y += c.y;
    }
    return p;
}

Point detail::System::ClientOriginOnScreenLocked(const Window* w)
{
    Point p = WindowOriginOnScreenLocked(w);
    return {p.x + w->m_client.left, p.y + w->m_client.top};
}

Rect Window::WindowRect() const
{
    Lock lock;
    Point o = System::WindowOriginOnScreenLocked(this);
    return Rect::FromXYWH(o.x, o.y, m_rect.Width(), m_rect.Height());
}

Rect Window::RectInParent() const
{
    Lock lock;
    return m_rect;
}

Rect Window::ClientRect() const
{
    Lock lock;
    return {0, 0, m_client.Width(), m_client.Height()};
}

Rect Window::ClientRectInWindow() const
{
    Lock lock;
    return m_client;
}

Point Window::ClientToScreen(Point p) const
{
    Lock lock;
    Point o = System::ClientOriginOnScreenLocked(this);
    return {p.x + o.x, p.y + o.y};
}

Point Window::ScreenToClient(Point p) const
{
    Lock lock;
    Point o = System::ClientOriginOnScreenLocked(this);
    return {p.x - o.x, p.y - o.y};
}

Rect Window::ClientToScreen(const Rect& r) const
{
    Point o = ClientToScreen(Point{0, 0});
    return r.Offset(o.x, o.y);
}

Rect Window::ScreenToClient(const Rect& r) const
{
    Point o = ClientToScreen(Point{0, 0});
    return r.Offset(-o.x, -o.y);
}

void detail::System::RecalcClient(Window* w)
{
    NcCalcSizeParams p;
    {
        Lock lock;
        p.rect[0] = w->m_rect;
    }
    SendMessageTo(w->m_handle, kWmNcCalcSize, 1, LParam(&p));
    Lock lock;
    Rect c = p.rect[0].Offset(-w->m_rect.left, -w->m_rect.top);
    Rect bounds{0, 0, w->m_rect.Width(), w->m_rect.Height()};
    c.left = std::clamp(c.left, 0, bounds.right);
    c.top = std::clamp(c.top, 0, bounds.bottom);
    c.right = std::clamp(c.right, c.left, bounds.right);
    c.bottom = std::clamp(c.bottom, c.top, bounds.bottom);
    w->m_client = c;
}

void detail::System::EnsureSurfaceLocked(Window* w)
{
    int cx = w->m_rect.Width(), cy = w->m_rect.Height();
    if (w->m_surface && w->m_surface->bitmap.Width() == cx && w->m_surface->bitmap.Height() == cy)
        return;
    auto s = std::make_shared<Surface>();
    s->bitmap = gfx::Bitmap(std::max(cx, 0), std::max(cy, 0));
    w->m_surface = std::move(s);
}

void detail::System::InsertTopLevelLocked(Window* w, WindowHandle after)
{
    auto& tops = TopLevels();
    tops.erase(std::remove(tops.begin(), tops.end(), w), tops.end());
    if (after == kInsertTopmost)
        w->m_exStyle |= kWsExTopmost;
    else if (after == kInsertNoTopmost)
        w->m_exStyle &= ~kWsExTopmost;
    const bool topmost = (w->m_exStyle & kWsExTopmost) != 0;
    // The band of the window: topmost windows stand before all others.
    auto bandBegin = tops.begin();
    if (!topmost)
        while (bandBegin != tops.end() && ((*bandBegin)->m_exStyle & kWsExTopmost))
            ++bandBegin;
    auto bandEnd = bandBegin;
    while (bandEnd != tops.end() && (((*bandEnd)->m_exStyle & kWsExTopmost) != 0) == topmost)
        ++bandEnd;
    auto pos = bandBegin;
    if (after == kInsertBottom) {
        pos = bandEnd;
    } else if (after != kInsertTop && after != kInsertTopmost && after != kInsertNoTopmost) {
        Window* a = Lookup(after);
        auto it = std::find(bandBegin, bandEnd, a);
        if (it != bandEnd)
            pos = it + 1;
    }
    tops.insert(pos, w);
    if (after == kInsertTop || after == kInsertTopmost || after == kInsertNoTopmost) {
        // Owned windows stay in front of their owner.
        std::vector<Window*> owned;
        for (Window* t : tops)
            if (t != w && t->m_owner == w && ((t->m_exStyle & kWsExTopmost) != 0) == topmost)
                owned.push_back(t);
        for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
            tops.erase(std::remove(tops.begin(), tops.end(), *it), tops.end());
            auto at = std::find(tops.begin(), tops.end(), w);
            tops.insert(at, *it);
        }
    }
}

Window* detail::System::FirstVisibleTopLevelLocked(const Window* except)
{
    for (Window* t : TopLevels()) {
        if (t == except || (except && except->IsAncestorOf(t)))
            continue;
        bool ownedByExcept = false;
        for (Window* o = t->m_owner; o; o = o->m_owner)
            ownedByExcept = ownedByExcept || o == except;
        if (ownedByExcept)
            continue;
        if ((t->m_style & kWsVisible) && !(t->m_style & (kWsDisabled | kWsMinimize)) &&
            !(t->m_exStyle & (kWsExNoActivate | kWsExToolWindow)))
            return t;
    }
    return nullptr;
}

bool Window::SetPos(WindowHandle insertAfter, int x, int y, int cx, int cy, uint32_t flags)
{
    if (!IsWindow())
        return false;
    if (!System::OnOwnerThread(this)) {
        bool ok = false;
        System::RunOnOwner(this, [&] { ok = SetPos(insertAfter, x, y, cx, cy, flags); });
        return ok;
    }
    WindowPos pos{m_handle, insertAfter, x, y, cx, cy, flags};
    {
        Lock lock;
        if (flags & kSwpNoMove) {
            pos.x = m_rect.left;
            pos.y = m_rect.top;
        }
        if (flags & kSwpNoSize) {
            pos.cx = m_rect.Width();
            pos.cy = m_rect.Height();
        }
    }
    Send(kWmWindowPosChanging, 0, LParam(&pos));
    if (!IsWindow())
        return false;
    pos.cx = std::clamp(pos.cx, 0, kMaxWindowSide);
    pos.cy = std::clamp(pos.cy, 0, kMaxWindowSide);
    bool sized, becameVisible = false;
    Rect oldClient;
    {
        Lock lock;
        Rect old = m_rect;
        Rect now = Rect::FromXYWH(pos.x, pos.y, pos.cx, pos.cy);
        sized = now.Width() != old.Width() || now.Height() != old.Height();
        m_rect = now;
        oldClient = m_client;
        if (!(pos.flags & kSwpNoZOrder)) {
            if (m_parent) {
                auto& sib = m_parent->m_children;
                sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
                auto at = sib.begin();
                if (pos.insertAfter == kInsertBottom) {
                    at = sib.end();
                } else if (Window* a = System::Lookup(pos.insertAfter); a && a->m_parent == m_parent) {
                    at = std::find(sib.begin(), sib.end(), a) + 1;
                }
                sib.insert(at, this);
            } else {
                System::InsertTopLevelLocked(this, pos.insertAfter);
            }
        }
        if ((pos.flags & kSwpShowWindow) && !(m_style & kWsVisible)) {
            m_style |= kWsVisible;
            becameVisible = true;
        }
        if (pos.flags & kSwpHideWindow)
            m_style &= ~kWsVisible;
        VEL_GUI_CHECK_TREE();
    }
    if (sized || (pos.flags & kSwpFrameChanged)) {
        System::RecalcClient(this);
        Lock lock;
        System::EnsureSurfaceLocked(this);
        m_ncDirty = true;
        if (sized || m_client != oldClient) {
            m_invalid = gfx::Region(Rect{0, 0, m_client.Width(), m_client.Height()});
            m_erase = true;
        }
        System::MarkDirtyLocked(this);
    }
    if (becameVisible && !IsChild() && !(pos.flags & kSwpNoActivate) && !(ExStyle() & kWsExNoActivate))
        System::ActivateImpl(this, kWaActive);
    Send(kWmWindowPosChanged, 0, LParam(&pos));
    System::TopLevelChanged(this);
    return true;
}

bool Window::Move(const Rect& r, bool repaint)
{
    return SetPos(0, r.left, r.top, r.Width(), r.Height(),
                  kSwpNoZOrder | kSwpNoActivate | (repaint ? 0u : uint32_t(kSwpNoRedraw)));
}

void Window::CenterOver(const Window* other)
{
    Rect area = other && other->IsWindow() ? other->WindowRect() : Screen::WorkArea();
    Rect me = WindowRect();
    int x = area.left + (area.Width() - me.Width()) / 2;
    int y = area.top + (area.Height() - me.Height()) / 2;
    Rect work = Screen::WorkArea();
    x = std::max(work.left, std::min(x, work.right - me.Width()));
    y = std::max(work.top, std::min(y, work.bottom - me.Height()));
    if (Window* p = Parent()) {
        Point o = p->ScreenToClient(Point{x, y});
        x = o.x;
        y = o.y;
    }
    SetPos(0, x, y, 0, 0, kSwpNoSize | kSwpNoZOrder | kSwpNoActivate);
}

// --- State ------------------------------------------------------------------------------------

namespace {

MinMaxInfo DefaultMinMax(const Window& w)
{
    MinMaxInfo mm;
    int f = FrameThickness(w.Style(), w.ExStyle());
    Rect work = Screen::WorkArea();
    Size screen = Screen::ScreenSize();
    mm.maxSize = {work.Width() + 2 * f, work.Height() + 2 * f};
    mm.maxPosition = {work.left - f, work.top - f};
    mm.minTrackSize = {112 + 2 * f, CaptionHeightOf(w.Style(), w.ExStyle()) + 2 * f};
    mm.maxTrackSize = {screen.cx + 2 * f + 12, screen.cy + 2 * f + 12};
    return mm;
}

} // namespace

MinMaxInfo detail::System::MinMaxOf(Window* w)
{
    MinMaxInfo mm = DefaultMinMax(*w);
    w->Send(kWmGetMinMaxInfo, 0, LParam(&mm));
    return mm;
}

bool Window::Show(int command)
{
    if (!IsWindow())
        return false;
    if (!System::OnOwnerThread(this)) {
        bool was = false;
        System::RunOnOwner(this, [&] { was = Show(command); });
        return was;
    }
    const bool was = (Style() & kWsVisible) != 0;
    const bool child = IsChild();
    bool activate = !child && !(ExStyle() & kWsExNoActivate);
    auto makeVisible = [&] {
        if (!(Style() & kWsVisible)) {
            Send(kWmShowWindow, 1, 0);
            Lock lock;
            m_style |= kWsVisible;
            System::MarkDirtyLocked(this);
        }
    };
    switch (command) {
    case kSwHide: {
        if (!was)
            return false;
        Send(kWmShowWindow, 0, 0);
        bool wasActive, captureInside;
        {
            Lock lock;
            m_style &= ~kWsVisible;
            wasActive = System::Input().active == m_handle;
            Window* c = System::Lookup(System::Input().capture);
            captureInside = c && IsAncestorOf(c);
        }
        if (captureInside)
            System::ReleaseCaptureImpl();
        if (wasActive) {
            Window* next;
            {
                Lock lock;
                next = m_owner && (m_owner->m_style & kWsVisible) && !(m_owner->m_style & kWsDisabled)
                           ? m_owner
                           : System::FirstVisibleTopLevelLocked(this);
            }
            System::ActivateImpl(next, kWaActive);
        }
        System::TopLevelChanged(this);
        return was;
    }
    case kSwMinimize:
    case kSwShowMinimized:
    case kSwShowMinNoActive: {
        if (!IsMinimized()) {
            {
                Lock lock;
                if (!(m_style & kWsMaximize))
                    m_restore = m_rect;
                m_style = (m_style | kWsMinimize) & ~kWsMaximize;
            }
            makeVisible();
            Send(kWmSize, kSizeMinimized, 0);
            m_lastSizeSent = {-1, -1}; // the restore tells the size again
            bool wasActive;
            {
                Lock lock;
                wasActive = System::Input().active == m_handle;
            }
            if (wasActive) {
                Window* next;
                {
                    Lock lock;
                    next = System::FirstVisibleTopLevelLocked(this);
                }
                System::ActivateImpl(next, kWaActive);
            }
        } else {
            makeVisible();
        }
        System::TopLevelChanged(this);
        return was;
    }
    case kSwMaximize: {
        MinMaxInfo mm = System::MinMaxOf(this);
        {
            Lock lock;
            if (!(m_style & (kWsMaximize | kWsMinimize)))
                m_restore = m_rect;
            m_style = (m_style | kWsMaximize) & ~kWsMinimize;
        }
        makeVisible();
        Rect r = Rect::FromXYWH(mm.maxPosition.x, mm.maxPosition.y, mm.maxSize.x, mm.maxSize.y);
        SetPos(0, r.left, r.top, r.Width(), r.Height(), kSwpNoZOrder | kSwpNoActivate | kSwpFrameChanged);
        break;
    }
    case kSwRestore:
    case kSwShowNormal: {
        if (IsMinimized() || IsMaximized()) {
            Rect r;
            {
                Lock lock;
                m_style &= ~(kWsMinimize | kWsMaximize);
                r = m_restore;
            }
            makeVisible();
            SetPos(0, r.left, r.top, r.Width(), r.Height(), kSwpNoZOrder | kSwpNoActivate | kSwpFrameChanged);
        } else {
            makeVisible();
        }
        break;
    }
    case kSwShowNoActivate:
    case kSwShowNa:
        activate = false;
        makeVisible();
        break;
    case kSwShow:
    default:
        makeVisible();
        break;
    }
    if (activate && IsEnabled() && IsWindow())
        System::ActivateImpl(this, kWaActive);
    System::TopLevelChanged(this);
    return was;
}

bool Window::IsVisible() const
{
    Lock lock;
    if (!m_handle)
        return false;
    for (const Window* w = this; w; w = w->m_parent)
        if (!(w->m_style & kWsVisible))
            return false;
    return true;
}

bool Window::Enable(bool enable)
{
    if (!IsWindow())
        return false;
    if (!System::OnOwnerThread(this)) {
        bool was = false;
        System::RunOnOwner(this, [&] { was = Enable(enable); });
        return was;
    }
    bool wasEnabled;
    {
        Lock lock;
        wasEnabled = !(m_style & kWsDisabled);
        if (enable)
            m_style &= ~kWsDisabled;
        else
            m_style |= kWsDisabled;
    }
    if (wasEnabled == enable)
        return wasEnabled;
    if (!enable) {
        bool captureInside, focusInside;
        {
            Lock lock;
            Window* c = System::Lookup(System::Input().capture);
            Window* f = System::Lookup(System::Input().focus);
            captureInside = c && IsAncestorOf(c);
            focusInside = f && IsAncestorOf(f) && IsChild();
        }
        if (captureInside)
            Send(kWmCancelMode);
        if (focusInside)
            System::SetFocusImpl(nullptr);
    }
    Send(kWmEnable, enable ? 1 : 0);
    Invalidate();
    return wasEnabled;
}

bool Window::IsEnabled() const
{
    Lock lock;
    return m_handle && !(m_style & kWsDisabled);
}

Rect Window::RestoreRect() const
{
    Lock lock;
    return (m_style & (kWsMinimize | kWsMaximize)) ? m_restore : m_rect;
}

// --- Shape and transparency -----------------------------------------------------------------

void Window::SetRegion(std::optional<gfx::Region> region, bool redraw)
{
    {
        Lock lock;
        m_region = std::move(region);
    }
    System::TopLevelChanged(this);
}

std::optional<gfx::Region> Window::Region() const
{
    Lock lock;
    return m_region;
}

void Window::SetLayeredAlpha(uint8_t alpha)
{
    {
        Lock lock;
        m_exStyle |= kWsExLayered;
        m_alpha = alpha;
        m_perPixel = false;
    }
    System::TopLevelChanged(this);
}

uint8_t Window::LayeredAlpha() const
{
    Lock lock;
    return (m_exStyle & kWsExLayered) ? m_alpha : 255;
}

bool Window::UpdateLayered(const gfx::Bitmap& bitmap, uint8_t alpha)
{
    if (!IsWindow() || !(ExStyle() & kWsExLayered) || IsChild())
        return false;
    Rect r = RectInParent();
    if (bitmap.Width() != r.Width() || bitmap.Height() != r.Height())
        SetPos(0, 0, 0, bitmap.Width(), bitmap.Height(), kSwpNoMove | kSwpNoZOrder | kSwpNoActivate);
    std::shared_ptr<detail::Surface> s;
    {
        Lock lock;
        System::EnsureSurfaceLocked(this);
        s = m_surface;
        m_perPixel = true;
        m_alpha = alpha;
        m_invalid = gfx::Region();
        m_ncDirty = false;
        System::MarkDirtyLocked(this);
    }
    {
        std::lock_guard<std::recursive_mutex> g(s->mu);
        s->bitmap = bitmap;
    }
    System::SurfaceDamaged(this, Rect{0, 0, bitmap.Width(), bitmap.Height()});
    System::TopLevelChanged(this);
    return true;
}

bool Window::IsPerPixelLayered() const
{
    Lock lock;
    return m_perPixel;
}

// --- Painting -----------------------------------------------------------------------------------

void Window::Invalidate(bool erase)
{
    InvalidateRect(ClientRect(), erase);
}

void Window::InvalidateRect(const Rect& rect, bool erase)
{
    InvalidateRegion(gfx::Region(rect), erase);
}

void Window::InvalidateRegion(const gfx::Region& region, bool erase)
{
    Lock lock;
    if (!m_handle || m_perPixel)
        return;
    gfx::Region r = region;
    r.Intersect(Rect{0, 0, m_client.Width(), m_client.Height()});
    if (r.IsEmpty())
        return;
    m_invalid.Union(r);
    m_erase = m_erase || erase;
    System::MarkDirtyLocked(this);
}

void Window::InvalidateFrame()
{
    Lock lock;
    if (!m_handle || m_perPixel)
        return;
    m_ncDirty = true;
    System::MarkDirtyLocked(this);
}

void Window::Validate()
{
    Lock lock;
    m_invalid = gfx::Region();
    m_erase = false;
    System::MarkDirtyLocked(this);
}

bool Window::NeedsPaint() const
{
    Lock lock;
    return m_handle && !m_perPixel && (m_ncDirty || !m_invalid.IsEmpty());
}

gfx::Region Window::InvalidRegion() const
{
    Lock lock;
    return m_invalid;
}

void Window::Update()
{
    if (!IsWindow())
        return;
    if (!System::OnOwnerThread(this)) {
        System::RunOnOwner(this, [&] { Update(); });
        return;
    }
    bool nc;
    {
        Lock lock;
        nc = m_ncDirty && m_client != Rect{0, 0, m_rect.Width(), m_rect.Height()};
        if (m_ncDirty && !nc) {
            m_ncDirty = false;
            System::MarkDirtyLocked(this);
        }
    }
    if (nc) {
        {
            Lock lock;
            m_ncDirty = false;
            System::MarkDirtyLocked(this);
        }
        Send(kWmNcPaint, 1, 0);
    }
    if (NeedsPaint()) {
        Msg m{m_handle, kWmPaint, 0, 0, MessageTime(), CursorPos()};
        DispatchMessage(m);
    }
}

// --- Timers and input -------------------------------------------------------------------------------

bool Window::SetTimer(uintptr_t id, uint32_t periodMs)
{
    return SetWindowTimer(m_handle, id, periodMs);
}
bool Window::KillTimer(uintptr_t id)
{
    return KillWindowTimer(m_handle, id);
}

void Window::SetFocus()
{
    SetFocusWindow(m_handle);
}
bool Window::HasFocus() const
{
    return m_handle && GetFocusWindow() == m_handle;
}

void Window::SetCapture()
{
    if (!IsWindow())
        return;
    if (!System::OnOwnerThread(this)) {
        System::RunOnOwner(this, [&] { SetCapture(); });
        return;
    }
    System::SetCaptureImpl(this);
}

bool Window::HasCapture() const
{
    return m_handle && GetCaptureWindow() == m_handle;
}

void Window::TrackMouseLeave(bool nonClient)
{
    Lock lock;
    if (!m_handle)
        return;
    auto& in = System::Input();
    bool over = in.hover == m_handle && in.hoverNonClient == nonClient;
    if (!over) {
        // Not over that area now: the leave is due at once.
        PostMessageTo(m_handle, nonClient ? kWmNcMouseLeave : kWmMouseLeave);
        return;
    }
    (nonClient ? m_trackNcLeave : m_trackLeave) = true;
}

bool Window::IsTrackingMouseLeave(bool nonClient) const
{
    Lock lock;
    return nonClient ? m_trackNcLeave : m_trackLeave;
}

// --- Scroll bars ------------------------------------------------------------------------------------

void detail::System::UpdateScrollShownLocked(Window* w, bool* frameChanged)
{
    for (int bar = 0; bar < 2; ++bar) {
        const ScrollInfo& si = w->m_scroll[bar];
        bool styled = (w->m_style & (bar == kSbVert ? kWsVScroll : kWsHScroll)) != 0;
        long long range = (long long)si.max - si.min + 1;
        bool shown = styled && si.max > si.min && (si.page == 0 || (long long)si.page < range);
        if (shown != w->m_scrollShown[bar]) {
            w->m_scrollShown[bar] = shown;
            *frameChanged = true;
        }
    }
}

void Window::SetScrollInfo(int bar, const ScrollInfo& info, bool redraw)
{
    if (bar != kSbHorz && bar != kSbVert)
        return;
    bool frameChanged = false;
    {
        Lock lock;
        ScrollInfo si = info;
        if (si.max < si.min)
            si.max = si.min;
        long long range = (long long)si.max - si.min + 1;
        if ((long long)si.page > range)
            si.page = unsigned(range);
        int maxPos = int(std::max<long long>(si.min, si.max - std::max<long long>(int(si.page) - 1, 0)));
        si.pos = std::clamp(si.pos, si.min, maxPos);
        si.trackPos = std::clamp(si.trackPos, si.min, maxPos);
        m_scroll[bar] = si;
        System::UpdateScrollShownLocked(this, &frameChanged);
    }
    if (frameChanged)
        SetPos(0, 0, 0, 0, 0, kSwpNoMove | kSwpNoSize | kSwpNoZOrder | kSwpNoActivate | kSwpFrameChanged);
    else if (redraw)
        InvalidateFrame();
}

ScrollInfo Window::GetScrollInfo(int bar) const
{
    Lock lock;
    return (bar == kSbHorz || bar == kSbVert) ? m_scroll[bar] : ScrollInfo{};
}

int Window::SetScrollPos(int bar, int pos, bool redraw)
{
    ScrollInfo si = GetScrollInfo(bar);
    int old = si.pos;
    si.pos = pos;
    SetScrollInfo(bar, si, redraw);
    return old;
}

int Window::GetScrollPos(int bar) const
{
    return GetScrollInfo(bar).pos;
}

bool Window::IsScrollBarShown(int bar) const
{
    Lock lock;
    return (bar == kSbHorz || bar == kSbVert) && m_scrollShown[bar];
}

Rect Window::ScrollBarRect(int bar) const
{
    Lock lock;
    NcLayout l = ComputeNcLayout(m_style, m_exStyle, {m_rect.Width(), m_rect.Height()},
                                 m_scrollShown[kSbVert], m_scrollShown[kSbHorz]);
    return bar == kSbVert ? l.vScroll : bar == kSbHorz ? l.hScroll : Rect{};
}

// --- Observers -----------------------------------------------------------------------------------------

void Window::AddObserver(MessageObserver* observer)
{
    Lock lock;
    if (std::find(m_observers.begin(), m_observers.end(), observer) == m_observers.end())
        m_observers.push_back(observer);
}

void Window::RemoveObserver(MessageObserver* observer)
{
    Lock lock;
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

// --- Dispatch ----------------------------------------------------------------------------------------------

LResult Window::Default()
{
    if (!m_current)
        return 0;
    return DefaultProc(m_current->message, m_current->wParam, m_current->lParam);
}

LResult Window::WindowProc(uint32_t message, WParam wp, LParam lp)
{
    Current current{message, wp, lp};
    Current* saved = m_current;
    m_current = &current;
    struct Restore
    {
        Window* w;
        Current* saved;
        ~Restore() { w->m_current = saved; }
    } restore{this, saved};

    const Point pt = UnpackPoint(lp);
    const uint32_t keys = uint32_t(wp);
    switch (message) {
    case kWmNcCreate:
        return OnNcCreate(*reinterpret_cast<const CreateStruct*>(lp)) ? 1 : 0;
    case kWmCreate:
        return OnCreate(*reinterpret_cast<const CreateStruct*>(lp));
    case kWmDestroy:
        OnDestroy();
        return 0;
    case kWmNcDestroy:
        OnNcDestroy();
        return 0;
    case kWmClose:
        OnClose();
        return 0;
    case kWmSize:
        OnSize(int(wp), LoWord(uintptr_t(lp)), HiWord(uintptr_t(lp)));
        return 0;
    case kWmMove:
        OnMove(pt.x, pt.y);
        return 0;
    case kWmShowWindow:
        OnShowWindow(wp != 0);
        return 0;
    case kWmEnable:
        OnEnable(wp != 0);
        return 0;
    case kWmWindowPosChanging:
        OnWindowPosChanging(*reinterpret_cast<WindowPos*>(lp));
        return 0;
    case kWmWindowPosChanged:
        OnWindowPosChanged(*reinterpret_cast<const WindowPos*>(lp));
        return 0;
    case kWmGetMinMaxInfo:
        OnGetMinMaxInfo(*reinterpret_cast<MinMaxInfo*>(lp));
        return 0;
    case kWmSizing:
        OnSizing(int(wp), *reinterpret_cast<Rect*>(lp));
        return 1;
    case kWmMoving:
        OnMoving(int(wp), *reinterpret_cast<Rect*>(lp));
        return 1;
    case kWmEnterSizeMove:
        OnEnterSizeMove();
        return 0;
    case kWmExitSizeMove:
        OnExitSizeMove();
        return 0;
    case kWmNcCalcSize:
        return OnNcCalcSize(wp != 0, *reinterpret_cast<NcCalcSizeParams*>(lp));
    case kWmNcHitTest:
        return OnNcHitTest(pt);
    case kWmNcPaint:
        OnNcPaint();
        return 0;
    case kWmNcActivate:
        return OnNcActivate(wp != 0) ? 1 : 0;
    case kWmActivate:
        OnActivate(LoWord(wp), FromHandle(WindowHandle(lp)), HiWord(wp) != 0);
        return 0;
    case kWmMouseActivate:
        return OnMouseActivate(FromHandle(WindowHandle(wp)), int16_t(LoWord(uintptr_t(lp))),
                               HiWord(uintptr_t(lp)));
    case kWmPaint:
        OnPaint();
        return 0;
    case kWmEraseBkgnd:
        return OnEraseBkgnd(*reinterpret_cast<gfx::Canvas*>(wp)) ? 1 : 0;
    case kWmTimer:
        OnTimer(uintptr_t(wp));
        return 0;
    case kWmSetFocus:
        OnSetFocus(FromHandle(WindowHandle(wp)));
        return 0;
    case kWmKillFocus:
        OnKillFocus(FromHandle(WindowHandle(wp)));
        return 0;
    case kWmKeyDown:
        OnKeyDown(uint32_t(wp), LoWord(uintptr_t(lp)), HiWord(uintptr_t(lp)));
        return 0;
    case kWmKeyUp:
        OnKeyUp(uint32_t(wp), LoWord(uintptr_t(lp)), HiWord(uintptr_t(lp)));
        return 0;
    case kWmSysKeyDown:
        OnSysKeyDown(uint32_t(wp), LoWord(uintptr_t(lp)), HiWord(uintptr_t(lp)));
        return 0;
    case kWmSysKeyUp:
        OnSysKeyUp(uint32_t(wp), LoWord(uintptr_t(lp)), HiWord(uintptr_t(lp)));
        return 0;
    case kWmChar:
        OnChar(char16_t(wp), LoWord(uintptr_t(lp)), HiWord(uintptr_t(lp)));
        return 0;
    case kWmGetDlgCode:
        return OnGetDlgCode();
    case kWmMouseMove:
        OnMouseMove(keys, pt);
        return 0;
    case kWmLButtonDown:
        OnLButtonDown(keys, pt);
        return 0;
    case kWmLButtonUp:
        OnLButtonUp(keys, pt);
        return 0;
    case kWmLButtonDblClk:
        OnLButtonDblClk(keys, pt);
        return 0;
    case kWmRButtonDown:
        OnRButtonDown(keys, pt);
        return 0;
    case kWmRButtonUp:
        OnRButtonUp(keys, pt);
        return 0;
    case kWmRButtonDblClk:
        OnRButtonDblClk(keys, pt);
        return 0;
    case kWmMButtonDown:
        OnMButtonDown(keys, pt);
        return 0;
    case kWmMButtonUp:
        OnMButtonUp(keys, pt);
        return 0;
    case kWmMouseWheel:
        return OnMouseWheel(LoWord(wp), int16_t(HiWord(wp)), pt) ? 1 : 0;
    case kWmMouseHover:
        OnMouseHover(keys, pt);
        return 0;
    case kWmMouseLeave:
        OnMouseLeave();
        return 0;
    case kWmNcMouseLeave:
        OnNcMouseLeave();
        return 0;
    case kWmNcMouseMove:
        OnNcMouseMove(int(wp), pt);
        return 0;
    case kWmNcLButtonDown:
        OnNcLButtonDown(int(wp), pt);
        return 0;
    case kWmNcLButtonUp:
        OnNcLButtonUp(int(wp), pt);
        return 0;
    case kWmNcLButtonDblClk:
        OnNcLButtonDblClk(int(wp), pt);
        return 0;
    case kWmNcRButtonDown:
        OnNcRButtonDown(int(wp), pt);
        return 0;
    case kWmNcRButtonUp:
        OnNcRButtonUp(int(wp), pt);
        return 0;
    case kWmSetCursor:
        return OnSetCursor(FromHandle(WindowHandle(wp)), int16_t(LoWord(uintptr_t(lp))),
                           HiWord(uintptr_t(lp)))
                   ? 1
                   : 0;
    case kWmCaptureChanged:
        OnCaptureChanged(FromHandle(WindowHandle(lp)));
        return 0;
    case kWmCancelMode:
        OnCancelMode();
        return 0;
    case kWmCommand:
        return OnCommand(wp, lp) ? 0 : Default();
    case kWmNotify: {
        LResult result = 0;
        if (lp && OnNotify(wp, *reinterpret_cast<NotifyHeader*>(lp), result))
            return result;
        return Default();
    }
    case kWmSysCommand:
        OnSysCommand(uint32_t(wp), lp);
        return 0;
    case kWmHScroll:
        OnHScroll(LoWord(wp), int16_t(HiWord(wp)), FromHandle(WindowHandle(lp)));
        return 0;
    case kWmVScroll:
        OnVScroll(LoWord(wp), int16_t(HiWord(wp)), FromHandle(WindowHandle(lp)));
        return 0;
    case kWmDrawItem:
        return OnDrawItem(int(wp), *reinterpret_cast<DrawItemInfo*>(lp)) ? 1 : 0;
    case kWmMeasureItem:
        return OnMeasureItem(int(wp), *reinterpret_cast<MeasureItemInfo*>(lp)) ? 1 : 0;
    case kWmCtlColorEdit:
    case kWmCtlColorListBox:
    case kWmCtlColorBtn:
    case kWmCtlColorDlg:
    case kWmCtlColorScrollBar:
    case kWmCtlColorStatic:
        return LResult(
            OnCtlColor(*reinterpret_cast<ControlColors*>(wp), FromHandle(WindowHandle(lp)), message));
    case kWmCopyData:
        return lp && OnCopyData(FromHandle(WindowHandle(wp)), *reinterpret_cast<const CopyData*>(lp)) ? 1 : 0;
    case kWmContextMenu:
        OnContextMenu(FromHandle(WindowHandle(wp)), pt);
        return 0;
    case kWmInitMenuPopup:
        OnInitMenuPopup(*reinterpret_cast<Menu*>(wp), LoWord(uintptr_t(lp)), HiWord(uintptr_t(lp)) != 0);
        return 0;
    case kWmStyleChanged: {
        auto* sc = reinterpret_cast<const StyleChange*>(lp);
        OnStyleChanged(wp == WParam(-20), sc->oldStyle, sc->newStyle);
        return 0;
    }
    case kWmSetFont:
        if (wp) {
            FontRef font = *reinterpret_cast<const FontRef*>(wp);
            {
                Lock lock;
                m_font = font;
            }
            OnSetFontMessage(font, lp != 0);
            if (lp)
                Invalidate();
        }
        return 0;
    default: {
        LResult result = 0;
        if (OnMessage(message, wp, lp, result))
            return result;
        return DefaultProc(message, wp, lp);
    }
    }
}

// --- Free functions ----------------------------------------------------------------------------------------

bool IsWindowHandle(WindowHandle handle)
{
    Lock lock;
    return System::Lookup(handle) != nullptr;
}

WindowHandle WindowFromPoint(Point screen)
{
    Lock lock;
    return System::WindowFromPointLocked(screen);
}

std::u16string WindowText(WindowHandle handle)
{
    Lock lock;
    Window* w = System::Lookup(handle);
    return w ? w->Text() : std::u16string();
}

Rect WindowRectOf(WindowHandle handle)
{
    Lock lock;
    Window* w = System::Lookup(handle);
    return w ? w->WindowRect() : Rect{};
}

bool IsWindowVisible(WindowHandle handle)
{
    Lock lock;
    Window* w = System::Lookup(handle);
    return w && w->IsVisible();
}

bool IsWindowEnabled(WindowHandle handle)
{
    Lock lock;
    Window* w = System::Lookup(handle);
    return w && w->IsEnabled();
}

std::vector<WindowHandle> TopLevelWindows()
{
    Lock lock;
    std::vector<WindowHandle> out;
    for (Window* w : System::TopLevels())
        out.push_back(w->Handle());
    return out;
}

size_t WindowCount()
{
    Lock lock;
    return System::Windows().size();
}

namespace {
WindowHandle FindByText(const std::vector<Window*>& list, std::u16string_view text)
{
    for (Window* w : list) {
        if (w->Text() == text)
            return w->Handle();
        if (WindowHandle h = FindByText(w->Children(), text))
            return h;
    }
    return 0;
}
} // namespace

WindowHandle FindWindowByText(WindowHandle parent, std::u16string_view text)
{
    Lock lock;
    if (parent == 0)
        return FindByText(System::TopLevels(), text);
    Window* p = System::Lookup(parent);
    return p ? FindByText(p->Children(), text) : 0;
}

std::string CheckWindowTree()
{
    Lock lock;
    std::ostringstream err;
    auto& map = System::Windows();
    std::set<const Window*> seen;
    bool topmostBand = true;
    std::function<bool(const Window*, const Window*)> walk = [&](const Window* w, const Window* parent) {
        if (!seen.insert(w).second) {
            err << "window " << w->Handle() << " is listed twice";
            return false;
        }
        auto it = map.find(w->Handle());
        if (it == map.end() || it->second != w) {
            err << "window " << w->Handle() << " is in the tree but not in the handle table";
            return false;
        }
        if (w->Parent() != parent) {
            err << "window " << w->Handle() << " does not point back at its parent";
            return false;
        }
        if (parent && !(w->Style() & kWsChild)) {
            err << "window " << w->Handle() << " is listed as a child without the child style";
            return false;
        }
        if (!System::QueueOf(w)) {
            err << "window " << w->Handle() << " has no thread";
            return false;
        }
        for (const Window* c : w->Children())
            if (!walk(c, w))
                return false;
        return true;
    };
    for (const Window* t : System::TopLevels()) {
        bool topmost = (t->ExStyle() & kWsExTopmost) != 0;
        if (topmost && !topmostBand) {
            err << "topmost window " << t->Handle() << " stands behind a normal one";
            return err.str();
        }
        topmostBand = topmost;
        if (t->Style() & kWsChild) {
            err << "child window " << t->Handle() << " is listed as top-level";
            return err.str();
        }
        if (!walk(t, nullptr))
            return err.str();
    }
    if (seen.size() != map.size()) {
        err << map.size() - seen.size() << " window(s) in the handle table are not in the tree";
        return err.str();
    }
    return {};
}

void detail::System::CheckTree()
{
    std::string e = CheckWindowTree();
    if (!e.empty())
        std::fprintf(stderr, "[gui] window tree broken: %s\n", e.c_str());
    assert(e.empty() && "window tree invariant");
}

} // namespace vel::gui
