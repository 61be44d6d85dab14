// Pixel checks of the canvas: fills, frames, lines, clipping, origin, and
// copies of bitmap blocks 1:1, stretched, keyed and blended.

#include "platform/gfx/Canvas.h"
#include "GfxTestUtil.h"

#include <gtest/gtest.h>

using namespace vel::gfx;
using namespace vel::gfx::test;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;

// A 3-pixel-wide strip: green | red | green, 4 rows high, like a part in an
// atlas with different neighbours.
Bitmap Strip()
{
    Bitmap b(3, 4, kGreen);
    b.FillRect(1, 0, 1, 4, kRed);
    return b;
}

} // namespace

TEST(Canvas, FillsAndFramesCoverExactlyTheirPixels)
{
    Bitmap b(20, 20, kWhite);
    Canvas c(b);
    c.FillRect({2, 3, 7, 9}, Rgb(255, 0, 0));
    c.FrameRect({10, 10, 18, 16}, Rgb(0, 0, 255), 2);
    EXPECT_EQ(InkBox(b, kWhite), (Rect{2, 3, 18, 16}));
    EXPECT_TRUE(AllPixels(b, {2, 3, 7, 9}, kRed));
    EXPECT_TRUE(AllPixels(b, {10, 10, 18, 12}, kBlue));  // top band, 2 thick
    EXPECT_TRUE(AllPixels(b, {12, 12, 16, 14}, kWhite)); // inside stays
    EXPECT_TRUE(AllPixels(b, {16, 12, 18, 14}, kBlue));  // right band
    // A colour value of "none" and an empty rectangle draw nothing.
    c.FillRect({0, 0, 20, 20}, kNoColor);
    c.FillRect({5, 5, 5, 9}, Rgb(0, 0, 0));
    EXPECT_EQ(b.Pixel(0, 0), kWhite);
    EXPECT_EQ(b.Pixel(5, 6), kRed);
}

TEST(Canvas, AxisLinesLeaveOutTheirEndPoint)
{
    struct Case
    {
        Point a, b;
        Rect expect;
    } cases[] = {
        {{2, 5}, {8, 5}, {2, 5, 8, 6}},
        {{8, 5}, {2, 5}, {3, 5, 9, 6}},
        {{4, 1}, {4, 7}, {4, 1, 5, 7}},
        {{4, 7}, {4, 1}, {4, 2, 5, 8}},
    };
    for (const Case& t : cases) {
        Bitmap b(12, 12, kWhite);
        Canvas c(b);
        c.Line(t.a, t.b, Rgb(0, 0, 0));
        EXPECT_EQ(InkBox(b, kWhite), t.expect) << t.a.x << "," << t.a.y << " -> " << t.b.x << "," << t.b.y;
        EXPECT_TRUE(AllPixels(b, t.expect, 0xFF000000));
    }
}

TEST(Canvas, ClippingOriginAndExclusion)
{
    Bitmap b(20, 20, kWhite);
    Canvas c(b);
    c.Save();
    c.SetOrigin(5, 5);
    c.ClipRect({0, 0, 4, 4});
    c.FillRect({-5, -5, 20, 20}, Rgb(255, 0, 0));
    c.Restore();
    EXPECT_EQ(InkBox(b, kWhite), (Rect{5, 5, 9, 9}));

    c.Save();
    c.ExcludeRect({0, 0, 10, 20});
    c.FillRect({0, 0, 20, 20}, Rgb(0, 0, 255));
    c.Restore();
    EXPECT_EQ(b.Pixel(9, 0), kWhite);
    EXPECT_EQ(b.Pixel(10, 0), kBlue);
    EXPECT_EQ(b.Pixel(5, 5), kRed);

    Region shape({0, 0, 2, 2});
    shape.Union(Rect{18, 18, 20, 20});
    c.Save();
    c.ClipRegion(shape);
    c.FillRect({0, 0, 20, 20}, Rgb(0, 255, 0));
    c.Restore();
    EXPECT_EQ(b.Pixel(1, 1), kGreen);
    EXPECT_EQ(b.Pixel(19, 19), kGreen);
    EXPECT_EQ(b.Pixel(5, 5), kRed);
}

TEST(Canvas, BitmapBlocksCopyOneToOne)
{
    Bitmap src(4, 4, kRed);
    src.SetPixel(1, 1, kBlue);
    src.SetPixel(2, 2, 0); // transparent: the target shows through
    Bitmap b(10, 10, kWhite);
    Canvas c(b);
    c.DrawBitmap(src, {1, 1, 3, 3}, 5, 6);
    EXPECT_EQ(InkBox(b, kWhite), (Rect{5, 6, 7, 8}));
    EXPECT_EQ(b.Pixel(5, 6), kBlue);
    EXPECT_EQ(b.Pixel(6, 6), kRed);
    EXPECT_EQ(b.Pixel(6, 7), kWhite);
}

