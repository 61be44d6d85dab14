// Pixel checks of part-set drawing and colour keys on a small fixture atlas.

#include "SkinTestUtil.h"

#include <gtest/gtest.h>

using namespace vel;
using namespace vel::test;

namespace {

constexpr uint32_t kBg = 0xFF010101;
constexpr uint32_t kTL = 0xFFFF0000, kTR = 0xFF0000FF, kBL = 0xFFFFFF00, kBR = 0xFFF0F0F0;
constexpr uint32_t kT[3] = {0xFF00A000, 0xFF00B000, 0xFF00C000};
constexpr uint32_t kL[3] = {0xFFA00000, 0xFFB00000, 0xFFC00000};
constexpr uint32_t kMid = 0xFF808080, kKeyed = 0xFFFF00FF, kRight = 0xFF00FFFF, kBottom = 0xFF404040;
constexpr uint32_t kLT = 0xFF112233, kLB = 0xFF445566, kRT = 0xFF778899, kRB = 0xFFAABBCC;

// A 12 x 8 atlas: a 7 x 7 nine-grid (corners 2 x 2, edges and middle 3 wide)
// and four 2 x 1 edge caps at x = 8. Top's columns and Left's rows differ,
// so tiling shows; Middle has one magenta pixel for the colour key.
gfx::Bitmap Atlas(int dx = 0, int dy = 0, int w = 12, int h = 8)
{
    gfx::Bitmap b(w, h, 0);
    auto fill = [&](int x, int y, int ww, int hh, uint32_t c) { b.FillRect(x + dx, y + dy, ww, hh, c); };
    fill(0, 0, 2, 2, kTL);
    for (int i = 0; i < 3; ++i) {
        fill(2 + i, 0, 1, 2, kT[i]);
        fill(0, 2 + i, 2, 1, kL[i]);
    }
    fill(5, 0, 2, 2, kTR);
    fill(2, 2, 3, 3, kMid);
    fill(3, 3, 1, 1, kKeyed);
    fill(5, 2, 2, 3, kRight);
    fill(0, 5, 2, 2, kBL);
    fill(2, 5, 3, 2, kBottom);
    fill(5, 5, 2, 2, kBR);
    fill(8, 0, 2, 1, kLT);
    fill(8, 1, 2, 1, kLB);
    fill(8, 2, 2, 1, kRT);
    fill(8, 3, 2, 1, kRB);
    return b;
}

_ZB_PART P(int x, int y, int w, int h, int mode = kZBPartStretch)
{
    return {gfx::Rect::FromXYWH(x, y, w, h), mode};
}

ZBPartMap NineGrid(bool middle = false)
{
    ZBPartMap m{{u"TopLeft", P(0, 0, 2, 2)},  {u"Top", P(2, 0, 3, 2, kZBPartTile)},
                {u"TopRight", P(5, 0, 2, 2)}, {u"Left", P(0, 2, 2, 3, kZBPartTile)},
                {u"Right", P(5, 2, 2, 3)},    {u"BottomLeft", P(0, 5, 2, 2)},
                {u"Bottom", P(2, 5, 3, 2)},   {u"BottomRight", P(5, 5, 2, 2)}};
    if (middle)
        m[u"Middle"] = P(2, 2, 3, 3);
    return m;
}

struct Drawn
{
    gfx::Bitmap bitmap{30, 20, kBg};
    // A pixel relative to the target's origin (3, 2).
    uint32_t At(int x, int y) const { return bitmap.Pixel(3 + x, 2 + y); }
};

Drawn Draw(const ZBImage& image, const ZBPartMap& parts, int w, int h, gfx::Rect rect = {0, 0, 12, 8},
           gfx::Color low = gfx::kNoColor, gfx::Color high = gfx::kNoColor)
{
    Drawn d;
    gfx::Canvas canvas(d.bitmap);
    _ZB_IMAGEEX ex{const_cast<ZBImage*>(&image), rect, low, high};
    ZBDrawPartSet(canvas, ex, gfx::Rect::FromXYWH(3, 2, w, h), parts);
    return d;
}

} // namespace

