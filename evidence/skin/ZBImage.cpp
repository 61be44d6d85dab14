#include "ZBImage.h"

#include "platform/gfx/ImageCodec.h"
#include "platform/res/Resources.h"

namespace vel {

bool ZBImage::LoadFromFile(std::u16string_view path)
{
    auto bitmap = gfx::DecodeImageFile(path);
    m_bitmap = bitmap ? std::move(*bitmap) : gfx::Bitmap();
    return !IsEmpty();
}

bool ZBImage::LoadFromPngResource(const void* module, uint32_t id)
{
    m_bitmap = gfx::Bitmap();
    auto bytes = res::Find(module, "png", id);
    if (!bytes)
        return false;
    auto bitmap = gfx::DecodeImage({reinterpret_cast<const char*>(bytes->data()), bytes->size()});
    if (bitmap)
        m_bitmap = std::move(*bitmap);
    return !IsEmpty();
}

bool ZBImage::LoadFromBitmap(const gfx::Bitmap& bitmap)
{
    m_bitmap = bitmap;
    return !IsEmpty();
}

std::shared_ptr<gfx::Bitmap> ZBImage::CreateBitmap() const
{
    // Premultiplied pixels over black are the colour channels as they are,
    // made opaque.
    auto out = std::make_shared<gfx::Bitmap>(m_bitmap);
    uint32_t* p = out->Pixels();
    for (size_t i = 0, n = size_t(out->Width()) * size_t(out->Height()); i < n; ++i)
        p[i] |= 0xFF000000u;
    return out;
}

gfx::Region ZBImage::CreateRegion(const gfx::Rect* rect) const
{
    gfx::Rect r = rect ? *rect : gfx::Rect{0, 0, Width(), Height()};
    return gfx::Region::FromAlpha(m_bitmap, r);
}

void ZBImage::DrawPart(gfx::Canvas& canvas, int x, int y, int w, int h, int sx, int sy, gfx::Color lowKey,
                       gfx::Color highKey) const
{
    if (IsEmpty() || w <= 0 || h <= 0)
        return;
    canvas.DrawBitmap(m_bitmap, gfx::Rect::FromXYWH(sx, sy, w, h), x, y, {lowKey, highKey});
}

void ZBImage::DrawStretched(gfx::Canvas& canvas, const gfx::Rect& target, const gfx::Rect& source,
                            gfx::Color lowKey, gfx::Color highKey) const
{
    if (IsEmpty())
        return;
    canvas.StretchBitmap(m_bitmap, source, target, {lowKey, highKey});
}

} // namespace vel
