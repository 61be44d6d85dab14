#pragma once
// Thumbnails of library files: a video shows its first-frame picture
// (F_first.jpg), a picture shows itself, other files have none (their shell
// icon stands in).

#include "platform/gfx/Bitmap.h"

#include <optional>
#include <string_view>

namespace vel::evd {

// The picture scaled to fit a box x box square keeping its aspect ratio (the
// longer side becomes `box`); box <= 0 keeps the size. None when the file
// has no thumbnail or its picture cannot be read.
std::optional<gfx::Bitmap> Thumbnail(std::u16string_view path, int box);
// The size a w x h picture gets in a box x box square.
void FitInBox(int w, int h, int box, int& outW, int& outH);

} // namespace vel::evd
