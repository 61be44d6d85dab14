#include "Canvas.h"

#include "Drawing.h"
#include "TextEngine.h"
#include "platform/base/Strings.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <cstring>
#include <optional>
#include <pango/pangocairo.h>

namespace vel::gfx {

bool ColorKey::Matches(uint32_t argb) const
{
    Color c = ColorOfPixel(argb);
    return RedOf(c) >= RedOf(low) && RedOf(c) <= RedOf(high) && GreenOf(c) >= GreenOf(low) &&
           GreenOf(c) <= GreenOf(high) && BlueOf(c) >= BlueOf(low) && BlueOf(c) <= BlueOf(high);
}

namespace {

// A Cairo surface over a bitmap's pixels. Source bitmaps are only read,
// so handing Cairo a non-const pointer to them is safe.
cairo_surface_t* SurfaceOf(const Bitmap& bitmap)
{
    return cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(bitmap.Pixels())), CAIRO_FORMAT_ARGB32,
        bitmap.Width(), bitmap.Height(), bitmap.Width() * 4);
}

// A copy of one block of a bitmap, with the keyed pixels made transparent.
Bitmap CopyBlock(const Bitmap& src, const Rect& r, const ColorKey& key)
{
    Bitmap out(r.Width(), r.Height());
    for (int y = 0; y < r.Height(); ++y) {
        const uint32_t* in = src.Pixels() + size_t(r.top + y) * size_t(src.Width()) + size_t(r.left);
        uint32_t* o = out.Pixels() + size_t(y) * size_t(r.Width());
        if (key.Active()) {
            for (int x = 0; x < r.Width(); ++x)
                o[x] = key.Matches(in[x]) ? 0u : in[x];
        } else {
            std::memcpy(o, in, size_t(r.Width()) * 4);
        }
    }
    return out;
}

struct PrefixedText
{
    std::string utf8;
    int underlineStart = -1, underlineEnd = -1; // byte range of the mnemonic
};

PrefixedText PrepareText(std::u16string_view text, uint32_t flags)
{
    std::u16string t;
    t.reserve(text.size());
    PrefixedText out;
    size_t mnemonic = std::u16string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if ((flags & kTextSingleLine) && (c == u'\r' || c == u'\n')) {
            // CR LF is one break, shown as one space
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            t.push_back(u' ');
            continue;
        }
        if (!(flags & kTextNoPrefix) && c == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                t.push_back(u'&');
                ++i;
            } else if (i + 1 < text.size() && mnemonic == std::u16string::npos) {
                mnemonic = t.size();
            }
            continue;
        }
        t.push_back(c);
    }
    if (mnemonic != std::u16string::npos && mnemonic < t.size()) {
        size_t len = (t[mnemonic] >= 0xD800 && t[mnemonic] < 0xDC00 && mnemonic + 1 < t.size()) ? 2 : 1;
        out.underlineStart = int(Utf16ToUtf8(std::u16string_view(t).substr(0, mnemonic)).size());
        out.underlineEnd =
            out.underlineStart + int(Utf16ToUtf8(std::u16string_view(t).substr(mnemonic, len)).size());
    }
    out.utf8 = Utf16ToUtf8(t);
    return out;
}

