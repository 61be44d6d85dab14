#include "ScrollBarCtrl.h"

#include "Input.h"
#include "Paint.h"
#include "SystemLook.h"

#include <algorithm>

namespace vel::gui {

namespace {
constexpr uintptr_t kRepeatTimer = 1;
} // namespace

void ScrollBarCtrl::SetInfo(const ScrollInfo& info, bool redraw)
{
    m_info = info;
    if (m_info.max < m_info.min)
        m_info.max = m_info.min;
    ScrollBarParts p = LayoutScrollBar(ClientRect(), Vertical(), m_info);
    m_info.pos = std::clamp(m_info.pos, m_info.min, std::max(m_info.min, p.maxPos));
    if (redraw)
        Invalidate();
}

void ScrollBarCtrl::SetPos(int pos, bool redraw)
{
    ScrollInfo si = m_info;
    si.pos = pos;
    SetInfo(si, redraw);
}

void ScrollBarCtrl::Request(int code, int pos)
{
    if (Window* p = Parent())
        p->Send(Vertical() ? kWmVScroll : kWmHScroll, MakeWParam(code, pos), LParam(Handle()));
}

void ScrollBarCtrl::OnLButtonDown(uint32_t, Point pt)
{
    ScrollBarParts p = LayoutScrollBar(ClientRect(), Vertical(), m_info);
    SetCapture();
    if (p.thumb.Contains(pt.x, pt.y)) {
        m_dragging = true;
        m_grab = Vertical() ? pt.y - p.thumb.top : pt.x - p.thumb.left;
        m_info.trackPos = m_info.pos;
        return;
    }
    if (p.arrow1.Contains(pt.x, pt.y))
        m_code = kSbLineUp;
    else if (p.arrow2.Contains(pt.x, pt.y))
        m_code = kSbLineDown;
    else if (p.thumb.IsEmpty())
        m_code = -1;
    else
        m_code = (Vertical() ? pt.y < p.thumb.top : pt.x < p.thumb.left) ? kSbPageUp : kSbPageDown;
    if (m_code >= 0) {
        Request(m_code);
        SetTimer(kRepeatTimer, 400);
    }
}

void ScrollBarCtrl::OnMouseMove(uint32_t, Point pt)
{
    if (!m_dragging)
        return;
    ScrollBarParts p = LayoutScrollBar(ClientRect(), Vertical(), m_info);
    int offset = (Vertical() ? pt.y - p.track.top : pt.x - p.track.left) - m_grab;
    int pos = ScrollPosFromThumb(p, Vertical(), m_info, offset);
    if (pos != m_info.trackPos) {
        m_info.trackPos = pos;
        Request(kSbThumbTrack, pos);
    }
}

void ScrollBarCtrl::OnLButtonUp(uint32_t, Point)
{
    bool was = m_dragging || m_code >= 0;
    KillTimer(kRepeatTimer);
    if (m_dragging) {
        m_dragging = false;
        Request(kSbThumbPosition, m_info.trackPos);
    }
    m_code = -1;
    if (HasCapture())
        ReleaseCapture();
    if (was)
        Request(kSbEndScroll);
}

void ScrollBarCtrl::OnTimer(uintptr_t id)
{
    if (id != kRepeatTimer || m_code < 0)
        return;
    SetTimer(kRepeatTimer, 50);
    ScrollBarParts p = LayoutScrollBar(ClientRect(), Vertical(), m_info);
    Point pt = ScreenToClient(CursorPos());
    // A page request stops when the thumb reaches the pointer.
    if (m_code == kSbPageUp && !(Vertical() ? pt.y < p.thumb.top : pt.x < p.thumb.left))
        return;
    if (m_code == kSbPageDown && !(Vertical() ? pt.y >= p.thumb.bottom : pt.x >= p.thumb.right))
        return;
    Request(m_code);
}

void ScrollBarCtrl::OnCaptureChanged(Window*)
{
    KillTimer(kRepeatTimer);
    m_code = -1;
    m_dragging = false;
}

void ScrollBarCtrl::OnPaint()
{
    PaintContext pc(*this);
    ScrollInfo shown = m_info;
    if (m_dragging)
        shown.pos = m_info.trackPos;
    look::DrawScrollBar(pc.Canvas(), ClientRect(), Vertical(), shown, IsEnabled());
}

} // namespace vel::gui
