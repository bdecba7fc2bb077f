#include "processor/stages/Preamp.h"

#include "processor/stages/DenormalOffset.h"

#include <cmath>
#include <initializer_list>

namespace torvik {
namespace {

// sin(tanh(v⁴) + tanh(v³)) + tanh(v): the transformer's saturation curve.
double Saturate(double v) {
    const double v3 = v * v * v;
    const double v4 = v * v3;
    return std::sin(std::tanh(v4) + std::tanh(v3)) + std::tanh(v);
}

double Shape(double B, bool mic) {
    if (!mic) {
        const double B2 = B * B;
        const double B3 = B * B * B;
        const double B7 = B * B * B * B * B * B * B;
        return std::sin(0.001 * std::tanh(B2) + 0.001 * std::tanh(B3)) + std::tanh(B) -
               0.001 * std::atan(B7);
    }
    const double B2 = B * B;
    const double B3 = B * B * B;
    return std::sin(0.005 * std::sin(B2) + 0.001 * std::tanh(B3)) + std::tanh(B) -
           0.001 * std::sin(B3);
}

// Depth of the low and high boosts, dB.
constexpr double kBoostDb = 3.0;

// The drive's pad factor: 20 dB less with the pad in.
double PadGain(bool padOn) {
    static const double padIn = std::pow(10.0, -1.0);
    static const double padOut = std::pow(10.0, 0.0);
    return padOn ? padIn : padOut;
}

} // namespace

void Preamp::SetUpBlock(double fs, bool lowBoostOn, bool highBoostOn) {
    for (dsp::Biquad& f : xfmrLowpass)
        f.Configure(dsp::kLowPass, 200.0 / fs, 0.1, 0.0);
    lowBoostDb = lowBoostOn ? kBoostDb : 0.0;
    highBoostDb = highBoostOn ? kBoostDb : 0.0;
}

void Preamp::Activate(double fs, bool padOn, bool lowBoostOn, bool highBoostOn) {
    lowBoostDb = lowBoostOn ? kBoostDb : 0.0;
    highBoostDb = highBoostOn ? kBoostDb : 0.0;
    padGain = PadGain(padOn);
    gainSmoother.Settle(preampGain);
    padSmoother.Settle(padGain);
    hpfSmoother.Settle(hpfFreqHz / fs);
    lowBoostSmoother.Settle(lowBoostDb);
    highBoostSmoother.Settle(highBoostDb);
    inputSmoother.Settle(inputGain);
    for (dsp::Biquad* pair : {xfmrLowpass, hpf, lowBoostShelf, highBoostShelf}) {
        pair[0].ClearState();
        pair[1].ClearState();
    }
}

void Preamp::SetSmootherRates(double fs) {
    gainSmoother.SetRate(fs);
    padSmoother.SetRate(fs);
    hpfSmoother.SetRate(fs);
    lowBoostSmoother.SetRate(fs);
    highBoostSmoother.SetRate(fs);
    inputSmoother.SetRate(fs);
}

PreampOutput Preamp::Process(Stereo x, const PreampSwitches& sw, double fs) {
    const double in[2] = {x.left, x.right};

    // The gliding filters follow their smoothers at every sample, whatever the
    // switches say.
    for (dsp::Biquad& f : highBoostShelf)
        f.Configure(dsp::kHighShelf, 12000.0 / fs, 0.1, highBoostSmoother.Step(highBoostDb));
    for (dsp::Biquad& f : lowBoostShelf)
        f.Configure(dsp::kLowShelf, 30.0 / fs, 0.2, lowBoostSmoother.Step(lowBoostDb));
    for (dsp::Biquad& f : hpf)
        f.Configure(dsp::kHighPass, hpfSmoother.Step(hpfFreqHz / fs), 0.6, 0.0);

    // Transformer: adds a low band of the input's saturation, about 35 dB
    // down and saturated once more, to the dry input.
    static const double xfmrLevel = std::pow(10.0, -1.75);
    double T[2];
    for (int c = 0; c < 2; ++c) {
        const double v = in[c];
        if (!sw.transformer) {
            T[c] = v + kChainDenormalOffset;
            continue;
        }
        const float s = dsp::ToFloat(Saturate(v));
        const double k = static_cast<double>(xfmrLowpass[c].Process(s));
        const double a = k * xfmrLevel;
        T[c] = Saturate(a) + (v + kChainDenormalOffset);
    }

    double M[2];
    for (int c = 0; c < 2; ++c)
        M[c] = inputSmoother.Step(inputGain) * T[c];

    padGain = PadGain(sw.pad);

    // Waveshaper: the drive sets how hard it works, not the level of small
    // signals, since its output is scaled back by the same drive.
    double y[2];
    for (int c = 0; c < 2; ++c) {
        const double p = padSmoother.Step(padGain);
        const double g = gainSmoother.Step(preampGain);
        const double B = p * M[c] * g;
        const double g2 = gainSmoother.Step(preampGain);
        const double p2 = padSmoother.Step(padGain);
        y[c] = Shape(B, sw.mic) / g2 / p2;
    }

    double L[2];
    for (int c = 0; c < 2; ++c) {
        const double H = sw.hpf ? dsp::Run(hpf[c], y[c]) : y[c];
        L[c] = dsp::Run(highBoostShelf[c], dsp::Run(lowBoostShelf[c], H));
        if (sw.phase)
            L[c] = -L[c];
    }

    PreampOutput result;
    if (sw.engaged)
        result.out = {L[0], L[1]};
    else
        result.out = {inputGain * x.left, inputGain * x.right};

    const double Pc[2] = {result.out.left, result.out.right};
    double S[2];
    for (int c = 0; c < 2; ++c) {
        const double p = padSmoother.Step(padGain);
        const double g = gainSmoother.Step(preampGain);
        S[c] = p * Pc[c] * g;
    }
    result.meterSource = {S[0], S[1]};
    return result;
}

} // namespace torvik
