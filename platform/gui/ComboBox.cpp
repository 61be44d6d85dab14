#include "ComboBox.h"

#include "Input.h"
#include "ListBox.h"
#include "Paint.h"
#include "Screen.h"
#include "SystemLook.h"
#include "platform/base/Strings.h"

#include <algorithm>

namespace vel::gui {

// The list that drops down: a pop-up list box that tracks the pointer with
// the capture and reports back to its combo box.
class ComboList : public ListBox
{
public:
    explicit ComboList(ComboBox& combo) : m_combo(combo) { SetHotTracking(true); }
    std::u16string_view ClassName() const override { return u"ComboLBox"; }

protected:
    int OnMouseActivate(Window*, int, uint32_t) override { return kMaNoActivate; }
    void OnLButtonDown(uint32_t keys, Point pt) override
    {
        Point screen = ClientToScreen(pt);
        Rect wr = WindowRect();
        if (!wr.Contains(screen.x, screen.y)) {
            // Outside: on the combo's own field it just closes, elsewhere too.
            m_combo.CloseUp(-1, false);
            return;
        }
        if (!ClientRect().Contains(pt.x, pt.y)) {
            // The scroll bar: track it, then take the pointer back.
            m_inScroll = true;
            DefaultProc(kWmNcLButtonDown, kHtVScroll, PackPoint(screen));
            m_inScroll = false;
            if (IsWindow())
                SetCapture();
            return;
        }
        m_pressedInside = true;
    }
    void OnLButtonUp(uint32_t, Point pt) override
    {
        int i = ItemFromPoint(pt);
        if (i >= 0 && (m_pressedInside || m_moved))
            m_combo.CloseUp(i, true);
        m_pressedInside = false;
    }
    void OnMouseMove(uint32_t keys, Point pt) override
    {
        m_moved = true;
        ListBox::OnMouseMove(keys, pt);
    }
    void OnCaptureChanged(Window*) override
    {
        if (!m_inScroll && !m_closing)
            m_combo.CloseUp(-1, false);
    }
    // The list may be closed from inside its own handlers: it frees itself
    // once its last message is done.
    void OnFinalMessage() override { delete this; }
    void OnDestroy() override
    {
        // Gone with its owner's window: the combo must not keep it.
        if (m_combo.m_list == this)
            m_combo.m_list = nullptr;
    }
    Window* DrawOwner() override { return m_combo.Parent(); }
    uint32_t DrawKind() const override { return kOdtComboBox; }
    int DrawId() override { return m_combo.Id(); }
    WindowHandle DrawHandle() override { return m_combo.Handle(); }

public:
    bool m_closing = false;

private:
    ComboBox& m_combo;
    bool m_inScroll = false;
    bool m_pressedInside = false;
    bool m_moved = false;
};

namespace {
constexpr int kArrowWidth = 17;
}

ComboBox::ComboBox()
{
    SetClassStyle(kCsDblClks);
}

ComboBox::~ComboBox()
{
    if (ComboList* list = m_list) {
        m_list = nullptr;
        list->m_closing = true;
        list->Destroy();
    }
}

Window* ComboBox::DropList() const
{
    return m_list;
}

void ComboBox::Measure()
{
    int h = Font()->Metrics().height;
    m_itemHeight = h + 2;
    m_fieldHeight = h + 4;
    if (Style() & kCbsOwnerDrawFixed) {
        for (int which : {-1, 0}) {
            MeasureItemInfo mi{kOdtComboBox,
                               uint32_t(Id()),
                               uint32_t(which),
                               uint32_t(ClientRect().Width()),
                               uint32_t(which < 0 ? m_fieldHeight : m_itemHeight),
                               0,
                               nullptr};
            if (Window* p = Parent())
                p->Send(kWmMeasureItem, WParam(Id()), LParam(&mi));
            (which < 0 ? m_fieldHeight : m_itemHeight) = std::max(1, int(mi.itemHeight));
        }
    }
}

int ComboBox::OnCreate(const CreateStruct& cs)
{
    Measure();
    m_dropHeight = cs.rect.Height();
    SetPos(0, 0, 0, cs.rect.Width(), m_fieldHeight + 6, kSwpNoMove | kSwpNoZOrder | kSwpNoActivate);
    return 0;
}

void ComboBox::OnDestroy()
{
    if (ComboList* list = m_list) {
        m_list = nullptr;
        list->m_closing = true;
        list->Destroy();
    }
}

void ComboBox::OnWindowPosChanging(WindowPos& pos)
{
    if (!(pos.flags & kSwpNoSize) && pos.cy != m_fieldHeight + 6) {
        m_dropHeight = pos.cy;
        pos.cy = m_fieldHeight + 6;
    }
}

int ComboBox::AddString(std::u16string_view text, uintptr_t data)
{
    int at = Count();
    if (Style() & kCbsSort) {
        at = 0;
        while (at < Count() && CompareIgnoreCase(m_items[size_t(at)].text, text) <= 0)
            ++at;
    }
    return InsertString(at, text, data);
}

int ComboBox::InsertString(int index, std::u16string_view text, uintptr_t data)
{
    if (index < 0 || index > Count())
        index = Count();
    m_items.insert(m_items.begin() + index, Item{std::u16string(text), data});
    if (m_sel >= index)
        ++m_sel;
    return index;
}

int ComboBox::DeleteString(int index)
{
    if (index < 0 || index >= Count())
        return kCbErr;
    m_items.erase(m_items.begin() + index);
    if (m_sel == index)
        m_sel = -1;
    else if (m_sel > index)
        --m_sel;
    Invalidate();
    return Count();
}

void ComboBox::ResetContent()
{
    ShowDropDown(false);
    m_items.clear();
    m_sel = -1;
    Invalidate();
}

std::u16string ComboBox::GetLBText(int index) const
{
    return index >= 0 && index < Count() ? m_items[size_t(index)].text : std::u16string();
}

uintptr_t ComboBox::GetItemData(int index) const
{
    return index >= 0 && index < Count() ? m_items[size_t(index)].data : uintptr_t(kCbErr);
}

bool ComboBox::SetItemData(int index, uintptr_t data)
{
    if (index < 0 || index >= Count())
        return false;
    m_items[size_t(index)].data = data;
    return true;
}

int ComboBox::SetCurSel(int index)
{
    m_sel = index >= 0 && index < Count() ? index : -1;
    DefaultProc(kWmSetText, 0, LParam(GetLBText(m_sel).c_str()));
    Invalidate();
    return m_sel;
}

int ComboBox::FindStringExact(int after, std::u16string_view text) const
{
    for (int k = 1; k <= Count(); ++k) {
        int i = (after + k + Count()) % std::max(1, Count());
        if (EqualsIgnoreCase(m_items[size_t(i)].text, text))
            return i;
    }
    return kCbErr;
}

void ComboBox::SetItemHeight(int which, int height)
{
    (which < 0 ? m_fieldHeight : m_itemHeight) = std::max(1, height);
    if (which < 0 && IsWindow()) {
        Rect r = RectInParent();
        SetPos(0, 0, 0, r.Width(), m_fieldHeight + 6, kSwpNoMove | kSwpNoZOrder | kSwpNoActivate);
    }
    Invalidate();
}

void ComboBox::SelectByUser(int index)
{
    if (index < 0 || index >= Count() || index == m_sel)
        return;
    SetCurSel(index);
    NotifyCommand(kCbnSelChange);
}

void ComboBox::ShowDropDown(bool show)
{
    if (show == GetDroppedState() || !IsWindow())
        return;
    if (!show) {
        CloseUp(-1, false);
        return;
    }
    NotifyCommand(kCbnDropDown);
    if (!IsWindow())
        return;
    m_selAtOpen = m_sel;
    auto list = std::make_unique<ComboList>(*this); // owned by its window once that exists
    int rows = std::max(1, std::min(Count(), m_minVisible));
    Rect wr = WindowRect();
    int h = rows * m_itemHeight + 2;
    Rect r = Rect::FromXYWH(wr.left, wr.bottom, wr.Width(), h);
    if (r.bottom > Screen::ScreenSize().cy)
        r = Rect::FromXYWH(wr.left, wr.top - h, wr.Width(), h);
    uint32_t style = kWsPopup | kWsBorder | (Count() > rows ? kWsVScroll : 0u) |
                     ((Style() & kCbsOwnerDrawFixed) ? kLbsOwnerDrawFixed : 0u);
    if (!list->Window::Create(this, r, style, kWsExTopmost | kWsExToolWindow | kWsExNoActivate))
        return;
    list->SetFont(Font(), false);
    list->SetItemHeight(m_itemHeight);
    for (const Item& it : m_items)
        list->AddString(it.text, it.data);
    list->SetCurSel(m_sel);
    list->SetHotItem(m_sel); // the current choice shows highlighted
    m_list = list.release();
    m_list->Show(kSwShowNa);
    m_list->SetCapture();
    Invalidate();
}

void ComboBox::CloseUp(int chosen, bool accept)
{
    if (!m_list)
        return;
    ComboList* list = m_list;
    m_list = nullptr;
    list->m_closing = true;
    if (list->HasCapture())
        ReleaseCapture();
    list->Destroy();
    Invalidate();
    if (accept && chosen >= 0) {
        SelectByUser(chosen);
        NotifyCommand(kCbnSelEndOk);
    } else {
        NotifyCommand(kCbnSelEndCancel);
    }
    NotifyCommand(kCbnCloseUp);
}

void ComboBox::OnLButtonDown(uint32_t, Point)
{
    SetFocus();
    ShowDropDown(!GetDroppedState());
}

void ComboBox::OnKeyDown(uint32_t vk, uint32_t, uint32_t)
{
    int cur = m_list ? m_list->HotItem() : m_sel;
    int next = cur;
    switch (vk) {
    case kVkF4:
        ShowDropDown(!GetDroppedState());
        return;
    case kVkUp:
        next = cur - 1;
        break;
    case kVkDown:
        next = cur + 1;
        break;
    case kVkHome:
        next = 0;
        break;
    case kVkEnd:
        next = Count() - 1;
        break;
    case kVkPrior:
        next = cur - 10;
        break;
    case kVkNext:
        next = cur + 10;
        break;
    case kVkReturn:
        if (m_list)
            CloseUp(m_list->HotItem() >= 0 ? m_list->HotItem() : m_sel, true);
        return;
    case kVkEscape:
        if (m_list)
            CloseUp(-1, false);
        return;
    default:
        return;
    }
    if (Count() == 0)
        return;
    next = std::clamp(next, 0, Count() - 1);
    if (m_list) {
        m_list->SetCurSel(next);
        // Keys move the list's highlight like the pointer does.
        m_list->Send(kWmMouseMove, 0, PackPoint({1, m_list->GetItemRect(next).top + 1}));
        return;
    }
    SelectByUser(next);
}

void ComboBox::OnSysKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags)
{
    if (vk == kVkDown || vk == kVkUp) {
        ShowDropDown(!GetDroppedState());
        return;
    }
    Control::OnSysKeyDown(vk, repeat, flags);
}

