#include "Icon.h"

#include "ImageCodec.h"

#include <cmath>
#include <cstring>

namespace vel::gfx {

namespace {

// Icon files larger than this are not icons this suite makes or reads.
constexpr size_t kMaxIconFile = 16u << 20;
constexpr int kMaxEntries = 256;

uint16_t U16(std::string_view b, size_t at)
{
    return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8);
}
uint32_t U32(std::string_view b, size_t at)
{
    return uint32_t(U16(b, at)) | uint32_t(U16(b, at + 2)) << 16;
}

struct DirEntry
{
    int width, height;
    int hotX, hotY;
    uint32_t size, offset;
};

bool ReadDirectory(std::string_view b, std::vector<DirEntry>& out, bool& cursor)
{
    if (b.size() < 6 || b.size() > kMaxIconFile || U16(b, 0) != 0)
        return false;
    uint16_t type = U16(b, 2);
    if (type != 1 && type != 2)
        return false;
    cursor = type == 2;
    int count = U16(b, 4);
    if (count == 0 || count > kMaxEntries || b.size() < 6 + size_t(count) * 16)
        return false;
    for (int i = 0; i < count; ++i) {
        size_t e = 6 + size_t(i) * 16;
        DirEntry d{};
        d.width = uint8_t(b[e]) ? uint8_t(b[e]) : 256;
        d.height = uint8_t(b[e + 1]) ? uint8_t(b[e + 1]) : 256;
        d.hotX = cursor ? U16(b, e + 4) : 0;
        d.hotY = cursor ? U16(b, e + 6) : 0;
        d.size = U32(b, e + 8);
        d.offset = U32(b, e + 12);
        if (d.size == 0 || d.offset > b.size() || d.size > b.size() - d.offset)
            return false;
        out.push_back(d);
    }
    return true;
}

// A device-independent bitmap entry: header, optional palette, colour rows
// bottom-up, then the 1-bit AND mask (1 = transparent).
std::optional<Bitmap> DecodeDib(std::string_view d)
{
    if (d.size() < 40 || U32(d, 0) < 40)
        return std::nullopt;
    uint32_t headerSize = U32(d, 0);
    int32_t w = int32_t(U32(d, 4)), h2 = int32_t(U32(d, 8));
    int bpp = U16(d, 14);
    uint32_t compression = U32(d, 16);
    uint32_t colorsUsed = U32(d, 32);
    if (w <= 0 || w > 256 || h2 <= 0 || h2 > 512 || compression != 0)
        return std::nullopt;
    int h = h2 / 2;
    if (h <= 0 || (bpp != 32 && bpp != 24 && bpp != 8 && bpp != 4 && bpp != 1))
        return std::nullopt;
    size_t paletteCount = bpp <= 8 ? (colorsUsed ? colorsUsed : (1u << bpp)) : 0;
    if (paletteCount > 256)
        return std::nullopt;
    size_t at = headerSize;
    if (headerSize > d.size() || paletteCount * 4 > d.size() - at)
        return std::nullopt;
    size_t palette = at;
    at += paletteCount * 4;
    size_t stride = ((size_t(w) * size_t(bpp) + 31) / 32) * 4;
    size_t maskStride = ((size_t(w) + 31) / 32) * 4;
    if (stride * size_t(h) > d.size() - at)
        return std::nullopt;
    size_t colors = at;
    size_t mask = colors + stride * size_t(h);
    bool hasMask = maskStride * size_t(h) <= d.size() - mask;
    Bitmap out(w, h);
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y) {
        size_t row = colors + size_t(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            uint8_t r, g, bl, a = 255;
            if (bpp == 32 || bpp == 24) {
                size_t p = row + size_t(x) * size_t(bpp / 8);
                bl = uint8_t(d[p]);
                g = uint8_t(d[p + 1]);
                r = uint8_t(d[p + 2]);
                if (bpp == 32) {
                    a = uint8_t(d[p + 3]);
                    anyAlpha |= a != 0;
                }
            } else {
                size_t bit = size_t(x) * size_t(bpp);
                uint8_t byte = uint8_t(d[row + bit / 8]);
                unsigned index = (byte >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                if (index >= paletteCount)
                    index = 0;
                size_t p = palette + size_t(index) * 4;
                bl = uint8_t(d[p]);
                g = uint8_t(d[p + 1]);
                r = uint8_t(d[p + 2]);
            }
            out.SetPixel(x, y, Premultiply(r, g, bl, a));
        }
    }
    // Without an alpha channel (or with one that is all zero, as older tools
    // wrote) the AND mask says which pixels show.
    if (!(bpp == 32 && anyAlpha)) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                bool transparent = false;
                if (hasMask) {
                    uint8_t byte = uint8_t(d[mask + size_t(h - 1 - y) * maskStride + size_t(x) / 8]);
                    transparent = (byte >> (7 - x % 8)) & 1;
                }
                uint32_t p = out.Pixel(x, y) | 0xFF000000u;
                out.SetPixel(x, y, transparent ? 0u : p);
            }
        }
    }
    return out;
}

