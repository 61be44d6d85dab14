#include "Paint.h"

#include "System.h"

namespace vel::gui {

using detail::System;
using Lock = System::Lock;

PaintContext::PaintContext(Window& window) : m_window(window)
{
    Rect client;
    bool erase = false;
    {
        Lock lock;
        if (!window.m_handle) {
            m_canvas = std::make_unique<gfx::Canvas>(m_dummy);
            return;
        }
        System::EnsureSurfaceLocked(&window);
        m_surface = window.m_surface;
        m_area = window.m_invalid;
        erase = window.m_erase;
        window.m_invalid = gfx::Region();
        window.m_erase = false;
        System::MarkDirtyLocked(&window);
        client = window.m_client;
    }
    m_surface->mu.lock();
    m_canvas = std::make_unique<gfx::Canvas>(m_surface->bitmap);
    m_canvas->SetOrigin(client.left, client.top);
    m_canvas->ClipRect({0, 0, client.Width(), client.Height()});
    m_canvas->ClipRegion(m_area);
    if (erase) {
        m_canvas->Save();
        m_erased = window.Send(kWmEraseBkgnd, WParam(m_canvas.get()), 0) != 0;
        m_canvas->Restore();
    }
}

PaintContext::~PaintContext()
{
    if (!m_surface)
        return;
    m_canvas.reset();
    m_surface->mu.unlock();
    Lock lock;
    if (m_window.m_handle) {
        Rect b = m_area.Bounds().Offset(m_window.m_client.left, m_window.m_client.top);
        System::SurfaceDamaged(&m_window, b);
    }
}

WindowCanvas::WindowCanvas(Window& window, bool wholeWindow) : m_window(window)
{
    Rect client, whole;
    {
        Lock lock;
        if (!window.m_handle) {
            m_canvas = std::make_unique<gfx::Canvas>(m_dummy);
            return;
        }
        System::EnsureSurfaceLocked(&window);
        m_surface = window.m_surface;
        client = window.m_client;
        whole = {0, 0, window.m_rect.Width(), window.m_rect.Height()};
    }
    m_surface->mu.lock();
    m_canvas = std::make_unique<gfx::Canvas>(m_surface->bitmap);
    if (wholeWindow) {
        m_damage = whole;
    } else {
        m_canvas->SetOrigin(client.left, client.top);
        m_canvas->ClipRect({0, 0, client.Width(), client.Height()});
        m_damage = client;
    }
}

WindowCanvas::~WindowCanvas()
{
    if (!m_surface)
        return;
    m_canvas.reset();
    m_surface->mu.unlock();
    Lock lock;
    if (m_window.m_handle)
        System::SurfaceDamaged(&m_window, m_damage);
}

} // namespace vel::gui
