#pragma once
// A tree: items with a text, an image and a selected image (from an image
// list), a data value and a "has children" flag for children added later;
// expanding and collapsing (the button, a double click, Left/Right, + and
// -), one selected item (TVN_SELCHANGING may refuse, TVN_SELCHANGED tells),
// keyboard movement through the visible items, a vertical scroll bar and
// the wheel. The parent hears NM_CLICK, NM_DBLCLK, NM_RCLICK, NM_RETURN,
// TVN_ITEMEXPANDING (refusable) and TVN_ITEMEXPANDED, TVN_DELETEITEM, and
// may draw rows itself through NM_CUSTOMDRAW (answer kCdrfNotifyItemDraw at
// the pre-paint stage, then kCdrfSkipDefault for a row it drew).

#include "Control.h"
#include "ImageList.h"

#include <memory>
#include <unordered_map>
#include <vector>

namespace vel::gui {

using TreeItem = uintptr_t;
inline constexpr TreeItem kTviRoot = TreeItem(-0x10000);
inline constexpr TreeItem kTviFirst = TreeItem(-0x0FFFF);
inline constexpr TreeItem kTviLast = TreeItem(-0x0FFFE);

inline constexpr uint32_t kTvsHasButtons = 0x1;
inline constexpr uint32_t kTvsHasLines = 0x2;
inline constexpr uint32_t kTvsLinesAtRoot = 0x4;
inline constexpr uint32_t kTvsShowSelAlways = 0x20;
inline constexpr uint32_t kTvsTrackSelect = 0x200;
inline constexpr uint32_t kTvsSingleExpand = 0x400;
inline constexpr uint32_t kTvsFullRowSelect = 0x1000;

inline constexpr uint32_t kTveCollapse = 0x1;
inline constexpr uint32_t kTveExpand = 0x2;
inline constexpr uint32_t kTveToggle = 0x3;

inline constexpr uint32_t kTvisSelected = 0x2;
inline constexpr uint32_t kTvisBold = 0x10;
inline constexpr uint32_t kTvisExpanded = 0x20;

inline constexpr uint32_t kTvcUnknown = 0;
inline constexpr uint32_t kTvcByMouse = 1;
inline constexpr uint32_t kTvcByKeyboard = 2;

// Hit places (TreeCtrl::HitTest).
inline constexpr uint32_t kTvhtNowhere = 0x1;
inline constexpr uint32_t kTvhtOnItemIcon = 0x2;
inline constexpr uint32_t kTvhtOnItemLabel = 0x4;
inline constexpr uint32_t kTvhtOnItemIndent = 0x8;
inline constexpr uint32_t kTvhtOnItemButton = 0x10;
inline constexpr uint32_t kTvhtOnItemRight = 0x20;
inline constexpr uint32_t kTvhtOnItem = kTvhtOnItemIcon | kTvhtOnItemLabel;

// TVN_SELCHANGING/ED, TVN_ITEMEXPANDING/ED and TVN_DELETEITEM carry this.
struct TreeNotify
{
    NotifyHeader hdr;
    uint32_t action = 0;
    TreeItem itemOld = 0;
    TreeItem itemNew = 0;
    uintptr_t dataOld = 0;
    uintptr_t dataNew = 0;
    Point pt;
};

class TreeCtrl : public Control
{
public:
    TreeCtrl();
    ~TreeCtrl() override;
    std::u16string_view ClassName() const override { return u"SysTreeView32"; }

