#pragma once
// A one-pole glide for control values with a 10 Hz corner per step. Stepping
// it k times per sample makes it glide k times faster.
#include <cmath>

namespace torvik::dsp {

struct ParamSmoother {
    static constexpr double kTwoPi = 6.283185307179586;
    static constexpr double kCornerHz = 10.0; // corner of one step per sample

    double oneMinusCoef = 1.0; // weight of the target per step
    double coef = 0.0;         // weight of the previous value per step
    double value = 0.0;        // current smoothed value
    double rate = NAN;         // sample rate the weights were computed for, Hz; NaN for none

    // The weights are a pure function of the rate: a repeat of the last rate
    // keeps them, so the exp runs once per rate rather than once per block.
    void SetRate(double sampleRate) {
        if (sampleRate == rate)
            return;
        rate = sampleRate;
        coef = std::exp(-kTwoPi * kCornerHz / sampleRate);
        oneMinusCoef = 1.0 - coef;
    }
    // Stands the smoother at its target, with no glide left.
    void Settle(double target) { value = target; }
    double Step(double target) {
        value = oneMinusCoef * target + coef * value;
        return value;
    }
    // Whether a step toward target would leave the value as it is, bit for
    // bit; every later step toward the same target then does too.
    bool Settled(double target) const { return oneMinusCoef * target + coef * value == value; }

    // The values of `steps` consecutive steps per frame over n frames, written
    // to out[s][i] for step s of frame i. A settled smoother writes its value.
    template <int steps> void StepRun(double target, double* const (&out)[steps], int n) {
        if (Settled(target)) {
            for (int s = 0; s < steps; ++s)
                for (int i = 0; i < n; ++i)
                    out[s][i] = value;
            return;
        }
        for (int i = 0; i < n; ++i)
            for (int s = 0; s < steps; ++s)
                out[s][i] = Step(target);
    }
};

} // namespace torvik::dsp
