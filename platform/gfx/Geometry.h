#pragma once
// Plain geometry and colour values of the drawing layer, in the shapes the
// windows of the suite compute with: rectangles as left, top, right, bottom
// (right and bottom exclusive), colours as Windows colour values (red in the
// low byte, blue in the third, 0xFFFFFFFF = "no colour").

#include <algorithm>
#include <cstdint>

namespace vel::gfx {

struct Point
{
    int x = 0, y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size
{
    int cx = 0, cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect
{
    int left = 0, top = 0, right = 0, bottom = 0;

    static Rect FromXYWH(int x, int y, int w, int h) { return {x, y, x + w, y + h}; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    // Empty when it covers no pixel (also when inverted).
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    Rect Inflate(int dx, int dy) const { return {left - dx, top - dy, right + dx, bottom + dy}; }
    Rect Intersect(const Rect& o) const
    {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
               std::min(bottom, o.bottom)};
        return r.IsEmpty() ? Rect{} : r;
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    Rect Union(const Rect& o) const
    {
        if (IsEmpty())
            return o.IsEmpty() ? Rect{} : o;
        if (o.IsEmpty())
            return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// A Windows colour value: 0x00BBGGRR.
using Color = uint32_t;
inline constexpr Color kNoColor = 0xFFFFFFFFu;

constexpr Color Rgb(int r, int g, int b)
{
    return Color(r & 0xFF) | Color(g & 0xFF) << 8 | Color(b & 0xFF) << 16;
}
constexpr int RedOf(Color c)
{
    return int(c & 0xFF);
}
constexpr int GreenOf(Color c)
{
    return int((c >> 8) & 0xFF);
}
constexpr int BlueOf(Color c)
{
    return int((c >> 16) & 0xFF);
}

// The premultiplied 0xAARRGGBB pixel of a colour at an alpha.
constexpr uint32_t PixelOf(Color c, uint8_t alpha = 255)
{
    auto pm = [alpha](int v) { return uint32_t((v * alpha + 127) / 255); };
    return uint32_t(alpha) << 24 | pm(RedOf(c)) << 16 | pm(GreenOf(c)) << 8 | pm(BlueOf(c));
}
// The colour of an opaque pixel (alpha is dropped; a translucent pixel is
// un-premultiplied first).
constexpr Color ColorOfPixel(uint32_t argb)
{
    uint32_t a = argb >> 24;
    auto un = [a](uint32_t v) { return a == 0 ? 0u : std::min<uint32_t>(255, (v * 255 + a / 2) / a); };
    return Rgb(int(un((argb >> 16) & 0xFF)), int(un((argb >> 8) & 0xFF)), int(un(argb & 0xFF)));
}

} // namespace vel::gfx
