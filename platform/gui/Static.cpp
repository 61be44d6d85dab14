#include "Static.h"

#include "Paint.h"
#include "SystemLook.h"

namespace vel::gui {

void Static::SetBitmap(std::shared_ptr<const gfx::Bitmap> bitmap)
{
    m_bitmap = std::move(bitmap);
    Invalidate();
}

void Static::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    Rect r = ClientRect();
    const uint32_t style = Style();
    const uint32_t type = style & kSsTypeMask;
    if (type == kSsOwnerDraw) {
        DrawItemInfo di{
            kOdtStatic, uint32_t(Id()), 0, kOdaDrawEntire, IsEnabled() ? 0u : kOdsDisabled, Handle(), &c, r,
            0,          nullptr};
        if (Window* p = Parent())
            p->Send(kWmDrawItem, WParam(Id()), LParam(&di));
        return;
    }
    ControlColors colors = PaintBackground(c, r, kWmCtlColorStatic, GetSysColor(SysColor::kWindowText),
                                           GetSysColor(SysColor::kBtnFace));
    if (type == kSsBitmap) {
        if (m_bitmap && !m_bitmap->Empty()) {
            int x = 0, y = 0;
            if (style & kSsCenterImage) {
                x = (r.Width() - m_bitmap->Width()) / 2;
                y = (r.Height() - m_bitmap->Height()) / 2;
            }
            c.DrawBitmap(*m_bitmap, {0, 0, m_bitmap->Width(), m_bitmap->Height()}, x, y);
        }
        return;
    }
    uint32_t flags = gfx::kTextWordBreak;
    if (type == kSsCenter)
        flags |= gfx::kTextCenter;
    else if (type == kSsRight)
        flags |= gfx::kTextRight;
    if (style & kSsCenterImage)
        flags = (flags & ~gfx::kTextWordBreak) | gfx::kTextSingleLine | gfx::kTextVCenter;
    if (style & kSsNoPrefix)
        flags |= gfx::kTextNoPrefix;
    if (style & kSsEndEllipsis)
        flags = (flags & ~gfx::kTextWordBreak) | gfx::kTextSingleLine | gfx::kTextEndEllipsis;
    if (style & kSsPathEllipsis)
        flags = (flags & ~gfx::kTextWordBreak) | gfx::kTextSingleLine | gfx::kTextPathEllipsis;
    gfx::Color text = IsEnabled() ? colors.textColor : GetSysColor(SysColor::kGrayText);
    c.DrawText(Text(), r, *Font(), text, flags);
}

int Static::OnNcHitTest(Point screen)
{
    // Without the notify style a static is part of its parent's surface.
    if (!(Style() & kSsNotify))
        return kHtTransparent;
    return Control::OnNcHitTest(screen);
}

void Static::OnLButtonDown(uint32_t, Point)
{
    NotifyCommand(kStnClicked);
}
void Static::OnLButtonDblClk(uint32_t, Point)
{
    NotifyCommand(kStnDblClk);
}

bool Static::OnMessage(uint32_t message, WParam, LParam, LResult&)
{
    if (message == kWmSetText)
        Invalidate();
    return false;
}

} // namespace vel::gui
