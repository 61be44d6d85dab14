#include "Menu.h"

#include "Clock.h"
#include "Input.h"
#include "MessageLoop.h"
#include "Paint.h"
#include "Screen.h"
#include "SystemLook.h"
#include "platform/base/Strings.h"

#include <algorithm>

namespace vel::gui {

// --- The model --------------------------------------------------------------------------------

void Menu::Append(uint32_t flags, uint32_t id, std::u16string_view text, uintptr_t data)
{
    Insert(Count(), flags, id, text, data);
}

void Menu::AppendSeparator()
{
    Append(kMfSeparator, 0, {});
}

Menu& Menu::AppendPopup(std::u16string_view text, Menu sub, uint32_t flags)
{
    MenuItem item;
    item.text = std::u16string(text);
    item.flags = flags | kMfPopup;
    item.sub = std::make_shared<Menu>(std::move(sub));
    m_items.push_back(std::move(item));
    return *m_items.back().sub;
}

void Menu::Insert(int position, uint32_t flags, uint32_t id, std::u16string_view text, uintptr_t data)
{
    MenuItem item;
    item.id = id;
    item.text = std::u16string(text);
    item.flags = flags & ~kMfPopup;
    item.data = data;
    position = std::clamp(position, 0, Count());
    m_items.insert(m_items.begin() + position, std::move(item));
}

const MenuItem* Menu::Find(uint32_t item, uint32_t by) const
{
    if (by & kMfByPosition)
        return ItemAt(int(item));
    for (const MenuItem& it : m_items) {
        if (!(it.flags & kMfPopup) && !it.IsSeparator() && it.id == item)
            return &it;
        if (it.sub)
            if (const MenuItem* found = it.sub->Find(item, by))
                return found;
    }
    return nullptr;
}

MenuItem* Menu::Find(uint32_t item, uint32_t by)
{
    return const_cast<MenuItem*>(static_cast<const Menu*>(this)->Find(item, by));
}

bool Menu::Remove(uint32_t item, uint32_t by)
{
    if (by & kMfByPosition) {
        if (int(item) < 0 || int(item) >= Count())
            return false;
        m_items.erase(m_items.begin() + int(item));
        return true;
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        MenuItem& it = m_items[i];
        if (!(it.flags & kMfPopup) && !it.IsSeparator() && it.id == item) {
            m_items.erase(m_items.begin() + long(i));
            return true;
        }
        if (it.sub && it.sub->Remove(item, by))
            return true;
    }
    return false;
}

int Menu::Enable(uint32_t item, uint32_t enableFlags, uint32_t by)
{
    MenuItem* it = Find(item, by);
    if (!it)
        return -1;
    int old = int(it->flags & (kMfGrayed | kMfDisabled));
    it->flags = (it->flags & ~(kMfGrayed | kMfDisabled)) | (enableFlags & (kMfGrayed | kMfDisabled));
    return old;
}

int Menu::Check(uint32_t item, bool checked, uint32_t by)
{
    MenuItem* it = Find(item, by);
    if (!it)
        return -1;
    int old = int(it->flags & kMfChecked);
    it->flags = checked ? (it->flags | kMfChecked) : (it->flags & ~kMfChecked);
    return old;
}

bool Menu::SetDefault(uint32_t item, uint32_t by)
{
    MenuItem* target = Find(item, by);
    if (!target)
        return false;
    for (MenuItem& it : m_items)
        it.flags &= ~kMfDefault;
    target->flags |= kMfDefault;
    return true;
}

bool Menu::SetText(uint32_t item, std::u16string_view text, uint32_t by)
{
    MenuItem* it = Find(item, by);
    if (!it)
        return false;
    it->text = std::u16string(text);
    return true;
}

uint32_t Menu::State(uint32_t item, uint32_t by) const
{
    const MenuItem* it = Find(item, by);
    return it ? it->flags : 0xFFFFFFFFu;
}

const MenuItem* Menu::ItemAt(int position) const
{
    return position >= 0 && position < Count() ? &m_items[size_t(position)] : nullptr;
}

MenuItem* Menu::ItemAt(int position)
{
    return position >= 0 && position < Count() ? &m_items[size_t(position)] : nullptr;
}

Menu* Menu::SubMenu(int position)
{
    MenuItem* it = ItemAt(position);
    return it && it->sub ? it->sub.get() : nullptr;
}

// --- Popup windows and the tracking loop ----------------------------------------------------------

namespace {

constexpr int kItemHeight = 22;
constexpr int kSeparatorHeight = 7;
constexpr int kCheckWidth = 24;
constexpr int kArrowWidth = 20;
constexpr uintptr_t kHoverTimer = 0xFFFFFF10u;

class Tracker;

class MenuPopup : public Window
{
public:
    MenuPopup(Tracker& tracker, Menu& menu, int level) : m_tracker(tracker), m_menu(menu), m_level(level) {}
    std::u16string_view ClassName() const override { return u"#32768"; }

