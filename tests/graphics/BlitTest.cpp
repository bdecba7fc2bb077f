// Blit modes and weights against pixels worked out by hand, and clipping.
#include "graphics/Blit.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace torvik::testing {
namespace {

struct PixelCase {
    const char* what;
    std::uint32_t source;
    std::uint32_t dest;
    float weight;
    int mode;
    std::uint32_t expected;
};

constexpr int kAlpha = kBlitUseAlpha;

// s = 0x80C86432 (a 128, r 200, g 100, b 50) over d = 0xFF102030 or 0x40102030.
const PixelCase kPixelCases[] = {
    {"copyFull", 0x80112233, 0xFF445566, 1.0f, kBlitCopy, 0x80112233},
    {"copyHalfAveragesBytes", 0x80112233, 0xFF445566, 0.5f, kBlitCopy, 0xBF2A3B4C},
    // w = 64: s + (d - s) * 192 / 256 for every byte, alpha included.
    {"copyQuarter", 0x80112233, 0xFF445566, 0.25f, kBlitCopy, 0xDF374859},
    // (0 - 255) * 192 / 256 = -191.25 truncates toward zero: 255 - 191 = 64.
    {"copyQuarterTruncatesTowardZero", 0xFFFFFFFF, 0xFF000000, 0.25f, kBlitCopy, 0xFF404040},
    {"copyBelowOneStepDrawsNothing", 0xFFFFFFFF, 0x12345678, 0.001f, kBlitCopy, 0x12345678},
    {"alphaTransparentLeavesDest", 0x00FFFFFF, 0xFF102030, 1.0f, kBlitCopy | kAlpha, 0xFF102030},
    {"alphaOpaqueCopies", 0xFFC86432, 0xFF102030, 1.0f, kBlitCopy | kAlpha, 0xFFC86432},
    // s + (d - s) * 127 / 256: 200 - 91, 100 - 33, 50 - 0; alpha 255.
    {"alphaHalfOverOpaque", 0x80C86432, 0xFF102030, 1.0f, kBlitCopy | kAlpha, 0xFF6D4332},
    // Over transparent: 200 - 99, 100 - 49, 50 - 24; alpha 0 + 128.
    {"alphaHalfOverTransparent", 0x80C86432, 0x00000000, 1.0f, kBlitCopy | kAlpha, 0x8065331A},
    // w = 128: a = 128 * 129 / 256 = 64; colour s + (d - s) * 192 / 256.
    {"alphaAtHalfWeight", 0x80C86432, 0xFF102030, 0.5f, kBlitCopy | kAlpha, 0xFF3E3131},
    {"alphaAtHalfWeightTransparent", 0x00C86432, 0xFF102030, 0.5f, kBlitCopy | kAlpha, 0xFF102030},
    {"addFull", 0x80C86432, 0x40102030, 1.0f, kBlitAdd, 0xC0D88462},
    {"addClampsAt255", 0x80C86432, 0xFFF02030, 1.0f, kBlitAdd, 0xFFFF8462},
    {"addHalf", 0x80C86432, 0x40102030, 0.5f, kBlitAdd, 0x80745249},
    // f = 256 * 129 / 256 = 129; d + s * 129 / 256, alpha with s = sa.
    {"addWithAlpha", 0x80C86432, 0x40102030, 1.0f, kBlitAdd | kAlpha, 0x80745249},
    {"addWithAlphaTransparent", 0x00C86432, 0x40102030, 1.0f, kBlitAdd | kAlpha, 0x40102030},
    // d * 256 / (256 - s): 64*256/128, 16*256/56, 32*256/156, 48*256/206.
    {"dodgeFull", 0x80C86432, 0x40102030, 1.0f, kBlitDodge, 0x8049343B},
    {"dodgeSaturatedSource", 0xFFFF0000, 0x40100000, 1.0f, kBlitDodge, 0xFFFF0000},
    // x = s * 129 / 256: 64, 100, 50, 25; d * 256 / (256 - x).
    {"dodgeWithAlpha", 0x80C86432, 0x40102030, 1.0f, kBlitDodge | kAlpha, 0x551A2735},
    // Destination alpha takes the source's red byte.
    {"channelCopyRedToAlpha", 0x80C86432, 0x40102030, 1.0f, 0xF0 | (3 << 2) | 2, 0xC8102030},
    {"channelCopyIgnoresWeight", 0x80C86432, 0x40102030, 0.3f, 0xF0 | (0 << 2) | 3, 0x40102080},
};

class BlitPixelsModes : public ::testing::TestWithParam<PixelCase> {};

TEST_P(BlitPixelsModes, OnePixel) {
    const PixelCase& c = GetParam();
    PIX_MemBitmap src;
    PIX_MemBitmap dst;
    src.Resize(1, 1);
    dst.Resize(1, 1);
    src.PixelData()[0] = c.source;
    dst.PixelData()[0] = c.dest;
    BlitPixels(&dst, &src, 0, 0, nullptr, c.weight, c.mode);
    EXPECT_EQ(dst.PixelData()[0], c.expected)
        << std::hex << "got 0x" << dst.PixelData()[0] << " want 0x" << c.expected;
}

INSTANTIATE_TEST_SUITE_P(Modes, BlitPixelsModes, ::testing::ValuesIn(kPixelCases),
                         [](const ::testing::TestParamInfo<PixelCase>& p) {
                             return std::string(p.param.what);
                         });

// A 4 x 4 source whose pixels name their own position, onto a cleared 4 x 4 destination.
class BlitClipping : public ::testing::Test {
protected:
    void SetUp() override {
        src.Resize(4, 4);
        dst.Resize(4, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                BitmapRow(src, y)[x] = Mark(x, y);
                BitmapRow(dst, y)[x] = 0;
            }
    }
    static std::uint32_t Mark(int x, int y) {
        return 0xFF000000u | static_cast<std::uint32_t>(y << 8 | x) | 0x100000u;
    }
    std::uint32_t At(int x, int y) { return BitmapRow(dst, y)[x]; }
    int Drawn() {
        int n = 0;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                n += At(x, y) != 0;
        return n;
    }
    PIX_MemBitmap src;
    PIX_MemBitmap dst;
};

TEST_F(BlitClipping, OffsetDestinationDrawsOnlyTheOverlap) {
    BlitPixels(&dst, &src, 1, 1, nullptr, 1.0f, kBlitCopy);
    EXPECT_EQ(At(1, 1), Mark(0, 0));
    EXPECT_EQ(At(3, 3), Mark(2, 2));
    EXPECT_EQ(Drawn(), 9);
}

TEST_F(BlitClipping, NegativeSourceRectangleShiftsTheDestination) {
    const Rect r{-1, -1, 2, 2};
    BlitPixels(&dst, &src, 0, 0, &r, 1.0f, kBlitCopy);
    EXPECT_EQ(At(1, 1), Mark(0, 0));
    EXPECT_EQ(At(2, 2), Mark(1, 1));
    EXPECT_EQ(Drawn(), 4);
}

TEST_F(BlitClipping, NegativeDestinationSkipsSourceColumnsAndRows) {
    BlitPixels(&dst, &src, -2, -1, nullptr, 1.0f, kBlitCopy);
    EXPECT_EQ(At(0, 0), Mark(2, 1));
    EXPECT_EQ(At(1, 2), Mark(3, 3));
    EXPECT_EQ(Drawn(), 6);
}

TEST_F(BlitClipping, SourceRectangleIsCutToTheSource) {
    const Rect r{2, 0, 10, 40};
    BlitPixels(&dst, &src, 0, 0, &r, 1.0f, kBlitCopy | kBlitUseAlpha);
    EXPECT_EQ(At(0, 3), Mark(2, 3));
    EXPECT_EQ(At(1, 0), Mark(3, 0));
    EXPECT_EQ(Drawn(), 8);
}

TEST_F(BlitClipping, NothingDrawnOutsideOrWithoutWeightOrBitmaps) {
    BlitPixels(&dst, &src, 4, 0, nullptr, 1.0f, kBlitCopy);
    BlitPixels(&dst, &src, 0, 4, nullptr, 1.0f, kBlitCopy);
    BlitPixels(&dst, &src, -4, 0, nullptr, 1.0f, kBlitCopy);
    BlitPixels(&dst, &src, 0, 0, nullptr, 0.0f, kBlitCopy);
    BlitPixels(&dst, nullptr, 0, 0, nullptr, 1.0f, kBlitCopy);
    BlitPixels(nullptr, &src, 0, 0, nullptr, 1.0f, kBlitCopy);
    const Rect outside{5, 5, 9, 9};
    BlitPixels(&dst, &src, 0, 0, &outside, 1.0f, kBlitCopy);
    PIX_SysBitmap empty; // a failed back buffer: 0 x 0, no pixels
    BlitPixels(&empty, &src, 0, 0, nullptr, 1.0f, kBlitCopy);
    EXPECT_EQ(Drawn(), 0);
}

} // namespace
} // namespace torvik::testing
