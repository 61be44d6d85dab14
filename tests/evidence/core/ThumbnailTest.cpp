#include "evidence/core/EvdThumbnail.h"
#include "platform/fs/FileSystem.h"
#include "platform/gfx/ImageCodec.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

using namespace vel;
using namespace vel::evd;

TEST(Thumbnail, FitsTheBoxKeepingTheAspectRatio)
{
    struct Case
    {
        int w, h, box, outW, outH;
    } cases[] = {{400, 300, 100, 100, 75}, {300, 400, 100, 75, 100}, {50, 20, 100, 100, 40},
                 {640, 480, 0, 640, 480},  {640, 480, -1, 640, 480}, {1000, 1, 100, 100, 1},
                 {333, 333, 64, 64, 64}};
    for (auto& c : cases) {
        int w, h;
        FitInBox(c.w, c.h, c.box, w, h);
        EXPECT_EQ(w, c.outW) << c.w << "x" << c.h << " in " << c.box;
        EXPECT_EQ(h, c.outH) << c.w << "x" << c.h << " in " << c.box;
    }
}

TEST(Thumbnail, VideosShowTheirFirstFramePicturesThemselves)
{
    test::Sandbox box;
    gfx::Bitmap frame(320, 180, 0xFF204080);
    ASSERT_TRUE(gfx::SaveImageFile(frame, u"C:\\v.mp4_first.jpg", "jpeg"));
    ASSERT_TRUE(fs::WriteFile(u"C:\\v.mp4", "video"));
    ASSERT_TRUE(gfx::SaveImageFile(gfx::Bitmap(100, 200, 0xFF00FF00), u"C:\\p.TIF", "tiff"));
    ASSERT_TRUE(fs::WriteFile(u"C:\\d.doc", "doc"));
    ASSERT_TRUE(fs::WriteFile(u"C:\\broken.png", "not a png"));

    auto v = Thumbnail(u"C:\\v.mp4", 64);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->Width(), 64);
    EXPECT_EQ(v->Height(), 36);
    auto p = Thumbnail(u"C:\\p.TIF", 50);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->Width(), 25);
    EXPECT_EQ(p->Height(), 50);
    EXPECT_EQ(p->Pixel(10, 10), 0xFF00FF00u);
    EXPECT_EQ(Thumbnail(u"C:\\p.TIF", 0)->Width(), 100);
    EXPECT_FALSE(Thumbnail(u"C:\\d.doc", 64)) << "other files show their icon";
    EXPECT_FALSE(Thumbnail(u"C:\\broken.png", 64));
    EXPECT_FALSE(Thumbnail(u"C:\\nothing.mp4", 64)) << "no first-frame picture";
}
