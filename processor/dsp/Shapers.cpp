#include "processor/dsp/Shapers.h"

#include "processor/dsp/ShaperTerms.h"

#include <cmath>

namespace torvik::dsp {

void SaturateRun(const double* in, double* out, int n) {
    for (int i = 0; i < n; ++i)
        out[i] = Saturate(in[i]);
}

void ShapeRun(const double* in, double* out, int n, bool mic) {
    for (int i = 0; i < n; ++i)
        out[i] = Shape(in[i], mic);
}

void ColourRun(const double* in, double* out, int n) {
    for (int i = 0; i < n; ++i)
        out[i] = Colour(in[i]);
}

} // namespace torvik::dsp
