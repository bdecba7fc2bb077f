#pragma once
// Level figures of a render: peak and RMS of input and output, and the level change over time
// measured as the decibel difference of short-term RMS before and after the effect.
#include "AudioFile.h"

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

LevelFigures MeasureLevels(const AudioData& audio);

// Compares input and output window by window (both must have the same length and rate).
GainReductionFigures MeasureGainReduction(const AudioData& input, const AudioData& output);

} // namespace torvik::render
