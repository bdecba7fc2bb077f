// Knobs, switches and bitmap controls (the meters): values from the mouse and
// from the plug-in, what reaches the host, and which frame is drawn.
#include "GraphicsTestSupport.h"
#include "graphics/BitmapControl.h"
#include "graphics/KnobControl.h"
#include "graphics/SwitchControl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace torvik::testing {
namespace {

using testing::FrameColour;
using testing::RecordingPlug;
using Event = RecordingPlug::Event;

constexpr int kBackgroundId = 1;
constexpr int kKnobId = 2;   // 20 x 64 frames, 61 of them
constexpr int kSwitchId = 3; // 16 x 16 frames, 2 of them
constexpr int kMeterId = 4;  // 30 x 10 frames, 121 of them
constexpr int kOneFrameId = 5;

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearBitmapCache();
        context = new IDrawContextHeadless(&plug, 200, 100, 25,
                                           testing::StripLoader{{{kBackgroundId, 200, 100, 1},
                                                                 {kKnobId, 20, 64, 61},
                                                                 {kSwitchId, 16, 16, 2},
                                                                 {kMeterId, 30, 10, 121},
                                                                 {kOneFrameId, 16, 16, 1}},
                                                                &loads});
        context->AttachBackground(kBackgroundId, "bg.png");
        knob =
            new IKnobStripControl(&plug, 10, 10, 1, context->LoadBitmapRef(kKnobId, "k.png", 61));
        knobIndex = context->AttachControl(knob);
        toggle =
            new ISwitchControl(&plug, 40, 10, 2, context->LoadBitmapRef(kSwitchId, "s.png", 2));
        toggleIndex = context->AttachControl(toggle);
        meter = new IBitmapControl(&plug, 100, 10, context->LoadBitmapRef(kMeterId, "m.png", 121));
        meterIndex = context->AttachControl(meter);
        plug.AttachEditorGraphics(context);
        plug.events.clear();
    }
    void TearDown() override { ClearBitmapCache(); }

    // Presses the knob and drags it by dY pixels in one step.
    void DragKnob(int dY, MouseMods mods = MouseMods{true}) {
        context->MouseDown(15, 40, mods);
        context->MouseDrag(15, 40 + dY, mods);
        context->MouseUp(15, 40 + dY, mods);
    }
    std::uint32_t Pixel(int x, int y) { return BitmapRow(*context->DrawBitmap(), y)[x]; }

    RecordingPlug plug;
    IDrawContextHeadless* context = nullptr; // owned by plug once attached
    IKnobStripControl* knob = nullptr;
    ISwitchControl* toggle = nullptr;
    IBitmapControl* meter = nullptr;
    int knobIndex = -1;
    int toggleIndex = -1;
    int meterIndex = -1;
    int loads = 0;
};

TEST_F(ControlTest, RectanglesComeFromTheFrameSize) {
    EXPECT_EQ(knob->GetRect(), (Rect{10, 10, 30, 74}));
    EXPECT_EQ(toggle->GetRect(), (Rect{40, 10, 56, 26}));
    EXPECT_EQ(meter->GetRect(), (Rect{100, 10, 130, 20}));
    EXPECT_EQ(knob->GetBlend().method, BlendNone);
    EXPECT_EQ(knob->Direction(), kKnobVertical);
    EXPECT_DOUBLE_EQ(knob->Gearing(), 4.0);
}

TEST_F(ControlTest, DraggingAKnobOneHeightUpMovesAQuarter) {
    // Parameter 1 is 0..100, default 25 -> 0.25. The knob is 64 pixels high.
    DragKnob(-64);
    EXPECT_DOUBLE_EQ(knob->Value(), 0.5);
    EXPECT_EQ(plug.events, (std::vector<Event>{{'b', 1, 0.0}, {'p', 1, 0.5}, {'e', 1, 0.0}}));
    EXPECT_DOUBLE_EQ(plug.ParamAt(1)->Value(), 50.0);
}

TEST_F(ControlTest, CtrlOrShiftMakeDraggingTenTimesFiner) {
    MouseMods ctrl{true};
    ctrl.ctrl = true;
    DragKnob(-64, ctrl);
    EXPECT_NEAR(knob->Value(), 0.275, 1e-12);
    MouseMods shift{true};
    shift.shift = true;
    DragKnob(64, shift);
    EXPECT_NEAR(knob->Value(), 0.25, 1e-12);
}

