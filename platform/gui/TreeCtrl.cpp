#include "TreeCtrl.h"

#include "Input.h"
#include "Paint.h"
#include "SystemLook.h"
#include "platform/base/Strings.h"

#include <algorithm>

namespace vel::gui {

TreeCtrl::TreeCtrl()
{
    SetClassStyle(kCsDblClks);
}

// The window goes in ~Window, where no handler of this class (and no
// notification to a parent that may be half destroyed) runs any more.
TreeCtrl::~TreeCtrl() = default;

int TreeCtrl::OnCreate(const CreateStruct&)
{
    if (!m_heightSet)
        m_itemHeight = std::max(Font()->Metrics().height + 4, m_images ? m_images->ImageSize().cy + 2 : 0);
    UpdateScroll();
    return 0;
}

TreeCtrl::Node* TreeCtrl::NodeOf(TreeItem item) const
{
    auto it = m_items.find(item);
    return it == m_items.end() ? nullptr : it->second.get();
}

int TreeCtrl::LevelOf(const Node* n) const
{
    int level = 0;
    for (const Node* p = n->parent; p; p = p->parent)
        ++level;
    return level;
}

TreeItem TreeCtrl::InsertItem(std::u16string_view text, int image, int selectedImage, TreeItem parent,
                              TreeItem after, uintptr_t data)
{
    Node* p = nullptr;
    if (parent != kTviRoot && parent != 0) {
        p = NodeOf(parent);
        if (!p)
            return 0;
    }
    auto node = std::make_unique<Node>();
    node->handle = m_nextHandle++;
    node->parent = p;
    node->text = std::u16string(text);
    node->image = image;
    node->selectedImage = selectedImage < 0 ? image : selectedImage;
    node->data = data;
    std::vector<Node*>& list = p ? p->children : m_roots;
    auto at = list.end();
    if (after == kTviFirst) {
        at = list.begin();
    } else if (after != kTviLast) {
        Node* a = NodeOf(after);
        auto found = std::find(list.begin(), list.end(), a);
        if (found != list.end())
            at = found + 1;
    }
    Node* raw = node.get();
    list.insert(at, raw);
    m_items[raw->handle] = std::move(node);
    UpdateScroll();
    Invalidate();
    return raw->handle;
}

void TreeCtrl::DeleteNode(Node* n)
{
    for (Node* c : std::vector<Node*>(n->children))
        DeleteNode(c);
    TreeNotify tn;
    tn.itemOld = n->handle;
    tn.dataOld = n->data;
    NotifyParent(kTvnDeleteItem, &tn.hdr);
    std::vector<Node*>& list = n->parent ? n->parent->children : m_roots;
    list.erase(std::remove(list.begin(), list.end(), n), list.end());
    if (m_selected == n->handle)
        m_selected = 0;
    if (m_pressed == n->handle)
        m_pressed = 0;
    m_items.erase(n->handle);
}

bool TreeCtrl::DeleteItem(TreeItem item)
{
    if (item == kTviRoot) {
        DeleteAllItems();
        return true;
    }
    Node* n = NodeOf(item);
    if (!n)
        return false;
    TreeItem wasSelected = m_selected;
    DeleteNode(n);
    if (wasSelected && !m_selected) {
        TreeNotify tn;
        tn.action = kTvcUnknown;
        tn.itemOld = wasSelected;
        NotifyParent(kTvnSelChanged, &tn.hdr);
    }
    UpdateScroll();
    Invalidate();
    return true;
}

void TreeCtrl::DeleteAllItems()
{
    for (Node* r : std::vector<Node*>(m_roots))
        DeleteNode(r);
    m_top = 0;
    UpdateScroll();
    Invalidate();
}

bool TreeCtrl::HasButton(const Node* n) const
{
    if (n->children.empty() && !n->hasChildrenHint)
        return false;
    uint32_t style = Style();
    if (!(style & kTvsHasButtons))
        return false;
    return n->parent || (style & kTvsLinesAtRoot);
}

bool TreeCtrl::ExpandImpl(Node* n, uint32_t code, uint32_t action)
{
    bool expanded = (n->state & kTvisExpanded) != 0;
    bool want = code == kTveToggle ? !expanded : code == kTveExpand;
    if (want == expanded)
        return true;
    if (want && n->children.empty() && !n->hasChildrenHint)
        return false;
    TreeNotify tn;
    tn.action = want ? kTveExpand : kTveCollapse;
    tn.itemNew = n->handle;
    tn.dataNew = n->data;
    if (NotifyParent(kTvnItemExpanding, &tn.hdr) != 0)
        return false; // refused
    if (!NodeOf(tn.itemNew))
        return false;
    if (want)
        n->state |= kTvisExpanded;
    else
        n->state &= ~kTvisExpanded;
    n->expandedOnce = true;
    if (!want && m_selected) {
        // A selection inside a collapsed branch moves to the branch.
        for (Node* s = NodeOf(m_selected); s; s = s->parent)
            if (s->parent == n) {
                SelectImpl(n->handle, action);
                break;
            }
    }
    NotifyParent(kTvnItemExpanded, &tn.hdr);
    UpdateScroll();
    Invalidate();
    return true;
}

bool TreeCtrl::Expand(TreeItem item, uint32_t code)
{
    Node* n = NodeOf(item);
    return n && ExpandImpl(n, code, kTvcUnknown);
}

bool TreeCtrl::IsExpanded(TreeItem item) const
{
    Node* n = NodeOf(item);
    return n && (n->state & kTvisExpanded);
}

uint32_t TreeCtrl::GetItemState(TreeItem item) const
{
    Node* n = NodeOf(item);
    if (!n)
        return 0;
    return n->state | (item == m_selected ? kTvisSelected : 0u);
}

bool TreeCtrl::SetItemState(TreeItem item, uint32_t state, uint32_t mask)
{
    Node* n = NodeOf(item);
    if (!n)
        return false;
    if (mask & kTvisSelected) {
        if (state & kTvisSelected)
            SelectItem(item);
        mask &= ~kTvisSelected;
    }
    n->state = (n->state & ~mask) | (state & mask);
    UpdateScroll();
    Invalidate();
    return true;
}

bool TreeCtrl::SelectImpl(TreeItem item, uint32_t action)
{
    if (item == m_selected)
        return true;
    Node* n = item ? NodeOf(item) : nullptr;
    if (item && !n)
        return false;
    Node* old = NodeOf(m_selected);
    TreeNotify tn;
    tn.action = action;
    tn.itemOld = m_selected;
    tn.dataOld = old ? old->data : 0;
    tn.itemNew = item;
    tn.dataNew = n ? n->data : 0;
    if (NotifyParent(kTvnSelChanging, &tn.hdr) != 0)
        return false;
    if (item && !NodeOf(item))
        return false;
    m_selected = item;
    if (n)
        for (Node* p = n->parent; p; p = p->parent)
            p->state |= kTvisExpanded; // the selected item is shown
    UpdateScroll();
    EnsureVisible(item);
    Invalidate();
    NotifyParent(kTvnSelChanged, &tn.hdr);
    return true;
}

bool TreeCtrl::SelectItem(TreeItem item)
{
    return SelectImpl(item, kTvcUnknown);
}

std::u16string TreeCtrl::GetItemText(TreeItem item) const
{
    Node* n = NodeOf(item);
    return n ? n->text : std::u16string();
}

bool TreeCtrl::SetItemText(TreeItem item, std::u16string_view text)
{
    Node* n = NodeOf(item);
    if (!n)
        return false;
    n->text = std::u16string(text);
    Invalidate();
    return true;
}

uintptr_t TreeCtrl::GetItemData(TreeItem item) const
{
    Node* n = NodeOf(item);
    return n ? n->data : 0;
}

bool TreeCtrl::SetItemData(TreeItem item, uintptr_t data)
{
    Node* n = NodeOf(item);
    if (!n)
        return false;
    n->data = data;
    return true;
}

bool TreeCtrl::SetItemImage(TreeItem item, int image, int selectedImage)
{
    Node* n = NodeOf(item);
    if (!n)
        return false;
    n->image = image;
    n->selectedImage = selectedImage;
    Invalidate();
    return true;
}

bool TreeCtrl::SetHasChildren(TreeItem item, bool has)
{
    Node* n = NodeOf(item);
    if (!n)
        return false;
    n->hasChildrenHint = has;
    Invalidate();
    return true;
}

bool TreeCtrl::ItemHasChildren(TreeItem item) const
{
    Node* n = NodeOf(item);
    return n && (!n->children.empty() || n->hasChildrenHint);
}

TreeItem TreeCtrl::GetParentItem(TreeItem item) const
{
    Node* n = NodeOf(item);
    return n && n->parent ? n->parent->handle : 0;
}

TreeItem TreeCtrl::GetChildItem(TreeItem item) const
{
    if (item == kTviRoot || item == 0)
        return GetRootItem();
    Node* n = NodeOf(item);
    return n && !n->children.empty() ? n->children.front()->handle : 0;
}

TreeItem TreeCtrl::GetNextSiblingItem(TreeItem item) const
{
    Node* n = NodeOf(item);
    if (!n)
        return 0;
    const std::vector<Node*>& list = n->parent ? n->parent->children : m_roots;
    auto it = std::find(list.begin(), list.end(), n);
    return it + 1 < list.end() ? (*(it + 1))->handle : 0;
}

TreeItem TreeCtrl::GetPrevSiblingItem(TreeItem item) const
{
    Node* n = NodeOf(item);
    if (!n)
        return 0;
    const std::vector<Node*>& list = n->parent ? n->parent->children : m_roots;
    auto it = std::find(list.begin(), list.end(), n);
    return it != list.begin() ? (*(it - 1))->handle : 0;
}

TreeItem TreeCtrl::GetRootItem() const
{
    return m_roots.empty() ? 0 : m_roots.front()->handle;
}

std::vector<TreeCtrl::Node*> TreeCtrl::VisibleRows() const
{
    std::vector<Node*> rows;
    std::function<void(const std::vector<Node*>&)> walk = [&](const std::vector<Node*>& list) {
        for (Node* n : list) {
            rows.push_back(n);
            if (n->state & kTvisExpanded)
                walk(n->children);
        }
    };
    walk(m_roots);
    return rows;
}

int TreeCtrl::RowOf(TreeItem item) const
{
    auto rows = VisibleRows();
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i]->handle == item)
            return int(i);
    return -1;
}

