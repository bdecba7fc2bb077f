#include "processor/stages/Preamp.h"

#include "processor/dsp/Quotients.h"
#include "processor/dsp/Shapers.h"
#include "processor/stages/DenormalOffset.h"

#include <cmath>
#include <initializer_list>

namespace torvik {
namespace {

// Depth of the low and high boosts, dB.
constexpr double kBoostDb = 3.0;

// Fixed settings of the preamp's sections: corner in Hz and quality.
constexpr double kXfmrLowpassHz = 200.0;
constexpr double kXfmrLowpassQ = 0.1;
constexpr double kHpfQ = 0.6;
constexpr double kLowBoostHz = 30.0;
constexpr double kLowBoostQ = 0.2;
constexpr double kHighBoostHz = 12000.0;
constexpr double kHighBoostQ = 0.1;

// The drive's pad factor: 20 dB less with the pad in.
double PadGain(bool padOn) {
    static const double padIn = std::pow(10.0, -1.0);
    static const double padOut = std::pow(10.0, 0.0);
    return padOn ? padIn : padOut;
}

// Level of the transformer's low band before its second saturation, about
// 35 dB down.
double XfmrLevel() {
    static const double level = std::pow(10.0, -1.75);
    return level;
}

// A smoother's steps over a run where it glides; where it has settled only
// the first frame's values, which stand for the run.
template <int steps>
void StepGliding(dsp::ParamSmoother& smoother, double target, bool glides,
                 double* const (&out)[steps], int n) {
    if (glides) {
        smoother.StepRun<steps>(target, out, n);
        return;
    }
    for (int s = 0; s < steps; ++s)
        out[s][0] = smoother.value;
}

} // namespace

void Preamp::SetUpBlock(double fs, bool lowBoostOn, bool highBoostOn) {
    for (dsp::Biquad& f : xfmrLowpass)
        f.Configure(dsp::kLowPass, kXfmrLowpassHz / fs, kXfmrLowpassQ, 0.0);
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

void Preamp::Transformer(const StereoRun& x, StereoRun& out, int n, bool on) {
    if (!on) {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                out.ch[c][i] = x.ch[c][i] + kChainDenormalOffset;
        return;
    }
    // Adds a low band of the input's saturation, about 35 dB down and
    // saturated once more, to the dry input; both channels' low-passes side by
    // side.
    StereoRun band;
    for (int c = 0; c < 2; ++c)
        dsp::SaturateRun(x.ch[c], band.ch[c], n);
    double* const channels[2] = {band.ch[0], band.ch[1]};
    dsp::RunSectionPair(xfmrLowpass, channels, n);
    const double level = XfmrLevel();
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < n; ++i)
            band.ch[c][i] = band.ch[c][i] * level;
        dsp::SaturateRun(band.ch[c], band.ch[c], n);
        for (int i = 0; i < n; ++i)
            out.ch[c][i] = band.ch[c][i] + (x.ch[c][i] + kChainDenormalOffset);
    }
}

void Preamp::RunGliding(dsp::Biquad (&pair)[2], int type, double fc, double q,
                        const StereoRun& glide, bool glides, bool fcGlides, StereoRun& data,
                        int n) {
    const auto configure = [&](dsp::Biquad& filter, double setting) {
        if (fcGlides)
            filter.Configure(type, setting, q, 0.0);
        else
            filter.Configure(type, fc, q, setting);
    };
    if (!glides) {
        configure(pair[0], glide.ch[0][0]);
        configure(pair[1], glide.ch[1][0]);
        double* const channels[2] = {data.ch[0], data.ch[1]};
        dsp::RunSectionPair(pair, channels, n);
        return;
    }
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < n; ++i) {
            configure(pair[c], glide.ch[c][i]);
            data.ch[c][i] = dsp::Run(pair[c], data.ch[c][i]);
        }
    }
}

