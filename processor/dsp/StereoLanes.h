#pragma once
// The left and the right channel's values side by side in one vector
// register, so that two independent recursions run as one. Each lane rounds
// exactly as the scalar double operation does (no fused multiply-add, and
// the narrowing to float clamps as ToFloat does and keeps NaN), so a pair
// run this way gives the two scalar runs bit for bit. The same lanes also
// carry two neighbouring samples of one signal through a memoryless step.
#include <cfloat>
#include <cmath>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define TORVIK_STEREO_LANES_SSE2 1
#endif

namespace torvik::dsp {

#ifdef TORVIK_STEREO_LANES_SSE2

struct StereoLanes {
    __m128d v; // lane 0 left, lane 1 right
};

inline StereoLanes Lanes(double left, double right) {
    return {_mm_set_pd(right, left)};
}
inline StereoLanes operator+(StereoLanes a, StereoLanes b) {
    return {_mm_add_pd(a.v, b.v)};
}
inline StereoLanes operator-(StereoLanes a, StereoLanes b) {
    return {_mm_sub_pd(a.v, b.v)};
}
inline StereoLanes operator*(StereoLanes a, StereoLanes b) {
    return {_mm_mul_pd(a.v, b.v)};
}
inline StereoLanes operator/(StereoLanes a, StereoLanes b) {
    return {_mm_div_pd(a.v, b.v)};
}
inline double Left(StereoLanes a) {
    return _mm_cvtsd_f64(a.v);
}
inline double Right(StereoLanes a) {
    return _mm_cvtsd_f64(_mm_unpackhi_pd(a.v, a.v));
}
// Each lane narrowed to float and widened back, as ToFloat then a widening
// cast. The maximum and minimum return their second operand when either is
// NaN, so a NaN lane passes the clamp unchanged.
inline StereoLanes ThroughFloat(StereoLanes a) {
    const __m128d highest = _mm_set1_pd(static_cast<double>(FLT_MAX));
    const __m128d lowest = _mm_set1_pd(-static_cast<double>(FLT_MAX));
    const __m128d clamped = _mm_min_pd(highest, _mm_max_pd(lowest, a.v));
    return {_mm_cvtps_pd(_mm_cvtpd_ps(clamped))};
}

// Lane-by-lane comparisons (false wherever a lane is NaN) and a choice by them.
struct LaneMask {
    __m128d m; // all bits set in a lane where the comparison holds
};
inline LaneMask operator>(StereoLanes a, StereoLanes b) {
    return {_mm_cmpgt_pd(a.v, b.v)};
}
inline LaneMask operator<(StereoLanes a, StereoLanes b) {
    return {_mm_cmplt_pd(a.v, b.v)};
}
inline LaneMask operator==(StereoLanes a, StereoLanes b) {
    return {_mm_cmpeq_pd(a.v, b.v)};
}
// x in the lanes where mask holds, y in the others.
inline StereoLanes Select(LaneMask mask, StereoLanes x, StereoLanes y) {
    return {_mm_or_pd(_mm_and_pd(mask.m, x.v), _mm_andnot_pd(mask.m, y.v))};
}
inline StereoLanes Sqrt(StereoLanes a) {
    return {_mm_sqrt_pd(a.v)};
}
// |a|: the sign bit cleared, as std::fabs.
inline StereoLanes Abs(StereoLanes a) {
    return {_mm_andnot_pd(_mm_set1_pd(-0.0), a.v)};
}
// Two neighbouring values of an array, p[0] in lane 0.
inline StereoLanes LoadPair(const double* p) {
    return {_mm_loadu_pd(p)};
}
inline void StorePair(double* p, StereoLanes a) {
    _mm_storeu_pd(p, a.v);
}

#else

struct StereoLanes {
    double left;
    double right;
};

inline StereoLanes Lanes(double left, double right) {
    return {left, right};
}
inline StereoLanes operator+(StereoLanes a, StereoLanes b) {
    return {a.left + b.left, a.right + b.right};
}
inline StereoLanes operator-(StereoLanes a, StereoLanes b) {
    return {a.left - b.left, a.right - b.right};
}
inline StereoLanes operator*(StereoLanes a, StereoLanes b) {
    return {a.left * b.left, a.right * b.right};
}
inline StereoLanes operator/(StereoLanes a, StereoLanes b) {
    return {a.left / b.left, a.right / b.right};
}
inline double Left(StereoLanes a) {
    return a.left;
}
inline double Right(StereoLanes a) {
    return a.right;
}
inline float NarrowLane(double v) {
    if (v > static_cast<double>(FLT_MAX))
        return FLT_MAX;
    if (v < -static_cast<double>(FLT_MAX))
        return -FLT_MAX;
    return static_cast<float>(v);
}
inline StereoLanes ThroughFloat(StereoLanes a) {
    return {static_cast<double>(NarrowLane(a.left)), static_cast<double>(NarrowLane(a.right))};
}

struct LaneMask {
    bool left;
    bool right;
};
inline LaneMask operator>(StereoLanes a, StereoLanes b) {
    return {a.left > b.left, a.right > b.right};
}
inline LaneMask operator<(StereoLanes a, StereoLanes b) {
    return {a.left < b.left, a.right < b.right};
}
inline LaneMask operator==(StereoLanes a, StereoLanes b) {
    return {a.left == b.left, a.right == b.right};
}
inline StereoLanes Select(LaneMask mask, StereoLanes x, StereoLanes y) {
    return {mask.left ? x.left : y.left, mask.right ? x.right : y.right};
}
inline StereoLanes Sqrt(StereoLanes a) {
    return {std::sqrt(a.left), std::sqrt(a.right)};
}
inline StereoLanes Abs(StereoLanes a) {
    return {std::fabs(a.left), std::fabs(a.right)};
}
inline StereoLanes LoadPair(const double* p) {
    return {p[0], p[1]};
}
inline void StorePair(double* p, StereoLanes a) {
    p[0] = a.left;
    p[1] = a.right;
}

#endif

} // namespace torvik::dsp
