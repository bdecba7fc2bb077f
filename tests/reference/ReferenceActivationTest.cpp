// The model's own start of processing: every glide at its target from the first
// sample, every filter and envelope cleared, the meters carried on, and changes
// made while processing still gliding.
#include "reference/ParameterTable.h"
#include "reference/ReferenceStrip.h"
#include "support/EngagedSettings.h"
#include "support/TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace torvik::reference {
namespace {

constexpr double kFs = 48000.0;
constexpr double kDenormalOffset = 1e-10; // taken off by the output stage

struct Rendered {
    std::vector<double> left, right;
    std::vector<MeterFrame> meters;
};

// Runs a signal through the model in blocks of 256 frames.
Rendered Render(ReferenceStrip& model, const testing::Signal& s) {
    constexpr int kBlock = 256;
    Rendered out;
    out.left.resize(s.left.size());
    out.right.resize(s.right.size());
    for (int start = 0; start < s.Frames(); start += kBlock) {
        const int n = std::min(kBlock, s.Frames() - start);
        const std::size_t o = static_cast<std::size_t>(start);
        const double* in[4] = {&s.left[o], &s.right[o], &s.scLeft[o], &s.scRight[o]};
        double* outs[2] = {&out.left[o], &out.right[o]};
        model.ProcessBlock(in, outs, n, kFs, &out.meters);
    }
    return out;
}

// A model with every parameter at its default, then the given settings.
ReferenceStrip Configured(std::initializer_list<std::pair<int, double>> settings) {
    ReferenceStrip model;
    for (const Range& r : kRanges)
        model.SetParam(r.index, r.defaultValue);
    for (const auto& [index, value] : settings)
        model.SetParam(index, value);
    return model;
}

double Db(double v) {
    return std::pow(10.0, v / 20.0);
}

// With the preamp out of the path the output is input gain x output gain x input.
TEST(ReferenceActivation, GainsStandAtTheirTargetsFromTheFirstSample) {
    const testing::Signal s = testing::MakeSine(64, kFs, 0.3, 1000);
    for (bool activated : {false, true}) {
        ReferenceStrip model =
            Configured({{kPreampBypass, 0}, {kMainInput, 6.0}, {kMainOutput, -12.0}});
        if (activated)
            model.Activate(kFs);
        const Rendered out = Render(model, s);
        const double expected = Db(-12.0) * (Db(6.0) * s.left[10] - kDenormalOffset);
        if (activated)
            EXPECT_NEAR(out.left[10], expected, 1e-15);
        else // gliding in from 0: ten steps of a 10 Hz one-pole reach about 1 %
            EXPECT_LT(std::fabs(out.left[10]), 0.05 * std::fabs(expected));
    }
}

// A second start leaves the strip as a fresh one that was started once: the outputs
// agree to the bit, while the meters carry on from where they stood.
TEST(ReferenceActivation, RestartClearsFiltersAndEnvelopesButNotMeters) {
    const testing::Signal before = testing::MakeProgramme(20000, kFs, 0.8, 3);
    const testing::Signal after = testing::MakeProgramme(12000, kFs, 0.8, 9);
    ReferenceStrip used = Configured({}), fresh = Configured({});
    for (ReferenceStrip* m : {&used, &fresh})
        for (const testing::EngagedSetting& e : testing::kEngagedSettings)
            m->SetParam(e.index, e.value);
    used.Activate(kFs);
    const Rendered warmUp = Render(used, before);
    ASSERT_LT(used.LowestCompGain(), 0.9); // the dynamics had work to do
    used.Activate(kFs);
    fresh.Activate(kFs);
    const Rendered a = Render(used, after);
    const Rendered b = Render(fresh, after);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    // The first meter frame moves on from the warm-up's last, not from full scale.
    EXPECT_NE(a.meters.front(), b.meters.front());
    EXPECT_NE(warmUp.meters.back()[1], 1.0);
}

// A change that arrives while processing glides from the target that stood.
TEST(ReferenceActivation, ChangesWhileProcessingStillGlide) {
    const testing::Signal s = testing::MakeSine(9600, kFs, 0.3, 1000);
    ReferenceStrip model = Configured({{kPreampBypass, 0}});
    model.Activate(kFs);
    Render(model, s);
    model.SetParam(kMainOutput, -20.0);
    const Rendered out = Render(model, s);
    const double coef = std::exp(-6.283185307179586 * 10.0 / kFs);
    // One output step per channel per sample: left sees the first step toward -20 dB.
    const double firstStep = (1.0 - coef) * Db(-20.0) + coef * 1.0;
    EXPECT_NEAR(out.left[0], firstStep * (s.left[0] - kDenormalOffset), 1e-15);
    EXPECT_GT(std::fabs(out.left[100]), Db(-20.0) * std::fabs(s.left[100]) * 1.5);
    EXPECT_NEAR(out.left[9000], Db(-20.0) * (s.left[9000] - kDenormalOffset), 1e-9);
}

} // namespace
} // namespace torvik::reference
