#pragma once
// Decoding and encoding of picture files: BMP, JPEG, PNG, TIFF (and the
// other formats the system's image loaders know), by content, not name.

#include "Bitmap.h"

#include <optional>
#include <string>
#include <string_view>

namespace vel::gfx {

// Decodes bytes; nullopt for data that is not a picture. A cut-off file may
// give the part that could be decoded, as picture viewers show it. Pictures
// larger than maxPixels are refused before their pixels are decoded.
std::optional<Bitmap> DecodeImage(std::string_view bytes, uint64_t maxPixels = 64ull << 20);
// Decodes a file named by a Windows path.
std::optional<Bitmap> DecodeImageFile(std::u16string_view path, uint64_t maxPixels = 64ull << 20);
// Encodes as PNG ("png") or JPEG ("jpeg"); empty on failure.
std::string EncodeImage(const Bitmap& bitmap, std::string_view format = "png");
bool SaveImageFile(const Bitmap& bitmap, std::u16string_view path, std::string_view format = "png");

} // namespace vel::gfx