    Menu& Items() { return m_menu; }
    int Level() const { return m_level; }
    std::vector<Rect> itemRects; // client coordinates
    int highlight = -1;
    int openedItem = -1; // the item whose sub-menu is open

    int ItemAt(Point screen) const
    {
        Point p = ScreenToClient(screen);
        for (size_t i = 0; i < itemRects.size(); ++i)
            if (itemRects[i].Contains(p.x, p.y))
                return int(i);
        return -1;
    }

protected:
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    int OnMouseActivate(Window*, int, uint32_t) override { return kMaNoActivate; }

private:
    Tracker& m_tracker;
    Menu& m_menu;
    int m_level;
};

class Tracker
{
public:
    Tracker(Window* owner, uint32_t flags) : m_owner(owner), m_flags(flags), m_ownerHandle(owner->Handle()) {}
    ~Tracker()
    {
        while (!m_levels.empty())
            CloseFrom(0);
    }

    bool done = false;
    uint32_t chosen = 0;

    Window* Owner() { return m_owner; }
    std::vector<std::unique_ptr<MenuPopup>>& Levels() { return m_levels; }

    bool Open(Menu& menu, Point at, bool submenuOf, const Rect& parentItem)
    {
        int level = int(m_levels.size());
        if (IsWindowHandle(m_ownerHandle) && !(m_flags & kTpmNoNotify))
            m_owner->Send(kWmInitMenuPopup, WParam(&menu), MakeLParam(level, 0));
        if (!IsWindowHandle(m_ownerHandle))
            return false;
        auto popup = std::make_unique<MenuPopup>(*this, menu, level);
        Size size = Measure(*popup);
        Rect screen{0, 0, Screen::ScreenSize().cx, Screen::ScreenSize().cy};
        Rect r;
        if (submenuOf) {
            r = Rect::FromXYWH(parentItem.right - 3, parentItem.top - 3, size.cx, size.cy);
            if (r.right > screen.right)
                r = Rect::FromXYWH(parentItem.left - size.cx + 3, r.top, size.cx, size.cy);
        } else {
            int x = at.x, y = at.y;
            if (m_flags & kTpmCenterAlign)
                x -= size.cx / 2;
            else if (m_flags & kTpmRightAlign)
                x -= size.cx;
            if (m_flags & kTpmVCenterAlign)
                y -= size.cy / 2;
            else if (m_flags & kTpmBottomAlign)
                y -= size.cy;
            r = Rect::FromXYWH(x, y, size.cx, size.cy);
            if (r.bottom > screen.bottom)
                r = r.Offset(0, (at.y - size.cy) - r.top);
        }
        if (r.right > screen.right)
            r = r.Offset(screen.right - r.right, 0);
        if (r.left < 0)
            r = r.Offset(-r.left, 0);
        if (r.bottom > screen.bottom)
            r = r.Offset(0, screen.bottom - r.bottom);
        if (r.top < 0)
            r = r.Offset(0, -r.top);
        if (!popup->Create(m_owner, r, kWsPopup | kWsBorder,
                           kWsExTopmost | kWsExToolWindow | kWsExNoActivate))
            return false;
        popup->Show(kSwShowNa);
        m_levels.push_back(std::move(popup));
        if (m_levels.size() == 1)
            m_levels.front()->SetCapture();
        return true;
    }

