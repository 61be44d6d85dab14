#pragma once
// Buttons: push buttons (the default one drawn with a heavier frame), check
// boxes and radio buttons (automatic ones keep their own state; an
// automatic radio button clears the others of its group), group boxes
// (a frame with a caption, transparent to the pointer) and owner-drawn
// buttons (WM_DRAWITEM to the parent, which may hand it back to the
// button's own DrawItem). A click is a press and a release over the
// button, or Space; the parent hears BN_CLICKED.

#include "Control.h"

namespace vel::gui {

inline constexpr uint32_t kBsPushButton = 0x0;
inline constexpr uint32_t kBsDefPushButton = 0x1;
inline constexpr uint32_t kBsCheckBox = 0x2;
inline constexpr uint32_t kBsAutoCheckBox = 0x3;
inline constexpr uint32_t kBsRadioButton = 0x4;
inline constexpr uint32_t kBs3State = 0x5;
inline constexpr uint32_t kBsAuto3State = 0x6;
inline constexpr uint32_t kBsGroupBox = 0x7;
inline constexpr uint32_t kBsAutoRadioButton = 0x9;
inline constexpr uint32_t kBsOwnerDraw = 0xB;
inline constexpr uint32_t kBsTypeMask = 0xF;
inline constexpr uint32_t kBsLeft = 0x100;
inline constexpr uint32_t kBsRight = 0x200;
inline constexpr uint32_t kBsCenter = 0x300;
// Focus changes reach the parent (BN_SETFOCUS / BN_KILLFOCUS) only with this
// style: owners that read every command of a button as a click stay right.
inline constexpr uint32_t kBsNotify = 0x4000;

inline constexpr int kBstUnchecked = 0;
inline constexpr int kBstChecked = 1;
inline constexpr int kBstIndeterminate = 2;
inline constexpr int kBstPushed = 4;
inline constexpr int kBstFocus = 8;

class Button : public Control
{
public:
    Button();
    std::u16string_view ClassName() const override { return u"Button"; }

    int GetCheck() const { return m_check; }
    void SetCheck(int check);
    bool IsPushed() const { return m_pushed; }
    bool IsHot() const { return m_hot; }
    // As if clicked: BN_CLICKED (and the automatic check change).
    void Click();
    uint32_t Kind() const { return Style() & kBsTypeMask; }

protected:
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    void OnLButtonDown(uint32_t keys, Point pt) override;
    void OnLButtonDblClk(uint32_t keys, Point pt) override;
    void OnLButtonUp(uint32_t keys, Point pt) override;
    void OnMouseMove(uint32_t keys, Point pt) override;
    void OnMouseLeave() override;
    void OnCaptureChanged(Window* newCapture) override;
    void OnKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags) override;
    void OnKeyUp(uint32_t vk, uint32_t repeat, uint32_t flags) override;
    void OnSetFocus(Window* previous) override;
    void OnKillFocus(Window* next) override;
    void OnEnable(bool) override { Invalidate(); }
    uint32_t OnGetDlgCode() override;
    int OnNcHitTest(Point screen) override;
    bool OnMessage(uint32_t message, WParam wp, LParam lp, LResult& result) override;

    // The system look of the button in its state.
    virtual void PaintButton(gfx::Canvas& canvas);

private:
    void SetPushed(bool pushed);
    int m_check = kBstUnchecked;
    bool m_pushed = false;
    bool m_tracking = false;
    bool m_hot = false;
    bool m_spaceDown = false;
};

} // namespace vel::gui