    TreeItem InsertItem(std::u16string_view text, int image = -1, int selectedImage = -1,
                        TreeItem parent = kTviRoot, TreeItem after = kTviLast, uintptr_t data = 0);
    bool DeleteItem(TreeItem item);
    void DeleteAllItems();
    bool Expand(TreeItem item, uint32_t code);
    bool IsExpanded(TreeItem item) const;
    uint32_t GetItemState(TreeItem item) const;
    bool SetItemState(TreeItem item, uint32_t state, uint32_t mask);
    bool SelectItem(TreeItem item);
    TreeItem GetSelectedItem() const { return m_selected; }
    std::u16string GetItemText(TreeItem item) const;
    bool SetItemText(TreeItem item, std::u16string_view text);
    uintptr_t GetItemData(TreeItem item) const;
    bool SetItemData(TreeItem item, uintptr_t data);
    bool SetItemImage(TreeItem item, int image, int selectedImage);
    // A "+" even without children yet (children filled in on expanding).
    bool SetHasChildren(TreeItem item, bool has);
    bool ItemHasChildren(TreeItem item) const;
    TreeItem GetParentItem(TreeItem item) const;
    TreeItem GetChildItem(TreeItem item) const;
    TreeItem GetNextSiblingItem(TreeItem item) const;
    TreeItem GetPrevSiblingItem(TreeItem item) const;
    TreeItem GetRootItem() const;
    TreeItem GetFirstVisibleItem() const;
    TreeItem GetNextVisibleItem(TreeItem item) const;
    TreeItem GetPrevVisibleItem(TreeItem item) const;
    int GetCount() const { return int(m_items.size()); }
    int GetVisibleCount() const;
    // The row (textOnly: the label) in client coordinates; empty when the
    // item is not shown.
    Rect GetItemRect(TreeItem item, bool textOnly = false) const;
    TreeItem HitTest(Point pt, uint32_t* flags = nullptr) const;
    void SetItemHeight(int height);
    int GetItemHeight() const { return m_itemHeight; }
    void SetIndent(int indent);
    int GetIndent() const { return m_indent; }
    void SetImageList(std::shared_ptr<ImageList> images);
    std::shared_ptr<ImageList> GetImageList() const { return m_images; }
    bool EnsureVisible(TreeItem item);
    void SetBkColor(gfx::Color c);
    void SetTextColor(gfx::Color c);

protected:
    int OnCreate(const CreateStruct& cs) override;
    void OnPaint() override;
    bool OnEraseBkgnd(gfx::Canvas&) override { return true; }
    void OnSize(int, int, int) override { UpdateScroll(); }
    void OnLButtonDown(uint32_t keys, Point pt) override;
    void OnLButtonUp(uint32_t keys, Point pt) override;
    void OnLButtonDblClk(uint32_t keys, Point pt) override;
    void OnRButtonDown(uint32_t keys, Point pt) override;
    void OnRButtonUp(uint32_t keys, Point pt) override;
    bool OnMouseWheel(uint32_t keys, int delta, Point screen) override;
    void OnVScroll(int code, int pos, Window* bar) override;
    void OnKeyDown(uint32_t vk, uint32_t repeat, uint32_t flags) override;
    void OnChar(char16_t ch, uint32_t repeat, uint32_t flags) override;
    void OnSetFocus(Window*) override;
    void OnKillFocus(Window*) override;
    uint32_t OnGetDlgCode() override { return kDlgcWantArrows | kDlgcWantChars; }

    // The system's painting of one row (custom drawing may skip it).
    virtual void PaintItem(gfx::Canvas& canvas, TreeItem item, const Rect& row);

    struct Node
    {
        TreeItem handle = 0;
        Node* parent = nullptr;
        std::vector<Node*> children;
        std::u16string text;
        int image = -1, selectedImage = -1;
        uintptr_t data = 0;
        uint32_t state = 0;
        bool hasChildrenHint = false;
        bool expandedOnce = false;
    };
    Node* NodeOf(TreeItem item) const;
    int LevelOf(const Node* n) const;

private:
    std::vector<Node*> VisibleRows() const;
    int RowOf(TreeItem item) const;
    void UpdateScroll();
    void SetTop(int row);
    bool SelectImpl(TreeItem item, uint32_t action);
    bool ExpandImpl(Node* n, uint32_t code, uint32_t action);
    void DeleteNode(Node* n);
    int RowsThatFit() const;
    bool HasButton(const Node* n) const;

    std::unordered_map<TreeItem, std::unique_ptr<Node>> m_items;
    std::vector<Node*> m_roots;
    TreeItem m_nextHandle = 0x1000;
    TreeItem m_selected = 0;
    TreeItem m_pressed = 0;
    int m_top = 0;
    int m_itemHeight = 18;
    int m_indent = 19;
    bool m_heightSet = false;
    std::shared_ptr<ImageList> m_images;
    gfx::Color m_back = gfx::kNoColor;
    gfx::Color m_text = gfx::kNoColor;
};

} // namespace vel::gui
