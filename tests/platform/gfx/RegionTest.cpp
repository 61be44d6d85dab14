// Regions: set operations, and shapes cut from a bitmap's transparent pixels.

#include "platform/gfx/Region.h"

#include <gtest/gtest.h>

using namespace vel::gfx;

TEST(Region, SetOperations)
{
    Region r({0, 0, 10, 10});
    r.Union(Rect{10, 0, 20, 10});
    EXPECT_EQ(r.Bounds(), (Rect{0, 0, 20, 10}));
    EXPECT_EQ(r.Area(), 200);
    r.Subtract(Rect{5, 5, 15, 10});
    EXPECT_EQ(r.Area(), 150);
    EXPECT_FALSE(r.Contains(7, 7));
    EXPECT_TRUE(r.Contains(7, 4));
    r.Offset(100, 50);
    EXPECT_TRUE(r.Contains(107, 54));
    r.Intersect(Rect{0, 0, 105, 1000});
    EXPECT_EQ(r.Area(), 50);
    EXPECT_TRUE(Region().IsEmpty());
    EXPECT_TRUE(Region(Rect{5, 5, 5, 9}).IsEmpty());
    Region copy = r;
    EXPECT_TRUE(copy == r);
    copy.Union(Rect{0, 0, 1, 1});
    EXPECT_FALSE(copy == r);
}

TEST(Region, FromAlphaRemovesExactlyTheTransparentPixels)
{
    // A 12 x 8 picture with rounded-off corners and a transparent hole.
    Bitmap b(12, 8, 0xFF336699);
    for (auto [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {11, 0}, {10, 0}, {11, 1}})
        b.SetPixel(x, y, 0);
    b.SetPixel(5, 4, 0);
    b.SetPixel(6, 4, 0x01000000); // nearly transparent still counts as shape
    Region r = Region::FromAlpha(b, {0, 0, 12, 8});
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(r.Contains(x, y), (b.Pixel(x, y) >> 24) != 0) << x << "," << y;
    EXPECT_EQ(r.Area(), 12 * 8 - 7);
    // Rows with the same runs merge into bands: few rectangles.
    EXPECT_LE(r.Rects().size(), 8u);

    // A sub-rectangle, and one reaching outside the bitmap (outside counts as
    // transparent); coordinates stay the bitmap's.
    Region part = Region::FromAlpha(b, {8, 0, 20, 3});
    EXPECT_EQ(part.Bounds(), (Rect{8, 0, 12, 3}));
    EXPECT_EQ(part.Area(), 4 * 3 - 3);
    EXPECT_TRUE(Region::FromAlpha(b, {50, 50, 60, 60}).IsEmpty());
    EXPECT_TRUE(Region::FromAlpha(Bitmap(4, 4, 0), {0, 0, 4, 4}).IsEmpty());
}