TEST_F(ControlTest, DraggingDownLowersAndTheValueStaysInRange) {
    DragKnob(32);
    EXPECT_DOUBLE_EQ(knob->Value(), 0.125);
    DragKnob(-1000);
    EXPECT_DOUBLE_EQ(knob->Value(), 1.0);
    plug.events.clear();
    DragKnob(-64); // already at the top: stays there, and the host hears 1.0 again
    EXPECT_DOUBLE_EQ(knob->Value(), 1.0);
    EXPECT_EQ(plug.events, (std::vector<Event>{{'b', 1, 0.0}, {'p', 1, 1.0}, {'e', 1, 0.0}}));
    DragKnob(5000);
    EXPECT_DOUBLE_EQ(knob->Value(), 0.0);
}

TEST_F(ControlTest, WheelNotchesStepTheKnob) {
    context->MouseWheel(15, 40, MouseMods{}, 1);
    EXPECT_NEAR(knob->Value(), 0.26, 1e-12);
    MouseMods ctrl;
    ctrl.ctrl = true;
    context->MouseWheel(15, 40, ctrl, -3);
    EXPECT_NEAR(knob->Value(), 0.257, 1e-12);
    context->MouseWheel(15, 40, MouseMods{}, 0); // a delta below one notch changes nothing
    EXPECT_NEAR(knob->Value(), 0.257, 1e-12);
    EXPECT_NEAR(plug.events.back().value, 0.257, 1e-12);
}

TEST_F(ControlTest, DoubleClickRestoresTheDefaultAsOneGesture) {
    DragKnob(-64);
    plug.events.clear();
    EXPECT_FALSE(context->MouseDoubleClick(15, 40, MouseMods{true}));
    EXPECT_DOUBLE_EQ(knob->Value(), 0.25);
    context->MouseUp(15, 40, MouseMods{});
    EXPECT_EQ(plug.events, (std::vector<Event>{{'b', 1, 0.0}, {'p', 1, 0.25}, {'e', 1, 0.0}}));
}

TEST_F(ControlTest, DoubleClickWithoutADefaultDoesNothing) {
    auto* fresh = new IKnobStripControl(&plug, 150, 50, 0, context->LoadBitmapRef(kKnobId, "", 61));
    context->AttachControl(fresh); // attached after the values were pushed: no default yet
    fresh->SetValue(0.7);
    context->MouseDoubleClick(155, 60, MouseMods{true});
    EXPECT_DOUBLE_EQ(fresh->Value(), 0.7);
    EXPECT_DOUBLE_EQ(fresh->DefaultValue(), -1.0);
}

TEST_F(ControlTest, SwitchTogglesOnEitherButton) {
    EXPECT_DOUBLE_EQ(toggle->Value(), 0.0);
    context->MouseDown(45, 15, MouseMods{true});
    context->MouseUp(45, 15, MouseMods{});
    EXPECT_DOUBLE_EQ(toggle->Value(), 1.0);
    EXPECT_DOUBLE_EQ(plug.ParamAt(2)->Value(), 1.0);
    // A right press on a bound control goes to the host's menu (VST 3), so
    // press the switch directly as a right click would reach it elsewhere.
    MouseMods right;
    right.right = true;
    toggle->OnPress(45, 15, right);
    EXPECT_DOUBLE_EQ(toggle->Value(), 0.0);
    toggle->OnPress(45, 15, right);
    EXPECT_DOUBLE_EQ(toggle->Value(), 1.0);
    EXPECT_EQ(plug.events.front(), (Event{'b', 2, 0.0}));
    EXPECT_EQ(plug.events[1], (Event{'p', 2, 1.0}));
}

TEST_F(ControlTest, DoubleClickOnASwitchStepsAgain) {
    context->MouseDown(45, 15, MouseMods{true});
    context->MouseUp(45, 15, MouseMods{});
    context->MouseDoubleClick(45, 15, MouseMods{true});
    context->MouseUp(45, 15, MouseMods{});
    EXPECT_DOUBLE_EQ(toggle->Value(), 0.0);
    int begins = 0;
    int ends = 0;
    for (const Event& e : plug.events) {
        begins += e.kind == 'b';
        ends += e.kind == 'e';
    }
    EXPECT_EQ(begins, 2);
    EXPECT_EQ(ends, 2);
}

TEST_F(ControlTest, OneFrameSwitchStepsByOne) {
    ISwitchControl single(&plug, 0, 0, -1, context->LoadBitmapRef(kOneFrameId, "", 1));
    single.OnPress(0, 0, MouseMods{true});
    EXPECT_DOUBLE_EQ(single.Value(), 1.0);
    single.OnPress(0, 0, MouseMods{true});
    EXPECT_DOUBLE_EQ(single.Value(), 0.0);
}

