#include "processor/stages/Equaliser.h"

#include "processor/dsp/ShaperTerms.h"
#include "processor/dsp/Shapers.h"

#include <cmath>

namespace torvik {

double Equaliser::PeakQ(double gainDb) {
    if (gainDb >= 0.0)
        return gainDb / 40.0 + 0.2;
    return 0.2 - gainDb / 25.0;
}

double Equaliser::Colour(double x) {
    return dsp::Colour(x);
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

void Equaliser::ProcessRun(const StereoRun& G, int n, bool engaged, StereoRun& E) {
    double* const channels[2] = {E.ch[0], E.ch[1]};
    if (!engaged) {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                channels[c][i] = G.ch[c][i];
        return;
    }
    for (int c = 0; c < 2; ++c)
        dsp::ColourRun(G.ch[c], channels[c], n);
    dsp::RunSectionPair(lowShelf, channels, n);
    for (int c = 0; c < 2; ++c) {
        lowMid[c].ProcessRun(channels[c], channels[c], n);
        highMid[c].ProcessRun(channels[c], channels[c], n);
    }
    dsp::RunSectionPair(highShelf, channels, n);
}

Stereo Equaliser::Process(Stereo G, bool engaged) {
    StereoRun in, out;
    in.ch[0][0] = G.left;
    in.ch[1][0] = G.right;
    ProcessRun(in, 1, engaged, out);
    return {out.ch[0][0], out.ch[1][0]};
}

} // namespace torvik
