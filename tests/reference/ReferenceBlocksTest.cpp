// The model's building blocks against worked figures of the design, so that the
// model itself is known to be right before the processor is judged by it.
#include "reference/ReferenceStrip.h"
#include "support/GoldenCoefficients.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvik::testing::reference {
namespace {

TEST(ReferenceBlocks, LowShelfMatchesWorkedCoefficients) {
    const testing::BiquadFigures& g = testing::kWorkedLowShelf;
    RefBiquad shelf;
    shelf.type = g.type;
    shelf.fc = g.fc;
    shelf.q = g.q;
    shelf.gainDb = g.gainDb;
    shelf.UpdateCoefficients();
    testing::ExpectFigures(shelf, g);
}

TEST(ReferenceBlocks, PeakMatchesWorkedCoefficientsAndGain) {
    const testing::PeakFigures& g = testing::kWorkedPeak;
    RefPeak peak;
    peak.sampleRate = g.sampleRate;
    peak.SetPeak(g.gainDb, g.freqHz, g.q);
    testing::ExpectFigures(peak, g);
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
        EXPECT_NEAR(cut.b1 / cut.b0, boost.a1, 1e-12) << type;
        EXPECT_NEAR(cut.b2 / cut.b0, boost.a2, 1e-12) << type;
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
} // namespace torvik::testing::reference
