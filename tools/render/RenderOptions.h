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

struct RenderOptions {
    std::string pluginPath;                 // bundle to load; empty: find TORVIK.vst3
    std::string className;                  // effect class to create; empty: the first effect
    std::string input;                      // audio to process; empty when only listing or saving
    std::string output;                     // where the processed audio goes
    std::string sidechain;                  // optional sidechain audio
    std::string presetIn;                   // .vstpreset to load before the settings
    std::string presetOut;                  // .vstpreset to write after the settings
    std::vector<ParameterSetting> settings; // in command-line order; later ones win
    int blockSize = 512;                    // frames per process call
    int precision = 32;                     // sample size handed to the plug-in: 32 or 64 bits
    std::string container;                  // "wav", "aiff", "flac" or empty: from the name/input
    std::string encoding;                   // "pcm16", ..., "double" or empty: the input's
    bool listParams = false;                // print the parameter list and stop
    bool report = false;                    // print levels and gain reduction
    bool quiet = false;                     // no progress display
    bool help = false;                      // print usage and stop
};

// Largest block a host would hand over in one call.
inline constexpr int kMaxBlockSize = 1 << 16;

// Parses argv. On failure answers false with one sentence in `error`.
bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& out, std::string& error);

// The usage text printed by --help and after a command-line mistake.
std::string RenderUsage();

} // namespace torvik::render
