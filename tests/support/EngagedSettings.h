#pragma once
// The strip doing all the work it can: every stage and every switch in, loud and
// sibilant-friendly values, the compressor keyed from the external sidechain with
// its high-pass. Tests and benchmarks that need "everything engaged" use this one
// table, so they all mean the same strip.
#include "processor/Parameters.h"

#include <cstddef>

namespace torvik::testing {

// One parameter at a real value (dB, Hz, ms, ratio, or 0 and 1 for a switch).
struct EngagedSetting {
    int index;
    double value;
};

inline constexpr EngagedSetting kEngagedSettings[] = {
    // Continuous values: a hard-driven preamp, a sensitive de-esser and gate, every
    // equaliser band away from 0 dB, a compressor well below its threshold.
    {kPreampGain, 12.0},
    {kPreampHpf, 90.0},
    {kMainInput, 3.0},
    {kDeEsserThreshold, -40.0},
    {kGateThreshold, 45.0},
    {kLowGain, 3.0},
    {kLowMidGain, -4.0},
    {kHighMidGain, 5.0},
    {kHighGain, 2.0},
    {kCompThreshold, -30.0},
    {kCompRatio, 6.0},
    // Every stage in the path.
    {kPreampBypass, 1},
    {kMainBypass, 1},
    {kDeEsserBypass, 1},
    {kGateBypass, 1},
    {kEqBypass, 1},
    {kCompBypass, 1},
    // Every switch on.
    {kPreampPad, 1},
    {kPreampPhase, 1},
    {kPreampHpfSwitch, 1},
    {kPreampMic, 1},
    {kPreampLowBoost, 1},
    {kPreampHighBoost, 1},
    {kPreampTransformer, 1},
    {kDeEsserBand, 1},
    {kDeEsserSoft, 1},
    {kGateFastAttack, 1},
    {kCompFastAttack, 1},
    {kCompAutoRelease, 1},
    {kCompExternalSidechain, 1},
    {kCompSidechainHpf, 1},
};

// The value the table gives a parameter, or its fallback where the table leaves it alone.
inline double EngagedValue(int index, double fallback) {
    for (const EngagedSetting& s : kEngagedSettings)
        if (s.index == index)
            return s.value;
    return fallback;
}

// Sets every value of the table on a plug-in as a host change does: the record
// first, then the plug-in's parameter handling.
template <typename Plugin> void EngageEverything(Plugin& fx) {
    for (const EngagedSetting& s : kEngagedSettings) {
        fx.ParamAt(s.index)->SetClamped(s.value);
        fx.HandleParamChange(s.index);
    }
}

} // namespace torvik::testing
