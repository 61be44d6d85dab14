#pragma once
// Start-up of the drawing layer. The first start loads the font
// configuration (the system's own plus the suite's face aliases, so that
// "宋体"/SimSun and "微软雅黑" find an installed CJK font) and builds the
// font map every text call uses; later starts only count. Drawing that needs
// fonts starts the layer by itself if nobody did, so a missing start costs a
// default set-up, never a crash.

namespace vel::gfx {

// Counts one start; the first one sets the layer up. Returns the new count.
int StartDrawing();
// How often the layer was started in this process.
int DrawingStartCount();
// Whether the suite's face aliases were loaded (false when the font
// configuration could not be read; text then uses the system's defaults).
bool FontAliasesLoaded();

} // namespace vel::gfx
