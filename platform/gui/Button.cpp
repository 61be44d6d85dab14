#include "Button.h"

#include "Input.h"
#include "Paint.h"
#include "SystemLook.h"

namespace vel::gui {

Button::Button()
{
    SetClassStyle(kCsDblClks);
}

void Button::SetCheck(int check)
{
    if (m_check == check)
        return;
    m_check = check;
    Invalidate();
}

void Button::Click()
{
    uint32_t kind = Kind();
    WindowHandle self = Handle();
    if (kind == kBsAutoCheckBox) {
        SetCheck(m_check == kBstChecked ? kBstUnchecked : kBstChecked);
    } else if (kind == kBsAuto3State) {
        SetCheck((m_check + 1) % 3);
    } else if (kind == kBsAutoRadioButton) {
        // The other automatic radio buttons of the group go out.
        if (Window* p = Parent()) {
            std::vector<Window*> sib = p->Children();
            auto at = std::find(sib.begin(), sib.end(), this);
            size_t start = size_t(at - sib.begin());
            while (start > 0 && !(sib[start]->Style() & kWsGroup))
                --start;
            for (size_t i = start; i < sib.size(); ++i) {
                if (i > start && (sib[i]->Style() & kWsGroup))
                    break;
                auto* b = dynamic_cast<Button*>(sib[i]);
                if (b && b != this && b->Kind() == kBsAutoRadioButton)
                    b->SetCheck(kBstUnchecked);
            }
        }
        SetCheck(kBstChecked);
    }
    if (IsWindowHandle(self))
        NotifyCommand(kBnClicked);
}

void Button::SetPushed(bool pushed)
{
    if (m_pushed == pushed)
        return;
    m_pushed = pushed;
    Invalidate();
}

void Button::OnLButtonDown(uint32_t, Point)
{
    if (Kind() == kBsGroupBox)
        return;
    SetFocus();
    SetCapture();
    m_tracking = true;
    SetPushed(true);
}

void Button::OnLButtonDblClk(uint32_t keys, Point pt)
{
    // A quick second click is a second click.
    OnLButtonDown(keys, pt);
}

void Button::OnLButtonUp(uint32_t, Point pt)
{
    if (!m_tracking)
        return;
    m_tracking = false;
    bool inside = ClientRect().Contains(pt.x, pt.y);
    SetPushed(false);
    if (HasCapture())
        ReleaseCapture();
    if (inside)
        Click();
}

void Button::OnMouseMove(uint32_t, Point pt)
{
    bool inside = ClientRect().Contains(pt.x, pt.y);
    if (m_tracking)
        SetPushed(inside);
    if (!m_hot && inside) {
        m_hot = true;
        TrackMouseLeave();
        Invalidate();
    }
}

void Button::OnMouseLeave()
{
    if (m_hot) {
        m_hot = false;
        Invalidate();
    }
}

void Button::OnCaptureChanged(Window*)
{
    if (m_tracking) {
        m_tracking = false;
        SetPushed(false);
    }
}

void Button::OnKeyDown(uint32_t vk, uint32_t, uint32_t)
{
    if (vk == kVkSpace && Kind() != kBsGroupBox) {
        m_spaceDown = true;
        SetPushed(true);
    }
}

void Button::OnKeyUp(uint32_t vk, uint32_t, uint32_t)
{
    if (vk == kVkSpace && m_spaceDown) {
        m_spaceDown = false;
        SetPushed(false);
        Click();
    }
}

void Button::OnSetFocus(Window*)
{
    Invalidate();
    if (Style() & kBsNotify)
        NotifyCommand(kBnSetFocus);
}

void Button::OnKillFocus(Window*)
{
    m_spaceDown = false;
    SetPushed(false);
    Invalidate();
    if (Style() & kBsNotify)
        NotifyCommand(kBnKillFocus);
}

uint32_t Button::OnGetDlgCode()
{
    switch (Kind()) {
    case kBsDefPushButton:
        return kDlgcButton | kDlgcDefPushButton;
    case kBsPushButton:
    case kBsOwnerDraw:
        return kDlgcButton | kDlgcUndefPushButton;
    case kBsRadioButton:
    case kBsAutoRadioButton:
        return kDlgcButton | kDlgcRadioButton;
    case kBsGroupBox:
        return kDlgcStatic;
    default:
        return kDlgcButton;
    }
}

int Button::OnNcHitTest(Point screen)
{
    if (Kind() == kBsGroupBox)
        return kHtTransparent;
    return Control::OnNcHitTest(screen);
}

bool Button::OnMessage(uint32_t message, WParam wp, LParam, LResult& result)
{
    switch (message) {
    case kWmBmGetCheck:
        result = m_check;
        return true;
    case kWmBmSetCheck:
        SetCheck(int(wp));
        return true;
    case kWmBmGetState:
        result = m_check | (m_pushed ? kBstPushed : 0) | (HasFocus() ? kBstFocus : 0);
        return true;
    case kWmBmSetState:
        SetPushed(wp != 0);
        return true;
    case kWmBmClick:
        Click();
        return true;
    case kWmSetText:
        Invalidate();
        return false;
    default:
        return false;
    }
}

void Button::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    if (Kind() == kBsOwnerDraw) {
        uint32_t state = (m_pushed ? kOdsSelected : 0) | (HasFocus() ? kOdsFocus : 0) |
                         (IsEnabled() ? 0 : kOdsDisabled) | (m_check == kBstChecked ? kOdsChecked : 0) |
                         (m_hot ? kOdsHotLight : 0);
        DrawItemInfo di{kOdtButton, uint32_t(Id()), 0, kOdaDrawEntire, state, Handle(),
                        &c,         ClientRect(),   0, nullptr};
        Window* p = Parent();
        if (!(p && p->Send(kWmDrawItem, WParam(Id()), LParam(&di))))
            DrawItem(di);
        return;
    }
    PaintButton(c);
}

