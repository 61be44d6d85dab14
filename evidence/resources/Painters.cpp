// The pictures of the shipped skin, one painter per name in the skin file.

#include "AtlasGen.h"
#include "PaintKit.h"

#include <cmath>

namespace vel::atlas {

namespace {

using gfx::Canvas;
using namespace pal;

cairo_t* Cr(Canvas& c)
{
    return c.Native();
}

const gfx::Font& UiFont()
{
    static gfx::Font font({u"宋体", 12});
    return font;
}

// Paints `draw` into a scratch bitmap, greys it (luminance, lightened) and
// puts it on the canvas at (x, y): the disabled look of any picture.
template <typename F> void Greyed(Canvas& c, int x, int y, int w, int h, F&& draw, double fade = 0.55)
{
    gfx::Bitmap scratch(w, h, 0);
    {
        gfx::Canvas s(scratch);
        draw(s);
    }
    for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx) {
            uint32_t p = scratch.Pixel(xx, yy);
            uint32_t a = p >> 24;
            if (!a)
                continue;
            double r = ((p >> 16) & 0xFF), g = ((p >> 8) & 0xFF), b = (p & 0xFF);
            double lum = 0.3 * r + 0.59 * g + 0.11 * b;
            double v = lum + (a - lum) * fade; // towards white (premultiplied)
            uint32_t q = uint32_t(std::lround(std::min<double>(v, a)));
            scratch.SetPixel(xx, yy, a << 24 | q << 16 | q << 8 | q);
        }
    c.DrawBitmap(scratch, {0, 0, w, h}, x, y);
}

// --- Frame pieces ----------------------------------------------------------------

constexpr uint32_t kFrameEdge = 0x1762C2;
constexpr uint32_t kCaptionTop = 0x3B8EEA, kCaptionBottom = 0x1D72DA;

void CaptionFill(cairo_t* cr, int w, int h)
{
    cairo_rectangle(cr, 0, 0, w, h);
    SetVGradient(cr, 0, h, kCaptionTop, kCaptionBottom);
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 0, w, 1);
    SetRgb(cr, kFrameEdge);
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 1, w, 1);
    SetRgb(cr, 0x79B4F4, 0.8);
    cairo_fill(cr);
}

// A caption corner, 3 pixels wide; `right` mirrors it.
void CaptionCorner(Canvas& c, int w, int h, bool right)
{
    cairo_t* cr = Cr(c);
    CaptionFill(cr, w, h);
    cairo_rectangle(cr, right ? w - 1 : 0, 0, 1, h);
    SetRgb(cr, kFrameEdge);
    cairo_fill(cr);
    // round the outer corner: three pixels cut away, the next ones edged
    auto px = [&](int x, int y, uint32_t rgb, double a) {
        int xx = right ? w - 1 - x : x;
        cairo_save(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_rectangle(cr, xx, y, 1, 1);
        SetRgb(cr, rgb, a);
        cairo_fill(cr);
        cairo_restore(cr);
    };
    px(0, 0, 0, 0);
    px(1, 0, 0, 0);
    px(0, 1, 0, 0);
    px(2, 0, kFrameEdge, 0.85);
    px(0, 2, kFrameEdge, 0.85);
    px(1, 1, kFrameEdge, 1);
    px(2, 1, 0x5C9FEE, 1);
    px(1, 2, 0x4E96EC, 1);
}

enum class CapGlyph
{
    kMinimize,
    kMaximize,
    kRestore,
    kClose
};

// Drawn opaque; the caller fades the whole glyph for the disabled look.
void CaptionGlyph(cairo_t* cr, CapGlyph g, double cx, double cy, double s)
{
    SetRgb(cr, kWhite);
    switch (g) {
    case CapGlyph::kMinimize:
        cairo_rectangle(cr, std::round(cx - s / 2), std::round(cy + s * 0.25), std::round(s), 2);
        cairo_fill(cr);
        break;
    case CapGlyph::kMaximize: {
        double x0 = std::round(cx - s / 2) + 0.5, y0 = std::round(cy - s / 2) + 0.5;
        cairo_rectangle(cr, x0, y0, std::round(s) - 1, std::round(s) - 1);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        cairo_rectangle(cr, x0 - 0.5, y0 + 0.5, std::round(s), 1);
        cairo_fill(cr);
        break;
    }
    case CapGlyph::kRestore: {
        double x0 = std::round(cx - s / 2) + 0.5, y0 = std::round(cy - s / 2) + 0.5, q = std::round(s * 0.7);
        cairo_set_line_width(cr, 1);
        cairo_move_to(cr, x0 + s - q, y0 + 2);
        cairo_line_to(cr, x0 + s - q, y0);
        cairo_line_to(cr, x0 + s - 1, y0);
        cairo_line_to(cr, x0 + s - 1, y0 + q - 1);
        cairo_line_to(cr, x0 + q - 1 + 1, y0 + q - 1);
        cairo_stroke(cr);
        cairo_rectangle(cr, x0, y0 + s - q, q - 1, q - 1);
        cairo_stroke(cr);
        cairo_rectangle(cr, x0 - 0.5, y0 + s - q + 0.5, q, 1);
        cairo_fill(cr);
        break;
    }
    case CapGlyph::kClose:
        Cross(cr, cx, cy, s * 0.86, kWhite, 1.6);
        break;
    }
}

Painter CaptionButton(CapGlyph g, int state) // 0 normal, 1 hover, 2 down, 3 disabled
{
    return [g, state](Canvas& c, int w, int h) {
        cairo_t* cr = Cr(c);
        cairo_save(cr);
        bool close = g == CapGlyph::kClose;
        if (state == 1 || state == 2) {
            RoundRectPath(cr, 0, 0, w, h, 2);
            if (close)
                SetRgb(cr, state == 1 ? kRed : kRedDeep);
            else
                SetRgb(cr, state == 1 ? kWhite : 0x0B3F86, state == 1 ? 0.25 : 0.35);
            cairo_fill(cr);
        }
        cairo_push_group(cr);
        CaptionGlyph(cr, g, w / 2.0, h / 2.0, w * 0.58);
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, state == 3 ? 0.4 : 1.0);
        cairo_restore(cr);
    };
}

