// The skin the library ships: every public object and window skin that the
// windows of the library ask for exists with the size or value they rely
// on, the resources are embedded, and the library's initialisation loads
// the skin.

#include "SkinTestUtil.h"
#include "evidence/core/EvdLibrary.h"
#include "platform/gfx/Drawing.h"
#include "platform/gfx/Icon.h"
#include "platform/res/Resources.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace vel;
using namespace vel::test;

namespace {

struct Shipped : ::testing::Test
{
    static void SetUpTestSuite()
    {
        loader = new ZBSkinLoader;
        ASSERT_TRUE(loader->LoadPublicFromResource(VEL_RES_THIS_MODULE(), 3002));
        document = loader->ParseSource().release();
        ASSERT_TRUE(document);
    }
    static void TearDownTestSuite()
    {
        delete document;
        delete loader;
    }
    static ZBSkinLoader* loader;
    static ZBXMLElement* document;
};
ZBSkinLoader* Shipped::loader = nullptr;
ZBXMLElement* Shipped::document = nullptr;

std::string U8(std::u16string_view s)
{
    return Utf16ToUtf8(s);
}

const ZBXMLElement* SkinElement(const ZBXMLElement& root, std::u16string_view name)
{
    for (const ZBXMLElement* ws : root.GetChildren())
        if (EqualsIgnoreCase(ws->GetName(), u"WindowSkin"))
            for (const ZBXMLElement* s : ws->GetChildren())
                if (EqualsIgnoreCase(s->GetAttributeValue(u"Name"), name))
                    return s;
    return nullptr;
}

const ZBXMLElement* Child(const ZBXMLElement* e, std::initializer_list<const char16_t*> path)
{
    for (const char16_t* step : path)
        e = e ? e->FindChild(step) : nullptr;
    return e;
}

std::u16string Attr(const ZBXMLElement* e, std::u16string_view name)
{
    return e ? e->GetAttributeValue(name) : u"";
}

gfx::Size SizeOf(const gfx::Rect& r)
{
    return {r.Width(), r.Height()};
}

// Every image the library's windows name, with its size: 79 of them, the
// whole atlas `skin` among them.
const std::map<std::u16string, gfx::Size>& ExpectedImages()
{
    static const std::map<std::u16string, gfx::Size> images = [] {
        std::map<std::u16string, gfx::Size> m;
        auto add = [&](std::initializer_list<const char16_t*> names, int w, int h) {
            for (const char16_t* n : names)
                m[n] = {w, h};
        };
        add({u"skin"}, 1200, 1400);
        add({u"img_list_case", u"img_list_folder", u"img_list_video", u"img_list_pic", u"img_list_doc"}, 34,
            34);
        add({u"img_list_nas_public", u"img_list_nas_person"}, 30, 30);
        add({u"img_list_default"}, 30, 28);
        add({u"img_pj_srh",
             u"img_local_file",
             u"img_local_case",
             u"img_net_case",
             u"img_local_plat",
             u"img_list_videoplayer",
             u"img_list_videoplayer_high",
             u"img_list_videoconverter",
             u"img_list_videoconverter_high",
             u"img_list_videoeditor",
             u"img_list_videoeditor_high",
             u"img_list_speedmeasure",
             u"img_list_sizemeasure",
             u"img_list_sizemeasure_high",
             u"img_list_picmark",
             u"img_list_picmark_high",
             u"img_list_nas_public_ok",
             u"img_list_nas_person_ok",
             u"img_list_nas_err",
             u"img_check",
             u"img_uncheck"},
            16, 16);
        add({u"img_dir_open", u"img_dir_closed"}, 16, 14);
        add({u"img_tree_case", u"img_list_up_enable", u"img_list_up_disable", u"img_list_down_enable",
             u"img_list_down_disable", u"img_list_pause", u"img_list_wait", u"img_upload", u"img_import_ok",
             u"img_import_ing", u"img_import_err", u"img_dlg_login_warn", u"img_dlg_login_err",
             u"img_dlg_login_ok"},
            14, 14);
        add({u"img_pj_srh_close", u"img_pj_set_close", u"img_close_normal", u"img_close_high",
             u"img_sync_not", u"img_sync_ok", u"img_sync_ing", u"img_sync_err"},
            12, 12);
        add({u"img_tree_collapse"}, 10, 10);
        add({u"img_tree_expand"}, 10, 6);
        add({u"img_list_case_top"}, 10, 12);
        add({u"img_list_sort_asc", u"img_list_sort_desc"}, 7, 4);
        add({u"img_tab_local_nor", u"img_tab_local_on", u"img_tab_tovra_nor", u"img_tab_tovra_on",
             u"img_tab_task_nor"},
            17, 17);
        add({u"img_tab_tak_on"}, 17, 1);
        add({u"img_local_menu_default", u"img_local_menu_dir"}, 80, 70);
        add({u"img_local_menu_nas_public", u"img_local_menu_nas_person", u"img_local_menu_platekorrin"}, 74,
            74);
        add({u"img_local_menu_nas_public_ok", u"img_local_menu_nas_person_ok", u"img_local_menu_nas_err"}, 24,
            24);
        add({u"img_dlg_init", u"img_dlg_move", u"img_dlg_login"}, 300, 572);
        add({u"img_dlg_init_note"}, 327, 56);
        add({u"menubar_back"}, 9, 27);
        add({u"menubar_btn"}, 62, 24);
        return m;
    }();
    return images;
}

// The browser lists look up one kind image more than the list above: the
// picture of "other" files. Without it their creation would fail, so the
// skin carries it, at the size of its sibling kind pictures.
const std::map<std::u16string, gfx::Size> kExtraImages = {{u"img_list_other", {34, 34}}};

} // namespace

