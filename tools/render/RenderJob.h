#pragma once
// One file's render from start to finish, the unit of work of a batch: its own effect
// instance, the shared settings and automation, the render, optional loudness normalisation,
// the written output and every figure the reports show.
#include "AudioFile.h"
#include "LevelReport.h"
#include "Loudness.h"
#include "PluginSession.h"
#include "RenderOptions.h"
#include "VstPresetFile.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace torvik::render {

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
    const AudioData* sidechain = nullptr;       // fed to the sidechain bus when set
    std::string sidechainPath;                  // for messages
    int blockSize = 512;                        // frames per process call
    int precision = 32;                         // 32 or 64
    std::string container;                      // --format
    std::string encoding;                       // --encoding
    bool measureLoudness = false;               // --report or --report-json
    std::optional<double> normalizeLufs;        // --normalize
    double truePeakLimitDbtp = -1.0;            // --true-peak-limit
};

// Everything known about one file once its render has ended, well or not.
struct FileResult {
    std::string input;                      // as given
    std::string output;                     // where the render went (or would have)
    bool ok = false;                        // rendered and written
    bool written = false;                   // the output exists (also for a failed --normalize)
    std::string error;                      // why not, one sentence
    std::vector<std::string> warnings;      // e.g. the target was not reached
    int sampleRate = 0;                     // Hz
    int channels = 0;                       // of the file
    std::size_t frames = 0;                 // of the file
    LevelFigures inputLevels, outputLevels; // peak and RMS
    GainReductionFigures gainReduction;     // input minus output
    std::optional<LoudnessFigures> inputLoudness, outputLoudness; // when measured
    double gainAppliedDb = 0;                                     // by --normalize
    MonoFold fold;                                                // how a mono file came back
    std::size_t automationChanges = 0;                            // points delivered in queues
    double seconds = 0;                                           // wall-clock time taken
};

// Serialises opening and closing instances: module loading and class factories are made for
// one caller at a time, as a DAW creates plug-ins from one thread.
std::mutex& InstanceCreationLock();

// Reads a usable input (one or two channels, at least a frame, no NaN) or says why not.
bool ReadUsableAudio(const std::string& path, const char* role, AudioData& out, std::string& error);

// Renders `input` into `output` with `setup`. `progress` gets the fraction done.
FileResult RenderFile(const RenderSetup& setup, const std::string& input, const std::string& output,
                      const std::function<void(double)>& progress);

} // namespace torvik::render
