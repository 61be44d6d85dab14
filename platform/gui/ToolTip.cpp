#include "ToolTip.h"

#include "Clock.h"
#include "Input.h"
#include "Paint.h"
#include "Screen.h"
#include "SystemLook.h"

#include <algorithm>

namespace vel::gui {

namespace {
constexpr uintptr_t kInitialTimer = 1;
constexpr uintptr_t kAutoPopTimer = 2;
constexpr uintptr_t kCheckTimer = 3;
constexpr int kPad = 3;
} // namespace

ToolTip::ToolTip() = default;

ToolTip::~ToolTip()
{
    for (const Tool& t : m_tools)
        if (t.flags & kTtfSubclass)
            if (Window* w = FromHandle(t.window))
                w->RemoveObserver(this);
}

bool ToolTip::Create(Window* owner)
{
    Window* top = owner ? owner->TopLevel() : nullptr;
    return Window::Create(top, {0, 0, 10, 10}, kWsPopup | kWsBorder,
                          kWsExTopmost | kWsExToolWindow | kWsExNoActivate | kWsExTransparent);
}

ToolTip::Tool* ToolTip::Find(WindowHandle window, uintptr_t id)
{
    for (Tool& t : m_tools)
        if (t.window == window && t.id == id)
            return &t;
    return nullptr;
}

bool ToolTip::AddTool(Window* window, std::u16string_view text, const Rect& rect, uintptr_t id,
                      uint32_t flags)
{
    if (!window || !window->IsWindow())
        return false;
    WindowHandle h = window->Handle();
    if (Tool* t = Find(h, id)) {
        t->rect = rect;
        t->text = std::u16string(text);
        t->flags = flags;
    } else {
        m_tools.push_back({h, id, rect, std::u16string(text), flags});
    }
    if (flags & kTtfSubclass)
        window->AddObserver(this);
    return true;
}

bool ToolTip::DelTool(Window* window, uintptr_t id)
{
    if (!window)
        return false;
    WindowHandle h = window->Handle();
    auto it = std::find_if(m_tools.begin(), m_tools.end(),
                           [&](const Tool& t) { return t.window == h && t.id == id; });
    if (it == m_tools.end())
        return false;
    if (m_hasCur && m_curWindow == h && m_curId == id) {
        Hide();
        m_hasCur = false;
        KillTimer(kInitialTimer);
    }
    bool subclassed = it->flags & kTtfSubclass;
    m_tools.erase(it);
    if (subclassed && std::none_of(m_tools.begin(), m_tools.end(),
                                   [&](const Tool& t) { return t.window == h && (t.flags & kTtfSubclass); }))
        window->RemoveObserver(this);
    return true;
}

void ToolTip::DelAllTools()
{
    Hide();
    KillTimer(kInitialTimer);
    m_hasCur = false;
    for (const Tool& t : m_tools)
        if (t.flags & kTtfSubclass)
            if (Window* w = FromHandle(t.window))
                w->RemoveObserver(this);
    m_tools.clear();
}

bool ToolTip::SetToolRect(Window* window, uintptr_t id, const Rect& rect)
{
    Tool* t = window ? Find(window->Handle(), id) : nullptr;
    if (!t)
        return false;
    t->rect = rect;
    return true;
}

bool ToolTip::UpdateTipText(Window* window, uintptr_t id, std::u16string_view text)
{
    Tool* t = window ? Find(window->Handle(), id) : nullptr;
    if (!t)
        return false;
    t->text = std::u16string(text);
    if (m_shown && m_shownId == id && m_curWindow == t->window) {
        m_shownText = t->text;
        Invalidate();
    }
    return true;
}

void ToolTip::Activate(bool active)
{
    m_active = active;
    if (!active) {
        Hide();
        KillTimer(kInitialTimer);
        m_hasCur = false;
    }
}

void ToolTip::SetDelayTime(int which, uint32_t ms)
{
    switch (which) {
    case kTtdtAutomatic:
        m_initial = ms;
        m_reshow = ms / 5;
        m_autoPop = ms * 10;
        break;
    case kTtdtReshow:
        m_reshow = ms;
        break;
    case kTtdtAutoPop:
        m_autoPop = ms;
        break;
    case kTtdtInitial:
        m_initial = ms;
        break;
    default:
        break;
    }
}

uint32_t ToolTip::DelayTime(int which) const
{
    switch (which) {
    case kTtdtReshow:
        return m_reshow;
    case kTtdtAutoPop:
        return m_autoPop;
    default:
        return m_initial;
    }
}

ToolTip::Tool* ToolTip::ToolAt(WindowHandle window, Point client)
{
    for (Tool& t : m_tools) {
        if (t.window != window)
            continue;
        if (t.flags & kTtfIdIsHwnd)
            return &t;
        if (t.rect.Contains(client.x, client.y))
            return &t;
    }
    return nullptr;
}

Rect ToolTip::ToolScreenRect(const Tool& t) const
{
    Window* w = FromHandle(t.window);
    if (!w)
        return {};
    if (t.flags & kTtfIdIsHwnd)
        return w->WindowRect();
    return w->ClientToScreen(t.rect);
}

bool ToolTip::IsShown() const
{
    return m_shown && IsVisible();
}

void ToolTip::RelayEvent(const Msg& msg)
{
    if (!m_active || !IsWindow())
        return;
    switch (msg.message) {
    case kWmMouseMove: {
        Window* w = FromHandle(msg.hwnd);
        if (!w)
            return;
        Point client = UnpackPoint(msg.lParam);
        Tool* t = ToolAt(msg.hwnd, client);
        bool same = t && m_hasCur && m_curWindow == t->window && m_curId == t->id;
        if (same)
            return;
        bool wasShown = m_shown;
        Hide();
        m_suppressed = false;
        if (!t) {
            m_hasCur = false;
            KillTimer(kInitialTimer);
            return;
        }
        m_hasCur = true;
        m_curWindow = t->window;
        m_curId = t->id;
        bool recently = wasShown || (m_lastHide && ClockNow() - m_lastHide < m_autoPop / 10 + m_reshow);
        SetTimer(kInitialTimer, recently ? m_reshow : m_initial);
        return;
    }
    case kWmMouseLeave:
    case kWmNcMouseLeave:
        if (m_hasCur && msg.hwnd == m_curWindow) {
            Hide();
            m_hasCur = false;
            m_suppressed = false;
            KillTimer(kInitialTimer);
        }
        return;
    case kWmLButtonDown:
    case kWmRButtonDown:
    case kWmMButtonDown:
    case kWmLButtonDblClk:
    case kWmNcLButtonDown:
    case kWmNcRButtonDown:
    case kWmMouseWheel:
    case kWmKeyDown:
    case kWmSysKeyDown:
        Hide();
        KillTimer(kInitialTimer);
        m_suppressed = m_hasCur;
        return;
    default:
        return;
    }
}

void ToolTip::OnTimer(uintptr_t id)
{
    switch (id) {
    case kInitialTimer: {
        KillTimer(kInitialTimer);
        if (!m_hasCur || m_suppressed || !m_active)
            return;
        Tool* t = Find(m_curWindow, m_curId);
        if (!t)
            return;
        Point cur = CursorPos();
        Rect r = ToolScreenRect(*t);
        Window* under = FromHandle(WindowFromPoint(cur));
        Window* toolWindow = FromHandle(t->window);
        if (r.Contains(cur.x, cur.y) && under && toolWindow && toolWindow->IsAncestorOf(under))
            ShowTip(*t);
        return;
    }
    case kAutoPopTimer:
        Hide();
        return;
    case kCheckTimer: {
        Tool* t = m_hasCur ? Find(m_curWindow, m_curId) : nullptr;
        Point cur = CursorPos();
        if (!t || !ToolScreenRect(*t).Contains(cur.x, cur.y)) {
            Hide();
            m_hasCur = false;
        }
        return;
    }
    default:
        return;
    }
}

void ToolTip::ShowTip(Tool& t)
{
    std::u16string text = t.text;
    Window* toolWindow = FromHandle(t.window);
    if (t.flags & kTtfTextCallback) {
        ToolTipTextRequest req;
        req.hdr.hwndFrom = Handle();
        req.hdr.idFrom = t.id;
        req.hdr.code = kTtnGetDispInfo;
        if (toolWindow)
            toolWindow->Send(kWmNotify, WParam(t.id), LParam(&req.hdr));
        text = req.text;
    }
    if (text.empty() || !IsWindow())
        return;
    const gfx::Font& font = *DefaultFont();
    gfx::Size ts = gfx::Canvas::MeasureText(text, font, gfx::kTextWordBreak | gfx::kTextNoPrefix, m_maxWidth);
    Size screen = Screen::ScreenSize();
    Point cur = CursorPos();
    int w = ts.cx + 2 * kPad + 2, h = ts.cy + 2 * kPad + 2;
    int x = cur.x, y = cur.y + 20;
    if (t.flags & kTtfCenterTip) {
        Rect r = ToolScreenRect(t);
        x = (r.left + r.right - w) / 2;
        y = r.bottom + 2;
    }
    x = std::clamp(x, 0, std::max(0, screen.cx - w));
    if (y + h > screen.cy)
        y = cur.y - h - 2;
    m_shownText = text;
    m_shownId = t.id;
    m_shown = true;
    SetPos(kInsertTopmost, x, y, w, h, kSwpNoActivate | kSwpShowWindow);
    Invalidate();
    NotifyHeader hdr{Handle(), t.id, kTtnShow};
    if (toolWindow)
        toolWindow->Send(kWmNotify, WParam(t.id), LParam(&hdr));
    SetTimer(kAutoPopTimer, m_autoPop);
    SetTimer(kCheckTimer, 100);
}

void ToolTip::Hide()
{
    KillTimer(kAutoPopTimer);
    KillTimer(kCheckTimer);
    if (!m_shown)
        return;
    m_shown = false;
    m_lastHide = ClockNow();
    Show(kSwHide);
    NotifyHeader hdr{Handle(), m_shownId, kTtnPop};
    if (Window* w = FromHandle(m_curWindow))
        w->Send(kWmNotify, WParam(m_shownId), LParam(&hdr));
}

void ToolTip::Pop()
{
    Hide();
}

void ToolTip::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    Rect r = ClientRect();
    c.FillRect(r, GetSysColor(SysColor::kInfoBk));
    c.DrawText(m_shownText, r.Inflate(-kPad, -kPad), *DefaultFont(), GetSysColor(SysColor::kInfoText),
               gfx::kTextWordBreak | gfx::kTextNoPrefix);
}

} // namespace vel::gui
