// The curves and conversions over runs of samples with Highway's vector maths,
// compiled for every x86-64 instruction set Highway targets and dispatched at
// run time to the widest the processor has. Every sample takes the same path
// wherever it sits in a run (a short last vector is padded), so results do not
// depend on how a host splits its blocks. Lanes whose argument leaves the range
// a vector function is accurate in take the platform's maths library instead.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "processor/dsp/Shapers.cpp"
#include <hwy/foreach_target.h> // must come before highway.h

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include "processor/dsp/ShaperTerms.h"
#include "processor/dsp/Shapers.h"

#include <cfloat>
#include <cmath>
#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace torvik::dsp {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;

// Below this magnitude the waveshaper's drive B and the saturation's argument
// take their Taylor series instead of the vector functions: every term left
// out is below 1e-18 of the result. The waveshaper at its default drive
// (-30 dB) stays below it for any signal up to full scale, and so does the
// transformer's second saturation always (its input is a low band of the
// first saturation, |.| <= 2, times 10^-1.75).
constexpr double kSeriesRange = 0.05;

// Largest |argument| for which the vector sine keeps its accuracy.
constexpr double kVectorSinRange = 39000.0;
// Largest argument for which the vector exponential keeps its accuracy.
constexpr double kVectorExpMax = 706.0;
// Most lanes a vector of doubles has on any target.
constexpr int kMaxLanes = HWY_MAX_BYTES / sizeof(double);

M InSinRange(D d, V v) {
    return hn::Le(hn::Abs(v), hn::Set(d, kVectorSinRange));
}

// Logarithms only of normal positive numbers.
M InLogRange(D d, V x) {
    return hn::And(hn::Ge(x, hn::Set(d, DBL_MIN)), hn::Le(x, hn::Set(d, DBL_MAX)));
}

// Applies curve(d, v, inRange) over the run; lanes it marks out of range take
// scalar(x) instead.
template <class VectorCurve, class ScalarCurve>
void OverRun(const double* in, double* out, int n, VectorCurve curve, ScalarCurve scalar) {
    const D d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    HWY_ALIGN double padded[kMaxLanes];
    for (int i = 0; i < n; i += lanes) {
        const int count = n - i < lanes ? n - i : lanes;
        const double* source = in + i;
        if (count < lanes) {
            for (int k = 0; k < lanes; ++k)
                padded[k] = in[i + (k < count ? k : count - 1)];
            source = padded;
        }
        M inRange = hn::FirstN(d, static_cast<std::size_t>(lanes));
        const V result = curve(d, hn::LoadU(d, source), inRange);
        if (count == lanes && hn::AllTrue(d, inRange)) {
            hn::StoreU(result, d, out + i); // the whole vector, straight out
            continue;
        }
        hn::StoreU(result, d, padded);
        if (!hn::AllTrue(d, inRange)) {
            // Before out is written: in may be out.
            HWY_ALIGN double flags[kMaxLanes];
            hn::StoreU(hn::VecFromMask(d, inRange), d, flags);
            for (int k = 0; k < count; ++k)
                if (flags[k] == 0.0)
                    padded[k] = scalar(in[i + k]);
        }
        for (int k = 0; k < count; ++k)
            out[i + k] = padded[k];
    }
}

// Taylor series. u + u³ (c1 + c2 u² + ...), the coefficients from the cubic's
// on, in Horner form.
template <std::size_t kTerms> V OddSeries(D d, V u, const double (&coefficients)[kTerms]) {
    const V u2 = hn::Mul(u, u);
    V p = hn::Set(d, coefficients[kTerms - 1]);
    for (std::size_t k = kTerms - 1; k-- > 0;)
        p = hn::MulAdd(p, u2, hn::Set(d, coefficients[k]));
    return hn::MulAdd(hn::Mul(u, u2), p, u);
}

