#include "processor/stages/DeEsser.h"

#include "processor/dsp/SimpleDynamics.h"

#include <cmath>

namespace torvik {

using dsp::kStageDbScale;

// The stage works at this multiple of the threshold parameter (in its dB scale).
constexpr double kThresholdScale = 1.5;

void DeEsser::SetUpBlock(double fs) {
    detectorHpf.Configure(dsp::kHighPass, 15000.0 / fs, 1.0, 0.0);
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

Stereo DeEsser::Process(Stereo P, const DeEsserSwitches& sw, double fs) {
    attackMs = sw.soft ? 4.0 : 2.0;
    ratio = sw.soft ? 1.5 : 4.0;

    const double a = detectorCoefExp(-62.83185307 / fs);
    const double thr = thresholdSmoother.Step(thresholdDb * kThresholdScale);
    const double thrLin = thresholdExp(thr / kStageDbScale);
    const double attackFactor =
        attackMs / 1000.0 == 0.0 ? 0.0 : attackExp(-1.0 / ((attackMs / 1000.0) * fs));
    const double releaseFactor =
        releaseMs / 1000.0 == 0.0 ? 0.0 : releaseExp(-1.0 / ((releaseMs / 1000.0) * fs));

    const double e = std::fabs(P.left) + std::fabs(P.right);
    const double E = dsp::Run(detectorHpf, e);
    const double d = dsp::DetectLevel(E, a);

    // The factor that brings the level down onto thr + (level - thr) / ratio.
    double F = 1.0;
    if (d > thrLin)
        F = std::exp((thr + (kStageDbScale * std::log(d) - thr) / ratio) / kStageDbScale) / d;
    deEssGain = dsp::RampGain(deEssGain, F, attackFactor, releaseFactor);

    // The shelf cuts 24 × (1 − gain) dB; it follows the gain at every sample.
    shelfQ = sw.band ? 1.4 : 1.0;
    for (dsp::Biquad& f : shelf)
        f.Configure(dsp::kHighShelf, 16000.0 / fs, shelfQ, deEssGain * 24.0 - 24.0);

    if (!sw.engaged)
        return P;
    Stereo D;
    D.left = (1.0 - mix) * P.left + mix * dsp::Run(shelf[0], P.left);
    D.right = (1.0 - mix) * P.right + mix * dsp::Run(shelf[1], P.right);
    return D;
}

} // namespace torvik
