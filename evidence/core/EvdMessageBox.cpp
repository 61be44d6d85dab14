#include "EvdMessageBox.h"

#include "EvdResult.h"
#include "platform/base/Strings.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace vel::evd {

namespace {

std::mutex g_mutex;
MessageBoxPresenter g_presenter;
uintptr_t g_mainWindow = 0;

int StandardErrorPresenter(const MessageBoxRequest& r)
{
    std::string line = "[" + Utf16ToUtf8(r.caption) + "] " + Utf16ToUtf8(r.text) + "\n";
    fputs(line.c_str(), stderr);
    return kIdOk;
}

int Show(std::u16string text, uint32_t style)
{
    MessageBoxRequest r;
    r.text = std::move(text);
    r.caption = u"提示";
    r.style = style | kMbTopMost;
    MessageBoxPresenter presenter;
    {
        std::lock_guard lock(g_mutex);
        presenter = g_presenter;
        r.owner = g_mainWindow;
    }
    return presenter ? presenter(r) : StandardErrorPresenter(r);
}

} // namespace

void SetMessageBoxPresenter(MessageBoxPresenter presenter)
{
    std::lock_guard lock(g_mutex);
    g_presenter = std::move(presenter);
}

void SetMainWindow(uintptr_t window)
{
    std::lock_guard lock(g_mutex);
    g_mainWindow = window;
}

int AppMessageBox(uint32_t style, const char16_t* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::u16string text = VFormat16Truncated(1024, fmt, ap);
    va_end(ap);
    return Show(std::move(text), style);
}

int AppErrorBox(const std::u16string& text)
{
    return Show(text, kMbIconError);
}

void ShowErrorForCode(int32_t code)
{
    const char16_t* text = ResultText(code);
    if (text && *text)
        AppMessageBox(kMbOk, u"%s", text);
}

} // namespace vel::evd
