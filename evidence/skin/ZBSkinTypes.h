#pragma once
// Records shared by the skin loader and the skin classes.

#include "platform/gfx/Geometry.h"

#include <string>
#include <unordered_map>

namespace vel {

class ZBImage;

// An image with a rectangle within it and an optional colour-key range
// (both keys kNoColor = no key). The image itself is shared: it belongs to
// the loader's image cache.
struct _ZB_IMAGEEX
{
    ZBImage* image = nullptr;
    gfx::Rect rect;
    gfx::Color lowKey = gfx::kNoColor;
    gfx::Color highKey = gfx::kNoColor;
};

enum : int
{
    kZBPartTile = 0,
    kZBPartStretch = 1
};

// One part of a part set: a rectangle in the skin image and how it fills
// its band.
struct _ZB_PART
{
    gfx::Rect rect;
    int mode = kZBPartStretch;
};

// Parts by name (case-sensitive keys as written in the skin file).
using ZBPartMap = std::unordered_map<std::u16string, _ZB_PART>;

// The message any window sends a skinned window to ask for a skin repaint
// of the rectangle packed into its parameters.
inline constexpr uint32_t kZBRepaintMessage = 0x8888;

} // namespace vel
