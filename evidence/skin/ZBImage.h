#pragma once
// ZBImage: one decoded picture of the skin (the atlas, or a picture file),
// with the two drawing primitives every skin class uses: a 1:1 copy of a
// block and a stretched copy, both with an optional colour-key range.
// An image is empty when it holds no picture or either dimension is 0.

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Region.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vel {

class ZBImage
{
public:
    ZBImage() = default;
    ZBImage(const ZBImage&) = delete;
    ZBImage& operator=(const ZBImage&) = delete;

    // Each replaces what the image held; false (and empty) on failure.
    bool LoadFromFile(std::u16string_view path);
    // The "png" resource of that id in a module (platform/res).
    bool LoadFromPngResource(const void* module, uint32_t id);
    bool LoadFromBitmap(const gfx::Bitmap& bitmap);

    bool IsEmpty() const { return m_bitmap.Empty(); }
    int Width() const { return m_bitmap.Width(); }
    int Height() const { return m_bitmap.Height(); }
    const gfx::Bitmap& Bitmap() const { return m_bitmap; }

    // The picture composed on an opaque black background (what a pattern
    // brush is made of).
    std::shared_ptr<gfx::Bitmap> CreateBitmap() const;
    // The pixels of the rectangle (null: the whole image) whose alpha is not
    // 0, in the image's coordinates; pixels outside the image do not count.
    gfx::Region CreateRegion(const gfx::Rect* rect = nullptr) const;

    // Copies the w x h block at (sx, sy) 1:1 to (x, y).
    void DrawPart(gfx::Canvas& canvas, int x, int y, int w, int h, int sx, int sy,
                  gfx::Color lowKey = gfx::kNoColor, gfx::Color highKey = gfx::kNoColor) const;
    // Scales the source block into the target rectangle.
    void DrawStretched(gfx::Canvas& canvas, const gfx::Rect& target, const gfx::Rect& source,
                       gfx::Color lowKey = gfx::kNoColor, gfx::Color highKey = gfx::kNoColor) const;

private:
    gfx::Bitmap m_bitmap;
};

} // namespace vel
