#include "Control.h"

#include "SystemLook.h"

namespace vel::gui {

void Control::NotifyCommand(uint16_t code)
{
    if (Window* p = Parent())
        p->Send(kWmCommand, MakeWParam(Id(), code), LParam(Handle()));
}

LResult Control::NotifyParent(uint32_t code, NotifyHeader* header)
{
    NotifyHeader plain;
    NotifyHeader* h = header ? header : &plain;
    h->hwndFrom = Handle();
    h->idFrom = uintptr_t(Id());
    h->code = code;
    Window* p = Parent();
    return p ? p->Send(kWmNotify, WParam(Id()), LParam(h)) : 0;
}

ControlColors Control::PaintBackground(gfx::Canvas& canvas, const Rect& rect, uint32_t message,
                                       gfx::Color text, gfx::Color back)
{
    ControlColors colors{&canvas, text, back, false, {0, 0}};
    gfx::Brush* brush = nullptr;
    if (Window* p = Parent())
        brush = reinterpret_cast<gfx::Brush*>(p->Send(message, WParam(&colors), LParam(Handle())));
    if (brush && !brush->IsNull())
        canvas.FillRect(rect, *brush, colors.brushOrigin);
    else if (colors.transparent)
        look::ClearRect(canvas, rect); // the parent shows through
    else if (colors.backColor != gfx::kNoColor)
        canvas.FillRect(rect, colors.backColor);
    return colors;
}

} // namespace vel::gui
