#include "processor/stages/Compressor.h"

#include "processor/dsp/Quotients.h"
#include "processor/dsp/Shapers.h"
#include "processor/dsp/SimpleDynamics.h"

#include <algorithm>
#include <cmath>

namespace torvik {

using dsp::kStageDbScale;

namespace {

constexpr double kSidechainHpfHz = 80.0; // corner of the key's high-pass
constexpr double kSidechainHpfQ = 0.707;
constexpr double kCompressorAttackMs = 10.0;    // reduction time
constexpr double kCompressorFastAttackMs = 2.0; // with "Compressor Fast Attack"
constexpr double kReleaseMs = 400.0;            // recovery time
constexpr double kAutoReleaseMs = 1000.0;       // auto release for a silent key
constexpr double kAutoReleaseMsPerUnit = 900.0; // and its growth with the key's level
constexpr double kKneeHalfWidthDb = 3.0;        // the knee is 6 dB wide, centred on the threshold
constexpr double kMakeupFraction = 0.22;        // share of the threshold's depth given back
constexpr double kExternalMakeupFraction = 0.0; // none with the external key

// The program-dependent release: 1 s for a silent key, longer as it grows.
double AutoReleaseMs(double keyLeft, double keyRight) {
    return std::fabs(keyLeft + keyRight) * kAutoReleaseMsPerUnit + kAutoReleaseMs;
}

} // namespace

void Compressor::SetUpBlock(double fs) {
    for (dsp::Biquad& f : sidechainHpf)
        f.Configure(dsp::kHighPass, kSidechainHpfHz / fs, kSidechainHpfQ, 0.0);
}

void Compressor::Activate() {
    compGain = 1.0;
    sidechainHpf[0].ClearState();
    sidechainHpf[1].ClearState();
}

void Compressor::ProcessRun(const StereoRun& equalised, const StereoRun& external, int n,
                            const CompressorSwitches& sw, double fs, StereoRun& compressed,
                            double* gains) {
    const StereoRun& keySource = sw.externalSidechain ? external : equalised;
    StereoRun filtered;
    const StereoRun* key = &keySource;
    if (sw.sidechainHpf) {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                filtered.ch[c][i] = keySource.ch[c][i];
        double* const channels[2] = {filtered.ch[0], filtered.ch[1]};
        dsp::RunSectionPair(sidechainHpf, channels, n);
        key = &filtered;
    }
    attackMs = sw.fastAttack ? kCompressorFastAttackMs : kCompressorAttackMs;
    makeupFraction = sw.externalSidechain ? kExternalMakeupFraction : kMakeupFraction;
    // Frame i of the engaged output: the compressed pair K = gain × E × makeup
    // blended with E, both channels side by side.
    const auto both = [](double c) { return dsp::Lanes(c, c); };
    const dsp::StereoLanes makeup = both(makeupPow(thresholdDb * makeupFraction / -20.0));
    const dsp::StereoLanes dry = both(1.0 - mix), wet = both(mix);
    const auto apply = [&](int i) {
        const dsp::StereoLanes e = dsp::Lanes(equalised.ch[0][i], equalised.ch[1][i]);
        const dsp::StereoLanes K = both(gains[i]) * e * makeup;
        const dsp::StereoLanes out = dry * e + wet * K;
        compressed.ch[0][i] = dsp::Left(out);
        compressed.ch[1][i] = dsp::Right(out);
    };
    if (thresholdDb == 0.0) {
        // The compressor is off at the top of the threshold range: whatever
        // the detector says, the gain is 1.
        if (sw.autoRelease && n > 0)
            releaseMs = AutoReleaseMs(key->ch[0][n - 1], key->ch[1][n - 1]);
        else if (!sw.autoRelease)
            releaseMs = kReleaseMs;
        compGain = 1.0;
        for (int i = 0; i < n; ++i)
            gains[i] = compGain;
    } else {
        // Level in dB per frame, over the run.
        const double a = detectorCoefExp(-dsp::kDetectorCornerRadians / fs);
        double levelsDb[kRunFrames] = {}; // cleared: the compiler cannot see n > 0
        for (int i = 0; i < n; ++i)
            levelsDb[i] = std::max(std::fabs(key->ch[0][i]), std::fabs(key->ch[1][i]));
        dsp::DetectLevelRun(levelsDb, levelsDb, n, a);
        dsp::Log10Run(levelsDb, levelsDb, n);

        // Gain reduction in dB with a 6 dB knee centred on the threshold, and
        // its linear target 10^(gr / 20).
        const double T = thresholdDb;
        const double R = ratio;
        // Every branch is computed and the right one kept, two frames at a
        // time: a level that hovers about the knee costs no mispredicted jumps.
        double targets[kRunFrames];
        const auto reduction = [&](dsp::StereoLanes x) {
            const dsp::StereoLanes slope = both(1.0 / R - 1.0);
            const dsp::StereoLanes over = (x - both(T)) * slope;
            const dsp::StereoLanes k = x - both(T - kKneeHalfWidthDb);
            const dsp::StereoLanes knee = slope / both(4.0 * kKneeHalfWidthDb) * (k * k);
            const dsp::StereoLanes gr =
                dsp::Select(both(T - kKneeHalfWidthDb) > x, both(0.0),
                            dsp::Select(x > both(T + kKneeHalfWidthDb), over, knee));
            return gr * both(dsp::kLn10Over20);
        };
        int pair = 0;
        for (; pair + 1 < n; pair += 2)
            dsp::StorePair(targets + pair,
                           reduction(dsp::Lanes(20.0, 20.0) * dsp::LoadPair(levelsDb + pair)));
        if (pair < n)
            targets[pair] = dsp::Left(reduction(dsp::Lanes(20.0 * levelsDb[pair], 0.0)));
        dsp::ExpRun(targets, targets, n);

        // The gain moves by at most the threshold's depth per attack or
        // release time: the lower the threshold, the faster the compressor.
        const double attackFactor =
            attackExp(thresholdDb / (fs * attackMs / 1000.0) / kStageDbScale);
        double releaseFactors[kRunFrames];
        if (sw.autoRelease) {
            // thresholdDb / (fs * ms / 1000) / kStageDbScale, its divisions
            // as passes over the run.
            for (int i = 0; i < n; ++i)
                releaseFactors[i] = fs * AutoReleaseMs(key->ch[0][i], key->ch[1][i]);
            dsp::DivideRun(releaseFactors, 1000.0, releaseFactors, n);
            dsp::DivideRun(thresholdDb, releaseFactors, releaseFactors, n);
            dsp::DivideRun(releaseFactors, kStageDbScale, releaseFactors, n);
            if (n > 0)
                releaseMs = AutoReleaseMs(key->ch[0][n - 1], key->ch[1][n - 1]);
            dsp::ExpRun(releaseFactors, releaseFactors, n);
        } else {
            releaseMs = kReleaseMs;
            const double releaseFactor =
                releaseExp(thresholdDb / (fs * releaseMs / 1000.0) / kStageDbScale);
            for (int i = 0; i < n; ++i)
                releaseFactors[i] = releaseFactor;
        }
        // The gain ramp waits on a division from one frame to the next; an
        // engaged stage's output for the frame fills that wait.
        for (int i = 0; i < n; ++i) {
            compGain = dsp::RampGain(compGain, targets[i], attackFactor, releaseFactors[i]);
            gains[i] = compGain;
            if (sw.engaged)
                apply(i);
        }
        if (sw.engaged)
            return;
    }
    for (int i = 0; i < n; ++i) {
        if (sw.engaged) {
            apply(i);
            continue;
        }
        compressed.ch[0][i] = equalised.ch[0][i];
        compressed.ch[1][i] = equalised.ch[1][i];
    }
}

Stereo Compressor::Process(Stereo equalised, Stereo external, const CompressorSwitches& sw,
                           double fs) {
    StereoRun in, sidechain, out;
    double gain = 0.0;
    in.ch[0][0] = equalised.left;
    in.ch[1][0] = equalised.right;
    sidechain.ch[0][0] = external.left;
    sidechain.ch[1][0] = external.right;
    ProcessRun(in, sidechain, 1, sw, fs, out, &gain);
    return {out.ch[0][0], out.ch[1][0]};
}

} // namespace torvik
