#pragma once
// A second-order section in transposed direct form II with seven response
// types. It takes and returns its sample at 32-bit precision while its state
// stays double, so every pass through it rounds the signal to float.
#include "processor/dsp/CachedMath.h"
#include "processor/dsp/Quotients.h"
#include "processor/dsp/StereoLanes.h"

#include <cfloat>
#include <cmath>

namespace torvik::dsp {

// Response types of a Biquad.
enum BiquadType : int {
    kLowPass = 0,
    kHighPass = 1,
    kBandPass = 2,
    kNotch = 3,
    kPeak = 4,
    kLowShelf = 5,
    kHighShelf = 6,
};

// The corner, as a fraction of the sample rate, that a section is designed at
// when its own corner has no design. tan(pi * fc) is unbounded at half the
// sample rate and folds over beyond it, so corners from 0.5 up (a 16 kHz shelf
// at 32 kHz and below, a 15 kHz one at 30 kHz and below) are designed at this
// fraction instead: the section stays stable and acts at the top of the band.
// Corners below 0.5 keep their own design.
inline constexpr double kMaxBiquadFc = 0.49;

// Narrows a double to float for a 32-bit filter input. Values beyond the float
// range become the largest float of their sign instead of an undefined cast.
inline float ToFloat(double v) {
    if (v > static_cast<double>(FLT_MAX))
        return FLT_MAX;
    if (v < -static_cast<double>(FLT_MAX))
        return -FLT_MAX;
    return static_cast<float>(v);
}

struct Biquad {
    int type = kLowPass; // response type, 0 to 6
    double b0 = 1.0;     // feed-forward coefficients
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0; // feedback coefficients; the leading one is 1
    double a2 = 0.0;
    double fc = 0.5;     // corner or centre as a fraction of the sample rate
    double q = 0.707;    // quality factor
    double gainDb = 0.0; // gain in dB for peak and shelves
    double z1 = 0.0;     // transposed direct form II state
    double z2 = 0.0;
    bool designed = false; // coefficients were computed from the four settings above
    CachedPow10 gainPow;   // V from the gain, for designs that repeat a gain
    CachedTan cornerTan;   // K from the corner, for designs that repeat a corner

    // Recomputes the five coefficients from type, fc, q and gainDb; the state
    // is untouched. An unknown type keeps the coefficients as they were.
    void UpdateCoefficients() { Design(gainPow(std::fabs(gainDb) / 20.0)); }
    // The same with V, the linear gain 10^(|gainDb| / 20), computed by the caller.
    void Design(double V);

    // Sets the four settings and updates the coefficients. The design is a
    // pure function of the settings, so a repeat of the last design is skipped.
    void Configure(int newType, double newFc, double newQ, double newGainDb) {
        if (Store(newType, newFc, newQ, newGainDb))
            UpdateCoefficients();
    }
    // As Configure, with the linear gain V = 10^(|gainDb| / 20) given.
    void Configure(int newType, double newFc, double newQ, double newGainDb, double V) {
        if (Store(newType, newFc, newQ, newGainDb))
            Design(V);
    }
    // Stores the four settings for a design; false when they repeat the last one.
    bool Store(int newType, double newFc, double newQ, double newGainDb) {
        if (designed && newType == type && newFc == fc && newQ == q && newGainDb == gainDb)
            return false;
        type = newType;
        fc = newFc;
        q = newQ;
        gainDb = newGainDb;
        designed = true;
        return true;
    }

    // Takes another section's settings and coefficients, its state untouched:
    // a design is a pure function of the settings, so two sections configured
    // alike need only one design.
    void CopyDesign(const Biquad& other) {
        type = other.type;
        b0 = other.b0;
        b1 = other.b1;
        b2 = other.b2;
        a1 = other.a1;
        a2 = other.a2;
        fc = other.fc;
        q = other.q;
        gainDb = other.gainDb;
        designed = other.designed;
    }

    // Clears the state, as at construction; the coefficients stay.
    void ClearState() {
        z1 = 0.0;
        z2 = 0.0;
    }