TreeItem TreeCtrl::GetFirstVisibleItem() const
{
    auto rows = VisibleRows();
    return m_top < int(rows.size()) ? rows[size_t(m_top)]->handle : 0;
}

TreeItem TreeCtrl::GetNextVisibleItem(TreeItem item) const
{
    auto rows = VisibleRows();
    int r = RowOf(item);
    return r >= 0 && r + 1 < int(rows.size()) ? rows[size_t(r + 1)]->handle : 0;
}

TreeItem TreeCtrl::GetPrevVisibleItem(TreeItem item) const
{
    auto rows = VisibleRows();
    int r = RowOf(item);
    return r > 0 ? rows[size_t(r - 1)]->handle : 0;
}

int TreeCtrl::GetVisibleCount() const
{
    return RowsThatFit();
}

int TreeCtrl::RowsThatFit() const
{
    return std::max(1, ClientRect().Height() / std::max(1, m_itemHeight));
}

Rect TreeCtrl::GetItemRect(TreeItem item, bool textOnly) const
{
    int r = RowOf(item);
    if (r < 0)
        return {};
    Node* n = NodeOf(item);
    int y = (r - m_top) * m_itemHeight;
    Rect row{0, y, ClientRect().Width(), y + m_itemHeight};
    if (!textOnly)
        return row;
    int level = LevelOf(n) + ((Style() & (kTvsLinesAtRoot)) ? 1 : 0);
    int x = level * m_indent + 2;
    if (m_images && n->image >= 0)
        x += m_images->ImageSize().cx + 3;
    int w = gfx::Canvas::MeasureText(n->text, *Font(), gfx::kTextSingleLine | gfx::kTextNoPrefix).cx + 4;
    return {x, y, x + w, y + m_itemHeight};
}

