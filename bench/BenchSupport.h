#pragma once
// What the processing benchmarks share: the rate and block of the figures,
// the loud sibilant programme with its sidechain, and the counters that turn
// a run into nanoseconds per stereo frame and a real-time factor.
#include "support/TestSignals.h"

#include <benchmark/benchmark.h>

#include <cstddef>

namespace torvik::bench {

inline constexpr double kRate = 48000.0;
inline constexpr int kBlock = 512;
inline constexpr int kProgrammeBlocks = 94; // about two seconds of audio, cycled

// The programme at full scale peaks: sibilant bursts, swells and an external
// sidechain, the same for every benchmark.
inline const testing::Signal& Programme() {
    static const testing::Signal programme =
        testing::MakeProgramme(kBlock * kProgrammeBlocks, kRate, 1.0);
    return programme;
}

// Frame offset of block b of the programme.
inline std::size_t ProgrammeOffset(int block, int blockFrames) {
    const int blocks = kBlock * kProgrammeBlocks / blockFrames;
    return static_cast<std::size_t>(block % blocks) * static_cast<std::size_t>(blockFrames);
}

// ns per stereo frame and real-time factor (seconds of audio per second of
// CPU), from the frames processed in the run.
inline void CountFrames(benchmark::State& state, int framesPerIteration, double rate = kRate) {
    const double frames = static_cast<double>(state.iterations()) * framesPerIteration;
    // An inverted rate is time per unit: counting frames in billions gives ns per frame.
    state.counters["ns/frame"] = benchmark::Counter(frames * 1e-9, benchmark::Counter::kIsRate |
                                                                       benchmark::Counter::kInvert);
    state.counters["RealTimeFactor"] =
        benchmark::Counter(frames / rate, benchmark::Counter::kIsRate);
}

} // namespace torvik::bench
