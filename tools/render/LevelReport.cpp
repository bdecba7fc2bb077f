#include "LevelReport.h"

#include <algorithm>
#include <cmath>

namespace torvik::render {

namespace {

double ToDb(double meanSquareOrPeak, bool power) {
    if (meanSquareOrPeak <= 0)
        return kSilenceDb;
    return std::max(kSilenceDb, (power ? 10.0 : 20.0) * std::log10(meanSquareOrPeak));
}

} // namespace

void LevelMeter::Add(const Planar& audio, std::size_t frames) {
    for (const auto& ch : audio)
        for (std::size_t i = 0; i < frames; ++i) {
            const double a = std::fabs(ch[i]);
            peak = std::max(peak, a);
            sumOfSquares += ch[i] * ch[i];
            if (a > 1.0)
                ++over;
        }
    samples += static_cast<double>(frames * audio.size());
}

LevelFigures LevelMeter::Result() const {
    LevelFigures f;
    f.peakDb = ToDb(peak, false);
    f.rmsDb = ToDb(samples > 0 ? sumOfSquares / samples : 0, true);
    f.overFullScale = over;
    return f;
}

WindowPower::WindowPower(int sampleRate)
    : windowFrames(static_cast<std::size_t>(
          std::max(1.0, std::round(kWindowSeconds * static_cast<double>(sampleRate))))) {}

void WindowPower::Add(const Planar& audio, std::size_t frames) {
    channels = audio.size();
    for (std::size_t i = 0; i < frames; ++i) {
        for (const auto& ch : audio)
            sum += ch[i] * ch[i];
        if (++filled == windowFrames) {
            windows.push_back(
                sum / static_cast<double>(windowFrames * std::max<std::size_t>(1, channels)));
            filled = 0;
            sum = 0;
        }
    }
}

GainReductionFigures CompareWindows(const WindowPower& input, const WindowPower& output) {
    GainReductionFigures g;
    const std::size_t count = std::min(input.Windows().size(), output.Windows().size());
    std::vector<double> reductions;
    for (std::size_t w = 0; w < count; ++w) {
        const double in = ToDb(input.Windows()[w], true);
        if (in < kQuietWindowDb)
            continue;
        reductions.push_back(in - ToDb(output.Windows()[w], true));
    }
    g.windows = reductions.size();
    if (reductions.empty())
        return g;
    double sum = 0;
    for (double r : reductions)
        sum += r;
    g.meanDb = sum / static_cast<double>(reductions.size());
    g.maxDb = *std::max_element(reductions.begin(), reductions.end());
    std::sort(reductions.begin(), reductions.end());
    const std::size_t mid = reductions.size() / 2;
    g.medianDb = reductions.size() % 2 != 0 ? reductions[mid]
                                            : 0.5 * (reductions[mid - 1] + reductions[mid]);
    return g;
}

} // namespace torvik::render
