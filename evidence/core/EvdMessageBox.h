#pragma once
// The application message box: every message of the library is shown
// through it, with the caption "提示" and on top of other windows. Where it
// shows is up to the presenter: the skinned message box when the library's
// windows run, standard error otherwise.

#include <cstdint>
#include <functional>
#include <string>

namespace vel::evd {

enum : uint32_t
{
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbYesNo = 0x4,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconWarning = 0x30,
    kMbIconInfo = 0x40,
    kMbTopMost = 0x40000,
};
enum : int
{
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7
};

struct MessageBoxRequest
{
    std::u16string text;
    std::u16string caption;
    uint32_t style = 0;
    uintptr_t owner = 0; // the application's main window, 0 when none
};

// Shows a request and returns the button pressed.
using MessageBoxPresenter = std::function<int(const MessageBoxRequest&)>;
// Replaces the presenter; an empty one restores the default (standard
// error, answering OK).
void SetMessageBoxPresenter(MessageBoxPresenter presenter);
// The owner window used for every message box (0: none).
void SetMainWindow(uintptr_t window);

// Formats into a 1024-character buffer (longer output is cut) and shows
// it with the given style plus the top-most flag.
int AppMessageBox(uint32_t style, const char16_t* fmt, ...);
// Shows a ready text with the error icon.
int AppErrorBox(const std::u16string& text);

// The routine behind Evd_ShowMsg: shows the code's text, if it has one.
void ShowErrorForCode(int32_t code);

} // namespace vel::evd
