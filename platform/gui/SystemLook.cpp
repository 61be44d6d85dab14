#include "SystemLook.h"

#include <algorithm>
#include <cairo.h>
#include <mutex>

namespace vel::gui {

using gfx::Rgb;

gfx::Color GetSysColor(SysColor color)
{
    switch (color) {
    case SysColor::kWindow:
        return Rgb(255, 255, 255);
    case SysColor::kWindowText:
        return Rgb(0, 0, 0);
    case SysColor::kBtnFace:
        return Rgb(240, 240, 240);
    case SysColor::kBtnText:
        return Rgb(0, 0, 0);
    case SysColor::kBtnShadow:
        return Rgb(160, 160, 160);
    case SysColor::kBtnHighlight:
        return Rgb(255, 255, 255);
    case SysColor::kBtnDkShadow:
        return Rgb(105, 105, 105);
    case SysColor::kHighlight:
        return Rgb(0, 120, 215);
    case SysColor::kHighlightText:
        return Rgb(255, 255, 255);
    case SysColor::kGrayText:
        return Rgb(109, 109, 109);
    case SysColor::kWindowFrame:
        return Rgb(100, 100, 100);
    case SysColor::kActiveCaption:
        return Rgb(0, 84, 153);
    case SysColor::kInactiveCaption:
        return Rgb(191, 205, 219);
    case SysColor::kCaptionText:
        return Rgb(255, 255, 255);
    case SysColor::kInactiveCaptionText:
        return Rgb(67, 78, 84);
    case SysColor::kScrollBar:
        return Rgb(200, 200, 200);
    case SysColor::kHotLight:
        return Rgb(0, 102, 204);
    case SysColor::kInfoBk:
        return Rgb(255, 255, 225);
    case SysColor::kInfoText:
        return Rgb(0, 0, 0);
    case SysColor::kMenu:
        return Rgb(240, 240, 240);
    case SysColor::kMenuText:
        return Rgb(0, 0, 0);
    case SysColor::kMenuHighlight:
        return Rgb(0, 120, 215);
    case SysColor::kDesktop:
        return Rgb(58, 110, 165);
    }
    return Rgb(0, 0, 0);
}

int FrameThickness(uint32_t style, uint32_t exStyle)
{
    if (style & kWsThickFrame)
        return kThickFrameWidth;
    if ((style & kWsDlgFrame) || (exStyle & kWsExDlgModalFrame))
        return kDlgFrameWidth;
    if (style & kWsBorder)
        return kBorderWidth;
    return 0;
}

int CaptionHeightOf(uint32_t style, uint32_t exStyle)
{
    if ((style & kWsCaption) != kWsCaption)
        return 0;
    return (exStyle & kWsExToolWindow) ? kToolCaptionHeight : kCaptionHeight;
}

FontRef DefaultFont()
{
    static FontRef font = std::make_shared<gfx::Font>(gfx::FontSpec{u"宋体", 12});
    return font;
}

FontRef DefaultBoldFont()
{
    static FontRef font = std::make_shared<gfx::Font>(gfx::FontSpec{u"宋体", 12, gfx::kWeightBold});
    return font;
}

NcLayout ComputeNcLayout(uint32_t style, uint32_t exStyle, Size size, bool vScroll, bool hScroll)
{
    NcLayout l;
    l.window = {0, 0, size.cx, size.cy};
    l.frame = FrameThickness(style, exStyle);
    Rect inner = l.window.Inflate(-l.frame, -l.frame);
    int caption = CaptionHeightOf(style, exStyle);
    if (caption > 0) {
        l.caption = {inner.left, inner.top, inner.right, inner.top + caption};
        inner.top += caption;
        int box = caption - 4;
        int x = l.caption.right - 2;
        int y = l.caption.top + 2;
        if (style & kWsSysMenu) {
            l.closeBox = {x - box - 4, y, x, y + box};
            x = l.closeBox.left - 2;
            if (style & (kWsMinimizeBox | kWsMaximizeBox)) {
                l.maxBox = {x - box, y, x, y + box};
                l.minBox = {l.maxBox.left - box, y, l.maxBox.left, y + box};
            }
            if (!(exStyle & kWsExToolWindow))
                l.sysMenu = {l.caption.left + 3, l.caption.top + (caption - 16) / 2, l.caption.left + 19,
                             l.caption.top + (caption - 16) / 2 + 16};
        }
    }
    if (exStyle & kWsExClientEdge)
        inner = inner.Inflate(-kClientEdgeWidth, -kClientEdgeWidth);
    else if (exStyle & kWsExStaticEdge)
        inner = inner.Inflate(-kStaticEdgeWidth, -kStaticEdgeWidth);
    if (vScroll && inner.Width() >= kScrollBarSize) {
        l.vScroll = {inner.right - kScrollBarSize, inner.top, inner.right, inner.bottom};
        inner.right -= kScrollBarSize;
    }
    if (hScroll && inner.Height() >= kScrollBarSize) {
        l.hScroll = {inner.left, inner.bottom - kScrollBarSize, inner.right, inner.bottom};
        inner.bottom -= kScrollBarSize;
        if (!l.vScroll.IsEmpty()) {
            l.vScroll.bottom = inner.bottom;
            l.sizeGrip = {l.vScroll.left, inner.bottom, l.vScroll.right, l.hScroll.bottom};
        }
    }
    inner.right = std::max(inner.right, inner.left);
    inner.bottom = std::max(inner.bottom, inner.top);
    l.client = inner;
    return l;
}

int NcHitTest(const NcLayout& l, uint32_t style, uint32_t exStyle, bool maximized, Point pt)
{
    if (!l.window.Contains(pt.x, pt.y))
        return kHtNowhere;
    if (l.client.Contains(pt.x, pt.y))
        return kHtClient;
    if (l.vScroll.Contains(pt.x, pt.y))
        return kHtVScroll;
    if (l.hScroll.Contains(pt.x, pt.y))
        return kHtHScroll;
    if (l.sizeGrip.Contains(pt.x, pt.y))
        return (style & kWsThickFrame) ? kHtBottomRight : kHtGrowBox;
    if (l.caption.Contains(pt.x, pt.y)) {
        if (l.closeBox.Contains(pt.x, pt.y))
            return kHtClose;
        if (l.maxBox.Contains(pt.x, pt.y))
            return kHtMaxButton;
        if (l.minBox.Contains(pt.x, pt.y))
            return kHtMinButton;
        if (l.sysMenu.Contains(pt.x, pt.y))
            return kHtSysMenu;
        return kHtCaption;
    }
    if ((style & kWsThickFrame) && !maximized) {
        const int corner = kCaptionHeight;
        bool left = pt.x < l.frame, right = pt.x >= l.window.right - l.frame;
        bool top = pt.y < l.frame, bottom = pt.y >= l.window.bottom - l.frame;
        bool nearLeft = pt.x < corner, nearRight = pt.x >= l.window.right - corner;
        bool nearTop = pt.y < corner, nearBottom = pt.y >= l.window.bottom - corner;
        if ((top && nearLeft) || (left && nearTop))
            return kHtTopLeft;
        if ((top && nearRight) || (right && nearTop))
            return kHtTopRight;
        if ((bottom && nearLeft) || (left && nearBottom))
            return kHtBottomLeft;
        if ((bottom && nearRight) || (right && nearBottom))
            return kHtBottomRight;
        if (left)
            return kHtLeft;
        if (right)
            return kHtRight;
        if (top)
            return kHtTop;
        if (bottom)
            return kHtBottom;
    }
    return kHtBorder;
}

ScrollBarParts LayoutScrollBar(const Rect& bar, bool vertical, const ScrollInfo& info)
{
    ScrollBarParts p;
    int length = vertical ? bar.Height() : bar.Width();
    int arrow = std::min(vertical ? bar.Width() : bar.Height(), length / 2);
    if (vertical) {
        p.arrow1 = {bar.left, bar.top, bar.right, bar.top + arrow};
        p.arrow2 = {bar.left, bar.bottom - arrow, bar.right, bar.bottom};
        p.track = {bar.left, p.arrow1.bottom, bar.right, p.arrow2.top};
    } else {
        p.arrow1 = {bar.left, bar.top, bar.left + arrow, bar.bottom};
        p.arrow2 = {bar.right - arrow, bar.top, bar.right, bar.bottom};
        p.track = {p.arrow1.right, bar.top, p.arrow2.left, bar.bottom};
    }
    long long range = (long long)info.max - info.min + 1;
    p.maxPos = int(std::max<long long>(info.min, info.max - std::max<long long>(int(info.page) - 1, 0)));
    int trackLen = vertical ? p.track.Height() : p.track.Width();
    if (range <= 0 || (info.page > 0 && (long long)info.page >= range) || trackLen < kMinThumbSize)
        return p;
    int thumb = info.page > 0
                    ? int(std::max<long long>(kMinThumbSize, trackLen * (long long)info.page / range))
                    : std::min(kScrollBarSize, trackLen);
    thumb = std::min(thumb, trackLen);
    int span = p.maxPos - info.min;
    int pos = std::clamp(info.pos, info.min, p.maxPos);
    int offset = span > 0 ? int((long long)(trackLen - thumb) * (pos - info.min) / span) : 0;
    if (vertical)
        p.thumb = {bar.left, p.track.top + offset, bar.right, p.track.top + offset + thumb};
    else
        p.thumb = {p.track.left + offset, bar.top, p.track.left + offset + thumb, bar.bottom};
    return p;
}

int ScrollPosFromThumb(const ScrollBarParts& p, bool vertical, const ScrollInfo& info, int offset)
{
    int trackLen = vertical ? p.track.Height() : p.track.Width();
    int thumb = vertical ? p.thumb.Height() : p.thumb.Width();
    int free = trackLen - thumb;
    if (free <= 0)
        return info.min;
    offset = std::clamp(offset, 0, free);
    long long span = (long long)p.maxPos - info.min;
    return info.min + int((span * offset + free / 2) / free);
}

namespace look {

void ClearRect(gfx::Canvas& c, const Rect& r)
{
    if (r.IsEmpty())
        return;
    cairo_t* cr = c.Native();
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
    cairo_fill(cr);
    cairo_restore(cr);
}

void DrawEdge(gfx::Canvas& c, const Rect& r, bool sunken)
{
    if (r.IsEmpty())
        return;
    gfx::Color lt = GetSysColor(sunken ? SysColor::kBtnShadow : SysColor::kBtnHighlight);
    gfx::Color rb = GetSysColor(sunken ? SysColor::kBtnHighlight : SysColor::kBtnDkShadow);
    c.FillRect({r.left, r.top, r.right, r.top + 1}, lt);
    c.FillRect({r.left, r.top, r.left + 1, r.bottom}, lt);
    c.FillRect({r.left, r.bottom - 1, r.right, r.bottom}, rb);
    c.FillRect({r.right - 1, r.top, r.right, r.bottom}, rb);
}

void DrawButtonFace(gfx::Canvas& c, const Rect& r, bool pressed, bool focused, bool isDefault, bool hot)
{
    gfx::Color face = pressed ? Rgb(204, 228, 247) : hot ? Rgb(229, 241, 251) : Rgb(225, 225, 225);
    gfx::Color border = (pressed || hot || focused || isDefault) ? Rgb(0, 120, 215) : Rgb(173, 173, 173);
    c.FillRect(r, face);
    c.FrameRect(r, border, isDefault ? 2 : 1);
    if (focused)
        DrawFocusRect(c, r.Inflate(-3, -3));
}

void DrawCheckBox(gfx::Canvas& c, const Rect& box, bool checked, bool enabled)
{
    c.FillRect(box, GetSysColor(SysColor::kWindow));
    c.FrameRect(box, enabled ? Rgb(51, 51, 51) : GetSysColor(SysColor::kGrayText));
    if (checked) {
        gfx::Color ink = enabled ? Rgb(51, 51, 51) : GetSysColor(SysColor::kGrayText);
        Point pts[] = {{box.left + 3, box.top + box.Height() / 2},
                       {box.left + box.Width() / 2 - 1, box.bottom - 4},
                       {box.right - 3, box.top + 3}};
        c.Polyline(pts, ink, 2);
    }
}

void DrawRadio(gfx::Canvas& c, const Rect& box, bool checked, bool enabled)
{
    gfx::Color ink = enabled ? Rgb(51, 51, 51) : GetSysColor(SysColor::kGrayText);
    c.Ellipse(box, GetSysColor(SysColor::kWindow), ink);
    if (checked)
        c.Ellipse(box.Inflate(-3, -3), ink, ink);
}

void DrawFocusRect(gfx::Canvas& c, const Rect& r)
{
    if (r.IsEmpty())
        return;
    // A dotted frame: every other pixel.
    gfx::Color ink = Rgb(0, 0, 0);
    for (int x = r.left; x < r.right; x += 2) {
        c.FillRect({x, r.top, x + 1, r.top + 1}, ink);
        c.FillRect({x, r.bottom - 1, x + 1, r.bottom}, ink);
    }
    for (int y = r.top; y < r.bottom; y += 2) {
        c.FillRect({r.left, y, r.left + 1, y + 1}, ink);
        c.FillRect({r.right - 1, y, r.right, y + 1}, ink);
    }
}

void DrawArrow(gfx::Canvas& c, const Rect& r, ArrowDir dir, gfx::Color color)
{
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    int s = std::max(2, std::min(r.Width(), r.Height()) / 4);
    Point pts[3];
    switch (dir) {
    case ArrowDir::kUp:
        pts[0] = {cx - s, cy + s / 2};
        pts[1] = {cx + s, cy + s / 2};
        pts[2] = {cx, cy - s / 2 - 1};
        break;
    case ArrowDir::kDown:
        pts[0] = {cx - s, cy - s / 2};
        pts[1] = {cx + s, cy - s / 2};
        pts[2] = {cx, cy + s / 2 + 1};
        break;
    case ArrowDir::kLeft:
        pts[0] = {cx + s / 2, cy - s};
        pts[1] = {cx + s / 2, cy + s};
        pts[2] = {cx - s / 2 - 1, cy};
        break;
    case ArrowDir::kRight:
        pts[0] = {cx - s / 2, cy - s};
        pts[1] = {cx - s / 2, cy + s};
        pts[2] = {cx + s / 2 + 1, cy};
        break;
    }
    c.Polygon(pts, color);
}

void DrawScrollBar(gfx::Canvas& c, const Rect& bar, bool vertical, const ScrollInfo& info, bool enabled)
{
    if (bar.IsEmpty())
        return;
    ScrollBarParts p = LayoutScrollBar(bar, vertical, info);
    c.FillRect(bar, Rgb(240, 240, 240));
    gfx::Color arrow = (enabled && !p.thumb.IsEmpty()) ? Rgb(96, 96, 96) : Rgb(191, 191, 191);
    DrawArrow(c, p.arrow1, vertical ? ArrowDir::kUp : ArrowDir::kLeft, arrow);
    DrawArrow(c, p.arrow2, vertical ? ArrowDir::kDown : ArrowDir::kRight, arrow);
    if (!p.thumb.IsEmpty())
        c.FillRect(vertical ? p.thumb.Inflate(-2, 0) : p.thumb.Inflate(0, -2), Rgb(205, 205, 205));
}

void DrawNonClient(gfx::Canvas& c, const NcLayout& l, uint32_t style, uint32_t exStyle, bool active,
                   bool maximized, std::u16string_view title, const ScrollInfo& vInfo,
                   const ScrollInfo& hInfo)
{
    gfx::Color frame =
        active ? GetSysColor(SysColor::kActiveCaption) : GetSysColor(SysColor::kInactiveCaption);
    if (l.frame > 0) {
        Rect w = l.window;
        if ((style & kWsThickFrame) || (style & kWsDlgFrame)) {
            c.FrameRect(w, Rgb(240, 240, 240), l.frame);
            c.FrameRect(w, frame, 1);
        } else {
            c.FrameRect(w, GetSysColor(SysColor::kWindowFrame), l.frame);
        }
    }
    if (!l.caption.IsEmpty()) {
        c.FillRect(l.caption, frame);
        gfx::Color text =
            active ? GetSysColor(SysColor::kCaptionText) : GetSysColor(SysColor::kInactiveCaptionText);
        Rect tr = l.caption;
        tr.left += 5;
        if (!l.sysMenu.IsEmpty()) {
            tr.left = l.sysMenu.right + 4;
            c.FillRect(l.sysMenu.Inflate(-2, -2), Rgb(255, 255, 255));
            c.FrameRect(l.sysMenu.Inflate(-2, -2), frame);
        }
        Rect boxes = l.closeBox.Union(l.maxBox).Union(l.minBox);
        if (!boxes.IsEmpty())
            tr.right = boxes.left - 2;
        c.DrawText(title, tr, *DefaultBoldFont(), text,
                   gfx::kTextSingleLine | gfx::kTextVCenter | gfx::kTextEndEllipsis | gfx::kTextNoPrefix);
        auto box = [&](const Rect& r) {
            if (r.IsEmpty())
                return;
            c.FillRect(r, Rgb(240, 240, 240));
            c.FrameRect(r, Rgb(120, 120, 120));
        };
        gfx::Color ink = Rgb(0, 0, 0);
        if (!l.closeBox.IsEmpty()) {
            box(l.closeBox);
            Rect x = l.closeBox.Inflate(-5, -4);
            c.Line({x.left, x.top}, {x.right, x.bottom}, ink, 2);
            c.Line({x.left, x.bottom}, {x.right, x.top}, ink, 2);
        }
        if (!l.maxBox.IsEmpty()) {
            box(l.maxBox);
            Rect m = l.maxBox.Inflate(-4, -4);
            c.FrameRect(maximized ? m.Inflate(-1, -1) : m,
                        (style & kWsMaximizeBox) ? ink : Rgb(160, 160, 160));
        }
        if (!l.minBox.IsEmpty()) {
            box(l.minBox);
            Rect m = l.minBox.Inflate(-4, -4);
            c.FillRect({m.left, m.bottom - 2, m.right, m.bottom},
                       (style & kWsMinimizeBox) ? ink : Rgb(160, 160, 160));
        }
    }
    Rect inner = l.window.Inflate(-l.frame, -l.frame);
    inner.top += l.caption.Height();
    if (exStyle & kWsExClientEdge) {
        DrawEdge(c, inner, true);
        DrawEdge(c, inner.Inflate(-1, -1), true);
    } else if (exStyle & kWsExStaticEdge) {
        c.FrameRect(inner, GetSysColor(SysColor::kBtnShadow));
    }
    if (!l.vScroll.IsEmpty())
        DrawScrollBar(c, l.vScroll, true, vInfo, !(style & kWsDisabled));
    if (!l.hScroll.IsEmpty())
        DrawScrollBar(c, l.hScroll, false, hInfo, !(style & kWsDisabled));
    if (!l.sizeGrip.IsEmpty())
        c.FillRect(l.sizeGrip, Rgb(240, 240, 240));
}

} // namespace look

} // namespace vel::gui
