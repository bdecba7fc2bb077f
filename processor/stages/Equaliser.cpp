#include "processor/stages/Equaliser.h"

#include "processor/dsp/ShaperTerms.h"
#include "processor/dsp/Shapers.h"

#include <cmath>

namespace torvik {
namespace {

constexpr double kFlatQ = 0.2;           // a peaking band's width at 0 dB
constexpr double kBoostDbPerQ = 40.0;    // boosts widen by 1 in q per 40 dB (0.575 at +15)
constexpr double kCutDbPerQ = 25.0;      // cuts narrow by 1 in q per 25 dB (0.8 at -15)
constexpr double kLowShelfHz = 10.0;     // the broad low shelf's corner
constexpr double kHighShelfHz = 15000.0; // the broad high shelf's corner
constexpr double kShelfQ = 0.2;          // both shelves' quality: very broad

} // namespace

double Equaliser::PeakQ(double gainDb) {
    if (gainDb >= 0.0)
        return gainDb / kBoostDbPerQ + kFlatQ;
    return kFlatQ - gainDb / kCutDbPerQ;
}

double Equaliser::Colour(double x) {
    return dsp::Colour(x);
}

void Equaliser::SetUpBlock(double fs) {
    lowMidQ = PeakQ(lowMidGainDb);
    highMidQ = PeakQ(highMidGainDb);
    // Both channels of a band take the same settings: one design serves both,
    // and a design whose settings repeat is skipped.
    if (lowShelf[0].Store(dsp::kLowShelf, kLowShelfHz / fs, kShelfQ, lowGainDb)) {
        lowShelf[0].UpdateCoefficients();
        lowShelf[1].CopyDesign(lowShelf[0]);
    }
    lowMid[0].sampleRate = fs;
    lowMid[0].SetPeak(lowMidGainDb, lowMidFreqHz, lowMidQ);
    lowMid[1].CopyDesign(lowMid[0]);
    highMid[0].sampleRate = fs;
    highMid[0].SetPeak(highMidGainDb, highMidFreqHz, highMidQ);
    highMid[1].CopyDesign(highMid[0]);
    if (highShelf[0].Store(dsp::kHighShelf, kHighShelfHz / fs, kShelfQ, highGainDb)) {
        highShelf[0].UpdateCoefficients();
        highShelf[1].CopyDesign(highShelf[0]);
    }
}

void Equaliser::Activate() {
    for (int c = 0; c < 2; ++c) {
        lowShelf[c].ClearState();
        lowMid[c].ClearHistory();
        highMid[c].ClearHistory();
        highShelf[c].ClearState();
    }
}

void Equaliser::ProcessRun(const StereoRun& gateOut, int n, bool engaged, StereoRun& equalised) {
    double* const channels[2] = {equalised.ch[0], equalised.ch[1]};
    if (!engaged) {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                channels[c][i] = gateOut.ch[c][i];
        return;
    }
    for (int c = 0; c < 2; ++c)
        dsp::ColourRun(gateOut.ch[c], channels[c], n);
    // The four bands of both channels in one loop: each sample through each
    // band in turn, as band by band over the run, bit for bit.
    dsp::SectionLanes low(lowShelf), high(highShelf);
    dsp::PeakLanes lowPeak(lowMid), highPeak(highMid);
    for (int i = 0; i < n; ++i) {
        const dsp::StereoLanes e = high.Run(
            highPeak.Step(lowPeak.Step(low.Run(dsp::Lanes(channels[0][i], channels[1][i])))));
        channels[0][i] = dsp::Left(e);
        channels[1][i] = dsp::Right(e);
    }
    low.Keep(lowShelf);
    lowPeak.Keep(lowMid);
    highPeak.Keep(highMid);
    high.Keep(highShelf);
}

Stereo Equaliser::Process(Stereo gateOut, bool engaged) {
    StereoRun in, out;
    in.ch[0][0] = gateOut.left;
    in.ch[1][0] = gateOut.right;
    ProcessRun(in, 1, engaged, out);
    return {out.ch[0][0], out.ch[1][0]};
}

} // namespace torvik