    // One sample through the section.
    float Process(float in) {
        const double x = in;
        const double out = x * b0 + z1;
        z1 = x * b1 + z2 - a1 * out;
        z2 = x * b2 - a2 * out;
        return ToFloat(out);
    }
};

// Designs of a high shelf whose corner and quality stay while its cut moves
// from sample to sample. The terms without the gain are computed once, as the
// section's own design computes them; each cut then costs two divisions and a
// few products: the same operations on the same values in the same order as
// Biquad::Design, so the coefficients are its own bit for bit.
class HighShelfCuts {
public:
    // The terms for corner fc (a fraction of the sample rate) and quality q.
    void Prepare(double fc, double q) {
        constexpr double pi = 3.141592653589793; // as Biquad::Design
        const double corner = fc < 0.5 ? fc : kMaxBiquadFc;
        K = cornerTan(pi * corner);
        Q = q;
        K2 = K * K;
        rising = 1.0 + K / Q + K2;
        falling = 1.0 - K / Q + K2;
        tilt = 2.0 * (K2 - 1.0);
    }
    // The coefficients of two cuts at once, one per lane: each lane as DesignCut.
    struct Coefficients {
        StereoLanes b0, b1, b2, a1, a2;
    };
    Coefficients DesignCuts(StereoLanes V) const {
        const StereoLanes VK = (V / Lanes(Q, Q)) * Lanes(K, K);
        return CutsFrom(V, VK, Lanes(1.0, 1.0) / CutDenominator(V, VK));
    }
    // The designs of n cuts, V[i] for frame i, into b0[i] to a2[i]: the two
    // divisions of each as passes over the run on the widest vectors, the
    // rest two frames at a time; each frame as DesignCut.
    void DesignCutRun(const double* V, int n, double* b0, double* b1, double* b2, double* a1,
                      double* a2) const {
        double VK[kMaxCutRun], norm[kMaxCutRun];
        DivideRun(V, Q, VK, n);
        int i = 0;
        for (; i + 1 < n; i += 2) {
            const StereoLanes vk = LoadPair(VK + i) * Lanes(K, K);
            StorePair(VK + i, vk);
            StorePair(norm + i, CutDenominator(LoadPair(V + i), vk));
        }
        for (; i < n; ++i) {
            VK[i] = VK[i] * K;
            norm[i] = Left(CutDenominator(Lanes(V[i], V[i]), Lanes(VK[i], VK[i])));
        }
        DivideRun(1.0, norm, norm, n);
        const auto design = [&](int k, StereoLanes v, StereoLanes vk, StereoLanes nrm, int count) {
            const Coefficients c = CutsFrom(v, vk, nrm);
            double* const out[5] = {b0 + k, b1 + k, b2 + k, a1 + k, a2 + k};
            const StereoLanes lanes[5] = {c.b0, c.b1, c.b2, c.a1, c.a2};
            for (int m = 0; m < 5; ++m) {
                if (count == 2)
                    StorePair(out[m], lanes[m]);
                else
                    *out[m] = Left(lanes[m]);
            }
        };
        for (i = 0; i + 1 < n; i += 2)
            design(i, LoadPair(V + i), LoadPair(VK + i), LoadPair(norm + i), 2);
        if (i < n)
            design(i, Lanes(V[i], V[i]), Lanes(VK[i], VK[i]), Lanes(norm[i], norm[i]), 1);
    }
    // The most frames DesignCutRun takes at once.
    static constexpr int kMaxCutRun = 128;
    // The coefficients of a cut (gainDb below 0, or not a number), with V =
    // 10^(|gainDb| / 20), into f; its settings and state untouched.
    void DesignCut(Biquad& f, double V) const {
        const Coefficients c = DesignCuts(Lanes(V, V));
        f.b0 = Left(c.b0);
        f.b1 = Left(c.b1);
        f.b2 = Left(c.b2);
        f.a1 = Left(c.a1);
        f.a2 = Left(c.a2);
    }

private:
    // V + VK + K², the inverse of a cut's normalising factor.
    StereoLanes CutDenominator(StereoLanes V, StereoLanes VK) const {
        return V + VK + Lanes(K2, K2);
    }
    // The coefficients from V, VK = (V / Q) K and the normalising factor n.
    Coefficients CutsFrom(StereoLanes V, StereoLanes VK, StereoLanes n) const {
        const auto both = [](double c) { return Lanes(c, c); };
        return {both(rising) * n, both(tilt) * n, both(falling) * n, both(2.0) * (both(K2) - V) * n,
                (V - VK + both(K2)) * n};
    }

