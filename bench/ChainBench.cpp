// The chain in process, 48 kHz stereo in 512-frame blocks: with the defaults,
// with every stage engaged on the loud sibilant programme and its external
// sidechain, and each stage alone. Each prints ns per stereo frame and the
// real-time factor (seconds of audio per second of CPU).
#include "BenchSupport.h"
#include "processor/Parameters.h"
#include "processor/stages/Compressor.h"
#include "processor/stages/DeEsser.h"
#include "processor/stages/Equaliser.h"
#include "processor/stages/Gate.h"
#include "processor/stages/OutputStage.h"
#include "processor/stages/Preamp.h"
#include "support/EngagedSettings.h"
#include "support/TestTorvik.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace torvik;
using namespace torvik::bench;
using testing::EngagedValue;

void RunChain(benchmark::State& state, bool everything) {
    const testing::Signal& programme = Programme();
    testing::TestTorvik fx;
    fx.SetSampleRate(kRate);
    if (everything)
        testing::EngageEverything(fx);
    fx.OnActivate(true);
    std::vector<double> outL(kBlock), outR(kBlock);
    int block = 0;
    for (auto _ : state) {
        const std::size_t o = ProgrammeOffset(block++, kBlock);
        double* in[4] = {
            const_cast<double*>(&programme.left[o]), const_cast<double*>(&programme.right[o]),
            const_cast<double*>(&programme.scLeft[o]), const_cast<double*>(&programme.scRight[o])};
        double* out[2] = {outL.data(), outR.data()};
        fx.ProcessBlock(in, out, kBlock);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
    }
    CountFrames(state, kBlock);
}

void BM_ChainDefaults(benchmark::State& state) {
    RunChain(state, false);
}
void BM_ChainEverythingEngaged(benchmark::State& state) {
    RunChain(state, true);
}
BENCHMARK(BM_ChainDefaults);
BENCHMARK(BM_ChainEverythingEngaged);

// One stage over the programme in runs, engaged with the table's settings.
template <typename RunStage> void RunAlone(benchmark::State& state, RunStage runStage) {
    const testing::Signal& programme = Programme();
    StereoRun in, sidechain, out;
    int run = 0;
    for (auto _ : state) {
        const std::size_t o = ProgrammeOffset(run++, kRunFrames);
        for (int i = 0; i < kRunFrames; ++i) {
            in.ch[0][i] = programme.left[o + static_cast<std::size_t>(i)];
            in.ch[1][i] = programme.right[o + static_cast<std::size_t>(i)];
            sidechain.ch[0][i] = programme.scLeft[o + static_cast<std::size_t>(i)];
            sidechain.ch[1][i] = programme.scRight[o + static_cast<std::size_t>(i)];
        }
        runStage(in, sidechain, out);
        benchmark::DoNotOptimize(out.ch[0]);
        benchmark::ClobberMemory();
    }
    CountFrames(state, kRunFrames);
}

double DbToGain(double db) {
    return std::pow(10.0, db / 20.0);
}

void BM_PreampAlone(benchmark::State& state) {
    Preamp preamp;
    preamp.preampGain = DbToGain(EngagedValue(kPreampGain, 0.0));
    preamp.hpfFreqHz = EngagedValue(kPreampHpf, 10.0);
    preamp.inputGain = DbToGain(EngagedValue(kMainInput, 0.0));
    const PreampSwitches sw = {true, true, true, true, true, true};
    preamp.SetUpBlock(kRate, true, true);
    preamp.Activate(kRate, sw.pad, true, true);
    preamp.SetSmootherRates(kRate);
    StereoRun meter;
    RunAlone(state, [&](const StereoRun& in, const StereoRun&, StereoRun& out) {
        preamp.ProcessRun(in, kRunFrames, sw, kRate, out, meter);
    });
}
BENCHMARK(BM_PreampAlone);

void BM_DeEsserAlone(benchmark::State& state) {
    DeEsser deEsser;
    deEsser.thresholdDb = EngagedValue(kDeEsserThreshold, -10.0);
    deEsser.SetUpBlock(kRate);
    deEsser.Activate();
    deEsser.SetSmootherRates(kRate);
    const DeEsserSwitches sw = {true, true, true};
    double gains[kRunFrames];
    RunAlone(state, [&](const StereoRun& in, const StereoRun&, StereoRun& out) {
        deEsser.ProcessRun(in, kRunFrames, sw, kRate, out, gains);
    });
}
BENCHMARK(BM_DeEsserAlone);

void BM_GateAlone(benchmark::State& state) {
    Gate gate;
    gate.thresholdParam = EngagedValue(kGateThreshold, 60.0);
    const GateSwitches sw = {true, true};
    StereoRun gated;
    RunAlone(state, [&](const StereoRun& in, const StereoRun&, StereoRun& out) {
        gate.ProcessRun(in, kRunFrames, sw, kRate, out, gated);
    });
}
BENCHMARK(BM_GateAlone);

void BM_EqualiserAlone(benchmark::State& state) {
    Equaliser eq;
    eq.lowGainDb = EngagedValue(kLowGain, 0.0);
    eq.lowMidGainDb = EngagedValue(kLowMidGain, 0.0);
    eq.highMidGainDb = EngagedValue(kHighMidGain, 0.0);
    eq.highGainDb = EngagedValue(kHighGain, 0.0);
    eq.SetUpBlock(kRate);
    RunAlone(state, [&](const StereoRun& in, const StereoRun&, StereoRun& out) {
        eq.ProcessRun(in, kRunFrames, true, out);
    });
}
BENCHMARK(BM_EqualiserAlone);

void BM_CompressorAlone(benchmark::State& state) {
    Compressor comp;
    comp.thresholdDb = EngagedValue(kCompThreshold, 0.0);
    comp.ratio = EngagedValue(kCompRatio, 4.0);
    comp.SetUpBlock(kRate);
    const CompressorSwitches sw = {true, true, true, true, true};
    double gains[kRunFrames];
    RunAlone(state, [&](const StereoRun& in, const StereoRun& sidechain, StereoRun& out) {
        comp.ProcessRun(in, sidechain, kRunFrames, sw, kRate, out, gains);
    });
}
BENCHMARK(BM_CompressorAlone);

void BM_OutputAlone(benchmark::State& state) {
    OutputStage output;
    output.outputGain = DbToGain(-2.0);
    output.Activate();
    output.SetSmootherRates(kRate);
    RunAlone(state, [&](const StereoRun& in, const StereoRun& dry, StereoRun& out) {
        double* const channels[2] = {out.ch[0], out.ch[1]};
        output.ProcessRun(in, dry, kRunFrames, true, channels);
    });
}
BENCHMARK(BM_OutputAlone);

} // namespace

BENCHMARK_MAIN();
