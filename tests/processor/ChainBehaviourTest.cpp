// Whole-chain behaviours: defaults, the main section switch, empty blocks,
// block splits, bad and huge input, and sample rates at and below 32 kHz.
#include "ChainTestSupport.h"
#include "support/EngagedSettings.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace torvik::testing {
namespace {

using testing::EngageEverything;
using testing::MakeProgramme;
using testing::MakeSine;
using testing::Render;
using testing::Rendered;
using testing::SetParam;
using testing::Signal;
using testing::TestTorvik;

double Rms(const std::vector<double>& v, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += v[i] * v[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

bool SameBits(const Rendered& a, const Rendered& b) {
    return a.left.size() == b.left.size() &&
           std::memcmp(a.left.data(), b.left.data(), a.left.size() * sizeof(double)) == 0 &&
           std::memcmp(a.right.data(), b.right.data(), a.right.size() * sizeof(double)) == 0;
}

double PeakOf(const Rendered& r) {
    double peak = 0;
    for (std::size_t i = 0; i < r.left.size(); ++i) {
        if (!std::isfinite(r.left[i]) || !std::isfinite(r.right[i]))
            return std::numeric_limits<double>::infinity();
        peak = std::max({peak, std::fabs(r.left[i]), std::fabs(r.right[i])});
    }
    return peak;
}

TEST(Chain, DefaultsPassASmallSineAtItsLevel) {
    TestTorvik fx;
    fx.SetSampleRate(48000);
    const Signal s = MakeSine(96000, 48000, 0.1, 1000);
    const Rendered out = Render(fx, s, 512);
    // After a second the smoothers have settled; the preamp's waveshaper at its
    // lowest drive barely touches a small signal.
    const double ratio = Rms(out.left, 48000, 96000) / Rms(s.left, 48000, 96000);
    EXPECT_NEAR(20 * std::log10(ratio), 0.0, 0.001);
    // Both channels share the smoothers, stepped left then right; once they
    // have settled the channels agree.
    for (std::size_t i = 48000; i < 96000; ++i)
        ASSERT_NEAR(out.left[i], out.right[i], 1e-12);
}

TEST(Chain, MainSectionOffCopiesTheInputWhateverElseIsOn) {
    TestTorvik fx;
    fx.SetSampleRate(44100);
    EngageEverything(fx);
    SetParam(fx, kMainBypass, 0);
    const Signal s = MakeProgramme(20000, 44100, 1.0);
    const Rendered out = Render(fx, s, 256);
    for (std::size_t i = 0; i < s.left.size(); ++i) {
        ASSERT_EQ(out.left[i], s.left[i] - 1e-10);
        ASSERT_EQ(out.right[i], s.right[i] - 1e-10);
    }
}

TEST(Chain, EveryStageSkippedConvergesToTheInput) {
    TestTorvik fx;
    fx.SetSampleRate(48000);
    SetParam(fx, kPreampBypass, 0);
    const Signal s = MakeProgramme(48000, 48000, 0.5);
    const Rendered out = Render(fx, s, 480);
    // The output gain glides in from 0 after construction.
    EXPECT_LT(std::fabs(out.left[0]), std::fabs(s.left[0]) * 0.01 + 1e-12);
    for (std::size_t i = 24000; i < s.left.size(); ++i)
        ASSERT_NEAR(out.left[i], s.left[i] - 1e-10, 1e-12);
}

TEST(Chain, EmptyBlockWritesNothingAndLeavesState) {
    TestTorvik fx;
    fx.SetSampleRate(48000);
    double in[4] = {0.5, 0.5, 0.0, 0.0};
    double outL = 123.0, outR = 456.0;
    double* ins[4] = {&in[0], &in[1], &in[2], &in[3]};
    double* outs[2] = {&outL, &outR};
    fx.ProcessBlock(ins, outs, 0);
    fx.ProcessBlock(ins, outs, -5);
    EXPECT_EQ(outL, 123.0);
    EXPECT_EQ(outR, 456.0);
    // The chain then runs exactly as a fresh one.
    TestTorvik fresh;
    fresh.SetSampleRate(48000);
    const Signal s = MakeProgramme(4000, 48000);
    EXPECT_TRUE(SameBits(Render(fx, s, 100), Render(fresh, s, 100)));
}

// All state is per sample, so any split into blocks gives the same output,
// except that the equaliser's coefficients change only at block starts.
TEST(Chain, BlockSplitsGiveIdenticalOutput) {
    const Signal s = MakeProgramme(30000, 48000);
    Rendered first;
    for (int blockSize : {4096, 1, 64, 511, 30000}) {
        TestTorvik fx;
        fx.SetSampleRate(48000);
        EngageEverything(fx);
        const Rendered out = Render(fx, s, blockSize);
        if (first.left.empty())
            first = out;
        else
            EXPECT_TRUE(SameBits(first, out)) << "block size " << blockSize;
    }
}

// A sample that is not a number or is infinite reads as silence, on the main
// input and on the sidechain; everything else is untouched.
TEST(Chain, NonFiniteInputIsSilence) {
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (bool external : {false, true}) {
        const Signal clean = MakeProgramme(20000, 48000);
        Signal dirty = clean;
        Signal silenced = clean;
        for (std::size_t i = 1000; i < 20000; i += 997) {
            const double b = bad[(i / 997) % 3];
            auto& channel = (i % 2) ? dirty.left : dirty.right;
            auto& sc = (i % 3) ? dirty.scLeft : dirty.scRight;
            channel[i] = b;
            sc[i] = b;
            ((i % 2) ? silenced.left : silenced.right)[i] = 0.0;
            ((i % 3) ? silenced.scLeft : silenced.scRight)[i] = 0.0;
        }
        TestTorvik a, b;
        for (TestTorvik* fx : {&a, &b}) {
            fx->SetSampleRate(48000);
            EngageEverything(*fx);
            SetParam(*fx, kCompExternalSidechain, external ? 1 : 0);
        }
        const Rendered outDirty = Render(a, dirty, 512);
        EXPECT_TRUE(SameBits(outDirty, Render(b, silenced, 512))) << "external " << external;
        EXPECT_TRUE(std::isfinite(PeakOf(outDirty)));
    }
}

// Samples far above full scale give finite output and the chain recovers;
// magnitudes beyond 1e30 read as 1e30.
TEST(Chain, HugeSamplesStayFiniteAndTheChainRecovers) {
    for (bool preampOn : {true, false}) {
        TestTorvik fx, clamped;
        for (TestTorvik* p : {&fx, &clamped}) {
            p->SetSampleRate(48000);
            EngageEverything(*p);
            SetParam(*p, kPreampBypass, preampOn ? 1 : 0);
            SetParam(*p, kMainInput, 30.0);
            SetParam(*p, kMainOutput, 30.0);
        }
        Signal s = MakeProgramme(96000, 48000);
        Signal bounded = s;
        const double huge[] = {1e30, -1e300, DBL_MAX, -DBL_MAX, 1e9, 5e-324};
        for (int i = 0; i < 600; ++i) {
            const std::size_t k = 2000 + static_cast<std::size_t>(i);
            const double v = huge[i % 6];
            s.left[k] = s.right[k] = s.scLeft[k] = v;
            bounded.left[k] = bounded.right[k] = bounded.scLeft[k] = std::clamp(v, -1e30, 1e30);
        }
        const Rendered out = Render(fx, s, 512);
        EXPECT_TRUE(std::isfinite(PeakOf(out))) << "preamp " << preampOn;
        EXPECT_TRUE(SameBits(out, Render(clamped, bounded, 512)));
        // A second after the burst the output is back to programme level.
        Rendered tail;
        tail.left.assign(out.left.begin() + 48000, out.left.end());
        tail.right.assign(out.right.begin() + 48000, out.right.end());
        EXPECT_LT(PeakOf(tail), 1000.0) << "preamp " << preampOn;
    }
}

// At 32 kHz and below the 15 and 16 kHz corners (and at 16 kHz and below the
// high mid band) reach half the sample rate; they are designed at 0.49 of it.
// With every stage on and a loud input the output stays finite and bounded.
TEST(Chain, LowSampleRatesStayFiniteAndBounded) {
    for (double fs : {8000.0, 11025.0, 16000.0, 22050.0, 32000.0}) {
        TestTorvik fx;
        fx.SetSampleRate(fs);
        EngageEverything(fx);
        const Signal s = MakeProgramme(static_cast<int>(fs * 2), fs, 1.0);
        const Rendered out = Render(fx, s, 512);
        const double peak = PeakOf(out);
        EXPECT_TRUE(std::isfinite(peak)) << fs;
        EXPECT_LT(peak, 200.0) << fs;
        EXPECT_GT(peak, 0.01) << fs;
    }
}

TEST(Chain, SupportedSampleRatesStayBoundedWithEverythingOn) {
    for (double fs : {44100.0, 48000.0, 88200.0, 96000.0, 192000.0}) {
        TestTorvik fx;
        fx.SetSampleRate(fs);
        EngageEverything(fx);
        const Signal s = MakeProgramme(static_cast<int>(fs), fs, 1.0);
        const double peak = PeakOf(Render(fx, s, 512));
        EXPECT_TRUE(std::isfinite(peak)) << fs;
        EXPECT_LT(peak, 200.0) << fs;
    }
}

TEST(Chain, MissingSidechainReadsAsSilence) {
    TestTorvik a, b;
    const Signal s = MakeProgramme(5000, 48000);
    Signal silentSidechain = s;
    std::fill(silentSidechain.scLeft.begin(), silentSidechain.scLeft.end(), 0.0);
    std::fill(silentSidechain.scRight.begin(), silentSidechain.scRight.end(), 0.0);
    for (TestTorvik* fx : {&a, &b}) {
        fx->SetSampleRate(48000);
        EngageEverything(*fx);
        SetParam(*fx, kCompExternalSidechain, 1);
    }
    Rendered outA;
    outA.left.resize(5000);
    outA.right.resize(5000);
    double* in[4] = {const_cast<double*>(s.left.data()), const_cast<double*>(s.right.data()),
                     nullptr, nullptr};
    double* out[2] = {outA.left.data(), outA.right.data()};
    a.ProcessBlock(in, out, 5000);
    EXPECT_TRUE(SameBits(outA, Render(b, silentSidechain, 5000)));
}

// The host may hand the same buffers for input and output.
TEST(Chain, InPlaceProcessingMatches) {
    TestTorvik a, b;
    const Signal s = MakeProgramme(5000, 48000);
    for (TestTorvik* fx : {&a, &b}) {
        fx->SetSampleRate(48000);
        EngageEverything(*fx);
    }
    Signal inPlace = s;
    double* in[4] = {inPlace.left.data(), inPlace.right.data(), inPlace.scLeft.data(),
                     inPlace.scRight.data()};
    a.ProcessBlock(in, in, 5000);
    const Rendered expected = Render(b, s, 5000);
    EXPECT_EQ(inPlace.left, expected.left);
    EXPECT_EQ(inPlace.right, expected.right);
}

TEST(Chain, WithoutASampleRateTheInputPassesThrough) {
    TestTorvik fx;
    fx.SetSampleRate(0.0);
    double l[2] = {0.25, std::numeric_limits<double>::quiet_NaN()}, r[2] = {-0.5, 1.0};
    double outL[2], outR[2];
    double* in[4] = {l, r, nullptr, nullptr};
    double* out[2] = {outL, outR};
    fx.ProcessBlock(in, out, 2);
    EXPECT_EQ(outL[0], 0.25);
    EXPECT_EQ(outL[1], 0.0);
    EXPECT_EQ(outR[0], -0.5);
    // A later valid rate processes normally.
    fx.SetSampleRate(48000);
    fx.ProcessBlock(in, out, 2);
    EXPECT_TRUE(std::isfinite(outL[0]) && std::isfinite(outL[1]));
}

// Restored states may carry equaliser gains a few units in the last place
// away from 0 dB, where the band design's arithmetic loses every digit. The
// output stays finite and bounded on a constant input, also once ordinary
// settings follow.
TEST(Chain, VanishingEqualiserGainsKeepTheOutputFinite) {
    TestTorvik fx;
    fx.SetSampleRate(44100);
    SetParam(fx, kMainBypass, 1);
    SetParam(fx, kEqBypass, 1);
    Signal s = MakeSine(4410, 44100, 0.0, 1000);
    std::fill(s.left.begin(), s.left.end(), 0.5);
    std::fill(s.right.begin(), s.right.end(), 0.5);
    const struct {
        int gain, freq;
        double gainDb, freqHz;
    } steps[] = {
        {kLowMidGain, kLowMidFreq, -5e-16, 220.0},
        {kHighMidGain, kHighMidFreq, -6.5e-15, 8200.0},
        {kLowMidGain, kLowMidFreq, 0.0, 400.0}, // ordinary settings afterwards
    };
    for (const auto& step : steps) {
        SetParam(fx, step.freq, step.freqHz);
        SetParam(fx, step.gain, step.gainDb);
        Rendered r;
        for (int pass = 0; pass < 20; ++pass)
            r = Render(fx, s, 16);
        for (std::size_t i = 0; i < r.left.size(); ++i) {
            ASSERT_TRUE(std::isfinite(r.left[i]) && std::isfinite(r.right[i]))
                << step.gainDb << " at " << i;
            ASSERT_LT(std::fabs(r.left[i]), 10.0) << step.gainDb << " at " << i;
        }
    }
}

} // namespace
} // namespace torvik::testing
