#include "processor/dsp/Biquad.h"

#include <cfloat>
#include <cmath>
#include <numbers>

namespace torvik::dsp {

void Biquad::Design(double V) {
    const double corner = fc < 0.5 ? fc : kMaxBiquadFc;
    const double K = cornerTan(std::numbers::pi * corner);
    const double Q = q;
    const double K2 = K * K;
    double n = 0.0;
    switch (type) {
    case kLowPass:
        n = 1.0 / (1.0 + K / Q + K2);
        b0 = K2 * n;
        b1 = 2.0 * b0;
        b2 = b0;
        a1 = 2.0 * (K2 - 1.0) * n;
        a2 = (1.0 - K / Q + K2) * n;
        break;
    case kHighPass:
        n = 1.0 / (1.0 + K / Q + K2);
        b0 = n;
        b1 = -2.0 * b0;
        b2 = b0;
        a1 = 2.0 * (K2 - 1.0) * n;
        a2 = (1.0 - K / Q + K2) * n;
        break;
    case kBandPass:
        n = 1.0 / (1.0 + K / Q + K2);
        b0 = (K / Q) * n;
        b1 = 0.0;
        b2 = -b0;
        a1 = 2.0 * (K2 - 1.0) * n;
        a2 = (1.0 - K / Q + K2) * n;
        break;
    case kNotch:
        n = 1.0 / (1.0 + K / Q + K2);
        b0 = (1.0 + K2) * n;
        b1 = 2.0 * (K2 - 1.0) * n;
        b2 = b0;
        a1 = b1;
        a2 = (1.0 - K / Q + K2) * n;
        break;
    case kPeak:
        if (gainDb >= 0.0) {
            n = 1.0 / (1.0 + K / Q + K2);
            b0 = (1.0 + (V / Q) * K + K2) * n;
            b1 = 2.0 * (K2 - 1.0) * n;
            b2 = (1.0 - (V / Q) * K + K2) * n;
            a1 = b1;
            a2 = (1.0 - K / Q + K2) * n;
        } else {
            n = 1.0 / (1.0 + (V / Q) * K + K2);
            b0 = (1.0 + K / Q + K2) * n;
            b1 = 2.0 * (K2 - 1.0) * n;
            b2 = (1.0 - K / Q + K2) * n;
            a1 = b1;
            a2 = (1.0 - (V / Q) * K + K2) * n;
        }
        break;
    case kLowShelf:
        if (gainDb >= 0.0) {
            n = 1.0 / (1.0 + K / Q + K2);
            b0 = (1.0 + (V / Q) * K + V * K2) * n;
            b1 = 2.0 * (V * K2 - 1.0) * n;
            b2 = (1.0 - (V / Q) * K + V * K2) * n;
            a1 = 2.0 * (K2 - 1.0) * n;
            a2 = (1.0 - K / Q + K2) * n;
        } else {
            n = 1.0 / (1.0 + (V / Q) * K + V * K2);
            b0 = (1.0 + K / Q + K2) * n;
            b1 = 2.0 * (K2 - 1.0) * n;
            b2 = (1.0 - K / Q + K2) * n;
            a1 = 2.0 * (V * K2 - 1.0) * n;
            a2 = (1.0 - (V / Q) * K + V * K2) * n;
        }
        break;
    case kHighShelf:
        if (gainDb >= 0.0) {
            n = 1.0 / (1.0 + K / Q + K2);
            b0 = (V + (V / Q) * K + K2) * n;
            b1 = 2.0 * (K2 - V) * n;
            b2 = (V - (V / Q) * K + K2) * n;
            a1 = 2.0 * (K2 - 1.0) * n;
            a2 = (1.0 - K / Q + K2) * n;
        } else {
            n = 1.0 / (V + (V / Q) * K + K2);
            b0 = (1.0 + K / Q + K2) * n;
            b1 = 2.0 * (K2 - 1.0) * n;
            b2 = (1.0 - K / Q + K2) * n;
            a1 = 2.0 * (K2 - V) * n;
            a2 = (V - (V / Q) * K + K2) * n;
        }
        break;
    default:
        break;
    }
}

} // namespace torvik::dsp
