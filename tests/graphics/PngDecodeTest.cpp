// PNG decoding through libpng, on images written by libpng in every format
// the decoder expands, and on damaged ones.
#include "graphics/PngDecode.h"
#include "PngWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace torvik::testing {
namespace {

using testing::EncodePng;
using testing::PngImage;
using testing::RgbaImage;

std::unique_ptr<PIX_IBitmap> Decode(const std::vector<unsigned char>& bytes) {
    return std::unique_ptr<PIX_IBitmap>(DecodePngMemory(bytes.data(), bytes.size()));
}

std::uint32_t PixelAt(PIX_IBitmap& bitmap, int x, int y) {
    return BitmapRow(bitmap, y)[x];
}

const std::vector<std::uint32_t> kFourPixels = {0xFF102030, 0x80405060, 0x00708090, 0x7FA0B0C0};

TEST(PngDecode, RgbaPixelsBecomeArgbValuesInBgraByteOrder) {
    const auto bitmap = Decode(EncodePng(RgbaImage(2, 2, kFourPixels)));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), 2);
    EXPECT_EQ(bitmap->Height(), 2);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(PixelAt(*bitmap, i % 2, i / 2), kFourPixels[static_cast<std::size_t>(i)]) << i;
    // Memory order of a pixel: blue, green, red, alpha.
    const auto* bytes = reinterpret_cast<const unsigned char*>(BitmapRow(*bitmap, 0));
    EXPECT_EQ(bytes[0], 0x30);
    EXPECT_EQ(bytes[1], 0x20);
    EXPECT_EQ(bytes[2], 0x10);
    EXPECT_EQ(bytes[3], 0xFF);
}

TEST(PngDecode, PaletteWithTransparencyMatchesItsRgbaEquivalent) {
    PngImage image;
    image.width = 3;
    image.height = 1;
    image.colourType = PNG_COLOR_TYPE_PALETTE;
    image.palette = {{0x11, 0x22, 0x33}, {0x44, 0x55, 0x66}, {0x77, 0x88, 0x99}};
    image.trnsAlpha = {0x00, 0x80}; // the third entry stays opaque
    image.rows = {{2, 0, 1}};
    const auto palette = Decode(EncodePng(image));
    const auto rgba = Decode(EncodePng(RgbaImage(3, 1, {0xFF778899, 0x00112233, 0x80445566})));
    ASSERT_NE(palette, nullptr);
    ASSERT_NE(rgba, nullptr);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(PixelAt(*palette, x, 0), PixelAt(*rgba, x, 0)) << x;
}

struct FormatCase {
    const char* what;
    int colourType;
    int bitDepth;
    std::vector<png_byte> row; // one row of two pixels as libpng packs it
    std::uint32_t first;       // expected pixels
    std::uint32_t second;
};

class PngFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(PngFormats, ExpandToOpaqueOrAlphaArgb) {
    const FormatCase& c = GetParam();
    PngImage image;
    image.width = 2;
    image.height = 1;
    image.colourType = c.colourType;
    image.bitDepth = c.bitDepth;
    image.rows = {c.row};
    const auto bitmap = Decode(EncodePng(image));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(PixelAt(*bitmap, 0, 0), c.first);
    EXPECT_EQ(PixelAt(*bitmap, 1, 0), c.second);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PngFormats,
    ::testing::Values(
        // Grey becomes R = G = B with alpha 255.
        FormatCase{"grey8", PNG_COLOR_TYPE_GRAY, 8, {0x00, 0x9A}, 0xFF000000, 0xFF9A9A9A},
        // 1-bit grey expands to 0 and 255 (two pixels in the top bits of one byte).
        FormatCase{"grey1", PNG_COLOR_TYPE_GRAY, 1, {0x40}, 0xFF000000, 0xFFFFFFFF},
        // 4-bit grey: 0x3 scales to 0x33, 0xC to 0xCC.
        FormatCase{"grey4", PNG_COLOR_TYPE_GRAY, 4, {0x3C}, 0xFF333333, 0xFFCCCCCC},
        FormatCase{"greyAlpha8",
                   PNG_COLOR_TYPE_GRAY_ALPHA,
                   8,
                   {0x10, 0x80, 0xF0, 0x00},
                   0x80101010,
                   0x00F0F0F0},
        FormatCase{"rgb8", PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6}, 0xFF010203, 0xFF040506},
        // 16 bits per sample keep the high byte of each.
        FormatCase{"rgba16",
                   PNG_COLOR_TYPE_RGBA,
                   16,
                   {0x12, 0xFF, 0x34, 0x00, 0x56, 0x80, 0x78, 0x01, 0xAB, 0x01, 0xCD, 0xFF, 0xEF,
                    0x7F, 0x01, 0x80},
                   0x78123456,
                   0x01ABCDEF},
        FormatCase{
            "grey16", PNG_COLOR_TYPE_GRAY, 16, {0xC8, 0xFF, 0x05, 0x01}, 0xFFC8C8C8, 0xFF050505}),
    [](const ::testing::TestParamInfo<FormatCase>& p) { return std::string(p.param.what); });

