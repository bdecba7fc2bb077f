#pragma once
// Loudness to EBU R 128 / ITU-R BS.1770 with libebur128, fed a chunk at a time: integrated
// loudness, true peak, the largest momentary and short-term loudness, and the loudness range
// as EBU Tech 3342 defines it (short-term loudness every 100 ms, gated at -70 LUFS and 20 LU
// below its power mean, the spread from the 10th to the 95th percentile). libebur128's own range
// looks at the short-term loudness only once a second, which misreads speech by up to a LU.
#include "AudioFile.h"

#include <memory>
#include <string>
#include <vector>

#include <ebur128.h>

namespace torvik::render {

struct LoudnessFigures {
    bool hasIntegrated = false;  // false when every block lies below the gates (silence)
    double integratedLufs = 0;   // gated integrated loudness, LUFS
    double rangeLu = 0;          // loudness range, LU
    double truePeakDbtp = 0;     // highest true peak of any channel, dBTP (silence: kSilenceDb)
    bool hasTruePeak = false;    // the meter looked for it (MeterScope::Everything)
    double maxMomentaryLufs = 0; // loudest 400 ms, LUFS (kSilenceDb when nothing was measured)
    double maxShortTermLufs = 0; // loudest 3 s, LUFS (kSilenceDb when nothing was measured)
};

// Which figures a meter gathers: the integrated loudness alone is cheap; the rest (true peak
// above all) is not.
enum class MeterScope { IntegratedOnly, Everything };

class LoudnessMeter {
public:
    LoudnessMeter();
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // False with a reason when the library refuses the rate or the channel count.
    bool Start(int channels, int sampleRate, MeterScope scope, std::string& error);
    // Adds the first `frames` frames of `audio`.
    bool Add(const Planar& audio, std::size_t frames, std::string& error);
    // The figures of everything added.
    LoudnessFigures Result() const;

private:
    struct Free {
        void operator()(ebur128_state* s) const;
    };
    bool Feed(const Planar& audio, std::size_t from, std::size_t frames, std::string& error);
    void Sample();

    std::unique_ptr<ebur128_state, Free> state;
    MeterScope scope = MeterScope::Everything;
    std::size_t channels = 0;
    std::size_t framesPer100ms = 0;  // the short-term loudness is read this often
    std::size_t untilNextRead = 0;   // frames to add before the next reading
    std::size_t readings = 0;        // 100 ms steps done
    std::vector<double> shortTerm;   // one short-term loudness per 100 ms, from 3 s on
    double maxMomentary = -1e300;    // LUFS
    double maxShortTerm = -1e300;    // LUFS
    std::vector<double> interleaved; // scratch
};

// The loudness range of short-term loudness readings, EBU Tech 3342.
double LoudnessRange(std::vector<double> shortTermLufs);

// The gain that brings a file measured as `measured` to `targetLufs` without its true peak
// going above `ceilingDbtp`.
struct NormalizationGain {
    double gainDb = 0;        // what to apply
    double shortfallLu = 0;   // how far the result stays below the target (0: reached)
    bool peakLimited = false; // the ceiling, not the target, set the gain
};
NormalizationGain PlanNormalization(const LoudnessFigures& measured, double targetLufs,
                                    double ceilingDbtp);

} // namespace torvik::render
