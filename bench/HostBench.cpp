// The built TORVIK.vst3 driven by the host kit as a DAW drives it: processing
// at 32 and 64 bits in blocks of 32 and 512 frames (defaults and every stage
// engaged), and loading the module with its first instance.
#include "BenchSupport.h"
#include "hostkit/hostkit.h"
#include "support/EngagedSettings.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace {

using namespace torvik;
using namespace torvik::bench;
using namespace Steinberg;
using namespace Steinberg::Vst;

const FUID kTorvikClass(0xF2AEE70D, 0x00DE4F4E, 0x51656C6D, 0x54525631);

std::unique_ptr<hostkit::Instance> NewInstance(const std::shared_ptr<hostkit::Module>& module) {
    std::string error;
    return hostkit::Instance::Create(module, kTorvikClass, &error);
}

std::shared_ptr<hostkit::Module> LoadedModule() {
    static std::shared_ptr<hostkit::Module> module = hostkit::Module::Load(TORVIK_BUNDLE_PATH);
    return module;
}

// Block frames, 32 or 64 bits, every stage engaged or the defaults.
void BM_HostProcess(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const int32 sampleSize = state.range(1) == 64 ? kSample64 : kSample32;
    const bool everything = state.range(2) != 0;
    auto instance = NewInstance(LoadedModule());
    if (!instance) {
        state.SkipWithError("TORVIK.vst3 did not load");
        return;
    }
    instance->activateAllBuses();
    if (everything) {
        std::vector<uint8_t> saved = *instance->getControllerState();
        for (const testing::EngagedSetting& s : testing::kEngagedSettings)
            std::memcpy(saved.data() + 8 * s.index, &s.value, sizeof s.value);
        instance->setControllerState(saved);
    }
    instance->startProcessing(kRate, frames, sampleSize);
    auto buffers = instance->makeBuffers(frames, sampleSize);
    const testing::Signal& programme = Programme();
    int block = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t o = ProgrammeOffset(block++, frames);
        const std::vector<double>* channels[2][2] = {{&programme.left, &programme.right},
                                                     {&programme.scLeft, &programme.scRight}};
        for (int bus = 0; bus < 2; ++bus) {
            for (int ch = 0; ch < 2; ++ch) {
                const double* src = channels[bus][ch]->data() + o;
                if (float* p = buffers->channel32(kInput, bus, ch))
                    for (int i = 0; i < frames; ++i)
                        p[i] = static_cast<float>(src[i]);
                if (double* p = buffers->channel64(kInput, bus, ch))
                    std::memcpy(p, src, sizeof(double) * static_cast<std::size_t>(frames));
            }
        }
        state.ResumeTiming();
        instance->process(buffers->prepare(frames));
    }
    CountFrames(state, frames);
}
BENCHMARK(BM_HostProcess)
    ->ArgNames({"frames", "bits", "engaged"})
    ->ArgsProduct({{32, 512}, {32, 64}, {0, 1}});

// dlopen, factory, one instance created and initialised, and all released.
void BM_ModuleLoadAndFirstInstance(benchmark::State& state) {
    for (auto _ : state) {
        auto module = hostkit::Module::Load(TORVIK_BUNDLE_PATH);
        auto instance = module ? NewInstance(module) : nullptr;
        if (!instance) {
            state.SkipWithError("TORVIK.vst3 did not load");
            return;
        }
        benchmark::DoNotOptimize(instance.get());
    }
}
BENCHMARK(BM_ModuleLoadAndFirstInstance)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