TEST_F(Shipped, ResourcesAreEmbedded)
{
    const void* module = VEL_RES_THIS_MODULE();
    auto atlas = res::Find(module, "png", 3001);
    ASSERT_TRUE(atlas);
    ZBImage image;
    ASSERT_TRUE(image.LoadFromPngResource(module, 3001));
    EXPECT_EQ(image.Width(), 1200);
    EXPECT_EQ(image.Height(), 1400);
    ASSERT_TRUE(res::Find(module, "xml", 3002));

    auto icon = res::Find(module, "icon", 128);
    ASSERT_TRUE(icon);
    std::string_view iconBytes(reinterpret_cast<const char*>(icon->data()), icon->size());
    auto sizes = gfx::IconSizes(iconBytes);
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), gfx::Size{64, 64}), sizes.end());
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), gfx::Size{16, 16}), sizes.end());

    auto cursor = res::Find(module, "cursor", 3003);
    ASSERT_TRUE(cursor);
    auto cur = gfx::DecodeIcon({reinterpret_cast<const char*>(cursor->data()), cursor->size()});
    ASSERT_TRUE(cur);
    EXPECT_TRUE(cur->cursor);
    EXPECT_EQ(cur->image.Width(), 32);
    // the hot spot sits on the divider, which is drawn
    EXPECT_NE(cur->image.Pixel(cur->hotspot.x, cur->hotspot.y) >> 24, 0u);
}