TreeItem TreeCtrl::HitTest(Point pt, uint32_t* flags) const
{
    if (flags)
        *flags = kTvhtNowhere;
    if (!ClientRect().Contains(pt.x, pt.y))
        return 0;
    auto rows = VisibleRows();
    int r = m_top + pt.y / std::max(1, m_itemHeight);
    if (r < 0 || r >= int(rows.size()))
        return 0;
    Node* n = rows[size_t(r)];
    if (flags) {
        int level = LevelOf(n) + ((Style() & kTvsLinesAtRoot) ? 1 : 0);
        int buttonLeft = (level - 1) * m_indent;
        Rect text = GetItemRect(n->handle, true);
        int iconLeft = level * m_indent + 2;
        if (HasButton(n) && pt.x >= buttonLeft && pt.x < buttonLeft + m_indent)
            *flags = kTvhtOnItemButton;
        else if (pt.x < iconLeft)
            *flags = kTvhtOnItemIndent;
        else if (pt.x < text.left)
            *flags = kTvhtOnItemIcon;
        else if (pt.x < text.right)
            *flags = kTvhtOnItemLabel;
        else
            *flags = kTvhtOnItemRight;
    }
    return n->handle;
}

void TreeCtrl::SetItemHeight(int height)
{
    m_itemHeight = std::max(1, height);
    m_heightSet = true;
    UpdateScroll();
    Invalidate();
}