// A layout for the text; the caller holds TextLock and unrefs it.
PangoLayout* BuildLayout(PangoContext* ctx, std::u16string_view text, const Font& font, uint32_t flags,
                         int width)
{
    PrefixedText prepared = PrepareText(text, flags);
    PangoLayout* layout = pango_layout_new(ctx);
    pango_layout_set_font_description(layout, font.Description());
    pango_layout_set_text(layout, prepared.utf8.data(), int(prepared.utf8.size()));
    PangoAttrList* attrs = pango_attr_list_new();
    if (font.Spec().underline)
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (prepared.underlineStart >= 0) {
        PangoAttribute* u = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        u->start_index = guint(prepared.underlineStart);
        u->end_index = guint(prepared.underlineEnd);
        pango_attr_list_insert(attrs, u);
    }
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
    if (width > 0) {
        if (flags & (kTextEndEllipsis | kTextWordEllipsis | kTextPathEllipsis)) {
            pango_layout_set_width(layout, width * PANGO_SCALE);
            pango_layout_set_ellipsize(layout, (flags & kTextPathEllipsis) ? PANGO_ELLIPSIZE_MIDDLE
                                                                           : PANGO_ELLIPSIZE_END);
            if (!(flags & kTextSingleLine) && (flags & kTextWordBreak))
                pango_layout_set_height(layout, -1000); // wrap, ellipsise what runs out of room
        } else if (!(flags & kTextSingleLine) && (flags & kTextWordBreak)) {
            pango_layout_set_width(layout, width * PANGO_SCALE);
            pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        }
        if (pango_layout_get_width(layout) > 0)
            pango_layout_set_alignment(layout, (flags & kTextCenter)  ? PANGO_ALIGN_CENTER
                                               : (flags & kTextRight) ? PANGO_ALIGN_RIGHT
                                                                      : PANGO_ALIGN_LEFT);
    }
    return layout;
}

} // namespace

Canvas::Canvas(Bitmap& target) : m_target(target)
{
    m_surface = SurfaceOf(target);
    m_cr = cairo_create(m_surface);
}

Canvas::~Canvas()
{
    cairo_destroy(m_cr);
    cairo_surface_flush(m_surface);
    cairo_surface_destroy(m_surface);
}

void Canvas::Save()
{
    cairo_save(m_cr);
    m_savedOrigins.push_back(m_origin);
}

void Canvas::Restore()
{
    if (m_savedOrigins.empty())
        return;
    cairo_restore(m_cr);
    m_origin = m_savedOrigins.back();
    m_savedOrigins.pop_back();
}

void Canvas::SetOrigin(int x, int y)
{
    cairo_translate(m_cr, x - m_origin.x, y - m_origin.y);
    m_origin = {x, y};
}