TEST(Canvas, SourceOutsideTheBitmapDrawsOnlyItsInside)
{
    Bitmap src(4, 4, kRed);
    Bitmap b(20, 20, kWhite);
    Canvas c(b);
    c.DrawBitmap(src, {2, 2, 10, 10}, 0, 0);   // reaches past the right and bottom
    c.DrawBitmap(src, {-2, 0, 2, 4}, 10, 10);  // starts left of it
    c.DrawBitmap(src, {50, 50, 60, 60}, 0, 0); // wholly outside: nothing
    c.StretchBitmap(src, {100, 100, 110, 110}, {0, 0, 20, 20});
    EXPECT_TRUE(AllPixels(b, {0, 0, 2, 2}, kRed));
    EXPECT_EQ(b.Pixel(2, 2), kWhite);
    EXPECT_EQ(b.Pixel(11, 10), kWhite);
    EXPECT_TRUE(AllPixels(b, {12, 10, 14, 14}, kRed));
}

TEST(Canvas, ColourKeySkipsPixelsInsideTheRange)
{
    struct Case
    {
        Color low, high;
        bool redDrawn, blueDrawn, greyDrawn;
    } cases[] = {
        {kNoColor, kNoColor, true, true, true},       // no key
        {Rgb(250, 0, 0), kNoColor, true, true, true}, // one key missing: no key
        {Rgb(250, 0, 0), Rgb(255, 5, 5), false, true, true},
        {Rgb(0, 0, 0), Rgb(130, 130, 130), true, true, false},
        {Rgb(0, 0, 0), Rgb(255, 255, 255), false, false, false},
        {Rgb(255, 255, 255), Rgb(0, 0, 0), true, true, true}, // inverted range matches nothing
    };
    for (const Case& t : cases) {
        Bitmap src(3, 1);
        src.SetPixel(0, 0, kRed);
        src.SetPixel(1, 0, kBlue);
        src.SetPixel(2, 0, 0xFF808080);
        Bitmap b(6, 2, kWhite);
        Canvas c(b);
        ColorKey key{t.low, t.high};
        c.DrawBitmap(src, {0, 0, 3, 1}, 0, 0, key);
        c.StretchBitmap(src, {0, 0, 3, 1}, {0, 1, 6, 2}, key, 255, Filter::kNearest);
        for (int row = 0; row < 2; ++row) {
            int step = row == 0 ? 1 : 2;
            EXPECT_EQ(b.Pixel(0 * step, row) == kRed, t.redDrawn) << "row " << row;
            EXPECT_EQ(b.Pixel(1 * step, row) == kBlue, t.blueDrawn) << "row " << row;
            EXPECT_EQ(b.Pixel(2 * step, row) == 0xFF808080, t.greyDrawn) << "row " << row;
        }
    }
}

TEST(Canvas, StretchedBlockNeverBleedsItsNeighbours)
{
    Bitmap src = Strip();
    for (Filter f : {Filter::kSmooth, Filter::kNearest}) {
        Bitmap b(40, 30, kWhite);
        Canvas c(b);
        c.StretchBitmap(src, {1, 0, 2, 4}, {3, 2, 37, 28}, {}, 255, f);
        EXPECT_EQ(InkBox(b, kWhite), (Rect{3, 2, 37, 28}));
        EXPECT_TRUE(AllPixels(b, {3, 2, 37, 28}, kRed));
    }
}

TEST(Canvas, ConstantAlphaBlends)
{
    Bitmap src(2, 2, 0xFF000000);
    Bitmap b(2, 2, kWhite);
    Canvas c(b);
    c.DrawBitmap(src, {0, 0, 2, 2}, 0, 0, {}, 128);
    EXPECT_TRUE(Near(b.Pixel(0, 0), 0xFF7F7F7F, 1)) << Hex(b.Pixel(0, 0));
    // A translucent target keeps premultiplied pixels.
    Bitmap t(1, 1, 0);
    Canvas ct(t);
    ct.FillRect({0, 0, 1, 1}, Rgb(255, 0, 0), 128);
    EXPECT_TRUE(Near(t.Pixel(0, 0), 0x80800000, 1)) << Hex(t.Pixel(0, 0));
}

TEST(Canvas, PatternBrushRepeatsFromItsOrigin)
{
    auto pattern = std::make_shared<Bitmap>(2, 1, kRed);
    pattern->SetPixel(1, 0, kBlue);
    Bitmap b(6, 1, kWhite);
    Canvas c(b);
    c.FillRect({0, 0, 6, 1}, Brush::Pattern(pattern), {1, 0});
    EXPECT_EQ(b.Pixel(0, 0), kBlue);
    EXPECT_EQ(b.Pixel(1, 0), kRed);
    EXPECT_EQ(b.Pixel(2, 0), kBlue);
    c.FillRect({0, 0, 6, 1}, Brush::Solid(Rgb(0, 255, 0)));
    EXPECT_TRUE(AllPixels(b, {0, 0, 6, 1}, kGreen));
}
