#include "ShellIcons.h"

#include "platform/base/Strings.h"
#include "platform/fs/WinPath.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace vel::shell {

namespace {

bool In(std::u16string_view ext, std::initializer_list<std::u16string_view> list)
{
    for (auto e : list)
        if (EqualsIgnoreCase(ext, e))
            return true;
    return false;
}

uint32_t Accent(IconKind k)
{
    switch (k) {
    case IconKind::Folder:
        return 0xFFE8B84A;
    case IconKind::Video:
        return 0xFF3A7BD5;
    case IconKind::Picture:
        return 0xFF3FA34D;
    case IconKind::Document:
        return 0xFF5B6F8A;
    case IconKind::Program:
        return 0xFF8E44AD;
    default:
        return 0xFF9AA3AD;
    }
}

// A page with a folded corner and a coloured band (or a folder shape),
// drawn at the requested size.
gfx::Bitmap Draw(IconKind kind, int size)
{
    gfx::Bitmap b(size, size, 0);
    const uint32_t accent = Accent(kind), border = 0xFF6B7785, paper = 0xFFFFFFFF;
    const int m = std::max(1, size / 8);
    if (kind == IconKind::Folder) {
        int top = size / 4;
        b.FillRect(m, top - size / 8, size / 2 - m, size / 8 + 1, accent);
        b.FillRect(m, top, size - 2 * m, size - top - m, accent);
        b.FillRect(m, top, size - 2 * m, 1, 0xFFF6D27A);
        return b;
    }
    const int left = m + size / 16, right = size - m - size / 16, top = m / 2, bottom = size - m / 2;
    const int fold = std::max(2, size / 4);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            bool cut = (x - (right - fold)) > (y - top); // the folded corner
            if (cut)
                continue;
            bool edge = x == left || x == right - 1 || y == top || y == bottom - 1 ||
                        (x - (right - fold)) == (y - top);
            b.SetPixel(x, y, edge ? border : paper);
        }
    int bandTop = top + (bottom - top) / 2, bandH = std::max(2, (bottom - top) / 4);
    b.FillRect(left + 1, bandTop, right - left - 2, bandH, accent);
    return b;
}

std::mutex g_mutex;
std::map<std::u16string, gfx::Bitmap> g_cache;

} // namespace

IconKind IconKindOf(std::u16string_view path, bool isDirectory)
{
    if (isDirectory)
        return IconKind::Folder;
    std::u16string ext = fs::Extension(path);
    if (In(ext, {u".mp4", u".avi", u".mkv", u".mov", u".wmv", u".asf", u".mpg", u".ts", u".rm", u".rmvb",
                 u".264", u".h264", u".dav", u".vob", u".flv", u".3gp"}))
        return IconKind::Video;
    if (In(ext,
           {u".bmp", u".dib", u".jpg", u".jpeg", u".jpe", u".jfif", u".png", u".tif", u".tiff", u".gif"}))
        return IconKind::Picture;
    if (In(ext, {u".doc", u".docx", u".xls", u".xlsx", u".ppt", u".pptx", u".pdf", u".txt", u".rtf", u".xml",
                 u".htm", u".html", u".wps"}))
        return IconKind::Document;
    if (In(ext, {u".exe", u".com", u".bat", u".cmd"}))
        return IconKind::Program;
    return IconKind::Other;
}

const gfx::Bitmap& FileIcon(std::u16string_view path, bool isDirectory, int size)
{
    std::u16string ext = isDirectory ? u"<dir>" : ToLower(fs::Extension(path));
    // A program's icon is its own, so it is looked up per file.
    std::u16string key = (ext == u".exe" ? ToLower(path) : ext) + u"@" + ToString16(size);
    std::lock_guard lock(g_mutex);
    auto it = g_cache.find(key);
    if (it == g_cache.end())
        it = g_cache.emplace(key, Draw(IconKindOf(path, isDirectory), size)).first;
    return it->second;
}

} // namespace vel::shell
