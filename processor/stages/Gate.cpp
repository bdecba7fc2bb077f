#include "processor/stages/Gate.h"

namespace torvik {

constexpr double kGateAttackMs = 1.0;     // opening time constant
constexpr double kGateFastAttackMs = 0.1; // with "Gate Fast Attack"

void Gate::ProcessRun(const StereoRun& deEssed, int n, const GateSwitches& sw, double fs,
                      StereoRun& gateOut, StereoRun& gated) {
    attackMs = sw.fastAttack ? kGateFastAttackMs : kGateAttackMs;

    // Each setter recomputes coefficients that depend only on its arguments
    // and the sample rate, none of which changes within a block; a call that
    // would store what is already there changes nothing and is skipped.
    if (gate.GetSampleRate() != fs)
        gate.SetSampleRate(fs);
    if (gate.GetThresholdDb() != -thresholdParam)
        gate.SetThresholdDb(-thresholdParam);
    if (gate.GetAttackMs() != attackMs)
        gate.SetAttackMs(attackMs);
    if (gate.GetReleaseMs() != releaseMs)
        gate.SetReleaseMs(releaseMs);

    // The gated pair: ProcessStereo frame by frame, its gains first.
    double gains[kRunFrames];
    gate.GainRun(deEssed.ch[0], deEssed.ch[1], gains, n);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < n; ++i)
            gated.ch[c][i] = deEssed.ch[c][i] * gains[i];
    for (int c = 0; c < 2; ++c) {
        if (!sw.engaged) {
            for (int i = 0; i < n; ++i)
                gateOut.ch[c][i] = deEssed.ch[c][i];
            continue;
        }
        for (int i = 0; i < n; ++i)
            gateOut.ch[c][i] = (1.0 - mix) * deEssed.ch[c][i] + mix * gated.ch[c][i];
    }
}

GateOutput Gate::Process(Stereo deEssed, const GateSwitches& sw, double fs) {
    StereoRun in, out, gatedPair;
    in.ch[0][0] = deEssed.left;
    in.ch[1][0] = deEssed.right;
    ProcessRun(in, 1, sw, fs, out, gatedPair);
    return {{out.ch[0][0], out.ch[1][0]}, {gatedPair.ch[0][0], gatedPair.ch[1][0]}};
}

} // namespace torvik