void TreeCtrl::SetIndent(int indent)
{
    m_indent = std::max(4, indent);
    Invalidate();
}

void TreeCtrl::SetImageList(std::shared_ptr<ImageList> images)
{
    m_images = std::move(images);
    if (!m_heightSet && m_images)
        m_itemHeight = std::max(m_itemHeight, m_images->ImageSize().cy + 2);
    UpdateScroll();
    Invalidate();
}

void TreeCtrl::SetBkColor(gfx::Color c)
{
    m_back = c;
    Invalidate();
}

void TreeCtrl::SetTextColor(gfx::Color c)
{
    m_text = c;
    Invalidate();
}

void TreeCtrl::UpdateScroll()
{
    if (!IsWindow())
        return;
    int total = int(VisibleRows().size());
    int fit = RowsThatFit();
    m_top = std::clamp(m_top, 0, std::max(0, total - fit));
    SetScrollInfo(kSbVert, {0, std::max(0, total - 1), unsigned(fit), m_top, m_top}, true);
}

void TreeCtrl::SetTop(int row)
{
    int total = int(VisibleRows().size());
    int t = std::clamp(row, 0, std::max(0, total - RowsThatFit()));
    if (t != m_top) {
        m_top = t;
        SetScrollPos(kSbVert, m_top);
        Invalidate();
    }
}

bool TreeCtrl::EnsureVisible(TreeItem item)
{
    Node* n = NodeOf(item);
    if (!n)
        return false;
    for (Node* p = n->parent; p; p = p->parent)
        if (!(p->state & kTvisExpanded))
            ExpandImpl(p, kTveExpand, kTvcUnknown);
    int r = RowOf(item);
    int fit = RowsThatFit();
    if (r < m_top)
        SetTop(r);
    else if (r >= m_top + fit)
        SetTop(r - fit + 1);
    return true;
}

void TreeCtrl::OnLButtonDown(uint32_t, Point pt)
{
    SetFocus();
    uint32_t where = 0;
    TreeItem item = HitTest(pt, &where);
    m_pressed = 0;
    if (!item)
        return;
    if (where == kTvhtOnItemButton) {
        ExpandImpl(NodeOf(item), kTveToggle, kTvcByMouse);
        return;
    }
    if ((where & kTvhtOnItem) || (Style() & kTvsFullRowSelect) || where == kTvhtOnItemRight) {
        SelectImpl(item, kTvcByMouse);
        m_pressed = item;
    }
}

void TreeCtrl::OnLButtonUp(uint32_t, Point)
{
    if (m_pressed) {
        m_pressed = 0;
        NotifyParent(kNmClick);
    }
}

void TreeCtrl::OnLButtonDblClk(uint32_t keys, Point pt)
{
    uint32_t where = 0;
    TreeItem item = HitTest(pt, &where);
    if (!item)
        return;
    if (where == kTvhtOnItemButton) {
        ExpandImpl(NodeOf(item), kTveToggle, kTvcByMouse);
        return;
    }
    SelectImpl(item, kTvcByMouse);
    if (NotifyParent(kNmDblClk) == 0 && NodeOf(item))
        ExpandImpl(NodeOf(item), kTveToggle, kTvcByMouse);
}

void TreeCtrl::OnRButtonDown(uint32_t, Point)
{
    SetFocus();
}

void TreeCtrl::OnRButtonUp(uint32_t keys, Point pt)
{
    if (NotifyParent(kNmRClick) == 0)
        Control::OnRButtonUp(keys, pt); // the context menu request
}

