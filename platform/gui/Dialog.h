#pragma once
// Dialogs: a top-level window whose controls are navigated from the
// keyboard (Tab and Shift+Tab through tab stops, arrows inside a group,
// Enter for the default button, Escape for Cancel), whose OK and Cancel
// commands end it, and which runs modally: DoModal disables the owner,
// creates and shows the dialog, reads messages in a loop of its own
// (pre-translation first, from the target window up through its parents,
// then the dialog's keyboard handling) until EndDialog, re-enables the
// owner, destroys the dialog and returns the result. Modal dialogs nest.
//
// A dialog's controls are its descendants; windows with kWsExControlParent
// let the navigation go into their children.

#include "Window.h"

#include <atomic>
#include <memory>
#include <vector>

namespace vel::gui {

inline constexpr uint32_t kDefaultDialogStyle = kWsPopup | kWsCaption | kWsSysMenu;

// Dialog templates measure in dialog units: a quarter of the font's
// average character width across, an eighth of its height down.
Size DialogBaseUnits(const gfx::Font& font);
Rect MapDialogRect(const Rect& dialogUnits, const gfx::Font& font);

class Dialog : public Window
{
public:
    Dialog();
    ~Dialog() override;

    std::u16string_view ClassName() const override { return u"#32770"; }

    // Where and how the dialog window is made (before DoModal or
    // CreateModeless). An empty rectangle's size is kept and the dialog is
    // centred over its owner.
    void SetCreateParams(const Rect& rect, uint32_t style = kDefaultDialogStyle, uint32_t exStyle = 0,
                         std::u16string_view title = {});
    // Runs the dialog modally; the result of EndDialog, or -1 when it
    // could not be created or the thread is quitting.
    int DoModal(Window* owner);
    bool CreateModeless(Window* owner);
    // Ends the modal loop with `result` (a modeless dialog is destroyed).
    void EndDialog(int result);
    bool IsModalRunning() const { return m_running; }
    int Result() const { return m_result; }

    int DefaultId() const { return m_defaultId; }
    void SetDefaultId(int id) { m_defaultId = id; }
    // A control anywhere inside the dialog, by id.
    Window* Item(int id) const;

    // Keyboard navigation.
    Window* NextTabItem(Window* from, bool previous) const;
    Window* NextGroupItem(Window* from, bool previous) const;
    std::vector<Window*> TabOrder() const;
    // The dialog's keyboard handling of a message for it or one of its
    // controls; true when it was consumed.
    bool IsDialogMessage(Msg& msg);

    // Keeps a control for the dialog's lifetime (controls made by code).
    template <class T, class... Args> T& Own(Args&&... args)
    {
        auto c = std::make_unique<T>(std::forward<Args>(args)...);
        T& ref = *c;
        m_owned.push_back(std::move(c));
        return ref;
    }

protected:
    // After the window and its controls exist, before it shows. True lets
    // the focus go to the first tab stop.
    virtual bool OnInitDialog() { return true; }
    virtual void OnOK() { EndDialog(kIdOk); }
    virtual void OnCancel() { EndDialog(kIdCancel); }

    bool OnCommand(WParam wParam, LParam lParam) override;
    void OnClose() override;
    void OnActivate(int state, Window* other, bool minimized) override;
    bool PreTranslateMessage(Msg& msg) override { return IsDialogMessage(msg); }
    LResult WindowProc(uint32_t message, WParam wParam, LParam lParam) override;

private:
    bool MakeWindow(Window* owner);

    Rect m_rect{0, 0, 400, 300};
    uint32_t m_style = kDefaultDialogStyle;
    uint32_t m_exStyle = 0;
    std::u16string m_title;
    int m_defaultId = kIdOk;
    std::atomic<int> m_result{-1};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_ended{false};
    bool m_modal = false;
    std::vector<std::unique_ptr<Window>> m_owned;
};

} // namespace vel::gui
