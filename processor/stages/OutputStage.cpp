#include "processor/stages/OutputStage.h"

#include "processor/stages/DenormalOffset.h"

#include <cmath>

namespace torvik {

void OutputStage::ProcessRun(const StereoRun& C, const StereoRun& x, int n, bool mainEngaged,
                             double* const out[2]) {
    if (!mainEngaged) {
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < n; ++i)
                out[c][i] = x.ch[c][i] - kChainDenormalOffset;
        return;
    }
    StereoRun gain;
    outputSmoother.StepRun<2>(outputGain, {gain.ch[0], gain.ch[1]}, n);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < n; ++i)
            out[c][i] = gain.ch[c][i] * (C.ch[c][i] - kChainDenormalOffset);
}

Stereo OutputStage::Process(Stereo C, Stereo x, bool mainEngaged) {
    if (!mainEngaged)
        return {x.left - kChainDenormalOffset, x.right - kChainDenormalOffset};
    Stereo out;
    out.left = outputSmoother.Step(outputGain) * (C.left - kChainDenormalOffset);
    out.right = outputSmoother.Step(outputGain) * (C.right - kChainDenormalOffset);
    return out;
}

MeterSources OutputStage::Sources(Stereo preampMeterSource, Stereo out, double deEssGain,
                                  double gateThresholdParam, Stereo gated, double compGain) {
    MeterSources s;
    s.pre = std::fabs(2.0 * (preampMeterSource.left + preampMeterSource.right));
    s.main = std::fabs(2.1 * (out.left + out.right));
    s.deEss = std::fabs(1.0 - deEssGain);
    s.gate =
        std::fabs(gateLiftPow((60.0 - gateThresholdParam) / 20.0) * (gated.left + gated.right));
    s.comp = std::fabs(1.0 - compGain);
    return s;
}

} // namespace torvik
