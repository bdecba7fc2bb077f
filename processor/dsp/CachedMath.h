#pragma once
// exp and pow(10, x) that remember their last argument. The chain recomputes
// many factors at every sample from values that rarely change; libm gives the
// same result for the same argument, so answering a repeated argument from
// the cache changes no output bit.
#include <cmath>

namespace torvik::dsp {

class CachedExp {
public:
    double operator()(double x) {
        if (!(x == argument)) {
            argument = x;
            result = std::exp(x);
        }
        return result;
    }

private:
    double argument = NAN; // last argument; NaN matches nothing
    double result = NAN;   // exp(argument)
};

class CachedPow10 {
public:
    double operator()(double x) {
        if (!(x == argument)) {
            argument = x;
            result = std::pow(10.0, x);
        }
        return result;
    }

private:
    double argument = NAN; // last exponent; NaN matches nothing
    double result = NAN;   // 10^argument
};

} // namespace torvik::dsp