// --- Push buttons -------------------------------------------------------------

struct ButtonLook
{
    uint32_t top, bottom, edge;
};

Painter ButtonBlock(ButtonLook look)
{
    return [look](Canvas& c, int w, int h) {
        cairo_t* cr = Cr(c);
        RoundRectPath(cr, 0.5, 0.5, w - 1, h - 1, 2.5);
        SetVGradient(cr, 0, h, look.top, look.bottom);
        FillStroke(cr, look.edge);
        // a soft light along the top inside edge
        cairo_rectangle(cr, 2, 1, w - 4, 1);
        SetRgb(cr, kWhite, 0.28);
        cairo_fill(cr);
    };
}

// --- Toolbar buttons --------------------------------------------------------------

enum class ToolIcon
{
    kNewCase,
    kDeleteCase,
    kToTop,
    kUnTop,
    kNewFolder,
    kDelete,
    kAddFile,
    kLink,
    kUnlink
};

void DrawToolIcon(Canvas& c, ToolIcon icon, double x, double y)
{
    cairo_t* cr = Cr(c);
    cairo_save(cr);
    switch (icon) {
    case ToolIcon::kNewCase:
        Envelope(cr, x, y + 1, 14, 14);
        Badge(cr, x + 12, y + 11.5, 4.5, kGreen, Mark::kPlus);
        break;
    case ToolIcon::kDeleteCase:
        Envelope(cr, x, y + 1, 14, 14);
        Badge(cr, x + 12, y + 11.5, 4.5, kRed, Mark::kMinus);
        break;
    case ToolIcon::kToTop:
        Pin(cr, x + 3, y + 1, 10, 14, kOrange);
        break;
    case ToolIcon::kUnTop:
        cairo_save(cr);
        cairo_translate(cr, 0, 2 * y + 16);
        cairo_scale(cr, 1, -1);
        Pin(cr, x + 3, y + 1, 10, 14, kSlate);
        cairo_restore(cr);
        break;
    case ToolIcon::kNewFolder:
        Folder(cr, x, y + 1, 15, 13, false);
        Badge(cr, x + 12, y + 11.5, 4.5, kGreen, Mark::kPlus);
        break;
    case ToolIcon::kDelete:
        Trash(cr, x, y, 16, kRed);
        break;
    case ToolIcon::kAddFile:
        Page(cr, x - 1, y, 15, 15, kBlue, 0);
        Badge(cr, x + 12, y + 11.5, 4.5, kGreen, Mark::kPlus);
        break;
    case ToolIcon::kLink:
        Chain(cr, x, y, 16, kBlue, false);
        break;
    case ToolIcon::kUnlink:
        Chain(cr, x, y, 16, kSlate, true);
        break;
    }
    cairo_restore(cr);
}

