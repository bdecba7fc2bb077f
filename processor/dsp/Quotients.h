#pragma once
// Quotients over runs of samples on the widest vectors the processor has. A
// division occupies the divider for the same few cycles whatever the vector's
// width, so a run divides two to eight times faster than two lanes at a time;
// every quotient is the correctly rounded one, as a scalar division gives.
// out may equal an input.

namespace torvik::dsp {

// out[i] = a[i] / b[i].
void DivideRun(const double* a, const double* b, double* out, int n);
// out[i] = a[i] / b.
void DivideRun(const double* a, double b, double* out, int n);
// out[i] = a / b[i].
void DivideRun(double a, const double* b, double* out, int n);

} // namespace torvik::dsp
