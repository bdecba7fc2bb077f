#include "processor/dsp/Biquad.h"
#include "support/GoldenCoefficients.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace torvik::testing {
namespace {

using namespace torvik::dsp;

// Magnitude of the section's response at f (fraction of the sample rate).
double Magnitude(const Biquad& f, double fraction) {
    return testing::SectionMagnitude(f.b0, f.b1, f.b2, f.a1, f.a2, fraction);
}

Biquad Designed(int type, double fc, double q, double gainDb) {
    Biquad f;
    f.type = type;
    f.fc = fc;
    f.q = q;
    f.gainDb = gainDb;
    f.UpdateCoefficients();
    return f;
}

TEST(Biquad, FreshSectionPassesItsInput) {
    Biquad f;
    EXPECT_EQ(f.type, kLowPass);
    EXPECT_EQ(f.fc, 0.5);
    EXPECT_EQ(f.q, 0.707);
    for (float x : {0.25f, -1.0f, 3.5f, 0.0f})
        EXPECT_EQ(f.Process(x), x);
}

TEST(Biquad, WorkedLowShelfExample) {
    const testing::BiquadFigures& g = testing::kWorkedLowShelf;
    testing::ExpectFigures(Designed(g.type, g.fc, g.q, g.gainDb), g);
}

// The responses each type is built for, read off the coefficients.
TEST(Biquad, ResponsesOfEveryType) {
    const double fc = 1000.0 / 48000.0;
    struct Row {
        int type;
        double gainDb;
        double at;       // where to look, fraction of the sample rate
        double expected; // magnitude there
    };
    const Row rows[] = {
        {kLowPass, 0, 1e-9, 1.0},
        {kLowPass, 0, 0.5, 0.0},
        {kLowPass, 0, fc, 0.707},
        {kHighPass, 0, 0.5, 1.0},
        {kHighPass, 0, 1e-9, 0.0},
        {kHighPass, 0, fc, 0.707},
        {kBandPass, 0, fc, 1.0},
        {kBandPass, 0, 1e-9, 0.0},
        {kNotch, 0, fc, 0.0},
        {kNotch, 0, 1e-9, 1.0},
        {kPeak, 6, fc, std::pow(10, 0.3)},
        {kPeak, -6, fc, std::pow(10, -0.3)},
        {kPeak, 6, 0.5, 1.0},
        {kLowShelf, 6, 1e-9, std::pow(10, 0.3)},
        {kLowShelf, -6, 1e-9, std::pow(10, -0.3)},
        {kLowShelf, 6, 0.5, 1.0},
        {kHighShelf, 6, 0.5, std::pow(10, 0.3)},
        {kHighShelf, -6, 0.5, std::pow(10, -0.3)},
        {kHighShelf, -6, 1e-9, 1.0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message()
                     << "type " << r.type << " gain " << r.gainDb << " at " << r.at);
        EXPECT_NEAR(Magnitude(Designed(r.type, fc, 0.707, r.gainDb), r.at), r.expected, 2e-4);
    }
}

TEST(Biquad, ZeroGainShelvesAndPeakAreIdentity) {
    for (int type : {kPeak, kLowShelf, kHighShelf}) {
        Biquad f = Designed(type, 0.1, 0.2, 0.0);
        // Unchanged apart from the rounding to float.
        for (float x : {0.5f, -0.25f, 0.125f, 1.0f, 0.0f, -0.75f})
            EXPECT_NEAR(f.Process(x), x, 1e-7 * std::fabs(x) + 1e-15) << "type " << type;
    }
}

// Boost and cut branches mirror each other: in series they cancel.
TEST(Biquad, BoostAndCutAreExactInverses) {
    for (int type : {kPeak, kLowShelf, kHighShelf}) {
        for (double q : {0.1, 0.2, 0.707, 1.4}) {
            const Biquad up = Designed(type, 0.05, q, 6.0);
            const Biquad down = Designed(type, 0.05, q, -6.0);
            for (double at : {0.001, 0.01, 0.05, 0.2, 0.45})
                EXPECT_NEAR(Magnitude(up, at) * Magnitude(down, at), 1.0, 1e-9)
                    << "type " << type << " q " << q << " at " << at;
        }
    }
}

TEST(Biquad, UnknownTypeKeepsTheCoefficients) {
    Biquad f = Designed(kHighPass, 0.01, 0.6, 0.0);
    const Biquad before = f;
    f.type = 7;
    f.fc = 0.2;
    f.UpdateCoefficients();
    EXPECT_EQ(f.b0, before.b0);
    EXPECT_EQ(f.b1, before.b1);
    EXPECT_EQ(f.b2, before.b2);
    EXPECT_EQ(f.a1, before.a1);
    EXPECT_EQ(f.a2, before.a2);
}

TEST(Biquad, StateStaysDoubleWhileSamplesAreFloat) {
    Biquad f = Designed(kLowPass, 0.01, 0.707, 0.0);
    const double in = 0.1; // not a float value
    const float out = static_cast<float>(dsp::Run(f, in));
    // The first output is b0 × float(in); the state keeps the double product.
    EXPECT_EQ(out, static_cast<float>(static_cast<double>(static_cast<float>(in)) * f.b0));
    EXPECT_EQ(f.z1, static_cast<double>(static_cast<float>(in)) * f.b1 -
                        f.a1 * (static_cast<double>(static_cast<float>(in)) * f.b0));
}

TEST(Biquad, ConfigureSkipsOnlyARepeatedDesign) {
    Biquad f;
    f.Configure(kHighShelf, 0.25, 0.1, 0.0); // the 0 dB shelf happens to be identity
    EXPECT_TRUE(f.designed);
    f.Configure(kHighShelf, 0.25, 0.1, 3.0);
    EXPECT_EQ(f.b0, Designed(kHighShelf, 0.25, 0.1, 3.0).b0);
    f.b0 = 99.0; // a repeat does not recompute
    f.Configure(kHighShelf, 0.25, 0.1, 3.0);
    EXPECT_EQ(f.b0, 99.0);
}

// A copied design is the design the settings give, and a later Configure
// with the same settings is a repeat; the copy's state is its own.
TEST(Biquad, CopyDesignTakesSettingsAndCoefficients) {
    const struct {
        int type;
        double fc, q, gainDb;
    } cases[] = {{kHighShelf, 16000.0 / 48000.0, 1.4, -7.5},
                 {kLowShelf, 30.0 / 48000.0, 0.2, 3.0},
                 {kHighPass, 0.3, 0.6, 0.0}};
    for (const auto& c : cases) {
        Biquad source;
        source.Configure(c.type, c.fc, c.q, c.gainDb);
        Biquad copy;
        copy.z1 = 0.5;
        copy.CopyDesign(source);
        const Biquad own = Designed(c.type, c.fc, c.q, c.gainDb);
        EXPECT_EQ(copy.b0, own.b0) << c.type;
        EXPECT_EQ(copy.b1, own.b1) << c.type;
        EXPECT_EQ(copy.b2, own.b2) << c.type;
        EXPECT_EQ(copy.a1, own.a1) << c.type;
        EXPECT_EQ(copy.a2, own.a2) << c.type;
        EXPECT_EQ(copy.z1, 0.5) << c.type;
        EXPECT_FALSE(copy.Store(c.type, c.fc, c.q, c.gainDb)) << c.type;
    }
}

// A pair of shelves over a run (flat ones, which may hand their samples on,
// and cutting ones, which run side by side) gives, bit for bit, what the
// sections give sample by sample: signed zeros, NaN and overflow included, and
// a state that a glide left behind.
TEST(Biquad, SectionPairOfShelvesMatchesSampleBySample) {
    const double nan = std::nan("");
    const std::vector<std::vector<double>> runs = {
        {0.25, -0.5, 1e-30, 3.0, -1e40},
        {-0.0, 0.5, 0.0, -0.0, 0.125},
        {0.5, nan, 0.25, 0.0},
        {0.75, -0.25, 0.5},
    };
    for (int type : {kLowShelf, kHighShelf}) {
        const double fc = type == kLowShelf ? 30.0 / 48000.0 : 0.25;
        const double q = type == kLowShelf ? 0.2 : 0.1;
        for (const auto& [z1, gainDb] :
             {std::pair{0.0, 0.0}, std::pair{-0.0, 0.0}, std::pair{1e-3, 0.0}, std::pair{0.0, -6.0},
              std::pair{1e-3, -6.0}}) {
            Biquad pair[2], alone[2];
            for (Biquad* f : {&pair[0], &pair[1], &alone[0], &alone[1]}) {
                f->Configure(type, fc, q, gainDb);
                f->z1 = z1;
            }
            // The short path is taken where it may be.
            EXPECT_EQ(PassesThrough(pair[0]), z1 == 0.0 && gainDb == 0.0) << type;
            for (const std::vector<double>& run : runs) {
                std::vector<double> data[2] = {run, run};
                for (double& v : data[1])
                    v = -v;
                double* const channels[2] = {data[0].data(), data[1].data()};
                RunSectionPair(pair, channels, static_cast<int>(run.size()));
                for (int c = 0; c < 2; ++c) {
                    for (std::size_t i = 0; i < run.size(); ++i) {
                        const double expected = dsp::Run(alone[c], c == 0 ? run[i] : -run[i]);
                        ASSERT_EQ(std::bit_cast<std::uint64_t>(data[c][i]),
                                  std::bit_cast<std::uint64_t>(expected))
                            << type << " " << z1 << " " << c << " " << i;
                    }
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(pair[c].z1),
                              std::bit_cast<std::uint64_t>(alone[c].z1));
                    ASSERT_EQ(std::bit_cast<std::uint64_t>(pair[c].z2),
                              std::bit_cast<std::uint64_t>(alone[c].z2));
                }
            }
        }
    }
}

