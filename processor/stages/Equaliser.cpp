#include "processor/stages/Equaliser.h"

#include <cmath>

namespace torvik {

double Equaliser::PeakQ(double gainDb) {
    if (gainDb >= 0.0)
        return gainDb / 40.0 + 0.2;
    return 0.2 - gainDb / 25.0;
}

double Equaliser::Colour(double x) {
    // The tan term stays under 0.0000016 up to full scale but grows without
    // bound toward |x| = 1.1624, where x³ reaches pi/2. Beyond full scale it is
    // held at its full-scale value, which keeps the colour continuous and small.
    const double xt = x > 1.0 ? 1.0 : (x < -1.0 ? -1.0 : x);
    const double x3 = x * x * x;
    const double xt3 = xt * xt * xt;
    return x + std::sin(0.005 * std::tanh(x3) + 0.00005 * std::sin(x * x)) -
           0.000001 * std::tan(xt3);
}

void Equaliser::SetUpBlock(double fs) {
    lowMidQ = PeakQ(lowMidGainDb);
    highMidQ = PeakQ(highMidGainDb);
    for (dsp::Biquad& f : lowShelf)
        f.Configure(dsp::kLowShelf, 10.0 / fs, 0.2, lowGainDb);
    for (dsp::PeakFilter& f : lowMid) {
        f.sampleRate = fs;
        f.SetPeak(lowMidGainDb, lowMidFreqHz, lowMidQ);
    }
    for (dsp::PeakFilter& f : highMid) {
        f.sampleRate = fs;
        f.SetPeak(highMidGainDb, highMidFreqHz, highMidQ);
    }
    for (dsp::Biquad& f : highShelf)
        f.Configure(dsp::kHighShelf, 15000.0 / fs, 0.2, highGainDb);
}

void Equaliser::Activate() {
    for (int c = 0; c < 2; ++c) {
        lowShelf[c].ClearState();
        lowMid[c].ClearHistory();
        highMid[c].ClearHistory();
        highShelf[c].ClearState();
    }
}

Stereo Equaliser::Process(Stereo G, bool engaged) {
    if (!engaged)
        return G;
    const double in[2] = {G.left, G.right};
    double out[2];
    for (int c = 0; c < 2; ++c) {
        const double colour = Colour(in[c]);
        const double u = dsp::Run(lowShelf[c], colour);
        const double v = lowMid[c].Process(u);
        const double w = highMid[c].Process(v);
        out[c] = dsp::Run(highShelf[c], w);
    }
    return {out[0], out[1]};
}

} // namespace torvik
