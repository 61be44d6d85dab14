#include "ImageList.h"

namespace vel::gui {

int ImageList::Add(const gfx::Bitmap& image)
{
    if (image.Width() == m_size.cx && image.Height() == m_size.cy)
        m_images.push_back(image);
    else
        m_images.push_back(image.Scaled(m_size.cx, m_size.cy));
    return Count() - 1;
}

int ImageList::AddStrip(const gfx::Bitmap& strip)
{
    int first = Count();
    for (int x = 0; x + m_size.cx <= strip.Width(); x += m_size.cx) {
        gfx::Bitmap one(m_size.cx, m_size.cy);
        for (int y = 0; y < m_size.cy && y < strip.Height(); ++y)
            for (int i = 0; i < m_size.cx; ++i)
                one.SetPixel(i, y, strip.Pixel(x + i, y));
        m_images.push_back(std::move(one));
    }
    return first;
}

bool ImageList::Draw(gfx::Canvas& canvas, int index, int x, int y, uint8_t alpha) const
{
    if (index < 0 || index >= Count())
        return false;
    const gfx::Bitmap& b = m_images[size_t(index)];
    canvas.DrawBitmap(b, {0, 0, b.Width(), b.Height()}, x, y, {}, alpha);
    return true;
}

} // namespace vel::gui