Painter ToolButton(ToolIcon icon, std::u16string label, int state) // 0 normal 1 hover 2 down 3 disabled
{
    return [icon, label, state](Canvas& c, int w, int h) {
        cairo_t* cr = Cr(c);
        if (state == 1 || state == 2) {
            RoundRectPath(cr, 0.5, 0.5, w - 1, h - 1, 3);
            SetVGradient(cr, 0, h, state == 1 ? 0xF0F7FE : 0xD3E5F8, state == 1 ? 0xDDEBFA : 0xC3DBF4);
            FillStroke(cr, state == 1 ? kBlueLine : 0x86B1E0);
        }
        int ix = 6, iy = (h - 16) / 2 + (state == 2 ? 1 : 0);
        if (state == 3)
            Greyed(c, ix, iy, 16, 16, [&](Canvas& s) { DrawToolIcon(s, icon, 0, 0); });
        else
            DrawToolIcon(c, icon, ix, iy);
        c.DrawText(label, {25, state == 2 ? 1 : 0, w - 2, h + (state == 2 ? 1 : 0)}, UiFont(),
                   state == 3 ? gfx::Rgb(0xA3, 0xAB, 0xB4) : gfx::Rgb(0x33, 0x33, 0x33),
                   gfx::kTextSingleLine | gfx::kTextVCenter | gfx::kTextNoPrefix);
    };
}

// --- Small glyph helpers ------------------------------------------------------------

Painter Shape(void (*fn)(cairo_t*, double, double, double, uint32_t), uint32_t colour, double inset = 0)
{
    return [fn, colour, inset](Canvas& c, int w, int h) {
        fn(Cr(c), inset, inset, std::min(w, h) - 2 * inset, colour);
    };
}

Painter BadgeOf(uint32_t colour, Mark mark, bool rim = true)
{
    return [colour, mark, rim](Canvas& c, int w, int h) {
        Badge(Cr(c), w / 2.0, h / 2.0, std::min(w, h) / 2.0, colour, mark, rim);
    };
}

void Cabinet(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    // the local library tab: a filing cabinet with two drawers
    double k = s / 17;
    RoundRectPath(cr, x + 2.5 * k, y + 1.5 * k, 12 * k, 14 * k, 1.5 * k);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, 1.3);
    cairo_stroke(cr);
    cairo_rectangle(cr, x + 3 * k, y + 8 * k, 11 * k, 1.2);
    cairo_fill(cr);
    for (double yy : {4.2, 11.2})
        cairo_rectangle(cr, x + 6.5 * k, y + yy * k, 4 * k, 1.6 * k);
    cairo_fill(cr);
}

void WarnTriangle(cairo_t* cr, double w, double h)
{
    cairo_new_path(cr);
    cairo_move_to(cr, w / 2, 0.8);
    cairo_line_to(cr, w - 0.5, h - 1);
    cairo_line_to(cr, 0.5, h - 1);
    cairo_close_path(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    SetRgb(cr, kOrange);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, w / 2 - 0.8, h * 0.32, 1.6, h * 0.34);
    cairo_rectangle(cr, w / 2 - 0.8, h * 0.72, 1.6, 1.6);
    SetRgb(cr, kWhite);
    cairo_fill(cr);
}

// A big tile of the library menu: a device or folder with a round badge.
void TileBadge(cairo_t* cr, double cx, double cy, double r, int kind) // 0 person 1 people 2 chain 3 cloud
{
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    SetRgb(cr, kWhite);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, r - 2, 0, 2 * M_PI);
    SetVGradient(cr, cy - r, cy + r, kBlueLight, kBlue);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_arc(cr, cx, cy, r - 2, 0, 2 * M_PI);
    cairo_clip(cr);
    switch (kind) {
    case 0:
        Person(cr, cx, cy - r * 0.55, r * 1.1, kWhite);
        break;
    case 1:
        People(cr, cx, cy - r * 0.5, r * 0.95, kWhite);
        break;
    case 2:
        Chain(cr, cx - r * 0.6, cy - r * 0.6, r * 1.2, kWhite, false);
        break;
    default:
        Cloud(cr, cx - r * 0.7, cy - r * 0.65, r * 1.4, r * 1.1, kWhite, kWhite);
        break;
    }
    cairo_restore(cr);
}

// --- Dialog pictures ---------------------------------------------------------------

