// skingallery: renders the library's shipped skin for people to review.
//
//   skingallery OUT-DIR
//
// Writes, below OUT-DIR (a host folder, created when missing):
//   images/<name>.png            every public image 1:1
//   partsets/<skin>[-state]-WxH.png  every part set, in each state, at two sizes
//   skins/<skin>.png             every window skin put together: background,
//                                parts, title, icon, anchors in each look
//   contact-sheet.png            all of the above on one page
// The skin is the one embedded in this program (the same resources the
// library carries), loaded through the skin loader exactly as the library
// loads it. Exit status 0 when everything was written.

#include "evidence/skin/ZBImage.h"
#include "evidence/skin/ZBSkinBase.h"
#include "evidence/skin/ZBSkinLoader.h"
#include "evidence/skin/ZBSkinValues.h"
#include "evidence/skin/ZBXMLElement.h"
#include "platform/base/Strings.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Drawing.h"
#include "platform/gfx/ImageCodec.h"
#include "platform/res/Resources.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <vector>

using namespace vel;
using gfx::Canvas;
using gfx::Rect;

namespace {

namespace stdfs = std::filesystem;

constexpr uint32_t kSheetBack = 0xFFFFFFFF;
const gfx::Color kLabel = gfx::Rgb(0x4C, 0x60, 0x7A), kHeading = gfx::Rgb(0x1D, 0x75, 0xDE);

const gfx::Font& LabelFont()
{
    static gfx::Font f({u"微软雅黑", 12});
    return f;
}
const gfx::Font& HeadingFont()
{
    static gfx::Font f({u"微软雅黑", 18, gfx::kWeightBold});
    return f;
}

bool Save(const gfx::Bitmap& b, const stdfs::path& path)
{
    stdfs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << gfx::EncodeImage(b);
    return bool(out.flush());
}

// A checkerboard behind pictures with transparency.
void Checker(Canvas& c, const Rect& r)
{
    for (int y = r.top; y < r.bottom; y += 6)
        for (int x = r.left; x < r.right; x += 6)
            c.FillRect(Rect{x, y, std::min(x + 6, r.right), std::min(y + 6, r.bottom)},
                       ((x - r.left) / 6 + (y - r.top) / 6) % 2 ? gfx::Rgb(0xEE, 0xF1, 0xF5)
                                                                : gfx::Rgb(255, 255, 255));
}

// --- What a window skin holds, read generically ------------------------------------

struct Anchor
{
    std::u16string name, text, tip;
    Rect rect;
    std::map<std::u16string, Rect> looks; // Normal, Hover, Down, Disable
    bool disabled = false;
};

struct Title
{
    int align = 1; // 1 left 2 centre 4 right
    gfx::Font* font = nullptr;
    std::unique_ptr<gfx::Font> ownFont;
    gfx::Color colour = gfx::Rgb(0, 0, 0);
};

// Any skin class: the common part of the base class plus the parts, the
// title, the icon, the caption height and the anchors of the classes that
// have them.
class GallerySkin : public ZBSkinBase
{
public:
    explicit GallerySkin(std::u16string cls) : ZBSkinBase(std::move(cls)) {}
    ~GallerySkin() override { GallerySkin::Reset(); }

