#pragma once
// The system's own look: colours, metrics, the default font, and the
// painting of frames, captions, buttons, check marks and scroll bars that
// windows use when nothing (a skin) draws them otherwise. Controls compute
// their state and call these; they do not draw chrome themselves.

#include "Window.h"

#include "platform/gfx/Canvas.h"

namespace vel::gui {

enum class SysColor
{
    kWindow,
    kWindowText,
    kBtnFace,
    kBtnText,
    kBtnShadow,
    kBtnHighlight,
    kBtnDkShadow,
    kHighlight,
    kHighlightText,
    kGrayText,
    kWindowFrame,
    kActiveCaption,
    kInactiveCaption,
    kCaptionText,
    kInactiveCaptionText,
    kScrollBar,
    kHotLight,
    kInfoBk,
    kInfoText,
    kMenu,
    kMenuText,
    kMenuHighlight,
    kDesktop,
};
gfx::Color GetSysColor(SysColor color);

// Metrics in pixels.
inline constexpr int kBorderWidth = 1;
inline constexpr int kDlgFrameWidth = 3;
inline constexpr int kThickFrameWidth = 4;
inline constexpr int kCaptionHeight = 22;
inline constexpr int kToolCaptionHeight = 18;
inline constexpr int kClientEdgeWidth = 2;
inline constexpr int kStaticEdgeWidth = 1;
inline constexpr int kScrollBarSize = 17;
inline constexpr int kMinThumbSize = 8;

// The frame thickness on each side that the style gives (thick frame,
// dialog frame, thin border; 0 without any), edges of the client not counted.
int FrameThickness(uint32_t style, uint32_t exStyle);
// The caption band's height the style gives (0 without a caption).
int CaptionHeightOf(uint32_t style, uint32_t exStyle);

// The system's GUI font ("宋体", 12 pixels) and its bold form.
FontRef DefaultFont();
FontRef DefaultBoldFont();

// Where the system puts the parts of a window's non-client area (window
// coordinates).
struct NcLayout
{
    Rect window;
    Rect caption; // the whole caption band (empty without one)
    Rect sysMenu; // the icon's place
    Rect closeBox, maxBox, minBox;
    Rect vScroll, hScroll, sizeGrip;
    Rect client;
    int frame = 0;
};
NcLayout ComputeNcLayout(uint32_t style, uint32_t exStyle, Size windowSize, bool vScroll, bool hScroll);
// The hit code of a point (window coordinates) in that layout.
int NcHitTest(const NcLayout& layout, uint32_t style, uint32_t exStyle, bool maximized, Point pt);

// Scroll bar parts for a bar rectangle and its state.
struct ScrollBarParts
{
    Rect arrow1, arrow2; // up/left, down/right
    Rect track;          // between the arrows
    Rect thumb;          // empty when nothing can scroll
    int maxPos = 0;      // the largest position
};
ScrollBarParts LayoutScrollBar(const Rect& bar, bool vertical, const ScrollInfo& info);
// The position the thumb stands for when its leading edge is at `offset`
// pixels into the track.
int ScrollPosFromThumb(const ScrollBarParts& parts, bool vertical, const ScrollInfo& info, int offset);

namespace look {

enum class ArrowDir
{
    kUp,
    kDown,
    kLeft,
    kRight,
};

// Makes the rectangle transparent (within the canvas's clipping), so what
// lies below the window shows through.
void ClearRect(gfx::Canvas& c, const Rect& r);
// A three-dimensional edge: raised (buttons) or sunken (edits, pressed).
void DrawEdge(gfx::Canvas& c, const Rect& r, bool sunken);
void DrawButtonFace(gfx::Canvas& c, const Rect& r, bool pressed, bool focused, bool isDefault, bool hot);
void DrawCheckBox(gfx::Canvas& c, const Rect& box, bool checked, bool enabled);
void DrawRadio(gfx::Canvas& c, const Rect& box, bool checked, bool enabled);
void DrawFocusRect(gfx::Canvas& c, const Rect& r);
void DrawArrow(gfx::Canvas& c, const Rect& r, ArrowDir dir, gfx::Color color);
void DrawScrollBar(gfx::Canvas& c, const Rect& bar, bool vertical, const ScrollInfo& info, bool enabled);
// The default non-client paint: frame, caption with title and boxes,
// scroll bars (window coordinates; the client area is left alone).
void DrawNonClient(gfx::Canvas& c, const NcLayout& layout, uint32_t style, uint32_t exStyle, bool active,
                   bool maximized, std::u16string_view title, const ScrollInfo& vInfo,
                   const ScrollInfo& hInfo);

} // namespace look

} // namespace vel::gui