void Canvas::ClipRect(const Rect& rect)
{
    cairo_new_path(m_cr);
    if (rect.IsEmpty())
        cairo_rectangle(m_cr, 0, 0, 0, 0);
    else
        cairo_rectangle(m_cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_clip(m_cr);
}

void Canvas::ClipRegion(const Region& region)
{
    cairo_new_path(m_cr);
    for (const Rect& r : region.Rects())
        cairo_rectangle(m_cr, r.left, r.top, r.Width(), r.Height());
    if (region.IsEmpty())
        cairo_rectangle(m_cr, 0, 0, 0, 0);
    cairo_clip(m_cr);
}

void Canvas::ExcludeRect(const Rect& rect)
{
    if (rect.IsEmpty())
        return;
    cairo_new_path(m_cr);
    cairo_rectangle(m_cr, -m_origin.x - 1, -m_origin.y - 1, Width() + 2.0, Height() + 2.0);
    cairo_rectangle(m_cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(m_cr);
    cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_WINDING);
}

void Canvas::ResetClip()
{
    cairo_reset_clip(m_cr);
}

void Canvas::Clear(uint32_t argb)
{
    cairo_surface_flush(m_surface);
    std::fill(m_target.Pixels(), m_target.Pixels() + size_t(Width()) * size_t(Height()), argb);
    cairo_surface_mark_dirty(m_surface);
}

void Canvas::SetColor(Color color, uint8_t alpha)
{
    cairo_set_source_rgba(m_cr, RedOf(color) / 255.0, GreenOf(color) / 255.0, BlueOf(color) / 255.0,
                          alpha / 255.0);
}

void Canvas::FillRect(const Rect& rect, Color color, uint8_t alpha)
{
    if (rect.IsEmpty() || color == kNoColor)
        return;
    cairo_new_path(m_cr);
    cairo_rectangle(m_cr, rect.left, rect.top, rect.Width(), rect.Height());
    SetColor(color, alpha);
    cairo_fill(m_cr);
}

void Canvas::FillRect(const Rect& rect, const Brush& brush, Point brushOrigin)
{
    if (rect.IsEmpty() || brush.IsNull())
        return;
    if (!brush.pattern || brush.pattern->Empty()) {
        FillRect(rect, brush.color);
        return;
    }
    cairo_surface_t* s = SurfaceOf(*brush.pattern);
    cairo_save(m_cr);
    cairo_new_path(m_cr);
    cairo_rectangle(m_cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_set_source_surface(m_cr, s, brushOrigin.x, brushOrigin.y);
    cairo_pattern_set_extend(cairo_get_source(m_cr), CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(cairo_get_source(m_cr), CAIRO_FILTER_NEAREST);
    cairo_fill(m_cr);
    cairo_restore(m_cr);
    cairo_surface_destroy(s);
}

void Canvas::FillRegion(const Region& region, Color color, uint8_t alpha)
{
    if (color == kNoColor)
        return;
    cairo_new_path(m_cr);
    for (const Rect& r : region.Rects())
        cairo_rectangle(m_cr, r.left, r.top, r.Width(), r.Height());
    SetColor(color, alpha);
    cairo_fill(m_cr);
}

void Canvas::FrameRect(const Rect& rect, Color color, int thickness, uint8_t alpha)
{
    if (rect.IsEmpty() || thickness <= 0 || color == kNoColor)
        return;
    int t = std::min({thickness, (rect.Width() + 1) / 2, (rect.Height() + 1) / 2});
    cairo_new_path(m_cr);
    cairo_rectangle(m_cr, rect.left, rect.top, rect.Width(), rect.Height());
    if (rect.Width() > 2 * t && rect.Height() > 2 * t)
        cairo_rectangle(m_cr, rect.left + t, rect.top + t, rect.Width() - 2 * t, rect.Height() - 2 * t);
    cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_EVEN_ODD);
    SetColor(color, alpha);
    cairo_fill(m_cr);
    cairo_set_fill_rule(m_cr, CAIRO_FILL_RULE_WINDING);
}

void Canvas::Line(Point a, Point b, Color color, int width, uint8_t alpha)
{
    if (color == kNoColor || width <= 0 || a == b)
        return;
    int half = (width - 1) / 2;
    if (a.y == b.y) {
        int x0 = a.x < b.x ? a.x : b.x + 1, x1 = a.x < b.x ? b.x : a.x + 1;
        FillRect({x0, a.y - half, x1, a.y - half + width}, color, alpha);
        return;
    }
    if (a.x == b.x) {
        int y0 = a.y < b.y ? a.y : b.y + 1, y1 = a.y < b.y ? b.y : a.y + 1;
        FillRect({a.x - half, y0, a.x - half + width, y1}, color, alpha);
        return;
    }
    cairo_new_path(m_cr);
    cairo_move_to(m_cr, a.x + 0.5, a.y + 0.5);
    cairo_line_to(m_cr, b.x + 0.5, b.y + 0.5);
    cairo_set_line_width(m_cr, width);
    cairo_set_line_cap(m_cr, CAIRO_LINE_CAP_BUTT);
    SetColor(color, alpha);
    cairo_stroke(m_cr);
}

void Canvas::Polyline(std::span<const Point> points, Color color, int width, uint8_t alpha)
{
    for (size_t i = 1; i < points.size(); ++i)
        Line(points[i - 1], points[i], color, width, alpha);
}

void Canvas::Polygon(std::span<const Point> points, Color fill, Color outline, uint8_t alpha)
{
    if (points.size() < 3)
        return;
    auto path = [&](double inset) {
        cairo_new_path(m_cr);
        cairo_move_to(m_cr, points[0].x + inset, points[0].y + inset);
        for (size_t i = 1; i < points.size(); ++i)
            cairo_line_to(m_cr, points[i].x + inset, points[i].y + inset);
        cairo_close_path(m_cr);
    };
    if (fill != kNoColor) {
        path(0);
        SetColor(fill, alpha);
        cairo_fill(m_cr);
    }
    if (outline != kNoColor) {
        path(0);
        cairo_set_line_width(m_cr, 1);
        cairo_set_line_join(m_cr, CAIRO_LINE_JOIN_MITER);
        SetColor(outline, alpha);
        cairo_stroke(m_cr);
    }
}

void Canvas::Ellipse(const Rect& box, Color fill, Color outline, uint8_t alpha)
{
    if (box.IsEmpty())
        return;
    auto path = [&](double inset) {
        cairo_new_path(m_cr);
        cairo_save(m_cr);
        cairo_translate(m_cr, (box.left + box.right) / 2.0, (box.top + box.bottom) / 2.0);
        cairo_scale(m_cr, std::max(0.01, box.Width() / 2.0 - inset),
                    std::max(0.01, box.Height() / 2.0 - inset));
        cairo_arc(m_cr, 0, 0, 1, 0, 2 * M_PI);
        cairo_restore(m_cr);
    };
    if (fill != kNoColor) {
        path(0);
        SetColor(fill, alpha);
        cairo_fill(m_cr);
    }
    if (outline != kNoColor) {
        path(0.5);
        cairo_set_line_width(m_cr, 1);
        SetColor(outline, alpha);
        cairo_stroke(m_cr);
    }
}

void Canvas::RoundRect(const Rect& rect, int radius, Color fill, Color outline, uint8_t alpha)
{
    if (rect.IsEmpty())
        return;
    auto path = [&](double inset) {
        double x0 = rect.left + inset, y0 = rect.top + inset, x1 = rect.right - inset,
               y1 = rect.bottom - inset;
        double r = std::clamp(double(radius) - inset, 0.0, std::min(x1 - x0, y1 - y0) / 2);
        cairo_new_path(m_cr);
        cairo_arc(m_cr, x1 - r, y0 + r, r, -M_PI / 2, 0);
        cairo_arc(m_cr, x1 - r, y1 - r, r, 0, M_PI / 2);
        cairo_arc(m_cr, x0 + r, y1 - r, r, M_PI / 2, M_PI);
        cairo_arc(m_cr, x0 + r, y0 + r, r, M_PI, 3 * M_PI / 2);
        cairo_close_path(m_cr);
    };
    if (fill != kNoColor) {
        path(0);
        SetColor(fill, alpha);
        cairo_fill(m_cr);
    }
    if (outline != kNoColor) {
        path(0.5);
        cairo_set_line_width(m_cr, 1);
        SetColor(outline, alpha);
        cairo_stroke(m_cr);
    }
}

void Canvas::DrawBitmap(const Bitmap& src, const Rect& srcRect, int x, int y, const ColorKey& key,
                        uint8_t alpha)
{
    Rect inner = srcRect.Intersect({0, 0, src.Width(), src.Height()});
    if (inner.IsEmpty() || alpha == 0)
        return;
    x += inner.left - srcRect.left;
    y += inner.top - srcRect.top;
    // A keyed draw, or one from the canvas's own bitmap, goes through a copy.
    std::optional<Bitmap> copy;
    const Bitmap* from = &src;
    Rect fromRect = inner;
    if (key.Active() || &src == &m_target) {
        copy = CopyBlock(src, inner, key);
        from = &*copy;
        fromRect = {0, 0, inner.Width(), inner.Height()};
    }
    cairo_surface_t* s = SurfaceOf(*from);
    cairo_save(m_cr);
    cairo_new_path(m_cr);
    cairo_rectangle(m_cr, x, y, inner.Width(), inner.Height());
    cairo_clip(m_cr);
    cairo_set_source_surface(m_cr, s, x - fromRect.left, y - fromRect.top);
    cairo_pattern_set_filter(cairo_get_source(m_cr), CAIRO_FILTER_NEAREST);
    if (alpha == 255)
        cairo_paint(m_cr);
    else
        cairo_paint_with_alpha(m_cr, alpha / 255.0);
    cairo_restore(m_cr);
    cairo_surface_destroy(s);
}

void Canvas::StretchBitmap(const Bitmap& src, const Rect& srcRect, const Rect& dstRect, const ColorKey& key,
                           uint8_t alpha, Filter filter)
{
    if (srcRect.IsEmpty() || dstRect.IsEmpty() || alpha == 0)
        return;
    Rect inner = srcRect.Intersect({0, 0, src.Width(), src.Height()});
    if (inner.IsEmpty())
        return;
    if (inner == srcRect && inner.Width() == dstRect.Width() && inner.Height() == dstRect.Height()) {
        DrawBitmap(src, srcRect, dstRect.left, dstRect.top, key, alpha);
        return;
    }
    // Only the part of the target that the inside of the source maps to.
    double sx = double(dstRect.Width()) / srcRect.Width(), sy = double(dstRect.Height()) / srcRect.Height();
    double dx0 = dstRect.left + (inner.left - srcRect.left) * sx,
           dy0 = dstRect.top + (inner.top - srcRect.top) * sy;
    double dw = inner.Width() * sx, dh = inner.Height() * sy;
    Bitmap block = CopyBlock(src, inner, key);
    cairo_surface_t* s = SurfaceOf(block);
    cairo_pattern_t* p = cairo_pattern_create_for_surface(s);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, inner.Width() / dw, inner.Height() / dh);
    cairo_matrix_translate(&m, -dx0, -dy0);
    cairo_pattern_set_matrix(p, &m);
    cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(p, filter == Filter::kNearest ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_BILINEAR);
    cairo_save(m_cr);
    cairo_new_path(m_cr);
    cairo_rectangle(m_cr, dx0, dy0, dw, dh);
    cairo_clip(m_cr);
    cairo_set_source(m_cr, p);
    if (alpha == 255)
        cairo_paint(m_cr);
    else
        cairo_paint_with_alpha(m_cr, alpha / 255.0);
    cairo_restore(m_cr);
    cairo_pattern_destroy(p);
    cairo_surface_destroy(s);
}

Rect Canvas::DrawText(std::u16string_view text, const Rect& rect, const Font& font, Color color,
                      uint32_t flags, uint8_t alpha)
{
    if (text.empty() || color == kNoColor)
        return {rect.left, rect.top, rect.left, rect.top};
    if (DrawingStartCount() == 0)
        StartDrawing();
    std::lock_guard<std::mutex> lock(detail::TextLock());
    PangoContext* ctx = pango_font_map_create_context(detail::FontMap());
    detail::ApplyFontOptions(ctx);
    pango_cairo_update_context(m_cr, ctx);
    PangoLayout* layout = BuildLayout(ctx, text, font, flags, rect.Width());
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    int w = logical.width, h = logical.height;
    int x = rect.left, y = rect.top;
    bool wrapped = pango_layout_get_width(layout) > 0;
    if (!wrapped) {
        if (flags & kTextCenter)
            x = rect.left + (rect.Width() - w) / 2;
        else if (flags & kTextRight)
            x = rect.right - w;
    } else {
        x = rect.left + logical.x;
    }
    if (flags & kTextSingleLine) {
        if (flags & kTextVCenter)
            y = rect.top + (rect.Height() - h) / 2;
        else if (flags & kTextBottom)
            y = rect.bottom - h;
    }
    cairo_save(m_cr);
    if (!(flags & kTextNoClip)) {
        cairo_new_path(m_cr);
        cairo_rectangle(m_cr, rect.left, rect.top, std::max(0, rect.Width()), std::max(0, rect.Height()));
        cairo_clip(m_cr);
    }
    SetColor(color, alpha);
    cairo_move_to(m_cr, wrapped ? rect.left : x - logical.x, y - logical.y);
    pango_cairo_show_layout(m_cr, layout);
    cairo_restore(m_cr);
    g_object_unref(layout);
    g_object_unref(ctx);
    return {x, y, x + w, y + h};
}

Size Canvas::MeasureText(std::u16string_view text, const Font& font, uint32_t flags, int width)
{
    if (DrawingStartCount() == 0)
        StartDrawing();
    std::lock_guard<std::mutex> lock(detail::TextLock());
    if (text.empty()) {
        // The height of one line, as the platform reports for an empty text.
        PangoFontMetrics* m =
            pango_context_get_metrics(detail::MeasureContext(), font.Description(), nullptr);
        int h = m ? PANGO_PIXELS_CEIL(pango_font_metrics_get_height(m)) : 0;
        if (m)
            pango_font_metrics_unref(m);
        return {0, h};
    }
    PangoLayout* layout = BuildLayout(detail::MeasureContext(), text, font, flags, width);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    return {logical.width, logical.height};
}

} // namespace vel::gfx
