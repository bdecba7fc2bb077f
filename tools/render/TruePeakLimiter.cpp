#include "TruePeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace torvik::render {

namespace {

constexpr int kPhases = 8;           // oversampling of the peak detector
constexpr std::size_t kHalfTaps = 8; // interpolation reaches 8 samples either side
constexpr double kLookaheadSeconds = 0.005;
constexpr double kReleaseSeconds = 0.080;
// The running sum of the look-ahead's minima is summed afresh this often, so rounding cannot
// creep into the guarantee that the gain never exceeds what the peaks need.
constexpr std::uint64_t kResumEvery = 4096;

} // namespace

TruePeakLimiter::TruePeakLimiter(int channelCount, int sampleRate, double ceilingDbtp)
    : channels(static_cast<std::size_t>(channelCount)), ceiling(std::pow(10.0, ceilingDbtp / 20.0)),
      lookahead(std::max<std::size_t>(
          1, static_cast<std::size_t>(std::lround(kLookaheadSeconds * sampleRate)))),
      release(1.0 - std::exp(-1.0 / (kReleaseSeconds * sampleRate))), halfTaps(kHalfTaps),
      delay(kHalfTaps + lookahead) {
    // Windowed sinc (Blackman) for the positions p/8 between two samples.
    taps.resize(static_cast<std::size_t>(kPhases) * 2 * halfTaps);
    const auto span = static_cast<double>(halfTaps);
    for (int p = 0; p < kPhases; ++p)
        for (std::size_t m = 0; m < 2 * halfTaps; ++m) {
            // Sample j - halfTaps + 1 + m against the position j + p / 8.
            const double t =
                static_cast<double>(p) / kPhases - (static_cast<double>(m) + 1.0 - span);
            const double sinc = t == 0 ? 1.0 : std::sin(M_PI * t) / (M_PI * t);
            const double window = std::fabs(t) >= span ? 0.0
                                                       : 0.42 + 0.5 * std::cos(M_PI * t / span) +
                                                             0.08 * std::cos(2 * M_PI * t / span);
            taps[static_cast<std::size_t>(p) * 2 * halfTaps + m] = sinc * window;
        }
    ring = delay + 2 * halfTaps + 2;
    history.assign(channels, std::vector<double>(ring, 0.0));
    boxWindow.assign(lookahead + 1, 1.0);
    boxSum = static_cast<double>(lookahead + 1);
}

double TruePeakLimiter::DetectPeak(std::size_t newest) const {
    // The interval from sample j = newest - halfTaps to j + 1, at 8 positions.
    double peak = 0;
    for (std::size_t c = 0; c < channels; ++c) {
        const std::vector<double>& h = history[c];
        double window[2 * kHalfTaps];
        for (std::size_t m = 0; m < 2 * halfTaps; ++m)
            window[m] = h[(newest + ring - (2 * halfTaps - 1) + m) % ring];
        peak = std::max(peak, std::fabs(window[halfTaps - 1]));
        for (int p = 1; p < kPhases; ++p) {
            const double* k = &taps[static_cast<std::size_t>(p) * 2 * halfTaps];
            double v = 0;
            for (std::size_t m = 0; m < 2 * halfTaps; ++m)
                v += k[m] * window[m];
            peak = std::max(peak, std::fabs(v));
        }
    }
    return peak;
}

void TruePeakLimiter::Push(const double* frame, Planar& out) {
    const std::uint64_t n = written++;
    const std::size_t slot = n % ring;
    for (std::size_t c = 0; c < channels; ++c)
        history[c][slot] = frame[c];
    // The gain frame j needs (j = n - halfTaps; earlier than the start it is all silence).
    const double peak = DetectPeak(slot);
    const double needed = peak > ceiling ? ceiling / peak : 1.0;
    // The lowest need over the look-ahead: h[j - L] = min(needed[j - L .. j]).
    while (!minimum.empty() && minimum.back().second >= needed)
        minimum.pop_back();
    minimum.emplace_back(n, needed);
    while (minimum.front().first + lookahead < n)
        minimum.pop_front();
    // Averaged over the look-ahead once more: a straight ramp that reaches every need in time.
    const std::size_t box = n % (lookahead + 1);
    boxSum += minimum.front().second - boxWindow[box];
    boxWindow[box] = minimum.front().second;
    if (n % kResumEvery == 0) {
        boxSum = 0;
        for (double v : boxWindow)
            boxSum += v;
    }
    const double target = boxSum / static_cast<double>(lookahead + 1);
    gain = target < gain ? target : gain + release * (target - gain);
    if (n < delay)
        return;
    // Frame n - delay leaves now.
    const std::size_t from = (n - delay) % ring;
    for (std::size_t c = 0; c < channels; ++c)
        out[c].push_back(history[c][from] * gain);
    lowestGain = std::min(lowestGain, gain);
    if (gain < 1.0)
        ++reduced;
}

void TruePeakLimiter::Process(const Planar& audio, std::size_t frames, Planar& out) {
    out.assign(channels, {});
    for (auto& ch : out)
        ch.reserve(frames);
    double frame[2] = {};
    std::vector<double> wide(channels);
    for (std::size_t i = 0; i < frames; ++i) {
        double* f = channels <= 2 ? frame : wide.data();
        for (std::size_t c = 0; c < channels; ++c)
            f[c] = audio[c][i];
        Push(f, out);
    }
}

void TruePeakLimiter::Finish(Planar& out) {
    const Planar silence(channels, std::vector<double>(delay, 0.0));
    Process(silence, delay, out);
}

double TruePeakLimiter::MaxReductionDb() const {
    return lowestGain < 1.0 ? -20.0 * std::log10(lowestGain) : 0.0;
}

} // namespace torvik::render
