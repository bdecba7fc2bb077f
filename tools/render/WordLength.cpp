#include "WordLength.h"

#include <cmath>

namespace torvik::render {

namespace {
// Any fixed start works; a fixed one keeps renders byte-identical.
constexpr std::uint64_t kNoiseSeed = 0x9E3779B97F4A7C15ULL;
} // namespace

WordLength::WordLength(int bits, bool withDither)
    : steps(std::ldexp(1.0, bits - 1)), shift(32 - bits), dither(withDither), noise(kNoiseSeed) {}

double WordLength::Uniform() {
    // xorshift64*: plenty for dither, and cheap.
    noise ^= noise >> 12;
    noise ^= noise << 25;
    noise ^= noise >> 27;
    return static_cast<double>((noise * 0x2545F4914F6CDD1DULL) >> 11) * 0x1.0p-53;
}

int WordLength::Quantize(double sample) {
    double v = sample * steps;
    if (dither)
        v += Uniform() - Uniform();
    v = std::nearbyint(v);
    const double lowest = -steps;
    const double highest = steps - 1;
    if (v > highest || v < lowest) {
        ++clipped;
        v = v > highest ? highest : lowest;
    }
    const auto word = static_cast<std::int64_t>(v);
    return static_cast<int>(static_cast<std::uint32_t>(word) << shift);
}

} // namespace torvik::render
