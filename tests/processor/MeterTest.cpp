// Meter ballistics and the hand-off to the editor's meter controls.
#include "ChainTestSupport.h"
#include "graphics/DrawContext.h"
#include "processor/MeterHandOff.h"
#include "support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <cmath>

namespace torvik {
namespace {

using testing::EnsureGraphics;
using testing::RecordingGraphics;
using testing::Render;
using testing::SetParam;
using testing::Signal;
using testing::TestTorvik;

constexpr double kFs = 48000.0;

Signal Constant(int frames, double left, double right) {
    Signal s;
    s.left.assign(static_cast<std::size_t>(frames), left);
    s.right.assign(static_cast<std::size_t>(frames), right);
    s.scLeft.assign(static_cast<std::size_t>(frames), 0.0);
    s.scRight.assign(static_cast<std::size_t>(frames), 0.0);
    return s;
}

const MeterControlIndices kControls = {40, 41, 42, 43, 44};

const MeterSources kSources = {0.5, 4.2, 0.25, 0.0, 2.0};

TEST(Meters, WithoutGraphicsNothingIsHandedOff) {
    Meters m;
    int asked = 0;
    HandOffMeters(m, kControls, [&] {
        ++asked;
        return static_cast<IEditorGraphics*>(nullptr);
    });
    EXPECT_EQ(asked, 1);
}

TEST(Meters, HandOffInMeterOrderSkippingUnknownControls) {
    RecordingGraphics graphics(43); // controls 0..42
    Meters m;
    m.Update(kSources, m.Coefficient(kFs));
    MeterControlIndices controls = kControls;
    controls.gate = -1;
    HandOffMeters(m, controls, [&] { return static_cast<IEditorGraphics*>(&graphics); });
    ASSERT_EQ(graphics.handed.size(), 3u);
    EXPECT_EQ(graphics.handed[0].control, 40);
    EXPECT_EQ(graphics.handed[0].value, m.meterPre);
    EXPECT_EQ(graphics.handed[1].control, 41);
    EXPECT_EQ(graphics.handed[1].value, m.meterMain);
    EXPECT_EQ(graphics.handed[2].control, 42);
    EXPECT_EQ(graphics.handed[2].value, m.meterDeEss);
    // Every meter moved, handed off or not.
    EXPECT_NE(m.meterGate, 1.0);
    EXPECT_NE(m.meterComp, 1.0);
}

TEST(Meters, StopAsSoonAsTheGraphicsGoAway) {
    RecordingGraphics graphics(45);
    Meters m;
    int asked = 0;
    HandOffMeters(m, kControls,
                  [&]() -> IEditorGraphics* { return ++asked <= 2 ? &graphics : nullptr; });
    EXPECT_EQ(graphics.handed.size(), 2u);
    EXPECT_EQ(asked, 3);
}

// A rising meter aims 1.25 % above its level, a falling one 1.25 % below, and
// a step is 99 % covered in 0.3 s.
TEST(Meters, Ballistics) {
    const double k = std::exp(-4.60517018599 / (0.3 * kFs));
    EXPECT_EQ(Meters().Coefficient(kFs), k);
    EXPECT_EQ(Meters::Follow(0.0, 1.0, k), 1.0125 + k * (0.0 - 1.0125));
    EXPECT_EQ(Meters::Follow(1.0, 0.5, k), 0.5 * 0.9875 + k * (1.0 - 0.5 * 0.9875));
    double state = 1.0;
    for (int i = 0; i < static_cast<int>(0.3 * kFs); ++i)
        state = Meters::Follow(state, 0.0, k);
    EXPECT_NEAR(state, 0.01, 1e-9);
    for (int i = 0; i < 480000; ++i) {
        state = Meters::Follow(state, 0.8, k);
        if (i > 96000) {
            ASSERT_GE(state, 0.8 * 0.9875 - 1e-12);
            ASSERT_LE(state, 0.8 * 1.0125 + 1e-12);
        }
    }
}

TEST(Meters, ChainDrivesTheOutputMeterTowardFourPointTwoAtFullScale) {
    TestTorvik fx;
    EnsureGraphics(fx);
    fx.SetSampleRate(kFs);
    SetParam(fx, kPreampBypass, 0); // the output then equals the input
    Render(fx, Constant(96000, 1.0, 1.0), 512);
    EXPECT_NEAR(fx.MeterStates().meterMain, 4.2, 4.2 * 0.0125);
}

TEST(Meters, ChainHandsFiveValuesPerBlock) {
    TestTorvik fx;
    RecordingGraphics* recorder = EnsureGraphics(fx);
    fx.SetSampleRate(kFs);
    Render(fx, Constant(3, 0.5, 0.5), 512);
    if (!recorder) {
        // The processor's own editor: each meter control holds its meter's
        // latest state, kept within the control's 0..1.
        auto* editor = dynamic_cast<IDrawContext*>(fx.Graphics());
        ASSERT_NE(editor, nullptr);
        const Meters& m = fx.MeterStates();
        const double states[5] = {m.meterPre, m.meterMain, m.meterDeEss, m.meterGate, m.meterComp};
        for (int i = 0; i < 5; ++i)
            EXPECT_DOUBLE_EQ(editor->GetControl(40 + i)->Value(), std::clamp(states[i], 0.0, 1.0))
                << i;
        return;
    }
    // One block: each meter handed once, with the block's last state.
    ASSERT_EQ(recorder->handed.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(recorder->handed[static_cast<std::size_t>(i)].control, 40 + i);
    EXPECT_EQ(recorder->handed[1].value, fx.MeterStates().meterMain);
}

TEST(Meters, CompressorMeterShowsTheReduction) {
    TestTorvik fx;
    EnsureGraphics(fx);
    fx.SetSampleRate(kFs);
    SetParam(fx, kCompThreshold, -20);
    SetParam(fx, kCompRatio, 20);
    SetParam(fx, kCompExternalSidechain, 1);
    // A sidechain about 6.3 dB over the threshold at ratio 20 reduces by 6 dB.
    const double over = 6.0 / (1.0 - 1.0 / 20.0);
    Signal s = Constant(96000, 0.1, 0.1);
    std::fill(s.scLeft.begin(), s.scLeft.end(), std::pow(10.0, (-20 + over) / 20));
    Render(fx, s, 512);
    EXPECT_NEAR(fx.CompressorStage().Gain(), std::pow(10.0, -6.0 / 20), 1e-9);
    EXPECT_NEAR(fx.MeterStates().meterComp, 1.0 - std::pow(10.0, -6.0 / 20), 0.01);
}

TEST(Meters, ZeroFrameBlockTouchesNoMeter) {
    TestTorvik fx;
    EnsureGraphics(fx);
    double l = 0.5, r = 0.5;
    double* in[4] = {&l, &r, nullptr, nullptr};
    double* out[2] = {&l, &r};
    fx.ProcessBlock(in, out, 0);
    const Meters& m = fx.MeterStates();
    for (double v : {m.meterPre, m.meterMain, m.meterDeEss, m.meterGate, m.meterComp})
        EXPECT_EQ(v, 1.0);
}

} // namespace
} // namespace torvik
