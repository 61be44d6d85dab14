#pragma once
// Pointer and keyboard input. A backend (the headless one driven by the
// robot, or a real display) hands raw events to InjectInput; the window
// system keeps them in one queue, in order, and each is routed when the
// thread of the window it goes to asks for its next message: the pointer to
// the capture window, else the deepest visible, enabled window under it
// (regions and kWsExTransparent respected, WM_NCHITTEST asked, HTTRANSPARENT
// passed on), as client or non-client messages with mouse-leave tracking,
// WM_SETCURSOR, activation on click and double clicks; keys to the focus
// window (the active window when none has focus).

#include "Messages.h"

#include <cstdint>

namespace vel::gui {

enum class MouseButton
{
    kLeft,
    kRight,
    kMiddle,
};

struct InputEvent
{
    enum class Kind
    {
        kMove,
        kButtonDown,
        kButtonUp,
        kWheel,
        kKeyDown,
        kKeyUp,
        kChar, // a typed character (text input), delivered as WM_CHAR
    };
    Kind kind = Kind::kMove;
    Point pt; // screen coordinates (pointer events)
    MouseButton button = MouseButton::kLeft;
    int wheelDelta = 0;
    uint32_t vk = 0;
    char16_t ch = 0;
};

// Any thread. The event's time is the clock's now.
void InjectInput(const InputEvent& event);
// Raw events not routed yet.
size_t PendingInputCount();

// Key state as of the message being handled: bit 0x8000 when down, bit 1
// toggled (caps lock style), as the platform's GetKeyState answers.
int16_t GetKeyState(uint32_t vk);
bool IsKeyDown(uint32_t vk);
// The pointer position (screen) as of the last routed pointer event.
Point CursorPos();

WindowHandle GetFocusWindow();
WindowHandle GetActiveWindow();
WindowHandle GetCaptureWindow();
// Sets the focus (any thread; carried to the window's thread). 0 clears it.
void SetFocusWindow(WindowHandle window);
// Activates a top-level window (brings it to the front).
bool SetActiveWindow(WindowHandle window);
bool ReleaseCapture();

// Double click limits.
uint32_t DoubleClickTime();
Size DoubleClickSize();
// The hover time of mouse-hover tracking and tooltips.
uint32_t HoverTime();

} // namespace vel::gui
