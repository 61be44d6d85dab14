#pragma once
// Popup menus: items with command ids, texts ("&" marks the mnemonic, "\t"
// starts the accelerator text), separators, sub-menus, and the disabled,
// grayed, checked, default and owner-drawn states. TrackPopupMenu shows a
// menu at a screen point and runs its own loop until an item is chosen or
// the menu is dismissed; the owner gets WM_INITMENUPOPUP before each popup
// opens and, for owner-drawn items, WM_MEASUREITEM and WM_DRAWITEM
// (ctlType kOdtMenu, itemData the item's data). Sub-menus open when their
// item is clicked, or after the hover delay, or with the Right key.

#include "Window.h"

#include <memory>
#include <string>
#include <vector>

namespace vel::gui {

inline constexpr uint32_t kMfString = 0x0;
inline constexpr uint32_t kMfGrayed = 0x1;
inline constexpr uint32_t kMfDisabled = 0x2;
inline constexpr uint32_t kMfChecked = 0x8;
inline constexpr uint32_t kMfPopup = 0x10;
inline constexpr uint32_t kMfOwnerDraw = 0x100;
inline constexpr uint32_t kMfByCommand = 0x0;
inline constexpr uint32_t kMfByPosition = 0x400;
inline constexpr uint32_t kMfSeparator = 0x800;
inline constexpr uint32_t kMfDefault = 0x1000;

inline constexpr uint32_t kTpmLeftAlign = 0x0;
inline constexpr uint32_t kTpmCenterAlign = 0x4;
inline constexpr uint32_t kTpmRightAlign = 0x8;
inline constexpr uint32_t kTpmTopAlign = 0x0;
inline constexpr uint32_t kTpmVCenterAlign = 0x10;
inline constexpr uint32_t kTpmBottomAlign = 0x20;
inline constexpr uint32_t kTpmLeftButton = 0x0;
inline constexpr uint32_t kTpmRightButton = 0x2;
inline constexpr uint32_t kTpmNoNotify = 0x80;
inline constexpr uint32_t kTpmReturnCmd = 0x100;

class Menu;

struct MenuItem
{
    uint32_t id = 0;
    std::u16string text;
    uint32_t flags = 0;
    uintptr_t data = 0;
    std::shared_ptr<Menu> sub;

    bool IsSeparator() const { return (flags & kMfSeparator) != 0; }
    bool IsEnabled() const { return !(flags & (kMfGrayed | kMfDisabled)); }
};

class Menu
{
public:
    Menu() = default;

    void Append(uint32_t flags, uint32_t id, std::u16string_view text, uintptr_t data = 0);
    void AppendSeparator();
    // Appends a sub-menu and returns it (kept by this menu).
    Menu& AppendPopup(std::u16string_view text, Menu sub = {}, uint32_t flags = 0);
    // Inserts before the item at `position` (the end when past it).
    void Insert(int position, uint32_t flags, uint32_t id, std::u16string_view text, uintptr_t data = 0);
    // RemoveMenu/DeleteMenu: by command id (searching sub-menus) or position.
    bool Remove(uint32_t item, uint32_t by = kMfByCommand);
    // Enables, grays or disables; returns the previous flags, or -1 when
    // there is no such item.
    int Enable(uint32_t item, uint32_t enableFlags, uint32_t by = kMfByCommand);
    int Check(uint32_t item, bool checked, uint32_t by = kMfByCommand);
    bool SetDefault(uint32_t item, uint32_t by = kMfByCommand);
    bool SetText(uint32_t item, std::u16string_view text, uint32_t by = kMfByCommand);
    // The item's flags, or 0xFFFFFFFF when there is none.
    uint32_t State(uint32_t item, uint32_t by = kMfByCommand) const;

    int Count() const { return int(m_items.size()); }
    const MenuItem* ItemAt(int position) const;
    MenuItem* ItemAt(int position);
    Menu* SubMenu(int position);
    // By command id, sub-menus included.
    MenuItem* Find(uint32_t item, uint32_t by = kMfByCommand);
    const MenuItem* Find(uint32_t item, uint32_t by = kMfByCommand) const;
    const std::vector<MenuItem>& Items() const { return m_items; }

private:
    std::vector<MenuItem> m_items;
};

// Shows `menu` at a screen point for `owner` and waits. With kTpmReturnCmd
// the chosen command id is returned (0 when dismissed); otherwise the
// choice is posted to the owner as WM_COMMAND and the result is 1 or 0.
uint32_t TrackPopupMenu(Menu& menu, uint32_t flags, Point screen, Window* owner);
// Dismisses the menu this thread is tracking.
void EndMenu();
// The popup windows of the menu being tracked, outermost first (for tests).
std::vector<WindowHandle> OpenMenuWindows();
// Where each item of an open popup lies on the screen (for tests).
Rect MenuItemScreenRect(WindowHandle popup, int position);

} // namespace vel::gui
