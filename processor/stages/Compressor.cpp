#include "processor/stages/Compressor.h"

#include "processor/dsp/SimpleDynamics.h"

#include <algorithm>
#include <cmath>

namespace torvik {

using dsp::kStageDbScale;

void Compressor::SetUpBlock(double fs) {
    for (dsp::Biquad& f : sidechainHpf)
        f.Configure(dsp::kHighPass, 80.0 / fs, 0.707, 0.0);
}

void Compressor::Activate() {
    compGain = 1.0;
    sidechainHpf[0].ClearState();
    sidechainHpf[1].ClearState();
}

Stereo Compressor::Process(Stereo E, Stereo external, const CompressorSwitches& sw, double fs) {
    const Stereo S = sw.externalSidechain ? external : E;
    Stereo Sf = S;
    if (sw.sidechainHpf) {
        Sf.left = dsp::Run(sidechainHpf[0], S.left);
        Sf.right = dsp::Run(sidechainHpf[1], S.right);
    }

    attackMs = sw.fastAttack ? 2.0 : 10.0;
    releaseMs = sw.autoRelease ? std::fabs(Sf.left + Sf.right) * 900.0 + 1000.0 : 400.0;

    if (thresholdDb == 0.0) {
        // The compressor is off at the top of the threshold range: whatever
        // the detector says, the gain is 1.
        compGain = 1.0;
    } else {
        // The gain moves by at most the threshold's depth per attack or
        // release time: the lower the threshold, the faster the compressor.
        const double a = detectorCoefExp(-62.83185307 / fs);
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
        if (T - 3.0 > x) {
            gr = 0.0;
        } else if (x > T + 3.0) {
            gr = (x - T) * (1.0 / R - 1.0);
        } else {
            const double k = x - (T - 3.0);
            gr = (1.0 / R - 1.0) / 12.0 * (k * k);
        }
        const double target = targetPow(gr / 20.0);
        compGain = dsp::RampGain(compGain, target, attackFactor, releaseFactor);
    }

    makeupFraction = sw.externalSidechain ? 0.0 : 0.22;
    const double makeup = makeupPow(thresholdDb * makeupFraction / -20.0);
    const Stereo K = {compGain * E.left * makeup, compGain * E.right * makeup};

    if (!sw.engaged)
        return E;
    return {(1.0 - mix) * E.left + mix * K.left, (1.0 - mix) * E.right + mix * K.right};
}

} // namespace torvik
