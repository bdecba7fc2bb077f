// The model's building blocks against worked figures of the design, so that the
// model itself is known to be right before the processor is judged by it.
#include "reference/ReferenceStrip.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvik::reference {
namespace {

TEST(ReferenceBlocks, LowShelfMatchesWorkedCoefficients) {
    RefBiquad shelf;
    shelf.type = 5;
    shelf.fc = 30.0 / 48000.0;
    shelf.q = 0.2;
    shelf.gainDb = 3.0;
    shelf.UpdateCoefficients();
    EXPECT_NEAR(shelf.a0, 1.00401226768, 1e-10);
    EXPECT_NEAR(shelf.a1, -1.98053756573, 1e-10);
    EXPECT_NEAR(shelf.a2, 0.976546869357, 1e-10);
    EXPECT_NEAR(shelf.b1, -1.98054071573, 1e-10);
    EXPECT_NEAR(shelf.b2, 0.980555987041, 1e-10);
}

TEST(ReferenceBlocks, PeakMatchesWorkedCoefficientsAndGain) {
    RefPeak peak;
    peak.sampleRate = 48000.0;
    peak.SetPeak(6.0, 1000.0, 0.35);
    EXPECT_NEAR(peak.b0, 1.12473410331, 1e-10);
    EXPECT_NEAR(peak.b1, -1.7708898034, 1e-10);
    EXPECT_NEAR(peak.b2, 0.661225788886, 1e-10);
    EXPECT_NEAR(peak.a1, -1.75262442654, 1e-10);
    EXPECT_NEAR(peak.a2, 0.767694515345, 1e-10);

    // |H(e^jw)| at 1 kHz is +6 dB.
    const double w = 6.283185307179586 * 1000.0 / 48000.0;
    const double nr = peak.b0 + peak.b1 * std::cos(w) + peak.b2 * std::cos(2 * w);
    const double ni = -peak.b1 * std::sin(w) - peak.b2 * std::sin(2 * w);
    const double dr = 1.0 + peak.a1 * std::cos(w) + peak.a2 * std::cos(2 * w);
    const double di = -peak.a1 * std::sin(w) - peak.a2 * std::sin(2 * w);
    const double db = 20.0 * std::log10(std::hypot(nr, ni) / std::hypot(dr, di));
    EXPECT_NEAR(db, 6.0, 1e-6);
}

TEST(ReferenceBlocks, ShelvesMirrorAndZeroGainPasses) {
    for (int type : {4, 5, 6}) {
        RefBiquad boost, cut, flat;
        for (RefBiquad* f : {&boost, &cut, &flat}) {
            f->type = type;
            f->fc = 0.05;
            f->q = 0.7;
        }
        boost.gainDb = 6.0;
        cut.gainDb = -6.0;
        boost.UpdateCoefficients();
        cut.UpdateCoefficients();
        flat.UpdateCoefficients();
        // The cut's numerator is the boost's denominator, scaled alike.
        EXPECT_NEAR(cut.a1 / cut.a0, boost.b1, 1e-12) << type;
        EXPECT_NEAR(cut.a2 / cut.a0, boost.b2, 1e-12) << type;
        for (float x : {0.25f, -0.5f, 0.125f})
            EXPECT_EQ(flat.Process(x), x) << type;
    }
}

TEST(ReferenceBlocks, DynamicsEdgeFigures) {
    RefGate gate;
    gate.SetThresholdDb(-60.0);
    EXPECT_NEAR(gate.threshold, 0.001, 1e-15);
    EXPECT_NEAR(gate.attackCoef, std::exp(-0.022675736961451247), 1e-15);

    // A key exactly at the threshold counts as below it.
    gate.SetThresholdDb(0.0);
    double l = 1.0, r = -1.0;
    gate.ProcessStereo(l, r);
    EXPECT_EQ(l, 0.0);
    EXPECT_EQ(r, 0.0);
}

} // namespace
} // namespace torvik::reference
