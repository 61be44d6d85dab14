#pragma once
// Small helpers for pixel checks of the drawing layer.

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Geometry.h"

#include <cstdlib>
#include <string>

namespace vel::gfx::test {

inline bool Near(uint32_t a, uint32_t b, int tolerance = 1)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

inline std::string Hex(uint32_t v)
{
    char buf[16];
    snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

// The bounding box of the pixels that differ from `background`.
inline Rect InkBox(const Bitmap& b, uint32_t background)
{
    Rect box;
    bool any = false;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.Pixel(x, y) != background) {
                Rect p{x, y, x + 1, y + 1};
                box = any ? box.Union(p) : p;
                any = true;
            }
    return box;
}

// Every pixel of the rectangle equals `argb`.
inline bool AllPixels(const Bitmap& b, const Rect& r, uint32_t argb, int tolerance = 0)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (!Near(b.Pixel(x, y), argb, tolerance))
                return false;
    return true;
}

} // namespace vel::gfx::test