TEST_F(Shipped, EveryPublicImageWithItsSize)
{
    const gfx::Rect atlas{0, 0, 1200, 1400};
    auto check = [&](const std::u16string& name, gfx::Size size) {
        _ZB_IMAGEEX* image = nullptr;
        ASSERT_TRUE(loader->GetImage(name, image)) << U8(name);
        EXPECT_EQ(SizeOf(image->rect), size) << U8(name);
        EXPECT_EQ(image->rect.Intersect(atlas), image->rect) << U8(name) << " lies in the atlas";
        // Not a blank: the picture has visible pixels.
        int visible = 0;
        for (int y = image->rect.top; y < image->rect.bottom; ++y)
            for (int x = image->rect.left; x < image->rect.right; ++x)
                visible += (image->image->Bitmap().Pixel(x, y) >> 24) > 0;
        EXPECT_GT(visible, 0) << U8(name);
    };
    for (const auto& [name, size] : ExpectedImages())
        check(name, size);
    for (const auto& [name, size] : kExtraImages)
        check(name, size);
    EXPECT_EQ(ExpectedImages().size(), 79u); // `skin` among them

    // The file names exactly these, all cut from the one atlas.
    std::set<std::u16string> named;
    for (const ZBXMLElement* pub : document->GetChildren())
        if (const ZBXMLElement* images = pub->FindChild(u"Images"))
            for (const ZBXMLElement* i : images->GetChildren()) {
                named.insert(i->GetAttributeValue(u"Name"));
                EXPECT_EQ(i->GetAttributeValue(u"ResId"), u"3001");
            }
    std::set<std::u16string> expected;
    for (const auto& [n, s] : ExpectedImages())
        expected.insert(n);
    for (const auto& [n, s] : kExtraImages)
        expected.insert(n);
    EXPECT_EQ(named, expected);
    EXPECT_EQ(loader->CachedImageCount(), 1u); // the atlas is decoded once
}

TEST_F(Shipped, PublicColoursFontsAndIcon)
{
    struct Colour
    {
        const char16_t* name;
        gfx::Color value;
    } colours[] = {{u"child_back", gfx::Rgb(246, 249, 250)},
                   {u"main_frame", gfx::Rgb(29, 117, 222)},
                   {u"about_title", gfx::Rgb(0, 0, 0)},
                   {u"about_txt", gfx::Rgb(83, 83, 83)},
                   {u"about_copyrights", gfx::Rgb(149, 149, 149)}};
    for (const Colour& c : colours) {
        gfx::Color v = 0;
        ASSERT_TRUE(loader->GetColor(c.name, v)) << U8(c.name);
        EXPECT_EQ(v, c.value) << U8(c.name);
    }
    struct FontCase
    {
        const char16_t* name;
        gfx::FontSpec fontDesc;
    } fonts[] = {
        {u"common_txt", {u"宋体", 12, gfx::kWeightNormal}},
        {u"common_title", {u"宋体", 12, gfx::kWeightBold}},
        {u"main_title", {u"宋体", 16, gfx::kWeightNormal}},
        {u"about_title", {u"微软雅黑", 30, gfx::kWeightBold}},
        {u"about_subtitle", {u"微软雅黑", 14, gfx::kWeightBold}},
        {u"about_txt", {u"微软雅黑", 12, gfx::kWeightNormal}},
        {u"about_logo", {u"微软雅黑", 12, gfx::kWeightBold, true}},
    };
    for (const FontCase& f : fonts) {
        gfx::Font* font = nullptr;
        ASSERT_TRUE(loader->GetFont(f.name, font)) << U8(f.name);
        EXPECT_EQ(font->Spec(), f.fontDesc) << U8(f.name);
    }
    gfx::Icon* icon = nullptr;
    ASSERT_TRUE(loader->GetIcon(u"main_icon", icon));
    EXPECT_EQ(icon->image.Width(), 64);
    EXPECT_EQ(icon->image.Height(), 64);
}

