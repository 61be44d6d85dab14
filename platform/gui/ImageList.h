#pragma once
// A list of same-sized images (icons of tree items and the like), drawn by
// index with their alpha.

#include "platform/gfx/Canvas.h"

#include <memory>
#include <vector>

namespace vel::gui {

class ImageList
{
public:
    ImageList(int cx, int cy) : m_size{cx, cy} {}
    gfx::Size ImageSize() const { return m_size; }
    int Count() const { return int(m_images.size()); }
    // Scaled to the list's size when it differs; returns the index.
    int Add(const gfx::Bitmap& image);
    // Cuts a strip into images of the list's width.
    int AddStrip(const gfx::Bitmap& strip);
    bool Draw(gfx::Canvas& canvas, int index, int x, int y, uint8_t alpha = 255) const;

private:
    gfx::Size m_size;
    std::vector<gfx::Bitmap> m_images;
};

} // namespace vel::gui
