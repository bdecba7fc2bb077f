#pragma once
// The worked figures of the filter building blocks, stated once: the coefficients
// a design must give and the response it must have. The production blocks and the
// reference model are both held to them.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace torvik::testing {

// A Biquad design and the coefficients it gives.
struct BiquadFigures {
    int type;
    double fc, q, gainDb;
    double b0, b1, b2, a1, a2;
    double tolerance; // the figures are given to about twelve digits
};

// A PeakFilter design, its coefficients and its gain at the centre.
struct PeakFigures {
    double sampleRate, gainDb, freqHz, q;
    double b0, b1, b2, a1, a2;
    double tolerance;
    double centreGainDb;
};

// A low shelf of 30 Hz at 48 kHz, q 0.2, +3 dB.
inline constexpr BiquadFigures kWorkedLowShelf = {5,
                                                  30.0 / 48000.0,
                                                  0.2,
                                                  3.0,
                                                  1.00401226768,
                                                  -1.98053756573,
                                                  0.976546869357,
                                                  -1.98054071573,
                                                  0.980555987041,
                                                  1e-11};

// A +6 dB peak at 1 kHz, q 0.35, at 48 kHz.
inline constexpr PeakFigures kWorkedPeak = {48000.0,
                                            6.0,
                                            1000.0,
                                            0.35,
                                            1.12473410331,
                                            -1.7708898034,
                                            0.661225788886,
                                            -1.75262442654,
                                            0.767694515345,
                                            1e-10,
                                            6.0};

// The equaliser colour of a constant 0.5, as its shelves hand it on.
inline constexpr double kColourOfHalf = 0.500634;
inline constexpr double kColourTolerance = 1e-6; // the figure's last digit

// How closely a designed response must meet its stated gain, in dB.
inline constexpr double kResponseToleranceDb = 1e-6;

// Magnitude at a fraction of the sample rate of a second-order section
// (n0 + n1 z⁻¹ + n2 z⁻²) / (1 + d1 z⁻¹ + d2 z⁻²).
inline double SectionMagnitude(double n0, double n1, double n2, double d1, double d2,
                               double fraction) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * M_PI * fraction);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((n0 + n1 * z1 + n2 * z2) / (1.0 + d1 * z1 + d2 * z2));
}

// A designed Biquad (production or model) against its figures.
template <typename Section> void ExpectFigures(const Section& f, const BiquadFigures& g) {
    EXPECT_NEAR(f.b0, g.b0, g.tolerance);
    EXPECT_NEAR(f.b1, g.b1, g.tolerance);
    EXPECT_NEAR(f.b2, g.b2, g.tolerance);
    EXPECT_NEAR(f.a1, g.a1, g.tolerance);
    EXPECT_NEAR(f.a2, g.a2, g.tolerance);
}

// A designed PeakFilter (production or model) against its figures and its centre gain.
template <typename Peak> void ExpectFigures(const Peak& f, const PeakFigures& g) {
    EXPECT_NEAR(f.b0, g.b0, g.tolerance);
    EXPECT_NEAR(f.b1, g.b1, g.tolerance);
    EXPECT_NEAR(f.b2, g.b2, g.tolerance);
    EXPECT_NEAR(f.a1, g.a1, g.tolerance);
    EXPECT_NEAR(f.a2, g.a2, g.tolerance);
    const double centre = SectionMagnitude(f.b0, f.b1, f.b2, f.a1, f.a2, g.freqHz / g.sampleRate);
    EXPECT_NEAR(20.0 * std::log10(centre), g.centreGainDb, kResponseToleranceDb);
}

} // namespace torvik::testing
