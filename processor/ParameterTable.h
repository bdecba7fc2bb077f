#pragma once
// TORVIK's parameters as people read them: for every index its name, range and
// default in real units, the unit it measures and how its value is written.
// The one source of these facts: the parameter records, the host's units and
// value texts, the editor's readout and typed values all read this table.
// Depends on nothing, so any binding or tool can link it alone.
namespace torvik {

inline constexpr int kTorvikParamCount = 40;

// What a parameter measures, which fixes its unit and how its value is written.
enum class ParamUnit : int {
    kReserved,    // the index the plug-in never defines: a bare number, no unit
    kDecibel,     // gains, thresholds and levels: "-24.0 dB"
    kHertz,       // frequencies, three significant figures: "80.0 Hz", "1.20 kHz"
    kMillisecond, // times, three significant figures: "5.00 ms", "120 ms"
    kPercent,     // a mix stored 0..1, shown 0..100: "80 %"
    kRatio,       // a compression ratio: "4.0:1"
    kSwitch,      // 0 or 1, shown by its state texts
};

struct ParamRow {
    const char* name;
    ParamUnit unit;
    double min; // real units, as stored (before any negation)
    double max;
    double defaultValue;
    bool negated;        // stored as the distance below full scale, shown as its negation
    const char* offText; // switches: the texts of 0 and 1
    const char* onText;
};

// The row of index i; the reserved row for indices outside the table.
const ParamRow& ParamRowAt(int index);

inline bool IsSwitch(const ParamRow& param) {
    return param.unit == ParamUnit::kSwitch;
}
inline bool IsReserved(const ParamRow& param) {
    return param.unit == ParamUnit::kReserved;
}

// The unit a host shows beside the value: "dB", "Hz", "ms", "%", or "" (ratio,
// switches and the reserved index, whose texts say all).
const char* UnitText(ParamUnit unit);

} // namespace torvik