bool TreeCtrl::OnMouseWheel(uint32_t, int delta, Point)
{
    SetTop(m_top - delta / kWheelDelta * 3);
    return true;
}

void TreeCtrl::OnVScroll(int code, int, Window*)
{
    int fit = RowsThatFit();
    switch (code) {
    case kSbLineUp:
        SetTop(m_top - 1);
        break;
    case kSbLineDown:
        SetTop(m_top + 1);
        break;
    case kSbPageUp:
        SetTop(m_top - fit);
        break;
    case kSbPageDown:
        SetTop(m_top + fit);
        break;
    case kSbThumbTrack:
    case kSbThumbPosition:
        SetTop(GetScrollInfo(kSbVert).trackPos);
        break;
    case kSbTop:
        SetTop(0);
        break;
    case kSbBottom:
        SetTop(1 << 30);
        break;
    default:
        break;
    }
}

void TreeCtrl::OnKeyDown(uint32_t vk, uint32_t, uint32_t)
{
    auto rows = VisibleRows();
    if (rows.empty())
        return;
    int r = RowOf(m_selected);
    Node* cur = NodeOf(m_selected);
    auto selectRow = [&](int row) {
        row = std::clamp(row, 0, int(rows.size()) - 1);
        SelectImpl(rows[size_t(row)]->handle, kTvcByKeyboard);
    };
    switch (vk) {
    case kVkUp:
        selectRow(r < 0 ? 0 : r - 1);
        break;
    case kVkDown:
        selectRow(r < 0 ? 0 : r + 1);
        break;
    case kVkHome:
        selectRow(0);
        break;
    case kVkEnd:
        selectRow(int(rows.size()) - 1);
        break;
    case kVkPrior:
        selectRow(r - (RowsThatFit() - 1));
        break;
    case kVkNext:
        selectRow(r + (RowsThatFit() - 1));
        break;
    case kVkLeft:
        if (cur && (cur->state & kTvisExpanded))
            ExpandImpl(cur, kTveCollapse, kTvcByKeyboard);
        else if (cur && cur->parent)
            SelectImpl(cur->parent->handle, kTvcByKeyboard);
        break;
    case kVkRight:
        if (cur && !(cur->state & kTvisExpanded))
            ExpandImpl(cur, kTveExpand, kTvcByKeyboard);
        else if (cur && !cur->children.empty())
            SelectImpl(cur->children.front()->handle, kTvcByKeyboard);
        break;
    case kVkAdd:
        if (cur)
            ExpandImpl(cur, kTveExpand, kTvcByKeyboard);
        break;
    case kVkSubtract:
        if (cur)
            ExpandImpl(cur, kTveCollapse, kTvcByKeyboard);
        break;
    case kVkReturn:
        NotifyParent(kNmReturn);
        break;
    default:
        break;
    }
}

void TreeCtrl::OnChar(char16_t ch, uint32_t, uint32_t)
{
    if (ch < 0x20 || ch == u'+' || ch == u'-')
        return;
    auto rows = VisibleRows();
    int r = RowOf(m_selected);
    for (size_t k = 1; k <= rows.size(); ++k) {
        Node* n = rows[(size_t(r + 1) + k - 1) % rows.size()];
        if (!n->text.empty() && ToLower(n->text[0]) == ToLower(ch)) {
            SelectImpl(n->handle, kTvcByKeyboard);
            return;
        }
    }
}

void TreeCtrl::OnSetFocus(Window*)
{
    Invalidate();
    NotifyParent(kNmSetFocus);
}

void TreeCtrl::OnKillFocus(Window*)
{
    Invalidate();
    NotifyParent(kNmKillFocus);
}

