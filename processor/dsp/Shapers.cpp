// The curves over runs of samples with Highway's vector maths, compiled for
// every x86-64 instruction set Highway targets and dispatched at run time to
// the widest the processor has. Lanes whose sine argument leaves the range the
// vector sine is exact in take the platform's maths library instead.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "processor/dsp/Shapers.cpp"
#include <hwy/foreach_target.h> // must come before highway.h

#include <hwy/contrib/math/math-inl.h>
#include <hwy/highway.h>

#include "processor/dsp/ShaperTerms.h"
#include "processor/dsp/Shapers.h"

HWY_BEFORE_NAMESPACE();
namespace torvik::dsp {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;
using V = hn::Vec<D>;

// Largest |argument| for which the vector sine keeps its accuracy.
constexpr double kVectorSinRange = 39000.0;

V Saturated(D d, V v) {
    const V v3 = hn::Mul(hn::Mul(v, v), v);
    const V v4 = hn::Mul(v, v3);
    return hn::Add(hn::Sin(d, hn::Add(hn::Tanh(d, v4), hn::Tanh(d, v3))), hn::Tanh(d, v));
}

bool InSinRange(D d, V v) {
    return hn::AllTrue(d, hn::Le(hn::Abs(v), hn::Set(d, kVectorSinRange)));
}

// The waveshaper for one vector; false when a sine argument is out of range.
bool Shaped(D d, V B, bool mic, V& out) {
    const V B2 = hn::Mul(B, B);
    const V B3 = hn::Mul(hn::Mul(B, B), B);
    const V oddWeight = hn::Set(d, kShapeOddWeight);
    if (!mic) {
        const V B7 = hn::Mul(hn::Mul(hn::Mul(hn::Mul(hn::Mul(hn::Mul(B, B), B), B), B), B), B);
        const V inner = hn::Add(hn::Mul(hn::Set(d, kShapeEvenWeight), hn::Tanh(d, B2)),
                                hn::Mul(oddWeight, hn::Tanh(d, B3)));
        out = hn::Sub(hn::Add(hn::Sin(d, inner), hn::Tanh(d, B)),
                      hn::Mul(oddWeight, hn::Atan(d, B7)));
        return true;
    }
    if (!InSinRange(d, B2) || !InSinRange(d, B3))
        return false;
    const V inner = hn::Add(hn::Mul(hn::Set(d, kMicEvenWeight), hn::Sin(d, B2)),
                            hn::Mul(oddWeight, hn::Tanh(d, B3)));
    out = hn::Sub(hn::Add(hn::Sin(d, inner), hn::Tanh(d, B)), hn::Mul(oddWeight, hn::Sin(d, B3)));
    return true;
}

// The colour for one vector; false when a sine argument is out of range.
bool Coloured(D d, V x, V& out) {
    const V x2 = hn::Mul(x, x);
    if (!InSinRange(d, x2))
        return false;
    const V one = hn::Set(d, 1.0);
    const V xt = hn::Min(hn::Max(x, hn::Neg(one)), one);
    const V x3 = hn::Mul(x2, x);
    const V xt3 = hn::Mul(hn::Mul(xt, xt), xt);
    const V inner = hn::Add(hn::Mul(hn::Set(d, kColourOddWeight), hn::Tanh(d, x3)),
                            hn::Mul(hn::Set(d, kColourEvenWeight), hn::Sin(d, x2)));
    const V tan = hn::Div(hn::Sin(d, xt3), hn::Cos(d, xt3));
    out = hn::Sub(hn::Add(x, hn::Sin(d, inner)), hn::Mul(hn::Set(d, kColourTanWeight), tan));
    return true;
}

// Applies vector(d, v, out) -> bool over the run; a vector it declines, and
// the lanes of a last partial vector, take scalar(x) instead.
template <class VectorCurve, class ScalarCurve>
void OverRun(const double* in, double* out, int n, VectorCurve vector, ScalarCurve scalar) {
    const D d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int i = 0;
    for (; i + lanes <= n; i += lanes) {
        V result;
        if (vector(d, hn::LoadU(d, in + i), result)) {
            hn::StoreU(result, d, out + i);
            continue;
        }
        for (int k = i; k < i + lanes; ++k)
            out[k] = scalar(in[k]);
    }
    for (; i < n; ++i)
        out[i] = scalar(in[i]);
}

void SaturateRunImpl(const double* in, double* out, int n) {
    OverRun(
        in, out, n,
        [](D d, V v, V& result) {
            result = Saturated(d, v);
            return true;
        },
        Saturate);
}

void ShapeRunImpl(const double* in, double* out, int n, bool mic) {
    OverRun(
        in, out, n, [mic](D d, V v, V& result) { return Shaped(d, v, mic, result); },
        [mic](double v) { return Shape(v, mic); });
}

void ColourRunImpl(const double* in, double* out, int n) {
    OverRun(in, out, n, Coloured, Colour);
}

} // namespace HWY_NAMESPACE
} // namespace torvik::dsp
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace torvik::dsp {

HWY_EXPORT(SaturateRunImpl);
HWY_EXPORT(ShapeRunImpl);
HWY_EXPORT(ColourRunImpl);

void SaturateRun(const double* in, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(SaturateRunImpl)(in, out, n);
}

void ShapeRun(const double* in, double* out, int n, bool mic) {
    HWY_DYNAMIC_DISPATCH(ShapeRunImpl)(in, out, n, mic);
}

void ColourRun(const double* in, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(ColourRunImpl)(in, out, n);
}

} // namespace torvik::dsp
#endif