TEST(PngDecode, GreyWithTransparentLevelGainsAlpha) {
    PngImage image;
    image.width = 2;
    image.height = 1;
    image.colourType = PNG_COLOR_TYPE_GRAY;
    image.greyTrns = true;
    image.greyTrnsValue = 0x40;
    image.rows = {{0x40, 0x41}};
    const auto bitmap = Decode(EncodePng(image));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(PixelAt(*bitmap, 0, 0), 0x00404040u);
    EXPECT_EQ(PixelAt(*bitmap, 1, 0), 0xFF414141u);
}

TEST(PngDecode, InterlacedImageDecodesLikeTheSequentialOne) {
    std::vector<std::uint32_t> pixels;
    for (int i = 0; i < 9 * 7; ++i)
        pixels.push_back(0xFF000000u | static_cast<std::uint32_t>(i * 0x030507));
    PngImage image = RgbaImage(9, 7, pixels);
    image.interlace = PNG_INTERLACE_ADAM7;
    const auto bitmap = Decode(EncodePng(image));
    ASSERT_NE(bitmap, nullptr);
    for (int i = 0; i < 9 * 7; ++i)
        ASSERT_EQ(PixelAt(*bitmap, i % 9, i / 9), pixels[static_cast<std::size_t>(i)]) << i;
}

TEST(PngDecode, DecodesIntoAGivenTargetResizingIt) {
    PIX_MemBitmap target;
    target.Resize(7, 3);
    const auto bytes = EncodePng(RgbaImage(2, 2, kFourPixels));
    EXPECT_EQ(DecodePngMemory(bytes.data(), bytes.size(), &target), &target);
    EXPECT_EQ(target.Width(), 2);
    EXPECT_EQ(target.Height(), 2);
    EXPECT_EQ(PixelAt(target, 1, 1), kFourPixels[3]);
}

TEST(PngDecode, RowsHonourThePaddedRowSpan) {
    // Width 5 pads rows to 8 pixels; every row must land at its own span.
    std::vector<std::uint32_t> pixels;
    for (int i = 0; i < 15; ++i)
        pixels.push_back(0xFF000000u + static_cast<std::uint32_t>(i));
    const auto bitmap = Decode(EncodePng(RgbaImage(5, 3, pixels)));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->RowSpan(), 8);
    EXPECT_EQ(bitmap->PixelData()[8 * 2 + 4], 0xFF00000Eu);
}

class PngFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/torvik-png-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        for (const auto& f : files)
            std::remove(f.c_str());
        rmdir(dir.c_str());
    }
    std::string Write(const char* name, const std::vector<unsigned char>& bytes) {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(testing::WriteFile(path, bytes));
        files.push_back(path);
        return path;
    }
    std::string dir;
    std::vector<std::string> files;
};

TEST_F(PngFiles, FileDecodesLikeMemory) {
    const std::string path = Write("image.png", EncodePng(RgbaImage(2, 2, kFourPixels)));
    std::unique_ptr<PIX_IBitmap> bitmap(DecodePngFile(path.c_str()));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(PixelAt(*bitmap, 0, 1), kFourPixels[2]);
    EXPECT_EQ(DecodePngFile((dir + "/missing.png").c_str()), nullptr);
    EXPECT_EQ(DecodePngFile(nullptr), nullptr);
}

TEST_F(PngFiles, CheckedLoaderWantsAPngExtension) {
    const auto bytes = EncodePng(RgbaImage(2, 2, kFourPixels));
    const std::string upper = Write("IMAGE.PNG", bytes);
    const std::string other = Write("image.bmp", bytes);
    std::unique_ptr<PIX_IBitmap> a(LoadPngFileChecked(upper.c_str(), true, nullptr));
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(LoadPngFileChecked(other.c_str(), true, nullptr), nullptr);
    std::unique_ptr<PIX_IBitmap> b(LoadPngFileChecked(other.c_str(), false, nullptr));
    EXPECT_NE(b, nullptr); // unchecked, the content decides
}

