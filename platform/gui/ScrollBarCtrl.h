#pragma once
// A scroll bar control (the window scroll bars of kWsHScroll / kWsVScroll
// are part of every window's frame; this is the stand-alone kind). Arrows
// and the page areas send their request at once and repeat while held
// (on the window system's clock); the thumb is dragged with
// SB_THUMBTRACK and dropped with SB_THUMBPOSITION; SB_ENDSCROLL ends each
// action. Requests go to the parent as WM_HSCROLL / WM_VSCROLL with the
// control as the bar.

#include "Control.h"

namespace vel::gui {

inline constexpr uint32_t kSbsHorz = 0x0;
inline constexpr uint32_t kSbsVert = 0x1;

class ScrollBarCtrl : public Control
{
public:
    std::u16string_view ClassName() const override { return u"ScrollBar"; }
    void SetInfo(const ScrollInfo& info, bool redraw = true);
    ScrollInfo GetInfo() const { return m_info; }
    void SetPos(int pos, bool redraw = true);
    int GetPos() const { return m_info.pos; }

protected:
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    void OnLButtonDown(uint32_t keys, Point pt) override;
    void OnLButtonDblClk(uint32_t keys, Point pt) override { OnLButtonDown(keys, pt); }
    void OnLButtonUp(uint32_t keys, Point pt) override;
    void OnMouseMove(uint32_t keys, Point pt) override;
    void OnTimer(uintptr_t id) override;
    void OnCaptureChanged(Window*) override;

private:
    bool Vertical() const { return (Style() & kSbsVert) != 0; }
    void Request(int code, int pos = 0);
    ScrollInfo m_info;
    int m_code = -1; // the held request, or -1
    bool m_dragging = false;
    int m_grab = 0;
};

} // namespace vel::gui
