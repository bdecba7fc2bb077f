#pragma once
// First stage: optional transformer colour, main input gain, a drive-set
// waveshaper scaled back by its drive, a swept high-pass, fixed low and high
// boosts and a polarity switch.
#include "processor/dsp/Biquad.h"
#include "processor/dsp/ParamSmoother.h"
#include "processor/stages/Stereo.h"

namespace torvik {

// The preamp's switches as read for one block.
struct PreampSwitches {
    bool engaged = true;      // "Preamp Bypass": 1 keeps the stage in the path
    bool pad = false;         // 20 dB less drive
    bool phase = false;       // both channels inverted
    bool hpf = false;         // swept high-pass in the path
    bool mic = false;         // microphone voicing of the waveshaper
    bool transformer = false; // transformer colour
};

struct PreampOutput {
    Stereo out;         // P, the pair handed to the de-esser
    Stereo meterSource; // the level at which the waveshaper is driven
};

class Preamp {
public:
    // Working values, from the parameter handling.
    double preampGain = 1.0; // drive, linear
    double hpfFreqHz = 10.0; // high-pass corner, Hz
    double inputGain = 1.0;  // main input gain, linear

    // Once per block: the transformer low-pass and the boost depths.
    void SetUpBlock(double fs, bool lowBoostOn, bool highBoostOn);
    // Processing starts: every smoother stands at its target (the pad and the
    // boosts from their switches), every filter memory is clear.
    void Activate(double fs, bool padOn, bool lowBoostOn, bool highBoostOn);
    // Refreshes the glide rate of every smoother of the stage.
    void SetSmootherRates(double fs);
    // n (at most kRunFrames) frames x of the main input: the output P and the
    // meter source.
    void ProcessRun(const StereoRun& x, int n, const PreampSwitches& sw, double fs, StereoRun& out,
                    StereoRun& meterSource);
    // One sample pair x of the main input.
    PreampOutput Process(Stereo x, const PreampSwitches& sw, double fs);

private:
    // The transformer colour added to the input (plus the denormal offset),
    // both channels.
    void Transformer(const StereoRun& x, StereoRun& out, int n, bool on);
    // A swept or boost section pair over a run, following the per-frame
    // settings of its smoother (its corner when fcGlides, else its gain);
    // glides false when the smoother has settled.
    static void RunGliding(dsp::Biquad (&pair)[2], int type, double fc, double q,
                           const StereoRun& glide, bool glides, bool fcGlides, StereoRun& data,
                           int n);

    double lowBoostDb = 0.0;  // low boost depth, 0 or 3 dB
    double highBoostDb = 0.0; // high boost depth, 0 or 3 dB
    double padGain = 1.0;     // 1, or 0.1 with the pad in

    dsp::ParamSmoother gainSmoother;      // drive; six steps per sample
    dsp::ParamSmoother padSmoother;       // pad; six steps per sample
    dsp::ParamSmoother hpfSmoother;       // high-pass corner as a fraction of fs; two steps
    dsp::ParamSmoother lowBoostSmoother;  // low boost dB; two steps
    dsp::ParamSmoother highBoostSmoother; // high boost dB; two steps
    dsp::ParamSmoother inputSmoother;     // main input gain; two steps

    dsp::Biquad xfmrLowpass[2];    // 200 Hz low-pass of the transformer colour, per channel
    dsp::Biquad hpf[2];            // swept high-pass, per channel
    dsp::Biquad lowBoostShelf[2];  // 30 Hz low shelf, per channel
    dsp::Biquad highBoostShelf[2]; // 12 kHz high shelf, per channel
};

} // namespace torvik