    void CloseFrom(int level)
    {
        while (int(m_levels.size()) > level) {
            m_levels.back()->Destroy();
            m_levels.pop_back();
        }
        if (level > 0 && level <= int(m_levels.size()))
            m_levels[size_t(level - 1)]->openedItem = -1;
    }

    void OpenSub(int level, int item, bool selectFirst)
    {
        MenuPopup& p = *m_levels[size_t(level)];
        MenuItem* it = p.Items().ItemAt(item);
        if (!it || !it->sub || !it->IsEnabled() || p.openedItem == item)
            return;
        CloseFrom(level + 1);
        Rect ir = p.ClientToScreen(p.itemRects[size_t(item)]);
        Rect outer = p.WindowRect();
        ir.left = outer.left;
        ir.right = outer.right;
        if (Open(*it->sub, {}, true, ir)) {
            p.openedItem = item;
            if (selectFirst)
                Move(level + 1, +1);
        }
    }

    void Choose(MenuPopup& p, int item)
    {
        MenuItem* it = p.Items().ItemAt(item);
        if (!it || it->IsSeparator())
            return;
        if (it->sub) {
            OpenSub(p.Level(), item, false);
            return;
        }
        if (!it->IsEnabled())
            return;
        chosen = it->id;
        done = true;
    }

    void Highlight(MenuPopup& p, int item)
    {
        if (p.highlight == item)
            return;
        p.highlight = item;
        p.Invalidate();
        if (IsWindowHandle(m_ownerHandle)) {
            const MenuItem* it = p.Items().ItemAt(item);
            m_owner->Send(kWmMenuSelect, MakeWParam(it ? int(it->id) : 0, it ? int(it->flags) : 0xFFFF),
                          LParam(&p.Items()));
        }
    }

    void Move(int level, int dir)
    {
        MenuPopup& p = *m_levels[size_t(level)];
        int n = p.Items().Count();
        if (n == 0)
            return;
        int i = p.highlight;
        for (int step = 0; step < n; ++step) {
            i = (i + dir + n) % n;
            if (i < 0)
                i = n - 1;
            const MenuItem* it = p.Items().ItemAt(i);
            if (it && !it->IsSeparator()) {
                Highlight(p, i);
                return;
            }
        }
    }

    void OnPointer(uint32_t message, Point screen)
    {
        int level = -1, item = -1;
        for (int l = int(m_levels.size()) - 1; l >= 0; --l) {
            if (m_levels[size_t(l)]->WindowRect().Contains(screen.x, screen.y)) {
                level = l;
                item = m_levels[size_t(l)]->ItemAt(screen);
                break;
            }
        }
        const bool down = message == kWmLButtonDown || message == kWmRButtonDown ||
                          message == kWmLButtonDblClk || message == kWmRButtonDblClk ||
                          message == kWmNcLButtonDown || message == kWmNcRButtonDown;
        const bool up = message == kWmLButtonUp || message == kWmRButtonUp || message == kWmNcLButtonUp ||
                        message == kWmNcRButtonUp;
        const bool right = message == kWmRButtonUp || message == kWmNcRButtonUp;
        if (level < 0) {
            if (down) {
                done = true; // a press outside dismisses the menu
                chosen = 0;
            }
            return;
        }
        MenuPopup& p = *m_levels[size_t(level)];
        if (message == kWmMouseMove || message == kWmNcMouseMove) {
            if (screen != m_openedAt)
                m_armed = true;
            if (item < 0)
                return;
            Highlight(p, item);
            if (p.openedItem >= 0 && p.openedItem != item)
                CloseFrom(level + 1);
            const MenuItem* it = p.Items().ItemAt(item);
            if (it && it->sub && it->IsEnabled() && p.openedItem != item) {
                m_hoverLevel = level;
                m_hoverItem = item;
                m_levels.front()->SetTimer(kHoverTimer, HoverTime());
            }
            return;
        }
        if (down) {
            m_armed = true;
            if (item >= 0) {
                Highlight(p, item);
                const MenuItem* it = p.Items().ItemAt(item);
                if (it && it->sub)
                    OpenSub(level, item, false);
            }
            return;
        }
        if (up && m_armed && item >= 0 && (!right || (m_flags & kTpmRightButton))) {
            const MenuItem* it = p.Items().ItemAt(item);
            if (it && !it->sub)
                Choose(p, item);
        }
    }

