#include "ImageCatalogue.h"
#include "PngDecode.h"
#include "resources/ImageResources.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>

namespace torvik::testing {
namespace {

using testing::CatalogueImage;
using testing::DecodedPng;

class CompiledImage : public ::testing::TestWithParam<CatalogueImage> {
protected:
    void SetUp() override {
        image = FindImageResource(GetParam().id);
        ASSERT_NE(image, nullptr);
        ASSERT_TRUE(testing::DecodePng(image->data, image->size, png)) << png.error;
        // A strip's frames after the first are stored as their byte-wise
        // differences from it.
        const int frames = GetParam().frames;
        if (frames > 1 && png.height % static_cast<std::uint32_t>(frames) == 0) {
            for (int f = 1; f < frames; ++f) {
                std::uint8_t* frame =
                    png.pixels.data() + FrameBytes() * static_cast<std::size_t>(f);
                for (std::size_t i = 0; i < FrameBytes(); ++i)
                    frame[i] = static_cast<std::uint8_t>(frame[i] + png.pixels[i]);
            }
        }
    }

    // Bytes of frame f of the decoded strip.
    const std::uint8_t* Frame(int f) const {
        const std::size_t frameBytes =
            static_cast<std::size_t>(png.width) * 4 * (png.height / GetParam().frames);
        return png.pixels.data() + frameBytes * static_cast<std::size_t>(f);
    }
    std::size_t FrameBytes() const {
        return static_cast<std::size_t>(png.width) * 4 * (png.height / GetParam().frames);
    }

    const ImageResource* image = nullptr;
    DecodedPng png;
};

TEST_P(CompiledImage, DecodesAsEightBitRgbaStripOfEqualFrames) {
    const CatalogueImage& expected = GetParam();
    EXPECT_EQ(png.width, static_cast<std::uint32_t>(expected.width));
    EXPECT_EQ(png.height, static_cast<std::uint32_t>(expected.height));
    EXPECT_EQ(png.bitDepth, 8);
    EXPECT_EQ(png.colourType, PNG_COLOR_TYPE_RGBA);
    EXPECT_EQ(png.interlace, PNG_INTERLACE_NONE);
    ASSERT_EQ(image->frames, expected.frames);
    EXPECT_EQ(png.height % static_cast<std::uint32_t>(image->frames), 0u);
    EXPECT_EQ(png.pixels.size(), static_cast<std::size_t>(expected.width) * expected.height * 4);
}

// The module carries each image re-encoded so its frames inflate one by one:
// the pixels are exactly those of the file in the source tree.
TEST_P(CompiledImage, HasThePixelsOfTheFileInTheSourceTree) {
    const std::string path = std::string(TORVIK_SOURCE_DIR "/") + image->name;
    const auto onDisk = testing::ReadFileBytes(path);
    DecodedPng source;
    ASSERT_TRUE(testing::DecodePng(onDisk.data(), onDisk.size(), source)) << path;
    EXPECT_EQ(source.width, png.width);
    EXPECT_EQ(source.height, png.height);
    EXPECT_TRUE(source.pixels == png.pixels) << path;
}

// Each step of a knob, switch or meter must show: a frame equal to its
// neighbour would make the control look stuck over that step.
TEST_P(CompiledImage, NeighbouringFramesDiffer) {
    const int frames = GetParam().frames;
    ASSERT_FALSE(png.pixels.empty());
    for (int f = 1; f < frames; ++f) {
        EXPECT_NE(std::memcmp(Frame(f - 1), Frame(f), FrameBytes()), 0)
            << "frames " << f - 1 << " and " << f;
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, CompiledImage, ::testing::ValuesIn(testing::kCatalogue),
                         [](const ::testing::TestParamInfo<CatalogueImage>& param) {
                             std::string name = param.param.file;
                             return name.substr(0, name.find('.'));
                         });

// The background is copied without blending, so every pixel must be opaque.
TEST(BackgroundImage, IsOpaqueEverywhere) {
    const ImageResource* bg = FindImageResource(101);
    ASSERT_NE(bg, nullptr);
    DecodedPng png;
    ASSERT_TRUE(testing::DecodePng(bg->data, bg->size, png)) << png.error;
    ASSERT_EQ(png.pixels.size(), 1186u * 644u * 4u);
    std::size_t translucent = 0;
    for (std::size_t i = 3; i < png.pixels.size(); i += 4) {
        translucent += png.pixels[i] != 255 ? 1 : 0;
    }
    EXPECT_EQ(translucent, 0u);
}

// The decoder used here must itself reject damaged data, or the checks above
// would prove nothing.
TEST(PngDecodeHelper, RejectsTruncatedAndForeignData) {
    const ImageResource* image = FindImageResource(102);
    ASSERT_NE(image, nullptr);
    DecodedPng png;
    EXPECT_FALSE(testing::DecodePng(image->data, image->size / 2, png));
    const unsigned char notPng[16] = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_FALSE(testing::DecodePng(notPng, sizeof notPng, png));
    EXPECT_FALSE(testing::DecodePng(image->data, 7, png));
    EXPECT_TRUE(testing::DecodePng(image->data, image->size, png)) << png.error;
}

} // namespace
} // namespace torvik::testing
