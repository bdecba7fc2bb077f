#pragma once
// The last stages before the file: one gain (normalisation), the optional true-peak limiter, the
// word length (TPDF dither and counted clipping for integer formats) and the writer. It measures
// the samples exactly as they go into the file, so the figures describe the file as written.
#include "AudioFile.h"
#include "LevelReport.h"
#include "Loudness.h"
#include "TruePeakLimiter.h"
#include "WordLength.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace torvik::render {

struct OutputSettings {
    int format = 0;                               // libsndfile format of the file
    int sampleRate = 0;                           // Hz
    int channels = 0;                             // of the file
    double gainDb = 0;                            // applied first
    std::optional<double> limitDbtp;              // the limiter's ceiling, when it runs
    bool dither = true;                           // TPDF dither when the word length shrinks
    std::optional<double> quality;                // lossy encoders, 0 to 10
    MeterScope loudness = MeterScope::Everything; // what the meter on the written samples gathers
};

class OutputChain {
public:
    // Writes to `path` (named `shownAs` in messages); an empty `path` writes nothing and only
    // measures (a trial of gain and limiter).
    bool Open(const std::filesystem::path& path, const std::string& shownAs,
              const OutputSettings& settings, std::string& error);
    bool Write(const Planar& audio, std::size_t frames, std::string& error);
    // Lets out what the limiter holds back and closes the file.
    bool Finish(std::string& error);

    LevelFigures Levels() const { return levels.Result(); }
    LoudnessFigures Loudness() const { return meter.Result(); }
    std::uint64_t Clipped() const { return words ? words->Clipped() : 0; }
    double LimiterMaxReductionDb() const { return limiter ? limiter->MaxReductionDb() : 0.0; }
    double LimiterSeconds() const;

private:
    bool Emit(const Planar& audio, std::size_t frames, std::string& error);

    OutputSettings settings;
    double factor = 1.0;
    std::unique_ptr<TruePeakLimiter> limiter;
    std::optional<WordLength> words;   // integer formats
    std::optional<AudioWriter> writer; // none for a trial
    bool asFloat = false;              // the file keeps 32-bit floats
    LevelMeter levels;
    LoudnessMeter meter;
    Planar scaled, limited;
    std::vector<int> ints;
    std::vector<double> doubles;
};

} // namespace torvik::render
