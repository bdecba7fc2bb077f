#include "processor/dsp/SimpleDynamics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>

namespace torvik::testing {
namespace {

using namespace torvik::dsp;

using simple_dynamics::SimpleGate;

TEST(SimpleGate, ConstructionValues) {
    SimpleGate g;
    EXPECT_EQ(g.GetSampleRate(), 44100.0);
    EXPECT_EQ(g.GetAttackMs(), 1.0);
    EXPECT_EQ(g.GetReleaseMs(), 100.0);
    EXPECT_EQ(g.GetThresholdDb(), 0.0);
    EXPECT_EQ(g.Threshold(), 1.0);
    EXPECT_EQ(g.Envelope(), 1e-25);
}

TEST(SimpleGate, ThresholdInDecibels) {
    SimpleGate g;
    g.SetThresholdDb(-60.0);
    EXPECT_NEAR(g.Threshold(), 0.001, 1e-15);
    EXPECT_EQ(g.GetThresholdDb(), -60.0);
    g.SetThresholdDb(0.0);
    EXPECT_EQ(g.Threshold(), 1.0);
}

TEST(SimpleGate, KeyEqualToTheThresholdCountsAsBelow) {
    SimpleGate g;
    g.SetThresholdDb(-20.0);
    double l = g.Threshold(), r = -g.Threshold();
    g.ProcessStereo(l, r);
    EXPECT_EQ(l, 0.0); // envelope stays at its offset: gain 0
    EXPECT_EQ(r, 0.0);
}

// Open with the attack time constant, close with the release one, and keyed
// by the louder channel.
TEST(SimpleGate, OpensAndClosesWithItsTimeConstants) {
    const double fs = 48000.0;
    SimpleGate g;
    g.SetSampleRate(fs);
    g.SetThresholdDb(-60.0);
    g.SetAttackMs(1.0);
    g.SetReleaseMs(50.0);
    // 1 ms of key above the threshold on the right channel only.
    double l = 0, r = 0;
    for (int i = 0; i < 48; ++i) {
        l = 0.5;
        r = 0.01;
        g.ProcessStereo(l, r);
    }
    EXPECT_NEAR(l / 0.5, 1.0 - std::exp(-1.0), 1e-3);
    EXPECT_NEAR(r / 0.01, l / 0.5, 1e-12); // one common gain
    for (int i = 0; i < 48000; ++i) {
        l = 1.0;
        r = 1.0;
        g.ProcessStereo(l, r);
    }
    const double open = l;
    EXPECT_NEAR(open, 1.0, 1e-12);
    // 50 ms at the threshold: falls to e⁻¹ of open, never below 0.
    for (int i = 0; i < 2400; ++i) {
        l = 0.001;
        r = 0.0;
        g.ProcessStereo(l, r);
    }
    EXPECT_NEAR(l / 0.001, std::exp(-1.0), 1e-3);
    for (int i = 0; i < 480000; ++i) {
        l = 0.0005;
        r = 0.0;
        g.ProcessStereo(l, r);
        ASSERT_GE(l, 0.0);
    }
}

TEST(SimpleGate, ResetEnvelopeClosesTheGate) {
    SimpleGate g;
    for (int i = 0; i < 1000; ++i) {
        double l = 2.0, r = 2.0;
        g.ProcessStereo(l, r);
    }
    EXPECT_GT(g.Envelope(), 0.9);
    g.ResetEnvelope();
    EXPECT_EQ(g.Envelope(), 1e-25);
}

TEST(EnvelopeDetector, CoefficientFollowsTimeAndRate) {
    simple_dynamics::EnvelopeDetector d(10.0, 48000.0);
    EXPECT_EQ(d.Coef(), std::exp(-1000.0 / (10.0 * 48000.0)));
    d.SetTimeConstantMs(2.0);
    EXPECT_EQ(d.Coef(), std::exp(-1000.0 / (2.0 * 48000.0)));
    d.SetSampleRate(96000.0);
    EXPECT_EQ(d.Coef(), std::exp(-1000.0 / (2.0 * 96000.0)));
    double s = 1.0;
    d.Run(0.0, s);
    EXPECT_EQ(s, d.Coef());
}

TEST(RampGain, StatedCases) {
    struct Row {
        double gain, target, attack, release, expected;
    };
    const Row rows[] = {
        {1.0, 0.5, 0.9, 0.9, 0.9},       // falls by the attack factor
        {0.5, 1.0, 0.9, 0.9, 0.5 / 0.9}, // rises by the release factor
        {0.95, 0.9, 0.9, 0.9, 0.9},      // stops at the target
        {0.5, 0.52, 0.9, 0.9, 0.52},     // rise stops at the target
        {1.0, 0.2, 0.0, 0.9, 0.2},       // attack factor 0: immediate
        {0.2, 1.0, 0.9, 0.0, 1.0},       // release factor 0: immediate
        {0.0, 1.0, 0.9, 0.0, 1.0},       // even from a gain of 0
        {0.7, 0.7, 0.9, 0.9, 0.7},       // at the target
    };
    for (const Row& r : rows)
        EXPECT_EQ(RampGain(r.gain, r.target, r.attack, r.release), r.expected)
            << r.gain << " -> " << r.target;
}

TEST(DetectLevel, PassesLoudLevelsAndLiftsQuietOnes) {
    const double a = std::exp(-kDetectorCornerRadians / 48000.0);
    EXPECT_EQ(DetectLevel(0.0, a), 0.0);
    for (double x : {1.0, 0.5, 0.01, 1.0 - a + 1e-6})
        EXPECT_EQ(DetectLevel(x, a), x);
    for (double x : {1e-4, 1e-6, (1.0 - a) * 0.5}) {
        const double d = DetectLevel(x, a);
        EXPECT_GT(d, x);
        EXPECT_NEAR(d, std::sqrt((1.0 - a * a) * x), 1e-15);
    }
    EXPECT_EQ(DetectLevel(-0.5, a), 0.0); // exceeds no threshold
}

// The run forms against the one-sample definitions, bit for bit, on values
// that take every branch (an odd count leaves a last value on its own).
TEST(DetectLevel, RunMatchesEachLevel) {
    const double a = std::exp(-kDetectorCornerRadians / 48000.0);
    const double levels[] = {0.0, -0.0, -0.5,     1e-300,    1e-6, (1.0 - a) * 0.5, 1.0 - a, 0.5,
                             2.0, NAN,  INFINITY, -INFINITY, 1e-4};
    constexpr int n = static_cast<int>(std::size(levels));
    double out[n];
    DetectLevelRun(levels, out, n, a);
    for (int i = 0; i < n; ++i) {
        const double one = DetectLevel(levels[i], a);
        EXPECT_TRUE(std::memcmp(&out[i], &one, sizeof one) == 0 ||
                    (std::isnan(one) && std::isnan(out[i])))
            << levels[i];
    }
}

TEST(SimpleGate, GainRunMatchesProcessStereo) {
    SimpleGate one, run;
    for (SimpleGate* g : {&one, &run}) {
        g->SetSampleRate(48000.0);
        g->SetThresholdDb(-20.0);
        g->SetReleaseMs(5.0);
    }
    // Open, held open, then shut long enough to decay, and open again.
    double left[600], right[600], gains[600];
    for (int i = 0; i < 600; ++i) {
        const bool loud = i < 200 || i >= 500;
        left[i] = loud ? 0.5 : 0.01;
        right[i] = loud ? -0.3 : -0.02;
    }
    run.GainRun(left, right, gains, 600);
    for (int i = 0; i < 600; ++i) {
        double l = left[i], r = right[i];
        one.ProcessStereo(l, r);
        ASSERT_EQ(l, left[i] * gains[i]) << i;
        ASSERT_EQ(r, right[i] * gains[i]) << i;
    }
    EXPECT_EQ(run.Envelope(), one.Envelope());
}

} // namespace
} // namespace torvik::testing
