// The skin loader: the public load and its failures, lookups, the image
// cache, menus, strings, the source's location and clearing.

#include "SkinTestUtil.h"

#include <gtest/gtest.h>

using namespace vel;
using namespace vel::test;

namespace {

// A 20 x 10 picture: left half red, right half blue.
gfx::Bitmap Picture()
{
    gfx::Bitmap b(20, 10, 0xFFFF0000);
    b.FillRect(10, 0, 10, 10, 0xFF0000FF);
    return b;
}

} // namespace

TEST(SkinLoader, PublicLoadSucceedsOrFailsAsAWhole)
{
    struct Case
    {
        const char* what;
        std::string body; // inside <public>
        bool ok;
    } cases[] = {
        {"colours", R"(<colors><color name="a" value="1,2,3"/><color name="b" value="#010203"/></colors>)",
         true},
        {"duplicate colour names",
         R"(<colors><color name="a" value="1,2,3"/><color name="a" value="4,5,6"/></colors>)", false},
        {"names differing in case are two names",
         R"(<colors><color name="a" value="1,2,3"/><color name="A" value="4,5,6"/></colors>)", true},
        {"the same name in two kinds",
         R"(<colors><color name="a" value="1,2,3"/></colors><sizes><size name="a" value="1,2"/></sizes>)",
         true},
        {"a colour without a name", R"(<colors><color value="1,2,3"/></colors>)", false},
        {"an empty name", R"(<colors><color name="" value="1,2,3"/></colors>)", false},
        {"a colour that does not parse", R"(<colors><color name="a" value="red"/></colors>)", false},
        {"a colour without a value", R"(<colors><color name="a"/></colors>)", false},
        {"a reference to an earlier colour",
         R"(<colors><color name="a" value="1,2,3"/><color name="b" value="[a]"/></colors>)", true},
        {"a reference to nothing", R"(<colors><color name="b" value="[nothing]"/></colors>)", false},
        {"a reference to a later colour",
         R"(<colors><color name="b" value="[a]"/><color name="a" value="1,2,3"/></colors>)", false},
        {"unknown sections and items are skipped",
         R"(<widgets/><colors><shade name="x"/><color name="a" value="1,2,3"/></colors><strings><string name="s" value="v"/></strings>)",
         true},
        {"a font without a face", R"(<fonts><font name="f" size="12"/></fonts>)", false},
        {"an image rectangle outside the picture",
         R"(<images><image name="i" file="pic.png" rect="500,500,10,10"/></images>)", true},
        {"an image whose file is missing", R"(<images><image name="i" file="none.png"/></images>)", false},
        {"an image without a source", R"(<images><image name="i" rect="0,0,1,1"/></images>)", false},
        {"an image with a bad key",
         R"(<images><image name="i" file="pic.png" minmask="x" maxmask="1,1,1"/></images>)", false},
        {"an icon that is not one", R"(<icons><icon name="i" file="pic.png"/></icons>)", false},
        {"a menu item with a bad id", R"(<menus><menu name="m"><item id="x" text="a"/></menu></menus>)",
         false},
        {"a size and a rectangle",
         R"(<sizes><size name="s" value="3,4"/></sizes><rects><rect name="r" value="[s]"/></rects>)",
         false}, // a size is not a rectangle
    };
    for (const Case& c : cases) {
        SkinFolder f;
        f.WritePicture("pic.png", Picture());
        EXPECT_EQ(f.Load(SkinXml(c.body)), c.ok) << c.what;
        EXPECT_EQ(f.loader.IsLoaded(), c.ok) << c.what;
        gfx::Color colour;
        if (!c.ok) { // nothing of a failed load stays, not even what came before the fault
            EXPECT_FALSE(f.loader.GetColor(u"a", colour)) << c.what;
        }
    }
}