void Put16(std::string& s, unsigned v)
{
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

} // namespace

std::vector<Size> IconSizes(std::string_view bytes)
{
    std::vector<DirEntry> dir;
    bool cursor = false;
    std::vector<Size> out;
    if (ReadDirectory(bytes, dir, cursor))
        for (const DirEntry& e : dir)
            out.push_back({e.width, e.height});
    return out;
}

std::optional<Icon> DecodeIcon(std::string_view bytes, Size want)
{
    std::vector<DirEntry> dir;
    bool cursor = false;
    if (!ReadDirectory(bytes, dir, cursor))
        return std::nullopt;
    // Exact size first; otherwise the smallest larger one (shrinking looks
    // better than growing); otherwise the largest.
    const DirEntry* best = nullptr;
    auto area = [](const DirEntry& e) { return long(e.width) * e.height; };
    bool wantAny = want.cx <= 0 || want.cy <= 0;
    for (const DirEntry& e : dir) {
        if (!wantAny && e.width == want.cx && e.height == want.cy) {
            best = &e;
            break;
        }
    }
    if (!best && !wantAny)
        for (const DirEntry& e : dir)
            if (e.width >= want.cx && e.height >= want.cy && (!best || area(e) < area(*best)))
                best = &e;
    if (!best)
        for (const DirEntry& e : dir)
            if (!best || area(e) > area(*best))
                best = &e;
    std::string_view payload = bytes.substr(best->offset, best->size);
    std::optional<Bitmap> image;
    if (payload.size() >= 8 && std::memcmp(payload.data(), "\x89PNG\r\n\x1a\n", 8) == 0)
        image = DecodeImage(payload, 1024 * 1024);
    else
        image = DecodeDib(payload);
    if (!image || image->Empty())
        return std::nullopt;
    Icon icon;
    icon.cursor = cursor;
    icon.hotspot = {best->hotX, best->hotY};
    if (!wantAny && (image->Width() != want.cx || image->Height() != want.cy)) {
        icon.hotspot = {int(std::lround(double(icon.hotspot.x) * want.cx / image->Width())),
                        int(std::lround(double(icon.hotspot.y) * want.cy / image->Height()))};
        *image = image->Scaled(want.cx, want.cy);
    }
    icon.image = std::move(*image);
    return icon;
}

std::string EncodeIcon(const std::vector<Bitmap>& images, bool cursor, Point hotspot)
{
    std::vector<std::string> payloads;
    for (const Bitmap& b : images) {
        if (b.Empty() || b.Width() > 256 || b.Height() > 256)
            return {};
        payloads.push_back(EncodeImage(b, "png"));
        if (payloads.back().empty())
            return {};
    }
    if (payloads.empty())
        return {};
    std::string out;
    Put16(out, 0);
    Put16(out, cursor ? 2 : 1);
    Put16(out, unsigned(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const Bitmap& b = images[i];
        out.push_back(char(b.Width() == 256 ? 0 : b.Width()));
        out.push_back(char(b.Height() == 256 ? 0 : b.Height()));
        out.push_back(0);
        out.push_back(0);
        if (cursor) {
            Put16(out, unsigned(std::lround(double(hotspot.x) * b.Width() / images[0].Width())));
            Put16(out, unsigned(std::lround(double(hotspot.y) * b.Height() / images[0].Height())));
        } else {
            Put16(out, 1);
            Put16(out, 32);
        }
        Put32(out, uint32_t(payloads[i].size()));
        Put32(out, offset);
        offset += uint32_t(payloads[i].size());
    }
    for (const std::string& p : payloads)
        out += p;
    return out;
}

} // namespace vel::gfx
