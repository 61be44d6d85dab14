#pragma once
// A track bar (slider): a range, a position, line and page steps, a thumb
// of settable length (kTbsFixedLength), dragged with the pointer or moved
// by a click on the channel (a page towards it) and by the keys. Every
// move reaches the parent as WM_HSCROLL (WM_VSCROLL for kTbsVert) with the
// track bar as the bar: TB_THUMBTRACK while dragging, TB_THUMBPOSITION at
// the release, page and line codes otherwise, and TB_ENDTRACK after each
// action. The parent may draw it through NM_CUSTOMDRAW (kCdrfSkipDefault at
// the pre-paint stage takes the drawing over); ChannelRect and ThumbRect
// tell where the parts are.

#include "Control.h"

namespace vel::gui {

inline constexpr uint32_t kTbsHorz = 0x0;
inline constexpr uint32_t kTbsAutoTicks = 0x1;
inline constexpr uint32_t kTbsVert = 0x2;
inline constexpr uint32_t kTbsNoTicks = 0x10;
inline constexpr uint32_t kTbsFixedLength = 0x40;

inline constexpr int kTbLineUp = 0;
inline constexpr int kTbLineDown = 1;
inline constexpr int kTbPageUp = 2;
inline constexpr int kTbPageDown = 3;
inline constexpr int kTbThumbPosition = 4;
inline constexpr int kTbThumbTrack = 5;
inline constexpr int kTbTop = 6;
inline constexpr int kTbBottom = 7;
inline constexpr int kTbEndTrack = 8;

class TrackBar : public Control
{
public:
    std::u16string_view ClassName() const override { return u"msctls_trackbar32"; }

    void SetRange(int min, int max, bool redraw = true);
    int GetRangeMin() const { return m_min; }
    int GetRangeMax() const { return m_max; }
    void SetPos(int pos);
    int GetPos() const { return m_pos; }
    void SetLineSize(int size) { m_line = std::max(1, size); }
    void SetPageSize(int size)
    {
        m_page = std::max(1, size);
        m_pageSet = true;
    }
    int GetLineSize() const { return m_line; }
    int GetPageSize() const { return m_page; }
    void SetThumbLength(int length);
    int GetThumbLength() const { return m_thumbLength; }
    Rect ChannelRect() const;
    Rect ThumbRect() const;
    bool IsDragging() const { return m_dragging; }

protected:
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    void OnLButtonDown(uint32_t keys, Point pt) override;
    void OnLButtonUp(uint32_t keys, Point pt) override;
    void OnMouseMove(uint32_t keys, Point pt) override;
    void OnCaptureChanged(Window*) override { m_dragging = false; }
    bool OnMouseWheel(uint32_t keys, int delta, Point screen) override;
    void OnKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags) override;
    void OnKeyUp(uint32_t vk, uint32_t repeat, uint32_t flags) override;
    void OnSetFocus(Window*) override { Invalidate(); }
    void OnKillFocus(Window*) override { Invalidate(); }
    uint32_t OnGetDlgCode() override { return kDlgcWantArrows; }

private:
    bool Vertical() const { return (Style() & kTbsVert) != 0; }
    int PosFromPoint(Point pt) const;
    void Notify(int code);
    void MoveTo(int pos, int code);

    int m_min = 0, m_max = 100, m_pos = 0;
    int m_line = 1, m_page = 20;
    bool m_pageSet = false;
    int m_thumbLength = 21;
    bool m_dragging = false;
    int m_grab = 0;
};

} // namespace vel::gui