TEST_F(Shipped, WindowSkinsLoadByTheirClass)
{
    struct Case
    {
        const char16_t* name;
        const char16_t* cls;
        int background;
        gfx::Color colour;
        bool image;
    } cases[] = {
        {u"child_resize", u"ZBFrame", kZBBackgroundColor, gfx::Rgb(246, 249, 250), true},
        {u"child_domodal", u"ZBFrame", kZBBackgroundColor, gfx::Rgb(246, 249, 250), true},
        {u"evd_export", u"ZBFrame", kZBBackgroundColor, gfx::Rgb(222, 231, 239), true},
        {u"messagebox", u"ZBFrame", kZBBackgroundColor, gfx::Rgb(246, 249, 250), true},
        {u"optionpage", u"ZBFrame", kZBBackgroundColor, gfx::Rgb(246, 249, 250), false},
        {u"button", u"ZBButton", kZBBackgroundColor, gfx::Rgb(255, 255, 255), true},
        {u"button_ok_white", u"ZBButton", kZBBackgroundColor, gfx::Rgb(255, 255, 255), true},
        {u"button_cancel_white", u"ZBButton", kZBBackgroundColor, gfx::Rgb(255, 255, 255), true},
        {u"toolbar_opr_case", u"ZBToolBar", kZBBackgroundColor, gfx::Rgb(242, 246, 249), true},
        {u"toolbar_opr_file", u"ZBToolBar", kZBBackgroundColor, gfx::Rgb(235, 243, 250), true},
        {u"toolbar_opr_localmenu", u"ZBToolBar", kZBBackgroundColor, gfx::Rgb(235, 243, 250), true},
        {u"optionctrl", u"ZBOptionCtrl", kZBBackgroundColor, gfx::Rgb(246, 249, 250), true},
    };
    _ZB_IMAGEEX* atlas = nullptr;
    ASSERT_TRUE(loader->GetImage(u"skin", atlas));
    for (const Case& c : cases) {
        ProbeSkin skin(c.cls);
        ASSERT_TRUE(skin.Load(loader, c.name)) << U8(c.name);
        EXPECT_EQ(skin.GetBackgroundKind(), c.background) << U8(c.name);
        EXPECT_EQ(skin.GetBackgroundColor(), c.colour) << U8(c.name);
        EXPECT_EQ(skin.GetImage(), c.image ? atlas : nullptr) << U8(c.name);
        EXPECT_EQ(skin.GetTransparencyKind(), kZBTransparencyNone) << U8(c.name);
        // Another class does not find it.
        ProbeSkin other(std::u16string(c.cls) == u"ZBFrame" ? u"ZBButton" : u"ZBFrame");
        EXPECT_FALSE(other.Load(loader, c.name)) << U8(c.name);
    }
    // Sliders ask for a skin the file does not define, and draw plainly.
    ProbeSkin slider(u"ZBSlider");
    EXPECT_FALSE(slider.Load(loader, u"zoomslider"));
}