    bool ParseSkin(const ZBXMLElement& ws, std::u16string_view name) override
    {
        if (!ZBSkinBase::ParseSkin(ws, name))
            return false;
        ZBSkinLoader& l = *GetLoader();
        const ZBXMLElement* skin = MatchedSkin();
        if (const ZBXMLElement* p = skin->FindChild(u"Parts"); p && !ReadParts(l, *p, parts))
            return false;
        const ZBXMLElement* caption = skin->FindChild(u"Caption");
        if (caption)
            if (const ZBXMLElement* h = caption->FindChild(u"Height"))
                zbskin::ParseInteger(h->GetAttributeValue(u"Value"), captionHeight);
        const ZBXMLElement* t = caption && caption->FindChild(u"Title") ? caption->FindChild(u"Title")
                                                                        : skin->FindChild(u"Title");
        if (t) {
            if (const ZBXMLElement* a = t->FindChild(u"Align")) {
                std::u16string v = a->GetAttributeValue(u"Value");
                title.align = EqualsIgnoreCase(v, u"Center") ? 2 : EqualsIgnoreCase(v, u"Right") ? 4 : 1;
            }
            if (const ZBXMLElement* f = t->FindChild(u"Font")) {
                bool owned = false;
                gfx::Font* font = nullptr;
                if (ResolveFont(l, *f, font, owned)) {
                    title.font = font;
                    if (owned)
                        title.ownFont.reset(font);
                }
            }
            if (const ZBXMLElement* c = t->FindChild(u"Color"))
                l.ReadColor(c->GetAttributeValue(u"Value"), title.colour);
        }
        if (const ZBXMLElement* i = skin->FindChild(u"Icon")) {
            bool owned = false;
            if (ResolveIcon(l, *i, icon, owned) && owned)
                ownIcon.reset(icon);
        }
        const ZBXMLElement* anchorList = caption && caption->FindChild(u"Anchors")
                                             ? caption->FindChild(u"Anchors")
                                             : skin->FindChild(u"Anchors");
        if (anchorList)
            for (const ZBXMLElement* a : anchorList->GetChildren()) {
                Anchor an;
                an.name = a->GetAttributeValue(u"Name");
                l.ReadRect(a->GetAttributeValue(u"Rect"), an.rect);
                for (const char16_t* state : {u"Normal", u"Hover", u"Down", u"Disable"}) {
                    Rect r;
                    if (a->GetAttribute(state) && l.ReadRect(a->GetAttributeValue(state), r))
                        an.looks[state] = r;
                }
                an.text = l.ExpandStrings(a->GetAttributeValue(u"Text"));
                an.tip = l.ExpandStrings(a->GetAttributeValue(u"Tip"));
                an.disabled = zbskin::HasKeyword(a->GetAttributeValue(u"State"), u"Disable") ||
                              a->GetAttributeValue(u"State").find(u"Disable") != std::u16string::npos;
                anchors.push_back(std::move(an));
            }
        return true;
    }
    void Reset() override
    {
        parts.clear();
        anchors.clear();
        title = {};
        ownIcon.reset();
        icon = nullptr;
        captionHeight = 0;
        ZBSkinBase::Reset();
    }

    // The looks of this skin's parts: "" plus every state suffix in use.
    std::vector<std::u16string> States() const
    {
        std::vector<std::u16string> out{u""};
        for (const char16_t* s : {u"Hot", u"Down", u"Disable", u"IA"})
            for (const auto& [name, part] : parts)
                if (name.size() > std::char_traits<char16_t>::length(s) && name.ends_with(s) &&
                    std::find(out.begin(), out.end(), s) == out.end())
                    out.push_back(s);
        return out;
    }
    void DrawParts(Canvas& c, const Rect& target, const std::u16string& state) const
    {
        if (!GetImage())
            return;
        ZBDrawPartSet(c, *GetImage(), target, [&](std::u16string_view n) {
            return state.empty() ? ZBFindPart(parts, n) : ZBFindPart(parts, n, {state});
        });
    }