TEST_F(ControlTest, MeterTakesItsFirstValueAsDefaultThenClamps) {
    context->DrawRegion(Rect{0, 0, 200, 100});
    context->SetControlValueFromPlug(meterIndex, 1.7);
    EXPECT_DOUBLE_EQ(meter->Value(), 1.7); // the very first value stays unclamped
    EXPECT_DOUBLE_EQ(meter->DefaultValue(), 1.7);
    EXPECT_FALSE(meter->NeedsRedraw());
    EXPECT_EQ(meter->CurrentFrame(), 121); // and the frame rule bounds it
    context->SetControlValueFromPlug(meterIndex, 0.7);
    EXPECT_TRUE(meter->NeedsRedraw());
    EXPECT_EQ(meter->CurrentFrame(), 85); // trunc(120 * 0.7 + 0.5) + 1
    context->SetControlValueFromPlug(meterIndex, 4.2);
    EXPECT_DOUBLE_EQ(meter->Value(), 1.0);
    Rect region;
    context->DrawRegion(Rect{0, 0, 200, 100});
    context->DrawRegion(Rect{0, 0, 200, 100});         // the pass a plug-in value asks for
    context->SetControlValueFromPlug(meterIndex, 1.0); // no change: stays clean
    EXPECT_FALSE(context->CollectDirtyRegion(region));
}

TEST_F(ControlTest, MeterShowsTheFrameOfItsValue) {
    context->SetControlValueFromPlug(meterIndex, 0.0);
    context->SetControlValueFromPlug(meterIndex, 0.5);
    context->DrawRegion(Rect{0, 0, 200, 100});
    // Frame 61 (1-based) starts at source row trunc(1210 * 60 / 121 + 0.5) = 600, frame 60 0-based.
    EXPECT_EQ(Pixel(100, 10), FrameColour(60));
    EXPECT_EQ(Pixel(129, 19), FrameColour(60));
    EXPECT_EQ(Pixel(130, 10), FrameColour(0)); // background beside it
}

TEST_F(ControlTest, KnobAtHalfShowsFrame31) {
    context->SetParamValueFromPlug(1, 0.5, true);
    context->DrawRegion(Rect{0, 0, 200, 100});
    EXPECT_EQ(knob->CurrentFrame(), 31);
    // Source row trunc(3904 * 30 / 61 + 0.5) = 1920 is the top of 0-based frame 30.
    EXPECT_EQ(Pixel(10, 10), FrameColour(30));
    EXPECT_EQ(Pixel(29, 73), FrameColour(30));
}

TEST_F(ControlTest, FrameRuleStaysInsideTheStrip) {
    struct Case {
        int frames;
        double value;
        int frame;
    } cases[] = {
        {61, 0.0, 1},
        {61, 1.0, 61},
        {61, 0.5, 31},
        {121, 0.7, 85},
        {2, 0.49, 1},
        {2, 0.5, 2},
        {2, -5.0, 1},
        {2, 7.0, 2},
        {1, 0.9, 1},
        {61, std::numeric_limits<double>::quiet_NaN(), 1},
        {61, std::numeric_limits<double>::infinity(), 61},
        {61, -std::numeric_limits<double>::infinity(), 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameForValue(c.frames, c.value), c.frame) << c.frames << " " << c.value;
}

TEST_F(ControlTest, GrayedKnobIsDrawnFaintAndIgnoresTheMouse) {
    knob->SetGrayed(true);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            BitmapRow(*context->DrawBitmap(), y)[x] = 0;
    context->DrawRegion(Rect{0, 0, 200, 100});
    // Frame 16 of 61 (value 0.25) over the background at w = 64, through the
    // source alpha: a = 64 * 256 / 256 = 64; colour bytes s + (d - s) * 192 / 256.
    const std::uint32_t s = FrameColour(15);
    const std::uint32_t d = FrameColour(0);
    std::uint32_t expected = 0xFF000000u;
    for (int b = 0; b < 3; ++b) {
        const int sb = static_cast<int>((s >> (8 * b)) & 0xFF);
        const int db = static_cast<int>((d >> (8 * b)) & 0xFF);
        expected |= static_cast<std::uint32_t>(sb + (db - sb) * 192 / 256) << (8 * b);
    }
    EXPECT_EQ(Pixel(15, 40), expected);
    DragKnob(-64);
    EXPECT_DOUBLE_EQ(knob->Value(), 0.25);
}

} // namespace
} // namespace torvik::testing