TEST(PartSet, CornersOneToOneBandsTiledAndStretched)
{
    ZBImage image;
    image.LoadFromBitmap(Atlas());
    Drawn d = Draw(image, NineGrid(), 20, 12);
    // corners 1:1
    EXPECT_EQ(d.At(0, 0), kTL);
    EXPECT_EQ(d.At(1, 1), kTL);
    EXPECT_EQ(d.At(18, 0), kTR);
    EXPECT_EQ(d.At(0, 10), kBL);
    EXPECT_EQ(d.At(19, 11), kBR);
    // Top tiled from x = 2 to 18: six copies, the last cut to one column.
    for (int x = 2; x < 18; ++x) {
        EXPECT_EQ(d.At(x, 0), kT[(x - 2) % 3]) << "top x " << x;
        EXPECT_EQ(d.At(x, 1), kT[(x - 2) % 3]) << "top x " << x;
    }
    // Left tiled down from y = 2 to 10, the last copy cut.
    for (int y = 2; y < 10; ++y)
        EXPECT_EQ(d.At(0, y), kL[(y - 2) % 3]) << "left y " << y;
    // Right and Bottom stretched over their bands.
    for (int y = 2; y < 10; ++y)
        EXPECT_EQ(d.At(19, y), kRight) << "right y " << y;
    for (int x = 2; x < 18; ++x)
        EXPECT_EQ(d.At(x, 11), kBottom) << "bottom x " << x;
    // No Middle part: the inside and everything outside the target untouched.
    EXPECT_EQ(d.At(9, 6), kBg);
    EXPECT_EQ(d.bitmap.Pixel(2, 2), kBg);
    EXPECT_EQ(d.At(20, 0), kBg);
    EXPECT_EQ(d.At(0, 12), kBg);
}

TEST(PartSet, MiddleIsStretchedAndColourKeysSkipPixels)
{
    ZBImage image;
    image.LoadFromBitmap(Atlas());
    // Middle covers x 2..17, y 2..11: 3 x 3 source pixels scaled 5 x 3, so
    // the target pixel (9, 6) samples the magenta centre exactly.
    Drawn plain = Draw(image, NineGrid(true), 19, 13);
    EXPECT_EQ(plain.At(2, 2), kMid);
    EXPECT_EQ(plain.At(16, 10), kMid);
    EXPECT_EQ(plain.At(9, 6), kKeyed);
    // With a key range around magenta, those pixels are not drawn, and every
    // other part still is.
    Drawn keyed =
        Draw(image, NineGrid(true), 19, 13, {0, 0, 12, 8}, gfx::Rgb(250, 0, 250), gfx::Rgb(255, 5, 255));
    EXPECT_EQ(keyed.At(9, 6), kBg);
    EXPECT_EQ(keyed.At(2, 2), kMid);
    EXPECT_EQ(keyed.At(0, 0), kTL);
    // A range that holds the corner's red drops the corner too.
    Drawn red = Draw(image, NineGrid(true), 20, 12, {0, 0, 12, 8}, gfx::Rgb(255, 0, 0), gfx::Rgb(255, 0, 0));
    EXPECT_EQ(red.At(0, 0), kBg);
    EXPECT_EQ(red.At(18, 0), kTR);
}