// The shelf cuts designed from their prepared terms are the section's own
// designs, bit for bit, at every corner and quality the de-esser uses.
TEST(Biquad, HighShelfCutsAreTheSectionsOwnDesigns) {
    for (double fc : {16000.0 / 48000.0, 16000.0 / 44100.0, 16000.0 / 32000.0, 0.7}) {
        for (double q : {1.0, 1.4}) {
            HighShelfCuts cuts;
            cuts.Prepare(fc, q);
            // The run form designs all of them at once (an odd count, so the
            // last stands alone), each as the section's own design.
            const double gains[] = {-1e-300, -1e-9, -0.37, -6.0, -23.99, -24.0, std::nan("")};
            constexpr int n = static_cast<int>(std::size(gains));
            double V[n], run[5][n];
            for (int i = 0; i < n; ++i)
                V[i] = std::pow(10.0, std::fabs(gains[i]) / 20.0);
            cuts.DesignCutRun(V, n, run[0], run[1], run[2], run[3], run[4]);
            for (int i = 0; i < n; ++i) {
                Biquad own, fast;
                own.Configure(kHighShelf, fc, q, gains[i]);
                own.Design(V[i]);
                cuts.DesignCut(fast, V[i]);
                const double Biquad::*members[] = {&Biquad::b0, &Biquad::b1, &Biquad::b2,
                                                   &Biquad::a1, &Biquad::a2};
                for (int m = 0; m < 5; ++m) {
                    const auto expected = std::bit_cast<std::uint64_t>(own.*members[m]);
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(fast.*members[m]), expected)
                        << fc << " " << q << " " << gains[i];
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(run[m][i]), expected)
                        << "run: " << fc << " " << q << " " << gains[i];
                }
            }
        }
    }
}

