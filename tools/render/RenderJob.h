#pragma once
// One file's render from start to finish, the unit of work of a batch: its own effect
// instance, the shared settings and automation, the render, optional loudness normalisation,
// the written output and every figure the reports show.
#include "AudioFile.h"
#include "EffectSession.h"
#include "LevelReport.h"
#include "Loudness.h"
#include "RenderOptions.h"
#include "VstPresetFile.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace torvik::render {

// How mono files travel: fed to every input channel and brought back as the average of the
// output channels. A channel-symmetric effect gives identical channels, so the average is then
// each channel exactly; these figures tell how far the channels strayed from each other.
struct MonoFold {
    bool checked = false;             // the output had two or more channels to compare
    bool identical = true;            // all channels agreed bit for bit
    double maxDifference = 0;         // largest |L − R| seen, full scale 1
    std::size_t differentThrough = 0; // frames up to and including the last that differed
};

// An automation point resolved against the effect: which parameter and which real value; its
// time becomes a frame only once the file's rate and length are known.
struct ResolvedAutomation {
    AutomationEntry entry;   // as written
    ResolvedSetting setting; // parameter and value
    bool stepped = false;    // the parameter is a switch or list
};

// What every file of a run shares, checked once before any file is rendered.
struct RenderSetup {
    std::string pluginPath;                     // bundle
    std::string className;                      // class in it (empty: the first effect)
    std::optional<preset::VstPreset> preset;    // loaded before the settings
    std::vector<ResolvedSetting> settings;      // --set, in order
    std::vector<ResolvedAutomation> automation; // --automate and --automation rows
    std::string sidechainPath;                  // fed to the sidechain bus when set
    int blockSize = 512;                        // frames per process call
    int precision = 32;                         // 32 or 64
    std::string container;                      // --format
    std::string encoding;                       // --encoding or --bits
    bool dither = true;                         // not --no-dither
    std::optional<double> quality;              // --quality
    int rate = 0;                               // --rate, 0: the input's
    bool measureLoudness = false;               // --report or --report-json
    std::optional<double> normalizeLufs;        // --normalize
    double truePeakLimitDbtp = -1.0;            // --true-peak-limit
    bool limit = false;                         // --limit
    bool lenient = false;                       // --lenient
    bool noOverwrite = false;                   // -n, --no-overwrite
    std::string standardInputCopy;              // where standard input was saved, for '-'
};

// The limiter aims this far under the ceiling: a little for the last rounding, more for lossy
// encoders, whose decoded output overshoots what went in.
inline constexpr double kLimiterMarginDb = 0.1;
inline constexpr double kLossyLimiterMarginDb = 1.0;
// Normalisation with the limiter stops within this of the target.
inline constexpr double kLimitedTargetToleranceLu = 0.05;

// Everything known about one file once its render has ended, well or not.
struct FileResult {
    std::string input;                      // as given
    std::string output;                     // where the render went (or would have)
    bool ok = false;                        // rendered and written
    bool written = false;                   // the output exists (also for a failed --normalize)
    bool kept = false;                      // an existing output was left alone (-n)
    std::string error;                      // why not, one sentence
    std::vector<std::string> warnings;      // e.g. the target was not reached
    int sampleRate = 0;                     // Hz
    int channels = 0;                       // of the file
    std::size_t frames = 0;                 // of the file
    LevelFigures inputLevels, outputLevels; // peak and RMS
    GainReductionFigures gainReduction;     // input minus output
    std::optional<LoudnessFigures> inputLoudness, outputLoudness; // when measured
    double gainAppliedDb = 0;                                     // by --normalize
    std::string outputFormat;                                     // e.g. "WAV 24-bit"
    int outputRate = 0;                                           // Hz of the file written
    std::uint64_t clippedSamples = 0;                             // clipped to full scale
    double limiterReductionDb = 0;                                // most the limiter took
    double limiterSeconds = 0;                                    // time it was at work
    MonoFold fold;                                                // how a mono file came back
    std::size_t automationChanges = 0;                            // points delivered in queues
    double seconds = 0;                                           // wall-clock time taken
};

// Serialises opening and closing instances: module loading and class factories are made for
// one caller at a time, as a DAW creates plug-ins from one thread.
std::mutex& InstanceCreationLock();

// Checks that `path` opens as audio with one or two channels and at least a frame.
bool CheckUsableAudio(const std::string& path, const char* role, std::string& error);

// The format the output gets: container from --format, else the output's extension, else the
// input's; encoding from --bits/--encoding, else the input's. 0 when none fits.
int OutputFormatFor(const RenderSetup& setup, const std::string& output, int inputFormat);

// Renders `input` into `output` with `setup`. `progress` gets the fraction done.
FileResult RenderFile(const RenderSetup& setup, const std::string& input, const std::string& output,
                      const std::function<void(double)>& progress);

// Calls `task` for every index below `count`, from `jobs` threads (the caller's among them)
// that each take the next index not yet taken.
void RunInParallel(std::size_t count, std::size_t jobs,
                   const std::function<void(std::size_t)>& task);

} // namespace torvik::render
