#include "Drawing.h"

#include "TextEngine.h"

#include <atomic>
#include <fontconfig/fontconfig.h>
#include <pango/pangofc-fontmap.h>

namespace vel::gfx {

namespace detail {
extern const char kFontsConf[];
}

namespace {

std::atomic<int> g_starts{0};
std::atomic<bool> g_aliases{false};

struct Engine
{
    FcConfig* config = nullptr;
    PangoFontMap* map = nullptr;
    PangoContext* measure = nullptr;
};

// Built once, under TextLock; never torn down (fonts may be used by static
// destructors of other modules, and the process ends soon after anyway).
Engine& TheEngine()
{
    static Engine* engine = [] {
        auto* e = new Engine;
        e->config = FcInitLoadConfigAndFonts();
        if (e->config) {
            if (FcConfigParseAndLoadFromMemory(e->config,
                                               reinterpret_cast<const FcChar8*>(detail::kFontsConf), FcTrue))
                g_aliases = true;
        }
        e->map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
        if (!e->map) // no FreeType back-end: whatever Pango offers
            e->map = pango_cairo_font_map_new();
        if (e->config && PANGO_IS_FC_FONT_MAP(e->map))
            pango_fc_font_map_set_config(PANGO_FC_FONT_MAP(e->map), e->config);
        e->measure = pango_font_map_create_context(e->map);
        detail::ApplyFontOptions(e->measure);
        return e;
    }();
    return *engine;
}

} // namespace

namespace detail {

std::mutex& TextLock()
{
    static std::mutex* lock = new std::mutex;
    return *lock;
}

PangoFontMap* FontMap()
{
    return TheEngine().map;
}
PangoContext* MeasureContext()
{
    return TheEngine().measure;
}

void ApplyFontOptions(PangoContext* context)
{
    // Grey-scale anti-aliasing (the target may be translucent, so no
    // sub-pixel colour fringes), light hinting with whole-pixel metrics so
    // that 12-pixel CJK text stays crisp and measures the same everywhere.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(context, 96.0);
}

} // namespace detail

int StartDrawing()
{
    int n = ++g_starts;
    if (n == 1) {
        std::lock_guard<std::mutex> lock(detail::TextLock());
        TheEngine();
    }
    return n;
}

int DrawingStartCount()
{
    return g_starts;
}

bool FontAliasesLoaded()
{
    std::lock_guard<std::mutex> lock(detail::TextLock());
    TheEngine();
    return g_aliases;
}

} // namespace vel::gfx
