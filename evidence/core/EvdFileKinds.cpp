#include "EvdFileKinds.h"

#include "EvdRecords.h"
#include "platform/base/Strings.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/WinPath.h"

namespace vel::evd {

namespace {

constexpr std::u16string_view kVideoExtensions[] = {
    u".264", u".601", u".692", u".800",   u".801", u".afs",  u".av",  u".avi", u".bhd", u".dat",  u".dav",
    u".djl", u".dvr", u".g64", u".h3crd", u".h64", u".h264", u".he4", u".ifv", u".jmv", u".kyd",  u".lvf",
    u".m4c", u".mkv", u".mov", u".mp4",   u".mpg", u".mts",  u".nsf", u".pep", u".rec", u".rmvb", u".rm",
    u".smf", u".sv4", u".tm4", u".tp",    u".ts",  u".vdg",  u".vob", u".wmv", u".asf", u".svac"};
static_assert(std::size(kVideoExtensions) == 43);

constexpr std::u16string_view kPictureExtensions[] = {u".bmp",  u".dib", u".jpg", u".jpeg", u".jpe",
                                                      u".jfif", u".png", u".tif", u".tiff"};
static_assert(std::size(kPictureExtensions) == 9);

template <size_t N> bool InTable(const std::u16string_view (&table)[N], std::u16string_view path)
{
    std::u16string ext = fs::Extension(path);
    if (ext.empty())
        return false;
    for (auto e : table)
        if (EqualsIgnoreCase(ext, e))
            return true;
    return false;
}

} // namespace

bool IsVideoPath(std::u16string_view path)
{
    return InTable(kVideoExtensions, path);
}
bool IsPicturePath(std::u16string_view path)
{
    return InTable(kPictureExtensions, path);
}

int32_t KindOfExtension(std::u16string_view path)
{
    if (IsVideoPath(path))
        return kKindVideo;
    if (IsPicturePath(path))
        return kKindPicture;
    return kKindOther;
}

int32_t KindOfPath(std::u16string_view path)
{
    if (fs::IsDirectory(path))
        return kKindFolder;
    return KindOfExtension(path);
}

} // namespace vel::evd
