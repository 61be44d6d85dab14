// Skin lookup by name and class, the common children, ownership of what a
// skin takes, the repaint message and the background.

#include "SkinTestUtil.h"

#include <gtest/gtest.h>

using namespace vel;
using namespace vel::test;

namespace {

const std::string kPublic = R"(
    <colors><color name="child_back" value="246,249,250"/></colors>
    <rects><rect name="pos" value="5,6,70,80"/></rects>
    <images><image name="skin" file="pic.png"/></images>
    <menus><menu name="m"><item id="1" text="a"/></menu></menus>)";

gfx::Bitmap Picture()
{
    gfx::Bitmap b(8, 4, 0xFF336699);
    b.SetPixel(0, 0, 0);
    return b;
}

// One skin file with one window skin section holding `skins`.
std::string File(const std::string& skins)
{
    return SkinXml(kPublic, skins);
}

} // namespace

TEST(SkinBase, LookupByNameAndClass)
{
    struct Case
    {
        const char* what;
        std::string skins;
        bool ok;
    } cases[] = {
        {"name and class match", R"(<skin name="dlg" class="ZBFrame"/>)", true},
        {"both ignore letter case", R"(<SKIN NAME="DLG" CLASS="zbframe"/>)", true},
        {"another class", R"(<skin name="dlg" class="ZBButton"/>)", false},
        {"no class never matches", R"(<skin name="dlg"/>)", false},
        {"an empty class never matches", R"(<skin name="dlg" class=""/>)", false},
        {"another name", R"(<skin name="dlg2" class="ZBFrame"/>)", false},
        {"the matching one among others",
         R"(<skin name="dlg" class="ZBButton"/><skin name="other" class="ZBFrame"/><skin name="dlg" class="ZBFrame"/>)",
         true},
        {"a reference to a public colour",
         R"(<skin name="dlg" class="ZBFrame"><background type="Color"><color value="[child_back]"/></background></skin>)",
         true},
        {"a reference to nothing",
         R"(<skin name="dlg" class="ZBFrame"><background type="Color"><color value="[nothing]"/></background></skin>)",
         false},
        {"an image reference to nothing",
         R"(<skin name="dlg" class="ZBFrame"><image name="[nothing]"/></skin>)", false},
        {"a colour background without its colour",
         R"(<skin name="dlg" class="ZBFrame"><background type="Color"/></skin>)", false},
        {"an unknown background type is none",
         R"(<skin name="dlg" class="ZBFrame"><background type="Gradient"/></skin>)", true},
        {"transparency without a value",
         R"(<skin name="dlg" class="ZBFrame"><transparency type="Partial"/></skin>)", false},
        {"transparency with a value",
         R"(<skin name="dlg" class="ZBFrame"><transparency type="Partial" value="200"/></skin>)", true},
        {"a part named twice",
         R"(<skin name="dlg" class="ZBFrame"><parts><part name="Top" rect="0,0,1,1"/><part name="Top" rect="1,0,1,1"/></parts></skin>)",
         false},
        {"a part without a rectangle",
         R"(<skin name="dlg" class="ZBFrame"><parts><part name="Top"/></parts></skin>)", false},
        {"a part with a public rectangle",
         R"(<skin name="dlg" class="ZBFrame"><parts><part name="Top" rect="[pos]" mode="Tile"/></parts></skin>)",
         true},
        {"unknown children are passed over",
         R"(<skin name="dlg" class="ZBFrame"><sparkles/><caption/></skin>)", true},
        {"a bad position", R"(<skin name="dlg" class="ZBFrame"><position rect="1,2"/></skin>)", false},
    };
    for (const Case& c : cases) {
        SkinFolder f;
        f.WritePicture("pic.png", Picture());
        ASSERT_TRUE(f.Load(File(c.skins))) << c.what;
        ProbeSkin skin;
        EXPECT_EQ(skin.Load(&f.loader, u"dlg"), c.ok) << c.what;
        EXPECT_EQ(skin.IsLoaded(), c.ok) << c.what;
        EXPECT_EQ(skin.GetSkinName(), c.ok ? u"dlg" : u"") << c.what;
        EXPECT_EQ(skin.GetLoader(), &f.loader) << c.what; // kept, loaded or not
        if (!c.ok) {
            EXPECT_EQ(skin.GetBackgroundKind(), kZBBackgroundNone) << c.what;
            EXPECT_TRUE(skin.parts.empty()) << c.what;
        }
    }
}

