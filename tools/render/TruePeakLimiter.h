#pragma once
// A true-peak limiter for the last stage before the file: the peaks between samples are found
// by 8× oversampling (windowed-sinc interpolation), and the gain that keeps every one of them at
// or under the ceiling is reached in a straight line over a 5 ms look-ahead, so no peak gets
// through and nothing is clipped. The gain comes back over 80 ms, slowly enough that speech
// does not pump. The channels share one gain, so the stereo image stays put.
#include "AudioFile.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace torvik::render {

class TruePeakLimiter {
public:
    TruePeakLimiter(int channels, int sampleRate, double ceilingDbtp);

    // Limits the first `frames` frames of `audio`, which come out `Delay()` frames later: the
    // answer holds what leaves now (fewer frames than went in while the delay fills).
    void Process(const Planar& audio, std::size_t frames, Planar& out);
    // The delayed frames still inside.
    void Finish(Planar& out);

    // Frames between input and output.
    std::size_t Delay() const { return delay; }
    // The most the gain came down, dB (positive).
    double MaxReductionDb() const;
    // Frames the gain spent below unity.
    std::uint64_t FramesReduced() const { return reduced; }

private:
    double DetectPeak(std::size_t newest) const;
    void Push(const double* frame, Planar& out);

    std::size_t channels;
    double ceiling;           // linear
    std::size_t lookahead;    // frames over which the gain ramps down
    double release;           // per-frame share of the way back up
    std::size_t halfTaps;     // interpolation reaches this far either side
    std::vector<double> taps; // per phase: 2 * halfTaps coefficients
    std::size_t delay;        // halfTaps + lookahead
    // Input history per channel, a ring of `ring` frames.
    std::vector<std::vector<double>> history;
    std::size_t ring;
    std::uint64_t written = 0; // frames pushed
    // Sliding minimum of the needed gain over the look-ahead: (frame, gain), gains rising.
    std::deque<std::pair<std::uint64_t, double>> minimum;
    std::vector<double> boxWindow; // the last lookahead + 1 minima, a ring
    double boxSum = 0;
    double gain = 1.0; // after release smoothing
    double lowestGain = 1.0;
    std::uint64_t reduced = 0;
};

} // namespace torvik::render
