#pragma once
// What every control shares: creation as a child, notifications to the
// parent (WM_COMMAND with a notification code, WM_NOTIFY with a header),
// the colour request to the parent before painting, and the control's font.
// Controls compute their state and paint it through SystemLook; owners may
// take the painting over (owner drawing, custom drawing, colour requests).

#include "Window.h"

#include "platform/gfx/Canvas.h"

namespace vel::gui {

class Control : public Window
{
public:
    bool Create(Window& parent, const Rect& rect, uint32_t style, int id, std::u16string_view text = {},
                uint32_t exStyle = 0)
    {
        return CreateChild(parent, rect, style | kWsChild, id, text, exStyle);
    }

protected:
    // WM_COMMAND (id, code) from this control to its parent.
    void NotifyCommand(uint16_t code);
    // WM_NOTIFY with this control as the sender; `header` may start a
    // larger record. Returns the parent's answer.
    LResult NotifyParent(uint32_t code, NotifyHeader* header = nullptr);
    // Asks the parent for the colours (WM_CTLCOLOR*), starting from the
    // control's own, and fills `rect` with the answer: the parent's brush
    // (its pattern aligned to the brush origin), else the background colour,
    // or nothing when a transparent background was asked for without a brush.
    ControlColors PaintBackground(gfx::Canvas& canvas, const Rect& rect, uint32_t message, gfx::Color text,
                                  gfx::Color back);
};

} // namespace vel::gui
