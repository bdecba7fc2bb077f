// A session as a DAW holds it: 32 instances of the built TORVIK.vst3 through
// the host kit, set up at 48 kHz with blocks of 512, none with its editor
// open. Figures per instance: the heap, resident and virtual memory the
// instances added to the process, and the time of one block in each.
#include "BenchSupport.h"
#include "hostkit/HostKit.h"
#include "vst3/Vst3Identity.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace torvik;
using namespace torvik::bench;
using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr int kInstances = 32;
constexpr double kKiB = 1024.0;

// What the process holds, in bytes: heap in use (mapped blocks included) and
// the resident and virtual sizes the kernel reports.
struct Footprint {
    double heap = 0.0;
    double resident = 0.0;
    double virtualSize = 0.0;
};

Footprint Measure() {
    Footprint f;
    const struct mallinfo2 heap = mallinfo2();
    f.heap = static_cast<double>(heap.uordblks + heap.hblkhd);
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        unsigned long pages = 0;
        unsigned long residentPages = 0;
        if (std::fscanf(statm, "%lu %lu", &pages, &residentPages) == 2) {
            const double page = static_cast<double>(sysconf(_SC_PAGESIZE));
            f.virtualSize = static_cast<double>(pages) * page;
            f.resident = static_cast<double>(residentPages) * page;
        }
        std::fclose(statm);
    }
    return f;
}

struct Session {
    std::vector<std::unique_ptr<hostkit::Instance>> instances;
    std::vector<std::unique_ptr<hostkit::ProcessBuffers>> buffers;
};

// One block of the programme into every instance's inputs.
void FillInputs(Session& session, int block) {
    const testing::Signal& programme = Programme();
    const std::size_t o = ProgrammeOffset(block, kBlock);
    for (auto& b : session.buffers) {
        const std::vector<double>* channels[2] = {&programme.left, &programme.right};
        for (int ch = 0; ch < 2; ++ch)
            if (float* p = b->channel32(kInput, 0, ch))
                for (int i = 0; i < kBlock; ++i)
                    p[i] = static_cast<float>((*channels[ch])[o + static_cast<std::size_t>(i)]);
    }
}

void BM_SessionWithoutEditors(benchmark::State& state) {
    const FUID classId(kClassIdWords[0], kClassIdWords[1], kClassIdWords[2], kClassIdWords[3]);
    std::string error;
    auto module = hostkit::Module::Load(TORVIK_BUNDLE_PATH, &error);
    if (!module) {
        state.SkipWithError(("TORVIK.vst3 did not load: " + error).c_str());
        return;
    }
    // The module's own first-use costs (image table, caches) are not an instance's.
    hostkit::Instance::Create(module, classId, &error).reset();
    malloc_trim(0);

    const Footprint before = Measure();
    Session session;
    for (int i = 0; i < kInstances; ++i) {
        auto instance = hostkit::Instance::Create(module, classId, &error);
        if (!instance) {
            state.SkipWithError(("no instance: " + error).c_str());
            return;
        }
        instance->activateDefaultBuses();
        instance->startProcessing(kRate, kBlock);
        session.buffers.push_back(instance->makeBuffers(kBlock, kSample32));
        session.instances.push_back(std::move(instance));
    }
    // A second of the programme through every instance, as a session plays.
    const int secondOfBlocks = static_cast<int>(kRate) / kBlock;
    for (int block = 0; block < secondOfBlocks; ++block) {
        FillInputs(session, block);
        for (int i = 0; i < kInstances; ++i)
            session.instances[static_cast<std::size_t>(i)]->process(
                session.buffers[static_cast<std::size_t>(i)]->prepare(kBlock));
    }
    const Footprint after = Measure();

    int block = secondOfBlocks;
    for (auto _ : state) {
        state.PauseTiming();
        FillInputs(session, block++);
        state.ResumeTiming();
        for (int i = 0; i < kInstances; ++i)
            session.instances[static_cast<std::size_t>(i)]->process(
                session.buffers[static_cast<std::size_t>(i)]->prepare(kBlock));
    }
    // Time per frame of one instance: the iteration runs a block in each.
    CountFrames(state, kBlock * kInstances);
    state.counters["heap KiB/instance"] = (after.heap - before.heap) / kKiB / kInstances;
    state.counters["resident KiB/instance"] =
        (after.resident - before.resident) / kKiB / kInstances;
    state.counters["virtual KiB/instance"] =
        (after.virtualSize - before.virtualSize) / kKiB / kInstances;
}
BENCHMARK(BM_SessionWithoutEditors)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
