#include "Region.h"

#include <cairo.h>
#include <new>

namespace vel::gfx {

namespace {

cairo_rectangle_int_t ToCairo(const Rect& r)
{
    return {r.left, r.top, r.IsEmpty() ? 0 : r.Width(), r.IsEmpty() ? 0 : r.Height()};
}

cairo_region_t* Checked(cairo_region_t* r)
{
    if (!r || cairo_region_status(r) != CAIRO_STATUS_SUCCESS) {
        if (r)
            cairo_region_destroy(r);
        throw std::bad_alloc();
    }
    return r;
}

} // namespace

Region::Region() : m_region(Checked(cairo_region_create())) {}

Region::Region(const Rect& rect) : m_region(nullptr)
{
    if (rect.IsEmpty()) {
        m_region = Checked(cairo_region_create());
    } else {
        cairo_rectangle_int_t r = ToCairo(rect);
        m_region = Checked(cairo_region_create_rectangle(&r));
    }
}

Region::~Region()
{
    if (m_region)
        cairo_region_destroy(m_region);
}

Region::Region(const Region& other) : m_region(Checked(cairo_region_copy(other.m_region))) {}

Region& Region::operator=(const Region& other)
{
    if (this != &other) {
        cairo_region_t* copy = Checked(cairo_region_copy(other.m_region));
        cairo_region_destroy(m_region);
        m_region = copy;
    }
    return *this;
}

Region::Region(Region&& other) noexcept : m_region(other.m_region)
{
    other.m_region = cairo_region_create();
}

Region& Region::operator=(Region&& other) noexcept
{
    std::swap(m_region, other.m_region);
    return *this;
}

Region Region::FromAlpha(const Bitmap& bitmap, const Rect& rect)
{
    // The rectangle less its transparent pixels is the union of the runs of
    // visible pixels on each row; consecutive rows with the same runs are
    // merged into one band, so a shape with a few cut corners stays a
    // handful of rectangles.
    Rect area = rect.Intersect({0, 0, bitmap.Width(), bitmap.Height()});
    std::vector<cairo_rectangle_int_t> rects;
    std::vector<std::pair<int, int>> prev, cur;
    size_t bandStart = 0; // index in rects where the previous row's runs start
    for (int y = area.top; y < area.bottom; ++y) {
        cur.clear();
        const uint32_t* row = bitmap.Pixels() + size_t(y) * size_t(bitmap.Width());
        for (int x = area.left; x < area.right;) {
            while (x < area.right && (row[x] >> 24) == 0)
                ++x;
            int start = x;
            while (x < area.right && (row[x] >> 24) != 0)
                ++x;
            if (x > start)
                cur.emplace_back(start, x);
        }
        if (y > area.top && cur == prev) {
            for (size_t i = bandStart; i < rects.size(); ++i)
                ++rects[i].height;
        } else {
            bandStart = rects.size();
            for (auto [a, b] : cur)
                rects.push_back({a, y, b - a, 1});
            prev.swap(cur);
        }
    }
    Region out;
    if (!rects.empty()) {
        cairo_region_destroy(out.m_region);
        out.m_region = Checked(cairo_region_create_rectangles(rects.data(), int(rects.size())));
    }
    return out;
}

bool Region::IsEmpty() const
{
    return cairo_region_is_empty(m_region);
}

Rect Region::Bounds() const
{
    if (IsEmpty())
        return {};
    cairo_rectangle_int_t r;
    cairo_region_get_extents(m_region, &r);
    return Rect::FromXYWH(r.x, r.y, r.width, r.height);
}

bool Region::Contains(int x, int y) const
{
    return cairo_region_contains_point(m_region, x, y);
}

long long Region::Area() const
{
    long long area = 0;
    for (const Rect& r : Rects())
        area += (long long)r.Width() * r.Height();
    return area;
}

std::vector<Rect> Region::Rects() const
{
    std::vector<Rect> out;
    int n = cairo_region_num_rectangles(m_region);
    out.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(m_region, i, &r);
        out.push_back(Rect::FromXYWH(r.x, r.y, r.width, r.height));
    }
    return out;
}

Region& Region::Union(const Rect& rect)
{
    if (!rect.IsEmpty()) {
        cairo_rectangle_int_t r = ToCairo(rect);
        if (cairo_region_union_rectangle(m_region, &r) != CAIRO_STATUS_SUCCESS)
            throw std::bad_alloc();
    }
    return *this;
}

Region& Region::Union(const Region& other)
{
    if (cairo_region_union(m_region, other.m_region) != CAIRO_STATUS_SUCCESS)
        throw std::bad_alloc();
    return *this;
}

Region& Region::Subtract(const Rect& rect)
{
    if (!rect.IsEmpty()) {
        cairo_rectangle_int_t r = ToCairo(rect);
        if (cairo_region_subtract_rectangle(m_region, &r) != CAIRO_STATUS_SUCCESS)
            throw std::bad_alloc();
    }
    return *this;
}

Region& Region::Subtract(const Region& other)
{
    if (cairo_region_subtract(m_region, other.m_region) != CAIRO_STATUS_SUCCESS)
        throw std::bad_alloc();
    return *this;
}

Region& Region::Intersect(const Rect& rect)
{
    cairo_rectangle_int_t r = ToCairo(rect);
    if (cairo_region_intersect_rectangle(m_region, &r) != CAIRO_STATUS_SUCCESS)
        throw std::bad_alloc();
    return *this;
}

Region& Region::Intersect(const Region& other)
{
    if (cairo_region_intersect(m_region, other.m_region) != CAIRO_STATUS_SUCCESS)
        throw std::bad_alloc();
    return *this;
}

Region& Region::Offset(int dx, int dy)
{
    cairo_region_translate(m_region, dx, dy);
    return *this;
}

bool operator==(const Region& a, const Region& b)
{
    return cairo_region_equal(a.m_region, b.m_region);
}

} // namespace vel::gfx
