#pragma once
// The atlas generator's painters: one function per picture, keyed by the
// name the skin file gives the picture's rectangle (a public image's name,
// "<skin>/<part>", "<skin>/parts<state>" for a whole part set of one state,
// "<skin>/<anchor>/<state>", "<skin>/<element>"). A painter draws into
// (0, 0)-(w, h); the generator has moved the origin there and clips to it.

#include "platform/gfx/Canvas.h"

#include <functional>
#include <map>
#include <string>

namespace vel::atlas {

using Painter = std::function<void(gfx::Canvas& canvas, int w, int h)>;
using PainterMap = std::map<std::string, Painter>;

// Every painter of the shipped skin.
PainterMap AllPainters();

// The application icon (resource 128) at one size, and the column-resize
// cursor (resource 3003) with its hot spot.
gfx::Bitmap PaintAppIcon(int size);
gfx::Bitmap PaintResizeCursor(gfx::Point& hotspot);

} // namespace vel::atlas