void Preamp::ProcessRun(const StereoRun& x, int n, const PreampSwitches& sw, double fs,
                        StereoRun& out, StereoRun& meterSource) {
    // The smoothers' values frame by frame, in the order the chain steps them:
    // left then right for the two-step ones; for drive and pad the left
    // shaper's pair, the right shaper's pair, then the meter's left and right.
    // A settled smoother's value stands for all its steps: only the gliding
    // ones write their values frame by frame.
    StereoRun highDb, lowDb, hpfFc;
    const bool highGlides = !highBoostSmoother.Settled(highBoostDb);
    const bool lowGlides = !lowBoostSmoother.Settled(lowBoostDb);
    const double hpfTarget = hpfFreqHz / fs;
    const bool hpfGlides = !hpfSmoother.Settled(hpfTarget);
    StepGliding<2>(highBoostSmoother, highBoostDb, highGlides, {highDb.ch[0], highDb.ch[1]}, n);
    StepGliding<2>(lowBoostSmoother, lowBoostDb, lowGlides, {lowDb.ch[0], lowDb.ch[1]}, n);
    StepGliding<2>(hpfSmoother, hpfTarget, hpfGlides, {hpfFc.ch[0], hpfFc.ch[1]}, n);

    padGain = PadGain(sw.pad);
    const bool gainsSettled = inputSmoother.Settled(inputGain) && padSmoother.Settled(padGain) &&
                              gainSmoother.Settled(preampGain);
    StereoRun pad[3], gain[3]; // [0] before the shaper, [1] after it, [2] the meter's
    StereoRun input;
    if (!gainsSettled) {
        inputSmoother.StepRun<2>(inputGain, {input.ch[0], input.ch[1]}, n);
        padSmoother.StepRun<6>(
            padGain,
            {pad[0].ch[0], pad[1].ch[0], pad[0].ch[1], pad[1].ch[1], pad[2].ch[0], pad[2].ch[1]},
            n);
        gainSmoother.StepRun<6>(preampGain,
                                {gain[0].ch[0], gain[1].ch[0], gain[0].ch[1], gain[1].ch[1],
                                 gain[2].ch[0], gain[2].ch[1]},
                                n);
    }
    const double settledInput = inputSmoother.value;
    const double settledPad = padSmoother.value;
    const double settledGain = gainSmoother.value;

    Transformer(x, out, n, sw.transformer);
    for (int c = 0; c < 2; ++c) {
        double* y = out.ch[c];
        // Input gain, then the waveshaper: the drive sets how hard it works,
        // not the level of small signals, since its output is scaled back by
        // the same drive.
        if (gainsSettled) {
            for (int i = 0; i < n; ++i)
                y[i] = settledPad * (settledInput * y[i]) * settledGain;
            dsp::ShapeRun(y, y, n, sw.mic);
            dsp::DivideRun(y, settledGain, y, n);
            if (settledPad != 1.0) // a division by 1 changes no bit
                dsp::DivideRun(y, settledPad, y, n);
            continue;
        }
        for (int i = 0; i < n; ++i) {
            const double M = input.ch[c][i] * y[i];
            y[i] = pad[0].ch[c][i] * M * gain[0].ch[c][i];
        }
        dsp::ShapeRun(y, y, n, sw.mic);
        dsp::DivideRun(y, gain[1].ch[c], y, n);
        dsp::DivideRun(y, pad[1].ch[c], y, n);
    }

    // A boost that is off and has settled at 0 dB designs a flat shelf: its
    // numerator tail equals its denominator and its leading coefficient is 1
    // within an ulp, and its state has decayed to rounding residue long
    // before the glide ends (the smoother takes seconds to reach 0 bit for
    // bit). It would hand each sample on as its float value, give or take
    // that residue (about 1e-16 of the signal); it does so here directly.
    const bool boostsFlat = !lowGlides && !highGlides && lowBoostSmoother.value == 0.0 &&
                            highBoostSmoother.value == 0.0;
    double* const channels[2] = {out.ch[0], out.ch[1]};
    if (!hpfGlides && !lowGlides && !highGlides && !boostsFlat) {
        // Settled: each section at its design for the run, all in one loop.
        const double lowFc = kLowBoostHz / fs;
        const double highFc = kHighBoostHz / fs;
        for (int c = 0; c < 2; ++c) {
            if (sw.hpf)
                hpf[c].Configure(dsp::kHighPass, hpfFc.ch[c][0], kHpfQ, 0.0);
            lowBoostShelf[c].Configure(dsp::kLowShelf, lowFc, kLowBoostQ, lowDb.ch[c][0]);
            highBoostShelf[c].Configure(dsp::kHighShelf, highFc, kHighBoostQ, highDb.ch[c][0]);
        }
        if (sw.hpf) {
            dsp::Biquad(*const pairs[3])[2] = {&hpf, &lowBoostShelf, &highBoostShelf};
            dsp::RunSectionPairCascade(pairs, channels, n);
        } else {
            dsp::Biquad(*const pairs[2])[2] = {&lowBoostShelf, &highBoostShelf};
            dsp::RunSectionPairCascade(pairs, channels, n);
        }
    } else {
        if (sw.hpf)
            RunGliding(hpf, dsp::kHighPass, 0.0, kHpfQ, hpfFc, hpfGlides, true, out, n);
        if (boostsFlat) {
            for (double* channel : channels)
                dsp::ThroughFloatRun(channel, channel, n);
        } else {
            RunGliding(lowBoostShelf, dsp::kLowShelf, kLowBoostHz / fs, kLowBoostQ, lowDb,
                       lowGlides, false, out, n);
            RunGliding(highBoostShelf, dsp::kHighShelf, kHighBoostHz / fs, kHighBoostQ, highDb,
                       highGlides, false, out, n);
        }
    }

    for (int c = 0; c < 2; ++c) {
        double* y = out.ch[c];
        if (!sw.engaged) {
            // Skipped: the input at the main input gain, unsmoothed.
            for (int i = 0; i < n; ++i)
                y[i] = inputGain * x.ch[c][i];
        } else if (sw.phase) {
            for (int i = 0; i < n; ++i)
                y[i] = -y[i];
        }
        if (gainsSettled) {
            for (int i = 0; i < n; ++i)
                meterSource.ch[c][i] = settledPad * y[i] * settledGain;
            continue;
        }
        for (int i = 0; i < n; ++i)
            meterSource.ch[c][i] = pad[2].ch[c][i] * y[i] * gain[2].ch[c][i];
    }
}

PreampOutput Preamp::Process(Stereo x, const PreampSwitches& sw, double fs) {
    StereoRun in, out, meter;
    in.ch[0][0] = x.left;
    in.ch[1][0] = x.right;
    ProcessRun(in, 1, sw, fs, out, meter);
    return {{out.ch[0][0], out.ch[1][0]}, {meter.ch[0][0], meter.ch[1][0]}};
}

} // namespace torvik
