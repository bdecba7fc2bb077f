#pragma once
// Hosts reject output that holds NaN, infinities or subnormal numbers: such
// samples become silence before a block is handed back.
#include <cmath>
#include <limits>

namespace torvik {

template <typename T> void SanitiseOutput(T* samples, int frames) {
    for (int i = 0; i < frames; ++i) {
        const T v = samples[i];
        if (!(v - v == T(0)) || (v != T(0) && std::abs(v) < std::numeric_limits<T>::min()))
            samples[i] = T(0);
    }
}

} // namespace torvik