    void OnHoverTimer()
    {
        m_levels.front()->KillTimer(kHoverTimer);
        if (m_hoverLevel >= 0 && m_hoverLevel < int(m_levels.size())) {
            MenuPopup& p = *m_levels[size_t(m_hoverLevel)];
            if (p.highlight == m_hoverItem)
                OpenSub(m_hoverLevel, m_hoverItem, false);
        }
        m_hoverLevel = m_hoverItem = -1;
    }

    void OnKey(uint32_t message, WParam key)
    {
        int level = int(m_levels.size()) - 1;
        if (level < 0)
            return;
        MenuPopup& p = *m_levels[size_t(level)];
        if (message == kWmChar) {
            char16_t c = ToLower(char16_t(key));
            for (int i = 0; i < p.Items().Count(); ++i) {
                const MenuItem* it = p.Items().ItemAt(i);
                size_t amp = it->text.find(u'&');
                if (amp != std::u16string::npos && amp + 1 < it->text.size() &&
                    ToLower(it->text[amp + 1]) == c) {
                    Highlight(p, i);
                    Choose(p, i);
                    if (it->sub)
                        Move(level + 1, +1);
                    return;
                }
            }
            return;
        }
        switch (key) {
        case kVkUp:
            Move(level, -1);
            break;
        case kVkDown:
            Move(level, +1);
            break;
        case kVkRight:
            if (p.highlight >= 0)
                OpenSub(level, p.highlight, true);
            break;
        case kVkLeft:
            if (level > 0)
                CloseFrom(level);
            break;
        case kVkEscape:
            if (level > 0)
                CloseFrom(level);
            else
                done = true;
            break;
        case kVkReturn:
        case kVkSpace:
            if (p.highlight >= 0) {
                const MenuItem* it = p.Items().ItemAt(p.highlight);
                Choose(p, p.highlight);
                if (it && it->sub)
                    Move(level + 1, +1);
            }
            break;
        case kVkMenu:
        case kVkF10:
            done = true;
            break;
        default:
            break;
        }
    }

    void NoteOpenedAt(Point p) { m_openedAt = p; }

private:
    Size Measure(MenuPopup& popup)
    {
        Menu& menu = popup.Items();
        int width = 80, y = 2;
        popup.itemRects.clear();
        for (int i = 0; i < menu.Count(); ++i) {
            MenuItem* it = menu.ItemAt(i);
            int h = it->IsSeparator() ? kSeparatorHeight : kItemHeight;
            int w = 0;
            if (!it->IsSeparator()) {
                size_t tab = it->text.find(u'\t');
                std::u16string_view label = std::u16string_view(it->text).substr(0, tab);
                const gfx::Font& font = (it->flags & kMfDefault) ? *DefaultBoldFont() : *DefaultFont();
                w = gfx::Canvas::MeasureText(label, font, gfx::kTextSingleLine).cx + kCheckWidth +
                    kArrowWidth + 8;
                if (tab != std::u16string::npos)
                    w += gfx::Canvas::MeasureText(std::u16string_view(it->text).substr(tab + 1), font,
                                                  gfx::kTextSingleLine | gfx::kTextNoPrefix)
                             .cx +
                         16;
            }
            if (it->flags & kMfOwnerDraw) {
                MeasureItemInfo mi{kOdtMenu, 0, it->id, uint32_t(w), uint32_t(h), it->data, it};
                if (IsWindowHandle(m_ownerHandle))
                    m_owner->Send(kWmMeasureItem, 0, LParam(&mi));
                w = int(mi.itemWidth) + kCheckWidth;
                h = std::max(1, int(mi.itemHeight));
            }
            width = std::max(width, w);
            popup.itemRects.push_back({2, y, 0, y + h});
            y += h;
        }
        for (Rect& r : popup.itemRects)
            r.right = 2 + width;
        return {width + 4 + 2 * kBorderWidth, y + 2 + 2 * kBorderWidth};
    }