    ZBPartMap parts;
    std::vector<Anchor> anchors;
    Title title;
    gfx::Icon* icon = nullptr;
    std::unique_ptr<gfx::Icon> ownIcon;
    int captionHeight = 0;
};

const gfx::Font& TitleFont(const GallerySkin& s)
{
    static gfx::Font fallback({u"宋体", 12});
    return s.title.font ? *s.title.font : fallback;
}

Rect Resolve(const Rect& r, int w, int h)
{
    int x = r.left < 0 ? w + r.left : r.left, y = r.top < 0 ? h + r.top : r.top;
    return Rect::FromXYWH(x, y, r.Width(), r.Height());
}

void DrawLook(Canvas& c, const GallerySkin& s, const Rect& look, int x, int y)
{
    if (s.GetImage() && !look.IsEmpty())
        s.GetImage()->image->DrawPart(c, x, y, look.Width(), look.Height(), look.left, look.top);
}

uint32_t TextFlags(int align)
{
    return gfx::kTextSingleLine | gfx::kTextVCenter | gfx::kTextEndEllipsis |
           (align == 2   ? gfx::kTextCenter
            : align == 4 ? gfx::kTextRight
                         : gfx::kTextLeft);
}

// --- Composed windows ---------------------------------------------------------------

void DrawFrame(Canvas& c, GallerySkin& f, int w, int h, const std::u16string& titleText,
               GallerySkin* okButton, GallerySkin* cancelButton)
{
    Rect all{0, 0, w, h};
    f.DrawBackground(c, all);
    f.DrawParts(c, all, u"");
    int cap = f.captionHeight;
    if (cap > 0) {
        int x = 10;
        if (f.icon) {
            c.StretchBitmap(f.icon->image, {0, 0, f.icon->image.Width(), f.icon->image.Height()},
                            Rect::FromXYWH(6, (cap - 16) / 2, 16, 16));
            x += 16;
        }
        int right = w;
        for (const Anchor& a : f.anchors)
            if (a.name != u"System")
                right = std::min(right, Resolve(a.rect, w, h).left);
        c.DrawText(titleText, {x, 0, right, cap}, TitleFont(f), f.title.colour, TextFlags(f.title.align),
                   254);
    }
    for (const Anchor& a : f.anchors) {
        if (a.name == u"Restore")
            continue; // drawn only while maximised
        Rect at = Resolve(a.rect, w, h);
        auto normal = a.looks.find(u"Normal");
        if (!a.text.empty()) { // the view tabs of the Open/Save dialog
            bool current = a.name == u"LocalCase";
            if (current)
                c.FillRect(at, gfx::Rgb(213, 213, 213));
            if (normal != a.looks.end())
                DrawLook(c, f, normal->second, at.left + 18,
                         at.top + (at.Height() - normal->second.Height()) / 2);
            c.DrawText(a.text, {at.left + 44, at.top, at.right, at.bottom}, TitleFont(f),
                       current ? gfx::Rgb(0x33, 0x33, 0x33) : f.title.colour, TextFlags(1), 254);
        } else if (normal != a.looks.end()) {
            DrawLook(c, f, normal->second, at.left, at.top);
        }
    }
    // Buttons at the bottom right, as the dialogs place them.
    int bx = w - 14;
    for (GallerySkin* b : {cancelButton, okButton}) {
        if (!b)
            continue;
        Rect r{bx - 86, h - 20 - 28, bx, h - 20};
        b->DrawBackground(c, r);
        b->DrawParts(c, r, u"");
        c.DrawText(b == okButton ? u"确定" : u"取消", r, TitleFont(*b), b->title.colour,
                   TextFlags(b->title.align));
        bx -= 86 + 20;
    }
}

gfx::Bitmap RenderFrame(GallerySkin& f, ZBSkinLoader& loader, const std::u16string& name)
{
    // At least the skin's minimum size, so the caption's tabs and buttons
    // sit as they do in the real window.
    const int w = name == u"evd_export" ? 640 : 460, h = name == u"evd_export" ? 400 : 280;
    gfx::Bitmap out(w + 40, h + 40 + 130, kSheetBack);
    Canvas c(out);
    gfx::Bitmap window(w, h, 0);
    GallerySkin ok(u"ZBButton"), cancel(u"ZBButton"), mbButton(u"ZBButton");
    ok.Load(&loader, u"button_ok_white");
    cancel.Load(&loader, u"button_cancel_white");
    mbButton.Load(&loader, u"button");
    {
        Canvas wc(window);
        std::u16string title = name == u"messagebox"     ? u"提示"
                               : name == u"evd_export"   ? u"另存为"
                               : name == u"child_resize" ? u"复制文件"
                                                         : u"参数设置";
        bool dialog = name == u"child_domodal" || name == u"evd_export";
        DrawFrame(wc, f, w, h, title, dialog ? &ok : nullptr, dialog ? &cancel : nullptr);
        if (name == u"messagebox") { // the button band and one button
            if (f.GetBackgroundKind() == kZBBackgroundColor) {
                gfx::Color b = f.GetBackgroundColor();
                wc.FillRect({1, h - 1 - 56, w - 1, h - 1},
                            gfx::Rgb(gfx::RedOf(b) - 20, gfx::GreenOf(b) - 20, gfx::BlueOf(b) - 20));
            }
            Rect r{w - 8 - 86, h - 14 - 28, w - 8, h - 14};
            mbButton.DrawBackground(wc, r);
            mbButton.DrawParts(wc, r, u"");
            wc.DrawText(u"确定", r, TitleFont(mbButton), mbButton.title.colour, TextFlags(2));
            static gfx::Font client({u"宋体", 12});
            wc.DrawText(u"皮肤资源加载失败！", {24, f.captionHeight + 36, w - 24, h - 56}, client,
                        gfx::Rgb(0, 0, 0), gfx::kTextSingleLine);
        }
        if (name == u"child_resize")
            wc.DrawText(u"正在复制 3/12：CLIP0001.MP4", {20, 60, w - 20, 90}, LabelFont(),
                        gfx::Rgb(0x33, 0x33, 0x33), TextFlags(1));
    }
    // The window with its shape: the caption corners' transparent pixels cut.
    Checker(c, {20, 20, 20 + w, 20 + h});
    c.DrawBitmap(window, {0, 0, w, h}, 20, 20);
    // Each anchor in each look, over the caption.
    int y = 20 + h + 16;
    if (!f.anchors.empty())
        c.DrawText(u"按钮外观：正常 / 悬停 / 按下 / 禁用", {20, y, w, y + 18}, LabelFont(), kLabel,
                   TextFlags(1));
    y += 24;
    int x = 20;
    for (const Anchor& a : f.anchors) {
        if (a.looks.empty())
            continue;
        int cap = std::max(f.captionHeight, 24);
        int cellW = 4 * 30 + 10;
        gfx::Bitmap strip(cellW, cap, 0);
        {
            Canvas sc(strip);
            f.DrawBackground(sc, {0, 0, cellW, cap});
            f.DrawParts(sc, {-10, 0, cellW + 10, cap + 40}, u"");
            int lx = 6;
            for (const char16_t* st : {u"Normal", u"Hover", u"Down", u"Disable"}) {
                auto it = a.looks.find(st);
                if (it != a.looks.end())
                    DrawLook(sc, f, it->second, lx, (cap - it->second.Height()) / 2);
                lx += 30;
            }
        }
        if (x + cellW > w + 20) {
            x = 20;
            y += cap + 30;
        }
        c.DrawBitmap(strip, {0, 0, cellW, cap}, x, y);
        c.DrawText(a.name, {x, y + cap + 2, x + cellW, y + cap + 20}, LabelFont(), kLabel, TextFlags(1));
        x += cellW + 12;
    }
    return out;
}

gfx::Bitmap RenderButton(GallerySkin& b)
{
    gfx::Bitmap out(4 * 110 + 20, 120, kSheetBack);
    Canvas c(out);
    const std::pair<const char16_t*, const char16_t*> looks[] = {
        {u"", u"正常"}, {u"Hot", u"悬停"}, {u"Down", u"按下"}, {u"Disable", u"禁用"}};
    int x = 10;
    for (auto [state, label] : looks) {
        for (int row = 0; row < 2; ++row) {
            Rect r = row == 0 ? Rect::FromXYWH(x, 14, 86, 28) : Rect::FromXYWH(x, 56, 100, 36);
            b.DrawBackground(c, r);
            b.DrawParts(c, r, state);
            gfx::Color text =
                std::u16string(state) == u"Disable" ? gfx::Rgb(0x6D, 0x6D, 0x6D) : b.title.colour;
            c.DrawText(row == 0 ? u"确定" : u"重试(&R)", r, TitleFont(b), text, TextFlags(b.title.align));
        }
        c.DrawText(label, {x, 96, x + 100, 114}, LabelFont(), kLabel, TextFlags(2));
        x += 110;
    }
    return out;
}

gfx::Bitmap RenderToolbar(GallerySkin& t)
{
    const int w = 560, h = 24;
    gfx::Bitmap out(w + 20, 24 + 8 + 5 * 32 + 10, kSheetBack);
    Canvas c(out);
    auto bar = [&](int y, const char16_t* look) {
        Rect r{10, y, 10 + w, y + h};
        c.Save();
        c.ClipRect(r);
        t.DrawBackground(c, r);
        t.DrawParts(c, r, u"");
        int right = 10 + w - 10;
        for (const Anchor& a : t.anchors) {
            Rect at = Resolve(a.rect, w, h).Offset(10, y);
            std::u16string want = look ? look : (a.disabled ? u"Disable" : u"Normal");
            auto it = a.looks.find(want);
            if (it == a.looks.end())
                it = a.looks.find(u"Normal");
            if (it != a.looks.end())
                DrawLook(c, t, it->second, at.left, at.top);
        }
        if (!look) {
            static gfx::Font fallback({u"宋体", 12});
            int left = 10 + 10;
            for (const Anchor& a : t.anchors)
                left = std::max(left, Resolve(a.rect, w, h).right + 10 + 10);
            c.DrawText(u"共 12 项", {left, y, right, y + h}, TitleFont(t), t.title.colour,
                       TextFlags(t.title.align), 254);
        }
        c.Restore();
    };
    bar(8, nullptr);
    int y = 8 + h + 12;
    for (const char16_t* look : {u"Normal", u"Hover", u"Down", u"Disable"}) {
        bar(y, look);
        y += 32;
    }
    return out;
}

// The Skin element of that name in a parsed skin file.
const ZBXMLElement* FindSkin(const ZBXMLElement& root, std::u16string_view name)
{
    for (const ZBXMLElement* ws : root.GetChildren())
        if (EqualsIgnoreCase(ws->GetName(), u"WindowSkin"))
            for (const ZBXMLElement* s : ws->GetChildren())
                if (EqualsIgnoreCase(s->GetAttributeValue(u"Name"), name))
                    return s;
    return nullptr;
}

// The option control's rows are not a part set: its colours, fonts and
// marks are read from its Skin element.
gfx::Bitmap RenderOptionCtrl(GallerySkin& o, ZBSkinLoader& l, const ZBXMLElement& doc)
{
    const ZBXMLElement* skin = FindSkin(doc, o.GetSkinName());
    const ZBXMLElement* type = skin ? skin->FindChild(u"Type") : nullptr;
    const ZBXMLElement* item = skin ? skin->FindChild(u"Item") : nullptr;
    if (!type || !item || !type->FindChild(u"Expand") || !type->FindChild(u"Collapse"))
        return gfx::Bitmap(1, 1, kSheetBack);
    auto colour = [&](const ZBXMLElement* e, const char16_t* attr, gfx::Color dflt) {
        gfx::Color v = dflt;
        if (e)
            l.ReadColor(e->GetAttributeValue(attr), v);
        return v;
    };
    auto font = [&](const ZBXMLElement* e) {
        gfx::Font* f = nullptr;
        bool owned = false;
        static std::vector<std::unique_ptr<gfx::Font>> keep;
        if (e && e->FindChild(u"Font") && ZBSkinBase::ResolveFont(l, *e->FindChild(u"Font"), f, owned) &&
            owned)
            keep.emplace_back(f);
        static gfx::Font fallback({u"宋体", 12});
        return f ? f : &fallback;
    };
    Rect expand, collapse;
    l.ReadRect(type->FindChild(u"Expand")->GetAttributeValue(u"Rect"), expand);
    l.ReadRect(type->FindChild(u"Collapse")->GetAttributeValue(u"Rect"), collapse);
    gfx::Color border = colour(skin->FindChild(u"Border"), u"Color", gfx::kNoColor);
    gfx::Bitmap out(420, 200, kSheetBack);
    Canvas c(out);
    const int treeW = 150, rowH = 24;
    Rect tree{10, 10, 10 + treeW, 190};
    c.FillRect(tree, colour(item->FindChild(u"BackColor"), u"Normal", gfx::Rgb(255, 255, 255)));
    struct Row
    {
        const char16_t* text;
        int kind; // 0 group expanded, 1 group collapsed, 2 page, 3 page selected
    } rows[] = {{u"设置", 0}, {u"存储路径", 3}, {u"同步设置", 2}, {u"高级", 1}};
    int y = tree.top;
    for (const Row& r : rows) {
        Rect row{tree.left, y, tree.right, y + rowH};
        bool group = r.kind < 2;
        c.FillRect(row, group
                            ? colour(type->FindChild(u"BackColor"), u"Value", 0)
                            : colour(item->FindChild(u"BackColor"), r.kind == 3 ? u"HiLite" : u"Normal", 0));
        int tx = row.left + 8;
        if (group) {
            const Rect& img = r.kind == 0 ? expand : collapse;
            DrawLook(c, o, img, tx, row.top + (rowH - img.Height()) / 2);
            tx += 18;
        } else {
            tx += 18;
        }
        c.DrawText(r.text, {tx, row.top, row.right, row.bottom}, group ? *font(type) : *font(item),
                   group ? colour(type->FindChild(u"TextColor"), u"Value", 0)
                         : colour(item->FindChild(u"TextColor"), r.kind == 3 ? u"HiLite" : u"Normal", 0),
                   TextFlags(1));
        y += rowH;
    }
    c.FrameRect(tree, border);
    // the page beside it, in the page skin's background
    GallerySkin page(u"ZBFrame");
    page.Load(&l, u"optionpage");
    Rect pageRect{tree.right + 2 + 1, 10 + 25 + 1, 410 - 1, 190 - 1};
    page.DrawBackground(c, pageRect);
    c.FrameRect(pageRect.Inflate(1, 1), border);
    c.DrawText(u"档案库存储路径", pageRect.Inflate(-10, 0).Offset(0, -60), LabelFont(),
               gfx::Rgb(0x33, 0x33, 0x33), TextFlags(1));
    return out;
}

// --- The contact sheet --------------------------------------------------------------

struct Tile
{
    std::u16string label;
    gfx::Bitmap bitmap;
};

// Lays tiles out in rows of the given width under a heading; returns the
// height used.
int Section(Canvas* c, int y, int width, const std::u16string& heading, const std::vector<Tile>& tiles,
            int cellW, int cellH, bool checker)
{
    if (c)
        c->DrawText(heading, {20, y, width, y + 30}, HeadingFont(), kHeading, TextFlags(1));
    int top = y;
    y += 40;
    int x = 20, rowH = 0;
    for (const Tile& t : tiles) {
        int w = std::max(cellW, t.bitmap.Width() + 10), h = std::max(cellH, t.bitmap.Height() + 24);
        if (x + w > width - 10 && x > 20) {
            x = 20;
            y += rowH + 12;
            rowH = 0;
        }
        if (c) {
            Rect box = Rect::FromXYWH(x, y, w, h - 20);
            if (checker)
                Checker(*c, box);
            c->DrawBitmap(t.bitmap, {0, 0, t.bitmap.Width(), t.bitmap.Height()},
                          x + (w - t.bitmap.Width()) / 2, y + (h - 20 - t.bitmap.Height()) / 2);
            c->DrawText(t.label, {x, y + h - 18, x + w, y + h}, LabelFont(), kLabel, TextFlags(2));
        }
        x += w + 10;
        rowH = std::max(rowH, h);
    }
    return y + rowH + 30 - top;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: skingallery OUT-DIR\n");
        return 2;
    }
    stdfs::path out = argv[1];
    gfx::StartDrawing();
    ZBSkinLoader loader;
    if (!loader.LoadPublicFromResource(VEL_RES_THIS_MODULE(), 3002)) {
        std::fprintf(stderr, "skingallery: the skin does not load\n");
        return 1;
    }
    std::unique_ptr<ZBXMLElement> doc = loader.ParseSource();
    bool ok = true;
    int files = 0;
    auto save = [&](const gfx::Bitmap& b, const stdfs::path& p) {
        ok = Save(b, p) && ok;
        ++files;
    };

