#include "Bitmap.h"

#include <algorithm>

namespace vel::gfx {

Bitmap::Bitmap(int width, int height, uint32_t fill)
    : m_width(std::max(0, width)), m_height(std::max(0, height)),
      m_pixels(size_t(m_width) * size_t(m_height), fill)
{
}

uint32_t Premultiply(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    auto pm = [a](uint8_t c) { return uint32_t((c * a + 127) / 255); };
    return uint32_t(a) << 24 | pm(r) << 16 | pm(g) << 8 | pm(b);
}

void Bitmap::FillRect(int x, int y, int w, int h, uint32_t argb)
{
    int x0 = std::max(0, x), y0 = std::max(0, y);
    int x1 = std::min(m_width, x + w), y1 = std::min(m_height, y + h);
    for (int yy = y0; yy < y1; ++yy)
        std::fill(m_pixels.begin() + size_t(yy) * size_t(m_width) + size_t(x0),
                  m_pixels.begin() + size_t(yy) * size_t(m_width) + size_t(x1), argb);
}

Bitmap Bitmap::Scaled(int width, int height) const
{
    Bitmap out(width, height);
    if (Empty() || out.Empty())
        return out;
    // Each target pixel averages the source area it covers (with fractional
    // edge weights), which is exact for shrinking and smooth for growing.
    const double sx = double(m_width) / width, sy = double(m_height) / height;
    for (int ty = 0; ty < height; ++ty) {
        double y0 = ty * sy, y1 = y0 + sy;
        for (int tx = 0; tx < width; ++tx) {
            double x0 = tx * sx, x1 = x0 + sx;
            double acc[4] = {0, 0, 0, 0}, total = 0;
            for (int yy = int(y0); yy < std::min(m_height, int(y1 + 0.999999)); ++yy) {
                double wy = std::min(y1, yy + 1.0) - std::max(y0, double(yy));
                if (wy <= 0)
                    continue;
                for (int xx = int(x0); xx < std::min(m_width, int(x1 + 0.999999)); ++xx) {
                    double wx = std::min(x1, xx + 1.0) - std::max(x0, double(xx));
                    if (wx <= 0)
                        continue;
                    double w = wx * wy;
                    uint32_t p = Pixel(xx, yy);
                    for (int c = 0; c < 4; ++c)
                        acc[c] += w * double((p >> (24 - 8 * c)) & 0xFF);
                    total += w;
                }
            }
            uint32_t v = 0;
            for (int c = 0; c < 4; ++c)
                v |= uint32_t(std::clamp(int(acc[c] / total + 0.5), 0, 255)) << (24 - 8 * c);
            out.SetPixel(tx, ty, v);
        }
    }
    return out;
}

} // namespace vel::gfx
