#pragma once
// A peaking section designed by the parametric-equaliser method with a
// prescribed gain at half the sample rate. Runs in double precision in direct
// form I.
#include "processor/dsp/StereoLanes.h"

#include <cmath>
#include <numbers>

namespace torvik::dsp {

struct PeakFilter {
    double b0 = 0.0; // numerator coefficients
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0; // denominator; the leading one is 1
    double a2 = 0.0;
    double sampleRate = 0.0;                 // Hz, written by the owner before each design
    double piConst = std::numbers::pi;       // pi as the design uses it
    double gainDivisor = 1.4142135623730951; // band-edge gain in dB is the peak's over this
    double x1 = 0.0;                         // last two inputs
    double x2 = 0.0;
    double y1 = 0.0; // last two outputs
    double y2 = 0.0;
    // The settings of the last design (gain dB, centre Hz, q, sample rate); NaN
    // before the first. A design is a pure function of them.
    double designedFor[4] = {NAN, NAN, NAN, NAN};

    // Designs a peak of gainDb at freqHz with quality q; history untouched.
    // A repeat of the last design's settings keeps its coefficients.
    void SetPeak(double gainDb, double freqHz, double q);
    // Takes another section's coefficients and design settings, its history
    // untouched: two sections set alike need only one design.
    void CopyDesign(const PeakFilter& other) {
        b0 = other.b0;
        b1 = other.b1;
        b2 = other.b2;
        a1 = other.a1;
        a2 = other.a2;
        sampleRate = other.sampleRate;
        for (int k = 0; k < 4; ++k)
            designedFor[k] = other.designedFor[k];
    }
    // The design from reference gain g0, peak gain g, band-edge gain gb,
    // centre w0 and bandwidth dw (radians per sample).
    void Design(double g0, double g, double gb, double w0, double dw);

private:
    // SetPeak's design, always computed.
    void DesignPeak(double gainDb, double freqHz, double q);

public:
    // Clears the history, as at construction; the coefficients stay.
    void ClearHistory() {
        x1 = 0.0;
        x2 = 0.0;
        y1 = 0.0;
        y2 = 0.0;
    }

    // A run of samples through the section; out may equal in.
    void ProcessRun(const double* in, double* out, int n) {
        double h1 = x1, h2 = x2, o1 = y1, o2 = y2;
        for (int i = 0; i < n; ++i)
            out[i] = Step(in[i], h1, h2, o1, o2);
        x1 = h1;
        x2 = h2;
        y1 = o1;
        y2 = o2;
    }

    // One sample through the section, with the history in the caller's
    // registers: x1 x2 the last inputs, y1 y2 the last outputs.
    double Step(double x, double& h1, double& h2, double& o1, double& o2) const {
        const double y = b0 * x + b1 * h1 + b2 * h2 - a1 * o1 - a2 * o2;
        h2 = h1;
        h1 = x;
        o2 = o1;
        o1 = y;
        return y;
    }

    double Process(double in) { return Step(in, x1, x2, y1, y2); }
};

// One section of each channel side by side, for loops that run several in
// series: each step as PeakFilter::Step on each lane.
struct PeakLanes {
    StereoLanes b0, b1, b2, a1, a2; // coefficients
    StereoLanes x1, x2, y1, y2;     // history
    explicit PeakLanes(const PeakFilter (&f)[2])
        : b0(Lanes(f[0].b0, f[1].b0)), b1(Lanes(f[0].b1, f[1].b1)), b2(Lanes(f[0].b2, f[1].b2)),
          a1(Lanes(f[0].a1, f[1].a1)), a2(Lanes(f[0].a2, f[1].a2)), x1(Lanes(f[0].x1, f[1].x1)),
          x2(Lanes(f[0].x2, f[1].x2)), y1(Lanes(f[0].y1, f[1].y1)), y2(Lanes(f[0].y2, f[1].y2)) {}
    StereoLanes Step(StereoLanes x) {
        const StereoLanes y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    void Keep(PeakFilter (&f)[2]) const {
        f[0].x1 = Left(x1);
        f[0].x2 = Left(x2);
        f[0].y1 = Left(y1);
        f[0].y2 = Left(y2);
        f[1].x1 = Right(x1);
        f[1].x2 = Right(x2);
        f[1].y1 = Right(y1);
        f[1].y2 = Right(y2);
    }
};

// Two cascaded sections on each of two channels over a run, the channels side
// by side in one register; each channel as first.ProcessRun then
// second.ProcessRun, in place, bit for bit.
inline void RunPeakCascadePair(PeakFilter (&first)[2], PeakFilter (&second)[2],
                               double* const data[2], int n) {
    PeakLanes one(first), two(second);
    double* left = data[0];
    double* right = data[1];
    for (int i = 0; i < n; ++i) {
        const StereoLanes y = two.Step(one.Step(Lanes(left[i], right[i])));
        left[i] = Left(y);
        right[i] = Right(y);
    }
    one.Keep(first);
    two.Keep(second);
}

} // namespace torvik::dsp
