// ProcessBlock at 48 kHz, stereo, 512-frame blocks: with the defaults and with
// every stage engaged on a loud, moving, sibilant signal and an external
// sidechain. The counter RealTimeFactor is seconds of audio processed per
// second of CPU time.
#include "processor/Parameters.h"
#include "support/TestTorvik.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using torvik::testing::TestTorvik;

constexpr double kFs = 48000.0;
constexpr int kBlock = 512;
constexpr int kBlocks = 94; // about a second of audio, cycled

struct Material {
    std::vector<double> left, right, scLeft, scRight;
};

// A swelling two-tone voice with bursts of bright noise, over full scale at
// its peaks; the sidechain pulses.
Material MakeMaterial() {
    Material m;
    std::uint32_t seed = 12345;
    double previous = 0;
    for (int i = 0; i < kBlock * kBlocks; ++i) {
        const double t = i / kFs;
        seed = seed * 1664525u + 1013904223u;
        const double n = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
        const double bright = n - previous;
        previous = n;
        const double swell = 0.6 + 0.6 * std::sin(2 * M_PI * 1.3 * t);
        const double voice =
            swell * (std::sin(2 * M_PI * 180 * t) + 0.4 * std::sin(2 * M_PI * 540 * t));
        const double sibilant = std::fmod(t, 0.3) < 0.08 ? 0.6 * bright : 0.0;
        m.left.push_back(voice + sibilant);
        m.right.push_back(0.9 * voice - sibilant);
        const double pulse = std::fmod(t, 0.25) < 0.1 ? 0.9 : 0.05;
        m.scLeft.push_back(pulse * std::sin(2 * M_PI * 100 * t));
        m.scRight.push_back(pulse * std::sin(2 * M_PI * 75 * t));
    }
    return m;
}

void Set(TestTorvik& fx, int index, double value) {
    fx.ParamAt(index)->SetClamped(value);
    fx.HandleParamChange(index);
}

void EngageEverything(TestTorvik& fx) {
    using namespace torvik;
    const std::pair<int, double> settings[] = {
        {kPreampGain, 12.0},      {kPreampHpf, 90.0},     {kMainInput, 3.0},
        {kDeEsserThreshold, -40}, {kGateThreshold, 45.0}, {kLowGain, 3.0},
        {kLowMidGain, -4.0},      {kHighMidGain, 5.0},    {kHighGain, 2.0},
        {kCompThreshold, -30.0},  {kCompRatio, 6.0},      {kDeEsserBypass, 1},
        {kGateBypass, 1},         {kEqBypass, 1},         {kCompBypass, 1},
        {kPreampPad, 1},          {kPreampHpfSwitch, 1},  {kPreampMic, 1},
        {kPreampLowBoost, 1},     {kPreampHighBoost, 1},  {kPreampTransformer, 1},
        {kDeEsserSoft, 1},        {kCompAutoRelease, 1},  {kCompExternalSidechain, 1},
        {kCompSidechainHpf, 1},   {kCompFastAttack, 1},
    };
    for (const auto& [index, value] : settings)
        Set(fx, index, value);
}

void RunChain(benchmark::State& state, bool everything) {
    static const Material material = MakeMaterial();
    TestTorvik fx;
    fx.SetSampleRate(kFs);
    if (everything)
        EngageEverything(fx);
    std::vector<double> outL(kBlock), outR(kBlock);
    int block = 0;
    for (auto _ : state) {
        const std::size_t o = static_cast<std::size_t>(block) * kBlock;
        double* in[4] = {
            const_cast<double*>(&material.left[o]), const_cast<double*>(&material.right[o]),
            const_cast<double*>(&material.scLeft[o]), const_cast<double*>(&material.scRight[o])};
        double* out[2] = {outL.data(), outR.data()};
        fx.ProcessBlock(in, out, kBlock);
        benchmark::DoNotOptimize(outL.data());
        benchmark::ClobberMemory();
        block = (block + 1) % kBlocks;
    }
    const double audioSeconds = static_cast<double>(state.iterations()) * kBlock / kFs;
    // Divided by the CPU time of the run: audio seconds per CPU second.
    state.counters["RealTimeFactor"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void BM_ProcessBlockDefaults(benchmark::State& state) {
    RunChain(state, false);
}
void BM_ProcessBlockEverythingEngaged(benchmark::State& state) {
    RunChain(state, true);
}

BENCHMARK(BM_ProcessBlockDefaults);
BENCHMARK(BM_ProcessBlockEverythingEngaged);

} // namespace

BENCHMARK_MAIN();
