#pragma once
// The command line of torvik-render, parsed into plain values. Parsing checks only the form of
// each option; whether a parameter exists or a file can be read is decided later.
#include <optional>
#include <string>
#include <vector>

namespace torvik::render {

// One --set NAME=VALUE, kept as typed.
struct ParameterSetting {
    std::string name;  // parameter title or decimal parameter ID
    double value = 0;  // real (plain) value
    std::string typed; // the argument as given, for messages
};

// One --automate "TIME NAME=VALUE" or one row of an --automation file, kept as written.
struct AutomationEntry {
    double time = 0;         // seconds when `inSeconds`, else frames
    bool inSeconds = false;  // "1.5s" rather than "72000smp"
    ParameterSetting target; // parameter and real value
    std::string origin;      // where it came from, for messages ("file.csv line 4")
};

struct RenderOptions {
    std::string pluginPath;                  // bundle to load; empty: find TORVIK.vst3
    std::string className;                   // effect class to create; empty: the first effect
    std::string input;                       // audio to process; empty when only listing or saving
    std::string output;                      // where the processed audio goes
    std::vector<std::string> inputs;         // batch inputs (with --out-dir)
    std::string outDir;                      // batch output folder; empty: one INPUT OUTPUT pair
    std::string suffix;                      // added to each batch output's stem
    int jobs = 0;                            // instances rendering at once; 0: one per core
    std::vector<AutomationEntry> automation; // --automate points and --automation file rows
    std::string automationFile;              // --automation CSV file
    std::optional<double> normalizeLufs;     // integrated loudness to reach after the effect
    double truePeakLimitDbtp = -1.0;         // ceiling that normalisation must not break
    std::string reportJson;                  // where the machine-readable report goes
    std::string sidechain;                   // optional sidechain audio
    std::string presetIn;                    // .vstpreset to load before the settings
    std::string presetOut;                   // .vstpreset to write after the settings
    std::vector<ParameterSetting> settings;  // in command-line order; later ones win
    int blockSize = 512;                     // frames per process call
    int precision = 32;                      // sample size handed to the plug-in: 32 or 64 bits
    std::string container;                   // --format name, or empty: from the name/input
    std::string encoding;                    // "pcm16", ..., "double" or empty: the input's
    bool encodingGiven = false;              // --bits or --encoding was given
    bool dither = true;                      // TPDF dither when the word length shrinks
    std::optional<double> quality;           // lossy encoders: 0 (smallest) to 10 (best)
    int rate = 0;                            // --rate: sample rate of the output, 0: the input's
    bool limit = false;                      // true-peak limiter after the normalisation gain
    bool lenient = false;                    // render what a damaged input holds
    bool noOverwrite = false;                // keep outputs that exist
    bool listParams = false;                 // print the parameter list and stop
    bool report = false;                     // print levels and gain reduction
    bool quiet = false;                      // no progress display
    bool help = false;                       // print usage and stop
    bool version = false;                    // print the version and stop
};

// A file name that stands for standard input or output.
inline constexpr const char* kStandardStream = "-";
// Sample rates --rate accepts.
inline constexpr int kLowestRate = 8000;
inline constexpr int kHighestRate = 384000;

// Largest block a host would hand over in one call.
inline constexpr int kMaxBlockSize = 1 << 16;
// More instances at once than any machine has cores for.
inline constexpr int kMaxJobs = 256;

// Parses "1.5s" (seconds) or "72000smp" (frames) into `entry`; false for anything else, a bare
// number among it, or below 0.
bool ParseAutomationTime(const std::string& text, AutomationEntry& entry);

// Parses "NAME=VALUE" (value a finite number) into `out`.
bool ParseSetting(const std::string& text, ParameterSetting& out);

// Parses argv. On failure answers false with one sentence in `error`.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& out, std::string& error);

// The usage text printed by --help and after a command-line mistake.
std::string RenderUsage();

} // namespace torvik::render
