#include "LevelReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

std::string FormatLevelReport(const AudioData& input, const AudioData& output) {
    const LevelFigures in = MeasureLevels(input);
    const LevelFigures out = MeasureLevels(output);
    const GainReductionFigures gr = MeasureGainReduction(input, output);
    char buf[512];
    std::string text;
    std::snprintf(buf, sizeof buf, "input:  peak %7.2f dBFS  RMS %7.2f dBFS\n", in.peakDb,
                  in.rmsDb);
    text += buf;
    std::snprintf(buf, sizeof buf,
                  "output: peak %7.2f dBFS  RMS %7.2f dBFS  samples above full scale %zu\n",
                  out.peakDb, out.rmsDb, out.overFullScale);
    text += buf;
    if (gr.windows == 0) {
        text += "gain reduction: input too quiet to measure\n";
    } else {
        std::snprintf(buf, sizeof buf,
                      "gain reduction (input minus output, 50 ms RMS where the input is above "
                      "%.0f dBFS, %zu windows): max %.2f dB  mean %.2f dB  median %.2f dB\n",
                      kQuietWindowDb, gr.windows, gr.maxDb, gr.meanDb, gr.medianDb);
        text += buf;
    }
    return text;
}

} // namespace torvik::render
