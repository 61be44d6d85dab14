#pragma once
// The screen: a virtual desktop of a given size with a work area (the
// desktop without the task bar), onto which the top-level windows are
// composited back to front, each tree child over parent, clipped by window
// shapes and parents' client areas, blended with layered windows' constant
// and per-pixel alpha. Snapshots of the screen or of one window come out
// as bitmaps or PNG files.

#include "Messages.h"

#include "platform/gfx/Bitmap.h"

#include <string>

namespace vel::gui {

class Screen
{
public:
    static Size ScreenSize();
    // Resizes the desktop; the work area becomes the desktop less a task
    // bar of 40 pixels at the bottom.
    static void SetScreenSize(Size size);
    static Rect WorkArea();
    static void SetWorkArea(const Rect& area);
    static gfx::Color DesktopColor();

    // The whole screen as it looks now.
    static gfx::Bitmap Composite();
    // A part of it.
    static gfx::Bitmap Composite(const Rect& area);
    // One window with its children, the size of its window rectangle;
    // pixels outside its shape are transparent, and a layered window's
    // constant alpha is applied.
    static gfx::Bitmap SnapshotWindow(WindowHandle window);
    // The colour of one screen pixel (0xAARRGGBB premultiplied).
    static uint32_t PixelAt(Point screen);

    // PNG files named by host paths; false when it cannot be written.
    static bool SavePng(const gfx::Bitmap& bitmap, const std::string& hostPath);
    static bool SaveScreen(const std::string& hostPath);
    static bool SaveWindow(WindowHandle window, const std::string& hostPath);
};

} // namespace vel::gui
