#pragma once
// Second stage: detects sibilance on the 15 kHz high-passed sum of both
// channels' magnitudes and turns the resulting gain reduction into the depth
// of a 16 kHz high shelf on each channel.
#include "processor/dsp/Biquad.h"
#include "processor/dsp/CachedMath.h"
#include "processor/dsp/ParamSmoother.h"
#include "processor/stages/Stereo.h"

namespace torvik {

// The de-esser's switches as read for one block.
struct DeEsserSwitches {
    bool engaged = false; // "De-Esser Bypass": 1 puts the shelves in the path
    bool band = false;    // narrower shelf (q 1.4 instead of 1.0)
    bool soft = false;    // slower attack (4 ms) and gentler ratio (1.5)
};

class DeEsser {
public:
    // Working values, from the parameter handling.
    double releaseMs = 30.0;    // gain recovery time constant, ms
    double thresholdDb = -10.0; // threshold parameter, dB; the stage works at 1.5 times it
    double mix = 1.0;           // share of the shelved signal, 0 to 1

    // Once per block: the detector's 15 kHz high-pass.
    void SetUpBlock(double fs);
    void SetSmootherRates(double fs);
    // Processing starts: the threshold at its target, no reduction, filter
    // memories clear.
    void Activate();
    // n frames of the preamp output P in, the pair D out, and the gain
    // reduction factor after each frame.
    void ProcessRun(const StereoRun& preampOut, int n, const DeEsserSwitches& sw, double fs,
                    StereoRun& deEssed, double* gains);
    // One preamp output pair P in, the pair D out.
    Stereo Process(Stereo preampOut, const DeEsserSwitches& sw, double fs);

    // Gain-reduction factor: 1 for none, toward 0 for full reduction.
    double Gain() const { return deEssGain; }

private:
    double attackMs = 2.0;  // reduction time constant, ms (2 or 4 with Soft)
    double ratio = 4.0;     // compression ratio (4 or 1.5 with Soft)
    double shelfQ = 1.0;    // shelf quality (1.0 or 1.4 with Band)
    double deEssGain = 1.0; // gain-reduction factor, moved by the gain ramp

    dsp::ParamSmoother thresholdSmoother; // 1.5 × threshold, stage dB scale; one step per sample
    dsp::Biquad detectorHpf;              // 15 kHz high-pass of the detector, both channels summed
    dsp::Biquad shelf[2];         // 16 kHz high shelf whose cut is the reduction, per channel
    dsp::HighShelfCuts shelfCuts; // its designs for the block's corner and quality

    dsp::CachedExp detectorCoefExp; // the detector's coefficient from the sample rate
    dsp::CachedExp thresholdExp;    // linear threshold from the gliding threshold
    dsp::CachedExp attackExp;       // attack factor
    dsp::CachedExp releaseExp;      // release factor
};

} // namespace torvik
