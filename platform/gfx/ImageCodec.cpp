#include "ImageCodec.h"

#include "platform/fs/FileSystem.h"

#include <algorithm>
#include <gdk-pixbuf/gdk-pixbuf.h>

namespace vel::gfx {

namespace {

// Refuses pictures whose header announces more pixels than allowed, before
// any pixel memory is taken.
void CheckSize(GdkPixbufLoader*, int width, int height, gpointer data)
{
    uint64_t& limit = *static_cast<uint64_t*>(data);
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > limit)
        limit = 0; // the caller stops feeding the loader
}

} // namespace

std::optional<Bitmap> DecodeImage(std::string_view bytes, uint64_t maxPixels)
{
    if (bytes.empty())
        return std::nullopt;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    uint64_t limit = maxPixels;
    g_signal_connect(loader, "size-prepared", G_CALLBACK(CheckSize), &limit);
    GError* error = nullptr;
    // Fed in pieces, so that a picture whose header announces too many
    // pixels is dropped before its pixels are decoded.
    bool ok = true;
    constexpr size_t kChunk = 16384;
    for (size_t off = 0; ok && limit && off < bytes.size(); off += kChunk) {
        size_t n = std::min(kChunk, bytes.size() - off);
        ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data() + off), n, &error);
    }
    if (error) {
        g_error_free(error);
        error = nullptr;
    }
    ok = gdk_pixbuf_loader_close(loader, &error) && ok;
    if (error)
        g_error_free(error);
    std::optional<Bitmap> out;
    GdkPixbuf* pb = ok && limit ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
    if (pb && gdk_pixbuf_get_colorspace(pb) == GDK_COLORSPACE_RGB &&
        gdk_pixbuf_get_bits_per_sample(pb) == 8) {
        int w = gdk_pixbuf_get_width(pb), h = gdk_pixbuf_get_height(pb);
        int channels = gdk_pixbuf_get_n_channels(pb), stride = gdk_pixbuf_get_rowstride(pb);
        bool alpha = gdk_pixbuf_get_has_alpha(pb);
        const guchar* px = gdk_pixbuf_read_pixels(pb);
        Bitmap bmp(w, h);
        for (int y = 0; y < h; ++y) {
            const guchar* row = px + size_t(y) * size_t(stride);
            for (int x = 0; x < w; ++x) {
                const guchar* p = row + size_t(x) * size_t(channels);
                bmp.SetPixel(x, y, Premultiply(p[0], p[1], p[2], alpha ? p[3] : 255));
            }
        }
        out = std::move(bmp);
    }
    g_object_unref(loader);
    return out;
}

std::optional<Bitmap> DecodeImageFile(std::u16string_view path, uint64_t maxPixels)
{
    auto bytes = fs::ReadFile(path, 256u << 20);
    if (!bytes)
        return std::nullopt;
    return DecodeImage(*bytes, maxPixels);
}

std::string EncodeImage(const Bitmap& bitmap, std::string_view format)
{
    if (bitmap.Empty())
        return {};
    GdkPixbuf* pb = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, bitmap.Width(), bitmap.Height());
    if (!pb)
        return {};
    guchar* px = gdk_pixbuf_get_pixels(pb);
    int stride = gdk_pixbuf_get_rowstride(pb);
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            uint32_t v = bitmap.Pixel(x, y);
            uint32_t a = v >> 24;
            guchar* p = px + size_t(y) * size_t(stride) + size_t(x) * 4;
            auto un = [a](uint32_t c) {
                return guchar(a ? std::min<uint32_t>(255, (c * 255 + a / 2) / a) : 0);
            };
            p[0] = un((v >> 16) & 0xFF);
            p[1] = un((v >> 8) & 0xFF);
            p[2] = un(v & 0xFF);
            p[3] = guchar(a);
        }
    }
    gchar* buffer = nullptr;
    gsize size = 0;
    GError* error = nullptr;
    std::string fmt(format);
    GdkPixbuf* src = pb;
    GdkPixbuf* flat = nullptr;
    if (fmt == "jpeg") { // no alpha channel in JPEG
        flat = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, bitmap.Width(), bitmap.Height());
        gdk_pixbuf_composite_color(pb, flat, 0, 0, bitmap.Width(), bitmap.Height(), 0, 0, 1, 1,
                                   GDK_INTERP_NEAREST, 255, 0, 0, 1, 0xFFFFFFFF, 0xFFFFFFFF);
        src = flat;
    }
    std::string out;
    if (gdk_pixbuf_save_to_buffer(src, &buffer, &size, fmt.c_str(), &error, nullptr))
        out.assign(buffer, size);
    if (error)
        g_error_free(error);
    g_free(buffer);
    if (flat)
        g_object_unref(flat);
    g_object_unref(pb);
    return out;
}

bool SaveImageFile(const Bitmap& bitmap, std::u16string_view path, std::string_view format)
{
    std::string bytes = EncodeImage(bitmap, format);
    return !bytes.empty() && fs::WriteFile(path, bytes);
}

} // namespace vel::gfx
