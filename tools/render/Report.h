#pragma once
// What a run tells its user: one summary line per file, the --report text and the
// --report-json document.
#include "RenderJob.h"

#include <string>
#include <vector>

namespace torvik::render {

// "in.wav -> out/in.wav: peak -3.1 dBFS, -16.0 LUFS, 1.20 s" or the failure.
std::string FormatSummaryLine(const FileResult& result);

// The detailed --report text of one rendered file.
std::string FormatFileReport(const FileResult& result);

// The settings a report records, as given on the command line.
struct RunDescription {
    std::string plugin;                         // bundle rendered through
    std::string preset;                         // .vstpreset loaded, or empty
    std::vector<ResolvedSetting> settings;      // --set values
    std::vector<ResolvedAutomation> automation; // automation points
    int blockSize = 512;                        // frames per process call
    int precision = 32;                         // 32 or 64
    std::optional<double> normalizeLufs;        // target, when asked
    double truePeakLimitDbtp = -1.0;            // ceiling
    bool limit = false;                         // the limiter held it
    int jobs = 1;                               // instances at once
    double seconds = 0;                         // wall-clock time of the whole run
};

// The JSON document of a run: the settings once, then every file with its figures.
std::string FormatJsonReport(const RunDescription& run, const std::vector<FileResult>& files);

} // namespace torvik::render
