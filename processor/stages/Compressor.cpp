#include "processor/stages/Compressor.h"

#include "processor/dsp/SimpleDynamics.h"

#include <algorithm>
#include <cmath>

namespace torvik {

using dsp::kStageDbScale;

namespace {

constexpr double kSidechainHpfHz = 80.0; // corner of the key's high-pass
constexpr double kSidechainHpfQ = 0.707;
constexpr double kAttackMs = 10.0;              // reduction time
constexpr double kFastAttackMs = 2.0;           // with "Compressor Fast Attack"
constexpr double kReleaseMs = 400.0;            // recovery time
constexpr double kAutoReleaseMs = 1000.0;       // auto release for a silent key
constexpr double kAutoReleaseMsPerUnit = 900.0; // and its growth with the key's level
constexpr double kKneeHalfWidthDb = 3.0;        // the knee is 6 dB wide, centred on the threshold
constexpr double kMakeupFraction = 0.22;        // share of the threshold's depth given back
constexpr double kExternalMakeupFraction = 0.0; // none with the external key

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

void Compressor::ProcessRun(const StereoRun& E, const StereoRun& external, int n,
                            const CompressorSwitches& sw, double fs, StereoRun& C, double* gains) {
    const StereoRun& S = sw.externalSidechain ? external : E;
    StereoRun filtered;
    const StereoRun* key = &S;
    if (sw.sidechainHpf) {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                filtered.ch[c][i] = S.ch[c][i];
        double* const channels[2] = {filtered.ch[0], filtered.ch[1]};
        dsp::RunSectionPair(sidechainHpf, channels, n);
        key = &filtered;
    }
    for (int i = 0; i < n; ++i) {
        const Stereo Sf = {key->ch[0][i], key->ch[1][i]};
        attackMs = sw.fastAttack ? kFastAttackMs : kAttackMs;
        releaseMs = sw.autoRelease
                        ? std::fabs(Sf.left + Sf.right) * kAutoReleaseMsPerUnit + kAutoReleaseMs
                        : kReleaseMs;

        if (thresholdDb == 0.0) {
            // The compressor is off at the top of the threshold range: whatever
            // the detector says, the gain is 1.
            compGain = 1.0;
        } else {
            // The gain moves by at most the threshold's depth per attack or
            // release time: the lower the threshold, the faster the compressor.
            const double a = detectorCoefExp(-dsp::kDetectorCornerRadians / fs);
            const double attackFactor =
                attackExp(thresholdDb / (fs * attackMs / 1000.0) / kStageDbScale);
            const double releaseFactor =
                releaseExp(thresholdDb / (fs * releaseMs / 1000.0) / kStageDbScale);

            const double m = std::max(std::fabs(Sf.left), std::fabs(Sf.right));
            const double d = dsp::DetectLevel(m, a);
            const double x = 20.0 * std::log10(d);

            // Gain reduction in dB with a 6 dB knee centred on the threshold.
            const double T = thresholdDb;
            const double R = ratio;
            double gr = 0.0;
            if (T - kKneeHalfWidthDb > x) {
                gr = 0.0;
            } else if (x > T + kKneeHalfWidthDb) {
                gr = (x - T) * (1.0 / R - 1.0);
            } else {
                const double k = x - (T - kKneeHalfWidthDb);
                gr = (1.0 / R - 1.0) / (4.0 * kKneeHalfWidthDb) * (k * k);
            }
            const double target = targetPow(gr / 20.0);
            compGain = dsp::RampGain(compGain, target, attackFactor, releaseFactor);
        }
        gains[i] = compGain;
    }

    makeupFraction = sw.externalSidechain ? kExternalMakeupFraction : kMakeupFraction;
    const double makeup = makeupPow(thresholdDb * makeupFraction / -20.0);
    for (int c = 0; c < 2; ++c) {
        if (!sw.engaged) {
            for (int i = 0; i < n; ++i)
                C.ch[c][i] = E.ch[c][i];
            continue;
        }
        for (int i = 0; i < n; ++i) {
            const double K = gains[i] * E.ch[c][i] * makeup;
            C.ch[c][i] = (1.0 - mix) * E.ch[c][i] + mix * K;
        }
    }
}

Stereo Compressor::Process(Stereo E, Stereo external, const CompressorSwitches& sw, double fs) {
    StereoRun in, sidechain, out;
    double gain = 0.0;
    in.ch[0][0] = E.left;
    in.ch[1][0] = E.right;
    sidechain.ch[0][0] = external.left;
    sidechain.ch[1][0] = external.right;
    ProcessRun(in, sidechain, 1, sw, fs, out, &gain);
    return {out.ch[0][0], out.ch[1][0]};
}

} // namespace torvik
