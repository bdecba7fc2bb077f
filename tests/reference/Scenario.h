#pragma once
// Scenarios that drive the processor and the reference model side by side, and
// the sample-by-sample comparison of their outputs and meters against the audio
// contract.
#include <array>
#include <ostream>
#include <string>
#include <vector>

namespace torvik::reference {

// The audio contract: per scenario, on each output channel and each meter, the
// largest difference from the model and the RMS of the difference.
inline constexpr double kMaxDifference = 1e-6;
inline constexpr double kMaxRmsDifference = 1e-8;

// Test signals; each channel pair differs a little between left and right.
enum class Signal {
    Silence,
    Sine,      // 1 kHz / 1.1 kHz at the given level
    Voice,     // harmonic syllables with pauses and sibilant bursts
    Sibilant,  // high-frequency tones and bright noise
    Noise,     // white noise
    NearFull,  // 100 Hz sine at 0.999 of full scale
    Loud,      // a hard-driven 220 Hz tone at full scale
    Bass,      // 60 Hz bursts, for the sidechain
    Programme, // swelling tones, sibilant bursts and near-silent pauses; its own sidechain
};

struct ParamSetting {
    int index;    // parameter index 0 to 39
    double value; // real value (dB, Hz, ms, ratio, 0 or 1)
};

// What a change between blocks does besides setting a parameter.
enum ChangeKind : int {
    kNewSampleRate = -1, // value: the new rate in hertz
    kReactivate = -2,    // the host deactivates and activates the plug-in again
};

// A change made before the block with the given number (counting from 0).
struct BlockChange {
    int beforeBlock;
    int index;    // parameter index, or a ChangeKind
    double value; // real value, the sample rate in hertz, or unused
};

struct Scenario {
    std::string name;
    double sampleRate = 48000.0;
    std::vector<ParamSetting> settings; // applied before the first block
    bool normalisedSettings = false;    // settings hold normalised values instead of real ones
    Signal main = Signal::Voice;
    double level = 0.5; // peak level of the main signal where the signal has one
    Signal sidechain = Signal::Silence;
    double seconds = 0.25;            // shortened in sanitizer builds
    std::vector<int> blockSizes{512}; // cycled
    std::vector<BlockChange> changes;
    bool activate = true; // the host activates the plug-in before the first block
    // No maths-library function reaches the outputs or meters per sample (filters,
    // envelopes and gains only): processor and model must agree to the bit.
    bool bitExact = false;
    // Why the processor is known to part from the model here; empty where they must agree.
    std::string knownDisagreement;
};

// Test frameworks print a scenario by its name.
inline void PrintTo(const Scenario& scenario, std::ostream* os) {
    *os << scenario.name;
}

// How one compared signal (an output channel or a meter) parts from the model.
struct Difference {
    double maxAbs = 0.0;     // largest |processor - model|, infinite for a NaN on either side
    double sumSquares = 0.0; // of the differences
    long count = 0;          // values compared
    long firstFrame = -1;    // first frame whose values differ in any bit, -1 for none
    double firstProcessor = 0.0, firstModel = 0.0;

    void Note(long frame, double processor, double model);
    double Rms() const;
};

// The compared signals: both outputs, then the meters in their order.
enum CompareSignal : int {
    kOutLeft,
    kOutRight,
    kMeterPre,
    kMeterMain,
    kMeterDeEss,
    kMeterGate,
    kMeterComp,
    kCompareSignalCount,
};

// Where and by how much the processor and the model part.
struct Comparison {
    long frames = 0; // frames compared
    std::array<Difference, kCompareSignalCount> signals{};
    bool meterCountMismatch = false; // the processor handed a different set of values
    long metersHanded = 0;           // values the processor handed to meter controls
    long metersExpected = 0;         // values the model hands: five per processed frame
    int firstStrayControl = -1;      // first control index out of the expected order
    double peakOut = 0.0;            // largest |model output|, to judge the size of the signal
    double lowestDeEssGain = 1.0;    // the model's lowest de-esser gain factor
    double lowestCompGain = 1.0;     // the model's lowest compressor gain factor

    bool Exact() const;
    bool WithinContract() const;
    double WorstMax() const;
    double WorstRms() const;
};

// The comparison of one scenario; skipped scenarios are not run.
Comparison RunScenario(const Scenario& scenario);

// The table of scenarios, grouped by what they exercise.
std::vector<Scenario> AllScenarios();

// One line describing a comparison, for failure messages and the report tool.
std::string Describe(const Scenario& scenario, const Comparison& result);

// The worst figures over many scenarios, each with the scenario that gave it.
class WorstFigures {
public:
    void Note(const Scenario& scenario, const Comparison& result);
    std::string Summary() const;

private:
    int scenarios = 0, exact = 0;
    double outMax = 0.0, outRms = 0.0, meterMax = 0.0, meterRms = 0.0;
    std::string outMaxAt, outRmsAt, meterMaxAt, meterRmsAt;
};

} // namespace torvik::reference