    // Public images, 1:1, in the order of the file.
    std::vector<Tile> imageTiles, zoomTiles;
    for (const ZBXMLElement* pub : doc->GetChildren()) {
        const ZBXMLElement* images = pub->FindChild(u"Images");
        if (!EqualsIgnoreCase(pub->GetName(), u"Public") || !images)
            continue;
        for (const ZBXMLElement* i : images->GetChildren()) {
            std::u16string name = i->GetAttributeValue(u"Name");
            _ZB_IMAGEEX* img = nullptr;
            if (!loader.GetImage(name, img)) {
                ok = false;
                continue;
            }
            gfx::Bitmap b(img->rect.Width(), img->rect.Height(), 0);
            {
                Canvas c(b);
                img->image->DrawPart(c, 0, 0, b.Width(), b.Height(), img->rect.left, img->rect.top,
                                     img->lowKey, img->highKey);
            }
            save(b, out / "images" / (Utf16ToUtf8(name) + ".png"));
            if (name == u"skin")
                continue; // the whole atlas goes on the sheet at the end
            std::u16string label =
                name.substr(name.starts_with(u"img_") ? 4 : 0) + Format16(u" %d×%d", b.Width(), b.Height());
            int zoom = b.Width() <= 20 && b.Height() <= 20 ? 3 : b.Width() <= 40 ? 2 : 1;
            (b.Width() > 100 || b.Height() > 100 ? zoomTiles : imageTiles)
                .push_back({label, zoom == 1 ? b : b.Scaled(b.Width() * zoom, b.Height() * zoom)});
        }
    }

