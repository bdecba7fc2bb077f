#include "processor/stages/DeEsser.h"

#include "processor/dsp/SimpleDynamics.h"

#include <cmath>

namespace torvik {

using dsp::kStageDbScale;

// The stage works at this multiple of the threshold parameter (in its dB scale).
constexpr double kThresholdScale = 1.5;
constexpr double kAttackMs = 2.0;          // reduction time constant
constexpr double kSoftAttackMs = 4.0;      // with "De-Esser Soft"
constexpr double kRatio = 4.0;             // compression ratio
constexpr double kSoftRatio = 1.5;         // with "De-Esser Soft"
constexpr double kShelfHz = 16000.0;       // corner of the reducing shelf
constexpr double kShelfQ = 1.0;            // its quality
constexpr double kBandShelfQ = 1.4;        // with "De-Esser Band"
constexpr double kMaxCutDb = 24.0;         // the shelf's cut at full reduction
constexpr double kDetectorHpfHz = 15000.0; // the detector's high-pass corner
constexpr double kDetectorHpfQ = 1.0;

void DeEsser::SetUpBlock(double fs) {
    detectorHpf.Configure(dsp::kHighPass, kDetectorHpfHz / fs, kDetectorHpfQ, 0.0);
}

void DeEsser::Activate() {
    thresholdSmoother.Settle(thresholdDb * kThresholdScale);
    deEssGain = 1.0;
    detectorHpf.ClearState();
    shelf[0].ClearState();
    shelf[1].ClearState();
}

void DeEsser::SetSmootherRates(double fs) {
    thresholdSmoother.SetRate(fs);
}

void DeEsser::ProcessRun(const StereoRun& P, int n, const DeEsserSwitches& sw, double fs,
                         StereoRun& D, double* gains) {
    attackMs = sw.soft ? kSoftAttackMs : kAttackMs;
    ratio = sw.soft ? kSoftRatio : kRatio;
    shelfQ = sw.band ? kBandShelfQ : kShelfQ;
    const double shelfFc = kShelfHz / fs;

    const double a = detectorCoefExp(-dsp::kDetectorCornerRadians / fs);
    const double attackFactor =
        attackMs / 1000.0 == 0.0 ? 0.0 : attackExp(-1.0 / ((attackMs / 1000.0) * fs));
    const double releaseFactor =
        releaseMs / 1000.0 == 0.0 ? 0.0 : releaseExp(-1.0 / ((releaseMs / 1000.0) * fs));
    const double thrTarget = thresholdDb * kThresholdScale;
    const double mixShelved = mix;
    const double mixDry = 1.0 - mix;

    // Detection: the high-passed sum of the magnitudes, then its level. It
    // does not depend on the gain, so it runs over the whole run first.
    double thresholds[kRunFrames];
    double levels[kRunFrames];
    thresholdSmoother.StepRun<1>(thrTarget, {thresholds}, n);
    for (int i = 0; i < n; ++i)
        levels[i] = std::fabs(P.ch[0][i]) + std::fabs(P.ch[1][i]);
    dsp::RunSection(detectorHpf, levels, levels, n);
    for (int i = 0; i < n; ++i)
        levels[i] = dsp::DetectLevel(levels[i], a);

    for (int i = 0; i < n; ++i) {
        const double left = P.ch[0][i];
        const double right = P.ch[1][i];
        const double thr = thresholds[i];
        const double thrLin = thresholdExp(thr / kStageDbScale);
        const double d = levels[i];

        // The factor that brings the level down onto thr + (level - thr) / ratio.
        double F = 1.0;
        if (d > thrLin)
            F = std::exp((thr + (kStageDbScale * std::log(d) - thr) / ratio) / kStageDbScale) / d;
        deEssGain = dsp::RampGain(deEssGain, F, attackFactor, releaseFactor);
        gains[i] = deEssGain;

        if (!sw.engaged) {
            D.ch[0][i] = left;
            D.ch[1][i] = right;
            continue;
        }
        // The shelf cuts 24 × (1 − gain) dB; it follows the gain at every sample.
        const double cutDb = deEssGain * kMaxCutDb - kMaxCutDb;
        shelf[0].Configure(dsp::kHighShelf, shelfFc, shelfQ, cutDb);
        shelf[1].Configure(dsp::kHighShelf, shelfFc, shelfQ, cutDb);
        D.ch[0][i] = mixDry * left + mixShelved * dsp::Run(shelf[0], left);
        D.ch[1][i] = mixDry * right + mixShelved * dsp::Run(shelf[1], right);
    }
}

Stereo DeEsser::Process(Stereo P, const DeEsserSwitches& sw, double fs) {
    StereoRun in, out;
    double gain = 0.0;
    in.ch[0][0] = P.left;
    in.ch[1][0] = P.right;
    ProcessRun(in, 1, sw, fs, out, &gain);
    return {out.ch[0][0], out.ch[1][0]};
}

} // namespace torvik
