#pragma once
// Fifth stage: a soft-knee compressor keyed by the equaliser output or the
// external sidechain, with a makeup gain tied to the threshold and a dry/wet
// blend.
#include "processor/dsp/Biquad.h"
#include "processor/dsp/CachedMath.h"
#include "processor/stages/Stereo.h"

namespace torvik {

// The compressor's switches as read for one block.
struct CompressorSwitches {
    bool engaged = false;           // "Compressor Bypass": 1 puts the stage in the path
    bool fastAttack = false;        // 2 ms attack instead of 10 ms
    bool autoRelease = false;       // release grows with the sidechain level
    bool externalSidechain = false; // key from the second input bus, no makeup
    bool sidechainHpf = false;      // key high-passed at 80 Hz
};

class Compressor {
public:
    // Working values, from the parameter handling.
    double thresholdDb = 0.0; // threshold, dB; 0 switches the compressor off
    double ratio = 4.0;       // compression ratio above the knee
    double mix = 1.0;         // share of the compressed signal, 0 to 1

    // Once per block: the sidechain high-passes.
    void SetUpBlock(double fs);
    // Processing starts: no reduction, sidechain filter memories clear.
    void Activate();
    // n frames of the equaliser output E and the external sidechain in: the
    // output C and the gain reduction factor after each frame.
    void ProcessRun(const StereoRun& E, const StereoRun& external, int n,
                    const CompressorSwitches& sw, double fs, StereoRun& C, double* gains);
    // The equaliser output E and the external sidechain pair in, C out.
    Stereo Process(Stereo E, Stereo external, const CompressorSwitches& sw, double fs);

    // Gain-reduction factor: 1 for none.
    double Gain() const { return compGain; }

private:
    double attackMs = 10.0;       // reduction time, ms (2 with Fast Attack)
    double releaseMs = 400.0;     // recovery time, ms; 1000 ms and up with Auto Release
    double makeupFraction = 0.22; // share of the threshold's depth given back (0 external)
    double compGain = 1.0;        // gain-reduction factor, moved by the gain ramp

    dsp::Biquad sidechainHpf[2]; // 80 Hz high-pass of the key, per channel

    dsp::CachedExp detectorCoefExp; // the detector's coefficient from the sample rate
    dsp::CachedExp attackExp;       // attack factor
    dsp::CachedExp releaseExp;      // release factor
    dsp::CachedPow10 targetPow;     // target gain from the reduction in dB
    dsp::CachedPow10 makeupPow;     // makeup gain
};

} // namespace torvik
