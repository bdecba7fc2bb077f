#pragma once
// Shared helpers of the chain tests: a processor with set parameters and
// block-wise rendering.
#include "processor/Parameters.h"
#include "support/TestSignals.h"
#include "support/TestTorvik.h"

#include <algorithm>
#include <vector>

namespace torvik::testing {

struct Rendered {
    std::vector<double> left, right;
};

// Sets a parameter by its real value and runs the parameter handling, as a
// host change does.
inline void SetParam(TORVIK& fx, int index, double value) {
    fx.ParamAt(index)->SetClamped(value);
    fx.HandleParamChange(index);
}

// Runs the signal through in blocks of the given size (the last may be shorter).
inline Rendered Render(TORVIK& fx, const Signal& s, int blockSize) {
    Rendered out;
    out.left.resize(s.left.size());
    out.right.resize(s.right.size());
    const int frames = s.Frames();
    for (int start = 0; start < frames; start += blockSize) {
        const int n = std::min(blockSize, frames - start);
        const std::size_t o = static_cast<std::size_t>(start);
        double* in[4] = {
            const_cast<double*>(s.left.data() + o), const_cast<double*>(s.right.data() + o),
            const_cast<double*>(s.scLeft.data() + o), const_cast<double*>(s.scRight.data() + o)};
        double* outp[2] = {out.left.data() + o, out.right.data() + o};
        fx.ProcessBlock(in, outp, n);
    }
    return out;
}

} // namespace torvik::testing