TEST_F(PngFiles, TruncatedFileYieldsNone) {
    auto bytes = EncodePng(RgbaImage(2, 2, kFourPixels));
    bytes.resize(bytes.size() - 20);
    const std::string path = Write("cut.png", bytes);
    EXPECT_EQ(DecodePngFile(path.c_str()), nullptr);
}

TEST(PngExtension, NameRules) {
    struct Case {
        const char* name;
        bool png;
    } cases[] = {{"resources/img/BG.png", true},
                 {"A.PNG", true},
                 {"x.PnG", true},
                 {"x.png.bak", false},
                 {"x.jpg", false},
                 {"xpng", true},
                 {"png", false},
                 {"", false},
                 {nullptr, false}};
    for (const Case& c : cases)
        EXPECT_EQ(HasPngExtension(c.name), c.png) << (c.name ? c.name : "(null)");
}

TEST(PngDecode, RejectsShortOrUnsignedInput) {
    const auto good = EncodePng(RgbaImage(2, 2, kFourPixels));
    EXPECT_EQ(DecodePngMemory(good.data(), 7), nullptr);
    EXPECT_EQ(DecodePngMemory(nullptr, 100), nullptr);
    auto bad = good;
    bad[1] = 'Q';
    EXPECT_EQ(DecodePngMemory(bad.data(), bad.size()), nullptr);
}

TEST(PngDecode, EveryTruncationFailsCleanly) {
    std::vector<std::uint32_t> pixels(16 * 16, 0xFF336699);
    const auto good = EncodePng(RgbaImage(16, 16, pixels));
    // Everything short of the image data's end must fail; nothing may crash.
    // (The trailing IEND chunk is 12 bytes and its loss is tolerated.)
    for (std::size_t n = 8; n + 12 < good.size(); ++n) {
        PIX_IBitmap* bitmap = DecodePngMemory(good.data(), n);
        EXPECT_EQ(bitmap, nullptr) << n;
        delete bitmap;
    }
}

TEST(PngDecode, DamagedImageDataFails) {
    std::vector<std::uint32_t> pixels(8 * 8, 0xFF808080);
    auto bytes = EncodePng(RgbaImage(8, 8, pixels));
    // Flip a byte inside the image data: the chunk's CRC no longer matches.
    bytes[bytes.size() - 20] ^= 0x5A;
    EXPECT_EQ(Decode(bytes), nullptr);
}

TEST(PngDecode, DamagedIntoTargetReturnsNone) {
    auto bytes = EncodePng(RgbaImage(2, 2, kFourPixels));
    bytes[bytes.size() - 20] ^= 0x5A;
    PIX_MemBitmap target;
    EXPECT_EQ(DecodePngMemory(bytes.data(), bytes.size(), &target), nullptr);
}

TEST(PngDecode, GiantDimensionsAreRefusedWithoutAllocating) {
    struct Case {
        std::uint32_t width;
        std::uint32_t height;
    } cases[] = {
        {0x7FFFFFFF, 0x7FFFFFFF}, // far beyond any limit
        {100000, 10},             // too wide
        {10, 1000000},            // too tall
        {16384, 16384},           // within each limit, but 256 Mpixels
        {0, 4},                   // empty
    };
    const auto good = EncodePng(RgbaImage(2, 2, kFourPixels));
    for (const Case& c : cases) {
        auto bytes = good;
        testing::ForgeSize(bytes, c.width, c.height);
        EXPECT_EQ(Decode(bytes), nullptr) << c.width << " x " << c.height;
    }
}

TEST(PngDecode, ChunkAnnouncedFarPastTheEndFails) {
    // A 2 GiB ancillary chunk announced where the end chunk should be, in a
    // file of a few dozen bytes: the decoder must not checksum gigabytes of
    // padding before it fails.
    const auto good = EncodePng(RgbaImage(2, 2, kFourPixels));
    auto bytes = good;
    bytes.resize(good.size() - 12); // drop the end chunk
    const unsigned char header[8] = {0x7F, 0xFF, 0xFF, 0xFF, 'z', 'z', 'z', 'z'};
    bytes.insert(bytes.end(), header, header + 8);
    // The reader serves a bounded run of zeros past the end, so this fails in
    // microseconds; the PNG fuzzer's slow-unit limit watches the speed.
    EXPECT_EQ(Decode(bytes), nullptr);
}

} // namespace
} // namespace torvik::testing