    double K = 0.0;       // tan(pi fc)
    double Q = 1.0;       // quality
    double K2 = 0.0;      // K squared
    double rising = 1.0;  // 1 + K/Q + K²
    double falling = 1.0; // 1 - K/Q + K²
    double tilt = 0.0;    // 2 (K² - 1)
    CachedTan cornerTan;  // K from the corner
};

// Every value of a run narrowed to float as ToFloat does and widened back,
// two at a time; out may equal in.
inline void ThroughFloatRun(const double* in, double* out, int n) {
    int i = 0;
    for (; i + 1 < n; i += 2)
        StorePair(out + i, ThroughFloat(LoadPair(in + i)));
    for (; i < n; ++i)
        out[i] = static_cast<double>(ToFloat(in[i]));
}

// The chain's use of a section over a run of samples, each narrowed to float
// on the way in and widened back on the way out; out may equal in. The
// narrowings have no part in the recursion, so they run as passes of their
// own before and after it.
inline void RunSection(Biquad& filter, const double* in, double* out, int n) {
    ThroughFloatRun(in, out, n);
    const double b0 = filter.b0, b1 = filter.b1, b2 = filter.b2;
    const double a1 = filter.a1, a2 = filter.a2;
    double z1 = filter.z1, z2 = filter.z2;
    for (int i = 0; i < n; ++i) {
        const double x = out[i];
        const double y = x * b0 + z1;
        z1 = x * b1 + z2 - a1 * y;
        z2 = x * b2 - a2 * y;
        out[i] = y;
    }
    filter.z1 = z1;
    filter.z2 = z2;
    ThroughFloatRun(out, out, n);
}

// Coefficient magnitudes between these bounds keep every product with a
// nonzero float sample a nonzero, finite double.
inline constexpr double kSmallestPassCoefficient = 1e-200;
inline constexpr double kLargestPassCoefficient = 1e200;

// True when the section hands each nonzero sample on as its float value with
// the state left at zero: a unit leading numerator, numerator tail equal to
// the denominator and a zero state. Then y = x + 0 = x, z1 = x b1 - a1 x = 0
// and z2 = x b2 - a2 x = 0 exactly. (A flat shelf designs this way.)
inline bool PassesThrough(const Biquad& f) {
    const auto usable = [](double c) {
        const double m = std::fabs(c);
        return m >= kSmallestPassCoefficient && m <= kLargestPassCoefficient;
    };
    return f.b0 == 1.0 && f.b1 == f.a1 && f.b2 == f.a2 && f.z1 == 0.0 && f.z2 == 0.0 &&
           usable(f.b1) && usable(f.b2);
}

// A section that PassesThrough over the run's leading samples, up to the
// first zero or NaN (where the signs of zeros matter and the recursion must
// run). Returns how many samples it took.
inline int PassRun(Biquad& filter, const double* in, double* out, int n) {
    int i = 0;
    for (; i < n; ++i) {
        const double x = ToFloat(in[i]);
        if (x == 0.0 || std::isnan(x))
            break;
        out[i] = x;
    }
    if (i > 0) {
        filter.z1 = 0.0;
        filter.z2 = 0.0;
    }
    return i;
}

// Two independent sections (the left and the right channel's) over a run, side
// by side in one register; each as RunSection, bit for bit.
inline void RunSectionPair(Biquad (&filters)[2], double* const data[2], int n) {
    if (PassesThrough(filters[0]) && PassesThrough(filters[1])) {
        for (int c = 0; c < 2; ++c) {
            const int done = PassRun(filters[c], data[c], data[c], n);
            RunSection(filters[c], data[c] + done, data[c] + done, n - done);
        }
        return;
    }
    Biquad& l = filters[0];
    Biquad& r = filters[1];
    const StereoLanes b0 = Lanes(l.b0, r.b0), b1 = Lanes(l.b1, r.b1), b2 = Lanes(l.b2, r.b2);
    const StereoLanes a1 = Lanes(l.a1, r.a1), a2 = Lanes(l.a2, r.a2);
    StereoLanes z1 = Lanes(l.z1, r.z1), z2 = Lanes(l.z2, r.z2);
    double* left = data[0];
    double* right = data[1];
    for (int i = 0; i < n; ++i) {
        const StereoLanes x = ThroughFloat(Lanes(left[i], right[i]));
        const StereoLanes y = x * b0 + z1;
        z1 = x * b1 + z2 - a1 * y;
        z2 = x * b2 - a2 * y;
        const StereoLanes out = ThroughFloat(y);
        left[i] = Left(out);
        right[i] = Right(out);
    }
    l.z1 = Left(z1);
    l.z2 = Left(z2);
    r.z1 = Right(z1);
    r.z2 = Right(z2);
}

// One section of each channel side by side, for loops that run several in
// series: each step as Biquad::Process on each lane, narrowing included.
struct SectionLanes {
    StereoLanes b0, b1, b2, a1, a2; // coefficients
    StereoLanes z1, z2;             // state

