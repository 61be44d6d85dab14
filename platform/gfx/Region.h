#pragma once
// A region: a set of pixels made of rectangles (window shapes, clipping,
// invalid areas). Value semantics; operations never fail on valid input and
// an empty region is a valid value.

#include "Bitmap.h"
#include "Geometry.h"

#include <vector>

typedef struct _cairo_region cairo_region_t;

namespace vel::gfx {

class Region
{
public:
    Region(); // empty
    explicit Region(const Rect& rect);
    ~Region();
    Region(const Region& other);
    Region& operator=(const Region& other);
    Region(Region&& other) noexcept;
    Region& operator=(Region&& other) noexcept;

    // The pixels of `rect` in `bitmap` whose alpha is not 0 (a pixel outside
    // the bitmap counts as transparent), in the bitmap's coordinates.
    static Region FromAlpha(const Bitmap& bitmap, const Rect& rect);

    bool IsEmpty() const;
    Rect Bounds() const;
    bool Contains(int x, int y) const;
    // Pixel count (for tests and diagnostics).
    long long Area() const;
    // The rectangles, banded top to bottom, left to right.
    std::vector<Rect> Rects() const;

    Region& Union(const Rect& rect);
    Region& Union(const Region& other);
    Region& Subtract(const Rect& rect);
    Region& Subtract(const Region& other);
    Region& Intersect(const Rect& rect);
    Region& Intersect(const Region& other);
    Region& Offset(int dx, int dy);

    friend bool operator==(const Region& a, const Region& b);

    cairo_region_t* Native() const { return m_region; }

private:
    cairo_region_t* m_region;
};

} // namespace vel::gfx