TEST(SkinBase, CommonChildrenAndDefaults)
{
    SkinFolder f;
    f.WritePicture("pic.png", Picture());
    ASSERT_TRUE(f.Load(File(R"(
        <skin name="plain" class="ZBFrame"/>
        <skin name="full" class="ZBFrame">
          <image name="[skin]"/>
          <menu name="[m]"/>
          <position rect="[pos]"/>
          <background type="Color"><color value="[child_back]"/></background>
          <transparency type="Integrated" value="300"/>
        </skin>
        <skin name="inline" class="ZBFrame">
          <image file="pic.png" rect="1,1,2,2"/>
          <menu><item id="7" text="x"/></menu>
          <background type="Image"><image file="pic.png"/></background>
          <transparency type="Other" value="17"/>
        </skin>)")));
    ProbeSkin plain;
    ASSERT_TRUE(plain.Load(&f.loader, u"plain"));
    EXPECT_EQ(plain.GetClassName(), u"ZBFrame");
    EXPECT_EQ(plain.GetImage(), nullptr);
    EXPECT_EQ(plain.GetMenu(), nullptr);
    EXPECT_EQ(plain.GetPosition(), gfx::Rect{});
    EXPECT_EQ(plain.GetBackgroundKind(), kZBBackgroundNone);
    EXPECT_EQ(plain.GetBackgroundColor(), gfx::kNoColor);
    EXPECT_EQ(plain.GetTransparencyKind(), kZBTransparencyNone);
    EXPECT_EQ(plain.GetAlpha(), 255);

    ProbeSkin full;
    ASSERT_TRUE(full.Load(&f.loader, u"full"));
    _ZB_IMAGEEX* skinImage = nullptr;
    ZBMenu* menu = nullptr;
    f.loader.GetImage(u"skin", skinImage);
    f.loader.GetMenu(u"m", menu);
    EXPECT_EQ(full.GetImage(), skinImage); // borrowed, the very object
    EXPECT_EQ(full.GetMenu(), menu);
    EXPECT_EQ(full.GetPosition(), (gfx::Rect{5, 6, 75, 86}));
    EXPECT_EQ(full.GetBackgroundKind(), kZBBackgroundColor);
    EXPECT_EQ(full.GetBackgroundColor(), gfx::Rgb(246, 249, 250));
    EXPECT_EQ(full.GetBackgroundBrush().color, gfx::Rgb(246, 249, 250));
    EXPECT_EQ(full.GetTransparencyKind(), kZBTransparencyIntegrated);
    EXPECT_EQ(full.GetAlpha(), 255); // clamped into 0..255

    ProbeSkin inl;
    ASSERT_TRUE(inl.Load(&f.loader, u"inline"));
    ASSERT_TRUE(inl.GetImage());
    EXPECT_FALSE(f.loader.OwnsImage(inl.GetImage()));   // its own
    EXPECT_EQ(inl.GetImage()->image, skinImage->image); // the picture is still the cached one
    EXPECT_EQ(inl.GetImage()->rect, (gfx::Rect{1, 1, 3, 3}));
    ASSERT_TRUE(inl.GetMenu());
    EXPECT_FALSE(f.loader.OwnsMenu(inl.GetMenu()));
    EXPECT_EQ(inl.GetMenu()->items[0].id, 7u);
    EXPECT_EQ(inl.GetBackgroundKind(), kZBBackgroundImage);
    ASSERT_TRUE(inl.GetBackgroundBrush().pattern);
    EXPECT_EQ(inl.GetBackgroundBrush().pattern->Pixel(0, 0), 0xFF000000u); // on opaque black
    EXPECT_EQ(inl.GetTransparencyKind(), kZBTransparencyNone);
    EXPECT_EQ(inl.GetAlpha(), 17);

    // Reset frees what the skin owns and leaves the loader's objects alone
    // (the sanitizer build catches a wrong free either way).
    full.Reset();
    inl.Reset();
    EXPECT_FALSE(inl.IsLoaded());
    EXPECT_EQ(inl.GetImage(), nullptr);
    EXPECT_EQ(inl.GetLoader(), nullptr);
    _ZB_IMAGEEX* again = nullptr;
    ASSERT_TRUE(f.loader.GetImage(u"skin", again));
    EXPECT_EQ(again, skinImage);
    EXPECT_EQ(again->rect, (gfx::Rect{0, 0, 8, 4}));
    // Loading a skin twice does not keep the first load's objects.
    ASSERT_TRUE(inl.Load(&f.loader, u"inline"));
    ASSERT_TRUE(inl.Load(&f.loader, u"inline"));
}

TEST(SkinBase, LoadRefusesAndFallsThroughSections)
{
    SkinFolder f;
    f.WritePicture("pic.png", Picture());
    ASSERT_TRUE(f.Load(R"(<zbskin><public/>
        <windowskin><skin name="dlg" class="ZBFrame"><transparency type="Partial"/></skin></windowskin>
        <windowskin><skin name="dlg" class="ZBFrame"><transparency type="Partial" value="90"/></skin></windowskin>
      </zbskin>)"));
    ProbeSkin skin;
    EXPECT_FALSE(skin.Load(nullptr, u"dlg"));
    EXPECT_FALSE(skin.Load(&f.loader, u""));
    // The first section fails the skin; the second one yields it.
    ASSERT_TRUE(skin.Load(&f.loader, u"dlg"));
    EXPECT_EQ(skin.GetAlpha(), 90);

    // Each Load reads the file again: a changed file is what the next Load sees.
    f.WriteSkin(
        R"(<zbskin><windowskin><skin name="dlg" class="ZBFrame"><transparency type="Partial" value="10"/></skin></windowskin></zbskin>)");
    ASSERT_TRUE(skin.Load(&f.loader, u"dlg"));
    EXPECT_EQ(skin.GetAlpha(), 10);
    f.WriteSkin("<notaskin/>");
    EXPECT_FALSE(skin.Load(&f.loader, u"dlg"));
    EXPECT_EQ(skin.GetAlpha(), 255);
}

TEST(SkinBase, RepaintMessageCarriesItsRectangle)
{
    ProbeSkin skin;
    auto pack = [](int lo, int hi) { return uintptr_t(uint16_t(lo)) | uintptr_t(uint16_t(hi)) << 16; };
    EXPECT_TRUE(skin.HandleMessage(0x8888, pack(10, 20), intptr_t(pack(110, 70))));
    ASSERT_TRUE(skin.lastRedraw);
    EXPECT_EQ(*skin.lastRedraw, (gfx::Rect{10, 20, 110, 70}));
    EXPECT_TRUE(skin.HandleMessage(0x8888, pack(-5, 0), intptr_t(pack(5, 9))));
    EXPECT_EQ(*skin.lastRedraw, (gfx::Rect{-5, 0, 5, 9}));
    EXPECT_TRUE(skin.HandleMessage(0x8888, 0, 0)); // empty: everything
    EXPECT_FALSE(skin.lastRedraw);
    EXPECT_EQ(skin.redraws, 3);
    EXPECT_FALSE(skin.HandleMessage(0x000F, pack(1, 1), intptr_t(pack(9, 9))));
    EXPECT_EQ(skin.redraws, 3);
}

TEST(SkinBase, BackgroundDrawing)
{
    SkinFolder f;
    gfx::Bitmap pic(2, 2, 0xFF00FF00);
    pic.SetPixel(1, 1, 0xFFFF0000);
    f.WritePicture("pic.png", pic);
    ASSERT_TRUE(f.Load(SkinXml(
        R"(<colors><color name="child_back" value="246,249,250"/></colors>)",
        R"(<skin name="c" class="ZBFrame"><background type="Color"><color value="[child_back]"/></background></skin>
                                  <skin name="i" class="ZBFrame"><background type="Image"><image file="pic.png"/></background></skin>
                                  <skin name="n" class="ZBFrame"/>)")));
    gfx::Bitmap b(10, 10, 0xFFFFFFFF);
    gfx::Canvas canvas(b);
    ProbeSkin c, i, n;
    ASSERT_TRUE(c.Load(&f.loader, u"c") && i.Load(&f.loader, u"i") && n.Load(&f.loader, u"n"));
    EXPECT_FALSE(n.DrawBackground(canvas, {0, 0, 10, 10}));
    EXPECT_EQ(b.Pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_TRUE(c.DrawBackground(canvas, {0, 0, 4, 10}));
    EXPECT_EQ(b.Pixel(3, 5), gfx::PixelOf(gfx::Rgb(246, 249, 250)));
    EXPECT_EQ(b.Pixel(4, 5), 0xFFFFFFFFu);
    EXPECT_TRUE(i.DrawBackground(canvas, {0, 0, 10, 10})); // the picture stretched over all of it
    EXPECT_EQ(b.Pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(b.Pixel(9, 9), 0xFFFF0000u);
}

TEST(SkinImage, RegionFromAlphaAndBitmapOnBlack)
{
    gfx::Bitmap pic(6, 4, 0xFF204080);
    pic.SetPixel(0, 0, 0);
    pic.SetPixel(5, 0, 0);
    pic.SetPixel(2, 2, 0x80102040); // half transparent: part of the shape
    ZBImage image;
    EXPECT_TRUE(image.IsEmpty());
    ASSERT_TRUE(image.LoadFromBitmap(pic));
    gfx::Region whole = image.CreateRegion();
    EXPECT_EQ(whole.Area(), 6 * 4 - 2);
    EXPECT_FALSE(whole.Contains(0, 0));
    EXPECT_TRUE(whole.Contains(2, 2));
    gfx::Rect corner{4, 0, 6, 2};
    EXPECT_EQ(image.CreateRegion(&corner).Area(), 3);
    auto onBlack = image.CreateBitmap();
    EXPECT_EQ(onBlack->Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(onBlack->Pixel(2, 2), 0xFF102040u);
    EXPECT_EQ(onBlack->Pixel(1, 1), 0xFF204080u);
    EXPECT_FALSE(image.LoadFromBitmap(gfx::Bitmap(0, 5)));
    EXPECT_TRUE(image.IsEmpty());
    EXPECT_FALSE(image.LoadFromFile(u"D:\\no\\such.png"));
    EXPECT_FALSE(image.LoadFromPngResource(nullptr, 424242));
}
