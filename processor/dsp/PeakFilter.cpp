#include "processor/dsp/PeakFilter.h"

#include <cmath>

namespace torvik::dsp {

// Centres at or above this fraction of the sample rate are designed here: the
// design needs the centre below half the sample rate (tan(w0/2) folds over
// there). Only sample rates below about 16.7 kHz reach it.
static constexpr double kMaxPeakFraction = 0.49;

// Turns the quality q into the bandwidth the design takes: dw = w0 / (q *
// kQToBandwidth). The equaliser's bands were voiced with this factor.
static constexpr double kQToBandwidth = 1.588308819;

// Peaks smaller than this many dB are designed flat. Within a few units in the
// last place of 1, the design's differences of squared gains (g² − gb², g² − 1,
// gb² − 1) keep no significant digits, and the section comes out with
// non-finite coefficients or a pole on or outside the unit circle; that
// happens up to about 3e-11 dB. A peak of 1e-9 dB changes a level by about one
// part in 10^10.
static constexpr double kMinPeakDb = 1e-9;

void PeakFilter::SetPeak(double gainDb, double freqHz, double q) {
    const double settings[4] = {gainDb, freqHz, q, sampleRate};
    bool repeat = true;
    for (int k = 0; k < 4; ++k)
        repeat = repeat && settings[k] == designedFor[k];
    if (repeat)
        return;
    DesignPeak(gainDb, freqHz, q);
    for (int k = 0; k < 4; ++k)
        designedFor[k] = settings[k];
}

void PeakFilter::DesignPeak(double gainDb, double freqHz, double q) {
    const double highest = kMaxPeakFraction * sampleRate;
    const double centreHz = freqHz < highest ? freqHz : highest;
    const double w0 = (piConst + piConst) / sampleRate * centreHz;
    const double dw = w0 / (q * kQToBandwidth);
    if (std::fabs(gainDb) < kMinPeakDb) {
        Design(1.0, 1.0, 1.0, w0, dw); // flat
        return;
    }
    const double g = std::pow(10.0, gainDb / 20.0);
    const double gb = std::pow(10.0, gainDb / gainDivisor / 20.0);
    Design(1.0, g, gb, w0, dw);
    // Whatever the sample rate, a section that is not finite and stable (both
    // poles strictly inside the unit circle) is replaced by a flat one: it
    // would stick the history at infinity or NaN for good.
    const bool finite = std::isfinite(b0) && std::isfinite(b1) && std::isfinite(b2) &&
                        std::isfinite(a1) && std::isfinite(a2);
    if (!finite || !(std::fabs(a2) < 1.0 && std::fabs(a1) < 1.0 + a2))
        Design(1.0, 1.0, 1.0, w0, dw);
}

void PeakFilter::Design(double g0, double g, double gb, double w0, double dw) {
    for (double& setting : designedFor)
        setting = NAN; // designed from other inputs than SetPeak's
    if (g == gb) {
        b0 = 1.0;
        b1 = 0.0;
        b2 = 0.0;
        a1 = 0.0;
        a2 = 0.0;
        return;
    }
    const double pi = piConst;
    const double F = std::fabs(g * g - gb * gb);
    const double G00 = std::fabs(g * g - g0 * g0);
    const double F00 = std::fabs(gb * gb - g0 * g0);
    const double w0pi = w0 * w0 - pi * pi; // w0² − π²
    const double G1 =
        std::sqrt((g0 * g0 * (w0pi * w0pi) + g * g * F00 * (pi * pi) * (dw * dw) / F) /
                  (w0pi * w0pi + F00 * (pi * pi) * (dw * dw) / F));
    const double G01 = std::fabs(g * g - g0 * G1);
    const double G11 = std::fabs(g * g - G1 * G1);
    const double F01 = std::fabs(gb * gb - g0 * G1);
    const double F11 = std::fabs(gb * gb - G1 * G1);
    const double tw = std::tan(w0 / 2.0);
    const double W2 = std::sqrt(G11 / G00) * (tw * tw);
    const double DW = (1.0 + std::sqrt(F00 / F11) * W2) * std::tan(dw / 2.0);
    const double C = F11 * (DW * DW) - 2.0 * W2 * (F01 - std::sqrt(F00 * F11));
    const double D = 2.0 * W2 * (G01 - std::sqrt(G00 * G11));
    const double A = std::sqrt((C + D) / F);
    const double B = std::sqrt((g * g * C + gb * gb * D) / F);
    const double M = 1.0 + W2 + A;
    b0 = (G1 + g0 * W2 + B) / M;
    b1 = -2.0 * (G1 - g0 * W2) / M;
    b2 = (G1 - B + g0 * W2) / M;
    a1 = -2.0 * (1.0 - W2) / M;
    a2 = (1.0 + W2 - A) / M;
}

} // namespace torvik::dsp
