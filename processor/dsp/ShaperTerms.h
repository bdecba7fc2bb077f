#pragma once
// The memoryless curves for one sample, with the platform's maths library.
#include <cmath>

namespace torvik::dsp {

// Weights of the small terms of the waveshaper and the colour.
inline constexpr double kShapeEvenWeight = 0.001;    // tanh(B²) without the mic voicing
inline constexpr double kShapeOddWeight = 0.001;     // tanh(B³), and the atan or sin(B³) term
inline constexpr double kMicEvenWeight = 0.005;      // sin(B²) with the mic voicing
inline constexpr double kColourOddWeight = 0.005;    // tanh(x³) of the colour
inline constexpr double kColourEvenWeight = 0.00005; // sin(x²) of the colour
inline constexpr double kColourTanWeight = 0.000001; // tan(xt³) of the colour

inline double Saturate(double v) {
    const double v3 = v * v * v;
    const double v4 = v * v3;
    return std::sin(std::tanh(v4) + std::tanh(v3)) + std::tanh(v);
}

inline double Shape(double B, bool mic) {
    const double B2 = B * B;
    const double B3 = B * B * B;
    if (!mic) {
        const double B7 = B * B * B * B * B * B * B;
        return std::sin(kShapeEvenWeight * std::tanh(B2) + kShapeOddWeight * std::tanh(B3)) +
               std::tanh(B) - kShapeOddWeight * std::atan(B7);
    }
    return std::sin(kMicEvenWeight * std::sin(B2) + kShapeOddWeight * std::tanh(B3)) +
           std::tanh(B) - kShapeOddWeight * std::sin(B3);
}

// The tan term stays under 0.0000016 up to full scale but grows without bound
// toward |x| = 1.1624, where x³ reaches pi/2. Beyond full scale it is held at
// its full-scale value, which keeps the colour continuous and small.
inline double Colour(double x) {
    const double xt = x > 1.0 ? 1.0 : (x < -1.0 ? -1.0 : x);
    const double x3 = x * x * x;
    const double xt3 = xt * xt * xt;
    return x + std::sin(kColourOddWeight * std::tanh(x3) + kColourEvenWeight * std::sin(x * x)) -
           kColourTanWeight * std::tan(xt3);
}

} // namespace torvik::dsp
