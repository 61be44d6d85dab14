#pragma once
// A drop-down list combo box: a field showing the selected item and a list
// that drops below it (above when there is no room), tracks the pointer
// and closes on a choice, Escape, a click outside or lost capture. Arrow
// keys change the selection while closed; F4 and Alt+Down open it. Items
// may be owner-drawn at a fixed height (kCbsOwnerDrawFixed): the parent gets
// WM_MEASUREITEM (item -1 for the field) and WM_DRAWITEM with kOdtComboBox,
// the field drawn with kOdsComboBoxEdit. The parent hears CBN_DROPDOWN,
// CBN_SELCHANGE, CBN_SELENDOK / CBN_SELENDCANCEL and CBN_CLOSEUP.
//
// The window's height is the field's; a taller rectangle given at creation
// or in a move only sets how far the list may drop.

#include "Control.h"

#include <memory>
#include <vector>

namespace vel::gui {

inline constexpr uint32_t kCbsDropDown = 0x2;
inline constexpr uint32_t kCbsDropDownList = 0x3;
inline constexpr uint32_t kCbsOwnerDrawFixed = 0x10;
inline constexpr uint32_t kCbsSort = 0x100;
inline constexpr uint32_t kCbsHasStrings = 0x200;
inline constexpr int kCbErr = -1;

class ComboList;

class ComboBox : public Control
{
public:
    ComboBox();
    ~ComboBox() override;
    std::u16string_view ClassName() const override { return u"ComboBox"; }

    int AddString(std::u16string_view text, uintptr_t data = 0);
    int InsertString(int index, std::u16string_view text, uintptr_t data = 0);
    int DeleteString(int index);
    void ResetContent();
    int Count() const { return int(m_items.size()); }
    std::u16string GetLBText(int index) const;
    uintptr_t GetItemData(int index) const;
    bool SetItemData(int index, uintptr_t data);
    int GetCurSel() const { return m_sel; }
    int SetCurSel(int index);
    int FindStringExact(int after, std::u16string_view text) const;
    void ShowDropDown(bool show);
    bool GetDroppedState() const { return m_list != nullptr; }
    // The drop-down window while it is open (for tests).
    Window* DropList() const;
    // -1: the field; otherwise the list items.
    int GetItemHeight(int which) const { return which < 0 ? m_fieldHeight : m_itemHeight; }
    void SetItemHeight(int which, int height);
    void SetMinVisible(int rows) { m_minVisible = std::max(1, rows); }

    // Called by the list.
    void CloseUp(int chosen, bool accept);

protected:
    int OnCreate(const CreateStruct& cs) override;
    void OnDestroy() override;
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    void OnWindowPosChanging(WindowPos& pos) override;
    void OnLButtonDown(uint32_t keys, Point pt) override;
    void OnLButtonDblClk(uint32_t keys, Point pt) override { OnLButtonDown(keys, pt); }
    void OnKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags) override;
    void OnSysKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags) override;
    void OnChar(char16_t ch, uint32_t repeat, uint32_t flags) override;
    bool OnMouseWheel(uint32_t keys, int delta, Point screen) override;
    void OnSetFocus(Window*) override;
    void OnKillFocus(Window*) override;
    void OnEnable(bool) override { Invalidate(); }
    uint32_t OnGetDlgCode() override;

private:
    friend class ComboList;
    struct Item
    {
        std::u16string text;
        uintptr_t data = 0;
    };
    void SelectByUser(int index);
    void Measure();

    std::vector<Item> m_items;
    int m_sel = -1;
    int m_itemHeight = 16;
    int m_fieldHeight = 16;
    int m_dropHeight = 0;
    int m_minVisible = 30;
    int m_selAtOpen = -1;
    ComboList* m_list = nullptr; // frees itself after its last message
};

} // namespace vel::gui
