#pragma once
// A single-line edit: a caret, a selection (keyboard with Shift and Ctrl,
// pointer drag, double click for a word, Ctrl+A), the clipboard (Ctrl+C,
// Ctrl+X, Ctrl+V, Shift+Delete, Shift+Insert, Ctrl+Insert), one step of
// undo (Ctrl+Z), a cue text shown while it is empty, a length limit,
// read-only, digits-only and password forms, and automatic horizontal
// scrolling that keeps the caret in view (without kEsAutoHScroll, text
// that does not fit is refused). Changes reach the parent as EN_UPDATE and
// EN_CHANGE; focus as EN_SETFOCUS / EN_KILLFOCUS.

#include "Control.h"

#include <unordered_map>
#include <vector>

namespace vel::gui {

inline constexpr uint32_t kEsLeft = 0x0;
inline constexpr uint32_t kEsCenter = 0x1;
inline constexpr uint32_t kEsRight = 0x2;
inline constexpr uint32_t kEsPassword = 0x20;
inline constexpr uint32_t kEsAutoHScroll = 0x80;
inline constexpr uint32_t kEsNoHideSel = 0x100;
inline constexpr uint32_t kEsReadOnly = 0x800;
inline constexpr uint32_t kEsNumber = 0x2000;

class Edit : public Control
{
public:
    Edit();
    std::u16string_view ClassName() const override { return u"Edit"; }

    // Selection [start, end) in UTF-16 units; end -1 is the end of the
    // text, start -1 removes the selection.
    void SetSel(int start, int end, bool noScroll = false);
    void GetSel(int& start, int& end) const;
    std::u16string SelectedText() const;
    int Caret() const { return m_caret; }
    void ReplaceSel(std::u16string_view text, bool canUndo = true);
    void SelectAll() { SetSel(0, -1); }
    void SetCueBanner(std::u16string_view text, bool showWhenFocused = false);
    std::u16string CueBanner() const { return m_cue; }
    void SetCueColor(gfx::Color color) { m_cueColor = color; }
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return (Style() & kEsReadOnly) != 0; }
    void SetLimitText(int limit);
    int LimitText() const { return m_limit; }
    void SetPasswordChar(char16_t c);
    bool Undo();
    bool CanUndo() const { return m_canUndo; }
    void Copy();
    void Cut();
    void Paste();
    void Clear();
    // The first visible pixel of the text (scrolling), and where a caret
    // position lies / which position a client x is nearest.
    int ScrollOffset() const { return m_scroll; }
    int PosFromChar(int index) const;
    int CharFromPos(int x) const;

protected:
    LResult WindowProc(uint32_t message, WParam wp, LParam lp) override;
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    void OnSize(int, int, int) override;
    void OnSetFocus(Window* previous) override;
    void OnKillFocus(Window* next) override;
    void OnKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags) override;
    void OnChar(char16_t ch, uint32_t repeat, uint32_t flags) override;
    void OnLButtonDown(uint32_t keys, Point pt) override;
    void OnLButtonDblClk(uint32_t keys, Point pt) override;
    void OnLButtonUp(uint32_t keys, Point pt) override;
    void OnMouseMove(uint32_t keys, Point pt) override;
    void OnCaptureChanged(Window*) override { m_dragging = false; }
    void OnEnable(bool) override { Invalidate(); }
    bool OnSetCursor(Window* window, int hit, uint32_t message) override;
    uint32_t OnGetDlgCode() override;
    void OnSetFontMessage(FontRef, bool) override
    {
        m_charWidths.clear();
        Relayout();
    }

private:
    std::u16string Display() const;
    void Relayout();
    Rect TextRect() const;
    int BaseX() const;
    void MoveCaret(int pos, bool extend);
    void EnsureCaretVisible();
    bool Insert(std::u16string_view text);
    void StoreText(const std::u16string& text);
    void Changed();
    int WordLeft(int pos) const;
    int WordRight(int pos) const;

    std::u16string m_value;
    std::vector<int> m_xs;                          // x of each caret position, from the text's start
    std::unordered_map<char16_t, int> m_charWidths; // for long texts, by character
    int m_caret = 0, m_anchor = 0;
    int m_scroll = 0;
    int m_limit = 30000;
    char16_t m_password = u'*';
    std::u16string m_cue;
    bool m_cueWhenFocused = false;
    gfx::Color m_cueColor;
    bool m_dragging = false;
    bool m_canUndo = false;
    std::u16string m_undoText;
    int m_undoCaret = 0;
};

} // namespace vel::gui
