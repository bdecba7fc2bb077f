#include "processor/dsp/PeakFilter.h"
#include "support/GoldenCoefficients.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace torvik::testing {
namespace {

using namespace torvik::dsp;

double GainDb(const PeakFilter& f, double hz) {
    return 20.0 *
           std::log10(testing::SectionMagnitude(f.b0, f.b1, f.b2, f.a1, f.a2, hz / f.sampleRate));
}

TEST(PeakFilter, FreshFilterOutputsSilence) {
    PeakFilter f;
    EXPECT_EQ(f.piConst, 3.141592653589793);
    EXPECT_EQ(f.gainDivisor, 1.4142135623730951);
    for (double x : {1.0, -0.5, 123.0})
        EXPECT_EQ(f.Process(x), 0.0);
}

TEST(PeakFilter, WorkedExample) {
    const testing::PeakFigures& g = testing::kWorkedPeak;
    PeakFilter f;
    f.sampleRate = g.sampleRate;
    f.SetPeak(g.gainDb, g.freqHz, g.q);
    testing::ExpectFigures(f, g);
}

// A design is skipped only when gain, centre, q and sample rate all repeat;
// any one of them moved, or a design from other inputs in between, designs
// again exactly as a fresh section would.
TEST(PeakFilter, RepeatedSettingsKeepTheDesignAndAnyChangeRedesigns) {
    struct Settings {
        double gainDb, freqHz, q, fs;
    };
    const Settings base{6.0, 1000.0, 0.35, 48000.0};
    const Settings moved[] = {{-6.0, 1000.0, 0.35, 48000.0},
                              {6.0, 1200.0, 0.35, 48000.0},
                              {6.0, 1000.0, 0.5, 48000.0},
                              {6.0, 1000.0, 0.35, 44100.0}};
    const auto design = [](PeakFilter& f, const Settings& s) {
        f.sampleRate = s.fs;
        f.SetPeak(s.gainDb, s.freqHz, s.q);
    };
    const auto same = [](const PeakFilter& a, const PeakFilter& b) {
        return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2 && a.a1 == b.a1 && a.a2 == b.a2;
    };
    for (const Settings& m : moved) {
        PeakFilter f, fresh;
        design(f, base);
        design(f, base);
        design(f, m);
        design(fresh, m);
        EXPECT_TRUE(same(f, fresh)) << m.gainDb << " " << m.freqHz << " " << m.q << " " << m.fs;
        design(f, base);
        PeakFilter copy;
        copy.CopyDesign(f);
        design(copy, base); // a copied design counts as designed from its settings
        PeakFilter baseFresh;
        design(baseFresh, base);
        EXPECT_TRUE(same(copy, baseFresh));
    }
    PeakFilter f, fresh;
    design(f, base);
    f.Design(1.0, 2.0, 1.5, 0.1, 0.05);
    design(f, base);
    design(fresh, base);
    EXPECT_TRUE(same(f, fresh));
}

TEST(PeakFilter, ZeroGainIsAnExactPassThrough) {
    for (double hz : {220.0, 1200.0, 8200.0}) {
        for (double q : {0.2, 0.575, 0.8}) {
            PeakFilter f;
            f.sampleRate = 44100;
            f.SetPeak(0.0, hz, q);
            EXPECT_EQ(f.b0, 1.0);
            EXPECT_EQ(f.b1, 0.0);
            EXPECT_EQ(f.b2, 0.0);
            EXPECT_EQ(f.a1, 0.0);
            EXPECT_EQ(f.a2, 0.0);
            EXPECT_EQ(f.Process(0.123), 0.123);
        }
    }
}

// The design meets its prescribed gains: the peak gain at the centre, the
// band-edge gain (peak dB / √2) at the edges, unity at DC, and the boost and
// cut of the same size mirror each other.
TEST(PeakFilter, PrescribedGains) {
    for (double gainDb : {-15.0, -6.0, 3.0, 15.0}) {
        for (double hz : {400.0, 3000.0}) {
            PeakFilter f;
            f.sampleRate = 48000;
            f.SetPeak(gainDb, hz, 0.5);
            SCOPED_TRACE(::testing::Message() << gainDb << " dB at " << hz);
            EXPECT_NEAR(GainDb(f, hz), gainDb, 1e-6);
            EXPECT_NEAR(GainDb(f, 1e-6), 0.0, 1e-6);
            PeakFilter mirror;
            mirror.sampleRate = 48000;
            mirror.SetPeak(-gainDb, hz, 0.5);
            for (double at : {100.0, hz / 2, hz * 2, 10000.0})
                EXPECT_NEAR(GainDb(f, at) + GainDb(mirror, at), 0.0, 0.05);
        }
    }
}

TEST(PeakFilter, ProcessIsDirectFormOne) {
    PeakFilter f;
    f.b0 = 0.5;
    f.b1 = 0.25;
    f.b2 = 0.125;
    f.a1 = -0.5;
    f.a2 = 0.25;
    EXPECT_EQ(f.Process(1.0), 0.5);                            // 0.5
    EXPECT_EQ(f.Process(0.0), 0.25 + 0.5 * 0.5);               // x1 = 1, y1 = 0.5
    EXPECT_EQ(f.Process(0.0), 0.125 + 0.5 * 0.5 - 0.25 * 0.5); // x2 = 1, y1 = 0.5, y2 = 0.5
}

// The cascade over two channels gives each channel's two sections run one
// after the other, bit for bit, over runs that carry their history on.
TEST(PeakFilter, CascadePairMatchesSectionsRunInTurn) {
    const double gains[2][2] = {{6.0, -9.0}, {-3.0, 12.0}}; // [section][channel]
    PeakFilter first[2], second[2], firstAlone[2], secondAlone[2];
    for (int c = 0; c < 2; ++c) {
        for (PeakFilter* f : {&first[c], &second[c], &firstAlone[c], &secondAlone[c]})
            f->sampleRate = 48000.0;
        first[c].SetPeak(gains[0][c], 400.0, 0.35);
        firstAlone[c].SetPeak(gains[0][c], 400.0, 0.35);
        second[c].SetPeak(gains[1][c], 3000.0, 0.5);
        secondAlone[c].SetPeak(gains[1][c], 3000.0, 0.5);
    }
    constexpr int kRun = 37;
    double data[2][kRun], alone[2][kRun];
    for (int run = 0; run < 3; ++run) {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < kRun; ++i)
                data[c][i] = alone[c][i] = std::sin(0.3 * (i + run * kRun) + c);
        double* const channels[2] = {data[0], data[1]};
        RunPeakCascadePair(first, second, channels, kRun);
        for (int c = 0; c < 2; ++c) {
            firstAlone[c].ProcessRun(alone[c], alone[c], kRun);
            secondAlone[c].ProcessRun(alone[c], alone[c], kRun);
            for (int i = 0; i < kRun; ++i)
                ASSERT_EQ(data[c][i], alone[c][i]) << run << " " << c << " " << i;
        }
    }
}

