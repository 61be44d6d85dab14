#pragma once
// Classification of files by extension: video (kind 2), picture (kind 4),
// anything else (kind 8); a directory is kind 1. The extension is the part
// of the last path component from its last dot, compared ignoring case.

#include <cstdint>
#include <string_view>

namespace vel::evd {

bool IsVideoPath(std::u16string_view path);
bool IsPicturePath(std::u16string_view path);
// Kind by extension only (2, 4 or 8).
int32_t KindOfExtension(std::u16string_view path);
// 1 for an existing directory, else the kind by extension.
int32_t KindOfPath(std::u16string_view path);

} // namespace vel::evd
