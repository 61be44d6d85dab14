#include "EvdThumbnail.h"

#include "EvdFileKinds.h"
#include "platform/gfx/ImageCodec.h"

namespace vel::evd {

void FitInBox(int w, int h, int box, int& outW, int& outH)
{
    outW = w;
    outH = h;
    if (box <= 0 || w <= 0 || h <= 0)
        return;
    if (w >= h) {
        outW = box;
        outH = int(int64_t(box) * h / w);
    } else {
        outH = box;
        outW = int(int64_t(box) * w / h);
    }
    // A very flat picture keeps at least one row.
    outW = std::max(outW, 1);
    outH = std::max(outH, 1);
}

std::optional<gfx::Bitmap> Thumbnail(std::u16string_view path, int box)
{
    std::u16string source;
    if (IsVideoPath(path))
        source = std::u16string(path) + u"_first.jpg";
    else if (IsPicturePath(path))
        source = std::u16string(path);
    else
        return std::nullopt;
    auto image = gfx::DecodeImageFile(source);
    if (!image)
        return std::nullopt;
    int w, h;
    FitInBox(image->Width(), image->Height(), box, w, h);
    if (w == image->Width() && h == image->Height())
        return image;
    return image->Scaled(w, h);
}

} // namespace vel::evd