void DialogPanel(Canvas& c, int w, int h, const std::u16string& title, const std::u16string& subtitle,
                 int art)
{
    cairo_t* cr = Cr(c);
    RoundRectPath(cr, 0, 0, w, h, 5);
    SetVGradient(cr, 0, h, 0x3E92EC, 0x1458B0);
    cairo_fill(cr);
    cairo_save(cr);
    RoundRectPath(cr, 0, 0, w, h, 5);
    cairo_clip(cr);
    // soft rings in the background
    for (auto [x, y, r] : {std::array<double, 3>{w * 0.9, h * 0.08, 120},
                           {w * 0.05, h * 0.55, 150},
                           {w * 0.8, h * 0.92, 110}}) {
        cairo_arc(cr, x, y, r, 0, 2 * M_PI);
        SetRgb(cr, kWhite, 0.06);
        cairo_fill(cr);
    }
    cairo_restore(cr);
    // the picture in a light disc
    double cx = w / 2.0, cy = 210;
    cairo_arc(cr, cx, cy, 86, 0, 2 * M_PI);
    SetRgb(cr, kWhite, 0.12);
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, 68, 0, 2 * M_PI);
    SetRgb(cr, kWhite, 0.95);
    cairo_fill(cr);
    switch (art) {
    case 0: // initialisation: a stack of case envelopes and a progress ring
        Envelope(cr, cx - 42, cy - 22, 50, 50);
        Envelope(cr, cx - 20, cy - 36, 50, 50);
        cairo_new_path(cr);
        cairo_arc(cr, cx + 30, cy + 30, 14, 0, 2 * M_PI);
        SetRgb(cr, kWhite);
        cairo_fill(cr);
        cairo_arc(cr, cx + 30, cy + 30, 11, -M_PI / 2, M_PI * 1.1);
        SetRgb(cr, kBlue);
        cairo_set_line_width(cr, 3.5);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_stroke(cr);
        break;
    case 1: // move: a folder going to a disk
        Folder(cr, cx - 56, cy - 20, 42, 36, false);
        HardDisk(cr, cx + 12, cy - 22, 44, 44);
        Arrow(cr, cx, cy, 18, 1, kGreen, 3);
        break;
    default: // login: a person with a lock
        cairo_arc(cr, cx, cy - 6, 40, 0, 2 * M_PI);
        SetVGradient(cr, cy - 46, cy + 34, kBlueLight, kBlue);
        cairo_fill(cr);
        cairo_save(cr);
        cairo_arc(cr, cx, cy - 6, 40, 0, 2 * M_PI);
        cairo_clip(cr);
        Person(cr, cx, cy - 34, 62, kWhite);
        cairo_restore(cr);
        RoundRectPath(cr, cx + 16, cy + 18, 26, 20, 3);
        SetRgb(cr, kOrange);
        cairo_fill(cr);
        cairo_new_path(cr);
        cairo_arc(cr, cx + 29, cy + 18, 7, M_PI, 2 * M_PI);
        SetRgb(cr, kOrange);
        cairo_set_line_width(cr, 3);
        cairo_stroke(cr);
        cairo_arc(cr, cx + 29, cy + 27, 2.5, 0, 2 * M_PI);
        SetRgb(cr, kWhite);
        cairo_fill(cr);
        break;
    }
    static gfx::Font titleFont({u"微软雅黑", 22, gfx::kWeightBold});
    static gfx::Font subFont({u"微软雅黑", 13});
    c.DrawText(title, {0, 330, w, 362}, titleFont, gfx::Rgb(255, 255, 255),
               gfx::kTextSingleLine | gfx::kTextCenter | gfx::kTextVCenter);
    c.DrawText(subtitle, {0, 370, w, 392}, subFont, gfx::Rgb(0xD6, 0xE8, 0xFC),
               gfx::kTextSingleLine | gfx::kTextCenter | gfx::kTextVCenter);
    // progress dots near the foot
    for (int i = 0; i < 3; ++i) {
        cairo_arc(cr, w / 2.0 - 16 + i * 16, h - 60, 3.5, 0, 2 * M_PI);
        SetRgb(cr, kWhite, i == 0 ? 0.95 : 0.4);
        cairo_fill(cr);
    }
}

} // namespace

