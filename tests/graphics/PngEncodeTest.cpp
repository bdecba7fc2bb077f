// Writing bitmaps as PNG files and reading them back.
#include "graphics/PngEncode.h"
#include "graphics/PngDecode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

namespace torvik::testing {
namespace {

TEST(PngEncode, RoundTripKeepsEveryPixelAndAlpha) {
    PIX_MemBitmap bitmap;
    bitmap.Resize(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            BitmapRow(bitmap, y)[x] = 0x01000000u * static_cast<std::uint32_t>(x * 60) +
                                      0x00010203u * static_cast<std::uint32_t>(y * 5 + x);
    const std::string path = "/tmp/torvik-encode-" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(EncodePngFile(path.c_str(), bitmap));
    std::unique_ptr<PIX_IBitmap> back(DecodePngFile(path.c_str()));
    std::remove(path.c_str());
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->Width(), 5);
    ASSERT_EQ(back->Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(BitmapRow(*back, y)[x], BitmapRow(bitmap, y)[x]) << x << "," << y;
}

TEST(PngEncode, RefusesEmptyBitmapsAndUnwritablePaths) {
    PIX_MemBitmap empty;
    EXPECT_FALSE(EncodePngFile("/tmp/torvik-never.png", empty));
    EXPECT_NE(access("/tmp/torvik-never.png", F_OK), 0);
    PIX_MemBitmap one;
    one.Resize(1, 1);
    EXPECT_FALSE(EncodePngFile("/nonexistent-folder/x.png", one));
    EXPECT_FALSE(EncodePngFile(nullptr, one));
}

} // namespace
} // namespace torvik::testing
