#pragma once
// A one-pole glide for control values with a 10 Hz corner per step. Stepping
// it k times per sample makes it glide k times faster.
#include <cmath>

namespace torvik::dsp {

struct ParamSmoother {
    double oneMinusCoef = 1.0; // weight of the target per step
    double coef = 0.0;         // weight of the previous value per step
    double value = 0.0;        // current smoothed value

    void SetRate(double sampleRate) {
        coef = std::exp(-6.283185307179586 * 10.0 / sampleRate);
        oneMinusCoef = 1.0 - coef;
    }
    // Stands the smoother at its target, with no glide left.
    void Settle(double target) { value = target; }
    double Step(double target) {
        value = oneMinusCoef * target + coef * value;
        return value;
    }
};

} // namespace torvik::dsp