void TreeCtrl::PaintItem(gfx::Canvas& c, TreeItem item, const Rect& row)
{
    Node* n = NodeOf(item);
    const uint32_t style = Style();
    const bool selected = item == m_selected;
    const bool focused = HasFocus();
    int level = LevelOf(n) + ((style & kTvsLinesAtRoot) ? 1 : 0);
    gfx::Color lines = GetSysColor(SysColor::kBtnShadow);
    if (style & kTvsHasLines) {
        int x = (level - 1) * m_indent + m_indent / 2;
        int mid = (row.top + row.bottom) / 2;
        if (level > 0) {
            for (int xx = x; xx < x + m_indent / 2; xx += 2)
                c.FillRect({xx, mid, xx + 1, mid + 1}, lines);
            bool hasNext = GetNextSiblingItem(item) != 0;
            for (int yy = row.top; yy < (hasNext ? row.bottom : mid); yy += 2)
                c.FillRect({x, yy, x + 1, yy + 1}, lines);
        }
        // The ancestors' lines that pass this row.
        int l = level - 1;
        for (Node* p = n->parent; p && l > 0; p = p->parent, --l) {
            if (GetNextSiblingItem(p->handle)) {
                int px = (l - 1) * m_indent + m_indent / 2;
                for (int yy = row.top; yy < row.bottom; yy += 2)
                    c.FillRect({px, yy, px + 1, yy + 1}, lines);
            }
        }
    }
    if (HasButton(n)) {
        int cx = (level - 1) * m_indent + m_indent / 2, cy = (row.top + row.bottom) / 2;
        Rect box{cx - 4, cy - 4, cx + 5, cy + 5};
        c.FillRect(box, GetSysColor(SysColor::kWindow));
        c.FrameRect(box, lines);
        c.FillRect({box.left + 2, cy, box.right - 2, cy + 1}, GetSysColor(SysColor::kWindowText));
        if (!(n->state & kTvisExpanded))
            c.FillRect({cx, box.top + 2, cx + 1, box.bottom - 2}, GetSysColor(SysColor::kWindowText));
    }
    Rect text = GetItemRect(item, true);
    if (m_images) {
        int img = selected ? n->selectedImage : n->image;
        if (img >= 0)
            m_images->Draw(c, img, text.left - m_images->ImageSize().cx - 3,
                           row.top + (row.Height() - m_images->ImageSize().cy) / 2);
    }
    gfx::Color ink = m_text != gfx::kNoColor ? m_text : GetSysColor(SysColor::kWindowText);
    if (!IsEnabled())
        ink = GetSysColor(SysColor::kGrayText);
    if (selected && (focused || (style & kTvsShowSelAlways))) {
        Rect hl = (style & kTvsFullRowSelect) ? row : text;
        c.FillRect(hl, focused ? GetSysColor(SysColor::kHighlight) : GetSysColor(SysColor::kBtnFace));
        if (focused)
            ink = GetSysColor(SysColor::kHighlightText);
    }
    const gfx::Font& font = (n->state & kTvisBold) ? *DefaultBoldFont() : *Font();
    c.DrawText(n->text, text.Offset(2, 0), font, ink,
               gfx::kTextSingleLine | gfx::kTextVCenter | gfx::kTextNoPrefix);
}

void TreeCtrl::OnPaint()
{
    PaintContext pc(*this);
    gfx::Canvas& c = pc.Canvas();
    Rect client = ClientRect();
    CustomDrawInfo cd;
    cd.canvas = &c;
    cd.rc = client;
    cd.drawStage = kCddsPrePaint;
    LResult pre = NotifyParent(kNmCustomDraw, &cd.hdr);
    if (pre & kCdrfSkipDefault)
        return;
    c.FillRect(client, m_back != gfx::kNoColor ? m_back : GetSysColor(SysColor::kWindow));
    auto rows = VisibleRows();
    for (int r = m_top; r < int(rows.size()); ++r) {
        Rect row{0, (r - m_top) * m_itemHeight, client.right, (r - m_top + 1) * m_itemHeight};
        if (row.top >= client.bottom)
            break;
        Node* n = rows[size_t(r)];
        if (pre & kCdrfNotifyItemDraw) {
            CustomDrawInfo item;
            item.canvas = &c;
            item.rc = row;
            item.drawStage = kCddsItemPrePaint;
            item.itemSpec = n->handle;
            item.itemState = (n->handle == m_selected ? kCdisSelected : 0u) |
                             (n->handle == m_selected && HasFocus() ? kCdisFocus : 0u);
            item.itemParam = intptr_t(n->data);
            c.Save();
            c.ClipRect(row);
            LResult answer = NotifyParent(kNmCustomDraw, &item.hdr);
            c.Restore();
            if (answer & kCdrfSkipDefault)
                continue;
            if (!NodeOf(n->handle))
                break; // the parent changed the tree while drawing
        }
        PaintItem(c, n->handle, row);
    }
}

} // namespace vel::gui
