// Divisions over runs with Highway, compiled for every x86-64 instruction set
// Highway targets and dispatched at run time. Whole vectors first, the last
// few values one by one: IEEE division rounds the same either way.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "processor/dsp/Quotients.cpp"
#include <hwy/foreach_target.h> // must come before highway.h

#include <hwy/highway.h>

#include "processor/dsp/Quotients.h"

#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace torvik::dsp {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<double>;

// out[i] = numerator(i) / denominator(i), vectors first.
template <class Numerators, class Denominators>
void Divide(double* out, int n, Numerators numerators, Denominators denominators) {
    const D d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    int i = 0;
    for (; i + lanes <= n; i += lanes)
        hn::StoreU(hn::Div(numerators(d, i), denominators(d, i)), d, out + i);
    for (; i < n; ++i)
        out[i] = hn::GetLane(numerators(hn::CappedTag<double, 1>(), i)) /
                 hn::GetLane(denominators(hn::CappedTag<double, 1>(), i));
}

void DivideArrays(const double* a, const double* b, double* out, int n) {
    Divide(
        out, n, [a](auto d, int i) { return hn::LoadU(d, a + i); },
        [b](auto d, int i) { return hn::LoadU(d, b + i); });
}

void DivideByScalar(const double* a, double b, double* out, int n) {
    Divide(
        out, n, [a](auto d, int i) { return hn::LoadU(d, a + i); },
        [b](auto d, int) { return hn::Set(d, b); });
}

void DivideScalarBy(double a, const double* b, double* out, int n) {
    Divide(
        out, n, [a](auto d, int) { return hn::Set(d, a); },
        [b](auto d, int i) { return hn::LoadU(d, b + i); });
}

} // namespace HWY_NAMESPACE
} // namespace torvik::dsp
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace torvik::dsp {

HWY_EXPORT(DivideArrays);
HWY_EXPORT(DivideByScalar);
HWY_EXPORT(DivideScalarBy);

void DivideRun(const double* a, const double* b, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(DivideArrays)(a, b, out, n);
}

void DivideRun(const double* a, double b, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(DivideByScalar)(a, b, out, n);
}

void DivideRun(double a, const double* b, double* out, int n) {
    HWY_DYNAMIC_DISPATCH(DivideScalarBy)(a, b, out, n);
}

} // namespace torvik::dsp
#endif
