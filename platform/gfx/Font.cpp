#include "Font.h"

#include "TextEngine.h"
#include "platform/base/Strings.h"

#include <algorithm>

namespace vel::gfx {

Font::Font(FontSpec desc) : m_spec(std::move(desc))
{
    if (m_spec.height <= 0)
        m_spec.height = 12;
    m_spec.height = std::min(m_spec.height, kMaxFontHeight);
    m_spec.weight = std::clamp(m_spec.weight, 100, 1000);
    m_desc = pango_font_description_new();
    std::string face = Utf16ToUtf8(m_spec.face);
    // A comma would make Pango read a list of families; keep the name whole.
    std::replace(face.begin(), face.end(), ',', ' ');
    pango_font_description_set_family(m_desc, face.empty() ? "System" : face.c_str());
    pango_font_description_set_absolute_size(m_desc, double(m_spec.height) * PANGO_SCALE);
    pango_font_description_set_weight(m_desc, PangoWeight(m_spec.weight));
    pango_font_description_set_style(m_desc, m_spec.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
}

Font::~Font()
{
    pango_font_description_free(m_desc);
}

std::string Font::ResolvedFamily() const
{
    std::lock_guard<std::mutex> lock(detail::TextLock());
    PangoContext* ctx = detail::MeasureContext();
    PangoFont* font = pango_font_map_load_font(detail::FontMap(), ctx, m_desc);
    std::string out;
    if (font) {
        PangoFontDescription* d = pango_font_describe(font);
        if (const char* family = pango_font_description_get_family(d))
            out = family;
        pango_font_description_free(d);
        g_object_unref(font);
    }
    return out;
}

FontMetrics Font::Metrics() const
{
    std::lock_guard<std::mutex> lock(detail::TextLock());
    PangoFontMetrics* m = pango_context_get_metrics(detail::MeasureContext(), m_desc, nullptr);
    FontMetrics out;
    if (m) {
        out.ascent = PANGO_PIXELS_CEIL(pango_font_metrics_get_ascent(m));
        out.descent = PANGO_PIXELS_CEIL(pango_font_metrics_get_descent(m));
        int h = pango_font_metrics_get_height(m);
        out.height = h > 0 ? PANGO_PIXELS_CEIL(h) : out.ascent + out.descent;
        pango_font_metrics_unref(m);
    }
    return out;
}

} // namespace vel::gfx
