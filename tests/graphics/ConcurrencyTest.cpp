// Meter values written from a processing thread while the user-interface
// thread redraws: no value may be lost, the last one is always drawn.
#include "GraphicsTestSupport.h"
#include "graphics/BitmapControl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace torvik {
namespace {

TEST(ControlConcurrency, LastMeterValueIsDrawnWhateverTheInterleaving) {
    ClearBitmapCache();
    testing::RecordingPlug plug;
    int loads = 0;
    auto* context = new IDrawContextHeadless(
        &plug, 64, 32, 25, testing::StripLoader{{{1, 64, 32, 1}, {2, 20, 10, 121}}, &loads});
    context->AttachBackground(1, "bg.png");
    auto* meter = new IBitmapControl(&plug, 4, 4, context->LoadBitmapRef(2, "m.png", 121));
    const int index = context->AttachControl(meter);
    plug.AttachEditorGraphics(context);

    for (int round = 0; round < 20; ++round) {
        std::atomic<bool> done{false};
        const double last = (round % 10) / 10.0 + 0.05;
        std::thread audio([&] {
            for (int i = 0; i < 20000; ++i)
                context->SetControlValueFromPlug(index, (i % 97) / 97.0);
            context->SetControlValueFromPlug(index, last);
            done = true;
        });
        while (!done)
            context->RedrawDirty();
        audio.join();
        // Whatever was drawn meanwhile, the final value must still be pending or shown.
        for (int pass = 0; pass < 3; ++pass)
            context->RedrawDirty();
        const int frame = FrameForValue(121, last);
        EXPECT_EQ(BitmapRow(*context->DrawBitmap(), 4)[4], testing::FrameColour(frame - 1))
            << round;
    }
    ClearBitmapCache();
}

TEST(ControlConcurrency, AuxiliaryValueIsReadWhileAutomationWritesIt) {
    testing::RecordingPlug plug;
    int loads = 0;
    auto* context = new IDrawContextHeadless(&plug, 64, 32, 25, testing::StripLoader{{}, &loads});
    auto* control = new IBitmapControl(&plug, 4, 4, BitmapRef{});
    constexpr int kFollowed = 5; // the parameter the auxiliary binding follows
    control->AuxParams() = {{0.0, kFollowed}};
    context->AttachControl(control);
    plug.AttachEditorGraphics(context);

    constexpr double kLast = 0.625;
    std::atomic<bool> done{false};
    std::thread audio([&] {
        for (int i = 0; i < 20000; ++i)
            context->ApplyParamToControls(kFollowed, (i % 89) / 88.0);
        context->ApplyParamToControls(kFollowed, kLast);
        done = true;
    });
    while (!done) {
        const double seen = control->AuxParamAt(0)->Value();
        ASSERT_TRUE(seen >= 0.0 && seen <= 1.0) << seen;
    }
    audio.join();
    EXPECT_EQ(control->AuxParamAt(0)->Value(), kLast);
}

} // namespace
} // namespace torvik
