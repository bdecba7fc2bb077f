// Parameter changes reach the chain's working values.
#include "ChainTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace torvik::testing {
namespace {

using testing::SetParam;
using testing::TestTorvik;

std::vector<double> WorkingValues(const TORVIK& fx) {
    const Preamp& p = fx.PreampStage();
    const DeEsser& d = fx.DeEsserStage();
    const Gate& g = fx.GateStage();
    const Equaliser& e = fx.EqualiserStage();
    const Compressor& c = fx.CompressorStage();
    return {p.preampGain,
            p.hpfFreqHz,
            p.inputGain,
            fx.Output().outputGain,
            d.releaseMs,
            d.thresholdDb,
            d.mix,
            g.mix,
            g.releaseMs,
            g.thresholdParam,
            e.lowGainDb,
            e.lowMidFreqHz,
            e.lowMidGainDb,
            e.highMidFreqHz,
            e.highMidGainDb,
            e.highGainDb,
            c.thresholdDb,
            c.ratio,
            c.mix};
}

TEST(ParamChange, FreshProcessorHoldsTheDefaultsWorkingValues) {
    TestTorvik fx;
    const std::vector<double> expected = {std::pow(10.0, -30.0 / 20),
                                          10,
                                          1,
                                          1,
                                          30,
                                          -10,
                                          1,
                                          1,
                                          100,
                                          60,
                                          0,
                                          400,
                                          0,
                                          3000,
                                          0,
                                          0,
                                          0,
                                          4,
                                          1};
    EXPECT_EQ(WorkingValues(fx), expected);
    EXPECT_NEAR(fx.PreampStage().preampGain, 0.0316227766, 1e-10);
}

// Each of the parameters 0 to 18 sets exactly its own working value.
TEST(ParamChange, EachIndexSetsItsOwnWorkingValue) {
    struct Row {
        int index;
        double value;
        double working;
    };
    const Row rows[] = {
        {kPreampGain, 12, std::pow(10.0, 12.0 / 20)},
        {kPreampHpf, 200, 200},
        {kMainInput, -6, std::pow(10.0, -6.0 / 20)},
        {kMainOutput, -30, std::pow(10.0, -1.5)},
        {kDeEsserRelease, 150, 150},
        {kDeEsserThreshold, -33, -33},
        {kDeEsserMix, 0.25, 0.25},
        {kGateMix, 0.5, 0.5},
        {kGateRelease, 500, 500},
        {kGateThreshold, 12, 12},
        {kLowGain, -4, -4},
        {kLowMidFreq, 1000, 1000},
        {kLowMidGain, 7, 7},
        {kHighMidFreq, 5000, 5000},
        {kHighMidGain, -9, -9},
        {kHighGain, 2.5, 2.5},
        {kCompThreshold, -42, -42},
        {kCompRatio, 10.75, 10.75},
        {kCompMix, 0.3, 0.3},
    };
    for (const Row& r : rows) {
        TestTorvik fx;
        std::vector<double> expected = WorkingValues(fx);
        expected[static_cast<std::size_t>(r.index)] = r.working;
        SetParam(fx, r.index, r.value);
        EXPECT_EQ(WorkingValues(fx), expected) << "index " << r.index;
    }
    TestTorvik fx;
    SetParam(fx, kMainOutput, 30);
    EXPECT_NEAR(fx.Output().outputGain, 31.6227766, 1e-7);
    SetParam(fx, kMainOutput, -30);
    EXPECT_NEAR(fx.Output().outputGain, 0.0316227766, 1e-10);
}

TEST(ParamChange, OtherIndicesChangeNothing) {
    TestTorvik fx;
    const std::vector<double> before = WorkingValues(fx);
    for (int index : {kUnusedParam, kPreampBypass, kCompSidechainHpf, kMainBypass}) {
        fx.ParamAt(index)->SetClamped(1.0);
        fx.HandleParamChange(index);
    }
    fx.HandleParamChange(-1);
    fx.HandleParamChange(40);
    fx.HandleParamChange(1 << 30);
    EXPECT_EQ(WorkingValues(fx), before);
}

TEST(ParamChange, RestoringStateRunsTheHandlingForEveryIndex) {
    TestTorvik source;
    SetParam(source, kCompThreshold, -18);
    SetParam(source, kHighMidFreq, 6000);
    IStateChunk chunk;
    ASSERT_TRUE(source.SerializeParams(chunk));
    TestTorvik target;
    target.UnserializeParams(chunk, 0);
    EXPECT_EQ(WorkingValues(target), WorkingValues(source));
}

} // namespace
} // namespace torvik::testing
