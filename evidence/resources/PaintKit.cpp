#include "PaintKit.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vel::atlas {

namespace {

double R(uint32_t c)
{
    return ((c >> 16) & 0xFF) / 255.0;
}
double G(uint32_t c)
{
    return ((c >> 8) & 0xFF) / 255.0;
}
double B(uint32_t c)
{
    return (c & 0xFF) / 255.0;
}

// Pixel-centre snapping for 1-pixel strokes at small sizes.
double Snap(double v)
{
    return std::floor(v) + 0.5;
}

} // namespace

void SetRgb(cairo_t* cr, uint32_t rgb, double alpha)
{
    cairo_set_source_rgba(cr, R(rgb), G(rgb), B(rgb), alpha);
}

void SetVGradient(cairo_t* cr, double y0, double y1, uint32_t top, uint32_t bottom, double alpha)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgba(p, 0, R(top), G(top), B(top), alpha);
    cairo_pattern_add_color_stop_rgba(p, 1, R(bottom), G(bottom), B(bottom), alpha);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

void RoundRectPath(cairo_t* cr, double x, double y, double w, double h, double r)
{
    r = std::clamp(r, 0.0, std::min(w, h) / 2);
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void FillStroke(cairo_t* cr, uint32_t edge, double width)
{
    cairo_fill_preserve(cr);
    SetRgb(cr, edge);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

void Envelope(cairo_t* cr, double x, double y, double w, double h)
{
    // A kraft file envelope (档案袋): body, flap with a string button, and a
    // white label on the front.
    cairo_save(cr);
    double lw = w >= 24 ? 1.0 : 1.0;
    double bx = Snap(x), by = Snap(y + h * 0.06), bw = std::floor(w) - 1, bh = std::floor(h * 0.94) - 1;
    RoundRectPath(cr, bx, by, bw, bh, std::max(1.0, w / 14));
    SetVGradient(cr, by, by + bh, pal::kKraftTop, pal::kKraftBottom);
    FillStroke(cr, pal::kKraftEdge, lw);
    // flap
    double fy = by + bh * 0.36;
    cairo_move_to(cr, bx, by + bh * 0.08);
    cairo_line_to(cr, bx + bw / 2, fy);
    cairo_line_to(cr, bx + bw, by + bh * 0.08);
    SetRgb(cr, pal::kKraftEdge, 0.85);
    cairo_set_line_width(cr, lw);
    cairo_stroke(cr);
    // label
    if (w >= 14) {
        double lx = std::round(x + w * 0.22), ly = std::round(y + h * 0.56);
        double lwid = std::round(w * 0.56), lh = std::max(2.0, std::round(h * 0.24));
        cairo_rectangle(cr, lx, ly, lwid, lh);
        SetRgb(cr, pal::kWhite, 0.95);
        cairo_fill(cr);
        if (w >= 24) {
            SetRgb(cr, pal::kBlue, 0.8);
            for (int i = 0; i < 2; ++i) {
                double yy = ly + lh * (0.33 + 0.34 * i);
                cairo_rectangle(cr, lx + 2, std::round(yy) - 0.5, lwid * (i ? 0.5 : 0.8) - 2, 1);
                cairo_fill(cr);
            }
        }
    }
    // string button
    double br = std::max(1.2, w / 11);
    cairo_arc(cr, bx + bw / 2, fy, br, 0, 2 * M_PI);
    SetRgb(cr, 0xC0392B);
    cairo_fill(cr);
    if (w >= 20) {
        cairo_arc(cr, bx + bw / 2, fy, br * 0.45, 0, 2 * M_PI);
        SetRgb(cr, 0xF6D3A0);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void Folder(cairo_t* cr, double x, double y, double w, double h, bool open)
{
    cairo_save(cr);
    double bx = Snap(x), by = Snap(y), bw = std::floor(w) - 1, bh = std::floor(h) - 1;
    double r = std::max(1.0, w / 16);
    double tabW = bw * 0.42, tabH = std::max(2.0, std::round(bh * 0.16));
    // back with tab
    cairo_new_path(cr);
    cairo_move_to(cr, bx + r, by);
    cairo_line_to(cr, bx + tabW - tabH * 0.4, by);
    cairo_line_to(cr, bx + tabW + tabH * 0.6, by + tabH);
    cairo_line_to(cr, bx + bw - r, by + tabH);
    cairo_arc(cr, bx + bw - r, by + tabH + r, r, -M_PI / 2, 0);
    cairo_line_to(cr, bx + bw, by + bh - r);
    cairo_arc(cr, bx + bw - r, by + bh - r, r, 0, M_PI / 2);
    cairo_line_to(cr, bx + r, by + bh);
    cairo_arc(cr, bx + r, by + bh - r, r, M_PI / 2, M_PI);
    cairo_line_to(cr, bx, by + r);
    cairo_arc(cr, bx + r, by + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
    SetRgb(cr, pal::kFolderBack);
    FillStroke(cr, pal::kFolderEdge);
    if (w >= 20) {
        // a sheet of paper peeking out
        cairo_rectangle(cr, bx + bw * 0.12, by + tabH + 1.5, bw * 0.76, bh * 0.4);
        SetRgb(cr, pal::kWhite);
        cairo_fill(cr);
    }
    // front
    double fy = by + bh * (open ? 0.42 : 0.3);
    cairo_new_path(cr);
    if (open) {
        cairo_move_to(cr, bx + bw * 0.16, fy);
        cairo_line_to(cr, bx + bw + 0.5, fy);
        cairo_line_to(cr, bx + bw - bw * 0.1, by + bh);
        cairo_line_to(cr, bx, by + bh);
        cairo_close_path(cr);
    } else {
        RoundRectPath(cr, bx, fy, bw, by + bh - fy, r);
    }
    SetVGradient(cr, fy, by + bh, pal::kFolderTop, pal::kFolderBottom);
    FillStroke(cr, pal::kFolderEdge);
    if (!open && w >= 20) {
        cairo_move_to(cr, bx + 1.5, Snap(fy + 1));
        cairo_line_to(cr, bx + bw - 1.5, Snap(fy + 1));
        SetRgb(cr, pal::kWhite, 0.55);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void Page(cairo_t* cr, double x, double y, double w, double h, uint32_t accent, int kind)
{
    cairo_save(cr);
    double pw = std::floor(w * 0.78), ph = std::floor(h) - 1;
    double px = Snap(x + (w - pw) / 2), py = Snap(y);
    double fold = std::max(3.0, std::round(pw * 0.32));
    cairo_new_path(cr);
    cairo_move_to(cr, px, py);
    cairo_line_to(cr, px + pw - fold, py);
    cairo_line_to(cr, px + pw, py + fold);
    cairo_line_to(cr, px + pw, py + ph);
    cairo_line_to(cr, px, py + ph);
    cairo_close_path(cr);
    SetVGradient(cr, py, py + ph, 0xFFFFFF, 0xEEF3F8);
    FillStroke(cr, 0x8DA2B8);
    cairo_move_to(cr, px + pw - fold, py);
    cairo_line_to(cr, px + pw - fold, py + fold);
    cairo_line_to(cr, px + pw, py + fold);
    cairo_close_path(cr);
    SetRgb(cr, 0xD4DEE8);
    FillStroke(cr, 0x8DA2B8);
    if (kind == 0) {
        int lines = h >= 24 ? 5 : 3;
        double top = py + std::max(fold + 1.5, ph * 0.34), step = (ph * 0.88 - (top - py)) / lines;
        for (int i = 0; i < lines; ++i) {
            double yy = std::round(top + i * step);
            double len = (i == lines - 1 ? 0.55 : 0.78) * (pw - 4);
            cairo_rectangle(cr, std::round(px + 2), yy, std::round(len), h >= 24 ? 2 : 1);
            SetRgb(cr, accent, i == 0 ? 1.0 : 0.7);
            cairo_fill(cr);
        }
    } else {
        for (int i = 0; i < 3; ++i) {
            cairo_arc(cr, px + pw * (0.28 + 0.22 * i), py + ph * 0.64, std::max(1.0, w / 16), 0, 2 * M_PI);
            SetRgb(cr, accent);
            cairo_fill(cr);
        }
    }
    cairo_restore(cr);
}

void VideoFrame(cairo_t* cr, double x, double y, double w, double h, uint32_t colour)
{
    cairo_save(cr);
    double fw = std::floor(w) - 1, fh = std::floor(h * 0.78);
    double fx = Snap(x), fy = Snap(y + (h - fh) / 2);
    RoundRectPath(cr, fx, fy, fw, fh, std::max(1.5, w / 10));
    SetVGradient(cr, fy, fy + fh, pal::kBlueLight, colour);
    FillStroke(cr, pal::kBlueDeep);
    // film holes
    if (w >= 20) {
        int holes = 5;
        double hs = std::max(1.5, w / 16);
        for (int i = 0; i < holes; ++i) {
            double hx = fx + 2 + i * (fw - 4 - hs) / (holes - 1);
            cairo_rectangle(cr, std::round(hx), std::round(fy + 1.5), hs, hs);
            cairo_rectangle(cr, std::round(hx), std::round(fy + fh - 1.5 - hs), hs, hs);
        }
        SetRgb(cr, pal::kWhite, 0.75);
        cairo_fill(cr);
    }
    // play mark
    double s = fh * 0.42;
    double cx = fx + fw / 2 + s * 0.12, cy = fy + fh / 2;
    cairo_move_to(cr, cx - s * 0.45, cy - s * 0.55);
    cairo_line_to(cr, cx + s * 0.55, cy);
    cairo_line_to(cr, cx - s * 0.45, cy + s * 0.55);
    cairo_close_path(cr);
    SetRgb(cr, pal::kWhite);
    cairo_fill(cr);
    cairo_restore(cr);
}

void Picture(cairo_t* cr, double x, double y, double w, double h)
{
    cairo_save(cr);
    double fw = std::floor(w) - 1, fh = std::floor(h * 0.8);
    double fx = Snap(x), fy = Snap(y + (h - fh) / 2);
    RoundRectPath(cr, fx, fy, fw, fh, std::max(1.0, w / 14));
    SetVGradient(cr, fy, fy + fh, 0xCDE7FB, 0xF3F9FE);
    FillStroke(cr, 0x4F8FCB);
    cairo_save(cr);
    RoundRectPath(cr, fx + 0.5, fy + 0.5, fw - 1, fh - 1, std::max(1.0, w / 14));
    cairo_clip(cr);
    // sun
    cairo_arc(cr, fx + fw * 0.72, fy + fh * 0.3, fh * 0.13, 0, 2 * M_PI);
    SetRgb(cr, 0xF7B733);
    cairo_fill(cr);
    // hills
    cairo_move_to(cr, fx, fy + fh);
    cairo_line_to(cr, fx, fy + fh * 0.78);
    cairo_line_to(cr, fx + fw * 0.34, fy + fh * 0.38);
    cairo_line_to(cr, fx + fw * 0.62, fy + fh * 0.72);
    cairo_line_to(cr, fx + fw * 0.76, fy + fh * 0.56);
    cairo_line_to(cr, fx + fw, fy + fh * 0.84);
    cairo_line_to(cr, fx + fw, fy + fh);
    cairo_close_path(cr);
    SetVGradient(cr, fy + fh * 0.4, fy + fh, 0x5CC26E, 0x2E9447);
    cairo_fill(cr);
    cairo_restore(cr);
    RoundRectPath(cr, fx, fy, fw, fh, std::max(1.0, w / 14));
    SetRgb(cr, 0x4F8FCB);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void Monitor(cairo_t* cr, double x, double y, double w, double h, uint32_t colour)
{
    cairo_save(cr);
    double sw = std::floor(w) - 1, sh = std::round(h * 0.68);
    double sx = Snap(x), sy = Snap(y + h * 0.04);
    RoundRectPath(cr, sx, sy, sw, sh, std::max(1.0, w / 12));
    SetRgb(cr, colour);
    FillStroke(cr, pal::kBlueDeep);
    double in = std::max(1.5, std::round(w / 9));
    cairo_rectangle(cr, sx + in - 0.5, sy + in - 0.5, sw - 2 * in + 1, sh - 2 * in + 1);
    SetVGradient(cr, sy, sy + sh, 0xE9F4FF, 0xB9DAFA);
    cairo_fill(cr);
    // stand
    double stw = std::max(3.0, std::round(w * 0.2));
    cairo_rectangle(cr, std::round(x + (w - stw) / 2), sy + sh, stw, std::round(h * 0.14));
    SetRgb(cr, pal::kSlateDark);
    cairo_fill(cr);
    double bw = std::round(w * 0.56);
    cairo_rectangle(cr, std::round(x + (w - bw) / 2), std::round(y + h) - std::max(1.0, std::round(h * 0.1)),
                    bw, std::max(1.0, std::round(h * 0.1)));
    cairo_fill(cr);
    cairo_restore(cr);
}

void Server(cairo_t* cr, double x, double y, double w, double h, uint32_t colour)
{
    cairo_save(cr);
    int units = 3;
    double gap = std::max(1.0, std::round(h / 16));
    double uh = std::floor((h - gap * (units - 1)) / units);
    for (int i = 0; i < units; ++i) {
        double uy = Snap(y + i * (uh + gap));
        RoundRectPath(cr, Snap(x), uy, std::floor(w) - 1, uh - 1, std::max(1.0, w / 14));
        SetVGradient(cr, uy, uy + uh, 0x6E8BA8, colour);
        FillStroke(cr, 0x3F556C);
        double led = std::max(1.0, std::round(uh / 5));
        cairo_rectangle(cr, std::round(x + w * 0.16), std::round(uy + uh / 2 - led / 2), led + 0.5,
                        led + 0.5);
        SetRgb(cr, i == 0 ? 0x7CFC9A : 0x9FE6FF);
        cairo_fill(cr);
        cairo_rectangle(cr, std::round(x + w * 0.45), std::round(uy + uh / 2) - 0.5, std::round(w * 0.38), 1);
        SetRgb(cr, pal::kWhite, 0.6);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void Nas(cairo_t* cr, double x, double y, double w, double h)
{
    cairo_save(cr);
    double bx = Snap(x), by = Snap(y), bw = std::floor(w) - 1, bh = std::floor(h) - 1;
    RoundRectPath(cr, bx, by, bw, bh, std::max(1.5, w / 9));
    SetVGradient(cr, by, by + bh, 0x56687C, 0x2F3E4F);
    FillStroke(cr, 0x24303D);
    // two drive bays
    int bays = 2;
    double pad = std::round(w * 0.14), bayW = (bw - 2 * pad - (bays - 1) * 2) / bays;
    for (int i = 0; i < bays; ++i) {
        double dx = bx + pad + i * (bayW + 2);
        cairo_rectangle(cr, std::round(dx), std::round(by + bh * 0.14), std::round(bayW),
                        std::round(bh * 0.56));
        SetVGradient(cr, by, by + bh, 0x93A6BA, 0x6B7F95);
        cairo_fill(cr);
        for (int k = 0; k < 3; ++k) {
            cairo_rectangle(cr, std::round(dx + 1), std::round(by + bh * (0.22 + 0.13 * k)),
                            std::round(bayW - 2), 1);
            SetRgb(cr, 0x46576A, 0.7);
            cairo_fill(cr);
        }
    }
    // status lights
    for (int i = 0; i < 2; ++i) {
        cairo_arc(cr, bx + pad + 1 + i * w * 0.14, by + bh * 0.84, std::max(0.9, w / 26), 0, 2 * M_PI);
        SetRgb(cr, i == 0 ? 0x6CF28E : 0x7EC8FF);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void Person(cairo_t* cr, double cx, double top, double size, uint32_t colour)
{
    cairo_arc(cr, cx, top + size * 0.26, size * 0.22, 0, 2 * M_PI);
    SetRgb(cr, colour);
    cairo_fill(cr);
    cairo_new_path(cr);
    cairo_arc(cr, cx, top + size * 1.02, size * 0.44, M_PI, 2 * M_PI);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void People(cairo_t* cr, double cx, double top, double size, uint32_t colour)
{
    // one person behind another, the front one cut free by a thin gap
    Person(cr, cx + size * 0.24, top + size * 0.02, size * 0.8, colour);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_arc(cr, cx - size * 0.12, top + size * 0.26 + size * 0.1, size * 0.22 + 1.2, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_new_path(cr);
    cairo_arc(cr, cx - size * 0.12, top + size * 1.12, size * 0.44 + 1.2, M_PI, 2 * M_PI);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_restore(cr);
    Person(cr, cx - size * 0.12, top + size * 0.1, size, colour);
}

void Cloud(cairo_t* cr, double x, double y, double w, double h, uint32_t fill, uint32_t edge)
{
    // The union of three puffs and a flat base: each piece is first stroked
    // with the edge colour, then all are filled, leaving one outline.
    auto pieces = [&] {
        cairo_new_path(cr);
        cairo_new_sub_path(cr);
        double u = std::min(w * 0.62, h); // puff scale: clouds stay wide
        double base = y + h * 0.5 + u * 0.4;
        cairo_arc(cr, x + w * 0.26, base - u * 0.22, u * 0.22, 0, 2 * M_PI);
        cairo_new_sub_path(cr);
        cairo_arc(cr, x + w * 0.5, base - u * 0.42, u * 0.32, 0, 2 * M_PI);
        cairo_new_sub_path(cr);
        cairo_arc(cr, x + w * 0.75, base - u * 0.24, u * 0.24, 0, 2 * M_PI);
        cairo_rectangle(cr, x + w * 0.26, base - u * 0.3, w * 0.49, u * 0.3);
    };
    pieces();
    SetRgb(cr, edge);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    pieces();
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    SetRgb(cr, fill);
    cairo_fill(cr);
}

void Globe(cairo_t* cr, double cx, double cy, double r, uint32_t colour)
{
    cairo_save(cr);
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    SetRgb(cr, pal::kWhite);
    cairo_fill_preserve(cr);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, 0.45, 1);
    cairo_arc(cr, 0, 0, r, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_move_to(cr, cx - r, cy);
    cairo_line_to(cr, cx + r, cy);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void HardDisk(cairo_t* cr, double x, double y, double w, double h)
{
    cairo_save(cr);
    double bx = Snap(x), by = Snap(y + h * 0.22), bw = std::floor(w) - 1, bh = std::floor(h * 0.62);
    RoundRectPath(cr, bx, by, bw, bh, std::max(1.5, w / 10));
    SetVGradient(cr, by, by + bh, 0xE4EBF2, 0xAAB9C8);
    FillStroke(cr, 0x6F8296);
    cairo_rectangle(cr, std::round(bx + bw * 0.1), std::round(by + bh * 0.62), std::round(bw * 0.56), 1);
    SetRgb(cr, 0x7D90A4);
    cairo_fill(cr);
    cairo_arc(cr, bx + bw * 0.84, by + bh * 0.64, std::max(1.0, w / 16), 0, 2 * M_PI);
    SetRgb(cr, 0x3CCB5C);
    cairo_fill(cr);
    cairo_restore(cr);
}

void CheckMark(cairo_t* cr, double cx, double cy, double s, uint32_t colour, double width)
{
    cairo_new_path(cr);
    cairo_move_to(cr, cx - s * 0.5, cy + s * 0.02);
    cairo_line_to(cr, cx - s * 0.14, cy + s * 0.36);
    cairo_line_to(cr, cx + s * 0.52, cy - s * 0.34);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

void Cross(cairo_t* cr, double cx, double cy, double s, uint32_t colour, double width)
{
    cairo_new_path(cr);
    cairo_move_to(cr, cx - s / 2, cy - s / 2);
    cairo_line_to(cr, cx + s / 2, cy + s / 2);
    cairo_move_to(cr, cx + s / 2, cy - s / 2);
    cairo_line_to(cr, cx - s / 2, cy + s / 2);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

void Plus(cairo_t* cr, double cx, double cy, double s, uint32_t colour, double width)
{
    cairo_new_path(cr);
    cairo_rectangle(cr, std::round(cx - s / 2), std::round(cy - width / 2), std::round(s), width);
    cairo_rectangle(cr, std::round(cx - width / 2), std::round(cy - s / 2), width, std::round(s));
    SetRgb(cr, colour);
    cairo_fill(cr);
}

void Badge(cairo_t* cr, double cx, double cy, double r, uint32_t fill, Mark mark, bool rim)
{
    cairo_save(cr);
    if (rim) {
        cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
        SetRgb(cr, pal::kWhite);
        cairo_fill(cr);
        r -= std::max(1.0, r / 6);
    }
    cairo_arc(cr, cx, cy, r, 0, 2 * M_PI);
    cairo_pattern_t* p = cairo_pattern_create_radial(cx - r * 0.3, cy - r * 0.4, r * 0.1, cx, cy, r);
    cairo_pattern_add_color_stop_rgb(p, 0, std::min(1.0, R(fill) + 0.18), std::min(1.0, G(fill) + 0.18),
                                     std::min(1.0, B(fill) + 0.18));
    cairo_pattern_add_color_stop_rgb(p, 1, R(fill), G(fill), B(fill));
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
    double lw = std::max(1.2, r * 0.3);
    switch (mark) {
    case Mark::kCheck:
        CheckMark(cr, cx, cy + r * 0.02, r * 1.05, pal::kWhite, lw);
        break;
    case Mark::kCross:
        Cross(cr, cx, cy, r * 0.85, pal::kWhite, lw);
        break;
    case Mark::kBang:
        cairo_rectangle(cr, cx - lw / 2, cy - r * 0.62, lw, r * 0.78);
        cairo_rectangle(cr, cx - lw / 2, cy + r * 0.3, lw, lw);
        SetRgb(cr, pal::kWhite);
        cairo_fill(cr);
        break;
    case Mark::kPlus:
        Plus(cr, cx, cy, r * 1.1, pal::kWhite, std::round(lw));
        break;
    case Mark::kMinus:
        cairo_rectangle(cr, cx - r * 0.55, cy - lw / 2, r * 1.1, lw);
        SetRgb(cr, pal::kWhite);
        cairo_fill(cr);
        break;
    case Mark::kSync:
        CircleArrows(cr, cx, cy, r * 0.52, pal::kWhite, std::max(1.0, r * 0.22));
        break;
    case Mark::kDash:
        for (int i = -1; i <= 1; ++i) {
            cairo_arc(cr, cx + i * r * 0.45, cy, std::max(0.8, r * 0.14), 0, 2 * M_PI);
            SetRgb(cr, pal::kWhite);
            cairo_fill(cr);
        }
        break;
    }
    cairo_restore(cr);
}

void Triangle(cairo_t* cr, double x, double y, double w, double h, int dir, uint32_t colour, double alpha)
{
    cairo_new_path(cr);
    switch (dir) {
    case 0:
        cairo_move_to(cr, x, y + h);
        cairo_line_to(cr, x + w / 2, y);
        cairo_line_to(cr, x + w, y + h);
        break;
    case 1:
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + w, y + h / 2);
        cairo_line_to(cr, x, y + h);
        break;
    case 2:
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + w, y);
        cairo_line_to(cr, x + w / 2, y + h);
        break;
    default:
        cairo_move_to(cr, x + w, y);
        cairo_line_to(cr, x, y + h / 2);
        cairo_line_to(cr, x + w, y + h);
        break;
    }
    cairo_close_path(cr);
    SetRgb(cr, colour, alpha);
    cairo_fill(cr);
}

void Arrow(cairo_t* cr, double cx, double cy, double len, int dir, uint32_t colour, double width)
{
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, dir * M_PI / 2);
    cairo_new_path(cr);
    cairo_move_to(cr, 0, len / 2);
    cairo_line_to(cr, 0, -len / 2 + width);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
    double hw = len * 0.42;
    cairo_move_to(cr, -hw, -len / 2 + hw);
    cairo_line_to(cr, 0, -len / 2 - 0.2);
    cairo_line_to(cr, hw, -len / 2 + hw);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void CircleArrows(cairo_t* cr, double cx, double cy, double r, uint32_t colour, double width)
{
    // Small sizes: one arc with one head reads best; larger ones get the
    // pair of chasing arrows.
    cairo_save(cr);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, width);
    int arcs = r < 5 ? 1 : 2;
    for (int k = 0; k < arcs; ++k) {
        double a0 = arcs == 1 ? -M_PI * 0.35 : k * M_PI + 0.35;
        double a1 = arcs == 1 ? M_PI * 1.25 : k * M_PI + M_PI - 0.45;
        cairo_new_path(cr);
        cairo_arc(cr, cx, cy, r, a0, a1);
        cairo_stroke(cr);
        double ex = cx + r * std::cos(a1), ey = cy + r * std::sin(a1);
        double tx = -std::sin(a1), ty = std::cos(a1); // direction of travel
        double rx = std::cos(a1), ry = std::sin(a1);  // outward
        double hs = std::max(width * 1.5, r * 0.62);
        cairo_move_to(cr, ex + tx * hs * 1.1, ey + ty * hs * 1.1);
        cairo_line_to(cr, ex + rx * hs, ey + ry * hs);
        cairo_line_to(cr, ex - rx * hs, ey - ry * hs);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

// The 16-unit tool pictures: drawn in a 16 x 16 design box scaled to s.
namespace {
struct Design
{
    cairo_t* cr;
    Design(cairo_t* c, double x, double y, double s) : cr(c)
    {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, s / 16, s / 16);
    }
    ~Design() { cairo_restore(cr); }
};
} // namespace

void ToolPlay(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    cairo_arc(cr, 8, 8, 7, 0, 2 * M_PI);
    SetRgb(cr, colour);
    cairo_fill(cr);
    cairo_move_to(cr, 6.2, 4.6);
    cairo_line_to(cr, 11.4, 8);
    cairo_line_to(cr, 6.2, 11.4);
    cairo_close_path(cr);
    SetRgb(cr, pal::kWhite);
    cairo_fill(cr);
}

void ToolConvert(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, 1.6);
    cairo_move_to(cr, 2, 5.5);
    cairo_line_to(cr, 12.5, 5.5);
    cairo_stroke(cr);
    Triangle(cr, 11, 2.3, 4, 6.4, 1, colour);
    cairo_move_to(cr, 14, 10.5);
    cairo_line_to(cr, 3.5, 10.5);
    SetRgb(cr, colour);
    cairo_stroke(cr);
    Triangle(cr, 1, 7.3, 4, 6.4, 3, colour);
}

void ToolScissors(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, 1.5);
    cairo_move_to(cr, 4, 1.5);
    cairo_line_to(cr, 10.6, 10.2);
    cairo_move_to(cr, 12, 1.5);
    cairo_line_to(cr, 5.4, 10.2);
    cairo_stroke(cr);
    for (double cx : {4.2, 11.8}) {
        cairo_arc(cr, cx, 12.2, 2.4, 0, 2 * M_PI);
        cairo_stroke(cr);
    }
}

void ToolGauge(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, 1.6);
    cairo_arc(cr, 8, 9.5, 6.2, M_PI * 0.85, M_PI * 2.15);
    cairo_stroke(cr);
    for (int i = 0; i <= 4; ++i) {
        double a = M_PI * (0.95 + 0.275 * i);
        cairo_move_to(cr, 8 + 4.2 * std::cos(a), 9.5 + 4.2 * std::sin(a));
        cairo_line_to(cr, 8 + 5.2 * std::cos(a), 9.5 + 5.2 * std::sin(a));
    }
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_set_line_width(cr, 1.6);
    cairo_move_to(cr, 8, 9.5);
    cairo_line_to(cr, 11.3, 5.6);
    cairo_stroke(cr);
    cairo_arc(cr, 8, 9.5, 1.5, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_rectangle(cr, 4, 13.6, 8, 1.4);
    cairo_fill(cr);
}

void ToolRuler(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    cairo_save(cr);
    cairo_translate(cr, 8, 8);
    cairo_rotate(cr, -M_PI / 4);
    RoundRectPath(cr, -7.5, -2.8, 15, 5.6, 0.8);
    SetRgb(cr, colour);
    cairo_fill(cr);
    SetRgb(cr, pal::kWhite);
    for (int i = 0; i < 6; ++i) {
        double tx = -5.6 + i * 2.25;
        cairo_rectangle(cr, tx, -2.8, 0.9, i % 2 ? 1.8 : 2.8);
    }
    cairo_fill(cr);
    cairo_restore(cr);
}

void ToolMark(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    // a picture corner with a pen across it
    RoundRectPath(cr, 1.5, 3.5, 10, 10, 1);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, 1.4);
    cairo_stroke(cr);
    cairo_move_to(cr, 2.5, 12.5);
    cairo_line_to(cr, 5.5, 8.5);
    cairo_line_to(cr, 7.5, 10.5);
    cairo_line_to(cr, 9, 9);
    cairo_line_to(cr, 11, 12.5);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 11.4, 4.6);
    cairo_rotate(cr, M_PI / 4);
    cairo_rectangle(cr, -1.6, -5, 3.2, 7.4);
    SetRgb(cr, pal::kWhite);
    cairo_fill_preserve(cr);
    SetRgb(cr, colour);
    cairo_fill(cr);
    cairo_move_to(cr, -1.6, 2.4);
    cairo_line_to(cr, 0, 4.8);
    cairo_line_to(cr, 1.6, 2.4);
    cairo_close_path(cr);
    SetRgb(cr, pal::kOrange);
    cairo_fill(cr);
    cairo_restore(cr);
}

void Magnifier(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    cairo_arc(cr, 6.6, 6.6, 4.6, 0, 2 * M_PI);
    SetRgb(cr, pal::kWhite, 0.6);
    cairo_fill_preserve(cr);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, 1.7);
    cairo_stroke(cr);
    cairo_move_to(cr, 10.1, 10.1);
    cairo_line_to(cr, 14.2, 14.2);
    cairo_set_line_width(cr, 2.4);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

void Clock(cairo_t* cr, double cx, double cy, double r, uint32_t colour)
{
    cairo_save(cr);
    cairo_arc(cr, cx, cy, r - 0.6, 0, 2 * M_PI);
    SetRgb(cr, pal::kWhite);
    cairo_fill_preserve(cr);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, 1.3);
    cairo_stroke(cr);
    cairo_move_to(cr, cx, cy - r * 0.58);
    cairo_line_to(cr, cx, cy);
    cairo_line_to(cr, cx + r * 0.45, cy + r * 0.2);
    cairo_set_line_width(cr, 1.3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void Pause(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    cairo_arc(cr, 8, 8, 7.2, 0, 2 * M_PI);
    SetRgb(cr, colour);
    cairo_fill(cr);
    cairo_rectangle(cr, 5, 4.5, 2.2, 7);
    cairo_rectangle(cr, 8.8, 4.5, 2.2, 7);
    SetRgb(cr, pal::kWhite);
    cairo_fill(cr);
}

void Chain(cairo_t* cr, double x, double y, double s, uint32_t colour, bool broken)
{
    Design d(cr, x, y, s);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, 1.8);
    for (int k = 0; k < 2; ++k) {
        cairo_save(cr);
        cairo_translate(cr, k ? 10.3 : 5.7, k ? 5.7 : 10.3);
        if (broken)
            cairo_translate(cr, k ? 1.2 : -1.2, k ? -1.2 : 1.2);
        cairo_rotate(cr, -M_PI / 4);
        RoundRectPath(cr, -4.2, -2.1, 8.4, 4.2, 2.1);
        cairo_restore(cr);
        cairo_stroke(cr);
    }
    if (!broken) {
        cairo_move_to(cr, 6.3, 9.7);
        cairo_line_to(cr, 9.7, 6.3);
        cairo_stroke(cr);
    } else {
        cairo_set_line_width(cr, 1.2);
        SetRgb(cr, pal::kRed);
        for (auto [a, b, c, e] :
             {std::array<double, 4>{7.5, 2, 7.5, 4}, {14, 8.5, 12, 8.5}, {2, 7.5, 4, 7.5}}) {
            cairo_move_to(cr, a, b);
            cairo_line_to(cr, c, e);
        }
        cairo_stroke(cr);
    }
}

void Trash(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    SetRgb(cr, colour);
    cairo_rectangle(cr, 2.5, 3, 11, 1.6);
    cairo_rectangle(cr, 6, 1.2, 4, 1.8);
    cairo_fill(cr);
    cairo_move_to(cr, 3.6, 5.4);
    cairo_line_to(cr, 12.4, 5.4);
    cairo_line_to(cr, 11.6, 14.6);
    cairo_line_to(cr, 4.4, 14.6);
    cairo_close_path(cr);
    cairo_fill(cr);
    SetRgb(cr, pal::kWhite, 0.9);
    for (double lx : {6.2, 9.0})
        cairo_rectangle(cr, lx, 7, 1, 6);
    cairo_fill(cr);
}

void Pin(cairo_t* cr, double x, double y, double w, double h, uint32_t colour)
{
    // a "to the top" flag: a bar with an upward arrow
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, std::max(1.0, std::round(h * 0.16)));
    SetRgb(cr, colour);
    cairo_fill(cr);
    double top = y + std::round(h * 0.16) + 1;
    cairo_move_to(cr, x + w / 2, top);
    cairo_line_to(cr, x + w, top + w * 0.5);
    cairo_line_to(cr, x + w * 0.68, top + w * 0.5);
    cairo_line_to(cr, x + w * 0.68, y + h);
    cairo_line_to(cr, x + w * 0.32, y + h);
    cairo_line_to(cr, x + w * 0.32, top + w * 0.5);
    cairo_line_to(cr, x, top + w * 0.5);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_restore(cr);
}

void TaskList(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    RoundRectPath(cr, 2.5, 1.5, 11, 13, 1.2);
    SetRgb(cr, colour);
    cairo_set_line_width(cr, 1.3);
    cairo_stroke(cr);
    for (int i = 0; i < 3; ++i) {
        cairo_rectangle(cr, 4.5, 4.5 + i * 3.2, 1.6, 1.6);
        cairo_rectangle(cr, 7.2, 4.9 + i * 3.2, 4.4, 1);
    }
    cairo_fill(cr);
}

void Upload(cairo_t* cr, double x, double y, double s, uint32_t colour)
{
    Design d(cr, x, y, s);
    SetRgb(cr, colour);
    cairo_move_to(cr, 8, 1.5);
    cairo_line_to(cr, 13, 6.5);
    cairo_line_to(cr, 10, 6.5);
    cairo_line_to(cr, 10, 10.5);
    cairo_line_to(cr, 6, 10.5);
    cairo_line_to(cr, 6, 6.5);
    cairo_line_to(cr, 3, 6.5);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_rectangle(cr, 2, 12.5, 12, 2);
    cairo_fill(cr);
}

} // namespace vel::atlas
