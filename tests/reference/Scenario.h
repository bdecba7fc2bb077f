#pragma once
// Scenarios that drive the processor and the reference model side by side and
// the sample-by-sample comparison of their outputs and meters.
#include <ostream>
#include <string>
#include <vector>

namespace torvik::reference {

// Test signals; each channel pair differs a little between left and right.
enum class Signal {
    Silence,
    Sine,     // 1 kHz / 1.1 kHz at the given level
    Voice,    // harmonic syllables with pauses and sibilant bursts
    Sibilant, // high-frequency tones and bright noise
    Noise,    // white noise
    NearFull, // 100 Hz sine at 0.999 of full scale
    Loud,     // a hard-driven 220 Hz tone at full scale
    Bass,     // 60 Hz bursts, for the sidechain
};

struct ParamSetting {
    int index;    // parameter index 0 to 39
    double value; // real value (dB, Hz, ms, ratio, 0 or 1)
};

// A change made before the block with the given number (counting from 0).
struct BlockChange {
    int beforeBlock;
    int index;    // parameter index, or -1 for a new sample rate
    double value; // real value, or the sample rate in hertz
};

struct Scenario {
    std::string name;
    double sampleRate = 48000.0;
    std::vector<ParamSetting> settings; // applied before the first block
    bool normalisedSettings = false;    // settings hold normalised values instead of real ones
    Signal main = Signal::Voice;
    double level = 0.5; // peak level of the main signal where the signal has one
    Signal sidechain = Signal::Silence;
    double seconds = 0.25;
    std::vector<int> blockSizes{512}; // cycled
    std::vector<BlockChange> changes;
    // Why the processor is known to part from the model here; empty where they must agree.
    std::string knownDisagreement;
};

// Test frameworks print a scenario by its name.
inline void PrintTo(const Scenario& scenario, std::ostream* os) {
    *os << scenario.name;
}

// Where and by how much the processor and the model part.
struct Comparison {
    long frames = 0;         // frames compared
    double maxOutDiff = 0.0; // largest |processor - model| over both outputs
    long firstOutFrame = -1; // first frame whose output differs, -1 for none
    int firstOutChannel = -1;
    double firstOutProcessor = 0.0, firstOutModel = 0.0;
    double maxMeterDiff = 0.0; // largest difference of a handed meter value
    long firstMeterFrame = -1;
    int firstMeter = -1; // 0 preamp, 1 output, 2 de-esser, 3 gate, 4 compressor
    double firstMeterProcessor = 0.0, firstMeterModel = 0.0;
    bool meterCountMismatch = false; // the processor handed a different set of values
    long metersHanded = 0;           // values the processor handed to meter controls
    long metersExpected = 0;         // values the model hands: five per processed frame
    int firstStrayControl = -1;      // first control index out of the expected order
    double peakOut = 0.0;            // largest |model output|, to judge the size of the signal
    double lowestDeEssGain = 1.0;    // the model's lowest de-esser gain factor
    double lowestCompGain = 1.0;     // the model's lowest compressor gain factor

    bool Exact() const { return firstOutFrame < 0 && firstMeterFrame < 0 && !meterCountMismatch; }
};

Comparison RunScenario(const Scenario& scenario);

// The table of scenarios, grouped by what they exercise.
std::vector<Scenario> AllScenarios();

// One line describing a comparison, for failure messages and the report tool.
std::string Describe(const Scenario& scenario, const Comparison& result);

} // namespace torvik::reference
