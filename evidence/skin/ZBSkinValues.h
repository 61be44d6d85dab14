#pragma once
// The value syntaxes of the skin file's attributes. Every parser trims
// leading and trailing white space first and reads numbers the way "%i"
// reads them (decimal, 0x hexadecimal, 0 octal, an optional sign), so
// "12,34 px" reads as 12,34 and anything after the last number is ignored.
// Numbers beyond the 32-bit range are clamped to it.

#include "platform/gfx/Geometry.h"

#include <string>
#include <string_view>

namespace vel::zbskin {

// "[name]" (first character '[', last ']'): true with the name inside.
bool IsReference(std::u16string_view value, std::u16string* name = nullptr);

// `count` integers separated by commas ("%i,%i,..."); false unless all read.
bool ParseInts(std::u16string_view value, int count, int* out);
bool ParseInteger(std::u16string_view value, int& out);
// "%i,%i" = width, height.
bool ParseSize(std::u16string_view value, gfx::Size& out);
// "%i,%i,%i,%i" = x, y, width, height, stored as left, top, right, bottom.
bool ParseRect(std::u16string_view value, gfx::Rect& out);
// "%i,%i,%i" = red, green, blue (each its low 8 bits), or "#RRGGBB".
bool ParseColor(std::u16string_view value, gfx::Color& out);
// "true" in any case; anything else is false.
bool ParseBool(std::u16string_view value);
// Keywords joined by '&' ("Disable&Checked"): whether one equals `word`
// (both compared without regard to case, each keyword trimmed).
bool HasKeyword(std::u16string_view value, std::u16string_view word);

} // namespace vel::zbskin
