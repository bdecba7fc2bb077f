// Editor images are decoded when their pixels are first needed, not when an
// editor is built, and then stay in the module-wide cache.
#include "graphics/BitmapCache.h"
#include "graphics/PngDecode.h"
#include "graphics/PngFrames.h"
#include "graphics/PngResource.h"
#include "resources/ImageResources.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace torvik::testing {
namespace {

TEST(LazyImages, SizeFromTheHeaderPixelsOnFirstUse) {
    for (const ImageResource& image : ImageResources()) {
        std::unique_ptr<PIX_IBitmap> lazy(LoadPngResource(nullptr, image.id, image.name));
        ASSERT_NE(lazy, nullptr) << image.name;
        auto* resource = dynamic_cast<PIX_PngResourceBitmap*>(lazy.get());
        ASSERT_NE(resource, nullptr);
        std::unique_ptr<PIX_IBitmap> direct(DecodePngMemory(image.data, image.size));
        ASSERT_NE(direct, nullptr);
        // Strips store their frames as differences from the first.
        if (image.frames > 1) {
            ASSERT_TRUE(UndoFrameDeltas(*direct, PngDeltaFrameCount(image.data, image.size)));
        }
        EXPECT_EQ(lazy->Width(), direct->Width());
        EXPECT_EQ(lazy->Height(), direct->Height());
        EXPECT_EQ(lazy->RowSpan(), direct->RowSpan());
        EXPECT_FALSE(resource->IsDecoded()) << "asking for the size decodes nothing";

        ASSERT_NE(lazy->PixelData(), nullptr);
        EXPECT_TRUE(resource->IsDecoded());
        // Row padding is not part of the picture.
        const std::size_t rowBytes = static_cast<std::size_t>(direct->Width()) * 4;
        for (int r = 0; r < direct->Height(); ++r)
            ASSERT_EQ(std::memcmp(BitmapRow(*lazy, r), BitmapRow(*direct, r), rowBytes), 0)
                << image.name << " row " << r;
    }
}

TEST(LazyImages, DamagedHeadersAreRefused) {
    const ImageResource* image = FindImageResource(102);
    ASSERT_NE(image, nullptr);
    std::unique_ptr<unsigned char[]> copy(new unsigned char[image->size]);
    std::memcpy(copy.get(), image->data, image->size);
    EXPECT_EQ(PIX_PngResourceBitmap::FromBytes(copy.get(), 23), nullptr); // no room for a size
    copy[12] = 'X';                                                       // not a header chunk
    EXPECT_EQ(PIX_PngResourceBitmap::FromBytes(copy.get(), image->size), nullptr);
    copy[12] = 'I';
    std::memset(copy.get() + 16, 0, 4); // width 0
    EXPECT_EQ(PIX_PngResourceBitmap::FromBytes(copy.get(), image->size), nullptr);

    // A header that promises a size the image does not have yields no pixels.
    std::memcpy(copy.get(), image->data, image->size);
    copy[19] = static_cast<unsigned char>(copy[19] + 1);
    std::unique_ptr<PIX_PngResourceBitmap> liar(
        PIX_PngResourceBitmap::FromBytes(copy.get(), image->size));
    ASSERT_NE(liar, nullptr);
    EXPECT_EQ(liar->PixelData(), nullptr);
    EXPECT_FALSE(liar->IsDecoded());
}

} // namespace
} // namespace torvik::testing
