#pragma once
// A canvas: the device context of the drawing layer. It draws with Cairo
// into a Bitmap (an off-screen bitmap or a window's backing store) in pixel
// units: fills, frames, lines and polygons, 1:1 and stretched copies of a
// bitmap's source rectangle (optionally with a colour-key range and a
// constant alpha), clipping by rectangles and regions, an origin shift, and
// text on Pango with the flags the windows use.
//
// The canvas keeps the bitmap's memory; the bitmap must outlive the canvas
// and must not be resized while the canvas exists. Coordinates outside the
// bitmap are clipped, never an error.

#include "Bitmap.h"
#include "Font.h"
#include "Geometry.h"
#include "Region.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace vel::gfx {

// Text flags; the values are those of the platform the windows were written
// for, so flag words carried over keep their meaning.
enum TextFlags : uint32_t
{
    kTextLeft = 0x0,
    kTextCenter = 0x1,
    kTextRight = 0x2,
    kTextVCenter = 0x4,
    kTextBottom = 0x8,
    kTextWordBreak = 0x10,
    kTextSingleLine = 0x20,
    kTextNoClip = 0x100,
    kTextNoPrefix = 0x800,
    kTextPathEllipsis = 0x4000,
    kTextEndEllipsis = 0x8000,
    kTextWordEllipsis = 0x40000,
};

// A colour-key range: a source pixel whose red, green and blue each lie
// between the low and the high key's (inclusive) is not drawn.
struct ColorKey
{
    Color low = kNoColor;
    Color high = kNoColor;
    bool Active() const { return low != kNoColor && high != kNoColor; }
    bool Matches(uint32_t argb) const;
};

// A brush: a solid colour, or a pattern bitmap repeated from an origin.
struct Brush
{
    Color color = kNoColor;
    std::shared_ptr<const Bitmap> pattern;
    bool IsNull() const { return !pattern && color == kNoColor; }
    static Brush Solid(Color c) { return {c, nullptr}; }
    static Brush Pattern(std::shared_ptr<const Bitmap> bitmap) { return {kNoColor, std::move(bitmap)}; }
};

enum class Filter
{
    kNearest, // colour on colour: each target pixel takes one source pixel
    kSmooth,  // bilinear
};

class Canvas
{
public:
    explicit Canvas(Bitmap& target);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    Bitmap& Target() { return m_target; }
    int Width() const { return m_target.Width(); }
    int Height() const { return m_target.Height(); }

    // --- State: origin and clipping (saved and restored together) --------
    void Save();
    void Restore();
    // Moves the coordinate origin to (x, y) of the bitmap.
    void SetOrigin(int x, int y);
    Point Origin() const { return m_origin; }
    // Narrows drawing to the rectangle / region (in current coordinates).
    void ClipRect(const Rect& rect);
    void ClipRegion(const Region& region);
    // Keeps drawing out of the rectangle.
    void ExcludeRect(const Rect& rect);
    void ResetClip();

    // --- Fills and lines ---------------------------------------------------
    // Every pixel set to `argb` (premultiplied), ignoring clipping.
    void Clear(uint32_t argb = 0);
    void FillRect(const Rect& rect, Color color, uint8_t alpha = 255);
    // A pattern brush starts its pattern at `brushOrigin` (current coordinates).
    void FillRect(const Rect& rect, const Brush& brush, Point brushOrigin = {});
    void FillRegion(const Region& region, Color color, uint8_t alpha = 255);
    // A frame `thickness` pixels wide inside the rectangle.
    void FrameRect(const Rect& rect, Color color, int thickness = 1, uint8_t alpha = 255);
    // From a to b, not including b (horizontal and vertical lines are
    // exact pixels; others are anti-aliased).
    void Line(Point a, Point b, Color color, int width = 1, uint8_t alpha = 255);
    void Polyline(std::span<const Point> points, Color color, int width = 1, uint8_t alpha = 255);
    // Filled with `fill` (kNoColor: not filled) and outlined with `outline`
    // (kNoColor: no outline). Coordinates are pixel corners.
    void Polygon(std::span<const Point> points, Color fill, Color outline = kNoColor, uint8_t alpha = 255);
    void Ellipse(const Rect& box, Color fill, Color outline = kNoColor, uint8_t alpha = 255);
    void RoundRect(const Rect& rect, int radius, Color fill, Color outline = kNoColor, uint8_t alpha = 255);

    // --- Bitmaps ------------------------------------------------------------
    // Copies the source rectangle 1:1 with its top-left at (x, y), blended
    // by its own alpha times `alpha`. Pixels matching an active key are
    // skipped. A source rectangle reaching outside the bitmap draws only the
    // part inside it.
    void DrawBitmap(const Bitmap& src, const Rect& srcRect, int x, int y, const ColorKey& key = {},
                    uint8_t alpha = 255);
    // Scales the source rectangle into the target rectangle. Edge pixels are
    // repeated outward, so a stretched part never picks up its neighbours in
    // an atlas.
    void StretchBitmap(const Bitmap& src, const Rect& srcRect, const Rect& dstRect, const ColorKey& key = {},
                       uint8_t alpha = 255, Filter filter = Filter::kSmooth);

    // --- Text ----------------------------------------------------------------
    // Draws `text` in `rect` with the flags. Unless kTextNoPrefix is given,
    // "&x" underlines x and "&&" stands for "&". Single-line text replaces
    // line breaks by spaces; the ellipsis flags cut text that does not fit
    // with "…". Text is clipped to the rectangle unless kTextNoClip. Returns
    // the rectangle the text took.
    Rect DrawText(std::u16string_view text, const Rect& rect, const Font& font, Color color, uint32_t flags,
                  uint8_t alpha = 255);
    // The size `text` takes with the flags (a `width` above 0 limits wrapped
    // and ellipsised text).
    static Size MeasureText(std::u16string_view text, const Font& font, uint32_t flags = kTextSingleLine,
                            int width = 0);

    cairo_t* Native() { return m_cr; }

private:
    void SetColor(Color color, uint8_t alpha);

    Bitmap& m_target;
    cairo_surface_t* m_surface = nullptr;
    cairo_t* m_cr = nullptr;
    Point m_origin;
    std::vector<Point> m_savedOrigins;
};

} // namespace vel::gfx