TEST_F(Shipped, FrameSkinContents)
{
    struct AnchorCase
    {
        const char16_t* name;
        const char16_t* rect;
        gfx::Size image;
        const char16_t* tip;
        const char16_t* text;
    };
    const AnchorCase systemButtons[] = {
        {u"Minimize", u"-87,4,22,22", {14, 14}, u"最小化", u""},
        {u"Maximize", u"-57,4,22,22", {14, 14}, u"最大化", u""},
        {u"Restore", u"-57,4,22,22", {14, 14}, u"还原", u""},
        {u"Close", u"-27,4,22,22", {14, 14}, u"关闭", u""},
    };
    struct FrameCase
    {
        const char16_t* name;
        const char16_t* miniSize; // "" none
        int border;               // 0 none
        int caption;
        const char16_t* titleFont;
        std::vector<AnchorCase> anchors;
        int topRowHeight;
    } frames[] = {
        {u"child_resize", u"400,320", 3, 32, u"[common_txt]", {systemButtons, systemButtons + 4}, 32},
        {u"child_domodal",
         u"",
         0,
         27,
         u"[common_txt]",
         {{u"Close", u"-27,2,22,22", {14, 14}, u"关闭", u""}},
         27},
        {u"evd_export",
         u"600,400",
         0,
         32,
         u"[common_txt]",
         {{u"LocalCase", u"160,0,118,32", {20, 20}, u"", u"本地档案"},
          {u"MyComputer", u"278,0,118,32", {20, 20}, u"", u"我的电脑"},
          systemButtons[0],
          systemButtons[1],
          systemButtons[2],
          systemButtons[3]},
         32},
        {u"messagebox",
         u"",
         0,
         27,
         u"[common_title]",
         {{u"Close", u"-30,3,18,18", {18, 18}, u"关闭", u""}},
         32},
    };
    for (const FrameCase& f : frames) {
        SCOPED_TRACE(U8(f.name));
        const ZBXMLElement* skin = SkinElement(*document, f.name);
        ASSERT_TRUE(skin);
        EXPECT_EQ(Attr(Child(skin, {u"MiniSize"}), u"Size"), f.miniSize);
        const ZBXMLElement* border = Child(skin, {u"Border"});
        if (f.border) {
            ASSERT_TRUE(border);
            EXPECT_EQ(Attr(border, u"Style"), u"Resizing");
            for (const char16_t* side : {u"Left", u"Top", u"Right", u"Bottom"})
                EXPECT_EQ(Attr(border, side), u"3");
        } else {
            EXPECT_FALSE(border);
        }
        EXPECT_EQ(Attr(Child(skin, {u"Caption", u"Height"}), u"Value"), ToString16(f.caption));
        const ZBXMLElement* title = Child(skin, {u"Caption", u"Title"});
        EXPECT_EQ(Attr(Child(title, {u"Align"}), u"Value"), u"Left");
        EXPECT_EQ(Attr(Child(title, {u"Font"}), u"Name"), f.titleFont);
        gfx::Color white = 0;
        EXPECT_TRUE(loader->ReadColor(Attr(Child(title, {u"Color"}), u"Value"), white));
        EXPECT_EQ(white, gfx::Rgb(255, 255, 255));

        const ZBXMLElement* anchors = Child(skin, {u"Caption", u"Anchors"});
        ASSERT_TRUE(anchors);
        ASSERT_EQ(anchors->GetChildren().size(), f.anchors.size());
        std::set<std::u16string> pictures;
        for (size_t i = 0; i < f.anchors.size(); ++i) {
            const ZBXMLElement* a = anchors->GetChildren()[i];
            const AnchorCase& want = f.anchors[i];
            SCOPED_TRACE(U8(want.name));
            EXPECT_EQ(a->GetAttributeValue(u"Name"), want.name);
            EXPECT_EQ(a->GetAttributeValue(u"Rect"), want.rect);
            EXPECT_EQ(loader->ExpandStrings(a->GetAttributeValue(u"Tip")), want.tip);
            EXPECT_EQ(loader->ExpandStrings(a->GetAttributeValue(u"Text")), want.text);
            for (const char16_t* state : {u"Normal", u"Hover", u"Down", u"Disable"}) {
                if (!a->GetAttribute(state)) {
                    EXPECT_NE(std::u16string(state), u"Normal");
                    continue;
                }
                gfx::Rect r;
                ASSERT_TRUE(loader->ReadRect(a->GetAttributeValue(state), r));
                EXPECT_EQ(SizeOf(r), want.image) << U8(state);
                pictures.insert(a->GetAttributeValue(state));
            }
        }
        if (std::u16string(f.name) == u"messagebox") { // distinct normal, hover and down pictures
            EXPECT_EQ(pictures.size(), 3u);
        }
        EXPECT_EQ(Attr(Child(skin, {u"Image"}), u"Name"), u"[skin]");

        ProbeSkin probe;
        ASSERT_TRUE(probe.Load(loader, f.name));
        struct PartSize
        {
            const char16_t* name;
            int w, h;
        } parts[] = {{u"TopLeft", 3, f.topRowHeight},
                     {u"Top", 5, f.topRowHeight},
                     {u"TopRight", 3, f.topRowHeight},
                     {u"Left", 1, 10},
                     {u"Right", 1, 10},
                     {u"Bottom", 5, 1},
                     {u"BottomLeft", 1, 1},
                     {u"BottomRight", 1, 1}};
        EXPECT_EQ(probe.parts.size(), 8u);
        for (const PartSize& p : parts) {
            ASSERT_TRUE(probe.parts.count(p.name)) << U8(p.name);
            EXPECT_EQ(SizeOf(probe.parts[p.name].rect), (gfx::Size{p.w, p.h})) << U8(p.name);
            EXPECT_EQ(probe.parts[p.name].mode, kZBPartStretch) << U8(p.name);
        }
    }
    // The message box also has the icon and the client look.
    const ZBXMLElement* mb = SkinElement(*document, u"messagebox");
    EXPECT_EQ(Attr(Child(mb, {u"Icon"}), u"Name"), u"[main_icon]");
    EXPECT_EQ(Attr(Child(mb, {u"Client", u"Font"}), u"Name"), u"[common_txt]");
    EXPECT_EQ(Attr(Child(mb, {u"Client", u"Color"}), u"Value"), u"0,0,0");
    // The settings pages: a background and nothing else.
    const ZBXMLElement* page = SkinElement(*document, u"optionpage");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->GetChildren().size(), 1u);
}