PainterMap AllPainters()
{
    PainterMap m;

    // --- List icons (34 x 34, 30 x 30, 30 x 28) --------------------------------
    m["img_list_case"] = [](Canvas& c, int w, int h) { Envelope(Cr(c), 1, 2, w - 2, h - 3); };
    m["img_list_folder"] = [](Canvas& c, int w, int h) { Folder(Cr(c), 1, 4, w - 2, h - 7, false); };
    m["img_list_video"] = [](Canvas& c, int w, int h) { VideoFrame(Cr(c), 1, 2, w - 2, h - 4, kBlue); };
    m["img_list_pic"] = [](Canvas& c, int w, int h) { Picture(Cr(c), 1, 2, w - 2, h - 4); };
    m["img_list_doc"] = [](Canvas& c, int w, int h) { Page(Cr(c), 0, 1, w, h - 2, kBlue, 0); };
    m["img_list_other"] = [](Canvas& c, int w, int h) { Page(Cr(c), 0, 1, w, h - 2, kSlate, 1); };
    m["img_list_nas_public"] = [](Canvas& c, int w, int h) {
        Nas(Cr(c), 2, 1, w - 8, h - 3);
        TileBadge(Cr(c), w - 7.5, h - 7.5, 7.5, 1);
    };
    m["img_list_nas_person"] = [](Canvas& c, int w, int h) {
        Nas(Cr(c), 2, 1, w - 8, h - 3);
        TileBadge(Cr(c), w - 7.5, h - 7.5, 7.5, 0);
    };
    m["img_list_default"] = [](Canvas& c, int w, int h) { HardDisk(Cr(c), 0, 0, w, h); };

    // --- 16 x 16 ------------------------------------------------------------------
    m["img_pj_srh"] = Shape(Magnifier, 0x7B90A7);
    m["img_local_file"] = [](Canvas& c, int w, int h) { Monitor(Cr(c), 0, 1, w, h - 1, kBlue); };
    m["img_local_case"] = [](Canvas& c, int w, int h) { Envelope(Cr(c), 0, 1, w, h - 1); };
    m["img_net_case"] = [](Canvas& c, int w, int h) {
        Envelope(Cr(c), 0, 0, w - 2, h - 2);
        Globe(Cr(c), w - 4.5, h - 4.5, 4, kBlue);
    };
    m["img_local_plat"] = [](Canvas& c, int w, int h) { Server(Cr(c), 1, 0, w - 2, h, 0x4A6580); };
    m["img_list_videoplayer"] = Shape(ToolPlay, kSlate);
    m["img_list_videoplayer_high"] = Shape(ToolPlay, kBlue);
    m["img_list_videoconverter"] = Shape(ToolConvert, kSlate);
    m["img_list_videoconverter_high"] = Shape(ToolConvert, kBlue);
    m["img_list_videoeditor"] = Shape(ToolScissors, kSlate);
    m["img_list_videoeditor_high"] = Shape(ToolScissors, kBlue);
    m["img_list_speedmeasure"] = Shape(ToolGauge, kBlue); // the one look it has is the lit one
    m["img_list_sizemeasure"] = Shape(ToolRuler, kSlate);
    m["img_list_sizemeasure_high"] = Shape(ToolRuler, kBlue);
    m["img_list_picmark"] = Shape(ToolMark, kSlate);
    m["img_list_picmark_high"] = Shape(ToolMark, kBlue);
    m["img_list_nas_public_ok"] = BadgeOf(kGreen, Mark::kCheck);
    m["img_list_nas_person_ok"] = BadgeOf(0x1FA58A, Mark::kCheck);
    m["img_list_nas_err"] = BadgeOf(kRed, Mark::kBang);
    m["img_check"] = [](Canvas& c, int w, int h) {
        cairo_t* cr = Cr(c);
        RoundRectPath(cr, 1.5, 1.5, w - 3, h - 3, 2);
        SetVGradient(cr, 1, h - 1, kBlueLight, kBlue);
        FillStroke(cr, kBlueDeep);
        CheckMark(cr, w / 2.0, h / 2.0, 8, kWhite, 1.8);
    };
    m["img_uncheck"] = [](Canvas& c, int w, int h) {
        cairo_t* cr = Cr(c);
        RoundRectPath(cr, 1.5, 1.5, w - 3, h - 3, 2);
        SetVGradient(cr, 1, h - 1, 0xFFFFFF, 0xEEF3F8);
        FillStroke(cr, 0x92A6BB);
    };

    // --- 16 x 14 and 14 x 14 ------------------------------------------------------------
    m["img_dir_open"] = [](Canvas& c, int w, int h) { Folder(Cr(c), 0, 0, w, h, true); };
    m["img_dir_closed"] = [](Canvas& c, int w, int h) { Folder(Cr(c), 0, 0, w, h, false); };
    m["img_tree_case"] = [](Canvas& c, int w, int h) { Envelope(Cr(c), 0, 0, w, h); };
    m["img_list_up_enable"] = [](Canvas& c, int w, int h) {
        Arrow(Cr(c), w / 2.0, h / 2.0, 10, 0, kBlue, 2);
    };
    m["img_list_up_disable"] = [](Canvas& c, int w, int h) {
        Arrow(Cr(c), w / 2.0, h / 2.0, 10, 0, kSlateLight, 2);
    };
    m["img_list_down_enable"] = [](Canvas& c, int w, int h) {
        Arrow(Cr(c), w / 2.0, h / 2.0, 10, 2, kBlue, 2);
    };
    m["img_list_down_disable"] = [](Canvas& c, int w, int h) {
        Arrow(Cr(c), w / 2.0, h / 2.0, 10, 2, kSlateLight, 2);
    };
    m["img_list_pause"] = Shape(Pause, kOrange);
    m["img_list_wait"] = [](Canvas& c, int w, int h) { Clock(Cr(c), w / 2.0, h / 2.0, w / 2.0, kSlate); };
    m["img_upload"] = Shape(Upload, kBlue, 0.5);
    m["img_import_ok"] = BadgeOf(kGreen, Mark::kCheck);
    m["img_import_ing"] = BadgeOf(kBlue, Mark::kSync);
    m["img_import_err"] = BadgeOf(kRed, Mark::kCross);
    m["img_dlg_login_warn"] = [](Canvas& c, int w, int h) { WarnTriangle(Cr(c), w, h); };
    m["img_dlg_login_err"] = BadgeOf(kRed, Mark::kCross, false);
    m["img_dlg_login_ok"] = BadgeOf(kGreen, Mark::kCheck, false);

    // --- 12 x 12 and the small marks -------------------------------------------------
    m["img_pj_srh_close"] = BadgeOf(0xAEBBC8, Mark::kCross, false);
    m["img_pj_set_close"] = [](Canvas& c, int w, int h) { Cross(Cr(c), w / 2.0, h / 2.0, 6, 0x8A9BAD, 1.5); };
    m["img_close_normal"] = [](Canvas& c, int w, int h) { Cross(Cr(c), w / 2.0, h / 2.0, 7, 0x8A9BAD, 1.6); };
    m["img_close_high"] = BadgeOf(kRed, Mark::kCross, false);
    m["img_sync_not"] = BadgeOf(0x9AA9B8, Mark::kMinus);
    m["img_sync_ok"] = BadgeOf(kGreen, Mark::kCheck);
    m["img_sync_ing"] = BadgeOf(kBlue, Mark::kSync);
    m["img_sync_err"] = BadgeOf(kRed, Mark::kBang);
    m["img_tree_collapse"] = [](Canvas& c, int w, int h) { Triangle(Cr(c), 3, 1, 5, 8, 1, kSlate); };
    m["img_tree_expand"] = [](Canvas& c, int w, int h) { Triangle(Cr(c), 1, 1, 8, 4.5, 2, kSlate); };
    m["img_list_case_top"] = [](Canvas& c, int w, int h) { Pin(Cr(c), 0, 0, w, h, 0xF0712C); };
    m["img_list_sort_asc"] = [](Canvas& c, int w, int h) { Triangle(Cr(c), 0, 0, w, h, 0, 0x50A5FF); };
    m["img_list_sort_desc"] = [](Canvas& c, int w, int h) { Triangle(Cr(c), 0, 0, w, h, 2, 0x50A5FF); };

    // --- Tabs ----------------------------------------------------------------------
    m["img_tab_local_nor"] = Shape(Cabinet, kSlate);
    m["img_tab_local_on"] = Shape(Cabinet, kBlue);
    m["img_tab_tovra_nor"] = [](Canvas& c, int w, int h) {
        Cloud(Cr(c), 0.5, 2, w - 1, h - 4, 0xE9EEF3, kSlate);
    };
    m["img_tab_tovra_on"] = [](Canvas& c, int w, int h) {
        Cloud(Cr(c), 0.5, 2, w - 1, h - 4, kBluePale, kBlue);
    };
    m["img_tab_task_nor"] = Shape(TaskList, kSlate, 0.5);
    m["img_tab_tak_on"] = [](Canvas& c, int w, int h) { c.FillRect({0, 0, w, h}, gfx::Rgb(29, 117, 222)); };

    // --- Library menu tiles ---------------------------------------------------------
    m["img_local_menu_default"] = [](Canvas& c, int w, int h) {
        Folder(Cr(c), 8, 6, 64, 54, false);
        TileBadge(Cr(c), w - 16, h - 14, 13, 0);
    };
    m["img_local_menu_dir"] = [](Canvas& c, int w, int h) {
        Folder(Cr(c), 8, 6, 64, 54, false);
        TileBadge(Cr(c), w - 16, h - 14, 13, 2);
    };
    m["img_local_menu_nas_public"] = [](Canvas& c, int w, int h) {
        Nas(Cr(c), 12, 6, 44, 58);
        TileBadge(Cr(c), w - 17, h - 17, 14, 1);
    };
    m["img_local_menu_nas_person"] = [](Canvas& c, int w, int h) {
        Nas(Cr(c), 12, 6, 44, 58);
        TileBadge(Cr(c), w - 17, h - 17, 14, 0);
    };
    m["img_local_menu_platekorrin"] = [](Canvas& c, int w, int h) {
        Server(Cr(c), 12, 8, 44, 54, 0x4A6580);
        TileBadge(Cr(c), w - 17, h - 17, 14, 3);
    };
    m["img_local_menu_nas_public_ok"] = BadgeOf(kGreen, Mark::kCheck);
    m["img_local_menu_nas_person_ok"] = BadgeOf(0x1FA58A, Mark::kCheck);
    m["img_local_menu_nas_err"] = BadgeOf(kRed, Mark::kBang);

    // --- Dialog pictures --------------------------------------------------------------
    m["img_dlg_init"] = [](Canvas& c, int w, int h) {
        DialogPanel(c, w, h, u"档案库初始化", u"正在准备档案库，请稍候", 0);
    };
    m["img_dlg_move"] = [](Canvas& c, int w, int h) {
        DialogPanel(c, w, h, u"档案迁移", u"正在移动档案文件，请勿关闭", 1);
    };
    m["img_dlg_login"] = [](Canvas& c, int w, int h) {
        DialogPanel(c, w, h, u"平台登录", u"登录后即可访问平台资源", 2);
    };
    m["img_dlg_init_note"] = [](Canvas& c, int w, int h) {
        cairo_t* cr = Cr(c);
        RoundRectPath(cr, 0.5, 0.5, w - 1, h - 1, 4);
        SetVGradient(cr, 0, h, 0xF3F8FD, 0xE4EFFA);
        FillStroke(cr, 0xB4CFEC);
        cairo_arc(cr, 26, h / 2.0, 11, 0, 2 * M_PI);
        SetVGradient(cr, h / 2.0 - 11, h / 2.0 + 11, kBlueLight, kBlue);
        cairo_fill(cr);
        cairo_rectangle(cr, 25, h / 2.0 - 2, 2.2, 8);
        cairo_rectangle(cr, 25, h / 2.0 - 6.5, 2.2, 2.2);
        SetRgb(cr, kWhite);
        cairo_fill(cr);
        c.DrawText(u"首次使用需要初始化档案库，请耐心等待…", {46, 0, w - 8, h}, UiFont(),
                   gfx::Rgb(0x4C, 0x60, 0x7A),
                   gfx::kTextSingleLine | gfx::kTextVCenter | gfx::kTextEndEllipsis);
    };

    // --- Menu bar ----------------------------------------------------------------------
    m["menubar_back"] = [](Canvas& c, int w, int h) {
        cairo_t* cr = Cr(c);
        cairo_rectangle(cr, 0, 0, w, h);
        SetVGradient(cr, 0, h, 0xFFFFFF, 0xE6EFF8);
        cairo_fill(cr);
        c.FillRect({0, h - 1, w, h}, gfx::Rgb(0xC6, 0xD7, 0xE8));
    };
    m["menubar_btn"] = [](Canvas& c, int w, int h) {
        cairo_t* cr = Cr(c);
        RoundRectPath(cr, 0.5, 0.5, w - 1, h - 1, 3);
        SetVGradient(cr, 0, h, 0xF0F7FE, 0xD9E9F9);
        FillStroke(cr, kBlueLine);
    };

    // --- Frames --------------------------------------------------------------------------
    for (const char* skin : {"child_resize", "child_domodal"}) {
        std::string s = skin;
        m[s + "/TopLeft"] = [](Canvas& c, int w, int h) { CaptionCorner(c, w, h, false); };
        m[s + "/TopRight"] = [](Canvas& c, int w, int h) { CaptionCorner(c, w, h, true); };
        m[s + "/Top"] = [](Canvas& c, int w, int h) { CaptionFill(Cr(c), w, h); };
    }
    for (const char* part : {"Left", "Right", "Bottom", "BottomLeft", "BottomRight"})
        m[std::string("child_resize/") + part] = [](Canvas& c, int w, int h) {
            c.FillRect({0, 0, w, h}, gfx::Rgb(0x17, 0x62, 0xC2));
        };
    const char* states[] = {"normal", "hover", "down", "disable"};
    for (auto [name, glyph] : {std::pair{"Minimize", CapGlyph::kMinimize},
                               {"Maximize", CapGlyph::kMaximize},
                               {"Restore", CapGlyph::kRestore},
                               {"Close", CapGlyph::kClose}})
        for (int st = 0; st < 4; ++st)
            m[std::string("child_resize/") + name + "/" + states[st]] = CaptionButton(glyph, st);
    for (int st = 0; st < 3; ++st)
        m[std::string("messagebox/Close/") + states[st]] = CaptionButton(CapGlyph::kClose, st);
    m["evd_export/LocalCase/normal"] = [](Canvas& c, int w, int h) { Envelope(Cr(c), 0, 0, w, h); };
    m["evd_export/MyComputer/normal"] = [](Canvas& c, int w, int h) {
        Monitor(Cr(c), 0, 1, w, h - 1, kBlue);
    };

    // --- Buttons: one painter per state paints the whole 14 x 14 part set ---------------
    m["button/parts"] = ButtonBlock({0x4C9CEF, 0x1E73D8, 0x1660BD});
    m["button/partsHot"] = ButtonBlock({0x6DB2F5, 0x2F87E8, 0x1C6ACA});
    m["button/partsDisable"] = ButtonBlock({0xCBD6E1, 0xB5C3D1, 0xA4B4C5});
    m["button_cancel_white/parts"] = ButtonBlock({0xA9BACB, 0x8398AE, 0x74889E});
    m["button_cancel_white/partsHot"] = ButtonBlock({0xBCCAD8, 0x93A7BB, 0x7D91A7});
    m["button_cancel_white/partsDisable"] = ButtonBlock({0xDEE4EA, 0xCED6DE, 0xC3CCD5});

    // --- Toolbars --------------------------------------------------------------------------
    m["toolbar_opr_case/Top"] = [](Canvas& c, int w, int h) {
        c.FillRect({0, 0, w, h}, gfx::Rgb(255, 255, 255));
    };
    m["toolbar_opr_case/Bottom"] = [](Canvas& c, int w, int h) {
        c.FillRect({0, 0, w, h}, gfx::Rgb(0xD0, 0xDD, 0xEA));
    };
    struct Tool
    {
        const char* skin;
        const char* anchor;
        ToolIcon icon;
        const char16_t* label;
    } tools[] = {
        {"toolbar_opr_case", "create", ToolIcon::kNewCase, u"新建档案"},
        {"toolbar_opr_case", "delete", ToolIcon::kDeleteCase, u"删除"},
        {"toolbar_opr_case", "totop", ToolIcon::kToTop, u"置顶"},
        {"toolbar_opr_case", "untop", ToolIcon::kUnTop, u"取消置顶"},
        {"toolbar_opr_file", "create", ToolIcon::kNewFolder, u"新建文件夹"},
        {"toolbar_opr_file", "delete", ToolIcon::kDelete, u"删除"},
        {"toolbar_opr_file", "add", ToolIcon::kAddFile, u"添加"},
        {"toolbar_opr_localmenu", "create", ToolIcon::kLink, u"关联文件夹"},
        {"toolbar_opr_localmenu", "delete", ToolIcon::kUnlink, u"删除关联"},
    };
    for (const Tool& t : tools)
        for (int st = 0; st < 4; ++st)
            m[std::string(t.skin) + "/" + t.anchor + "/" + states[st]] = ToolButton(t.icon, t.label, st);
    // Anchors that are never disabled have no disabled picture.
    for (const char* unused : {"toolbar_opr_case/totop/disable", "toolbar_opr_case/untop/disable",
                               "toolbar_opr_localmenu/create/disable"})
        m.erase(unused);
    return m;
}