// tanh u for |u| <= kSeriesRange: to u¹¹ (the next term is below 1e-19 of u).
V TanhSmall(D d, V u) {
    static constexpr double c[] = {-1.0 / 3.0, 2.0 / 15.0, -17.0 / 315.0, 62.0 / 2835.0,
                                   -1382.0 / 155925.0};
    return OddSeries(d, u, c);
}
// tanh u for |u| <= 0.003 (kSeriesRange²): to u⁵ (next below 1e-17 of u).
V TanhTiny(D d, V u) {
    static constexpr double c[] = {-1.0 / 3.0, 2.0 / 15.0};
    return OddSeries(d, u, c);
}
// sin u for |u| <= 0.01: to u⁷ (next below 1e-22 of u). Covers every inner
// sine of the waveshaper and the colour: their weights add up to 0.006 at most.
V SinSmall(D d, V u) {
    static constexpr double c[] = {-1.0 / 6.0, 1.0 / 120.0, -1.0 / 5040.0};
    return OddSeries(d, u, c);
}
// atan u for |u| <= 1e-9 (kSeriesRange⁷): u - u³/3 (next below 1e-36 of u).
V AtanTiny(D d, V u) {
    static constexpr double c[] = {-1.0 / 3.0};
    return OddSeries(d, u, c);
}

// tanh u for |u| <= 0.064: to u¹³ (the next term is below 1e-18 of u; at
// 0.16, below 1e-14).
V TanhMid(D d, V u) {
    static constexpr double c[] = {-1.0 / 3.0,    2.0 / 15.0,         -17.0 / 315.0,
                                   62.0 / 2835.0, -1382.0 / 155925.0, 21844.0 / 6081075.0};
    return OddSeries(d, u, c);
}
// sin u for |u| <= 0.16: to u⁹ (next below 1e-11 of u).
V SinMid(D d, V u) {
    static constexpr double c[] = {-1.0 / 6.0, 1.0 / 120.0, -1.0 / 5040.0, 1.0 / 362880.0};
    return OddSeries(d, u, c);
}
// tan u for |u| <= 0.064: to u¹¹ (next below 1e-15 of u).
V TanSmall(D d, V u) {
    static constexpr double c[] = {1.0 / 3.0, 2.0 / 15.0, 17.0 / 315.0, 62.0 / 2835.0,
                                   1382.0 / 155925.0};
    return OddSeries(d, u, c);
}

// atan u for |u| <= 0.002 (kMidRange⁷): to u⁵ (next below 1e-19 of u).
V AtanSmall(D d, V u) {
    static constexpr double c[] = {-1.0 / 3.0, 1.0 / 5.0};
    return OddSeries(d, u, c);
}

M InSeriesRange(D d, V v) {
    return hn::Le(hn::Abs(v), hn::Set(d, kSeriesRange));
}

// Each lane takes the series where its own argument is small, so a sample's
// result never depends on its neighbours in the vector.
template <class Small, class General> V BySize(D d, V v, Small small, General general) {
    const M inSeries = InSeriesRange(d, v);
    if (hn::AllTrue(d, inSeries))
        return small();
    if (hn::AllFalse(d, inSeries))
        return general();
    return hn::IfThenElse(inSeries, small(), general());
}

// Up to this magnitude the saturation's and the waveshaper's inner curves
// (of the argument's square and higher powers) take their series, and only
// the outer tanh of the argument itself needs the vector function: every
// term left out is below 1e-17 of the result.
constexpr double kMidRange = 0.4;

// As BySize with a third tier between the two: lanes up to kSeriesRange take
// small, those up to kMidRange mid, the others general; each lane by its own
// argument alone.
template <class Small, class Mid, class General>
V ByTier(D d, V v, Small small, Mid mid, General general) {
    const V magnitude = hn::Abs(v);
    const M inSeries = hn::Le(magnitude, hn::Set(d, kSeriesRange));
    const M inMid = hn::Le(magnitude, hn::Set(d, kMidRange));
    if (hn::AllTrue(d, inSeries))
        return small();
    V result = hn::AllTrue(d, inMid) ? mid() : general();
    if (!hn::AllTrue(d, inMid) && !hn::AllFalse(d, inMid))
        result = hn::IfThenElse(inMid, mid(), result);
    if (!hn::AllFalse(d, inSeries))
        result = hn::IfThenElse(inSeries, small(), result);
    return result;
}

