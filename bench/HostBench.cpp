// The built TORVIK.vst3 driven by the host kit as a DAW drives it: processing
// at 32 and 64 bits in blocks of 1 to 512 frames (defaults and every stage
// engaged), a session of 32 instances processing in turn beside a lone one,
// and loading the module with its first instance.
//
// As a DAW hands over its track buffers, each block's input channel pointers
// point straight into the programme: nothing is copied and the timing is
// never paused, so the figures hold TORVIK's work and the host kit's call.
#include "BenchSupport.h"
#include "hostkit/HostKit.h"
#include "support/EngagedSettings.h"
#include "vst3/Vst3Identity.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace torvik;
using namespace torvik::bench;
using namespace Steinberg;
using namespace Steinberg::Vst;

std::unique_ptr<hostkit::Instance> NewInstance(const std::shared_ptr<hostkit::Module>& module) {
    std::string error;
    const FUID classId(kClassIdWords[0], kClassIdWords[1], kClassIdWords[2], kClassIdWords[3]);
    return hostkit::Instance::Create(module, classId, &error);
}

std::shared_ptr<hostkit::Module> LoadedModule() {
    static std::shared_ptr<hostkit::Module> module = hostkit::Module::Load(TORVIK_BUNDLE_PATH);
    return module;
}

// The programme in both sample sizes, main left and right then sidechain.
struct Tracks {
    std::vector<double> d[4];
    std::vector<float> f[4];
};

// The plug-in reads these through non-const pointers, as hosts hand them over.
Tracks& ProgrammeTracks() {
    static Tracks tracks = [] {
        const testing::Signal& p = Programme();
        const std::vector<double>* sources[4] = {&p.left, &p.right, &p.scLeft, &p.scRight};
        Tracks t;
        for (int c = 0; c < 4; ++c) {
            t.d[c] = *sources[c];
            t.f[c].assign(sources[c]->begin(), sources[c]->end());
        }
        return t;
    }();
    return tracks;
}

// One instance on its own track: set up, with its output buffers.
struct Track {
    std::unique_ptr<hostkit::Instance> instance;
    std::unique_ptr<hostkit::ProcessBuffers> buffers;
    int32 sampleSize = kSample32;
    int frames = 0;
    int block = 0; // the track's position in the programme, in blocks

    bool Start(bool everything, int blockFrames, int32 size, int firstBlock) {
        instance = NewInstance(LoadedModule());
        if (!instance)
            return false;
        instance->activateAllBuses();
        if (everything) {
            std::vector<uint8_t> saved = *instance->getControllerState();
            for (const testing::EngagedSetting& s : testing::kEngagedSettings)
                std::memcpy(saved.data() + 8 * s.index, &s.value, sizeof s.value);
            instance->setControllerState(saved);
        }
        sampleSize = size;
        frames = blockFrames;
        block = firstBlock;
        instance->startProcessing(kRate, frames, sampleSize);
        buffers = instance->makeBuffers(frames, sampleSize);
        return true;
    }

    // The next block of the programme, its inputs pointing into the programme.
    void ProcessNext() {
        ProcessData& data = buffers->prepare(frames);
        const std::size_t o = ProgrammeOffset(block++, frames);
        Tracks& t = ProgrammeTracks();
        float* in32[2][2] = {{&t.f[0][o], &t.f[1][o]}, {&t.f[2][o], &t.f[3][o]}};
        double* in64[2][2] = {{&t.d[0][o], &t.d[1][o]}, {&t.d[2][o], &t.d[3][o]}};
        for (int bus = 0; bus < 2 && bus < data.numInputs; ++bus) {
            if (sampleSize == kSample64)
                data.inputs[bus].channelBuffers64 = in64[bus];
            else
                data.inputs[bus].channelBuffers32 = in32[bus];
        }
        instance->process(data);
    }
};

// Block frames, 32 or 64 bits, every stage engaged or the defaults.
void BM_HostProcess(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    const int32 sampleSize = state.range(1) == 64 ? kSample64 : kSample32;
    ProgrammeTracks();
    Track track;
    if (!track.Start(state.range(2) != 0, frames, sampleSize, 0)) {
        state.SkipWithError("TORVIK.vst3 did not load");
        return;
    }
    for (auto _ : state)
        track.ProcessNext();
    CountFrames(state, frames);
}
BENCHMARK(BM_HostProcess)
    ->ArgNames({"frames", "bits", "engaged"})
    ->ArgsProduct({{1, 8, 32, 512}, {32, 64}, {0, 1}});

// Bytes the allocator has handed out and not taken back.
double HeapBytes() {
    return static_cast<double>(mallinfo2().uordblks);
}

// A mixing session: the strip on every track, each instance with its own
// buffers and its own place in the programme, processing one 128-frame block
// in turn, 32-bit. ns/frame counts instance-frames, so 32 instances against
// one shows what sharing the processor costs; the heap each extra instance
// adds is printed as well.
void BM_ManyInstances(benchmark::State& state) {
    constexpr int kSessionBlock = 128;
    const int count = static_cast<int>(state.range(0));
    ProgrammeTracks();
    std::vector<Track> tracks(static_cast<std::size_t>(count));
    double heapAfterFirst = 0.0;
    for (int k = 0; k < count; ++k) {
        // Each track starts at its own place, a prime number of blocks apart.
        if (!tracks[static_cast<std::size_t>(k)].Start(state.range(1) != 0, kSessionBlock,
                                                       kSample32, 37 * k)) {
            state.SkipWithError("TORVIK.vst3 did not load");
            return;
        }
        if (k == 0)
            heapAfterFirst = HeapBytes();
    }
    const double heapAfterAll = HeapBytes();
    for (auto _ : state)
        for (Track& t : tracks)
            t.ProcessNext();
    CountFrames(state, kSessionBlock * count);
    if (count > 1)
        state.counters["KiB/extra instance"] =
            (heapAfterAll - heapAfterFirst) / (count - 1) / 1024.0;
}
BENCHMARK(BM_ManyInstances)->ArgNames({"instances", "engaged"})->ArgsProduct({{1, 32}, {0, 1}});

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
