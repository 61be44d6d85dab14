// Fonts through the face aliases, and text placement with the flags the
// windows use.

#include "GfxTestUtil.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Drawing.h"

#include <gtest/gtest.h>
#include <set>

using namespace vel::gfx;
using namespace vel::gfx::test;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;

const std::set<std::string>& CjkFamilies()
{
    static const std::set<std::string> families = {
        "WenQuanYi Micro Hei",   "WenQuanYi Micro Hei Mono", "Noto Sans CJK SC",   "Noto Serif CJK SC",
        "Noto Sans Mono CJK SC", "AR PL UMing CN",           "Source Han Sans SC", "Droid Sans Fallback"};
    return families;
}

uint32_t Flags(uint32_t f)
{
    return f | kTextSingleLine;
}

} // namespace

TEST(Fonts, ChineseFaceNamesReachAnInstalledCjkFont)
{
    EXPECT_GE(StartDrawing(), 1);
    EXPECT_TRUE(FontAliasesLoaded());
    for (const char16_t* face : {u"宋体", u"SimSun", u"微软雅黑", u"Microsoft YaHei", u"新宋体"}) {
        Font f({face, 12});
        std::string family = f.ResolvedFamily();
        EXPECT_TRUE(CjkFamilies().count(family)) << "face resolved to '" << family << "'";
    }
}

TEST(Fonts, HeightIsTheCharacterHeightInPixels)
{
    Font small({u"宋体", 12}), large({u"微软雅黑", 30, kWeightBold});
    Size a = Canvas::MeasureText(u"档案", small), b = Canvas::MeasureText(u"档案", large);
    // Two CJK characters are two em squares wide.
    EXPECT_NEAR(a.cx, 24, 2);
    EXPECT_NEAR(b.cx, 60, 4);
    EXPECT_GE(a.cy, 12);
    EXPECT_LE(a.cy, 20);
    // Bold and italic are real variants, not the same glyphs.
    Font bold({u"宋体", 12, kWeightBold});
    EXPECT_GE(Canvas::MeasureText(u"Settings", bold).cx, Canvas::MeasureText(u"Settings", small).cx);
    // Absurd heights are clamped, never refused.
    Font huge({u"宋体", 1 << 30});
    EXPECT_EQ(huge.Spec().height, kMaxFontHeight);
    Font zero({u"", 0});
    EXPECT_EQ(zero.Spec().height, 12);
}

TEST(Text, AlignmentPlacesTheInkInTheRectangle)
{
    Font f({u"宋体", 12});
    const Rect box{10, 10, 190, 40};
    struct Case
    {
        uint32_t flags;
        const char* what;
    } cases[] = {{Flags(kTextLeft | kTextVCenter), "left"},
                 {Flags(kTextCenter | kTextVCenter), "centre"},
                 {Flags(kTextRight | kTextVCenter), "right"}};
    for (const Case& t : cases) {
        Bitmap b(200, 50, kWhite);
        Canvas c(b);
        Rect drawn = c.DrawText(u"确定", box, f, Rgb(0, 0, 0), t.flags);
        Rect ink = InkBox(b, kWhite);
        ASSERT_FALSE(ink.IsEmpty()) << t.what;
        EXPECT_GE(ink.left, box.left) << t.what;
        EXPECT_LE(ink.right, box.right) << t.what;
        // vertically centred within a pixel or two of the box's middle
        EXPECT_NEAR((ink.top + ink.bottom) / 2.0, (box.top + box.bottom) / 2.0, 2.5) << t.what;
        std::string what = t.what;
        if (what == "left") {
            EXPECT_LE(ink.left - box.left, 2);
        } else if (what == "right") {
            EXPECT_LE(box.right - ink.right, 2);
        } else {
            EXPECT_NEAR((ink.left + ink.right) / 2.0, (box.left + box.right) / 2.0, 2);
        }
        // The returned rectangle is where the text went.
        EXPECT_LE(std::abs(drawn.left - ink.left), 2) << what;
    }
}

TEST(Text, LongTextIsCutToTheRectangle)
{
    Font f({u"宋体", 12});
    const std::u16string text = u"这是一段很长的标题文字，放不下的部分要被省略号代替";
    const Rect box{5, 0, 105, 20};
    for (uint32_t ellipsis : {0u, uint32_t(kTextEndEllipsis), uint32_t(kTextWordEllipsis)}) {
        Bitmap b(200, 20, kWhite);
        Canvas c(b);
        c.DrawText(text, box, f, Rgb(0, 0, 0), Flags(kTextVCenter | ellipsis));
        Rect ink = InkBox(b, kWhite);
        EXPECT_GE(ink.left, box.left);
        EXPECT_LE(ink.right, box.right) << "flags " << ellipsis;
    }
    // With an ellipsis the measured width fits; the full text does not.
    EXPECT_GT(Canvas::MeasureText(text, f).cx, 100);
    EXPECT_LE(Canvas::MeasureText(text, f, Flags(kTextEndEllipsis), 100).cx, 100);
}

TEST(Text, PrefixAmpersandsAndLineBreaks)
{
    Font f({u"宋体", 12});
    // "&A" shows "A" underlined, "&&" one "&"; with no-prefix both stay.
    int plain = Canvas::MeasureText(u"中止(A)", f).cx;
    EXPECT_EQ(Canvas::MeasureText(u"中止(&A)", f).cx, plain);
    EXPECT_EQ(Canvas::MeasureText(u"a&&b", f).cx, Canvas::MeasureText(u"a&b", f, Flags(kTextNoPrefix)).cx);
    EXPECT_GT(Canvas::MeasureText(u"中止(&A)", f, Flags(kTextNoPrefix)).cx, plain);
    // The underline adds ink below the glyphs of the plain text.
    Bitmap u(100, 24, kWhite), p(100, 24, kWhite);
    {
        Canvas cu(u), cp(p);
        cu.DrawText(u"中止(&A)", {0, 0, 100, 24}, f, Rgb(0, 0, 0), Flags(kTextVCenter));
        cp.DrawText(u"中止(A)", {0, 0, 100, 24}, f, Rgb(0, 0, 0), Flags(kTextVCenter));
    }
    EXPECT_GE(InkBox(u, kWhite).bottom, InkBox(p, kWhite).bottom);
    EXPECT_NE(InkBox(u, kWhite), InkBox(p, kWhite));
    // A single line keeps one line whatever breaks the text holds.
    Size one = Canvas::MeasureText(u"第一行\r\n第二行", f, Flags(0));
    Size line = Canvas::MeasureText(u"第一行", f, Flags(0));
    EXPECT_EQ(one.cy, line.cy);
    Size two = Canvas::MeasureText(u"第一行\r\n第二行", f, kTextWordBreak, 300);
    EXPECT_GT(two.cy, line.cy);
}

TEST(Text, AlphaBelowOpaqueStaysBelowOpaque)
{
    // Text at alpha 254 on a transparent bitmap never writes a fully opaque
    // pixel (the layered windows rely on it to tell text from background).
    Font f({u"宋体", 12, kWeightBold});
    Bitmap b(80, 20, 0);
    Canvas c(b);
    c.DrawText(u"关闭 Close", {0, 0, 80, 20}, f, Rgb(255, 255, 255), Flags(kTextVCenter), 254);
    uint32_t maxAlpha = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
            maxAlpha = std::max(maxAlpha, b.Pixel(x, y) >> 24);
    EXPECT_GT(maxAlpha, 200u);
    EXPECT_LE(maxAlpha, 254u);
}