    SectionLanes() = default;
    explicit SectionLanes(const Biquad (&pair)[2])
        : b0(Lanes(pair[0].b0, pair[1].b0)), b1(Lanes(pair[0].b1, pair[1].b1)),
          b2(Lanes(pair[0].b2, pair[1].b2)), a1(Lanes(pair[0].a1, pair[1].a1)),
          a2(Lanes(pair[0].a2, pair[1].a2)), z1(Lanes(pair[0].z1, pair[1].z1)),
          z2(Lanes(pair[0].z2, pair[1].z2)) {}
    // The chain's run(F, v) on both lanes: v narrowed to float, passed, narrowed back.
    StereoLanes Run(StereoLanes v) { return RunNarrowed(ThroughFloat(v)); }
    // The same for a v that is already a float's value (the output of a
    // section before it): narrowing it again would change nothing.
    StereoLanes RunNarrowed(StereoLanes x) {
        const StereoLanes y = x * b0 + z1;
        z1 = x * b1 + z2 - a1 * y;
        z2 = x * b2 - a2 * y;
        return ThroughFloat(y);
    }
    void Keep(Biquad (&pair)[2]) const {
        pair[0].z1 = Left(z1);
        pair[0].z2 = Left(z2);
        pair[1].z1 = Right(z1);
        pair[1].z2 = Right(z2);
    }
};

// Pairs of sections in series over a run, every sample through each pair in
// turn: RunSectionPair on each pair one after the other, bit for bit (the
// recursion is what a flat section at rest would shortcut), but in one loop,
// so that the pairs' recursions overlap instead of waiting on each other.
template <int kPairs>
void RunSectionPairCascade(Biquad (*const (&pairs)[kPairs])[2], double* const data[2], int n) {
    SectionLanes s[kPairs];
    for (int k = 0; k < kPairs; ++k)
        s[k] = SectionLanes(*pairs[k]);
    double* left = data[0];
    double* right = data[1];
    for (int i = 0; i < n; ++i) {
        StereoLanes v = s[0].Run(Lanes(left[i], right[i]));
        for (int k = 1; k < kPairs; ++k)
            v = s[k].RunNarrowed(v);
        left[i] = Left(v);
        right[i] = Right(v);
    }
    for (int k = 0; k < kPairs; ++k)
        s[k].Keep(*pairs[k]);
}

// The chain's use of a section: a double narrowed to float on the way in and
// widened back on the way out.
inline double Run(Biquad& filter, double v) {
    return static_cast<double>(filter.Process(ToFloat(v)));
}

} // namespace torvik::dsp