    Window* m_owner;
    uint32_t m_flags;
    WindowHandle m_ownerHandle;
    std::vector<std::unique_ptr<MenuPopup>> m_levels;
    int m_hoverLevel = -1, m_hoverItem = -1;
    bool m_armed = false;
    Point m_openedAt;

    friend class MenuPopup;

public:
    void DrawItem(MenuPopup& popup, gfx::Canvas& c, int i)
    {
        const MenuItem* it = popup.Items().ItemAt(i);
        Rect r = popup.itemRects[size_t(i)];
        bool hot = popup.highlight == i;
        bool enabled = it->IsEnabled();
        if (it->flags & kMfOwnerDraw) {
            uint32_t state = (hot ? kOdsSelected : 0) | ((it->flags & kMfGrayed) ? kOdsGrayed : 0) |
                             ((it->flags & kMfDisabled) ? kOdsDisabled : 0) |
                             ((it->flags & kMfChecked) ? kOdsChecked : 0) |
                             ((it->flags & kMfDefault) ? kOdsDefault : 0);
            DrawItemInfo di{kOdtMenu, 0, it->id, kOdaDrawEntire, state, popup.Handle(), &c, r, it->data, it};
            c.Save();
            c.ClipRect(r);
            if (IsWindowHandle(m_ownerHandle))
                m_owner->Send(kWmDrawItem, 0, LParam(&di));
            c.Restore();
            if (it->sub)
                look::DrawArrow(c, {r.right - kArrowWidth, r.top, r.right, r.bottom}, look::ArrowDir::kRight,
                                GetSysColor(SysColor::kMenuText));
            return;
        }
        if (it->IsSeparator()) {
            int y = (r.top + r.bottom) / 2;
            c.FillRect({r.left + 2, y, r.right - 2, y + 1}, GetSysColor(SysColor::kBtnShadow));
            return;
        }
        gfx::Color text = enabled ? GetSysColor(SysColor::kMenuText) : GetSysColor(SysColor::kGrayText);
        if (hot) {
            if (enabled) {
                c.FillRect(r, GetSysColor(SysColor::kMenuHighlight));
                text = GetSysColor(SysColor::kHighlightText);
            } else {
                c.FrameRect(r, GetSysColor(SysColor::kBtnShadow));
            }
        }
        if (it->flags & kMfChecked) {
            Rect box{r.left + 6, r.top + (r.Height() - 12) / 2, r.left + 18,
                     r.top + (r.Height() - 12) / 2 + 12};
            Point pts[] = {
                {box.left + 1, box.top + 6}, {box.left + 4, box.bottom - 2}, {box.right - 1, box.top + 2}};
            c.Polyline(pts, text, 2);
        }
        const gfx::Font& font = (it->flags & kMfDefault) ? *DefaultBoldFont() : *DefaultFont();
        size_t tab = it->text.find(u'\t');
        Rect tr{r.left + kCheckWidth, r.top, r.right - kArrowWidth, r.bottom};
        c.DrawText(std::u16string_view(it->text).substr(0, tab), tr, font, text,
                   gfx::kTextSingleLine | gfx::kTextVCenter);
        if (tab != std::u16string::npos)
            c.DrawText(std::u16string_view(it->text).substr(tab + 1), tr, font, text,
                       gfx::kTextSingleLine | gfx::kTextVCenter | gfx::kTextRight | gfx::kTextNoPrefix);
        if (it->sub)
            look::DrawArrow(c, {r.right - kArrowWidth, r.top, r.right, r.bottom}, look::ArrowDir::kRight,
                            text);
    }
};

void MenuPopup::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    c.FillRect(ClientRect(), GetSysColor(SysColor::kMenu));
    for (int i = 0; i < m_menu.Count() && i < int(itemRects.size()); ++i)
        m_tracker.DrawItem(*this, c, i);
}

thread_local Tracker* t_tracker = nullptr;

bool IsPointer(uint32_t m)
{
    return (m >= kWmMouseMove && m <= kWmMouseWheel) || (m >= kWmNcMouseMove && m <= kWmNcRButtonDblClk + 3);
}

} // namespace

