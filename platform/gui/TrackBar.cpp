#include "TrackBar.h"

#include "Input.h"
#include "Paint.h"
#include "SystemLook.h"

#include <algorithm>

namespace vel::gui {

namespace {
constexpr int kThumbWidth = 11;
constexpr int kChannelInset = 8;
} // namespace

void TrackBar::SetRange(int min, int max, bool redraw)
{
    m_min = min;
    m_max = std::max(min, max);
    if (!m_pageSet)
        m_page = std::max(1, (m_max - m_min) / 5);
    m_pos = std::clamp(m_pos, m_min, m_max);
    if (redraw)
        Invalidate();
}

void TrackBar::SetPos(int pos)
{
    pos = std::clamp(pos, m_min, m_max);
    if (pos != m_pos) {
        m_pos = pos;
        Invalidate();
    }
}

void TrackBar::SetThumbLength(int length)
{
    m_thumbLength = std::max(4, length);
    Invalidate();
}

Rect TrackBar::ChannelRect() const
{
    Rect c = ClientRect();
    int len = (Style() & kTbsFixedLength) ? m_thumbLength
                                          : std::min(m_thumbLength, Vertical() ? c.Width() : c.Height());
    if (Vertical()) {
        int x = c.left + (c.Width() - len) / 2 + len / 2 - 2;
        return {x, c.top + kChannelInset, x + 4, c.bottom - kChannelInset};
    }
    int y = c.top + (c.Height() - len) / 2 + len / 2 - 2;
    return {c.left + kChannelInset, y, c.right - kChannelInset, y + 4};
}

Rect TrackBar::ThumbRect() const
{
    Rect c = ClientRect();
    Rect ch = ChannelRect();
    int len = (Style() & kTbsFixedLength) ? m_thumbLength
                                          : std::min(m_thumbLength, Vertical() ? c.Width() : c.Height());
    int span = m_max - m_min;
    if (Vertical()) {
        int travel = ch.Height() - kThumbWidth;
        int y = ch.top + (span > 0 ? int((long long)travel * (m_pos - m_min) / span) : 0);
        int x = c.left + (c.Width() - len) / 2;
        return {x, y, x + len, y + kThumbWidth};
    }
    int travel = ch.Width() - kThumbWidth;
    int x = ch.left + (span > 0 ? int((long long)travel * (m_pos - m_min) / span) : 0);
    int y = c.top + (c.Height() - len) / 2;
    return {x, y, x + kThumbWidth, y + len};
}

int TrackBar::PosFromPoint(Point pt) const
{
    Rect ch = ChannelRect();
    int travel = (Vertical() ? ch.Height() : ch.Width()) - kThumbWidth;
    int offset = (Vertical() ? pt.y - ch.top : pt.x - ch.left) - m_grab;
    if (travel <= 0)
        return m_min;
    offset = std::clamp(offset, 0, travel);
    long long span = (long long)m_max - m_min;
    return m_min + int((span * offset + travel / 2) / travel);
}

void TrackBar::Notify(int code)
{
    if (Window* p = Parent())
        p->Send(Vertical() ? kWmVScroll : kWmHScroll, MakeWParam(code, m_pos), LParam(Handle()));
}

void TrackBar::MoveTo(int pos, int code)
{
    SetPos(pos);
    Notify(code);
}

void TrackBar::OnLButtonDown(uint32_t, Point pt)
{
    SetFocus();
    Rect thumb = ThumbRect();
    if (thumb.Contains(pt.x, pt.y)) {
        m_grab = Vertical() ? pt.y - thumb.top : pt.x - thumb.left;
        m_dragging = true;
        SetCapture();
        return;
    }
    bool before = Vertical() ? pt.y < thumb.top : pt.x < thumb.left;
    MoveTo(before ? m_pos - m_page : m_pos + m_page, before ? kTbPageUp : kTbPageDown);
    Notify(kTbEndTrack);
}

void TrackBar::OnMouseMove(uint32_t keys, Point pt)
{
    if (!m_dragging)
        return;
    int p = PosFromPoint(pt);
    if (p != m_pos)
        MoveTo(p, kTbThumbTrack);
}

void TrackBar::OnLButtonUp(uint32_t, Point pt)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    SetPos(PosFromPoint(pt));
    if (HasCapture())
        ReleaseCapture();
    Notify(kTbThumbPosition);
    Notify(kTbEndTrack);
}

bool TrackBar::OnMouseWheel(uint32_t, int delta, Point)
{
    int steps = delta / kWheelDelta;
    if (steps != 0) {
        MoveTo(m_pos - steps * m_line, steps > 0 ? kTbLineUp : kTbLineDown);
        Notify(kTbEndTrack);
    }
    return true;
}

void TrackBar::OnKeyDown(uint32_t vk, uint32_t, uint32_t)
{
    switch (vk) {
    case kVkLeft:
    case kVkUp:
        MoveTo(m_pos - m_line, kTbLineUp);
        break;
    case kVkRight:
    case kVkDown:
        MoveTo(m_pos + m_line, kTbLineDown);
        break;
    case kVkPrior:
        MoveTo(m_pos - m_page, kTbPageUp);
        break;
    case kVkNext:
        MoveTo(m_pos + m_page, kTbPageDown);
        break;
    case kVkHome:
        MoveTo(m_min, kTbTop);
        break;
    case kVkEnd:
        MoveTo(m_max, kTbBottom);
        break;
    default:
        break;
    }
}

void TrackBar::OnKeyUp(uint32_t vk, uint32_t, uint32_t)
{
    switch (vk) {
    case kVkLeft:
    case kVkUp:
    case kVkRight:
    case kVkDown:
    case kVkPrior:
    case kVkNext:
    case kVkHome:
    case kVkEnd:
        Notify(kTbEndTrack);
        break;
    default:
        break;
    }
}

void TrackBar::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    Rect client = ClientRect();
    CustomDrawInfo cd;
    cd.canvas = &c;
    cd.rc = client;
    cd.drawStage = kCddsPrePaint;
    if (NotifyParent(kNmCustomDraw, &cd.hdr) & kCdrfSkipDefault)
        return;
    PaintBackground(c, client, kWmCtlColorStatic, GetSysColor(SysColor::kWindowText),
                    GetSysColor(SysColor::kBtnFace));
    Rect ch = ChannelRect();
    c.FillRect(ch, gfx::Rgb(231, 234, 234));
    c.FrameRect(ch, gfx::Rgb(214, 214, 214));
    Rect thumb = ThumbRect();
    bool hot = m_dragging;
    c.FillRect(thumb, IsEnabled() ? (hot ? gfx::Rgb(204, 204, 204) : gfx::Rgb(0, 122, 217))
                                  : gfx::Rgb(204, 204, 204));
    if (HasFocus())
        look::DrawFocusRect(c, client);
}

} // namespace vel::gui