    // Window skins: their part sets and the windows put together.
    struct SkinCase
    {
        const char16_t* name;
        const char16_t* cls;
        gfx::Size small, large;
    } skins[] = {
        {u"child_resize", u"ZBFrame", {200, 120}, {480, 300}},
        {u"child_domodal", u"ZBFrame", {200, 120}, {480, 300}},
        {u"evd_export", u"ZBFrame", {200, 120}, {480, 300}},
        {u"messagebox", u"ZBFrame", {200, 120}, {480, 300}},
        {u"optionpage", u"ZBFrame", {200, 120}, {480, 300}},
        {u"button", u"ZBButton", {60, 22}, {140, 40}},
        {u"button_ok_white", u"ZBButton", {60, 22}, {140, 40}},
        {u"button_cancel_white", u"ZBButton", {60, 22}, {140, 40}},
        {u"toolbar_opr_case", u"ZBToolBar", {160, 24}, {420, 30}},
        {u"toolbar_opr_file", u"ZBToolBar", {160, 24}, {420, 30}},
        {u"toolbar_opr_localmenu", u"ZBToolBar", {160, 24}, {420, 30}},
        {u"optionctrl", u"ZBOptionCtrl", {200, 120}, {480, 300}},
    };
    std::vector<Tile> partTiles, skinTiles;
    for (const SkinCase& s : skins) {
        GallerySkin skin(s.cls);
        std::string name = Utf16ToUtf8(s.name);
        if (!skin.Load(&loader, s.name)) {
            std::fprintf(stderr, "skingallery: skin %s does not load\n", name.c_str());
            ok = false;
            continue;
        }
        if (!skin.parts.empty()) {
            for (const std::u16string& state : skin.States()) {
                for (gfx::Size size : {s.small, s.large}) {
                    gfx::Bitmap b(size.cx, size.cy, 0);
                    {
                        Canvas c(b);
                        skin.DrawParts(c, {0, 0, size.cx, size.cy}, state);
                    }
                    std::string file = name + (state.empty() ? "" : "-" + Utf16ToUtf8(state)) +
                                       Utf16ToUtf8(Format16(u"-%dx%d.png", size.cx, size.cy));
                    save(b, out / "partsets" / file);
                    if (size == s.large || s.large.cy <= 40)
                        partTiles.push_back({Utf8ToUtf16(file.substr(0, file.size() - 4)), b});
                }
            }
        }
        gfx::Bitmap composed;
        if (std::u16string(s.cls) == u"ZBFrame")
            composed = RenderFrame(skin, loader, s.name);
        else if (std::u16string(s.cls) == u"ZBButton")
            composed = RenderButton(skin);
        else if (std::u16string(s.cls) == u"ZBToolBar")
            composed = RenderToolbar(skin);
        else
            composed = RenderOptionCtrl(skin, loader, *doc);
        save(composed, out / "skins" / (name + ".png"));
        skinTiles.push_back({s.name, composed});
    }

