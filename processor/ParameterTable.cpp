#include "processor/ParameterTable.h"

namespace torvik {
namespace {

constexpr ParamUnit dB = ParamUnit::kDecibel;
constexpr ParamUnit Hz = ParamUnit::kHertz;
constexpr ParamUnit ms = ParamUnit::kMillisecond;
constexpr ParamUnit pc = ParamUnit::kPercent;

constexpr ParamRow Switch(const char* name, double defaultValue) {
    return {name, ParamUnit::kSwitch, 0.0, 1.0, defaultValue, false, "Off", "On"};
}

constexpr ParamRow kReservedRow{"", ParamUnit::kReserved, 0.0, 1.0, 0.0, false, "", ""};

// In index order; the index is the parameter's identity everywhere.
constexpr ParamRow kTable[kTorvikParamCount] = {
    {"Preamp Gain", dB, -30.0, 30.0, -30.0, false, "", ""},
    {"Preamp HPF", Hz, 10.0, 250.0, 10.0, false, "", ""},
    {"Main Input", dB, -30.0, 30.0, 0.0, false, "", ""},
    {"Main Output", dB, -30.0, 30.0, 0.0, false, "", ""},
    {"De-Esser Release", ms, 5.0, 200.0, 30.0, false, "", ""},
    {"De-Esser Threshold", dB, -60.0, -10.0, -10.0, false, "", ""},
    {"De-Esser Mix", pc, 0.0, 1.0, 1.0, false, "", ""},
    {"Gate Mix", pc, 0.0, 1.0, 1.0, false, "", ""},
    {"Gate Release", ms, 1.0, 500.0, 100.0, false, "", ""},
    // Stored as the distance below full scale; people read the threshold itself.
    {"Gate Threshold", dB, 0.0, 60.0, 60.0, true, "", ""},
    {"Low Gain", dB, -15.0, 15.0, 0.0, false, "", ""},
    {"Low Mid Freq", Hz, 220.0, 1200.0, 400.0, false, "", ""},
    {"Low Mid Gain", dB, -15.0, 15.0, 0.0, false, "", ""},
    {"High Mid Freq", Hz, 1500.0, 8200.0, 3000.0, false, "", ""},
    {"High Mid Gain", dB, -15.0, 15.0, 0.0, false, "", ""},
    {"High Gain", dB, -15.0, 15.0, 0.0, false, "", ""},
    {"Compressor Threshold", dB, -60.0, 0.0, 0.0, false, "", ""},
    {"Compressor Ratio", ParamUnit::kRatio, 1.5, 20.0, 4.0, false, "", ""},
    {"Compressor Mix", pc, 0.0, 1.0, 1.0, false, "", ""},
    kReservedRow,
    Switch("Preamp Bypass", 1),
    Switch("Preamp PAD", 0),
    Switch("Preamp Phase", 0),
    Switch("Preamp HPF Switch", 0),
    Switch("Preamp MIC", 0),
    Switch("Preamp Low Boost", 0),
    Switch("Preamp High Boost", 0),
    Switch("Preamp Transformer", 0),
    Switch("Main Bypass", 1),
    Switch("De-Esser Bypass", 0),
    Switch("De-Esser Band", 0),
    Switch("De-Esser Soft", 0),
    Switch("Gate Bypass", 0),
    Switch("Gate Fast Attack", 0),
    Switch("EQ Bypass", 0),
    Switch("Compressor Bypass", 0),
    Switch("Compressor Fast Attack", 0),
    Switch("Compressor Auto Release", 0),
    // Two switches of one name: the external key (38) and the key's high-pass (39).
    Switch("Compressor External Sidechain", 0),
    Switch("Compressor External Sidechain", 0),
};

} // namespace

const ParamRow& ParamRowAt(int index) {
    if (index < 0 || index >= kTorvikParamCount)
        return kReservedRow;
    return kTable[index];
}

const char* UnitText(ParamUnit unit) {
    switch (unit) {
    case ParamUnit::kDecibel:
        return "dB";
    case ParamUnit::kHertz:
        return "Hz";
    case ParamUnit::kMillisecond:
        return "ms";
    case ParamUnit::kPercent:
        return "%";
    case ParamUnit::kRatio:
    case ParamUnit::kSwitch:
    case ParamUnit::kReserved:
    default:
        return "";
    }
}

} // namespace torvik