TEST_F(Shipped, ButtonSkinContents)
{
    std::map<std::u16string, std::set<std::u16string>> rectsBySkin;
    for (const char16_t* name : {u"button", u"button_ok_white", u"button_cancel_white"}) {
        SCOPED_TRACE(U8(name));
        const ZBXMLElement* skin = SkinElement(*document, name);
        ASSERT_TRUE(skin);
        EXPECT_EQ(Attr(Child(skin, {u"Title", u"Align"}), u"Value"), u"Center");
        EXPECT_EQ(Attr(Child(skin, {u"Title", u"Font"}), u"Name"), u"[common_txt]");
        EXPECT_EQ(Attr(Child(skin, {u"Title", u"Color"}), u"Value"), u"255,255,255");
        ProbeSkin probe(u"ZBButton");
        ASSERT_TRUE(probe.Load(loader, name));
        EXPECT_EQ(probe.parts.size(), 36u);
        struct Grid
        {
            const char16_t* name;
            int w, h;
        } grid[] = {{u"TopLeft", 3, 3},    {u"Top", 8, 3},    {u"TopRight", 3, 3},
                    {u"Left", 3, 8},       {u"Middle", 8, 8}, {u"Right", 3, 8},
                    {u"BottomLeft", 3, 3}, {u"Bottom", 8, 3}, {u"BottomRight", 3, 3}};
        for (const Grid& g : grid)
            for (const char16_t* state : {u"", u"Hot", u"Down", u"Disable"}) {
                std::u16string part = std::u16string(g.name) + state;
                ASSERT_TRUE(probe.parts.count(part)) << U8(part);
                EXPECT_EQ(SizeOf(probe.parts[part].rect), (gfx::Size{g.w, g.h})) << U8(part);
                EXPECT_EQ(probe.parts[part].mode, kZBPartStretch);
                rectsBySkin[name].insert(
                    Format16(u"%d,%d", probe.parts[part].rect.left, probe.parts[part].rect.top));
            }
        for (const Grid& g : grid) { // Hot and Down share one picture; Disable has its own
            std::u16string base = g.name;
            EXPECT_EQ(probe.parts[base + u"Hot"].rect, probe.parts[base + u"Down"].rect);
            EXPECT_NE(probe.parts[base + u"Hot"].rect, probe.parts[base].rect);
            EXPECT_NE(probe.parts[base + u"Disable"].rect, probe.parts[base].rect);
        }
    }
    // The cancel button has pictures of its own.
    for (const std::u16string& r : rectsBySkin[u"button_cancel_white"])
        EXPECT_FALSE(rectsBySkin[u"button_ok_white"].count(r)) << U8(r);
}