    // One page with everything.
    const int width = 1900;
    auto layout = [&](Canvas* c) {
        int y = 20;
        if (c)
            c->DrawText(u"档案库皮肤 · 公共图片、部件组与窗口皮肤", {20, y, width, y + 40},
                        gfx::Font({u"微软雅黑", 24, gfx::kWeightBold}), gfx::Rgb(0x33, 0x33, 0x33),
                        TextFlags(1));
        y += 56;
        y += Section(c, y, width, u"公共图片（小图标放大显示）", imageTiles, 124, 76, true);
        y += Section(c, y, width, u"公共图片（大图）", zoomTiles, 120, 80, true);
        y += Section(c, y, width, u"窗口皮肤", skinTiles, 200, 100, false);
        y += Section(c, y, width, u"部件组（两种尺寸、各状态）", partTiles, 120, 40, true);
        return y;
    };
    int height = layout(nullptr);
    gfx::Bitmap sheet(width, height, kSheetBack);
    {
        Canvas c(sheet);
        layout(&c);
    }
    save(sheet, out / "contact-sheet.png");
    std::printf("skingallery: %d PNG files in %s (contact sheet: %s)\n", files, out.string().c_str(),
                (out / "contact-sheet.png").string().c_str());
    return ok ? 0 : 1;
}
