// The value syntaxes of the skin file.

#include "evidence/skin/ZBSkinValues.h"
#include "platform/base/Strings.h"

#include <gtest/gtest.h>

using namespace vel;
using namespace vel::zbskin;

TEST(SkinValues, Integers)
{
    struct Case
    {
        const char16_t* text;
        bool ok;
        int value;
    } cases[] = {
        {u"12", true, 12},
        {u"  -7 ", true, -7},
        {u"+3", true, 3},
        {u"0x1F", true, 31},
        {u"0X1f", true, 31},
        {u"017", true, 15}, // octal, as %i reads it
        {u"08", true, 0},
        {u"0", true, 0},
        {u"12px", true, 12},
        {u"", false, 0},
        {u"px", false, 0},
        {u"-", false, 0},
        {u"99999999999", true, 2147483647},
        {u"-99999999999", true, -2147483647 - 1},
    };
    for (const Case& c : cases) {
        int v = -1;
        EXPECT_EQ(ParseInteger(c.text, v), c.ok) << Utf16ToUtf8(c.text);
        if (c.ok) {
            EXPECT_EQ(v, c.value);
        }
    }
}

TEST(SkinValues, SizesRectanglesColours)
{
    gfx::Size s;
    EXPECT_TRUE(ParseSize(u"400,320", s));
    EXPECT_EQ(s, (gfx::Size{400, 320}));
    EXPECT_TRUE(ParseSize(u" 4, 5", s)); // white space before a number is skipped
    EXPECT_FALSE(ParseSize(u"4 ,5", s)); // but the comma must follow the number
    EXPECT_FALSE(ParseSize(u"4", s));

    struct RectCase
    {
        const char16_t* text;
        bool ok;
        gfx::Rect rect;
    } rects[] = {
        {u"600,0,3,32", true, {600, 0, 603, 32}},
        {u"-87,4,22,22", true, {-87, 4, -65, 26}},
        {u"1,2,3", false, {}},
        {u"a,b,c,d", false, {}},
        {u"2147483647,0,10,10", true, {2147483647, 0, 2147483647, 10}}, // no overflow
    };
    for (const RectCase& c : rects) {
        gfx::Rect r;
        EXPECT_EQ(ParseRect(c.text, r), c.ok);
        if (c.ok) {
            EXPECT_EQ(r, c.rect);
        }
    }

    struct ColourCase
    {
        const char16_t* text;
        bool ok;
        gfx::Color colour;
    } colours[] = {
        {u"29,117,222", true, gfx::Rgb(29, 117, 222)},
        {u"256,257,-1", true, gfx::Rgb(0, 1, 255)}, // low 8 bits of each
        {u"#1D75DE", true, gfx::Rgb(29, 117, 222)},
        {u"#1d75de", true, gfx::Rgb(29, 117, 222)},
        {u"#1D75D", false, 0},
        {u"#GG0000", false, 0},
        {u"1,2", false, 0},
    };
    for (const ColourCase& c : colours) {
        gfx::Color v = 0;
        EXPECT_EQ(ParseColor(c.text, v), c.ok);
        if (c.ok) {
            EXPECT_EQ(v, c.colour);
        }
    }
    // Windows colour value: red in the low byte.
    EXPECT_EQ(gfx::Rgb(1, 2, 3), 0x030201u);
}

TEST(SkinValues, ReferencesBooleansKeywords)
{
    std::u16string name;
    EXPECT_TRUE(IsReference(u"[child_back]", &name));
    EXPECT_EQ(name, u"child_back");
    EXPECT_TRUE(IsReference(u"  [x]  ", &name)); // trimmed before the test
    EXPECT_EQ(name, u"x");
    EXPECT_TRUE(IsReference(u"[]", &name));
    EXPECT_EQ(name, u"");
    EXPECT_FALSE(IsReference(u"[x", &name));
    EXPECT_FALSE(IsReference(u"x]", &name));
    EXPECT_FALSE(IsReference(u"[", &name));

    EXPECT_TRUE(ParseBool(u"true"));
    EXPECT_TRUE(ParseBool(u" TRUE "));
    EXPECT_FALSE(ParseBool(u"1"));
    EXPECT_FALSE(ParseBool(u"yes"));

    EXPECT_TRUE(HasKeyword(u"Disable&Checked", u"checked"));
    EXPECT_TRUE(HasKeyword(u" Disable & Default ", u"Default"));
    EXPECT_FALSE(HasKeyword(u"Disabled", u"Disable"));
}
