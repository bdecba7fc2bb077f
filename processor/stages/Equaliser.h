#pragma once
// Fourth stage: a faint static colour, then a broad low shelf, two peaking
// bands whose width follows their gain and a broad high shelf.
#include "processor/dsp/Biquad.h"
#include "processor/dsp/PeakFilter.h"
#include "processor/stages/Stereo.h"

namespace torvik {

class Equaliser {
public:
    // Working values, from the parameter handling.
    double lowGainDb = 0.0;        // low shelf gain, dB
    double lowMidFreqHz = 400.0;   // low mid centre, Hz
    double lowMidGainDb = 0.0;     // low mid gain, dB
    double highMidFreqHz = 3000.0; // high mid centre, Hz
    double highMidGainDb = 0.0;    // high mid gain, dB
    double highGainDb = 0.0;       // high shelf gain, dB

    // Width of a peaking band from its gain in dB: boosts are wider than cuts.
    static double PeakQ(double gainDb);
    // The colour added to a sample before the bands.
    static double Colour(double x);

    // Once per block: every band's coefficients; they do not glide.
    void SetUpBlock(double fs);
    // Processing starts: every filter memory clear.
    void Activate();
    // n frames of the gate output G in, the pair E out.
    void ProcessRun(const StereoRun& G, int n, bool engaged, StereoRun& E);
    // One gate output pair G in, the pair E out.
    Stereo Process(Stereo G, bool engaged);

private:
    double lowMidQ = 0.2;  // low mid width from its gain, set per block
    double highMidQ = 0.2; // high mid width from its gain, set per block

    dsp::Biquad lowShelf[2];    // 10 Hz low shelf, q 0.2, per channel
    dsp::PeakFilter lowMid[2];  // low mid peaking band, per channel
    dsp::PeakFilter highMid[2]; // high mid peaking band, per channel
    dsp::Biquad highShelf[2];   // 15 kHz high shelf, q 0.2, per channel
};

} // namespace torvik