TEST(PartSet, EmptyBandsAreSkipped)
{
    ZBImage image;
    image.LoadFromBitmap(Atlas());
    struct Case
    {
        int w, h;
    } cases[] = {{4, 4}, {4, 12}, {20, 4}, {3, 3}};
    for (const Case& c : cases) {
        Drawn d = Draw(image, NineGrid(true), c.w, c.h);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                uint32_t p = d.At(x, y);
                bool topBand = x >= 2 && x < c.w - 2 && y < 2;
                bool leftBand = y >= 2 && y < c.h - 2 && x < 2;
                if (!topBand) {
                    EXPECT_TRUE(p != kT[0] && p != kT[1] && p != kT[2])
                        << c.w << "x" << c.h << " at " << x << "," << y;
                }
                if (!leftBand) {
                    EXPECT_TRUE(p != kL[0] && p != kL[1] && p != kL[2])
                        << c.w << "x" << c.h << " at " << x << "," << y;
                }
                if (c.w <= 4 || c.h <= 4) {
                    EXPECT_NE(p, kMid) << c.w << "x" << c.h << " at " << x << "," << y;
                }
            }
    }
}

TEST(PartSet, SideBandsStartBelowTheTopWithoutCorners)
{
    ZBImage image;
    image.LoadFromBitmap(Atlas());
    ZBPartMap parts{{u"Top", P(2, 0, 3, 2, kZBPartTile)},
                    {u"Left", P(0, 2, 2, 3, kZBPartTile)},
                    {u"Right", P(5, 2, 2, 3)}};
    Drawn d = Draw(image, parts, 12, 9);
    // The top band runs the whole width; the side bands begin below it.
    EXPECT_EQ(d.At(0, 0), kT[0]);
    EXPECT_EQ(d.At(0, 1), kT[0]);
    EXPECT_EQ(d.At(11, 1), kT[11 % 3]);
    EXPECT_EQ(d.At(0, 2), kL[0]);
    EXPECT_EQ(d.At(0, 8), kL[0]);
    EXPECT_EQ(d.At(11, 2), kRight);
}

TEST(PartSet, EdgeCapsShortenTheSideBands)
{
    ZBImage image;
    image.LoadFromBitmap(Atlas());
    ZBPartMap parts = NineGrid();
    parts[u"LeftTop"] = P(8, 0, 2, 1);
    parts[u"LeftBottom"] = P(8, 1, 2, 1);
    parts[u"RightTop"] = P(8, 2, 2, 1);
    parts[u"RightBottom"] = P(8, 3, 2, 1);
    Drawn d = Draw(image, parts, 20, 12);
    EXPECT_EQ(d.At(0, 2), kLT); // directly below the top-left corner
    EXPECT_EQ(d.At(0, 9), kLB); // directly above the bottom-left corner
    EXPECT_EQ(d.At(18, 2), kRT);
    EXPECT_EQ(d.At(19, 9), kRB);
    for (int y = 3; y < 9; ++y)
        EXPECT_EQ(d.At(0, y), kL[(y - 3) % 3]) << "left band from below the cap, y " << y;
    for (int y = 3; y < 9; ++y)
        EXPECT_EQ(d.At(19, y), kRight);
}

TEST(PartSet, PartsCountFromTheImageRectangle)
{
    // The same atlas at (4, 3) inside a larger picture, named by its
    // rectangle: the drawing is the same.
    ZBImage moved;
    moved.LoadFromBitmap(Atlas(4, 3, 20, 14));
    ZBImage plain;
    plain.LoadFromBitmap(Atlas());
    Drawn a = Draw(moved, NineGrid(true), 20, 12, {4, 3, 16, 11});
    Drawn b = Draw(plain, NineGrid(true), 20, 12);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(a.bitmap.Pixel(x, y), b.bitmap.Pixel(x, y)) << x << "," << y;
}

