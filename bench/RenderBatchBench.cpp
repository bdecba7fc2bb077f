// torvik-render's batches: two files of stereo noise rendered through TORVIK.vst3 by one
// instance after the other, then by two at once. On a machine with two free cores the second
// takes about the time of one file; the ratio of the two real times is the batch speed-up.
#include "RenderJob.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace {

using namespace torvik::render;
namespace fs = std::filesystem;

constexpr int kRate = 48000;
constexpr int kSecondsPerFile = 20; // long enough that start-up costs little
constexpr std::size_t kFiles = 2;

// The batch's inputs, written once into a scratch folder.
class Inputs {
public:
    Inputs() : dir(fs::temp_directory_path() / ("torvik-batch-bench-" + std::to_string(getpid()))) {
        fs::create_directories(dir);
        std::mt19937 random(7);
        std::uniform_real_distribution<double> noise(-0.3, 0.3);
        for (std::size_t f = 0; f < kFiles; ++f) {
            const fs::path path = dir / ("take" + std::to_string(f) + ".wav");
            AudioWriter writer;
            std::string error;
            writer.Open(path, path.string(),
                        CombineFormat(KindNamed("wav")->container, EncodingForName("pcm24")), kRate,
                        2, std::nullopt, error);
            std::vector<double> frames(2 * kRate);
            for (int second = 0; second < kSecondsPerFile; ++second) {
                for (double& v : frames)
                    v = noise(random);
                writer.WriteDouble(frames, kRate, error);
            }
            writer.Close(error);
            files.emplace_back(path.string(),
                               (dir / ("out" + std::to_string(f) + ".wav")).string());
        }
    }
    ~Inputs() { fs::remove_all(dir); }

    fs::path dir;
    std::vector<std::pair<std::string, std::string>> files; // input, output
};

void BatchOfTwoFiles(benchmark::State& state) {
    static Inputs inputs;
    RenderSetup setup;
    setup.pluginPath = TORVIK_BUNDLE;
    const auto jobs = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        std::atomic<std::size_t> failed{0};
        RunInParallel(inputs.files.size(), jobs, [&](std::size_t i) {
            const FileResult r =
                RenderFile(setup, inputs.files[i].first, inputs.files[i].second, {});
            if (!r.ok)
                ++failed;
        });
        if (failed != 0) {
            state.SkipWithError("a file failed to render");
            break;
        }
    }
    // Seconds of audio rendered per second of real time.
    state.counters["realtime_factor"] =
        benchmark::Counter(static_cast<double>(kFiles * kSecondsPerFile),
                           benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BatchOfTwoFiles)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("jobs")
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

BENCHMARK_MAIN();
