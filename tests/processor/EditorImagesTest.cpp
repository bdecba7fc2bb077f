// An instance builds its editor without decoding a pixel; the first full
// paint inflates the frame each control shows, into the module-wide cache.
#include "graphics/BitmapCache.h"
#include "graphics/DrawContext.h"
#include "graphics/PngResource.h"
#include "processor/EditorLayout.h"
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

namespace torvik::testing {
namespace {

struct Held {
    int wholeImages = 0; // decoded whole
    int frames = 0;      // frames held on their own
};

Held HeldPixels() {
    Held held;
    for (const ControlLayout& row : TorvikEditorLayout()) {
        auto* image = dynamic_cast<PIX_PngResourceBitmap*>(FindCachedBitmap(row.bitmapId));
        EXPECT_NE(image, nullptr) << row.name;
        if (!image)
            continue;
        held.wholeImages += image->IsDecoded() ? 1 : 0;
        held.frames += image->HeldFrameCount();
    }
    return held;
}

TEST(EditorImages, FirstPaintInflatesTheFramesShownAndLaterEditorsKeepThem) {
    ClearBitmapCache();
    {
        testing::TestTorvik plug;
        EXPECT_EQ(CachedBitmapCount(), 45);
        Held held = HeldPixels();
        EXPECT_EQ(held.wholeImages, 0) << "an instance without a painted editor holds no pixels";
        EXPECT_EQ(held.frames, 0);

        auto* editor = dynamic_cast<IDrawContext*>(plug.Graphics());
        ASSERT_NE(editor, nullptr);
        editor->DrawRegion(Rect{0, 0, editor->Width(), editor->Height()});
        held = HeldPixels();
        EXPECT_EQ(held.wholeImages, 1) << "only the one-frame background is decoded whole";
        EXPECT_EQ(held.frames, static_cast<int>(TorvikEditorLayout().size()) - 1)
            << "one frame per strip";
    }
    testing::TestTorvik later;
    const Held held = HeldPixels();
    EXPECT_EQ(held.wholeImages, 1) << "the cache keeps the pixels for later editors";
    EXPECT_EQ(held.frames, static_cast<int>(TorvikEditorLayout().size()) - 1);
}

} // namespace
} // namespace torvik::testing
