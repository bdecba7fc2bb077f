// The two bitmap classes: layout, alignment and the resize rules.
#include "graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace torvik::testing {
namespace {

TEST(MemBitmap, PixelsAre64ByteAlignedAndRowsPaddedToFourPixels) {
    struct Case {
        int width;
        int span;
    } cases[] = {{1, 4}, {4, 4}, {5, 8}, {66, 68}, {1186, 1188}};
    for (const Case& c : cases) {
        PIX_MemBitmap bitmap;
        EXPECT_TRUE(bitmap.Resize(c.width, 3));
        EXPECT_EQ(bitmap.RowSpan(), c.span) << c.width;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bitmap.PixelData()) % 64, 0u);
        EXPECT_EQ(bitmap.AllocatedBytes(), static_cast<std::size_t>(c.span) * 3 * 4);
        EXPECT_FALSE(bitmap.IsBottomUp());
        EXPECT_EQ(bitmap.DrawingContext(), nullptr);
    }
}

TEST(MemBitmap, SameSizeIsNoChange) {
    PIX_MemBitmap bitmap;
    EXPECT_FALSE(bitmap.Resize(0, 0));
    EXPECT_TRUE(bitmap.Resize(10, 10));
    EXPECT_FALSE(bitmap.Resize(10, 10));
}

TEST(MemBitmap, GrowsWithAQuarterToSpareAndNeverShrinks) {
    PIX_MemBitmap bitmap;
    bitmap.Resize(4, 10); // 160 bytes
    EXPECT_EQ(bitmap.AllocatedBytes(), 160u);
    bitmap.Resize(4, 20); // 320 bytes needed: (320 / 4) * 5 reserved
    EXPECT_EQ(bitmap.AllocatedBytes(), 400u);
    bitmap.Resize(4, 25); // 400 bytes fit in the reservation
    EXPECT_EQ(bitmap.AllocatedBytes(), 400u);
    bitmap.Resize(4, 2); // shrinking keeps the block
    EXPECT_EQ(bitmap.AllocatedBytes(), 400u);
    EXPECT_EQ(bitmap.Width(), 4);
    EXPECT_EQ(bitmap.Height(), 2);
}

TEST(MemBitmap, EmptyOrImpossibleSizesLeaveNoPixels) {
    struct Case {
        int w;
        int h;
    } cases[] = {{0, 5}, {5, 0}, {-3, 4}, {4, -3}, {1 << 30, 1 << 30}, {100000, 100000}};
    for (const Case& c : cases) {
        PIX_MemBitmap bitmap;
        bitmap.Resize(8, 8);
        EXPECT_TRUE(bitmap.Resize(c.w, c.h));
        EXPECT_EQ(bitmap.PixelData(), nullptr) << c.w << " x " << c.h;
        EXPECT_EQ(bitmap.Width(), 0);
        EXPECT_EQ(bitmap.Height(), 0);
        EXPECT_EQ(bitmap.AllocatedBytes(), 0u);
    }
}

TEST(SysBitmap, IsTopDownWithTheAllocatedWidthAsSpan) {
    PIX_SysBitmap bitmap;
    EXPECT_TRUE(bitmap.Resize(1186, 644));
    EXPECT_EQ(bitmap.Width(), 1186);
    EXPECT_EQ(bitmap.Height(), 644);
    EXPECT_EQ(bitmap.RowSpan(), 1188);
    EXPECT_FALSE(bitmap.IsBottomUp());
    ASSERT_NE(bitmap.PixelData(), nullptr);
    EXPECT_EQ(BitmapRow(bitmap, 2), bitmap.PixelData() + 2 * 1188);
}

TEST(SysBitmap, ShrinkingKeepsPixelsAndSpanGrowingReallocates) {
    PIX_SysBitmap bitmap;
    bitmap.Resize(10, 10);
    std::uint32_t* pixels = bitmap.PixelData();
    pixels[5] = 0xDEADBEEF;
    EXPECT_TRUE(bitmap.Resize(6, 4));
    EXPECT_EQ(bitmap.PixelData(), pixels);
    EXPECT_EQ(bitmap.RowSpan(), 12);
    EXPECT_EQ(bitmap.PixelData()[5], 0xDEADBEEFu);
    EXPECT_FALSE(bitmap.Resize(6, 4));
    EXPECT_TRUE(bitmap.Resize(20, 4));
    EXPECT_EQ(bitmap.RowSpan(), 20);
    EXPECT_EQ(bitmap.Width(), 20);
}

TEST(SysBitmap, ZeroOrHugeSizeLeavesAnEmptyBuffer) {
    PIX_SysBitmap bitmap;
    bitmap.Resize(10, 10);
    EXPECT_FALSE(bitmap.Resize(0, 10));
    EXPECT_EQ(bitmap.PixelData(), nullptr);
    EXPECT_TRUE(bitmap.Resize(100000, 100000));
    EXPECT_EQ(bitmap.PixelData(), nullptr);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 0);
}

} // namespace
} // namespace torvik::testing