uint32_t TrackPopupMenu(Menu& menu, uint32_t flags, Point screen, Window* owner)
{
    if (!owner || !owner->IsWindow() || t_tracker || menu.Count() == 0)
        return 0;
    const WindowHandle ownerHandle = owner->Handle();
    Tracker tracker(owner, flags);
    t_tracker = &tracker;
    owner->Send(kWmEnterMenuLoop, 1, 0);
    tracker.NoteOpenedAt(CursorPos());
    if (IsWindowHandle(ownerHandle) && tracker.Open(menu, screen, false, {})) {
        const WindowHandle root = tracker.Levels().front()->Handle();
        Msg msg;
        while (!tracker.done) {
            if (!GetMessage(msg)) {
                PostQuitMessage(int(msg.wParam));
                break;
            }
            if (IsPointer(msg.message)) {
                tracker.OnPointer(msg.message, msg.pt);
            } else if (msg.message == kWmKeyDown || msg.message == kWmSysKeyDown) {
                tracker.OnKey(msg.message, msg.wParam);
            } else if (msg.message == kWmChar || msg.message == kWmSysChar) {
                tracker.OnKey(kWmChar, msg.wParam);
            } else if (msg.message == kWmKeyUp || msg.message == kWmSysKeyUp) {
                // the loop owns the keyboard
            } else if (msg.message == kWmTimer && msg.hwnd == root && msg.wParam == kHoverTimer) {
                tracker.OnHoverTimer();
            } else {
                TranslateMessage(msg);
                DispatchMessage(msg);
            }
            if (!IsWindowHandle(ownerHandle) || !IsWindowHandle(root) || GetCaptureWindow() != root) {
                tracker.chosen = 0;
                break;
            }
        }
        if (IsWindowHandle(root) && GetCaptureWindow() == root)
            ReleaseCapture();
    }
    t_tracker = nullptr;
    uint32_t chosen = tracker.chosen;
    tracker.CloseFrom(0);
    if (IsWindowHandle(ownerHandle)) {
        owner->Send(kWmExitMenuLoop, 1, 0);
        if (!(flags & kTpmReturnCmd)) {
            if (chosen)
                owner->Post(kWmCommand, MakeWParam(int(chosen), 0), 0);
            return chosen ? 1 : 0;
        }
    }
    return chosen;
}

void EndMenu()
{
    if (t_tracker) {
        t_tracker->done = true;
        t_tracker->chosen = 0;
    }
}

std::vector<WindowHandle> OpenMenuWindows()
{
    std::vector<WindowHandle> out;
    for (WindowHandle h : TopLevelWindows())
        if (Window* w = Window::FromHandle(h); w && w->ClassName() == u"#32768")
            out.push_back(h);
    // Top-level windows are listed front to back; the outermost menu is
    // the one furthest back.
    std::reverse(out.begin(), out.end());
    return out;
}

Rect MenuItemScreenRect(WindowHandle popup, int position)
{
    Rect out;
    InvokeOnWindowThread(popup, [&] {
        Window* w = Window::FromHandle(popup);
        auto* p = w && w->ClassName() == u"#32768" ? static_cast<MenuPopup*>(w) : nullptr;
        if (p && position >= 0 && position < int(p->itemRects.size()))
            out = p->ClientToScreen(p->itemRects[size_t(position)]);
    });
    return out;
}

} // namespace vel::gui
