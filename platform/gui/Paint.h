#pragma once
// Painting a window. Each window paints into its own retained surface (the
// size of the window rectangle); the screen composites surfaces, children
// over parents. A paint handler opens a PaintContext: it takes the invalid
// area (validating it), asks for the background erase when one is due, and
// gives a canvas clipped to that area with its origin at the client's
// top-left. Drawing outside the window's own surface is impossible, so a
// canvas Clear only ever clears this window.
//
// WindowCanvas is the device context outside painting: the client area, or
// the whole window including the non-client area.

#include "Window.h"

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Region.h"

#include <memory>

namespace vel::gui {

class PaintContext
{
public:
    explicit PaintContext(Window& window);
    ~PaintContext();
    PaintContext(const PaintContext&) = delete;
    PaintContext& operator=(const PaintContext&) = delete;

    gfx::Canvas& Canvas() { return *m_canvas; }
    // What is being painted, in client coordinates.
    const gfx::Region& Area() const { return m_area; }
    Rect Bounds() const { return m_area.Bounds(); }
    bool Erased() const { return m_erased; }

private:
    Window& m_window;
    std::shared_ptr<detail::Surface> m_surface;
    std::unique_ptr<gfx::Canvas> m_canvas;
    gfx::Region m_area;
    bool m_erased = false;
    gfx::Bitmap m_dummy{1, 1}; // drawn on when the window is gone
};

class WindowCanvas
{
public:
    // wholeWindow: origin at the window's top-left and the non-client area
    // included; otherwise the client area.
    explicit WindowCanvas(Window& window, bool wholeWindow = false);
    ~WindowCanvas();
    WindowCanvas(const WindowCanvas&) = delete;
    WindowCanvas& operator=(const WindowCanvas&) = delete;

    gfx::Canvas& Canvas() { return *m_canvas; }
    bool Valid() const { return m_surface != nullptr; }

private:
    Window& m_window;
    std::shared_ptr<detail::Surface> m_surface;
    std::unique_ptr<gfx::Canvas> m_canvas;
    Rect m_damage;
    gfx::Bitmap m_dummy{1, 1};
};

} // namespace vel::gui