TEST(SkinLoader, DuplicatesAcrossPublicSectionsAndNotASkinFile)
{
    SkinFolder f;
    EXPECT_FALSE(f.Load(R"(<zbskin><public><colors><color name="a" value="1,1,1"/></colors></public>
                            <public><colors><color name="a" value="2,2,2"/></colors></public></zbskin>)"));
    EXPECT_FALSE(f.Load(R"(<skin><public><colors><color name="a" value="1,1,1"/></colors></public></skin>)"));
    EXPECT_FALSE(f.Load("not xml at all"));
    EXPECT_TRUE(f.Load("<ZBSKIN/>")); // names ignore case; no public section is no fault
}

TEST(SkinLoader, LookupsUseTheExactNames)
{
    SkinFolder f;
    f.WritePicture("pic.png", Picture());
    ASSERT_TRUE(f.Load(SkinXml(R"(
        <sizes><size name="min" value="400,320"/></sizes>
        <rects><rect name="pos" value="1,2,30,40"/></rects>
        <colors><color name="back" value="246,249,250"/></colors>
        <fonts><font name="txt" face="宋体"/><font name="big" face="微软雅黑" size="30" weight="Bold" italic="TRUE" underline="true"/>
               <font name="odd" face="宋体" size="huge" weight="heavy"/></fonts>
        <images><image name="whole" file="pic.png"/><image name="right" file="pic.png" rect="10,0,10,10" minmask="0,0,250" maxmask="5,5,255"/></images>)")));
    gfx::Size size;
    gfx::Rect rect;
    gfx::Color colour;
    EXPECT_TRUE(f.loader.GetSize(u"min", size));
    EXPECT_EQ(size, (gfx::Size{400, 320}));
    EXPECT_TRUE(f.loader.GetRect(u"pos", rect));
    EXPECT_EQ(rect, (gfx::Rect{1, 2, 31, 42}));
    EXPECT_TRUE(f.loader.GetColor(u"back", colour));
    EXPECT_EQ(colour, gfx::Rgb(246, 249, 250));
    EXPECT_FALSE(f.loader.GetColor(u"Back", colour));
    EXPECT_FALSE(f.loader.GetColor(u"back ", colour));

    gfx::Font* font = nullptr;
    ASSERT_TRUE(f.loader.GetFont(u"txt", font));
    EXPECT_EQ(font->Spec(), (gfx::FontSpec{u"宋体", 12, gfx::kWeightNormal, false, false}));
    ASSERT_TRUE(f.loader.GetFont(u"big", font));
    EXPECT_EQ(font->Spec(), (gfx::FontSpec{u"微软雅黑", 30, gfx::kWeightBold, true, true}));
    ASSERT_TRUE(f.loader.GetFont(u"odd", font)); // an unreadable size keeps 12, any other weight is normal
    EXPECT_EQ(font->Spec(), (gfx::FontSpec{u"宋体", 12, gfx::kWeightNormal, false, false}));

    _ZB_IMAGEEX *whole = nullptr, *right = nullptr;
    ASSERT_TRUE(f.loader.GetImage(u"whole", whole));
    ASSERT_TRUE(f.loader.GetImage(u"right", right));
    EXPECT_EQ(whole->rect, (gfx::Rect{0, 0, 20, 10})); // no Rect: the whole picture
    EXPECT_EQ(whole->lowKey, gfx::kNoColor);
    EXPECT_EQ(right->rect, (gfx::Rect{10, 0, 20, 10}));
    EXPECT_EQ(right->lowKey, gfx::Rgb(0, 0, 250));
    EXPECT_EQ(right->highKey, gfx::Rgb(5, 5, 255));
    // One picture file, decoded once and shared.
    EXPECT_EQ(whole->image, right->image);
    EXPECT_EQ(f.loader.CachedImageCount(), 1u);

    EXPECT_TRUE(f.loader.OwnsImage(whole));
    EXPECT_TRUE(f.loader.OwnsFont(font));
    _ZB_IMAGEEX copy = *whole;
    EXPECT_FALSE(f.loader.OwnsImage(&copy));
    EXPECT_FALSE(f.loader.OwnsFont(nullptr));

    f.loader.Clear();
    EXPECT_FALSE(f.loader.IsLoaded());
    EXPECT_FALSE(f.loader.GetColor(u"back", colour));
    EXPECT_FALSE(f.loader.GetImage(u"whole", whole));
    EXPECT_EQ(f.loader.CachedImageCount(), 0u);
    EXPECT_EQ(f.loader.GetResourceId(), 0u);
}

TEST(SkinLoader, MenusFromItems)
{
    SkinFolder f;
    ASSERT_TRUE(f.Load(SkinXml(R"(
        <strings><string name="open" value="打开"/></strings>
        <menus><menu name="m">
          <item id="1" type="String" state="Default" text="[open]"/>
          <item type="Separator"/>
          <item id="2" type="String" state="Disable&amp;Checked" text="[missing] &amp; [open"/>
          <item text="更多">
            <item id="30" text="甲"/>
            <item id="31" state="Enable" text="乙"/>
          </item>
        </menu></menus>)")));
    ZBMenu* menu = nullptr;
    ASSERT_TRUE(f.loader.GetMenu(u"m", menu));
    ASSERT_EQ(menu->items.size(), 4u);
    EXPECT_EQ(menu->items[0].id, 1u);
    EXPECT_EQ(menu->items[0].flags, uint32_t(kZBMenuDefault));
    EXPECT_EQ(menu->items[0].text, u"打开"); // strings expand while the file is loaded
    EXPECT_EQ(menu->items[1].flags, uint32_t(kZBMenuSeparator));
    EXPECT_EQ(menu->items[2].flags, uint32_t(kZBMenuDisabled | kZBMenuGrayed | kZBMenuChecked));
    EXPECT_EQ(menu->items[2].text, u"[missing] & [open");
    ASSERT_TRUE(menu->items[3].popup);
    EXPECT_EQ(menu->items[3].flags, uint32_t(kZBMenuPopup));
    EXPECT_EQ(menu->items[3].popup->items.size(), 2u);
    EXPECT_EQ(menu->items[3].popup->items[1].flags, uint32_t(kZBMenuString));
    ASSERT_TRUE(menu->Find(31));
    EXPECT_EQ(menu->Find(31)->text, u"乙");
    EXPECT_FALSE(menu->Find(99));
    EXPECT_TRUE(f.loader.OwnsMenu(menu));
    // A failing item deep inside fails the whole menu, and so the load.
    EXPECT_FALSE(f.Load(
        SkinXml(R"(<menus><menu name="m"><item id="1"/><item><item id="bad"/></item></menu></menus>)")));
}

TEST(SkinLoader, StringsAreLookedUpInTheSource)
{
    SkinFolder f;
    ASSERT_TRUE(f.Load(R"(<zbskin>
        <public><strings><string name="Caption" value="提示"/><string name="caption" value="second"/></strings></public>
        <public><strings><string name="app" value="档案库"/><string name="loop" value="[app]"/></strings></public>
      </zbskin>)"));
    std::u16string v;
    EXPECT_TRUE(f.loader.GetString(u"CAPTION", v)); // any letter case, first one wins
    EXPECT_EQ(v, u"提示");
    EXPECT_TRUE(f.loader.GetString(u"app", v));
    EXPECT_FALSE(f.loader.GetString(u"nothing", v));
    struct Case
    {
        const char16_t* in;
        const char16_t* out;
    } cases[] = {
        {u"[caption]", u"提示"},
        {u"<[app]> 与 [caption]", u"<档案库> 与 提示"},
        {u"[unknown] stays", u"[unknown] stays"},
        {u"open [app", u"open [app"},
        {u"[[app]]", u"[档案库]"},
        {u"[loop]", u"[app]"}, // values are not expanded again
        {u"", u""},
        {u"]app[", u"]app["},
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.loader.ExpandStrings(c.in), c.out) << Utf16ToUtf8(c.in);

    // Strings are read from the source each time: a changed file is seen.
    f.WriteSkin(R"(<zbskin><public><strings><string name="app" value="新值"/></strings></public></zbskin>)");
    EXPECT_TRUE(f.loader.GetString(u"app", v));
    EXPECT_EQ(v, u"新值");
    // Nothing loaded: nothing found.
    f.loader.Clear();
    EXPECT_FALSE(f.loader.GetString(u"app", v));
    EXPECT_EQ(f.loader.ExpandStrings(u"[app]"), u"[app]");
}

TEST(SkinLoader, FolderSourceLocation)
{
    SkinFolder f;
    ASSERT_TRUE(f.Load("<zbskin/>"));
    EXPECT_EQ(f.loader.SkinFilePath(), u"D:\\skins\\0804\\skin.xml");
    struct Case
    {
        const char16_t* folder;
        uint16_t language;
        const char* env;
        const char16_t* tail;
    } cases[] = {
        {u"D:\\skins", 0x0409, nullptr, u"D:\\skins\\0409\\skin.xml"},
        {u"D:\\skins", 0x0809, nullptr, u"D:\\skins\\0409\\skin.xml"}, // every English is 0409
        {u"D:\\skins", 0, "zh_CN.UTF-8", u"D:\\skins\\0804\\skin.xml"},
        {u"D:\\skins", 0, "en_GB.UTF-8", u"D:\\skins\\0409\\skin.xml"},
        {u"D:\\skins", 0, "zh_TW.UTF-8", u"D:\\skins\\0404\\skin.xml"},
        {u"D:\\skins", 0, "C", u"D:\\skins\\0409\\skin.xml"},
        {u"sub", 0x0804, nullptr, u"\\sub\\0804\\skin.xml"}, // below the module's folder
        {u"", 0x0804, nullptr, u"\\0804\\skin.xml"},         // the module's folder itself
    };
    for (const Case& c : cases) {
        if (c.env) {
            setenv("LC_ALL", c.env, 1);
        }
        ZBSkinLoader l;
        l.LoadPublicFromFolder(nullptr, c.folder, c.language); // may fail: only the path matters
        std::u16string path = l.SkinFilePath();
        EXPECT_TRUE(EndsWithIgnoreCase(path, c.tail)) << Utf16ToUtf8(path);
        if (std::u16string(c.folder).empty() || c.folder[0] == u's') {
            EXPECT_NE(path.find(u':'), std::u16string::npos)
                << "module folder is absolute: " << Utf16ToUtf8(path);
        }
        unsetenv("LC_ALL");
    }
}
