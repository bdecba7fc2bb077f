#pragma once
// The memoryless curves of the chain, evaluated over runs of samples: the
// preamp's waveshaper and transformer saturation and the equaliser's colour.
// out may equal in.

namespace torvik::dsp {

// sin(tanh(v⁴) + tanh(v³)) + tanh(v): the transformer's saturation.
void SaturateRun(const double* in, double* out, int n);

// The waveshaper of the preamp, before its scaling back by the drive. Without
// the microphone voicing: sin(0.001 tanh(B²) + 0.001 tanh(B³)) + tanh(B) −
// 0.001 atan(B⁷); with it: sin(0.005 sin(B²) + 0.001 tanh(B³)) + tanh(B) −
// 0.001 sin(B³).
void ShapeRun(const double* in, double* out, int n, bool mic);

// The equaliser's colour: x + sin(0.005 tanh(x³) + 0.00005 sin(x²)) −
// 0.000001 tan(xt³), with xt the sample held within full scale.
void ColourRun(const double* in, double* out, int n);

} // namespace torvik::dsp