TEST(PartSet, StateVariantsFallBackToThePlainPart)
{
    ZBPartMap parts{{u"TopLeft", P(0, 0, 2, 2)},
                    {u"TopLeftDisable", P(8, 0, 2, 1)},
                    {u"TopLeftHot", P(8, 1, 2, 1)},
                    {u"Top", P(2, 0, 3, 2)}};
    EXPECT_EQ(ZBFindPart(parts, u"TopLeft", {u"Disable"}), &parts[u"TopLeftDisable"]);
    EXPECT_EQ(ZBFindPart(parts, u"TopLeft", {u"Down", u"Hot"}), &parts[u"TopLeftHot"]);
    EXPECT_EQ(ZBFindPart(parts, u"Top", {u"Disable"}), &parts[u"Top"]);
    EXPECT_EQ(ZBFindPart(parts, u"Middle", {u"Disable"}), nullptr);
    // A disabled look drawn through a picker.
    ZBImage image;
    image.LoadFromBitmap(Atlas());
    Drawn d;
    gfx::Canvas canvas(d.bitmap);
    _ZB_IMAGEEX ex{&image, {0, 0, 12, 8}};
    ZBDrawPartSet(canvas, ex, gfx::Rect::FromXYWH(3, 2, 10, 6),
                  [&](std::u16string_view n) { return ZBFindPart(parts, n, {u"Disable"}); });
    EXPECT_EQ(d.At(0, 0), kLT);
    EXPECT_EQ(d.At(0, 1), kBg);   // the disabled corner is one row high
    EXPECT_EQ(d.At(2, 0), kT[0]); // Top has no disabled variant: the plain one
}

TEST(PartSet, ThroughTheLoaderWithKeysAndOutsideRectangles)
{
    SkinFolder f;
    f.WritePicture("parts.png", Atlas());
    ASSERT_TRUE(f.Load(SkinXml(R"(
        <images><image name="grid" file="parts.png" minmask="250,0,250" maxmask="255,5,255"/>
                <image name="outside" file="parts.png" rect="400,300,10,10"/></images>
        <rects><rect name="mid" value="2,2,3,3"/></rects>)",
                               R"(<skin name="box" class="ZBButton"><image name="[grid]"/><parts>
          <part name="TopLeft" rect="0,0,2,2"/><part name="Top" rect="2,0,3,2" mode="Tile"/><part name="TopRight" rect="5,0,2,2"/>
          <part name="Left" rect="0,2,2,3" mode="TILE"/><part name="Middle" rect="[mid]" mode="Tile"/><part name="Right" rect="5,2,2,3"/>
          <part name="BottomLeft" rect="0,5,2,2"/><part name="Bottom" rect="2,5,3,2"/><part name="BottomRight" rect="5,5,2,2"/>
        </parts></skin>)")));
    ProbeSkin skin(u"ZBButton");
    ASSERT_TRUE(skin.Load(&f.loader, u"box"));
    ASSERT_EQ(skin.parts.size(), 9u);
    EXPECT_EQ(skin.parts[u"Top"].mode, kZBPartTile);
    EXPECT_EQ(skin.parts[u"Left"].mode, kZBPartTile);
    EXPECT_EQ(skin.parts[u"Middle"].rect, (gfx::Rect{2, 2, 5, 5}));
    Drawn d;
    {
        gfx::Canvas canvas(d.bitmap);
        ZBDrawPartSet(canvas, *skin.GetImage(), gfx::Rect::FromXYWH(3, 2, 19, 13), skin.parts);
    }
    EXPECT_EQ(d.At(0, 0), kTL);
    EXPECT_EQ(d.At(5, 1), kT[0]);
    EXPECT_EQ(d.At(2, 2), kMid); // Middle is always stretched, whatever its mode says
    EXPECT_EQ(d.At(9, 6), kBg);  // the keyed centre
    // An image rectangle outside its picture loads, and draws nothing.
    _ZB_IMAGEEX* outside = nullptr;
    ASSERT_TRUE(f.loader.GetImage(u"outside", outside));
    gfx::Bitmap b(20, 20, kBg);
    {
        gfx::Canvas canvas(b);
        outside->image->DrawPart(canvas, 0, 0, outside->rect.Width(), outside->rect.Height(),
                                 outside->rect.left, outside->rect.top);
        outside->image->DrawStretched(canvas, {0, 0, 20, 20}, outside->rect);
    }
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(b.Pixel(x, y), kBg);
}
