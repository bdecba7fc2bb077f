// Each stage on its own: the behaviours it is built for.
#include "processor/stages/Compressor.h"
#include "processor/stages/DeEsser.h"
#include "processor/stages/Equaliser.h"
#include "processor/stages/Gate.h"
#include "processor/stages/OutputStage.h"
#include "processor/stages/Preamp.h"
#include "support/GoldenCoefficients.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace torvik {
namespace {

constexpr double kFs = 48000.0;

double Db(double v) {
    return std::pow(10.0, v / 20.0);
}

// Runs the preamp on a sine and returns the output and meter-source peaks
// over the last half second, after the smoothers have settled.
struct PreampRun {
    double rmsIn = 0, rmsOut = 0, peakOut = 0, peakMeter = 0;
    std::vector<Stereo> last; // the final outputs
};

PreampRun RunPreamp(Preamp& p, const PreampSwitches& sw, double amplitude, int frames = 96000) {
    p.SetUpBlock(kFs, false, false);
    PreampRun r;
    double sumIn = 0, sumOut = 0;
    for (int i = 0; i < frames; ++i) {
        p.SetSmootherRates(kFs);
        const double x = amplitude * std::sin(2 * M_PI * 440 * i / kFs);
        const PreampOutput o = p.Process({x, x}, sw, kFs);
        if (i >= frames / 2) {
            sumIn += x * x;
            sumOut += o.out.left * o.out.left;
            r.peakOut = std::max(r.peakOut, std::fabs(o.out.left));
            r.peakMeter = std::max(r.peakMeter, std::fabs(o.meterSource.left));
            if (i >= frames - 100)
                r.last.push_back(o.out);
        }
    }
    r.rmsIn = std::sqrt(sumIn);
    r.rmsOut = std::sqrt(sumOut);
    return r;
}

TEST(Preamp, LowestDriveBarelyTouchesAHalfScaleSine) {
    Preamp p;
    p.preampGain = Db(-30);
    const PreampRun r = RunPreamp(p, {}, 0.5);
    EXPECT_NEAR(20 * std::log10(r.rmsOut / r.rmsIn), -0.0005, 0.0003);
}

TEST(Preamp, HighestDriveLimitsFullScaleToTheInverseDrive) {
    Preamp p;
    p.preampGain = Db(30);
    const PreampRun r = RunPreamp(p, {}, 1.0);
    EXPECT_NEAR(r.peakOut, 1.0 / Db(30), 0.001);
}

TEST(Preamp, PadLowersTheDriveAndTheMeterSourceNotSmallSignals) {
    Preamp off, on;
    off.preampGain = on.preampGain = Db(0);
    PreampSwitches padded;
    padded.pad = true;
    const PreampRun a = RunPreamp(off, {}, 0.01);
    const PreampRun b = RunPreamp(on, padded, 0.01);
    EXPECT_NEAR(b.rmsOut / a.rmsOut, 1.0, 1e-4);
    EXPECT_NEAR(20 * std::log10(b.peakMeter / a.peakMeter), -20.0, 0.01);
}

TEST(Preamp, PhaseNegatesBothChannels) {
    Preamp a, b;
    PreampSwitches inverted;
    inverted.phase = true;
    const PreampRun plain = RunPreamp(a, {}, 0.3, 2000);
    const PreampRun flipped = RunPreamp(b, inverted, 0.3, 2000);
    for (std::size_t i = 0; i < plain.last.size(); ++i) {
        EXPECT_EQ(flipped.last[i].left, -plain.last[i].left);
        EXPECT_EQ(flipped.last[i].right, -plain.last[i].right);
    }
}

TEST(Preamp, SkippedStageAppliesOnlyTheMainInputAtOnce) {
    Preamp p;
    p.inputGain = Db(7.5);
    PreampSwitches skipped;
    skipped.engaged = false;
    skipped.transformer = skipped.hpf = true;
    p.SetUpBlock(kFs, true, true);
    p.SetSmootherRates(kFs);
    for (double x : {0.5, -0.25, 1e-12, 0.0}) {
        const PreampOutput o = p.Process({x, -x}, skipped, kFs);
        EXPECT_EQ(o.out.left, Db(7.5) * x);
        EXPECT_EQ(o.out.right, Db(7.5) * -x);
    }
}

TEST(Equaliser, ColourOfAConstantHalf) {
    Equaliser eq;
    eq.SetUpBlock(kFs);
    Stereo e;
    for (int i = 0; i < 10; ++i)
        e = eq.Process({0.5, 0.5}, true);
    EXPECT_NEAR(e.left, testing::kColourOfHalf, testing::kColourTolerance);
    EXPECT_EQ(e.left, static_cast<double>(static_cast<float>(Equaliser::Colour(0.5))));
    EXPECT_EQ(eq.Process({0.5, 0.25}, false).right, 0.25); // skipped: no colour
}

// Up to full scale the colour is the plain formula; beyond it the tan term is held at
// its full-scale value instead of growing without bound toward |x| = 1.1624.
TEST(Equaliser, ColourIsBoundedAboveFullScale) {
    for (double x : {-1.0, -0.7, -0.1, 0.0, 0.3, 0.99, 1.0}) {
        const double plain = x +
                             std::sin(0.005 * std::tanh(x * x * x) + 0.00005 * std::sin(x * x)) -
                             0.000001 * std::tan(x * x * x);
        EXPECT_EQ(Equaliser::Colour(x), plain) << x;
    }
    for (double x = 1.0; x < 3.0; x += 0.0001) {
        for (double v : {x, -x}) {
            const double extra = Equaliser::Colour(v) - v;
            ASSERT_LT(std::fabs(extra), 0.006) << v;
        }
    }
    EXPECT_NEAR(Equaliser::Colour(1.0 + 1e-12), Equaliser::Colour(1.0), 1e-11);
    EXPECT_TRUE(std::isfinite(Equaliser::Colour(1e30)));
}

TEST(Equaliser, PeakWidthFollowsGain) {
    EXPECT_EQ(Equaliser::PeakQ(0.0), 0.2);
    EXPECT_EQ(Equaliser::PeakQ(15.0), 15.0 / 40.0 + 0.2);
    EXPECT_NEAR(Equaliser::PeakQ(15.0), 0.575, 1e-15);
    EXPECT_NEAR(Equaliser::PeakQ(-15.0), 0.8, 1e-15);
}

// The de-esser on a signal: a low tone leaves it alone; a loud sibilant pulls
// the gain down, never faster than the attack factor per sample.
TEST(DeEsser, ReactsToSibilanceOnly) {
    DeEsser quiet, sharp;
    quiet.thresholdDb = -10;
    sharp.thresholdDb = -40;
    DeEsserSwitches on;
    on.engaged = true;
    quiet.SetUpBlock(kFs);
    sharp.SetUpBlock(kFs);
    const double attackFactor = std::exp(-1.0 / (0.002 * kFs));
    double previous = 1.0;
    for (int i = 0; i < 24000; ++i) {
        quiet.SetSmootherRates(kFs);
        sharp.SetSmootherRates(kFs);
        const double low = 0.8 * std::sin(2 * M_PI * 200 * i / kFs);
        const Stereo out = quiet.Process({low, low}, on, kFs);
        ASSERT_EQ(quiet.Gain(), 1.0);
        ASSERT_EQ(out.left, static_cast<double>(static_cast<float>(low)));
        const double hiss = 0.5 * std::sin(2 * M_PI * 20000 * i / kFs);
        sharp.Process({hiss, hiss}, on, kFs);
        ASSERT_GE(sharp.Gain(), previous * attackFactor * (1 - 1e-12));
        previous = sharp.Gain();
    }
    EXPECT_LT(sharp.Gain(), 0.5);
}

TEST(DeEsser, NoMixPassesTheInputExactly) {
    DeEsser d;
    d.mix = 0.0;
    d.thresholdDb = -60;
    d.SetUpBlock(kFs);
    DeEsserSwitches on;
    on.engaged = true;
    for (int i = 0; i < 4800; ++i) {
        d.SetSmootherRates(kFs);
        const double v = 0.7 * std::sin(2 * M_PI * 19000 * i / kFs);
        const Stereo out = d.Process({v, -0.5 * v}, on, kFs);
        ASSERT_EQ(out.left, v);
        ASSERT_EQ(out.right, -0.5 * v);
    }
    EXPECT_LT(d.Gain(), 1.0); // detection ran all the same
}

TEST(Gate, ClosedGateHalvesWithHalfMix) {
    Gate g;
    g.thresholdParam = 0; // threshold 1.0: nothing within full scale opens it
    g.mix = 0.5;
    GateSwitches on;
    on.engaged = true;
    for (int i = 0; i < 100; ++i) {
        const GateOutput o = g.Process({0.8, -0.4}, on, kFs);
        ASSERT_EQ(o.gated.left, 0.0);
        ASSERT_EQ(o.out.left, 0.4);
        ASSERT_EQ(o.out.right, -0.2);
    }
}

TEST(Gate, OpensWithItsAttackTimeEvenWhileSkipped) {
    for (bool fast : {false, true}) {
        Gate g;
        GateSwitches skipped;
        skipped.fastAttack = fast;
        const int n = fast ? 5 : 48; // one time constant
        GateOutput o;
        for (int i = 0; i < n; ++i)
            o = g.Process({0.01, 0.0}, skipped, kFs);
        EXPECT_EQ(o.out.left, 0.01);
        EXPECT_NEAR(o.gated.left / 0.01, 1 - std::exp(-n / (kFs * (fast ? 0.0001 : 0.001))), 1e-9);
        EXPECT_EQ(g.State().GetThresholdDb(), -60.0);
    }
}

Stereo RunCompressor(Compressor& c, double level, const CompressorSwitches& sw, Stereo e,
                     int frames = 96000) {
    c.SetUpBlock(kFs);
    Stereo out;
    for (int i = 0; i < frames; ++i)
        out = c.Process(e, {level, level}, sw, kFs);
    return out;
}

TEST(Compressor, TenDecibelsOverAtRatioFourTakesSevenAndAHalf) {
    CompressorSwitches external;
    external.engaged = true;
    external.externalSidechain = true;
    Compressor c;
    c.thresholdDb = -20;
    c.ratio = 4;
    const Stereo out = RunCompressor(c, Db(-10), external, {0.1, 0.1});
    EXPECT_NEAR(20 * std::log10(c.Gain()), -7.5, 1e-6);
    EXPECT_NEAR(20 * std::log10(out.left / 0.1), -7.5, 1e-6); // no makeup

    CompressorSwitches internal;
    internal.engaged = true;
    Compressor d;
    d.thresholdDb = -20;
    d.ratio = 4;
    const Stereo self = RunCompressor(d, 0.0, internal, {Db(-10), Db(-10)});
    EXPECT_NEAR(20 * std::log10(self.left / Db(-10)), -7.5 + 4.4, 1e-6);
}

TEST(Compressor, KneeIsContinuous) {
    // Levels straddling T - 3 and T + 3 move the settled reduction smoothly.
    CompressorSwitches external;
    external.externalSidechain = true;
    for (double edge : {-23.0, -17.0}) {
        double below, above;
        {
            Compressor c;
            c.thresholdDb = -20;
            RunCompressor(c, Db(edge - 1e-7), external, {});
            below = c.Gain();
        }
        {
            Compressor c;
            c.thresholdDb = -20;
            RunCompressor(c, Db(edge + 1e-7), external, {});
            above = c.Gain();
        }
        EXPECT_NEAR(below, above, 1e-7) << edge;
    }
}

TEST(Compressor, NoReductionAtZeroThresholdOrSilentSidechain) {
    CompressorSwitches on;
    on.engaged = true;
    Compressor top;
    const Stereo out = RunCompressor(top, 0.0, on, {0.9, -0.9}, 1000);
    EXPECT_EQ(top.Gain(), 1.0);
    EXPECT_EQ(out.left, 0.9);
    EXPECT_EQ(out.right, -0.9);

    on.externalSidechain = true;
    Compressor silent;
    silent.thresholdDb = -60;
    RunCompressor(silent, 0.0, on, {1.0, 1.0}, 1000);
    EXPECT_EQ(silent.Gain(), 1.0);
}

TEST(OutputStage, MeterSources) {
    OutputStage o;
    const MeterSources s = o.Sources({0.25, 0.5}, {1.0, 1.0}, 0.75, 20.0, {0.1, -0.3}, 0.5);
    EXPECT_EQ(s.pre, 1.5);
    EXPECT_NEAR(s.main, 4.2, 1e-15);
    EXPECT_EQ(s.deEss, 0.25);
    EXPECT_NEAR(s.gate, 100.0 * 0.2, 1e-12);
    EXPECT_EQ(s.comp, 0.5);
}

TEST(OutputStage, GlideHoldsWhileTheMainSectionIsOff) {
    OutputStage o;
    o.outputGain = 2.0;
    o.SetSmootherRates(kFs);
    const Stereo first = o.Process({1.0, 1.0}, {0.3, 0.3}, true);
    for (int i = 0; i < 1000; ++i) {
        const Stereo off = o.Process({1.0, 1.0}, {0.3, -0.3}, false);
        ASSERT_EQ(off.left, 0.3 - 1e-10);
        ASSERT_EQ(off.right, -0.3 - 1e-10);
    }
    // Resumes from where it stood: the next step continues the same glide.
    const double c = std::exp(-6.283185307179586 * 10.0 / kFs);
    const double s1 = first.right / (1.0 - 1e-10);
    const Stereo next = o.Process({1.0, 1.0}, {0, 0}, true);
    EXPECT_NEAR(next.left / (1.0 - 1e-10), (1 - c) * 2.0 + c * s1, 1e-12);
}

} // namespace
} // namespace torvik
