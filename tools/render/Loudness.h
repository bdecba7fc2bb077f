#pragma once
// Loudness to EBU R 128 / ITU-R BS.1770, measured with libebur128: integrated loudness, loudness
// range and true peak of a whole file, and the one gain that brings a file to a target.
#include "AudioFile.h"

#include <string>

namespace torvik::render {

struct LoudnessFigures {
    bool hasIntegrated = false; // false when every block lies below the gates (silence)
    double integratedLufs = 0;  // gated integrated loudness, LUFS
    double rangeLu = 0;         // loudness range, LU
    double truePeakDbtp = 0;    // highest true peak of any channel, dBTP (silence: kSilenceDb)
};

// Measures `audio` (one or two channels, measured as left and right). False with a reason in
// `error` when the library refuses the sample rate or the channel count.
bool MeasureLoudness(const AudioData& audio, LoudnessFigures& out, std::string& error);

// The gain that brings a file measured as `measured` to `targetLufs` without its true peak
// going above `ceilingDbtp`.
struct NormalizationGain {
    double gainDb = 0;        // what to apply
    double shortfallLu = 0;   // how far the result stays below the target (0: reached)
    bool peakLimited = false; // the ceiling, not the target, set the gain
};
NormalizationGain PlanNormalization(const LoudnessFigures& measured, double targetLufs,
                                    double ceilingDbtp);

// Multiplies every sample by the gain of `gainDb`.
void ApplyGain(AudioData& audio, double gainDb);

} // namespace torvik::render
