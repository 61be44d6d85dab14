// The system's default processing of messages: the non-client area (size,
// hit codes, painting, buttons, scroll bars, moving and sizing loops),
// activation, cursors, system commands, and the base versions of the typed
// handlers, which all come here.

#include "Clock.h"
#include "Cursor.h"
#include "Menu.h"
#include "Paint.h"
#include "Screen.h"
#include "System.h"
#include "SystemLook.h"

#include <algorithm>

namespace vel::gui {

using detail::System;
using Lock = System::Lock;

namespace {

constexpr uintptr_t kScrollRepeatTimer = 0xFFFFFF01u;

NcLayout LayoutOf(const Window& w)
{
    Rect r = w.RectInParent();
    return ComputeNcLayout(w.Style(), w.ExStyle(), {r.Width(), r.Height()}, w.IsScrollBarShown(kSbVert),
                           w.IsScrollBarShown(kSbHorz));
}

Point ToWindow(const Window& w, Point screen)
{
    Rect wr = w.WindowRect();
    return {screen.x - wr.left, screen.y - wr.top};
}

bool IsPointerMessage(uint32_t m)
{
    return (m >= kWmMouseMove && m <= kWmMouseWheel) || (m >= kWmNcMouseMove && m <= kWmNcRButtonDblClk);
}

// A local loop with the pointer captured, as the system's own tracking
// loops run: `onPointer` gets every pointer message (screen point) and
// returns false to end; Escape cancels (onCancel); losing the capture ends.
void TrackLoop(Window& w, const std::function<bool(uint32_t message, Point screen)>& onPointer,
               const std::function<void()>& onCancel, const std::function<void()>& onTimer = {})
{
    WindowHandle h = w.Handle();
    w.SetCapture();
    Msg msg;
    for (;;) {
        if (!IsWindowHandle(h) || GetCaptureWindow() != h)
            break;
        if (!GetMessage(msg)) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        if (IsPointerMessage(msg.message)) {
            if (!onPointer(msg.message, msg.pt))
                break;
            continue;
        }
        if (msg.message == kWmKeyDown && msg.wParam == kVkEscape) {
            if (onCancel)
                onCancel();
            break;
        }
        if (msg.message == kWmTimer && msg.hwnd == h && msg.wParam == kScrollRepeatTimer) {
            if (onTimer)
                onTimer();
            continue;
        }
        if (msg.message == kWmKeyDown || msg.message == kWmKeyUp || msg.message == kWmChar)
            continue; // keys belong to the loop while it runs
        TranslateMessage(msg);
        DispatchMessage(msg);
    }
    if (IsWindowHandle(h) && GetCaptureWindow() == h)
        ReleaseCapture();
}

void MoveSizeLoop(Window& w, int edge)
{
    if (!w.IsWindow())
        return;
    const Rect start = w.RectInParent();
    const Point origin = CursorPos();
    MinMaxInfo mm = System::MinMaxOf(&w);
    w.Send(kWmEnterSizeMove);
    auto apply = [&](Point p) {
        int dx = p.x - origin.x, dy = p.y - origin.y;
        Rect r = start;
        if (edge == 0) {
            r = r.Offset(dx, dy);
            w.Send(kWmMoving, 0, LParam(&r));
        } else {
            bool left = edge == kWmszLeft || edge == kWmszTopLeft || edge == kWmszBottomLeft;
            bool right = edge == kWmszRight || edge == kWmszTopRight || edge == kWmszBottomRight;
            bool top = edge == kWmszTop || edge == kWmszTopLeft || edge == kWmszTopRight;
            bool bottom = edge == kWmszBottom || edge == kWmszBottomLeft || edge == kWmszBottomRight;
            auto clampW = [&](int v) {
                return std::clamp(v, mm.minTrackSize.x, std::max(mm.minTrackSize.x, mm.maxTrackSize.x));
            };
            auto clampH = [&](int v) {
                return std::clamp(v, mm.minTrackSize.y, std::max(mm.minTrackSize.y, mm.maxTrackSize.y));
            };
            if (left)
                r.left = r.right - clampW(start.Width() - dx);
            if (right)
                r.right = r.left + clampW(start.Width() + dx);
            if (top)
                r.top = r.bottom - clampH(start.Height() - dy);
            if (bottom)
                r.bottom = r.top + clampH(start.Height() + dy);
            w.Send(kWmSizing, WParam(edge), LParam(&r));
        }
        w.SetPos(0, r.left, r.top, r.Width(), r.Height(), kSwpNoZOrder | kSwpNoActivate);
    };
    TrackLoop(
        w,
        [&](uint32_t m, Point p) {
            if (m == kWmMouseMove || m == kWmNcMouseMove) {
                apply(p);
                return true;
            }
            if (m == kWmLButtonUp || m == kWmNcLButtonUp) {
                apply(p);
                return false;
            }
            return true;
        },
        [&] {
            w.SetPos(0, start.left, start.top, start.Width(), start.Height(), kSwpNoZOrder | kSwpNoActivate);
        });
    if (w.IsWindow())
        w.Send(kWmExitSizeMove);
}

// A caption box: pressed until released; the command goes out when the
// release is over the same box.
void TrackBox(Window& w, int hit, uint32_t command)
{
    bool over = true;
    TrackLoop(
        w,
        [&](uint32_t m, Point p) {
            int now = NcHitTest(LayoutOf(w), w.Style(), w.ExStyle(), w.IsMaximized(), ToWindow(w, p));
            over = now == hit;
            return !(m == kWmLButtonUp || m == kWmNcLButtonUp);
        },
        [&] { over = false; });
    if (over && w.IsWindow())
        w.Post(kWmSysCommand, command, PackPoint(CursorPos()));
}

void TrackScrollBar(Window& w, int bar, Point screen)
{
    const bool vertical = bar == kSbVert;
    const uint32_t msgId = vertical ? kWmVScroll : kWmHScroll;
    Rect barRect = w.ScrollBarRect(bar);
    Point p = ToWindow(w, screen);
    ScrollInfo si = w.GetScrollInfo(bar);
    ScrollBarParts parts = LayoutScrollBar(barRect, vertical, si);
    WindowHandle h = w.Handle();
    auto send = [&](int code, int pos = 0) { SendMessageTo(h, msgId, MakeWParam(code, pos), 0); };
    if (parts.thumb.Contains(p.x, p.y)) {
        int grab = vertical ? p.y - parts.thumb.top : p.x - parts.thumb.left;
        int pos = si.pos;
        TrackLoop(w,
                  [&](uint32_t m, Point s) {
                      Point q = ToWindow(w, s);
                      int offset = (vertical ? q.y - parts.track.top : q.x - parts.track.left) - grab;
                      pos = ScrollPosFromThumb(parts, vertical, si, offset);
                      ScrollInfo now = w.GetScrollInfo(bar);
                      now.trackPos = pos;
                      w.SetScrollInfo(bar, now, true);
                      if (m == kWmLButtonUp || m == kWmNcLButtonUp) {
                          send(kSbThumbPosition, pos);
                          return false;
                      }
                      send(kSbThumbTrack, pos);
                      return true;
                  },
                  {});
        send(kSbEndScroll);
        return;
    }
    int code;
    if (parts.arrow1.Contains(p.x, p.y))
        code = kSbLineUp;
    else if (parts.arrow2.Contains(p.x, p.y))
        code = kSbLineDown;
    else if (parts.thumb.IsEmpty())
        return;
    else if (vertical ? p.y < parts.thumb.top : p.x < parts.thumb.left)
        code = kSbPageUp;
    else
        code = kSbPageDown;
    send(code);
    // Held down, the request repeats after a delay.
    w.SetTimer(kScrollRepeatTimer, 400);
    bool inPart = true;
    TrackLoop(
        w,
        [&](uint32_t m, Point s) {
            Point q = ToWindow(w, s);
            inPart = barRect.Contains(q.x, q.y);
            return !(m == kWmLButtonUp || m == kWmNcLButtonUp);
        },
        {},
        [&] {
            w.SetTimer(kScrollRepeatTimer, 50);
            if (inPart)
                send(code);
        });
    w.KillTimer(kScrollRepeatTimer);
    send(kSbEndScroll);
}

CursorRef CursorForHit(int hit)
{
    switch (hit) {
    case kHtLeft:
    case kHtRight:
        return Cursor::System(SystemCursor::kSizeWE);
    case kHtTop:
    case kHtBottom:
        return Cursor::System(SystemCursor::kSizeNS);
    case kHtTopLeft:
    case kHtBottomRight:
        return Cursor::System(SystemCursor::kSizeNWSE);
    case kHtTopRight:
    case kHtBottomLeft:
        return Cursor::System(SystemCursor::kSizeNESW);
    default:
        return Cursor::System(SystemCursor::kArrow);
    }
}

} // namespace

LResult Window::DefaultProc(uint32_t message, WParam wp, LParam lp)
{
    switch (message) {
    case kWmNcCreate:
        return 1;
    case kWmNcCalcSize: {
        auto& p = *reinterpret_cast<NcCalcSizeParams*>(lp);
        Rect r = p.rect[0];
        bool v, hz;
        uint32_t style, ex;
        {
            Lock lock;
            v = m_scrollShown[kSbVert];
            hz = m_scrollShown[kSbHorz];
            style = m_style;
            ex = m_exStyle;
        }
        NcLayout l = ComputeNcLayout(style, ex, {r.Width(), r.Height()}, v, hz);
        p.rect[0] = l.client.Offset(r.left, r.top);
        return 0;
    }
    case kWmNcHitTest: {
        Point p = ToWindow(*this, UnpackPoint(lp));
        return NcHitTest(LayoutOf(*this), Style(), ExStyle(), IsMaximized(), p);
    }
    case kWmNcPaint: {
        NcLayout l = LayoutOf(*this);
        if (l.client == l.window)
            return 0;
        WindowCanvas wc(*this, true);
        wc.Canvas().ExcludeRect(l.client);
        bool active = GetActiveWindow() == TopLevel()->Handle();
        look::DrawNonClient(wc.Canvas(), l, Style(), ExStyle(), active, IsMaximized(), Text(),
                            GetScrollInfo(kSbVert), GetScrollInfo(kSbHorz));
        return 0;
    }
    case kWmNcActivate:
        InvalidateFrame();
        return 1;
    case kWmActivate: {
        if (LoWord(wp) == kWaInactive || HiWord(wp) != 0)
            return 0;
        WindowHandle focus = GetFocusWindow();
        Window* f = FromHandle(focus);
        if (f && IsAncestorOf(f))
            return 0; // the focus is already inside
        Window* last = FromHandle(m_lastFocus);
        if (last && IsAncestorOf(last) && last->IsVisible() && last->IsEnabled())
            System::SetFocusImpl(last);
        else
            System::SetFocusImpl(this);
        return 0;
    }
    case kWmMouseActivate:
        if (IsChild()) {
            if (Window* p = Parent())
                if (LResult r = p->Send(kWmMouseActivate, wp, lp))
                    return r;
        }
        return (ExStyle() & kWsExNoActivate) ? kMaNoActivate : kMaActivate;
    case kWmSetCursor: {
        if (IsChild()) {
            if (Window* p = Parent())
                if (p->Send(kWmSetCursor, wp, lp))
                    return 1;
        }
        int hit = int16_t(LoWord(uintptr_t(lp)));
        if (hit == kHtClient) {
            CursorRef c = ClassCursor();
            SetCursor(c ? c : Cursor::System(SystemCursor::kArrow));
        } else if (hit != kHtError) {
            SetCursor(CursorForHit(hit));
        }
        return 1;
    }
    case kWmPaint: {
        PaintContext pc(*this);
        return 0;
    }
    case kWmEraseBkgnd: {
        gfx::Color bg = Background();
        if (bg == gfx::kNoColor)
            return 0;
        reinterpret_cast<gfx::Canvas*>(wp)->FillRect(ClientRect(), bg);
        return 1;
    }
    case kWmClose:
        Destroy();
        return 0;
    case kWmSysCommand: {
        uint32_t cmd = uint32_t(wp) & 0xFFF0;
        switch (cmd) {
        case kScClose:
            Send(kWmClose);
            break;
        case kScMinimize:
            Show(kSwMinimize);
            break;
        case kScMaximize:
            Show(kSwMaximize);
            break;
        case kScRestore:
            Show(kSwRestore);
            break;
        case kScMove:
            if (!IsMaximized())
                MoveSizeLoop(*this, 0);
            break;
        case kScSize:
            if (!IsMaximized())
                MoveSizeLoop(*this, int(wp & 0xF));
            break;
        case kScMouseMenu:
        case kScKeyMenu: {
            Menu sys = SystemMenu();
            Rect wr = WindowRect();
            NcLayout l = LayoutOf(*this);
            Point at{wr.left + l.sysMenu.left, wr.top + (l.caption.IsEmpty() ? 0 : l.caption.bottom)};
            uint32_t chosen = TrackPopupMenu(sys, kTpmReturnCmd, at, this);
            if (chosen && IsWindow())
                Post(kWmSysCommand, chosen, 0);
            break;
        }
        default:
            break;
        }
        return 0;
    }
    case kWmNcLButtonDown: {
        int hit = int(wp);
        Point pt = UnpackPoint(lp);
        switch (hit) {
        case kHtCaption:
            Send(kWmSysCommand, kScMove | kHtCaption, lp);
            break;
        case kHtLeft:
        case kHtRight:
        case kHtTop:
        case kHtTopLeft:
        case kHtTopRight:
        case kHtBottom:
        case kHtBottomLeft:
        case kHtBottomRight:
            if (Style() & kWsThickFrame)
                Send(kWmSysCommand, kScSize | uint32_t(hit - kHtLeft + kWmszLeft), lp);
            break;
        case kHtClose:
            TrackBox(*this, hit, kScClose);
            break;
        case kHtMinButton:
            if (Style() & kWsMinimizeBox)
                TrackBox(*this, hit, kScMinimize);
            break;
        case kHtMaxButton:
            if (Style() & kWsMaximizeBox)
                TrackBox(*this, hit, IsMaximized() ? kScRestore : kScMaximize);
            break;
        case kHtSysMenu:
            Send(kWmSysCommand, kScMouseMenu, lp);
            break;
        case kHtVScroll:
            TrackScrollBar(*this, kSbVert, pt);
            break;
        case kHtHScroll:
            TrackScrollBar(*this, kSbHorz, pt);
            break;
        default:
            break;
        }
        return 0;
    }
    case kWmNcLButtonDblClk: {
        int hit = int(wp);
        if (hit == kHtCaption && (Style() & kWsMaximizeBox))
            Send(kWmSysCommand, IsMaximized() ? kScRestore : kScMaximize, lp);
        else if (hit == kHtSysMenu)
            Send(kWmSysCommand, kScClose, lp);
        else if (hit == kHtVScroll || hit == kHtHScroll)
            return DefaultProc(kWmNcLButtonDown, wp, lp);
        return 0;
    }
    case kWmNcRButtonUp:
        if (int(wp) == kHtCaption || int(wp) == kHtSysMenu)
            Send(kWmContextMenu, Handle(), lp);
        return 0;
    case kWmRButtonUp:
        Send(kWmContextMenu, Handle(), PackPoint(ClientToScreen(UnpackPoint(lp))));
        return 0;
    case kWmContextMenu:
        if (IsChild())
            if (Window* p = Parent())
                p->Send(kWmContextMenu, wp, lp);
        return 0;
    case kWmMouseWheel:
        if (IsChild())
            if (Window* p = Parent())
                return p->Send(kWmMouseWheel, wp, lp);
        return 0;
    case kWmSysKeyDown:
        if (wp == kVkF4 && (uintptr_t(lp) & (1u << 29)))
            TopLevel()->Send(kWmSysCommand, kScClose, 0);
        return 0;
    case kWmCancelMode:
        if (HasCapture())
            ReleaseCapture();
        return 0;
    case kWmDrawItem: {
        auto& info = *reinterpret_cast<DrawItemInfo*>(lp);
        if (info.ctlType == kOdtMenu)
            return 0;
        Window* child = FromHandle(info.hwndItem);
        return child && child != this && child->DrawItem(info) ? 1 : 0;
    }
    case kWmMeasureItem: {
        auto& info = *reinterpret_cast<MeasureItemInfo*>(lp);
        if (info.ctlType == kOdtMenu)
            return 0;
        Window* child = ChildById(int(info.ctlId));
        return child && child->MeasureItem(info) ? 1 : 0;
    }
    case kWmSetText: {
        {
            Lock lock;
            m_text = lp ? std::u16string(reinterpret_cast<const char16_t*>(lp)) : std::u16string();
        }
        if (CaptionHeightOf(Style(), ExStyle()) > 0)
            InvalidateFrame();
        System::TopLevelChanged(this);
        return 1;
    }
    case kWmGetText: {
        std::u16string t = Text();
        size_t cap = size_t(wp);
        auto* out = reinterpret_cast<char16_t*>(lp);
        if (!out || cap == 0)
            return 0;
        size_t n = std::min(t.size(), cap - 1);
        std::copy(t.begin(), t.begin() + long(n), out);
        out[n] = 0;
        return LResult(n);
    }
    case kWmGetTextLength:
        return LResult(Text().size());
    case kWmWindowPosChanged: {
        Size cs;
        Point co;
        int kind;
        {
            Lock lock;
            cs = {m_client.Width(), m_client.Height()};
            co = {m_rect.left + m_client.left, m_rect.top + m_client.top};
            kind = (m_style & kWsMaximize)   ? kSizeMaximized
                   : (m_style & kWsMinimize) ? kSizeMinimized
                                             : kSizeRestored;
        }
        if (co != m_lastMoveSent) {
            m_lastMoveSent = co;
            Send(kWmMove, 0, MakeLParam(co.x, co.y));
        }
        if (cs != m_lastSizeSent && kind != kSizeMinimized) {
            m_lastSizeSent = cs;
            Send(kWmSize, WParam(kind), MakeLParam(cs.cx, cs.cy));
        }
        return 0;
    }
    default:
        return 0;
    }
}

// --- Base handlers: the default processing -----------------------------------------------

bool Window::OnNcCreate(const CreateStruct&)
{
    return Default() != 0;
}
void Window::OnClose()
{
    Default();
}
void Window::OnWindowPosChanged(const WindowPos&)
{
    Default();
}
LResult Window::OnNcCalcSize(bool, NcCalcSizeParams&)
{
    return Default();
}
int Window::OnNcHitTest(Point)
{
    return int(Default());
}
void Window::OnNcPaint()
{
    Default();
}
bool Window::OnNcActivate(bool)
{
    return Default() != 0;
}
void Window::OnActivate(int, Window*, bool)
{
    Default();
}
int Window::OnMouseActivate(Window*, int, uint32_t)
{
    return int(Default());
}
void Window::OnPaint()
{
    Default();
}
bool Window::OnEraseBkgnd(gfx::Canvas&)
{
    return Default() != 0;
}
void Window::OnSysKeyDown(uint32_t, uint32_t, uint32_t)
{
    Default();
}
void Window::OnRButtonUp(uint32_t, Point)
{
    Default();
}
bool Window::OnMouseWheel(uint32_t, int, Point)
{
    return Default() != 0;
}
void Window::OnNcLButtonDown(int, Point)
{
    Default();
}
void Window::OnNcLButtonDblClk(int, Point)
{
    Default();
}
void Window::OnNcRButtonUp(int, Point)
{
    Default();
}
bool Window::OnSetCursor(Window*, int, uint32_t)
{
    return Default() != 0;
}
void Window::OnCancelMode()
{
    Default();
}
void Window::OnSysCommand(uint32_t, LParam)
{
    Default();
}
bool Window::OnDrawItem(int, DrawItemInfo&)
{
    return Default() != 0;
}
bool Window::OnMeasureItem(int, MeasureItemInfo&)
{
    return Default() != 0;
}
void Window::OnContextMenu(Window*, Point)
{
    Default();
}

Menu Window::SystemMenu() const
{
    Menu m;
    bool max = IsMaximized(), min = IsMinimized();
    uint32_t style = Style();
    m.Append((max || min) ? 0 : kMfGrayed, kScRestore, u"还原(&R)");
    m.Append((max || min) ? kMfGrayed : 0, kScMove, u"移动(&M)");
    m.Append((style & kWsThickFrame) && !max && !min ? 0 : kMfGrayed, kScSize, u"大小(&S)");
    m.Append((style & kWsMinimizeBox) && !min ? 0 : kMfGrayed, kScMinimize, u"最小化(&N)");
    m.Append((style & kWsMaximizeBox) && !max ? 0 : kMfGrayed, kScMaximize, u"最大化(&X)");
    m.AppendSeparator();
    m.Append(kMfDefault, kScClose, u"关闭(&C)\tAlt+F4");
    return m;
}

} // namespace vel::gui