void Button::PaintButton(gfx::Canvas& c)
{
    const Rect r = ClientRect();
    const uint32_t kind = Kind();
    const bool enabled = IsEnabled();
    const gfx::Color textColor = enabled ? GetSysColor(SysColor::kBtnText) : GetSysColor(SysColor::kGrayText);
    const gfx::Font& font = *Font();
    uint32_t align = Style() & kBsCenter;
    switch (kind) {
    case kBsPushButton:
    case kBsDefPushButton: {
        PaintBackground(c, r, kWmCtlColorBtn, textColor, GetSysColor(SysColor::kBtnFace));
        look::DrawButtonFace(c, r, m_pushed || m_check == kBstChecked, HasFocus(), kind == kBsDefPushButton,
                             m_hot);
        Rect tr = m_pushed ? r.Offset(1, 1) : r;
        c.DrawText(Text(), tr, font, textColor,
                   gfx::kTextSingleLine | gfx::kTextVCenter |
                       (align == kBsLeft    ? 0u
                        : align == kBsRight ? uint32_t(gfx::kTextRight)
                                            : uint32_t(gfx::kTextCenter)));
        break;
    }
    case kBsCheckBox:
    case kBsAutoCheckBox:
    case kBs3State:
    case kBsAuto3State:
    case kBsRadioButton:
    case kBsAutoRadioButton: {
        ControlColors colors =
            PaintBackground(c, r, kWmCtlColorStatic, textColor, GetSysColor(SysColor::kBtnFace));
        Rect box{0, (r.Height() - 13) / 2, 13, (r.Height() - 13) / 2 + 13};
        bool radio = kind == kBsRadioButton || kind == kBsAutoRadioButton;
        if (radio)
            look::DrawRadio(c, box, m_check == kBstChecked, enabled);
        else
            look::DrawCheckBox(c, box, m_check != kBstUnchecked, enabled);
        Rect tr{box.right + 4, 0, r.right, r.bottom};
        Rect drawn = c.DrawText(Text(), tr, font, enabled ? colors.textColor : textColor,
                                gfx::kTextSingleLine | gfx::kTextVCenter);
        if (HasFocus())
            look::DrawFocusRect(c, drawn.Inflate(1, 1).Intersect(r));
        break;
    }
    case kBsGroupBox: {
        ControlColors colors =
            PaintBackground(c, r, kWmCtlColorStatic, textColor, GetSysColor(SysColor::kBtnFace));
        int th = font.Metrics().height;
        c.FrameRect({r.left, r.top + th / 2, r.right, r.bottom}, GetSysColor(SysColor::kBtnShadow));
        gfx::Size ts = gfx::Canvas::MeasureText(Text(), font);
        if (ts.cx > 0) {
            Rect label{8, 0, 8 + ts.cx + 4, th};
            c.FillRect(label, colors.backColor == gfx::kNoColor ? GetSysColor(SysColor::kBtnFace)
                                                                : colors.backColor);
            c.DrawText(Text(), label.Offset(2, 0), font, textColor, gfx::kTextSingleLine);
        }
        break;
    }
    default:
        break;
    }
}

} // namespace vel::gui
