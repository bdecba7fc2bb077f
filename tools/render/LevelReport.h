#pragma once
// Level figures of a render, gathered a chunk at a time: peak and RMS of input and output, and
// the level change over time measured as the decibel difference of short-term RMS before and
// after the effect.
#include "AudioFile.h"

#include <vector>

namespace torvik::render {

struct LevelFigures {
    double peakDb = 0;             // highest absolute sample, dBFS
    double rmsDb = 0;              // RMS over the whole file and all channels, dBFS
    std::size_t overFullScale = 0; // samples with magnitude above 1.0
};

struct GainReductionFigures {
    std::size_t windows = 0; // analysis windows where the input is loud enough to judge
    double maxDb = 0;        // largest reduction (input RMS − output RMS), dB
    double meanDb = 0;       // mean reduction over those windows, dB
    double medianDb = 0;     // median reduction, dB
};

// Short-term windows are 50 ms long; quieter input windows (below −50 dBFS) are left out,
// since their difference says more about noise than about the effect.
inline constexpr double kWindowSeconds = 0.05;
inline constexpr double kQuietWindowDb = -50.0;

// Floor for levels of digital silence, dBFS.
inline constexpr double kSilenceDb = -200.0;

class LevelMeter {
public:
    void Add(const Planar& audio, std::size_t frames);
    LevelFigures Result() const;

private:
    double peak = 0;
    double sumOfSquares = 0;
    double samples = 0;
    std::size_t over = 0;
};

// Mean square of every 50 ms window of a stream, all channels together; an hour holds 72 000.
class WindowPower {
public:
    explicit WindowPower(int sampleRate);
    void Add(const Planar& audio, std::size_t frames);
    // Mean squares of the complete windows.
    const std::vector<double>& Windows() const { return windows; }

private:
    std::size_t windowFrames;
    std::size_t filled = 0; // frames in the window being summed
    double sum = 0;         // of its squares
    std::size_t channels = 0;
    std::vector<double> windows;
};

// Compares input and output window by window.
GainReductionFigures CompareWindows(const WindowPower& input, const WindowPower& output);

} // namespace torvik::render
