#pragma once
// TORVIK's 40 parameters. The index is the parameter's identity everywhere:
// host parameter ID, position in the state chunk, editor binding and the key of
// the chain's parameter handling. Indices never change and are never reused.

#include "processor/TorvikFacts.h"

namespace torvik {

class IEffectBase;

enum ParamIndex : int {
    kPreampGain = 0,
    kPreampHpf = 1,
    kMainInput = 2,
    kMainOutput = 3,
    kDeEsserRelease = 4,
    kDeEsserThreshold = 5,
    kDeEsserMix = 6,
    kGateMix = 7,
    kGateRelease = 8,
    kGateThreshold = 9,
    kLowGain = 10,
    kLowMidFreq = 11,
    kLowMidGain = 12,
    kHighMidFreq = 13,
    kHighMidGain = 14,
    kHighGain = 15,
    kCompThreshold = 16,
    kCompRatio = 17,
    kCompMix = 18,
    kUnusedParam = 19, // never defined; still counted and stored
    kPreampBypass = 20,
    kPreampPad = 21,
    kPreampPhase = 22,
    kPreampHpfSwitch = 23,
    kPreampMic = 24,
    kPreampLowBoost = 25,
    kPreampHighBoost = 26,
    kPreampTransformer = 27,
    kMainBypass = 28,
    kDeEsserBypass = 29,
    kDeEsserBand = 30,
    kDeEsserSoft = 31,
    kGateBypass = 32,
    kGateFastAttack = 33,
    kEqBypass = 34,
    kCompBypass = 35,
    kCompFastAttack = 36,
    kCompAutoRelease = 37,
    kCompExternalSidechain = 38, // sidechain from the second input bus, makeup off
    kCompSidechainHpf = 39,      // sidechain high-passed at 80 Hz (same name as 38)
};
static_assert(kCompSidechainHpf + 1 == kParameterCount, "one index per parameter");

// Defines every parameter of the table on a fresh plug-in base.
void DefineTorvikParameters(IEffectBase& plug);

} // namespace torvik
