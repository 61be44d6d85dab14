// The icon and cursor file format: round trips, size choice, the older
// bitmap entries, and damaged files.

#include "platform/gfx/Icon.h"
#include "GfxTestUtil.h"

#include <gtest/gtest.h>

using namespace vel::gfx;
using namespace vel::gfx::test;

namespace {

Bitmap Square(int n, uint32_t argb)
{
    Bitmap b(n, n, argb);
    b.SetPixel(0, 0, 0);
    return b;
}

void Put(std::string& s, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        s.push_back(char((v >> (8 * i)) & 0xFF));
}

// A one-entry icon file with a 24-bit bitmap entry: 2 x 2 pixels, the AND
// mask hiding the top-left one.
std::string Dib24Icon()
{
    std::string dib;
    Put(dib, 40, 4);
    Put(dib, 2, 4);
    Put(dib, 4, 4); // height of colour + mask
    Put(dib, 1, 2);
    Put(dib, 24, 2);
    Put(dib, 0, 4);
    Put(dib, 0, 4);
    Put(dib, 0, 4);
    Put(dib, 0, 4);
    Put(dib, 0, 4);
    Put(dib, 0, 4);
    // rows bottom-up, each padded to 4 bytes: bottom row blue, blue; top red, green
    dib += std::string("\xFF\x00\x00\xFF\x00\x00\x00\x00", 8);
    dib += std::string("\x00\x00\xFF\x00\xFF\x00\x00\x00", 8);
    // mask rows bottom-up, 4 bytes each: bottom none, top: the first pixel
    dib += std::string("\x00\x00\x00\x00", 4);
    dib += std::string("\x80\x00\x00\x00", 4);
    std::string file;
    Put(file, 0, 2);
    Put(file, 1, 2);
    Put(file, 1, 2);
    file.push_back(2);
    file.push_back(2);
    file.push_back(0);
    file.push_back(0);
    Put(file, 1, 2);
    Put(file, 24, 2);
    Put(file, uint32_t(dib.size()), 4);
    Put(file, 22, 4);
    return file + dib;
}

} // namespace

TEST(Icon, RoundTripPicksTheWantedSize)
{
    std::string bytes = EncodeIcon({Square(16, 0xFF112233), Square(32, 0xFF445566), Square(64, 0xFF778899)});
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(IconSizes(bytes), (std::vector<Size>{{16, 16}, {32, 32}, {64, 64}}));
    struct Case
    {
        Size want, got;
        uint32_t colour;
    } cases[] = {
        {{0, 0}, {64, 64}, 0xFF778899},   // own size: the largest
        {{32, 32}, {32, 32}, 0xFF445566}, // exact
        {{24, 24}, {24, 24}, 0xFF445566}, // from the next larger, scaled
        {{128, 128}, {128, 128}, 0xFF778899},
    };
    for (const Case& t : cases) {
        auto icon = DecodeIcon(bytes, t.want);
        ASSERT_TRUE(icon) << t.want.cx;
        EXPECT_EQ(icon->image.Width(), t.got.cx);
        EXPECT_EQ(icon->image.Height(), t.got.cy);
        EXPECT_TRUE(Near(icon->image.Pixel(t.got.cx / 2, t.got.cy / 2), t.colour, 2));
        EXPECT_FALSE(icon->cursor);
    }
    EXPECT_EQ(DecodeIcon(bytes, {32, 32})->image.Pixel(0, 0), 0u);
}

TEST(Icon, CursorKeepsItsHotSpot)
{
    std::string bytes = EncodeIcon({Square(32, 0xFF000000)}, true, {15, 3});
    auto cur = DecodeIcon(bytes);
    ASSERT_TRUE(cur);
    EXPECT_TRUE(cur->cursor);
    EXPECT_EQ(cur->hotspot, (Point{15, 3}));
    auto big = DecodeIcon(bytes, {64, 64});
    EXPECT_EQ(big->hotspot, (Point{30, 6}));
}

TEST(Icon, BitmapEntriesWithMask)
{
    auto icon = DecodeIcon(Dib24Icon());
    ASSERT_TRUE(icon);
    ASSERT_EQ(icon->image.Width(), 2);
    EXPECT_EQ(icon->image.Pixel(0, 0), 0u);          // masked
    EXPECT_EQ(icon->image.Pixel(1, 0), 0xFF00FF00u); // green
    EXPECT_EQ(icon->image.Pixel(0, 1), 0xFF0000FFu); // blue
}

TEST(Icon, DamagedFilesAreRefusedAtEveryLength)
{
    for (const std::string& good : {Dib24Icon(), EncodeIcon({Square(16, 0xFF123456)})}) {
        for (size_t n = 0; n < good.size(); ++n)
            EXPECT_FALSE(DecodeIcon(good.substr(0, n))) << "cut at " << n;
        // A directory entry pointing past the end, and a wrong type.
        std::string bad = good;
        bad[18] = char(0x7F);
        EXPECT_FALSE(DecodeIcon(bad));
        bad = good;
        bad[2] = 3;
        EXPECT_FALSE(DecodeIcon(bad));
    }
    EXPECT_FALSE(DecodeIcon("not an icon at all"));
    EXPECT_TRUE(EncodeIcon({}).empty());
    EXPECT_TRUE(EncodeIcon({Bitmap()}).empty());
}
