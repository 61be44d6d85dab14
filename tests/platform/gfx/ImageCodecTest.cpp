#include "platform/gfx/ImageCodec.h"
#include "platform/shell/ShellIcons.h"

#include <gtest/gtest.h>

using namespace vel;
using namespace vel::gfx;

namespace {

// 40 x 20: red left half, blue right half.
Bitmap TwoColours()
{
    Bitmap b(40, 20, 0xFFFF0000);
    b.FillRect(20, 0, 20, 20, 0xFF0000FF);
    return b;
}

bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift = 0; shift < 32; shift += 8)
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

} // namespace

TEST(ImageCodec, EveryPictureKindDecodes)
{
    struct Case
    {
        const char* format;
        int tolerance;
    } cases[] = {{"png", 0}, {"bmp", 0}, {"tiff", 0}, {"jpeg", 40}};
    for (auto& c : cases) {
        std::string bytes = EncodeImage(TwoColours(), c.format);
        ASSERT_FALSE(bytes.empty()) << c.format;
        auto back = DecodeImage(bytes);
        ASSERT_TRUE(back) << c.format;
        EXPECT_EQ(back->Width(), 40) << c.format;
        EXPECT_EQ(back->Height(), 20) << c.format;
        EXPECT_TRUE(Near(back->Pixel(5, 10), 0xFFFF0000, c.tolerance))
            << c.format << std::hex << back->Pixel(5, 10);
        EXPECT_TRUE(Near(back->Pixel(35, 10), 0xFF0000FF, c.tolerance)) << c.format;
    }
}

TEST(ImageCodec, HostileInputIsRefused)
{
    std::string png = EncodeImage(TwoColours(), "png");
    EXPECT_FALSE(DecodeImage(""));
    EXPECT_FALSE(DecodeImage("definitely not a picture"));
    // A cut-off file either fails or shows what could be decoded, at its
    // announced size; it never crashes or reads past its bytes (ASan).
    for (const char* format : {"png", "bmp", "tiff", "jpeg"}) {
        std::string bytes = EncodeImage(TwoColours(), format);
        for (size_t n = 0; n < bytes.size(); ++n) {
            auto cut = DecodeImage(bytes.substr(0, n));
            if (cut) {
                EXPECT_EQ(cut->Width(), 40) << format << " cut at " << n;
                EXPECT_EQ(cut->Height(), 20) << format << " cut at " << n;
            }
        }
    }
    EXPECT_FALSE(DecodeImage(png, 100)) << "more pixels than allowed";
    // A PNG header announcing 100000 x 100000 pixels, and nothing else.
    std::string huge = png.substr(0, 33);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            huge[at + i] = char(v >> (24 - 8 * i));
    };
    put32(16, 100000);
    put32(20, 100000);
    EXPECT_FALSE(DecodeImage(huge));
}

TEST(Bitmap, ScalingAveragesAreas)
{
    Bitmap b = TwoColours().Scaled(4, 2);
    EXPECT_EQ(b.Width(), 4);
    EXPECT_EQ(b.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(b.Pixel(3, 1), 0xFF0000FFu);
    Bitmap mid = TwoColours().Scaled(1, 1);
    EXPECT_TRUE(Near(mid.Pixel(0, 0), 0xFF800080, 1)) << std::hex << mid.Pixel(0, 0);
    EXPECT_TRUE(TwoColours().Scaled(0, 5).Empty());
}

TEST(ShellIcons, OneIconPerKindCachedByExtension)
{
    EXPECT_EQ(shell::IconKindOf(u"a.MP4"), shell::IconKind::Video);
    EXPECT_EQ(shell::IconKindOf(u"a.jpeg"), shell::IconKind::Picture);
    EXPECT_EQ(shell::IconKindOf(u"a.doc"), shell::IconKind::Document);
    EXPECT_EQ(shell::IconKindOf(u"x", true), shell::IconKind::Folder);
    EXPECT_EQ(shell::IconKindOf(u"noext"), shell::IconKind::Other);
    const Bitmap& a = shell::FileIcon(u"C:\\a.mp4", false, 32);
    EXPECT_EQ(&a, &shell::FileIcon(u"D:\\other\\B.MP4", false, 32)) << "one icon per extension";
    EXPECT_NE(&shell::FileIcon(u"C:\\a.exe"), &shell::FileIcon(u"C:\\b.exe")) << "programs are per file";
    EXPECT_EQ(a.Width(), 32);
    EXPECT_NE(a.Pixel(16, 20), 0u) << "something is drawn";
    EXPECT_NE(shell::FileIcon(u"a.jpg").Pixel(16, 20), a.Pixel(16, 20)) << "kinds look different";
}