V Saturated(D d, V v, M&) {
    const V v3 = hn::Mul(hn::Mul(v, v), v);
    const V v4 = hn::Mul(v, v3);
    return ByTier(
        d, v,
        [&] {
            return hn::Add(SinSmall(d, hn::Add(TanhTiny(d, v4), TanhTiny(d, v3))), TanhSmall(d, v));
        },
        [&] { return hn::Add(SinMid(d, hn::Add(TanhMid(d, v4), TanhMid(d, v3))), hn::Tanh(d, v)); },
        [&] {
            return hn::Add(hn::Sin(d, hn::Add(hn::Tanh(d, v4), hn::Tanh(d, v3))), hn::Tanh(d, v));
        });
}

V Shaped(D d, V B, bool mic, M& inRange) {
    const V B2 = hn::Mul(B, B);
    const V B3 = hn::Mul(hn::Mul(B, B), B);
    const V oddWeight = hn::Set(d, kShapeOddWeight);
    if (!mic) {
        const V B7 = hn::Mul(hn::Mul(hn::Mul(hn::Mul(hn::Mul(hn::Mul(B, B), B), B), B), B), B);
        return ByTier(
            d, B,
            [&] {
                const V inner = hn::Add(hn::Mul(hn::Set(d, kShapeEvenWeight), TanhTiny(d, B2)),
                                        hn::Mul(oddWeight, TanhTiny(d, B3)));
                return hn::Sub(hn::Add(SinSmall(d, inner), TanhSmall(d, B)),
                               hn::Mul(oddWeight, AtanTiny(d, B7)));
            },
            [&] {
                const V inner = hn::Add(hn::Mul(hn::Set(d, kShapeEvenWeight), TanhMid(d, B2)),
                                        hn::Mul(oddWeight, TanhMid(d, B3)));
                return hn::Sub(hn::Add(SinSmall(d, inner), hn::Tanh(d, B)),
                               hn::Mul(oddWeight, AtanSmall(d, B7)));
            },
            [&] {
                const V inner = hn::Add(hn::Mul(hn::Set(d, kShapeEvenWeight), hn::Tanh(d, B2)),
                                        hn::Mul(oddWeight, hn::Tanh(d, B3)));
                return hn::Sub(hn::Add(SinSmall(d, inner), hn::Tanh(d, B)),
                               hn::Mul(oddWeight, hn::Atan(d, B7)));
            });
    }
    inRange = hn::Or(InSeriesRange(d, B), hn::And(InSinRange(d, B2), InSinRange(d, B3)));
    return ByTier(
        d, B,
        [&] {
            const V inner = hn::Add(hn::Mul(hn::Set(d, kMicEvenWeight), SinSmall(d, B2)),
                                    hn::Mul(oddWeight, TanhTiny(d, B3)));
            return hn::Sub(hn::Add(SinSmall(d, inner), TanhSmall(d, B)),
                           hn::Mul(oddWeight, SinSmall(d, B3)));
        },
        [&] {
            const V inner = hn::Add(hn::Mul(hn::Set(d, kMicEvenWeight), SinMid(d, B2)),
                                    hn::Mul(oddWeight, TanhMid(d, B3)));
            return hn::Sub(hn::Add(SinSmall(d, inner), hn::Tanh(d, B)),
                           hn::Mul(oddWeight, SinMid(d, B3)));
        },
        [&] {
            const V inner = hn::Add(hn::Mul(hn::Set(d, kMicEvenWeight), hn::Sin(d, B2)),
                                    hn::Mul(oddWeight, hn::Tanh(d, B3)));
            return hn::Sub(hn::Add(SinSmall(d, inner), hn::Tanh(d, B)),
                           hn::Mul(oddWeight, hn::Sin(d, B3)));
        });
}

