#pragma once
// Internal to platform/gfx: the one Pango font map of the process and the
// lock that serialises every text operation (Pango font maps and their
// caches are not safe to share between threads without one).

#include <mutex>
#include <pango/pangocairo.h>

namespace vel::gfx::detail {

std::mutex& TextLock();
// The font map built on the suite's font configuration; set up on first use.
// Call with TextLock held.
PangoFontMap* FontMap();
// A context for measuring (no target), with the hinting the canvas uses.
// Call with TextLock held.
PangoContext* MeasureContext();
// Gives a context the font options every text call uses.
void ApplyFontOptions(PangoContext* context);

} // namespace vel::gfx::detail
