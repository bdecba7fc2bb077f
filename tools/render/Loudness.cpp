#include "Loudness.h"

#include "LevelReport.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

namespace torvik::render {

namespace {

// Short-term loudness exists once its 3 s window is full: 30 readings of 100 ms.
constexpr std::size_t kFirstShortTermReading = 30;
// Gates of the loudness range: absolute, and relative to the power mean of what passed it.
constexpr double kRangeAbsoluteGateLufs = -70.0;
constexpr double kRangeRelativeGateLu = -20.0;
// The spread between these percentiles is the range.
constexpr double kLowPercentile = 0.10;
constexpr double kHighPercentile = 0.95;

double Percentile(const std::vector<double>& sorted, double p) {
    // Nearest rank, as the loudness range's definition does it.
    const auto n = static_cast<double>(sorted.size());
    const auto rank = static_cast<std::size_t>(std::max(0.0, std::round(p * (n - 1))));
    return sorted[std::min(rank, sorted.size() - 1)];
}

} // namespace

void LoudnessMeter::Free::operator()(ebur128_state* s) const {
    ebur128_destroy(&s);
}

LoudnessMeter::LoudnessMeter() = default;
LoudnessMeter::~LoudnessMeter() = default;

bool LoudnessMeter::Start(int channelCount, int sampleRate, MeterScope meterScope,
                          std::string& error) {
    scope = meterScope;
    const int modes = scope == MeterScope::Everything
                          ? EBUR128_MODE_I | EBUR128_MODE_S | EBUR128_MODE_TRUE_PEAK
                          : EBUR128_MODE_I;
    state.reset(channelCount < 1 || sampleRate < 1
                    ? nullptr
                    : ebur128_init(static_cast<unsigned>(channelCount),
                                   static_cast<unsigned long>(sampleRate), modes));
    if (!state) {
        error = "the loudness meter cannot measure " + std::to_string(channelCount) +
                " channels at " + std::to_string(sampleRate) + " Hz";
        return false;
    }
    channels = static_cast<std::size_t>(channelCount);
    framesPer100ms = static_cast<std::size_t>(sampleRate) / 10;
    untilNextRead = framesPer100ms;
    return true;
}

bool LoudnessMeter::Add(const Planar& audio, std::size_t frames, std::string& error) {
    if (scope == MeterScope::IntegratedOnly)
        return Feed(audio, 0, frames, error);
    // Fed in pieces that end where a 100 ms reading falls due.
    for (std::size_t done = 0; done < frames;) {
        const std::size_t n = std::min(untilNextRead, frames - done);
        if (!Feed(audio, done, n, error))
            return false;
        done += n;
        untilNextRead -= n;
        if (untilNextRead == 0) {
            Sample();
            untilNextRead = framesPer100ms;
        }
    }
    return true;
}

bool LoudnessMeter::Feed(const Planar& audio, std::size_t from, std::size_t frames,
                         std::string& error) {
    interleaved.resize(frames * channels);
    for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < channels; ++c)
            interleaved[i * channels + c] = audio[c][from + i];
    if (ebur128_add_frames_double(state.get(), interleaved.data(), frames) != EBUR128_SUCCESS) {
        error = "the loudness meter ran out of memory";
        return false;
    }
    return true;
}

void LoudnessMeter::Sample() {
    ++readings;
    double momentary = 0;
    if (readings >= 4 && ebur128_loudness_momentary(state.get(), &momentary) == EBUR128_SUCCESS &&
        std::isfinite(momentary))
        maxMomentary = std::max(maxMomentary, momentary);
    double shortTermLufs = 0;
    if (readings >= kFirstShortTermReading &&
        ebur128_loudness_shortterm(state.get(), &shortTermLufs) == EBUR128_SUCCESS) {
        shortTerm.push_back(shortTermLufs);
        if (std::isfinite(shortTermLufs))
            maxShortTerm = std::max(maxShortTerm, shortTermLufs);
    }
}

double LoudnessRange(std::vector<double> readings) {
    std::erase_if(readings,
                  [](double l) { return !std::isfinite(l) || l <= kRangeAbsoluteGateLufs; });
    if (readings.empty())
        return 0.0;
    double power = 0;
    for (double l : readings)
        power += std::pow(10.0, l / 10.0);
    const double gate =
        10.0 * std::log10(power / static_cast<double>(readings.size())) + kRangeRelativeGateLu;
    std::erase_if(readings, [&](double l) { return l <= gate; });
    if (readings.empty())
        return 0.0;
    std::sort(readings.begin(), readings.end());
    return Percentile(readings, kHighPercentile) - Percentile(readings, kLowPercentile);
}

LoudnessFigures LoudnessMeter::Result() const {
    LoudnessFigures out;
    double integrated = 0;
    if (ebur128_loudness_global(state.get(), &integrated) != EBUR128_SUCCESS)
        integrated = -HUGE_VAL;
    // Silence has no integrated loudness: every block lies below the absolute gate.
    out.hasIntegrated = std::isfinite(integrated);
    out.integratedLufs = out.hasIntegrated ? integrated : kSilenceDb;
    out.maxMomentaryLufs = std::max(kSilenceDb, maxMomentary);
    out.maxShortTermLufs = std::max(kSilenceDb, maxShortTerm);
    out.rangeLu = LoudnessRange(shortTerm);
    double peak = 0;
    out.hasTruePeak = scope == MeterScope::Everything;
    if (scope == MeterScope::Everything)
        for (unsigned c = 0; c < channels; ++c) {
            double channelPeak = 0;
            if (ebur128_true_peak(state.get(), c, &channelPeak) == EBUR128_SUCCESS)
                peak = std::max(peak, channelPeak);
        }
    out.truePeakDbtp = peak > 0 ? std::max(kSilenceDb, 20.0 * std::log10(peak)) : kSilenceDb;
    return out;
}

NormalizationGain PlanNormalization(const LoudnessFigures& measured, double targetLufs,
                                    double ceilingDbtp) {
    NormalizationGain plan;
    plan.gainDb = targetLufs - measured.integratedLufs;
    // A gain scales the true peak by exactly as many decibels.
    const double headroom = ceilingDbtp - measured.truePeakDbtp;
    if (plan.gainDb > headroom) {
        plan.peakLimited = true;
        plan.shortfallLu = plan.gainDb - headroom;
        plan.gainDb = headroom;
    }
    return plan;
}

} // namespace torvik::render
