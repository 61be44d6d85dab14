#pragma once
// Icons of files by type, as the shell would show them: one small picture
// per kind of file (video, picture, document, folder, program, other).
// Icons are cached by extension; programs (".exe") are looked up per file.

#include "platform/gfx/Bitmap.h"

#include <string_view>

namespace vel::shell {

enum class IconKind
{
    Folder,
    Video,
    Picture,
    Document,
    Program,
    Other
};

// The kind of icon the shell shows for a file name (by its extension).
IconKind IconKindOf(std::u16string_view path, bool isDirectory = false);
// The icon of a file, `size` pixels square (16 or 32 are usual).
const gfx::Bitmap& FileIcon(std::u16string_view path, bool isDirectory = false, int size = 32);

} // namespace vel::shell
