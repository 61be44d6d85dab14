#pragma once
// Windows paths on a Linux disk.
//
// Everything above this layer keeps Windows paths ("C:\Users\a\x.mp4",
// "\\nas\share\case"); only here are they mapped to host paths:
//   - a drive letter X maps to the folder in VEL_DRIVE_X; C: defaults to
//     $XDG_DATA_HOME/velmedia/drive_c, Z: is the host root;
//   - "\\server\share\..." maps to VEL_UNC_ROOT/server/share/...;
//   - a host path ("/home/a/x.mp4") is taken as Z:\home\a\x.mp4;
//   - a relative path is relative to the current directory;
//   - both separators are accepted; a component that does not exist in the
//     given letter case is looked up without regard to case, so the disk
//     behaves like a case-insensitive one.

#include <optional>
#include <string>
#include <string_view>

namespace vel::fs {

enum class PathKind
{
    Drive,
    Unc,
    Relative,
    Invalid
};

struct ParsedPath
{
    PathKind kind = PathKind::Invalid;
    char16_t drive = 0;           // upper-case letter for PathKind::Drive
    std::u16string server, share; // for PathKind::Unc
    std::u16string rest;          // the part below the root, '\' separated, no leading '\'
};

ParsedPath Parse(std::u16string_view path);

// The host folder a drive letter maps to, or "" when the letter is unmapped.
std::string DriveRoot(char16_t letter);

// Host path of a Windows path; empty when it cannot be mapped (an unmapped
// drive, a malformed path). Components that exist in another letter case are
// resolved to the stored case.
std::string ToHost(std::u16string_view path);

// Windows path of a host path: under a mapped drive when one contains it
// (the longest root wins), else under Z:.
std::u16string FromHost(std::string_view hostPath);

// Root of a path: "C:\" or "\\server\share\"; empty for a relative path.
std::u16string RootOf(std::u16string_view path);

// Path helpers that treat both '\' and '/' as separators.
bool IsSeparator(char16_t c);
std::u16string LastComponent(std::u16string_view path);
// The path without its last component (no trailing separator), "" if none.
std::u16string RemoveLastComponent(std::u16string_view path);
// a + "\" + b, without doubling a separator already at the end of a.
std::u16string Join(std::u16string_view a, std::u16string_view b);
// The extension of the last component from its last dot ("" without one).
std::u16string Extension(std::u16string_view path);

} // namespace vel::fs
