#include "Screen.h"

#include "Backend.h"
#include "System.h"
#include "SystemLook.h"

#include "platform/gfx/ImageCodec.h"

#include <filesystem>
#include <fstream>

namespace vel::gui {

using detail::System;
using Lock = System::Lock;

namespace {

Size g_screen{1280, 800};
Rect g_work{0, 0, 1280, 760};

struct Item
{
    std::shared_ptr<detail::Surface> surface;
    Point origin;     // where the surface's top-left lands (group coordinates)
    gfx::Region clip; // group coordinates
};

struct Group
{
    std::vector<Item> items;
    Point offset; // where the group's top-left lands in the target
    Size size;
    uint8_t alpha = 255;
};

inline uint32_t Scale(uint32_t px, uint32_t a)
{
    auto ch = [a](uint32_t c) {
        uint32_t t = c * a + 128;
        return (t + (t >> 8)) >> 8;
    };
    return ch(px >> 24) << 24 | ch((px >> 16) & 0xFF) << 16 | ch((px >> 8) & 0xFF) << 8 | ch(px & 0xFF);
}

// Premultiplied "over" of `src` (its top-left at `origin` in `dst`) within
// `clip` (dst coordinates), with a constant alpha on top.
void Blend(gfx::Bitmap& dst, const gfx::Bitmap& src, Point origin, const gfx::Region& clip, uint8_t alpha)
{
    Rect bounds = Rect{0, 0, dst.Width(), dst.Height()}.Intersect(
        Rect::FromXYWH(origin.x, origin.y, src.Width(), src.Height()));
    if (bounds.IsEmpty())
        return;
    for (Rect r : clip.Rects()) {
        r = r.Intersect(bounds);
        for (int y = r.top; y < r.bottom; ++y) {
            uint32_t* d = dst.Pixels() + size_t(y) * size_t(dst.Width());
            const uint32_t* s = src.Pixels() + size_t(y - origin.y) * size_t(src.Width()) - origin.x;
            for (int x = r.left; x < r.right; ++x) {
                uint32_t p = alpha == 255 ? s[x] : Scale(s[x], alpha);
                uint32_t a = p >> 24;
                if (a == 255)
                    d[x] = p;
                else if (a != 0)
                    d[x] = p + Scale(d[x], 255 - a);
            }
        }
    }
}

void CollectTree(const Window* w, Point origin, const gfx::Region& clip, std::vector<Item>& out, bool root)
{
    Rect wr = Rect::FromXYWH(origin.x, origin.y, w->RectInParent().Width(), w->RectInParent().Height());
    gfx::Region c = clip;
    c.Intersect(wr);
    if (auto shape = w->Region()) {
        gfx::Region s = *shape;
        s.Offset(origin.x, origin.y);
        c.Intersect(s);
    }
    if (c.IsEmpty())
        return;
    if (auto surface = System::SurfaceOf(w))
        out.push_back({surface, origin, c});
    if (w->IsPerPixelLayered())
        return; // such a window shows its bitmap only
    Rect client = w->ClientRectInWindow().Offset(origin.x, origin.y);
    gfx::Region cc = c;
    cc.Intersect(client);
    if (cc.IsEmpty())
        return;
    auto children = w->Children();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const Window* child = *it;
        if (!(child->Style() & kWsVisible))
            continue;
        Rect cr = child->RectInParent();
        CollectTree(child, {client.left + cr.left, client.top + cr.top}, cc, out, false);
    }
}

Group GroupOf(const Window* w, Point offset)
{
    Group g;
    Rect r = w->RectInParent();
    g.offset = offset;
    g.size = {r.Width(), r.Height()};
    g.alpha = (w->ExStyle() & kWsExLayered) ? w->LayeredAlpha() : 255;
    CollectTree(w, {0, 0}, gfx::Region(Rect{0, 0, r.Width(), r.Height()}), g.items, true);
    return g;
}

void Draw(gfx::Bitmap& target, const Group& g)
{
    if (g.alpha == 255) {
        for (const Item& it : g.items) {
            std::lock_guard<std::recursive_mutex> lock(it.surface->mu);
            gfx::Region clip = it.clip;
            clip.Offset(g.offset.x, g.offset.y);
            Blend(target, it.surface->bitmap, {it.origin.x + g.offset.x, it.origin.y + g.offset.y}, clip,
                  255);
        }
        return;
    }
    if (g.alpha == 0 || g.size.cx <= 0 || g.size.cy <= 0)
        return;
    gfx::Bitmap layer(g.size.cx, g.size.cy, 0);
    for (const Item& it : g.items) {
        std::lock_guard<std::recursive_mutex> lock(it.surface->mu);
        Blend(layer, it.surface->bitmap, it.origin, it.clip, 255);
    }
    Blend(target, layer, g.offset, gfx::Region(Rect{0, 0, target.Width(), target.Height()}), g.alpha);
}

} // namespace

