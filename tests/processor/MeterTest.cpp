// Meter ballistics and the hand-off to the editor's meter controls.
#include "ChainTestSupport.h"
#include "support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvik {
namespace {

using testing::MakeProgramme;
using testing::RecordingGraphics;
using testing::Render;
using testing::SetParam;
using testing::Signal;
using testing::TestTorvik;

Signal Constant(int frames, double left, double right) {
    Signal s;
    s.left.assign(static_cast<std::size_t>(frames), left);
    s.right.assign(static_cast<std::size_t>(frames), right);
    s.scLeft.assign(static_cast<std::size_t>(frames), 0.0);
    s.scRight.assign(static_cast<std::size_t>(frames), 0.0);
    return s;
}

TEST(Meters, WithoutGraphicsNothingMovesAndOutputIsTheSame) {
    TestTorvik bare, shown;
    shown.AttachEditorGraphics(new RecordingGraphics(45));
    shown.SetMeterControls(40, 41, 42, 43, 44);
    const Signal s = MakeProgramme(10000, 48000);
    for (TestTorvik* fx : {&bare, &shown})
        fx->SetSampleRate(48000);
    EXPECT_EQ(Render(bare, s, 256).left, Render(shown, s, 256).left);
    const Meters& m = bare.MeterStates();
    for (double v : {m.meterPre, m.meterMain, m.meterDeEss, m.meterGate, m.meterComp})
        EXPECT_EQ(v, 1.0);
    EXPECT_NE(shown.MeterStates().meterMain, 1.0);
}

TEST(Meters, FollowTheirSourcesWithinTheHoverBand) {
    TestTorvik fx;
    auto* graphics = new RecordingGraphics(45);
    fx.AttachEditorGraphics(graphics);
    fx.SetMeterControls(40, 41, 42, 43, 44);
    fx.SetSampleRate(48000);
    SetParam(fx, kPreampBypass, 0); // the output then equals the input
    // Full scale, equal in both channels: the output meter aims at 4.2.
    Render(fx, Constant(96000, 1.0, 1.0), 512);
    EXPECT_NEAR(fx.MeterStates().meterMain, 4.2, 4.2 * 0.0125);
    // A falling meter covers 99 % of the way down in 0.3 s.
    TestTorvik falling;
    falling.AttachEditorGraphics(new RecordingGraphics(45));
    falling.SetSampleRate(48000);
    Render(falling, Constant(14400, 0.0, 0.0), 512);
    EXPECT_NEAR(falling.MeterStates().meterMain, 0.01, 1e-9);
    // Each sample hands five values, in meter order, the last being the state.
    graphics->handed.clear();
    Render(fx, Constant(3, 0.5, 0.5), 512);
    ASSERT_EQ(graphics->handed.size(), 15u);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(graphics->handed[static_cast<std::size_t>(i)].control, 40 + i % 5);
    EXPECT_EQ(graphics->handed[11].value, fx.MeterStates().meterMain);
}

TEST(Meters, CompressorMeterShowsTheReduction) {
    TestTorvik fx;
    fx.AttachEditorGraphics(new RecordingGraphics(45));
    fx.SetSampleRate(48000);
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

TEST(Meters, IndicesOutsideTheControlListAreSkipped) {
    TestTorvik fx;
    auto* graphics = new RecordingGraphics(42);
    fx.AttachEditorGraphics(graphics);
    fx.SetMeterControls(40, 41, 42, -1, 1000);
    fx.SetSampleRate(48000);
    Render(fx, Constant(10, 0.2, 0.2), 512);
    ASSERT_EQ(graphics->handed.size(), 20u);
    for (const auto& h : graphics->handed)
        EXPECT_TRUE(h.control == 40 || h.control == 41);
    // The skipped meters still move.
    EXPECT_NE(fx.MeterStates().meterGate, 1.0);
}

TEST(Meters, ZeroFrameBlockTouchesNoMeter) {
    TestTorvik fx;
    auto* graphics = new RecordingGraphics(45);
    fx.AttachEditorGraphics(graphics);
    fx.SetMeterControls(40, 41, 42, 43, 44);
    double l = 0.5, r = 0.5;
    double* in[4] = {&l, &r, nullptr, nullptr};
    double* out[2] = {&l, &r};
    fx.ProcessBlock(in, out, 0);
    EXPECT_TRUE(graphics->handed.empty());
    EXPECT_EQ(fx.MeterStates().meterPre, 1.0);
}

} // namespace
} // namespace torvik