void ComboBox::OnChar(char16_t ch, uint32_t, uint32_t)
{
    if (ch < 0x20)
        return;
    for (int k = 1; k <= Count(); ++k) {
        int i = (m_sel + k + Count()) % Count();
        if (!m_items[size_t(i)].text.empty() && ToLower(m_items[size_t(i)].text[0]) == ToLower(ch)) {
            SelectByUser(i);
            return;
        }
    }
}

bool ComboBox::OnMouseWheel(uint32_t, int delta, Point)
{
    if (!m_list && Count() > 0 && HasFocus())
        SelectByUser(std::clamp(m_sel - delta / kWheelDelta, 0, Count() - 1));
    return true;
}

void ComboBox::OnSetFocus(Window*)
{
    Invalidate();
    NotifyCommand(kCbnSetFocus);
}

void ComboBox::OnKillFocus(Window*)
{
    if (m_list)
        CloseUp(-1, false);
    Invalidate();
    NotifyCommand(kCbnKillFocus);
}

uint32_t ComboBox::OnGetDlgCode()
{
    return kDlgcWantArrows | kDlgcWantChars | (m_list ? kDlgcWantAllKeys : 0u);
}

void ComboBox::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    Rect r = ClientRect();
    const bool enabled = IsEnabled();
    const bool focused = HasFocus();
    ControlColors colors =
        PaintBackground(c, r, kWmCtlColorListBox, GetSysColor(SysColor::kWindowText),
                        enabled ? GetSysColor(SysColor::kWindow) : GetSysColor(SysColor::kBtnFace));
    c.FrameRect(r, GetSysColor(SysColor::kBtnShadow));
    Rect arrow{r.right - kArrowWidth - 1, r.top + 1, r.right - 1, r.bottom - 1};
    c.FillRect(arrow, m_list ? gfx::Rgb(204, 228, 247) : GetSysColor(SysColor::kBtnFace));
    look::DrawArrow(c, arrow, look::ArrowDir::kDown,
                    enabled ? GetSysColor(SysColor::kBtnText) : GetSysColor(SysColor::kGrayText));
    Rect field{r.left + 2, r.top + 2, arrow.left - 1, r.bottom - 2};
    if (Style() & kCbsOwnerDrawFixed) {
        uint32_t state = kOdsComboBoxEdit | (focused && !m_list ? kOdsSelected | kOdsFocus : 0u) |
                         (enabled ? 0u : kOdsDisabled);
        DrawItemInfo di{kOdtComboBox, uint32_t(Id()), uint32_t(m_sel),    kOdaDrawEntire, state, Handle(),
                        &c,           field,          GetItemData(m_sel), nullptr};
        c.Save();
        c.ClipRect(field);
        if (Window* p = Parent())
            p->Send(kWmDrawItem, WParam(Id()), LParam(&di));
        c.Restore();
        return;
    }
    gfx::Color text = enabled ? colors.textColor : GetSysColor(SysColor::kGrayText);
    if (focused && !m_list) {
        c.FillRect(field, GetSysColor(SysColor::kHighlight));
        text = GetSysColor(SysColor::kHighlightText);
    }
    c.DrawText(GetLBText(m_sel), field.Inflate(-2, 0), *Font(), text,
               gfx::kTextSingleLine | gfx::kTextVCenter | gfx::kTextNoPrefix | gfx::kTextEndEllipsis);
    if (focused && !m_list)
        look::DrawFocusRect(c, field);
}

} // namespace vel::gui