TEST_F(Shipped, ToolbarAndOptionControlContents)
{
    struct Tool
    {
        const char16_t* name;
        const char16_t* rect;
        const char16_t* tip;
        int pictureWidth;
        bool disabledPicture;
        bool startsDisabled;
    };
    struct Bar
    {
        const char16_t* name;
        gfx::Color back;
        std::vector<Tool> tools;
    } bars[] = {
        {u"toolbar_opr_case",
         gfx::Rgb(242, 246, 249),
         {{u"create", u"0,0,88,24", u"新建档案", 88, true, false},
          {u"delete", u"88,0,64,24", u"删除档案", 64, true, false},
          {u"totop", u"152,0,64,24", u"档案置顶", 64, false, false},
          {u"untop", u"216,0,88,24", u"取消置顶", 88, false, false}}},
        {u"toolbar_opr_file",
         gfx::Rgb(235, 243, 250),
         {{u"create", u"0,0,100,24", u"新建文件夹", 100, true, false},
          {u"delete", u"100,0,64,24", u"删除指定项", 64, true, false},
          {u"add", u"164,0,64,24", u"添加文件", 64, true, false}}},
        {u"toolbar_opr_localmenu",
         gfx::Rgb(235, 243, 250),
         {{u"create", u"0,0,88,24", u"关联本地文件夹", 88, false, false},
          {u"delete", u"88,0,64,24", u"删除关联关系", 88, true, true}}},
    };
    for (const Bar& bar : bars) {
        SCOPED_TRACE(U8(bar.name));
        const ZBXMLElement* skin = SkinElement(*document, bar.name);
        ASSERT_TRUE(skin);
        EXPECT_EQ(Attr(Child(skin, {u"Title", u"Align"}), u"Value"), u"Right");
        const ZBXMLElement* font = Child(skin, {u"Title", u"Font"});
        auto made = loader->MakeFont(*font); // inline, not a reference
        ASSERT_TRUE(made);
        EXPECT_EQ(made->Spec(), (gfx::FontSpec{u"宋体", 12, gfx::kWeightNormal}));
        EXPECT_EQ(Attr(Child(skin, {u"Title", u"Color"}), u"Value"), u"51,51,51");
        const ZBXMLElement* anchors = Child(skin, {u"Anchors"});
        ASSERT_TRUE(anchors);
        ASSERT_EQ(anchors->GetChildren().size(), bar.tools.size());
        for (size_t i = 0; i < bar.tools.size(); ++i) {
            const ZBXMLElement* a = anchors->GetChildren()[i];
            const Tool& t = bar.tools[i];
            SCOPED_TRACE(U8(t.name));
            EXPECT_EQ(a->GetAttributeValue(u"Name"), t.name);
            EXPECT_EQ(a->GetAttributeValue(u"Rect"), t.rect);
            EXPECT_EQ(a->GetAttributeValue(u"Tip"), t.tip);
            EXPECT_EQ(a->GetAttribute(u"Disable") != nullptr, t.disabledPicture);
            EXPECT_EQ(zbskin::HasKeyword(a->GetAttributeValue(u"State"), u"Disable"), t.startsDisabled);
            for (const char16_t* state : {u"Normal", u"Hover", u"Down", u"Disable"}) {
                if (!a->GetAttribute(state))
                    continue;
                gfx::Rect r;
                ASSERT_TRUE(loader->ReadRect(a->GetAttributeValue(state), r));
                EXPECT_EQ(SizeOf(r), (gfx::Size{t.pictureWidth, 24})) << U8(state);
            }
        }
    }

    const ZBXMLElement* opt = SkinElement(*document, u"optionctrl");
    ASSERT_TRUE(opt);
    auto colour = [&](const ZBXMLElement* e, const char16_t* attr) {
        gfx::Color c = gfx::kNoColor;
        EXPECT_TRUE(loader->ReadColor(Attr(e, attr), c)) << U8(attr);
        return c;
    };
    EXPECT_EQ(colour(Child(opt, {u"Border"}), u"Color"), gfx::Rgb(185, 207, 223));
    gfx::Rect expand, collapse;
    ASSERT_TRUE(loader->ReadRect(Attr(Child(opt, {u"Type", u"Expand"}), u"Rect"), expand));
    ASSERT_TRUE(loader->ReadRect(Attr(Child(opt, {u"Type", u"Collapse"}), u"Rect"), collapse));
    EXPECT_EQ(SizeOf(expand), (gfx::Size{10, 6}));
    EXPECT_EQ(SizeOf(collapse), (gfx::Size{10, 10}));
    EXPECT_EQ(colour(Child(opt, {u"Type", u"BackColor"}), u"Value"), gfx::Rgb(235, 240, 244));
    EXPECT_EQ(colour(Child(opt, {u"Type", u"TextColor"}), u"Value"), gfx::Rgb(87, 87, 87));
    EXPECT_EQ(Attr(Child(opt, {u"Type", u"Font"}), u"Name"), u"[common_title]");
    EXPECT_EQ(colour(Child(opt, {u"Item", u"BackColor"}), u"Normal"), gfx::Rgb(255, 255, 255));
    EXPECT_EQ(colour(Child(opt, {u"Item", u"BackColor"}), u"HiLite"), gfx::Rgb(103, 153, 194));
    EXPECT_EQ(colour(Child(opt, {u"Item", u"TextColor"}), u"Normal"), gfx::Rgb(0, 0, 0));
    EXPECT_EQ(colour(Child(opt, {u"Item", u"TextColor"}), u"HiLite"), gfx::Rgb(255, 255, 255));
    EXPECT_EQ(Attr(Child(opt, {u"Item", u"Font"}), u"Name"), u"[common_txt]");
}

