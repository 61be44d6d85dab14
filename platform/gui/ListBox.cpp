#include "ListBox.h"

#include "Input.h"
#include "Paint.h"
#include "SystemLook.h"
#include "platform/base/Strings.h"

#include <algorithm>

namespace vel::gui {

ListBox::ListBox()
{
    SetClassStyle(kCsDblClks);
}

int ListBox::OnCreate(const CreateStruct&)
{
    m_itemHeight = Font()->Metrics().height + 4;
    UpdateScroll();
    return 0;
}

void ListBox::MeasureOnce()
{
    if (m_measured || !(Style() & kLbsOwnerDrawFixed))
        return;
    m_measured = true;
    MeasureItemInfo mi{
        DrawKind(), uint32_t(DrawId()), 0, uint32_t(ClientRect().Width()), uint32_t(m_itemHeight), 0,
        nullptr};
    if (Window* owner = DrawOwner())
        owner->Send(kWmMeasureItem, WParam(DrawId()), LParam(&mi));
    if (mi.itemHeight > 0)
        m_itemHeight = int(mi.itemHeight);
}

int ListBox::AddString(std::u16string_view text, uintptr_t data)
{
    int at = Count();
    if (Style() & kLbsSort) {
        at = 0;
        while (at < Count() && CompareIgnoreCase(m_items[size_t(at)].text, text) <= 0)
            ++at;
    }
    return InsertString(at, text, data);
}

int ListBox::InsertString(int index, std::u16string_view text, uintptr_t data)
{
    if (index < 0 || index > Count())
        index = Count();
    m_items.insert(m_items.begin() + index, Item{std::u16string(text), data, false});
    if (m_caret >= index)
        ++m_caret;
    MeasureOnce();
    UpdateScroll();
    Invalidate();
    return index;
}

int ListBox::DeleteString(int index)
{
    if (index < 0 || index >= Count())
        return kLbErr;
    m_items.erase(m_items.begin() + index);
    if (m_caret == index)
        m_caret = -1;
    else if (m_caret > index)
        --m_caret;
    m_top = std::clamp(m_top, 0, std::max(0, Count() - 1));
    UpdateScroll();
    Invalidate();
    return Count();
}

void ListBox::ResetContent()
{
    m_items.clear();
    m_top = 0;
    m_caret = m_anchor = m_hot = -1;
    UpdateScroll();
    Invalidate();
}

std::u16string ListBox::GetText(int index) const
{
    return index >= 0 && index < Count() ? m_items[size_t(index)].text : std::u16string();
}

uintptr_t ListBox::GetItemData(int index) const
{
    return index >= 0 && index < Count() ? m_items[size_t(index)].data : uintptr_t(kLbErr);
}

bool ListBox::SetItemData(int index, uintptr_t data)
{
    if (index < 0 || index >= Count())
        return false;
    m_items[size_t(index)].data = data;
    return true;
}

int ListBox::GetCurSel() const
{
    if (IsMulti())
        return m_caret;
    for (int i = 0; i < Count(); ++i)
        if (m_items[size_t(i)].selected)
            return i;
    return kLbErr;
}

int ListBox::SetCurSel(int index)
{
    for (auto& it : m_items)
        it.selected = false;
    if (index < 0 || index >= Count()) {
        Invalidate();
        return kLbErr;
    }
    m_items[size_t(index)].selected = true;
    m_caret = m_anchor = index;
    EnsureVisible(index);
    Invalidate();
    return index;
}

bool ListBox::GetSel(int index) const
{
    return index >= 0 && index < Count() && m_items[size_t(index)].selected;
}

bool ListBox::SetSel(int index, bool selected)
{
    if (index == -1) {
        for (auto& it : m_items)
            it.selected = selected;
        Invalidate();
        return true;
    }
    if (index < 0 || index >= Count())
        return false;
    if (!IsMulti() && selected)
        return SetCurSel(index) == index;
    m_items[size_t(index)].selected = selected;
    Invalidate();
    return true;
}

std::vector<int> ListBox::GetSelItems() const
{
    std::vector<int> out;
    for (int i = 0; i < Count(); ++i)
        if (m_items[size_t(i)].selected)
            out.push_back(i);
    return out;
}

int ListBox::GetSelCount() const
{
    return int(GetSelItems().size());
}

int ListBox::VisibleRows() const
{
    return std::max(1, ClientRect().Height() / std::max(1, m_itemHeight));
}

void ListBox::SetTopIndex(int index)
{
    int maxTop = std::max(0, Count() - VisibleRows());
    int t = std::clamp(index, 0, maxTop);
    if (t != m_top) {
        m_top = t;
        SetScrollPos(kSbVert, m_top);
        Invalidate();
    }
}

void ListBox::SetItemHeight(int height)
{
    m_itemHeight = std::max(1, height);
    m_measured = true;
    UpdateScroll();
    Invalidate();
}

Rect ListBox::GetItemRect(int index) const
{
    Rect c = ClientRect();
    int y = (index - m_top) * m_itemHeight;
    return {0, y, c.right, y + m_itemHeight};
}

int ListBox::ItemFromPoint(Point pt) const
{
    if (!ClientRect().Contains(pt.x, pt.y))
        return -1;
    int i = m_top + pt.y / std::max(1, m_itemHeight);
    return i < Count() ? i : -1;
}

int ListBox::FindString(int after, std::u16string_view prefix) const
{
    for (int k = 1; k <= Count(); ++k) {
        int i = (after + k + Count()) % std::max(1, Count());
        if (StartsWithIgnoreCase(m_items[size_t(i)].text, prefix))
            return i;
    }
    return kLbErr;
}

int ListBox::FindStringExact(int after, std::u16string_view text) const
{
    for (int k = 1; k <= Count(); ++k) {
        int i = (after + k + Count()) % std::max(1, Count());
        if (EqualsIgnoreCase(m_items[size_t(i)].text, text))
            return i;
    }
    return kLbErr;
}

void ListBox::UpdateScroll()
{
    if (!IsWindow())
        return;
    int rows = VisibleRows();
    ScrollInfo si{0, std::max(0, Count() - 1), unsigned(rows), m_top, m_top};
    SetScrollInfo(kSbVert, si, true);
    m_top = std::clamp(m_top, 0, std::max(0, Count() - VisibleRows()));
}

void ListBox::EnsureVisible(int index)
{
    if (index < 0)
        return;
    int rows = VisibleRows();
    if (index < m_top)
        SetTopIndex(index);
    else if (index >= m_top + rows)
        SetTopIndex(index - rows + 1);
}

void ListBox::SelectionChanged()
{
    if (Style() & kLbsNotify)
        NotifyCommand(kLbnSelChange);
}

void ListBox::ItemActivated(int)
{
    if (Style() & kLbsNotify)
        NotifyCommand(kLbnDblClk);
}

void ListBox::SelectByUser(int index, uint32_t keys, bool fromKeyboard)
{
    if (index < 0 || index >= Count())
        return;
    std::vector<int> before = GetSelItems();
    const uint32_t style = Style();
    if (style & kLbsMultipleSel) {
        if (!fromKeyboard)
            m_items[size_t(index)].selected = !m_items[size_t(index)].selected;
        m_caret = index;
    } else if (style & kLbsExtendedSel) {
        if ((keys & kMkShift) && m_anchor >= 0) {
            int a = std::min(m_anchor, index), b = std::max(m_anchor, index);
            if (!(keys & kMkControl))
                for (auto& it : m_items)
                    it.selected = false;
            for (int i = a; i <= b; ++i)
                m_items[size_t(i)].selected = true;
        } else if (keys & kMkControl) {
            if (!fromKeyboard)
                m_items[size_t(index)].selected = !m_items[size_t(index)].selected;
            m_anchor = index;
        } else {
            for (auto& it : m_items)
                it.selected = false;
            m_items[size_t(index)].selected = true;
            m_anchor = index;
        }
        m_caret = index;
    } else {
        for (auto& it : m_items)
            it.selected = false;
        m_items[size_t(index)].selected = true;
        m_caret = m_anchor = index;
    }
    EnsureVisible(index);
    Invalidate();
    if (GetSelItems() != before)
        SelectionChanged();
}

void ListBox::OnLButtonDown(uint32_t keys, Point pt)
{
    if (!m_hotTracking)
        SetFocus();
    int i = ItemFromPoint(pt);
    if (i >= 0)
        SelectByUser(i, keys, false);
    if (!HasCapture())
        SetCapture();
    m_tracking = true;
}

void ListBox::OnLButtonDblClk(uint32_t keys, Point pt)
{
    int i = ItemFromPoint(pt);
    if (i >= 0)
        ItemActivated(i);
}

void ListBox::OnLButtonUp(uint32_t, Point)
{
    if (m_tracking) {
        m_tracking = false;
        if (HasCapture() && !m_hotTracking)
            ReleaseCapture();
    }
}

void ListBox::OnMouseMove(uint32_t keys, Point pt)
{
    int i = ItemFromPoint(pt);
    if (m_hotTracking && i != m_hot && i >= 0) {
        m_hot = i;
        Invalidate();
    }
    if (m_tracking && (keys & kMkLButton) && !IsMulti() && i >= 0 && !GetSel(i))
        SelectByUser(i, keys, false);
}

bool ListBox::OnMouseWheel(uint32_t, int delta, Point)
{
    SetTopIndex(m_top - delta / kWheelDelta * 3);
    return true;
}

void ListBox::OnVScroll(int code, int, Window*)
{
    int rows = VisibleRows();
    switch (code) {
    case kSbLineUp:
        SetTopIndex(m_top - 1);
        break;
    case kSbLineDown:
        SetTopIndex(m_top + 1);
        break;
    case kSbPageUp:
        SetTopIndex(m_top - rows);
        break;
    case kSbPageDown:
        SetTopIndex(m_top + rows);
        break;
    case kSbThumbTrack:
    case kSbThumbPosition:
        SetTopIndex(GetScrollInfo(kSbVert).trackPos);
        break;
    case kSbTop:
        SetTopIndex(0);
        break;
    case kSbBottom:
        SetTopIndex(Count());
        break;
    default:
        break;
    }
}

void ListBox::OnKeyDown(uint32_t vk, uint32_t, uint32_t)
{
    if (Count() == 0)
        return;
    int rows = VisibleRows();
    int cur = m_caret < 0 ? 0 : m_caret;
    int next = cur;
    switch (vk) {
    case kVkUp:
        next = cur - 1;
        break;
    case kVkDown:
        next = m_caret < 0 ? 0 : cur + 1;
        break;
    case kVkHome:
        next = 0;
        break;
    case kVkEnd:
        next = Count() - 1;
        break;
    case kVkPrior:
        next = cur - (rows - 1);
        break;
    case kVkNext:
        next = cur + (rows - 1);
        break;
    case kVkSpace:
        if (Style() & kLbsMultipleSel) {
            m_items[size_t(cur)].selected = !m_items[size_t(cur)].selected;
            Invalidate();
            SelectionChanged();
        }
        return;
    default:
        return;
    }
    next = std::clamp(next, 0, Count() - 1);
    uint32_t keys = (IsKeyDown(kVkShift) ? kMkShift : 0) | (IsKeyDown(kVkControl) ? kMkControl : 0);
    if ((Style() & kLbsMultipleSel) ||
        ((Style() & kLbsExtendedSel) && (keys & kMkControl) && !(keys & kMkShift))) {
        m_caret = next;
        EnsureVisible(next);
        Invalidate();
        return;
    }
    SelectByUser(next, keys, true);
}

void ListBox::OnChar(char16_t ch, uint32_t, uint32_t)
{
    if (ch < 0x20)
        return;
    char16_t s[2] = {ch, 0};
    int i = FindString(m_caret, std::u16string_view(s, 1));
    if (i >= 0)
        SelectByUser(i, 0, true);
}

void ListBox::OnSetFocus(Window*)
{
    Invalidate();
    if (Style() & kLbsNotify)
        NotifyCommand(kLbnSetFocus);
}

void ListBox::OnKillFocus(Window*)
{
    Invalidate();
    if (Style() & kLbsNotify)
        NotifyCommand(kLbnKillFocus);
}

void ListBox::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    Rect client = ClientRect();
    ControlColors colors = PaintBackground(c, client, kWmCtlColorListBox, GetSysColor(SysColor::kWindowText),
                                           GetSysColor(SysColor::kWindow));
    const bool focused = HasFocus();
    const bool ownerDraw = (Style() & kLbsOwnerDrawFixed) != 0;
    const gfx::Font& font = *Font();
    for (int i = m_top; i < Count(); ++i) {
        Rect r = GetItemRect(i);
        if (r.top >= client.bottom)
            break;
        const Item& it = m_items[size_t(i)];
        bool selected = m_hotTracking ? i == m_hot : it.selected;
        if (ownerDraw) {
            uint32_t state = (selected ? kOdsSelected : 0) | (focused && i == m_caret ? kOdsFocus : 0) |
                             (IsEnabled() ? 0 : kOdsDisabled);
            DrawItemInfo di{DrawKind(),  uint32_t(DrawId()),
                            uint32_t(i), kOdaDrawEntire,
                            state,       DrawHandle(),
                            &c,          r,
                            it.data,     nullptr};
            c.Save();
            c.ClipRect(r);
            if (Window* owner = DrawOwner())
                owner->Send(kWmDrawItem, WParam(DrawId()), LParam(&di));
            c.Restore();
            continue;
        }
        gfx::Color text = IsEnabled() ? colors.textColor : GetSysColor(SysColor::kGrayText);
        if (selected) {
            c.FillRect(r, GetSysColor(SysColor::kHighlight));
            text = GetSysColor(SysColor::kHighlightText);
        }
        c.DrawText(it.text, r.Inflate(-2, 0), font, text,
                   gfx::kTextSingleLine | gfx::kTextVCenter | gfx::kTextNoPrefix | gfx::kTextEndEllipsis);
        if (focused && i == m_caret && !m_hotTracking)
            look::DrawFocusRect(c, r);
    }
}

} // namespace vel::gui
