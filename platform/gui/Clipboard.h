#pragma once
// The clipboard of the process: data by format, opened by one window at a
// time (a second opener is refused until the first closes, as callers of
// the platform expect when they report "the clipboard cannot be opened").
// Formats: the platform's numbers for Unicode text (13) and file lists
// (15), and registered names from 0xC000 up.

#include "Window.h"

#include <optional>
#include <string>

namespace vel::gui {

inline constexpr uint32_t kCfUnicodeText = 13;
inline constexpr uint32_t kCfHDrop = 15;

class Clipboard
{
public:
    // False while another window holds it open.
    static bool Open(WindowHandle owner);
    static void Close();
    // These need the clipboard open by the caller's window (0 is a window too).
    static bool Empty();
    static bool SetData(uint32_t format, std::string bytes);
    static std::optional<std::string> GetData(uint32_t format);
    static bool HasFormat(uint32_t format);
    // The same number for the same name (compared without regard to case).
    static uint32_t RegisterFormat(std::u16string_view name);

    // Open, replace with text, close; false when it cannot be opened.
    static bool SetText(std::u16string_view text, WindowHandle owner = 0);
    static std::optional<std::u16string> GetText(WindowHandle owner = 0);
};

} // namespace vel::gui
