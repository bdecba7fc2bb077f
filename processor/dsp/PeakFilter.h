#pragma once
// A peaking section designed by the parametric-equaliser method with a
// prescribed gain at half the sample rate. Runs in double precision in direct
// form I.

namespace torvik::dsp {

struct PeakFilter {
    double b0 = 0.0; // numerator coefficients
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0; // denominator; the leading one is 1
    double a2 = 0.0;
    double sampleRate = 0.0;                 // Hz, written by the owner before each design
    double piConst = 3.141592653589793;      // pi as the design uses it
    double gainDivisor = 1.4142135623730951; // band-edge gain in dB is the peak's over this
    double x1 = 0.0;                         // last two inputs
    double x2 = 0.0;
    double y1 = 0.0; // last two outputs
    double y2 = 0.0;

    // Designs a peak of gainDb at freqHz with quality q; history untouched.
    void SetPeak(double gainDb, double freqHz, double q);
    // The design from reference gain g0, peak gain g, band-edge gain gb,
    // centre w0 and bandwidth dw (radians per sample).
    void Design(double g0, double g, double gb, double w0, double dw);

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
        for (int i = 0; i < n; ++i) {
            const double x = in[i];
            const double y = b0 * x + b1 * h1 + b2 * h2 - a1 * o1 - a2 * o2;
            h2 = h1;
            h1 = x;
            o2 = o1;
            o1 = y;
            out[i] = y;
        }
        x1 = h1;
        x2 = h2;
        y1 = o1;
        y2 = o2;
    }

    double Process(double in) {
        const double y = b0 * in + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = in;
        y2 = y1;
        y1 = y;
        return y;
    }
};

} // namespace torvik::dsp