std::shared_ptr<detail::Surface> detail::System::SurfaceOf(const Window* w)
{
    Lock lock;
    return w->m_surface;
}

Size Screen::ScreenSize()
{
    Lock lock;
    return g_screen;
}

void Screen::SetScreenSize(Size size)
{
    Lock lock;
    g_screen = {std::max(size.cx, 1), std::max(size.cy, 1)};
    g_work = {0, 0, g_screen.cx, std::max(1, g_screen.cy - 40)};
}

Rect Screen::WorkArea()
{
    Lock lock;
    return g_work;
}

void Screen::SetWorkArea(const Rect& area)
{
    Lock lock;
    g_work = area.Intersect({0, 0, g_screen.cx, g_screen.cy});
}

gfx::Color Screen::DesktopColor()
{
    return GetSysColor(SysColor::kDesktop);
}

gfx::Bitmap Screen::Composite()
{
    return Composite(Rect{0, 0, ScreenSize().cx, ScreenSize().cy});
}

gfx::Bitmap Screen::Composite(const Rect& area)
{
    std::vector<Group> groups;
    {
        Lock lock;
        auto& tops = System::TopLevels();
        for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
            const Window* t = *it;
            uint32_t s = t->Style();
            if (!(s & kWsVisible) || (s & kWsMinimize))
                continue;
            Rect r = t->RectInParent();
            groups.push_back(GroupOf(t, {r.left - area.left, r.top - area.top}));
        }
    }
    gfx::Bitmap out(std::max(area.Width(), 0), std::max(area.Height(), 0), gfx::PixelOf(DesktopColor()));
    for (const Group& g : groups)
        Draw(out, g);
    return out;
}

gfx::Bitmap Screen::SnapshotWindow(WindowHandle window)
{
    Group g;
    {
        Lock lock;
        Window* w = System::Lookup(window);
        if (!w)
            return {};
        g = GroupOf(w, {0, 0});
        if (w->IsChild())
            g.alpha = 255;
    }
    gfx::Bitmap out(g.size.cx, g.size.cy, 0);
    Draw(out, g);
    return out;
}

uint32_t Screen::PixelAt(Point p)
{
    gfx::Bitmap b = Composite(Rect{p.x, p.y, p.x + 1, p.y + 1});
    return b.Empty() ? 0 : b.Pixel(0, 0);
}

bool Screen::SavePng(const gfx::Bitmap& bitmap, const std::string& hostPath)
{
    if (bitmap.Empty())
        return false;
    std::string bytes = gfx::EncodeImage(bitmap, "png");
    if (bytes.empty())
        return false;
    std::error_code ec;
    std::filesystem::path p(hostPath);
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path(), ec);
    std::ofstream f(hostPath, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(f);
}

bool Screen::SaveScreen(const std::string& hostPath)
{
    return SavePng(Composite(), hostPath);
}

bool Screen::SaveWindow(WindowHandle window, const std::string& hostPath)
{
    return SavePng(SnapshotWindow(window), hostPath);
}

// --- Backend -----------------------------------------------------------------------------------

namespace {
Backend* g_backend = nullptr;
// Every backend ever set, kept until the process ends: a call into an old
// one may still be running on another thread.
std::vector<std::unique_ptr<Backend>>& Backends()
{
    static auto* all = new std::vector<std::unique_ptr<Backend>>;
    return *all;
}
} // namespace

Backend& CurrentBackend()
{
    Lock lock;
    if (!g_backend) {
        Backends().push_back(std::make_unique<HeadlessBackend>());
        g_backend = Backends().back().get();
    }
    return *g_backend;
}

void SetBackend(std::unique_ptr<Backend> backend)
{
    Lock lock;
    if (!backend)
        return;
    Backends().push_back(std::move(backend));
    g_backend = Backends().back().get();
}

Backend& detail::System::BackendRef()
{
    return CurrentBackend();
}

void detail::System::SurfaceDamaged(Window* w, const Rect& rect)
{
    Lock lock;
    if (!w->m_handle)
        return;
    const Window* top = w;
    Point o{0, 0};
    while (top->m_parent) {
        o.x += top->m_rect.left + top->m_parent->m_client.left;
        o.y += top->m_rect.top + top->m_parent->m_client.top;
        top = top->m_parent;
    }
    BackendRef().OnSurfaceDamaged(top->m_handle, rect.Offset(o.x, o.y));
}

void detail::System::TopLevelChanged(Window* w)
{
    Lock lock;
    if (!w->m_handle)
        return;
    const Window* top = w;
    while (top->m_parent)
        top = top->m_parent;
    BackendRef().OnTopLevelChanged(top->m_handle);
}

} // namespace vel::gui
