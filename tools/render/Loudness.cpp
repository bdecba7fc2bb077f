#include "Loudness.h"

#include "LevelReport.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace torvik::render {

namespace {

// Frames handed to the meter per call; the interleaving buffer stays small.
constexpr std::size_t kMeterChunkFrames = 1 << 16;

struct MeterDeleter {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};

} // namespace

bool MeasureLoudness(const AudioData& audio, LoudnessFigures& out, std::string& error) {
    out = LoudnessFigures{};
    const auto channels = static_cast<unsigned>(audio.ChannelCount());
    std::unique_ptr<ebur128_state, MeterDeleter> meter(
        channels == 0 || audio.sampleRate < 1
            ? nullptr
            : ebur128_init(channels, static_cast<unsigned long>(audio.sampleRate),
                           EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK));
    if (!meter) {
        error = "the loudness meter cannot measure " + std::to_string(channels) + " channels at " +
                std::to_string(audio.sampleRate) + " Hz";
        return false;
    }
    std::vector<double> interleaved(kMeterChunkFrames * channels);
    const std::size_t frames = audio.Frames();
    for (std::size_t start = 0; start < frames; start += kMeterChunkFrames) {
        const std::size_t n = std::min(kMeterChunkFrames, frames - start);
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t c = 0; c < channels; ++c)
                interleaved[i * channels + c] = audio.channels[c][start + i];
        if (ebur128_add_frames_double(meter.get(), interleaved.data(), n) != EBUR128_SUCCESS) {
            error = "the loudness meter ran out of memory";
            return false;
        }
    }
    double integrated = 0;
    double range = 0;
    if (ebur128_loudness_global(meter.get(), &integrated) != EBUR128_SUCCESS ||
        ebur128_loudness_range(meter.get(), &range) != EBUR128_SUCCESS) {
        error = "the loudness meter gave no result";
        return false;
    }
    double peak = 0;
    for (unsigned c = 0; c < channels; ++c) {
        double channelPeak = 0;
        if (ebur128_true_peak(meter.get(), c, &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    // Silence has no integrated loudness: every block lies below the absolute gate.
    out.hasIntegrated = std::isfinite(integrated);
    out.integratedLufs = out.hasIntegrated ? integrated : kSilenceDb;
    out.rangeLu = std::isfinite(range) ? range : 0.0;
    out.truePeakDbtp = peak > 0 ? std::max(kSilenceDb, 20.0 * std::log10(peak)) : kSilenceDb;
    return true;
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

void ApplyGain(AudioData& audio, double gainDb) {
    const double factor = std::pow(10.0, gainDb / 20.0);
    for (auto& channel : audio.channels)
        for (double& sample : channel)
            sample *= factor;
}

} // namespace torvik::render
