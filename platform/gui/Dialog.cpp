#include "Dialog.h"

#include "Input.h"
#include "MessageLoop.h"
#include "Screen.h"

#include <algorithm>
#include <functional>

namespace vel::gui {

Size DialogBaseUnits(const gfx::Font& font)
{
    int w = gfx::Canvas::MeasureText(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", font,
                                     gfx::kTextSingleLine | gfx::kTextNoPrefix)
                .cx;
    return {(w / 26 + 1) / 2, font.Metrics().height};
}

Rect MapDialogRect(const Rect& du, const gfx::Font& font)
{
    Size base = DialogBaseUnits(font);
    auto x = [&](int v) { return v * base.cx / 4; };
    auto y = [&](int v) { return v * base.cy / 8; };
    return {x(du.left), y(du.top), x(du.right), y(du.bottom)};
}

Dialog::Dialog() = default;

Dialog::~Dialog()
{
    // Controls go before the dialog's own window.
    Destroy();
    m_owned.clear();
}

void Dialog::SetCreateParams(const Rect& rect, uint32_t style, uint32_t exStyle, std::u16string_view title)
{
    m_rect = rect;
    m_style = style;
    m_exStyle = exStyle;
    m_title = std::u16string(title);
}

bool Dialog::MakeWindow(Window* owner)
{
    if (IsWindow())
        return true;
    m_ended = false;
    m_result = -1;
    Window* top = owner && owner->IsWindow() ? owner->TopLevel() : nullptr;
    Rect r = m_rect;
    bool centre = r.left == 0 && r.top == 0;
    if (!Create(top, r, m_style & ~kWsVisible, m_exStyle | kWsExControlParent, 0, m_title))
        return false;
    if (centre)
        CenterOver(top);
    bool focusFirst = Send(kWmInitDialog, 0, 0) != 0;
    if (!IsWindow())
        return false;
    if (focusFirst) {
        if (Window* first = NextTabItem(nullptr, false))
            first->SetFocus();
    }
    return true;
}

bool Dialog::CreateModeless(Window* owner)
{
    m_modal = false;
    if (!MakeWindow(owner))
        return false;
    Show(kSwShow);
    return IsWindow();
}

int Dialog::DoModal(Window* owner)
{
    if (m_running)
        return -1;
    Window* top = owner && owner->IsWindow() ? owner->TopLevel() : nullptr;
    WindowHandle topHandle = top ? top->Handle() : 0;
    bool ownerWasEnabled = top && top->IsEnabled();
    m_modal = true;
    if (!MakeWindow(owner))
        return -1;
    if (ownerWasEnabled)
        top->Enable(false);
    const WindowHandle self = Handle();
    m_running = true;
    Show(kSwShow);
    // Keep the focus inside: the first tab stop when nothing inside has it.
    if (Window* f = FromHandle(GetFocusWindow()); !f || !IsAncestorOf(f)) {
        if (Window* first = NextTabItem(nullptr, false))
            first->SetFocus();
    }
    Msg msg;
    while (!m_ended && IsWindowHandle(self)) {
        if (!GetMessage(msg)) {
            PostQuitMessage(int(msg.wParam));
            if (!m_ended)
                m_result = -1;
            break;
        }
        if (!PreTranslate(msg)) {
            TranslateMessage(msg);
            DispatchMessage(msg);
        }
    }
    m_running = false;
    // The owner is enabled before the dialog goes, so that it becomes the
    // active window again.
    if (ownerWasEnabled && IsWindowHandle(topHandle))
        top->Enable(true);
    if (IsWindowHandle(self)) {
        Show(kSwHide);
        Destroy();
    }
    if (IsWindowHandle(topHandle) && GetActiveWindow() == 0)
        SetActiveWindow(topHandle);
    return m_result;
}

void Dialog::EndDialog(int result)
{
    m_result = result;
    m_ended = true;
    if (!m_modal) {
        Destroy();
        return;
    }
    Post(kWmNull); // wakes the modal loop when called from elsewhere
}

Window* Dialog::Item(int id) const
{
    std::function<Window*(const Window*)> find = [&](const Window* w) -> Window* {
        for (Window* c : w->Children()) {
            if (c->Id() == id)
                return c;
            if (Window* d = find(c))
                return d;
        }
        return nullptr;
    };
    return find(this);
}

std::vector<Window*> Dialog::TabOrder() const
{
    std::vector<Window*> out;
    std::function<void(const Window*)> walk = [&](const Window* w) {
        for (Window* c : w->Children()) {
            if (!c->IsVisible() || !c->IsEnabled())
                continue;
            if (c->Style() & kWsTabStop)
                out.push_back(c);
            if (c->ExStyle() & kWsExControlParent)
                walk(c);
        }
    };
    walk(this);
    return out;
}

Window* Dialog::NextTabItem(Window* from, bool previous) const
{
    std::vector<Window*> order = TabOrder();
    if (order.empty())
        return nullptr;
    // The control that holds `from` (the focus may sit inside a control's child).
    auto it = order.end();
    for (const Window* w = from; w && it == order.end(); w = w->Parent())
        it = std::find(order.begin(), order.end(), w);
    if (it == order.end())
        return previous ? order.back() : order.front();
    size_t i = size_t(it - order.begin());
    size_t n = order.size();
    return order[previous ? (i + n - 1) % n : (i + 1) % n];
}

Window* Dialog::NextGroupItem(Window* from, bool previous) const
{
    if (!from || !IsAncestorOf(from) || from == this)
        return nullptr;
    Window* parent = from->Parent();
    std::vector<Window*> sib = parent->Children();
    auto at = std::find(sib.begin(), sib.end(), from);
    if (at == sib.end())
        return nullptr;
    // The group runs from the closest sibling with the group style (at or
    // before `from`) to the one before the next sibling with that style.
    size_t start = size_t(at - sib.begin());
    while (start > 0 && !(sib[start]->Style() & kWsGroup))
        --start;
    size_t end = size_t(at - sib.begin()) + 1;
    while (end < sib.size() && !(sib[end]->Style() & kWsGroup))
        ++end;
    std::vector<Window*> group(sib.begin() + long(start), sib.begin() + long(end));
    size_t i = size_t(std::find(group.begin(), group.end(), from) - group.begin());
    size_t n = group.size();
    for (size_t step = 1; step < n; ++step) {
        Window* c = group[previous ? (i + n - step) % n : (i + step) % n];
        if (c->IsVisible() && c->IsEnabled())
            return c;
    }
    return nullptr;
}

bool Dialog::IsDialogMessage(Msg& msg)
{
    Window* target = FromHandle(msg.hwnd);
    if (!target || !IsAncestorOf(target))
        return false;
    if (msg.message != kWmKeyDown && msg.message != kWmChar)
        return false;
    const uint32_t code = uint32_t(target->Send(kWmGetDlgCode, msg.wParam, LParam(&msg)));
    const uint32_t vk = uint32_t(msg.wParam);
    if (msg.message == kWmChar) {
        if ((vk == u'\t' && !(code & (kDlgcWantTab | kDlgcWantAllKeys | kDlgcWantChars))) ||
            ((vk == u'\r' || vk == 0x1B) && !(code & kDlgcWantAllKeys)))
            return true; // the key-down did the work
        return false;
    }
    switch (vk) {
    case kVkTab: {
        if (code & (kDlgcWantTab | kDlgcWantAllKeys))
            return false;
        if (Window* next = NextTabItem(target, IsKeyDown(kVkShift))) {
            next->SetFocus();
            if (next->Send(kWmGetDlgCode) & kDlgcHasSetSel)
                next->Send(kWmEmSetSel, 0, -1);
        }
        return true;
    }
    case kVkLeft:
    case kVkUp:
    case kVkRight:
    case kVkDown: {
        if (code & (kDlgcWantArrows | kDlgcWantAllKeys))
            return false;
        if (Window* next = NextGroupItem(target, vk == kVkLeft || vk == kVkUp)) {
            next->SetFocus();
            if (next->Send(kWmGetDlgCode) & kDlgcRadioButton)
                next->Send(kWmBmClick);
        }
        return true;
    }
    case kVkReturn: {
        if (code & kDlgcWantAllKeys)
            return false;
        int id = (code & (kDlgcDefPushButton | kDlgcUndefPushButton)) ? target->Id() : m_defaultId;
        Window* button = Item(id);
        if (button && !button->IsEnabled())
            return true;
        Send(kWmCommand, MakeWParam(id, kBnClicked), LParam(button ? button->Handle() : 0));
        return true;
    }
    case kVkEscape: {
        if (code & kDlgcWantAllKeys)
            return false;
        Window* button = Item(kIdCancel);
        Send(kWmCommand, MakeWParam(kIdCancel, kBnClicked), LParam(button ? button->Handle() : 0));
        return true;
    }
    default:
        return false;
    }
}

bool Dialog::OnCommand(WParam wParam, LParam)
{
    switch (LoWord(wParam)) {
    case kIdOk:
        OnOK();
        return true;
    case kIdCancel:
        OnCancel();
        return true;
    default:
        return false;
    }
}

LResult Dialog::WindowProc(uint32_t message, WParam wParam, LParam lParam)
{
    if (message == kWmInitDialog)
        return OnInitDialog() ? 1 : 0;
    if (message == kDmGetDefId)
        return MakeLParam(m_defaultId, 0x534B);
    if (message == kDmSetDefId) {
        m_defaultId = int(wParam);
        return 1;
    }
    return Window::WindowProc(message, wParam, lParam);
}

void Dialog::OnClose()
{
    Send(kWmCommand, MakeWParam(kIdCancel, kBnClicked), 0);
}

void Dialog::OnActivate(int state, Window* other, bool minimized)
{
    if (state == kWaInactive || minimized)
        return;
    Window* f = FromHandle(GetFocusWindow());
    if (f && IsAncestorOf(f))
        return;
    Default(); // the control that had the focus last, else the dialog
    f = FromHandle(GetFocusWindow());
    if (f == this)
        if (Window* first = NextTabItem(nullptr, false))
            first->SetFocus();
}

} // namespace vel::gui
