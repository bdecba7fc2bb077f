#include "processor/stages/DeEsser.h"

#include "processor/dsp/Quotients.h"
#include "processor/dsp/Shapers.h"
#include "processor/dsp/SimpleDynamics.h"

#include <cmath>

namespace torvik {

using dsp::kStageDbScale;

// The stage works at this multiple of the threshold parameter (in its dB scale).
constexpr double kThresholdScale = 1.5;
constexpr double kDeEsserAttackMs = 2.0;     // reduction time constant
constexpr double kDeEsserSoftAttackMs = 4.0; // with "De-Esser Soft"
constexpr double kRatio = 4.0;               // compression ratio
constexpr double kSoftRatio = 1.5;           // with "De-Esser Soft"
constexpr double kShelfHz = 16000.0;         // corner of the reducing shelf
constexpr double kShelfQ = 1.0;              // its quality
constexpr double kBandShelfQ = 1.4;          // with "De-Esser Band"
constexpr double kMaxCutDb = 24.0;           // the shelf's cut at full reduction
constexpr double kDetectorHpfHz = 15000.0;   // the detector's high-pass corner
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

void DeEsser::ProcessRun(const StereoRun& preampOut, int n, const DeEsserSwitches& sw, double fs,
                         StereoRun& deEssed, double* gains) {
    attackMs = sw.soft ? kDeEsserSoftAttackMs : kDeEsserAttackMs;
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
    const bool thresholdSettled = thresholdSmoother.Settled(thrTarget);
    thresholdSmoother.StepRun<1>(thrTarget, {thresholds}, n);
    for (int i = 0; i < n; ++i)
        levels[i] = std::fabs(preampOut.ch[0][i]) + std::fabs(preampOut.ch[1][i]);
    dsp::RunSection(detectorHpf, levels, levels, n);
    dsp::DetectLevelRun(levels, levels, n, a);

    // The linear threshold per frame (one value while the threshold stands),
    // and where the level exceeds it the factor that brings the level down
    // onto thr + (level - thr) / ratio: exp((thr + (scale ln d - thr) /
    // ratio) / scale) / d, over the run.
    double thresholdsLin[kRunFrames] = {}; // cleared: the compiler cannot see n > 0
    if (thresholdSettled) {
        const double settled = thresholdExp(thresholdSmoother.value / kStageDbScale);
        for (int i = 0; i < n; ++i)
            thresholdsLin[i] = settled;
    } else {
        for (int i = 0; i < n; ++i)
            thresholdsLin[i] = thresholdExp(thresholds[i] / kStageDbScale);
    }
    bool anyOver = false;
    for (int i = 0; i < n; ++i)
        anyOver |= levels[i] > thresholdsLin[i];
    double factors[kRunFrames] = {};
    if (anyOver) {
        dsp::LogRun(levels, factors, n);
        for (int i = 0; i < n; ++i)
            factors[i] = kStageDbScale * factors[i] - thresholds[i];
        dsp::DivideRun(factors, ratio, factors, n);
        for (int i = 0; i < n; ++i)
            factors[i] = thresholds[i] + factors[i];
        dsp::DivideRun(factors, kStageDbScale, factors, n);
        dsp::ExpRun(factors, factors, n);
    }
    // The target per frame: the quotients for the whole run (those of frames
    // below the threshold are discarded).
    double targets[kRunFrames];
    dsp::DivideRun(factors, levels, targets, n);
    for (int i = 0; i < n; ++i)
        targets[i] = levels[i] > thresholdsLin[i] ? targets[i] : 1.0;
    for (int i = 0; i < n; ++i) {
        deEssGain = dsp::RampGain(deEssGain, targets[i], attackFactor, releaseFactor);
        gains[i] = deEssGain;
    }

    if (!sw.engaged) {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                deEssed.ch[c][i] = preampOut.ch[c][i];
        return;
    }
    // The shelf cuts 24 × (1 − gain) dB; it follows the gain at every sample.
    // Its linear gain factor is 10^(|cut| / 20).
    double cuts[kRunFrames] = {};
    double cutFactors[kRunFrames] = {};
    for (int i = 0; i < n; ++i) {
        cuts[i] = gains[i] * kMaxCutDb - kMaxCutDb;
        cutFactors[i] = std::fabs(cuts[i]) * dsp::kLn10Over20;
    }
    dsp::ExpRun(cutFactors, cutFactors, n);
    // Both channels' shelves take the same settings: one design serves both,
    // and they run side by side.
    shelfCuts.Prepare(shelfFc, shelfQ);
    dsp::Biquad& design = shelf[0];
    // The design of every frame first, apart from the recursion: the cuts
    // over the whole run; a frame that boosts or keeps level (gain at 1 or
    // above) then takes the section's own design, which a repeat of the last
    // one skips.
    double b0[kRunFrames], b1[kRunFrames], b2[kRunFrames], a1[kRunFrames], a2[kRunFrames];
    static_assert(kRunFrames <= dsp::HighShelfCuts::kMaxCutRun);
    shelfCuts.DesignCutRun(cutFactors, n, b0, b1, b2, a1, a2);
    for (int i = 0; i < n; ++i) {
        if (!(cuts[i] >= 0.0))
            continue;
        if (design.Store(dsp::kHighShelf, shelfFc, shelfQ, cuts[i]))
            design.Design(cutFactors[i]);
        b0[i] = design.b0;
        b1[i] = design.b1;
        b2[i] = design.b2;
        a1[i] = design.a1;
        a2[i] = design.a2;
    }
    // The section keeps the last frame's settings and design.
    if (n > 0 && design.Store(dsp::kHighShelf, shelfFc, shelfQ, cuts[n - 1])) {
        design.b0 = b0[n - 1];
        design.b1 = b1[n - 1];
        design.b2 = b2[n - 1];
        design.a1 = a1[n - 1];
        design.a2 = a2[n - 1];
    }

    dsp::StereoLanes z1 = dsp::Lanes(shelf[0].z1, shelf[1].z1);
    dsp::StereoLanes z2 = dsp::Lanes(shelf[0].z2, shelf[1].z2);
    const dsp::StereoLanes dry = dsp::Lanes(mixDry, mixDry);
    const dsp::StereoLanes shelved = dsp::Lanes(mixShelved, mixShelved);
    const auto both = [](double c) { return dsp::Lanes(c, c); };
    for (int k = 0; k < n; ++k) {
        const dsp::StereoLanes p = dsp::Lanes(preampOut.ch[0][k], preampOut.ch[1][k]);
        const dsp::StereoLanes x = dsp::ThroughFloat(p);
        const dsp::StereoLanes y = x * both(b0[k]) + z1;
        z1 = x * both(b1[k]) + z2 - both(a1[k]) * y;
        z2 = x * both(b2[k]) - both(a2[k]) * y;
        const dsp::StereoLanes out = dry * p + shelved * dsp::ThroughFloat(y);
        deEssed.ch[0][k] = dsp::Left(out);
        deEssed.ch[1][k] = dsp::Right(out);
    }
    shelf[0].z1 = dsp::Left(z1);
    shelf[0].z2 = dsp::Left(z2);
    shelf[1].z1 = dsp::Right(z1);
    shelf[1].z2 = dsp::Right(z2);
    shelf[1].CopyDesign(shelf[0]);
}

Stereo DeEsser::Process(Stereo preampOut, const DeEsserSwitches& sw, double fs) {
    StereoRun in, out;
    double gain = 0.0;
    in.ch[0][0] = preampOut.left;
    in.ch[1][0] = preampOut.right;
    ProcessRun(in, 1, sw, fs, out, &gain);
    return {out.ch[0][0], out.ch[1][0]};
}

} // namespace torvik
