#pragma once
// Command line of torvik-snapshot.
#include <string>
#include <vector>

namespace torvik {

class IEffectBase;

struct ParamSetting {
    int index;         // parameter index
    double normalised; // 0..1
};

struct MeterSetting {
    int meter;    // 0 preamp, 1 main, 2 de-esser, 3 gate, 4 compressor
    double value; // normalised meter level
};

struct SnapshotOptions {
    std::string output = "torvik-editor.png";
    std::vector<ParamSetting> params;
    std::vector<MeterSetting> meters;
    int scale = 100; // percent, one of the editor's scales
    bool help = false;
};

// Parses the arguments; parameter names are looked up in plug. On failure
// returns false with a message in error.
bool ParseSnapshotOptions(int argc, char** argv, const IEffectBase& plug, SnapshotOptions& options,
                          std::string& error);

// The usage text.
const char* SnapshotUsage();

} // namespace torvik