TEST_F(Shipped, FrameShapeComesFromTheCaptionCorners)
{
    // The frames' windows are cut from the transparent pixels of their
    // TopLeft and TopRight parts: rounded top corners.
    ProbeSkin frame;
    ASSERT_TRUE(frame.Load(loader, u"child_resize"));
    const _ZB_PART& tl = frame.parts[u"TopLeft"];
    gfx::Region corner = frame.GetImage()->image->CreateRegion(&tl.rect);
    EXPECT_FALSE(corner.Contains(tl.rect.left, tl.rect.top));
    EXPECT_TRUE(corner.Contains(tl.rect.left + 2, tl.rect.top + 2));
    EXPECT_LT(corner.Area(), 3 * 32);
    EXPECT_GT(corner.Area(), 3 * 32 - 6);
}

TEST(LibraryInitialisation, LoadsTheSkinFromItsOwnResources)
{
    Sandbox sandbox;
    int starts = gfx::DrawingStartCount();
    ASSERT_EQ(evd::Initialize(), 0);
    EXPECT_TRUE(ZBSkinLoader::Shared().IsLoaded());
    EXPECT_EQ(ZBSkinLoader::Shared().GetResourceId(), 3002u);
    EXPECT_EQ(gfx::DrawingStartCount(), starts + 1);
    gfx::Color c;
    EXPECT_TRUE(ZBSkinLoader::Shared().GetColor(u"main_frame", c));
    ASSERT_EQ(evd::Initialize(), 0); // initialised: nothing again
    EXPECT_EQ(gfx::DrawingStartCount(), starts + 1);
    evd::Teardown();
    EXPECT_FALSE(ZBSkinLoader::Shared().IsLoaded());
    EXPECT_FALSE(ZBSkinLoader::Shared().GetColor(u"main_frame", c));
    ASSERT_EQ(evd::Initialize(), 0); // a later export initialises again
    EXPECT_TRUE(ZBSkinLoader::Shared().IsLoaded());
    EXPECT_EQ(gfx::DrawingStartCount(), starts + 2);
    evd::Teardown();
}