// At and beyond half the sample rate the design is taken at 0.49: finite,
// stable coefficients instead of tan's pole and fold-over.
TEST(Biquad, CornersAtOrAboveHalfTheRateStayStable) {
    for (int type : {kLowPass, kHighPass, kLowShelf, kHighShelf}) {
        for (double fc : {0.49, 0.5, 0.544, 1.0, 1.875}) {
            SCOPED_TRACE(::testing::Message() << "type " << type << " fc " << fc);
            Biquad f = Designed(type, fc, type == kHighPass ? 1.0 : 0.1, -20.0);
            const Biquad at = Designed(type, 0.49, type == kHighPass ? 1.0 : 0.1, -20.0);
            EXPECT_EQ(f.a1, at.a1);
            EXPECT_EQ(f.b0, at.b0);
            // Poles inside the unit circle: |a2| < 1 and |a1| < 1 + a2.
            EXPECT_LT(std::fabs(f.a2), 1.0);
            EXPECT_LT(std::fabs(f.a1), 1.0 + f.a2);
            double peak = 0;
            for (int i = 0; i < 20000; ++i)
                peak = std::max(peak, std::fabs(dsp::Run(f, (i % 2) ? 1.0 : -1.0)));
            EXPECT_TRUE(std::isfinite(peak));
            EXPECT_LT(peak, 100.0);
        }
    }
}

TEST(Biquad, ToFloatSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(ToFloat(1e300), FLT_MAX);
    EXPECT_EQ(ToFloat(-1e300), -FLT_MAX);
    EXPECT_EQ(ToFloat(0.1), 0.1f);
    EXPECT_TRUE(std::isnan(ToFloat(NAN)));
    // The run form, two values at a time plus an odd last one, matches it.
    const double values[] = {1e300, -1e300, 0.1, -0.0, 1e-50, 3.4028235e38, INFINITY, NAN, 0.7};
    constexpr int n = static_cast<int>(std::size(values));
    double out[n];
    ThroughFloatRun(values, out, n);
    for (int i = 0; i < n; ++i) {
        const double one = static_cast<double>(ToFloat(values[i]));
        EXPECT_TRUE(std::memcmp(&out[i], &one, sizeof one) == 0 ||
                    (std::isnan(one) && std::isnan(out[i])))
            << values[i];
    }
}

} // namespace
} // namespace torvik::testing
