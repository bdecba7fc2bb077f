#include "processor/stages/Gate.h"

namespace torvik {

GateOutput Gate::Process(Stereo D, const GateSwitches& sw, double fs) {
    attackMs = sw.fastAttack ? 0.1 : 1.0;

    // Each setter recomputes coefficients that depend only on its arguments
    // and the sample rate, so a call that would store what is already there
    // changes nothing and is skipped.
    if (gate.GetSampleRate() != fs)
        gate.SetSampleRate(fs);
    if (gate.GetThresholdDb() != -thresholdParam)
        gate.SetThresholdDb(-thresholdParam);
    if (gate.GetAttackMs() != attackMs)
        gate.SetAttackMs(attackMs);
    if (gate.GetReleaseMs() != releaseMs)
        gate.SetReleaseMs(releaseMs);

    GateOutput result;
    result.gated = D;
    gate.ProcessStereo(result.gated.left, result.gated.right);

    if (!sw.engaged) {
        result.out = D;
        return result;
    }
    result.out.left = (1.0 - mix) * D.left + mix * result.gated.left;
    result.out.right = (1.0 - mix) * D.right + mix * result.gated.right;
    return result;
}

} // namespace torvik
