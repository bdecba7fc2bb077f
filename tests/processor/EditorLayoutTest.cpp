// TORVIK's editor as its constructor builds it: the control list, where each
// control sits, what it is bound to and what a fresh editor shows.
#include "processor/EditorLayout.h"
#include "graphics/BitmapControl.h"
#include "graphics/DrawContext.h"
#include "graphics/KnobControl.h"
#include "graphics/PngResource.h"
#include "graphics/SwitchControl.h"
#include "processor/Parameters.h"
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

#include <set>

namespace torvik::testing {
namespace {

using testing::TestTorvik;

class EditorLayoutTest : public ::testing::Test {
protected:
    IDrawContext& Editor() {
        auto* context = dynamic_cast<IDrawContext*>(plug.Graphics());
        EXPECT_NE(context, nullptr);
        return *context;
    }
    IControl& Control(int i) { return *Editor().GetControl(i); }
    // Frame shown, 1-based, for knobs, switches and bitmap controls alike.
    int FrameOf(int i) {
        if (auto* knob = dynamic_cast<IKnobStripControl*>(&Control(i)))
            return knob->CurrentFrame();
        return dynamic_cast<IBitmapControl&>(Control(i)).CurrentFrame();
    }

    TestTorvik plug;
};

TEST_F(EditorLayoutTest, HoldsBackgroundNineteenKnobsTwentySwitchesFiveMeters) {
    ASSERT_EQ(Editor().ControlCount(), 45);
    int knobs = 0, switches = 0, meters = 0;
    for (int i = 1; i < 45; ++i) {
        IControl& c = Control(i);
        if (dynamic_cast<IKnobStripControl*>(&c))
            ++knobs;
        else if (dynamic_cast<ISwitchControl*>(&c))
            ++switches;
        else if (dynamic_cast<IBitmapControl*>(&c) && c.ParamIndex() < 0)
            ++meters;
        EXPECT_EQ(c.GetBlend().method, BlendNone) << i;
    }
    EXPECT_EQ(knobs, 19);
    EXPECT_EQ(switches, 20);
    EXPECT_EQ(meters, 5);
    EXPECT_EQ(Control(0).GetRect(), (Rect{0, 0, 1186, 644}));
    EXPECT_EQ(Control(0).GetBlend().method, BlendOpaque);
    EXPECT_EQ(Control(0).ParamIndex(), -1);
}

TEST_F(EditorLayoutTest, MetersAreTheLastFiveAndTheProcessorKnowsThem) {
    const MeterControlIndices& m = plug.MeterControls();
    EXPECT_EQ(m.pre, 40);
    EXPECT_EQ(m.main, 41);
    EXPECT_EQ(m.deEss, 42);
    EXPECT_EQ(m.gate, 43);
    EXPECT_EQ(m.comp, 44);
    for (int i = 40; i < 45; ++i)
        EXPECT_EQ(Control(i).ParamIndex(), -1) << i;
}

TEST_F(EditorLayoutTest, EveryParameterButNineteenHasExactlyOneControl) {
    std::multiset<int> bound;
    for (int i = 0; i < 45; ++i)
        if (Control(i).ParamIndex() >= 0)
            bound.insert(Control(i).ParamIndex());
    for (int p = 0; p < kParameterCount; ++p)
        EXPECT_EQ(bound.count(p), p == kUnusedParam ? 0u : 1u) << p;
}

TEST_F(EditorLayoutTest, BitmapIdsAreUniqueResources) {
    std::set<int> ids;
    for (const ControlLayout& row : TorvikEditorLayout()) {
        EXPECT_TRUE(ids.insert(row.bitmapId).second) << row.bitmapId;
        EXPECT_GE(row.bitmapId, 101);
        EXPECT_LE(row.bitmapId, 146);
        EXPECT_NE(row.bitmapId, 138);
        EXPECT_EQ(row.bitmapHeight % row.frames, 0) << row.name;
    }
    EXPECT_EQ(ids.size(), 45u);
}

TEST_F(EditorLayoutTest, RectanglesOfTheFirstKnobAndTheMainMeter) {
    EXPECT_EQ(Control(1).GetRect(), (Rect{88, 258, 154, 323}));
    EXPECT_EQ(Control(41).GetRect(), (Rect{983, 95, 1147, 176}));
    EXPECT_EQ(Control(13).GetRect(), (Rect{1052, 481, 1078, 507})); // Main Bypass, 26 x 26
    EXPECT_EQ(Control(39).GetRect(), (Rect{795, 341, 829, 375}));   // 34 x 34
}

TEST_F(EditorLayoutTest, FreshEditorShowsTheDefaults) {
    struct Case {
        int control;
        int param;
        int frame; // 1-based
    } cases[] = {
        {1, kPreampGain, 1},   // -30 of -30..30: the first frame
        {11, kMainInput, 31},  // 0 dB: the middle of 61 frames
        {34, kCompMix, 61},    // 1 of 0..1: the last frame
        {3, kPreampBypass, 2}, // on
        {13, kMainBypass, 2},  // on
        {4, kPreampPad, 1},    // off
        {32, kCompThreshold, 61},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Control(c.control).ParamIndex(), c.param) << c.control;
        EXPECT_EQ(FrameOf(c.control), c.frame) << c.control;
        // The pushed value also became the control's default.
        EXPECT_DOUBLE_EQ(Control(c.control).DefaultValue(), Control(c.control).Value());
    }
}

TEST_F(EditorLayoutTest, DraggingMainInputUpItsHeightSetsPlusFifteenDecibels) {
    const Rect r = Control(11).GetRect(); // 64 pixels high
    Editor().MouseDown(r.left + 10, r.top + 40, MouseMods{true});
    Editor().MouseDrag(r.left + 10, r.top + 40 - 64, MouseMods{true});
    Editor().MouseUp(r.left + 10, r.top + 40 - 64, MouseMods{});
    ASSERT_EQ(plug.edits.size(), 3u);
    EXPECT_EQ(plug.edits[0].kind, 'b');
    EXPECT_EQ(plug.edits[1].kind, 'p');
    EXPECT_EQ(plug.edits[1].index, kMainInput);
    EXPECT_DOUBLE_EQ(plug.edits[1].normalised, 0.75);
    EXPECT_EQ(plug.edits[2].kind, 'e');
    EXPECT_DOUBLE_EQ(plug.ParamAt(kMainInput)->Value(), 15.0);
}

TEST_F(EditorLayoutTest, ClickingPreampBypassTurnsItOff) {
    const Rect r = Control(3).GetRect();
    Editor().MouseDown(r.left + 3, r.top + 3, MouseMods{true});
    Editor().MouseUp(r.left + 3, r.top + 3, MouseMods{});
    EXPECT_DOUBLE_EQ(plug.ParamAt(kPreampBypass)->Value(), 0.0);
    EXPECT_EQ(FrameOf(3), 1);
}

TEST_F(EditorLayoutTest, MeterValuesReachTheirControls) {
    IEditorGraphics* graphics = plug.Graphics();
    const MeterControlIndices& m = plug.MeterControls();
    graphics->SetControlValueFromPlug(m.main, 0.3); // the first value: the meter's default
    graphics->SetControlValueFromPlug(m.main, 0.6);
    graphics->SetControlValueFromPlug(m.comp, 0.5);
    graphics->SetControlValueFromPlug(m.comp, 0.5);
    EXPECT_DOUBLE_EQ(Control(41).Value(), 0.6);
    EXPECT_DOUBLE_EQ(Control(41).DefaultValue(), 0.3);
    EXPECT_EQ(FrameOf(41), 73); // trunc(120 * 0.6 + 0.5) + 1
    EXPECT_DOUBLE_EQ(Control(44).Value(), 0.5);
    EXPECT_DOUBLE_EQ(Control(40).Value(), 0.0); // untouched
}

TEST_F(EditorLayoutTest, StripsHaveTheSizesTheLayoutExpects) {
    int index = 0;
    for (const ControlLayout& row : TorvikEditorLayout()) {
        const IControl& c = Control(index++);
        const Rect& r = c.GetRect();
        EXPECT_EQ(r.left, row.x) << row.name;
        EXPECT_EQ(r.top, row.y) << row.name;
        EXPECT_EQ(r.Width(), row.bitmapWidth) << row.name;
        EXPECT_EQ(r.Height(), row.bitmapHeight / row.frames) << row.name;
    }
}

TEST_F(EditorLayoutTest, ImagesComeFromTheModuleResources) {
    for (const ControlLayout& row : TorvikEditorLayout()) {
        const BitmapRef ref = Editor().LoadBitmapRef(row.bitmapId, row.name, row.frames);
        ASSERT_NE(ref.bitmap, nullptr) << row.name;
        EXPECT_EQ(ref.width, row.bitmapWidth) << row.name;
        EXPECT_EQ(ref.height, row.bitmapHeight) << row.name;
    }
}

} // namespace
} // namespace torvik::testing
