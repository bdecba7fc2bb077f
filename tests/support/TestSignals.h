#pragma once
// Deterministic stereo test signals with a stereo sidechain, shared by the chain
// tests and the reference comparison.
#include <cmath>
#include <cstdint>
#include <vector>

namespace torvik::testing {

// A stereo signal with an optional stereo sidechain.
struct Signal {
    std::vector<double> left, right, scLeft, scRight;
    int Frames() const { return static_cast<int>(left.size()); }
};

// Deterministic noise in -1..1.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state(seed) {}
    double Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }

private:
    std::uint32_t state;
};

// A vocal-like test signal: a low tone swelling in and out, bursts of bright
// noise (sibilants) and pauses, different on the two channels; the sidechain
// is a separate pulsing tone.
inline Signal MakeProgramme(int frames, double fs, double peak = 0.9, std::uint32_t seed = 7) {
    Signal s;
    Noise noise(seed);
    double hiss = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = i / fs;
        const double swell = 0.5 + 0.5 * std::sin(2 * M_PI * 1.7 * t);
        const double tone = std::sin(2 * M_PI * 220 * t) + 0.3 * std::sin(2 * M_PI * 660 * t + 0.4);
        const double n = noise.Next();
        const double bright = n - hiss; // first difference: mostly high frequencies
        hiss = n;
        const bool sibilant = std::fmod(t, 0.25) < 0.06;
        const bool pause = std::fmod(t, 0.4) > 0.33;
        const double v = pause ? 0.0005 * n : swell * 0.5 * tone + (sibilant ? 0.4 * bright : 0.0);
        s.left.push_back(peak * v);
        s.right.push_back(peak * (0.8 * v + 0.05 * noise.Next()));
        const double pulse = std::fmod(t, 0.3) < 0.15 ? 1.0 : 0.05;
        s.scLeft.push_back(0.7 * pulse * std::sin(2 * M_PI * 110 * t));
        s.scRight.push_back(0.6 * pulse * std::sin(2 * M_PI * 90 * t));
    }
    return s;
}

inline Signal MakeSine(int frames, double fs, double amplitude, double hz) {
    Signal s;
    for (int i = 0; i < frames; ++i) {
        const double v = amplitude * std::sin(2 * M_PI * hz * i / fs);
        s.left.push_back(v);
        s.right.push_back(v);
        s.scLeft.push_back(0.0);
        s.scRight.push_back(0.0);
    }
    return s;
}

} // namespace torvik::testing
