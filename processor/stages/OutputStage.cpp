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

} // namespace torvik
