#pragma once
// A list box: items with a text and a data value, one selection (or many:
// kLbsMultipleSel toggles by click, kLbsExtendedSel with Ctrl and Shift),
// a caret item, keyboard movement (arrows, Home, End, Page keys, a letter
// jumps to the next item starting with it), a vertical scroll bar and the
// wheel, owner-drawn fixed-height items (WM_MEASUREITEM once, WM_DRAWITEM
// per item). With kLbsNotify the parent hears LBN_SELCHANGE and LBN_DBLCLK.

#include "Control.h"

#include <vector>

namespace vel::gui {

inline constexpr uint32_t kLbsNotify = 0x1;
inline constexpr uint32_t kLbsSort = 0x2;
inline constexpr uint32_t kLbsMultipleSel = 0x8;
inline constexpr uint32_t kLbsOwnerDrawFixed = 0x10;
inline constexpr uint32_t kLbsHasStrings = 0x40;
inline constexpr uint32_t kLbsNoIntegralHeight = 0x100;
inline constexpr uint32_t kLbsExtendedSel = 0x800;
inline constexpr int kLbErr = -1;

class ListBox : public Control
{
public:
    ListBox();
    std::u16string_view ClassName() const override { return u"ListBox"; }

    int AddString(std::u16string_view text, uintptr_t data = 0);
    int InsertString(int index, std::u16string_view text, uintptr_t data = 0);
    int DeleteString(int index);
    void ResetContent();
    int Count() const { return int(m_items.size()); }
    std::u16string GetText(int index) const;
    uintptr_t GetItemData(int index) const;
    bool SetItemData(int index, uintptr_t data);
    // Single selection.
    int GetCurSel() const;
    int SetCurSel(int index);
    // Multiple selection.
    bool GetSel(int index) const;
    bool SetSel(int index, bool selected);
    std::vector<int> GetSelItems() const;
    int GetSelCount() const;
    int GetCaretIndex() const { return m_caret; }
    int GetTopIndex() const { return m_top; }
    void SetTopIndex(int index);
    int GetItemHeight() const { return m_itemHeight; }
    void SetItemHeight(int height);
    Rect GetItemRect(int index) const;
    // The item under a client point, or -1.
    int ItemFromPoint(Point pt) const;
    int FindString(int after, std::u16string_view prefix) const;
    int FindStringExact(int after, std::u16string_view text) const;
    // Rows that fit.
    int VisibleRows() const;

    // The control a drop-down list reports to instead of its parent (a
    // combo box), and the item under the pointer while it tracks.
    void SetHotTracking(bool on) { m_hotTracking = on; }
    int HotItem() const { return m_hot; }
    void SetHotItem(int index)
    {
        m_hot = index;
        Invalidate();
    }

protected:
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    void OnSize(int, int, int) override { UpdateScroll(); }
    void OnLButtonDown(uint32_t keys, Point pt) override;
    void OnLButtonDblClk(uint32_t keys, Point pt) override;
    void OnLButtonUp(uint32_t keys, Point pt) override;
    void OnMouseMove(uint32_t keys, Point pt) override;
    bool OnMouseWheel(uint32_t keys, int delta, Point screen) override;
    void OnVScroll(int code, int pos, Window* bar) override;
    void OnKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags) override;
    void OnChar(char16_t ch, uint32_t repeat, uint32_t flags) override;
    void OnSetFocus(Window*) override;
    void OnKillFocus(Window*) override;
    void OnCaptureChanged(Window*) override { m_tracking = false; }
    uint32_t OnGetDlgCode() override { return kDlgcWantArrows | kDlgcWantChars; }
    int OnCreate(const CreateStruct& cs) override;

    // The selection changed by the user.
    virtual void SelectionChanged();
    // An item was double-clicked.
    virtual void ItemActivated(int index);
    // Who owner-drawn requests go to and under which id and kind.
    virtual Window* DrawOwner() { return Parent(); }
    virtual uint32_t DrawKind() const { return kOdtListBox; }
    virtual int DrawId() { return Id(); }
    virtual WindowHandle DrawHandle() { return Handle(); }

    struct Item
    {
        std::u16string text;
        uintptr_t data = 0;
        bool selected = false;
    };
    std::vector<Item> m_items;

private:
    void UpdateScroll();
    void EnsureVisible(int index);
    void SelectByUser(int index, uint32_t keys, bool fromKeyboard);
    void MeasureOnce();
    bool IsMulti() const { return (Style() & (kLbsMultipleSel | kLbsExtendedSel)) != 0; }

    int m_top = 0;
    int m_caret = -1;
    int m_anchor = -1;
    int m_itemHeight = 16;
    bool m_measured = false;
    bool m_tracking = false;
    bool m_hotTracking = false;
    int m_hot = -1;
};

} // namespace vel::gui
