#include "Edit.h"

#include "Clipboard.h"
#include "Cursor.h"
#include "Input.h"
#include "Paint.h"
#include "SystemLook.h"

#include <algorithm>

namespace vel::gui {

namespace {

constexpr int kMargin = 2;

bool IsWordChar(char16_t c)
{
    return !(c == u' ' || c == u'\t' || c == u'\\' || c == u'/' || c == u'.' || c == u',');
}
bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

Edit::Edit()
{
    SetClassStyle(kCsDblClks);
    SetClassCursor(Cursor::System(SystemCursor::kIBeam));
    m_cueColor = GetSysColor(SysColor::kGrayText);
    m_xs = {0};
}

LResult Edit::WindowProc(uint32_t message, WParam wp, LParam lp)
{
    switch (message) {
    case kWmSetText: {
        std::u16string t = lp ? std::u16string(reinterpret_cast<const char16_t*>(lp)) : std::u16string();
        if (int(t.size()) > m_limit)
            t.resize(size_t(m_limit));
        StoreText(t);
        m_caret = m_anchor = 0;
        m_scroll = 0;
        m_canUndo = false;
        Invalidate();
        Changed();
        return 1;
    }
    case kWmEmSetSel:
        SetSel(int(intptr_t(wp)), int(lp));
        return 0;
    case kWmEmGetSel: {
        int s, e;
        GetSel(s, e);
        return MakeLParam(s, e);
    }
    case kWmCopy:
        Copy();
        return 0;
    case kWmCut:
        Cut();
        return 0;
    case kWmPaste:
        Paste();
        return 0;
    case kWmClear:
        Clear();
        return 0;
    default:
        return Control::WindowProc(message, wp, lp);
    }
}

void Edit::StoreText(const std::u16string& text)
{
    m_value = text;
    DefaultProc(kWmSetText, 0, LParam(m_value.c_str()));
    Relayout();
}

void Edit::Changed()
{
    NotifyCommand(kEnUpdate);
    NotifyCommand(kEnChange);
}

std::u16string Edit::Display() const
{
    if (Style() & kEsPassword)
        return std::u16string(m_value.size(), m_password);
    return m_value;
}

void Edit::Relayout()
{
    std::u16string d = Display();
    const gfx::Font& font = *Font();
    m_xs.assign(d.size() + 1, 0);
    if (d.size() <= 256) {
        // Exact: each prefix as the text engine lays it out.
        for (size_t i = 1; i <= d.size(); ++i)
            m_xs[i] = gfx::Canvas::MeasureText(std::u16string_view(d).substr(0, i), font,
                                               gfx::kTextSingleLine | gfx::kTextNoPrefix)
                          .cx;
    } else {
        // Long texts: character widths added up, each measured once.
        for (size_t i = 0; i < d.size(); ++i) {
            auto it = m_charWidths.find(d[i]);
            if (it == m_charWidths.end())
                it = m_charWidths
                         .emplace(d[i], gfx::Canvas::MeasureText(std::u16string_view(d).substr(i, 1), font,
                                                                 gfx::kTextSingleLine | gfx::kTextNoPrefix)
                                            .cx)
                         .first;
            m_xs[i + 1] = m_xs[i] + it->second;
        }
    }
    m_caret = std::min(m_caret, int(m_value.size()));
    m_anchor = std::min(m_anchor, int(m_value.size()));
}

Rect Edit::TextRect() const
{
    Rect r = ClientRect();
    return {r.left + kMargin, r.top, std::max(r.left + kMargin, r.right - kMargin), r.bottom};
}

int Edit::BaseX() const
{
    Rect tr = TextRect();
    int w = m_xs.back();
    uint32_t align = Style() & 0x3;
    if (w < tr.Width() && align == kEsCenter)
        return tr.left + (tr.Width() - w) / 2;
    if (w < tr.Width() && align == kEsRight)
        return tr.right - w;
    return tr.left - m_scroll;
}

int Edit::PosFromChar(int index) const
{
    index = std::clamp(index, 0, int(m_xs.size()) - 1);
    return BaseX() + m_xs[size_t(index)];
}

int Edit::CharFromPos(int x) const
{
    int rel = x - BaseX();
    int best = 0;
    for (size_t i = 1; i < m_xs.size(); ++i) {
        if (IsLowSurrogate(m_value[i - 1]) && i < m_xs.size())
            continue;
        int mid = (m_xs[i - 1] + m_xs[i]) / 2;
        if (rel >= mid)
            best = int(i);
    }
    return best;
}

void Edit::EnsureCaretVisible()
{
    if (!(Style() & kEsAutoHScroll) || (Style() & 0x3) != kEsLeft) {
        m_scroll = 0;
        return;
    }
    Rect tr = TextRect();
    int w = std::max(1, tr.Width());
    int x = m_xs[size_t(m_caret)];
    int old = m_scroll;
    if (x - m_scroll >= w)
        m_scroll = x - w + w / 4 + 1;
    else if (x < m_scroll)
        m_scroll = std::max(0, x - w / 4);
    m_scroll = std::clamp(m_scroll, 0, std::max(0, m_xs.back() - w + 1));
    if (x - m_scroll >= w)
        m_scroll = x - w + 1;
    if (m_scroll != old)
        Invalidate();
}

void Edit::SetSel(int start, int end, bool noScroll)
{
    int n = int(m_value.size());
    if (start < 0) {
        m_anchor = m_caret;
    } else {
        if (end < 0 || end > n)
            end = n;
        start = std::min(start, n);
        m_anchor = start;
        m_caret = end;
    }
    if (!noScroll)
        EnsureCaretVisible();
    Invalidate();
}

void Edit::GetSel(int& start, int& end) const
{
    start = std::min(m_anchor, m_caret);
    end = std::max(m_anchor, m_caret);
}

std::u16string Edit::SelectedText() const
{
    int s, e;
    GetSel(s, e);
    return m_value.substr(size_t(s), size_t(e - s));
}

void Edit::MoveCaret(int pos, bool extend)
{
    pos = std::clamp(pos, 0, int(m_value.size()));
    m_caret = pos;
    if (!extend)
        m_anchor = pos;
    EnsureCaretVisible();
    Invalidate();
}

bool Edit::Insert(std::u16string_view text)
{
    int s, e;
    GetSel(s, e);
    std::u16string t(text);
    if (Style() & kEsNumber)
        t.erase(std::remove_if(t.begin(), t.end(), [](char16_t c) { return c < u'0' || c > u'9'; }), t.end());
    size_t room = size_t(std::max(0, m_limit - (int(m_value.size()) - (e - s))));
    bool cut = t.size() > room;
    if (cut) {
        t.resize(room);
        NotifyCommand(kEnMaxText);
    }
    if (t.empty() && s == e)
        return false;
    std::u16string next = m_value.substr(0, size_t(s)) + t + m_value.substr(size_t(e));
    if (!(Style() & kEsAutoHScroll)) {
        // Without scrolling, what would not fit is refused.
        int w =
            gfx::Canvas::MeasureText((Style() & kEsPassword) ? std::u16string(next.size(), m_password) : next,
                                     *Font(), gfx::kTextSingleLine | gfx::kTextNoPrefix)
                .cx;
        if (w > TextRect().Width() && next.size() > m_value.size())
            return false;
    }
    m_undoText = m_value;
    m_undoCaret = m_caret;
    m_canUndo = true;
    StoreText(next);
    m_caret = m_anchor = s + int(t.size());
    EnsureCaretVisible();
    Invalidate();
    Changed();
    return true;
}

void Edit::ReplaceSel(std::u16string_view text, bool canUndo)
{
    Insert(text);
    if (!canUndo)
        m_canUndo = false;
}

void Edit::SetCueBanner(std::u16string_view text, bool showWhenFocused)
{
    m_cue = std::u16string(text);
    m_cueWhenFocused = showWhenFocused;
    Invalidate();
}

void Edit::SetReadOnly(bool readOnly)
{
    ModifyStyle(readOnly ? 0 : kEsReadOnly, readOnly ? kEsReadOnly : 0);
    Invalidate();
}

void Edit::SetLimitText(int limit)
{
    m_limit = limit <= 0 ? 0x7FFFFFFE : limit;
}

void Edit::SetPasswordChar(char16_t c)
{
    m_password = c ? c : u'*';
    ModifyStyle(c ? 0 : kEsPassword, c ? kEsPassword : 0);
    Relayout();
    Invalidate();
}

bool Edit::Undo()
{
    if (!m_canUndo || IsReadOnly())
        return false;
    std::u16string redo = m_value;
    int redoCaret = m_caret;
    StoreText(m_undoText);
    m_caret = m_anchor = std::min(m_undoCaret, int(m_value.size()));
    m_undoText = redo;
    m_undoCaret = redoCaret;
    EnsureCaretVisible();
    Invalidate();
    Changed();
    return true;
}

void Edit::Copy()
{
    if (Style() & kEsPassword)
        return; // passwords do not leave the field
    std::u16string sel = SelectedText();
    if (!sel.empty())
        Clipboard::SetText(sel, Handle());
}

void Edit::Cut()
{
    if (IsReadOnly())
        return;
    Copy();
    Clear();
}

void Edit::Paste()
{
    if (IsReadOnly())
        return;
    if (auto t = Clipboard::GetText(Handle())) {
        std::u16string line = *t;
        size_t br = line.find_first_of(u"\r\n");
        if (br != std::u16string::npos)
            line.resize(br); // a single line takes the first line
        Insert(line);
    }
}

void Edit::Clear()
{
    if (IsReadOnly())
        return;
    int s, e;
    GetSel(s, e);
    if (s != e)
        Insert(u"");
}

int Edit::WordLeft(int pos) const
{
    while (pos > 0 && !IsWordChar(m_value[size_t(pos - 1)]))
        --pos;
    while (pos > 0 && IsWordChar(m_value[size_t(pos - 1)]))
        --pos;
    return pos;
}

int Edit::WordRight(int pos) const
{
    int n = int(m_value.size());
    while (pos < n && IsWordChar(m_value[size_t(pos)]))
        ++pos;
    while (pos < n && !IsWordChar(m_value[size_t(pos)]))
        ++pos;
    return pos;
}

void Edit::OnSize(int, int, int)
{
    EnsureCaretVisible();
}

void Edit::OnSetFocus(Window*)
{
    Invalidate();
    NotifyCommand(kEnSetFocus);
}

void Edit::OnKillFocus(Window*)
{
    Invalidate();
    NotifyCommand(kEnKillFocus);
}

void Edit::OnKeyDown(uint32_t vk, uint32_t, uint32_t)
{
    const bool shift = IsKeyDown(kVkShift), ctrl = IsKeyDown(kVkControl);
    const int n = int(m_value.size());
    switch (vk) {
    case kVkLeft: {
        int s, e;
        GetSel(s, e);
        if (!shift && s != e && !ctrl) {
            MoveCaret(s, false);
            break;
        }
        int p = ctrl ? WordLeft(m_caret) : m_caret - 1;
        if (p > 0 && IsLowSurrogate(m_value[size_t(p)]))
            --p;
        MoveCaret(p, shift);
        break;
    }
    case kVkRight: {
        int s, e;
        GetSel(s, e);
        if (!shift && s != e && !ctrl) {
            MoveCaret(e, false);
            break;
        }
        int p = ctrl ? WordRight(m_caret) : m_caret + 1;
        if (p < n && IsLowSurrogate(m_value[size_t(p)]))
            ++p;
        MoveCaret(p, shift);
        break;
    }
    case kVkHome:
        MoveCaret(0, shift);
        break;
    case kVkEnd:
        MoveCaret(n, shift);
        break;
    case kVkDelete:
        if (IsReadOnly())
            break;
        if (shift) {
            Cut();
            break;
        }
        if (m_anchor == m_caret) {
            if (m_caret >= n)
                break;
            int end = m_caret + 1;
            if (end < n && IsLowSurrogate(m_value[size_t(end)]))
                ++end;
            m_anchor = end;
        }
        Insert(u"");
        break;
    case kVkInsert:
        if (ctrl)
            Copy();
        else if (shift)
            Paste();
        break;
    default:
        break;
    }
}

void Edit::OnChar(char16_t ch, uint32_t, uint32_t)
{
    switch (ch) {
    case 0x01:
        SelectAll();
        return;
    case 0x03:
        Copy();
        return;
    case 0x16:
        Paste();
        return;
    case 0x18:
        Cut();
        return;
    case 0x1A:
        Undo();
        return;
    case 0x08:
        if (IsReadOnly())
            return;
        if (m_anchor == m_caret) {
            if (m_caret == 0)
                return;
            int start = m_caret - 1;
            if (start > 0 && IsLowSurrogate(m_value[size_t(start)]))
                --start;
            m_anchor = start;
        }
        Insert(u"");
        return;
    default:
        break;
    }
    if (ch < 0x20 || ch == 0x7F || IsReadOnly())
        return;
    char16_t one[2] = {ch, 0};
    Insert(std::u16string_view(one, 1));
}

void Edit::OnLButtonDown(uint32_t keys, Point pt)
{
    SetFocus();
    MoveCaret(CharFromPos(pt.x), (keys & kMkShift) != 0);
    SetCapture();
    m_dragging = true;
}

void Edit::OnLButtonDblClk(uint32_t, Point pt)
{
    int at = CharFromPos(pt.x);
    int s = at, e = at;
    int n = int(m_value.size());
    while (s > 0 && IsWordChar(m_value[size_t(s - 1)]))
        --s;
    while (e < n && IsWordChar(m_value[size_t(e)]))
        ++e;
    SetSel(s, e);
}

void Edit::OnLButtonUp(uint32_t, Point)
{
    m_dragging = false;
    if (HasCapture())
        ReleaseCapture();
}

void Edit::OnMouseMove(uint32_t keys, Point pt)
{
    if (m_dragging && (keys & kMkLButton))
        MoveCaret(CharFromPos(pt.x), true);
}

bool Edit::OnSetCursor(Window* window, int hit, uint32_t message)
{
    if (hit == kHtClient) {
        SetCursor(Cursor::System(SystemCursor::kIBeam));
        return true;
    }
    return Control::OnSetCursor(window, hit, message);
}

uint32_t Edit::OnGetDlgCode()
{
    return kDlgcWantChars | kDlgcHasSetSel | kDlgcWantArrows;
}

void Edit::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    const bool enabled = IsEnabled();
    const bool readOnly = IsReadOnly();
    const Rect client = ClientRect();
    ControlColors colors = PaintBackground(
        c, client, (readOnly || !enabled) ? kWmCtlColorStatic : kWmCtlColorEdit,
        GetSysColor(SysColor::kWindowText),
        (readOnly || !enabled) ? GetSysColor(SysColor::kBtnFace) : GetSysColor(SysColor::kWindow));
    const gfx::Font& font = *Font();
    const Rect tr = TextRect();
    const int lineH = font.Metrics().height;
    const int y = (client.Height() - lineH) / 2;
    const bool focused = HasFocus();
    c.Save();
    c.ClipRect(tr);
    const uint32_t flags = gfx::kTextSingleLine | gfx::kTextNoPrefix | gfx::kTextNoClip;
    if (m_value.empty()) {
        if (!m_cue.empty() && (!focused || m_cueWhenFocused))
            c.DrawText(m_cue, {tr.left, y, tr.right + 1000, y + lineH}, font, m_cueColor, flags);
    } else {
        std::u16string d = Display();
        int bx = BaseX();
        gfx::Color text = enabled ? colors.textColor : GetSysColor(SysColor::kGrayText);
        c.DrawText(d, {bx, y, bx + m_xs.back() + 100, y + lineH}, font, text, flags);
        int s, e;
        GetSel(s, e);
        if (s != e && (focused || (Style() & kEsNoHideSel))) {
            Rect sel{bx + m_xs[size_t(s)], y, bx + m_xs[size_t(e)], y + lineH};
            c.Save();
            c.ClipRect(sel);
            c.FillRect(sel, focused ? GetSysColor(SysColor::kHighlight) : GetSysColor(SysColor::kBtnFace));
            c.DrawText(d, {bx, y, bx + m_xs.back() + 100, y + lineH}, font,
                       focused ? GetSysColor(SysColor::kHighlightText) : text, flags);
            c.Restore();
        }
    }
    if (focused) {
        int x = PosFromChar(m_caret);
        c.FillRect({x, y, x + 1, y + lineH}, GetSysColor(SysColor::kWindowText));
    }
    c.Restore();
}

} // namespace vel::gui