gfx::Bitmap PaintAppIcon(int size)
{
    gfx::Bitmap b(size, size, 0);
    gfx::Canvas c(b);
    cairo_t* cr = c.Native();
    double s = size;
    RoundRectPath(cr, 0.5, 0.5, s - 1, s - 1, s * 0.2);
    SetVGradient(cr, 0, s, kBlueLight, kBlueDeep);
    cairo_fill(cr);
    cairo_save(cr);
    RoundRectPath(cr, 0.5, 0.5, s - 1, s - 1, s * 0.2);
    cairo_clip(cr);
    cairo_arc(cr, s * 0.2, s * 0.05, s * 0.7, 0, 2 * M_PI);
    SetRgb(cr, kWhite, 0.12);
    cairo_fill(cr);
    cairo_restore(cr);
    Envelope(cr, s * 0.16, s * 0.18, s * 0.68, s * 0.66);
    if (size >= 24)
        Badge(cr, s * 0.76, s * 0.76, s * 0.17, kBlue, Mark::kCheck);
    return b;
}

gfx::Bitmap PaintResizeCursor(gfx::Point& hotspot)
{
    // A column divider with arrows to both sides, black with a white rim.
    gfx::Bitmap b(32, 32, 0);
    gfx::Canvas c(b);
    cairo_t* cr = c.Native();
    auto shape = [&] {
        cairo_new_path(cr);
        cairo_rectangle(cr, 14, 6, 4, 20);
        cairo_move_to(cr, 12, 11);
        cairo_line_to(cr, 5, 16);
        cairo_line_to(cr, 12, 21);
        cairo_close_path(cr);
        cairo_move_to(cr, 20, 11);
        cairo_line_to(cr, 27, 16);
        cairo_line_to(cr, 20, 21);
        cairo_close_path(cr);
    };
    shape();
    cairo_set_line_width(cr, 2.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    SetRgb(cr, kWhite);
    cairo_stroke(cr);
    shape();
    SetRgb(cr, 0x000000);
    cairo_fill(cr);
    cairo_rectangle(cr, 15, 7, 2, 18);
    SetRgb(cr, kWhite, 0.9);
    cairo_fill(cr);
    hotspot = {16, 16};
    return b;
}

} // namespace vel::atlas
