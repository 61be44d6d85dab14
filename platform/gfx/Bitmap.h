#pragma once
// A bitmap in memory: 32-bit pixels 0xAARRGGBB with premultiplied alpha,
// rows top to bottom without padding (the layout of a Cairo ARGB32 image,
// so drawing code can wrap it without copying).

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vel::gfx {

class Bitmap
{
public:
    Bitmap() = default;
    Bitmap(int width, int height, uint32_t fill = 0);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    bool Empty() const { return m_width <= 0 || m_height <= 0; }
    uint32_t* Pixels() { return m_pixels.data(); }
    const uint32_t* Pixels() const { return m_pixels.data(); }
    uint32_t Pixel(int x, int y) const { return m_pixels[size_t(y) * size_t(m_width) + size_t(x)]; }
    void SetPixel(int x, int y, uint32_t argb) { m_pixels[size_t(y) * size_t(m_width) + size_t(x)] = argb; }
    void FillRect(int x, int y, int w, int h, uint32_t argb);

    // A copy resampled to the given size (area averaging when shrinking,
    // bilinear when growing).
    Bitmap Scaled(int width, int height) const;

private:
    int m_width = 0, m_height = 0;
    std::vector<uint32_t> m_pixels;
};

// Premultiplies a straight-alpha colour.
uint32_t Premultiply(uint8_t r, uint8_t g, uint8_t b, uint8_t a);

} // namespace vel::gfx
