#include "processor/Parameters.h"

#include "framework/EffectBase.h"

namespace torvik {
namespace {

struct ContinuousDef {
    int index;
    const char* name;
    double min;
    double max;
    double defaultValue;
};

// Every continuous parameter steps by 0.01 and carries the label "%", which is
// what the host shows as its unit.
constexpr ContinuousDef kContinuous[] = {
    {kPreampGain, "Preamp Gain", -30.0, 30.0, -30.0},
    {kPreampHpf, "Preamp HPF", 10.0, 250.0, 10.0},
    {kMainInput, "Main Input", -30.0, 30.0, 0.0},
    {kMainOutput, "Main Output", -30.0, 30.0, 0.0},
    {kDeEsserRelease, "De-Esser Release", 5.0, 200.0, 30.0},
    {kDeEsserThreshold, "De-Esser Threshold", -60.0, -10.0, -10.0},
    {kDeEsserMix, "De-Esser Mix", 0.0, 1.0, 1.0},
    {kGateMix, "Gate Mix", 0.0, 1.0, 1.0},
    {kGateRelease, "Gate Release", 1.0, 500.0, 100.0},
    {kGateThreshold, "Gate Threshold", 0.0, 60.0, 60.0},
    {kLowGain, "Low Gain", -15.0, 15.0, 0.0},
    {kLowMidFreq, "Low Mid Freq", 220.0, 1200.0, 400.0},
    {kLowMidGain, "Low Mid Gain", -15.0, 15.0, 0.0},
    {kHighMidFreq, "High Mid Freq", 1500.0, 8200.0, 3000.0},
    {kHighMidGain, "High Mid Gain", -15.0, 15.0, 0.0},
    {kHighGain, "High Gain", -15.0, 15.0, 0.0},
    {kCompThreshold, "Compressor Threshold", -60.0, 0.0, 0.0},
    {kCompRatio, "Compressor Ratio", 1.5, 20.0, 4.0},
    {kCompMix, "Compressor Mix", 0.0, 1.0, 1.0},
};

struct SwitchDef {
    int index;
    const char* name;
    int defaultValue;
};

constexpr SwitchDef kSwitches[] = {
    {kPreampBypass, "Preamp Bypass", 1},
    {kPreampPad, "Preamp PAD", 0},
    {kPreampPhase, "Preamp Phase", 0},
    {kPreampHpfSwitch, "Preamp HPF Switch", 0},
    {kPreampMic, "Preamp MIC", 0},
    {kPreampLowBoost, "Preamp Low Boost", 0},
    {kPreampHighBoost, "Preamp High Boost", 0},
    {kPreampTransformer, "Preamp Transformer", 0},
    {kMainBypass, "Main Bypass", 1},
    {kDeEsserBypass, "De-Esser Bypass", 0},
    {kDeEsserBand, "De-Esser Band", 0},
    {kDeEsserSoft, "De-Esser Soft", 0},
    {kGateBypass, "Gate Bypass", 0},
    {kGateFastAttack, "Gate Fast Attack", 0},
    {kEqBypass, "EQ Bypass", 0},
    {kCompBypass, "Compressor Bypass", 0},
    {kCompFastAttack, "Compressor Fast Attack", 0},
    {kCompAutoRelease, "Compressor Auto Release", 0},
    {kCompExternalSidechain, "Compressor External Sidechain", 0},
    {kCompSidechainHpf, "Compressor External Sidechain", 0},
};

} // namespace

void DefineTorvikParameters(IEffectBase& plug) {
    for (const ContinuousDef& def : kContinuous) {
        plug.ParamAt(def.index)->DefineContinuous(def.name, def.defaultValue, def.min, def.max,
                                                  0.01, "%", "", 1.0);
    }
    for (const SwitchDef& def : kSwitches)
        plug.ParamAt(def.index)->DefineStepped(def.name, def.defaultValue, 0, 1, "", "");
}

} // namespace torvik
