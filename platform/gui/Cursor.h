#pragma once
// Cursors: the system's shapes and cursors made from cursor files
// (platform/gfx Icon). The window system keeps one current cursor, set by
// WM_SETCURSOR handlers as the pointer moves; the backend shows it.

#include "platform/gfx/Icon.h"

#include <memory>

namespace vel::gui {

enum class SystemCursor
{
    kArrow,
    kIBeam,
    kWait,
    kCross,
    kHand,
    kHelp,
    kSizeWE,
    kSizeNS,
    kSizeNWSE,
    kSizeNESW,
    kSizeAll,
    kNo,
    kAppStarting,
};

class Cursor;
using CursorRef = std::shared_ptr<const Cursor>;

class Cursor
{
public:
    // One shared object per shape, so cursors compare by pointer.
    static CursorRef System(SystemCursor kind);
    static CursorRef FromIcon(gfx::Icon icon);

    bool IsSystem() const { return !m_image; }
    SystemCursor Kind() const { return m_kind; }
    const gfx::Icon* Image() const { return m_image.get(); }

    Cursor(SystemCursor kind, std::shared_ptr<const gfx::Icon> image)
        : m_kind(kind), m_image(std::move(image))
    {
    }

private:
    SystemCursor m_kind = SystemCursor::kArrow;
    std::shared_ptr<const gfx::Icon> m_image;
};

// The current cursor (never null); SetCursor returns the previous one.
CursorRef CurrentCursor();
CursorRef SetCursor(CursorRef cursor);

} // namespace vel::gui
