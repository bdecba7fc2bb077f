#include "LevelReport.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace torvik::render {

namespace {

double ToDb(double meanSquareOrPeak, bool power) {
    if (meanSquareOrPeak <= 0)
        return kSilenceDb;
    return std::max(kSilenceDb, (power ? 10.0 : 20.0) * std::log10(meanSquareOrPeak));
}

// Mean square of frames [start, end) over all channels.
double MeanSquare(const AudioData& audio, std::size_t start, std::size_t end) {
    double sum = 0;
    for (const auto& ch : audio.channels)
        for (std::size_t i = start; i < end; ++i)
            sum += ch[i] * ch[i];
    const double count = static_cast<double>((end - start) * audio.channels.size());
    return count > 0 ? sum / count : 0;
}

} // namespace

LevelFigures MeasureLevels(const AudioData& audio) {
    LevelFigures f;
    double peak = 0;
    for (const auto& ch : audio.channels)
        for (double s : ch) {
            const double a = std::fabs(s);
            peak = std::max(peak, a);
            if (a > 1.0)
                ++f.overFullScale;
        }
    f.peakDb = ToDb(peak, false);
    f.rmsDb = ToDb(MeanSquare(audio, 0, audio.Frames()), true);
    return f;
}

GainReductionFigures MeasureGainReduction(const AudioData& input, const AudioData& output) {
    GainReductionFigures g;
    const std::size_t frames = std::min(input.Frames(), output.Frames());
    const auto window = static_cast<std::size_t>(
        std::max(1.0, std::round(kWindowSeconds * static_cast<double>(input.sampleRate))));
    std::vector<double> reductions;
    for (std::size_t start = 0; start + window <= frames; start += window) {
        const double in = ToDb(MeanSquare(input, start, start + window), true);
        if (in < kQuietWindowDb)
            continue;
        const double out = ToDb(MeanSquare(output, start, start + window), true);
        reductions.push_back(in - out);
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