// A centre at or beyond half the sample rate (8.2 kHz at 16 kHz) is designed
// just below it and stays stable.
TEST(PeakFilter, CentreBeyondHalfTheRateStaysStable) {
    for (double fs : {8000.0, 16000.0}) {
        for (double gainDb : {-15.0, 15.0}) {
            PeakFilter f;
            f.sampleRate = fs;
            f.SetPeak(gainDb, 8200.0, gainDb > 0 ? 0.575 : 0.8);
            double peak = 0;
            for (int i = 0; i < 20000; ++i)
                peak = std::max(peak, std::fabs(f.Process((i % 3) ? 1.0 : -1.0)));
            EXPECT_TRUE(std::isfinite(peak)) << fs << " " << gainDb;
            EXPECT_LT(peak, 100.0);
        }
    }
}

// Gains of a few units in the last place of 0 dB: the design's differences of
// squared gains cancel to nothing there, which gave NaN coefficients (-5e-16 dB
// at 220 Hz) or a pole on the unit circle at 0 Hz (-6.5e-15 dB at 8.2 kHz,
// -2e-11 dB near half of 8 kHz). Such peaks are flat, and a constant input
// comes out as it went in, for as long as it runs.
TEST(PeakFilter, VanishingGainsGiveAFiniteStableSection) {
    struct Case {
        double fs, gainDb, freqHz;
    } cases[] = {
        {44100.0, -5e-16, 220.0},   {44100.0, -6.5e-15, 8200.0}, {44100.0, 3e-15, 1200.0},
        {8000.0, -2.5e-11, 3941.0}, {8000.0, 1.9e-11, 3941.0},   {96000.0, -4.9e-16, 400.0},
    };
    for (const Case& c : cases) {
        PeakFilter f;
        f.sampleRate = c.fs;
        f.SetPeak(c.gainDb, c.freqHz, c.gainDb >= 0.0 ? 0.2 + c.gainDb / 40 : 0.2 - c.gainDb / 25);
        EXPECT_TRUE(std::fabs(f.a2) < 1.0 && std::fabs(f.a1) < 1.0 + f.a2)
            << c.fs << " " << c.gainDb << " " << c.freqHz;
        double worst = 0.0;
        for (int i = 0; i < 200000; ++i) {
            const double y = f.Process(0.5);
            worst = std::isfinite(y) ? std::max(worst, std::fabs(y - 0.5)) : HUGE_VAL;
        }
        EXPECT_LT(worst, 1e-9) << c.fs << " " << c.gainDb << " " << c.freqHz;
    }
}

} // namespace
} // namespace torvik::testing