// Below this magnitude the colour's three inner curves take their Taylor
// series: x³ stays within 0.064 and x² within 0.16, where every term left out
// is below 1e-17 of the colour's value (its weights shrink them further).
constexpr double kColourSeriesRange = 0.4;

V Coloured(D d, V x, M& inRange) {
    const V x2 = hn::Mul(x, x);
    inRange = InSinRange(d, x2);
    const V one = hn::Set(d, 1.0);
    const V xt = hn::Min(hn::Max(x, hn::Neg(one)), one);
    const V x3 = hn::Mul(x2, x);
    const V xt3 = hn::Mul(hn::Mul(xt, xt), xt);
    const auto colour = [&](V tanhX3, V sinX2, V tanXt3) {
        const V inner = hn::Add(hn::Mul(hn::Set(d, kColourOddWeight), tanhX3),
                                hn::Mul(hn::Set(d, kColourEvenWeight), sinX2));
        return hn::Sub(hn::Add(x, SinSmall(d, inner)),
                       hn::Mul(hn::Set(d, kColourTanWeight), tanXt3));
    };
    const M inSeries = hn::Le(hn::Abs(x), hn::Set(d, kColourSeriesRange));
    const auto series = [&] { return colour(TanhMid(d, x3), SinMid(d, x2), TanSmall(d, xt3)); };
    const auto general = [&] {
        return colour(hn::Tanh(d, x3), hn::Sin(d, x2), hn::Div(hn::Sin(d, xt3), hn::Cos(d, xt3)));
    };
    if (hn::AllTrue(d, inSeries))
        return series();
    if (hn::AllFalse(d, inSeries))
        return general();
    return hn::IfThenElse(inSeries, series(), general());
}

V Exponential(D d, V x, M& inRange) {
    inRange = hn::Le(x, hn::Set(d, kVectorExpMax));
    return hn::Exp(d, x);
}

V Logarithm(D d, V x, M& inRange) {
    inRange = InLogRange(d, x);
    return hn::Log(d, x);
}

V Logarithm10(D d, V x, M& inRange) {
    inRange = InLogRange(d, x);
    return hn::Log10(d, x);
}

void SaturateRunImpl(const double* in, double* out, int n) {
    OverRun(in, out, n, Saturated, Saturate);
}

void ShapeRunImpl(const double* in, double* out, int n, bool mic) {
    OverRun(
        in, out, n, [mic](D d, V v, M& inRange) { return Shaped(d, v, mic, inRange); },
        [mic](double v) { return Shape(v, mic); });
}

void ColourRunImpl(const double* in, double* out, int n) {
    OverRun(in, out, n, Coloured, Colour);
}

void ExpRunImpl(const double* in, double* out, int n) {
    OverRun(in, out, n, Exponential, [](double x) { return std::exp(x); });
}

void LogRunImpl(const double* in, double* out, int n) {
    OverRun(in, out, n, Logarithm, [](double x) { return std::log(x); });
}

void Log10RunImpl(const double* in, double* out, int n) {
    OverRun(in, out, n, Logarithm10, [](double x) { return std::log10(x); });
}

} // namespace HWY_NAMESPACE
} // namespace torvik::dsp
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace torvik::dsp {

HWY_EXPORT(SaturateRunImpl);
HWY_EXPORT(ShapeRunImpl);
HWY_EXPORT(ColourRunImpl);
HWY_EXPORT(ExpRunImpl);
HWY_EXPORT(LogRunImpl);
HWY_EXPORT(Log10RunImpl);

void SaturateRun(const double* in, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(SaturateRunImpl)(in, out, n);
}

void ShapeRun(const double* in, double* out, int n, bool mic) {
    HWY_DYNAMIC_DISPATCH(ShapeRunImpl)(in, out, n, mic);
}

void ColourRun(const double* in, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(ColourRunImpl)(in, out, n);
}

void ExpRun(const double* in, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(ExpRunImpl)(in, out, n);
}

void LogRun(const double* in, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(LogRunImpl)(in, out, n);
}

void Log10Run(const double* in, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(Log10RunImpl)(in, out, n);
}

} // namespace torvik::dsp
#endif
