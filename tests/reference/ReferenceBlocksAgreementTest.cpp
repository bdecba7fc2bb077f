// The processor's filter and dynamics blocks against the model's, coefficient
// by coefficient and sample by sample, over grids of settings. Differences in
// coefficients hide below the 32-bit rounding of a section's output for a long
// time, so they are compared directly here.
#include "processor/dsp/Biquad.h"
#include "processor/dsp/ParamSmoother.h"
#include "processor/dsp/PeakFilter.h"
#include "processor/dsp/SimpleDynamics.h"
#include "reference/ReferenceStrip.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvik::testing::reference {
namespace {

TEST(ReferenceBlocksAgreement, BiquadCoefficientsAndOutputOverAGrid) {
    int compared = 0;
    for (int type = 0; type <= 7; ++type) {
        for (double fc : {0.0, 1e-4, 10.0 / 48000, 0.01, 80.0 / 44100, 0.1, 0.25, 0.3125, 0.45,
                          15000.0 / 44100, 16000.0 / 44100}) {
            for (double q : {0.1, 0.2, 0.6, 0.707, 1.0, 1.4}) {
                for (double gainDb : {-24.0, -15.0, -6.0, -0.5, 0.0, 0.01, 3.0, 15.0}) {
                    dsp::Biquad p;
                    RefBiquad m;
                    p.type = m.type = type;
                    p.fc = m.fc = fc;
                    p.q = m.q = q;
                    p.gainDb = m.gainDb = gainDb;
                    p.UpdateCoefficients();
                    m.UpdateCoefficients();
                    ASSERT_EQ(p.b0, m.b0) << type << " " << fc << " " << q << " " << gainDb;
                    ASSERT_EQ(p.b1, m.b1) << type << " " << fc << " " << q << " " << gainDb;
                    ASSERT_EQ(p.b2, m.b2) << type << " " << fc << " " << q << " " << gainDb;
                    ASSERT_EQ(p.a1, m.a1) << type << " " << fc << " " << q << " " << gainDb;
                    ASSERT_EQ(p.a2, m.a2) << type << " " << fc << " " << q << " " << gainDb;
                    for (int n = 0; n < 64; ++n) {
                        const float x = static_cast<float>(std::sin(0.37 * n) * 0.8);
                        ASSERT_EQ(p.Process(x), m.Process(x));
                    }
                    ASSERT_EQ(p.z1, m.z1);
                    ASSERT_EQ(p.z2, m.z2);
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 8 * 11 * 6 * 8);
}

// Corners between 0.49 and 0.5 of the sample rate still have a design (the
// 16 kHz de-esser shelf at rates from 32 kHz to about 32.65 kHz).
TEST(ReferenceBlocksAgreement, BiquadCornerJustBelowHalfTheRate) {
    for (double fc : {0.4901, 16000.0 / 32500.0, 0.4999}) {
        dsp::Biquad p;
        RefBiquad m;
        p.type = m.type = 6;
        p.fc = m.fc = fc;
        p.q = m.q = 1.0;
        p.gainDb = m.gainDb = -12.0;
        p.UpdateCoefficients();
        m.UpdateCoefficients();
        EXPECT_EQ(p.b0, m.b0) << fc;
        EXPECT_EQ(p.a1, m.a1) << fc;
        EXPECT_EQ(p.a2, m.a2) << fc;
    }
}

TEST(ReferenceBlocksAgreement, PeakCoefficientsAndOutputOverAGrid) {
    for (double fs : {44100.0, 48000.0, 96000.0, 192000.0}) {
        for (double freq : {220.0, 400.0, 1200.0, 1500.0, 3000.0, 8200.0}) {
            for (double gainDb : {-15.0, -7.5, -0.01, 0.0, 0.01, 6.0, 15.0}) {
                const double q = gainDb >= 0.0 ? gainDb / 40.0 + 0.2 : 0.2 - gainDb / 25.0;
                dsp::PeakFilter p;
                RefPeak m;
                p.sampleRate = m.sampleRate = fs;
                p.SetPeak(gainDb, freq, q);
                m.SetPeak(gainDb, freq, q);
                ASSERT_EQ(p.b0, m.b0) << fs << " " << freq << " " << gainDb;
                ASSERT_EQ(p.b1, m.b1) << fs << " " << freq << " " << gainDb;
                ASSERT_EQ(p.b2, m.b2) << fs << " " << freq << " " << gainDb;
                ASSERT_EQ(p.a1, m.a1) << fs << " " << freq << " " << gainDb;
                ASSERT_EQ(p.a2, m.a2) << fs << " " << freq << " " << gainDb;
                for (int n = 0; n < 64; ++n) {
                    const double x = std::sin(0.21 * n) * 0.9;
                    ASSERT_EQ(p.Process(x), m.Process(x));
                }
            }
        }
    }
}

TEST(ReferenceBlocksAgreement, SmootherGateDetectorAndRamp) {
    dsp::ParamSmoother ps;
    RefSmoother ms;
    dsp::simple_dynamics::SimpleGate pg;
    RefGate mg;
    for (double fs : {44100.0, 48000.0, 96000.0, 192000.0}) {
        ps.SetRate(fs);
        ms.SetRate(fs);
        for (int n = 0; n < 100; ++n)
            ASSERT_EQ(ps.Step(0.03 * n), ms.Step(0.03 * n));
        pg.SetSampleRate(fs);
        mg.SetSampleRate(fs);
        for (double ms_ : {0.1, 1.0, 37.0, 500.0}) {
            pg.SetAttackMs(ms_);
            mg.SetAttackMs(ms_);
            pg.SetReleaseMs(ms_ * 3.0);
            mg.SetReleaseMs(ms_ * 3.0);
            pg.SetThresholdDb(-ms_ / 10.0);
            mg.SetThresholdDb(-ms_ / 10.0);
            for (int n = 0; n < 200; ++n) {
                double pl = std::sin(0.05 * n), pr = std::cos(0.03 * n) * 0.5;
                double ml = pl, mr = pr;
                pg.ProcessStereo(pl, pr);
                mg.ProcessStereo(ml, mr);
                ASSERT_EQ(pl, ml);
                ASSERT_EQ(pr, mr);
            }
        }
    }
    // The detector and the ramp, including their edges.
    const double a = std::exp(-dsp::kDetectorCornerRadians / 48000.0);
    for (double level : {0.0, 1e-12, 1e-4, 0.001, 0.0013, 0.002, 0.5, 1.0, 7.0}) {
        const double s = (1.0 - a) * level;
        const double expected = level > std::sqrt(s) ? level : std::sqrt(s + a * s);
        EXPECT_EQ(dsp::DetectLevel(level, a), expected) << level;
    }
    EXPECT_EQ(dsp::RampGain(1.0, 0.5, 0.9, 0.9), 0.9);
    EXPECT_EQ(dsp::RampGain(0.5, 1.0, 0.9, 0.9), 0.5 / 0.9);
    EXPECT_EQ(dsp::RampGain(0.95, 0.9, 0.9, 0.9), 0.9);
    EXPECT_EQ(dsp::RampGain(0.5, 1.0, 0.9, 0.0), 1.0);
    EXPECT_EQ(dsp::RampGain(0.5, 0.1, 0.0, 0.9), 0.1);
}

} // namespace
} // namespace torvik::testing::reference
