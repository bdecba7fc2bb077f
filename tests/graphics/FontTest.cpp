// Text: the font cache's key, measuring with each alignment, and drawing.
#include "graphics/Font.h"

#include <gtest/gtest.h>

namespace torvik::testing {
namespace {

class FontTest : public ::testing::Test {
protected:
    void SetUp() override { ClearFontCache(); }
    void TearDown() override { ClearFontCache(); }
};

TEST_F(FontTest, CacheKeyIsSizeOrientationStyleAndName) {
    TextStyle a;
    PIX_CachedFont* font = CacheFont(a);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(a.cachedFont, font);

    TextStyle recoloured; // colour, alignment and quality are not part of the key
    recoloured.colour = Colour{255, 200, 10, 10};
    recoloured.alignment = kAlignFar;
    recoloured.quality = kQualityAntialiased;
    EXPECT_EQ(CacheFont(recoloured), font);

    TextStyle bigger;
    bigger.size = 20;
    TextStyle bold;
    bold.style = kTextBold;
    TextStyle renamed;
    std::snprintf(renamed.font, sizeof renamed.font, "verdana"); // names compare exactly
    TextStyle turned;
    turned.orientation = 90;
    for (TextStyle* s : {&bigger, &bold, &renamed, &turned}) {
        PIX_CachedFont* other = CacheFont(*s);
        ASSERT_NE(other, nullptr);
        EXPECT_NE(other, font);
    }
    EXPECT_EQ(CachedFontCount(), 5);
    EXPECT_GT(bigger.cachedFont->LineHeight(), font->LineHeight());
}

TEST_F(FontTest, UnusableSizeGivesNoFont) {
    TextStyle style;
    style.size = 0;
    EXPECT_EQ(CacheFont(style), nullptr);
    Rect r{0, 0, 10, 10};
    EXPECT_FALSE(MeasureTextRect(style, "x", r));
    EXPECT_EQ(CachedFontCount(), 0);
}

TEST_F(FontTest, MeasuringPlacesTheTextByAlignment) {
    TextStyle style;
    Rect probe{0, 0, 0, 0};
    style.alignment = kAlignNear;
    ASSERT_TRUE(MeasureTextRect(style, "Gain", probe));
    const int w = probe.Width();
    const int h = probe.Height();
    EXPECT_GT(w, 10);
    EXPECT_GE(h, 12);

    style.alignment = kAlignCentre;
    Rect centred{100, 50, 201, 90}; // centre trunc(301 * 0.5) = 150
    ASSERT_TRUE(MeasureTextRect(style, "Gain", centred));
    EXPECT_EQ(centred.left, 150 - w / 2);
    EXPECT_EQ(centred.right, centred.left + w);
    EXPECT_EQ(centred.top, 50);
    EXPECT_EQ(centred.bottom, 50 + h);

    style.alignment = kAlignFar;
    Rect far{100, 50, 200, 90};
    ASSERT_TRUE(MeasureTextRect(style, "Gain", far));
    EXPECT_EQ(far.right, 200);
    EXPECT_EQ(far.left, 200 - w);

    style.alignment = kAlignNear;
    Rect near{100, 50, 200, 90};
    ASSERT_TRUE(MeasureTextRect(style, "Gain", near));
    EXPECT_EQ(near.left, 100);
    EXPECT_EQ(near.right, 100 + w);
}

TEST_F(FontTest, LongerTextMeasuresWiderEmptyTextChangesNothing) {
    TextStyle style;
    style.alignment = kAlignNear;
    Rect a{}, b{};
    ASSERT_TRUE(MeasureTextRect(style, "i", a));
    ASSERT_TRUE(MeasureTextRect(style, "iWW", b));
    EXPECT_GT(b.Width(), a.Width());
    Rect same{1, 2, 3, 4};
    EXPECT_TRUE(MeasureTextRect(style, "", same));
    EXPECT_TRUE(MeasureTextRect(style, nullptr, same));
    EXPECT_EQ(same, (Rect{1, 2, 3, 4}));
}

TEST_F(FontTest, DrawsInkInsideTheRectangleOnly) {
    PIX_MemBitmap bitmap;
    bitmap.Resize(120, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x)
            BitmapRow(bitmap, y)[x] = 0xFFFFFFFF;
    TextStyle style;
    style.colour = Colour{255, 0, 0, 0};
    style.alignment = kAlignNear;
    const Rect area{10, 5, 60, 30};
    ASSERT_TRUE(DrawTextInto(&bitmap, style, "Hello", area));
    int inkInside = 0;
    int inkOutside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool ink = BitmapRow(bitmap, y)[x] != 0xFFFFFFFF;
            (area.Contains(x, y) ? inkInside : inkOutside) += ink;
        }
    EXPECT_GT(inkInside, 20);
    EXPECT_EQ(inkOutside, 0);
    // Black text on white: the darkest pixel is fully black and stays opaque.
    std::uint32_t darkest = 0xFFFFFFFF;
    for (int y = 5; y < 30; ++y)
        for (int x = 10; x < 60; ++x)
            darkest = std::min(darkest, BitmapRow(bitmap, y)[x] & 0x00FFFFFF);
    EXPECT_EQ(darkest, 0u);
}

TEST_F(FontTest, FontFileFallsBackToDejaVu) {
    EXPECT_STREQ(FontFileFor("Verdana", kTextNormal),
                 "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    EXPECT_STREQ(FontFileFor("Verdana", kTextBold),
                 "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf");
    const char* own = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf";
    EXPECT_STREQ(FontFileFor(own, kTextNormal), own);
}

} // namespace
} // namespace torvik::testing
