#pragma once
// A peaking section designed by the parametric-equaliser method with a
// prescribed gain at half the sample rate. Runs in double precision in direct
// form I.
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

// Two cascaded sections on each of two channels over a run, in one loop so
// that the four recursions overlap; each channel as first.ProcessRun then
// second.ProcessRun, in place.
inline void RunPeakCascadePair(PeakFilter (&first)[2], PeakFilter (&second)[2],
                               double* const data[2], int n) {
    double fl[4] = {first[0].x1, first[0].x2, first[0].y1, first[0].y2};
    double fr[4] = {first[1].x1, first[1].x2, first[1].y1, first[1].y2};
    double sl[4] = {second[0].x1, second[0].x2, second[0].y1, second[0].y2};
    double sr[4] = {second[1].x1, second[1].x2, second[1].y1, second[1].y2};
    double* left = data[0];
    double* right = data[1];
    for (int i = 0; i < n; ++i) {
        const double ml = first[0].Step(left[i], fl[0], fl[1], fl[2], fl[3]);
        const double mr = first[1].Step(right[i], fr[0], fr[1], fr[2], fr[3]);
        left[i] = second[0].Step(ml, sl[0], sl[1], sl[2], sl[3]);
        right[i] = second[1].Step(mr, sr[0], sr[1], sr[2], sr[3]);
    }
    const auto keep = [](PeakFilter& f, const double(&h)[4]) {
        f.x1 = h[0];
        f.x2 = h[1];
        f.y1 = h[2];
        f.y2 = h[3];
    };
    keep(first[0], fl);
    keep(first[1], fr);
    keep(second[0], sl);
    keep(second[1], sr);
}

} // namespace torvik::dsp
