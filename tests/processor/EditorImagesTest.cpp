// An instance builds its editor without decoding a pixel; the first full
// paint decodes every image once, into the module-wide cache.
#include "graphics/BitmapCache.h"
#include "graphics/DrawContext.h"
#include "graphics/PngResource.h"
#include "processor/EditorLayout.h"
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

namespace torvik {
namespace {

int DecodedImages() {
    int decoded = 0;
    for (const ControlLayout& row : TorvikEditorLayout()) {
        auto* image = dynamic_cast<PIX_PngResourceBitmap*>(FindCachedBitmap(row.bitmapId));
        EXPECT_NE(image, nullptr) << row.name;
        if (image && image->IsDecoded())
            ++decoded;
    }
    return decoded;
}

TEST(EditorImages, DecodedOnFirstPaintAndKeptForLaterEditors) {
    ClearBitmapCache();
    {
        testing::TestTorvik plug;
        EXPECT_EQ(CachedBitmapCount(), 45);
        EXPECT_EQ(DecodedImages(), 0) << "an instance without a painted editor holds no pixels";

        auto* editor = dynamic_cast<IDrawContext*>(plug.Graphics());
        ASSERT_NE(editor, nullptr);
        editor->DrawRegion(Rect{0, 0, editor->Width(), editor->Height()});
        EXPECT_EQ(DecodedImages(), 45);
    }
    testing::TestTorvik later;
    EXPECT_EQ(DecodedImages(), 45) << "the cache keeps the pixels for later editors";
}

} // namespace
} // namespace torvik
