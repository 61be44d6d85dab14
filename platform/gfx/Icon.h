#pragma once
// Icons and cursors in the icon file format of the platform the suite was
// written for (.ico / .cur): a directory of images of several sizes, each a
// PNG or a 32-, 24- or 8-bit device-independent bitmap with a transparency
// mask; a cursor adds a hot spot per image. Icon and cursor resources of the
// modules are kept in this format.

#include "Bitmap.h"
#include "Geometry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vel::gfx {

struct Icon
{
    Bitmap image;
    Point hotspot; // cursors; (0, 0) for icons
    bool cursor = false;
};

// The sizes an icon file holds, in directory order; empty when the data is
// not an icon file.
std::vector<Size> IconSizes(std::string_view bytes);
// Decodes the image closest to the wanted size (0,0: the largest) and, when
// its size differs from a wanted one, scales it to that size (the hot spot
// scales with it). nullopt for data that is not a valid icon file.
std::optional<Icon> DecodeIcon(std::string_view bytes, Size want = {});
// Writes an icon file (or a cursor file with the hot spot, given for the
// first image's size and scaled for the others) holding the images as PNG.
std::string EncodeIcon(const std::vector<Bitmap>& images, bool cursor = false, Point hotspot = {});

} // namespace vel::gfx
