#pragma once
// Drawing helpers of the atlas painters: the skin's palette, and the shapes
// the pictures are made of (envelopes, folders, pages, devices, marks),
// each drawn into a box given in pixels so one shape serves every size.

#include <cairo.h>
#include <cstdint>

namespace vel::atlas {

// --- Palette (0xRRGGBB) -------------------------------------------------------
// One light-blue family around the frame colour 29,117,222, with warm kraft
// and folder tones for the library's own objects and the usual status hues.
namespace pal {
inline constexpr uint32_t kBlue = 0x1D75DE;      // frame, highlighted tools
inline constexpr uint32_t kBlueDeep = 0x135DB8;  // outlines of blue shapes
inline constexpr uint32_t kBlueLight = 0x4C98EE; // gradients' light end
inline constexpr uint32_t kBlueSky = 0x8CC0F5;
inline constexpr uint32_t kBluePale = 0xDCEBFA; // hover fills
inline constexpr uint32_t kBlueMist = 0xEEF5FC;
inline constexpr uint32_t kBlueLine = 0xA7C7EA; // hover outlines
inline constexpr uint32_t kSlate = 0x7C90A6;    // tools and marks at rest
inline constexpr uint32_t kSlateLight = 0xB7C5D3;
inline constexpr uint32_t kSlateDark = 0x5B6F85;
inline constexpr uint32_t kKraftTop = 0xF1CB8A; // case envelopes
inline constexpr uint32_t kKraftBottom = 0xDDA45A;
inline constexpr uint32_t kKraftEdge = 0xB57B33;
inline constexpr uint32_t kFolderTop = 0xFFD878;
inline constexpr uint32_t kFolderBottom = 0xF4B941;
inline constexpr uint32_t kFolderBack = 0xE5A52C;
inline constexpr uint32_t kFolderEdge = 0xC98E1E;
inline constexpr uint32_t kGreen = 0x34A853;
inline constexpr uint32_t kGreenDeep = 0x23873E;
inline constexpr uint32_t kRed = 0xE5483D;
inline constexpr uint32_t kRedDeep = 0xC23126;
inline constexpr uint32_t kOrange = 0xF59B25;
inline constexpr uint32_t kText = 0x333333;
inline constexpr uint32_t kTextGrey = 0xA3ABB4;
inline constexpr uint32_t kWhite = 0xFFFFFF;
} // namespace pal

void SetRgb(cairo_t* cr, uint32_t rgb, double alpha = 1.0);
// A vertical gradient from `top` at y0 to `bottom` at y1 as the source.
void SetVGradient(cairo_t* cr, double y0, double y1, uint32_t top, uint32_t bottom, double alpha = 1.0);
void RoundRectPath(cairo_t* cr, double x, double y, double w, double h, double r);
// Fills the current path with `fill` and strokes it 1 pixel wide with `edge`.
void FillStroke(cairo_t* cr, uint32_t edge, double width = 1.0);

// --- Shapes, each in the box (x, y, w, h) --------------------------------------
void Envelope(cairo_t* cr, double x, double y, double w, double h);          // case: kraft file envelope
void Folder(cairo_t* cr, double x, double y, double w, double h, bool open); // yellow folder
void Page(cairo_t* cr, double x, double y, double w, double h, uint32_t accent, int kind); // 0 lines, 1 dots
void VideoFrame(cairo_t* cr, double x, double y, double w, double h, uint32_t colour); // film with play mark
void Picture(cairo_t* cr, double x, double y, double w, double h);                     // landscape
void Monitor(cairo_t* cr, double x, double y, double w, double h, uint32_t colour);
void Server(cairo_t* cr, double x, double y, double w, double h, uint32_t colour);
void Nas(cairo_t* cr, double x, double y, double w, double h);
void Person(cairo_t* cr, double cx, double top, double size, uint32_t colour);
void People(cairo_t* cr, double cx, double top, double size, uint32_t colour);
void Cloud(cairo_t* cr, double x, double y, double w, double h, uint32_t fill, uint32_t edge);
void Globe(cairo_t* cr, double cx, double cy, double r, uint32_t colour);
void HardDisk(cairo_t* cr, double x, double y, double w, double h);

// Round status badges: a filled circle with a white mark and a white rim.
enum class Mark
{
    kCheck,
    kCross,
    kBang,
    kPlus,
    kMinus,
    kSync,
    kDash
};
void Badge(cairo_t* cr, double cx, double cy, double r, uint32_t fill, Mark mark, bool rim = true);
void CheckMark(cairo_t* cr, double cx, double cy, double s, uint32_t colour, double width);
void Cross(cairo_t* cr, double cx, double cy, double s, uint32_t colour, double width);
void Plus(cairo_t* cr, double cx, double cy, double s, uint32_t colour, double width);
// A filled triangle pointing up (0), right (1), down (2) or left (3).
void Triangle(cairo_t* cr, double x, double y, double w, double h, int dir, uint32_t colour,
              double alpha = 1.0);
void Arrow(cairo_t* cr, double cx, double cy, double len, int dir, uint32_t colour, double width);
void CircleArrows(cairo_t* cr, double cx, double cy, double r, uint32_t colour, double width);

// Tool pictures (16 x 16 design, scaled into the box).
void ToolPlay(cairo_t* cr, double x, double y, double s, uint32_t colour);
void ToolConvert(cairo_t* cr, double x, double y, double s, uint32_t colour);
void ToolScissors(cairo_t* cr, double x, double y, double s, uint32_t colour);
void ToolGauge(cairo_t* cr, double x, double y, double s, uint32_t colour);
void ToolRuler(cairo_t* cr, double x, double y, double s, uint32_t colour);
void ToolMark(cairo_t* cr, double x, double y, double s, uint32_t colour);
void Magnifier(cairo_t* cr, double x, double y, double s, uint32_t colour);
void Clock(cairo_t* cr, double cx, double cy, double r, uint32_t colour);
void Pause(cairo_t* cr, double x, double y, double s, uint32_t colour);
void Chain(cairo_t* cr, double x, double y, double s, uint32_t colour, bool broken);
void Trash(cairo_t* cr, double x, double y, double s, uint32_t colour);
void Pin(cairo_t* cr, double x, double y, double w, double h, uint32_t colour);
void TaskList(cairo_t* cr, double x, double y, double s, uint32_t colour);
void Upload(cairo_t* cr, double x, double y, double s, uint32_t colour);

} // namespace vel::atlas
