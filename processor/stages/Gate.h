#pragma once
// Third stage: a hard-keyed gate on the larger channel magnitude, blended with
// its input.
#include "processor/dsp/SimpleDynamics.h"
#include "processor/stages/Stereo.h"

namespace torvik {

// The gate's switches as read for one block.
struct GateSwitches {
    bool engaged = false;    // "Gate Bypass": 1 puts the gate in the path
    bool fastAttack = false; // 0.1 ms attack instead of 1 ms
};

struct GateOutput {
    Stereo out;   // G, the pair handed to the equaliser
    Stereo gated; // the gated pair before the blend, for the gate meter
};

class Gate {
public:
    // Working values, from the parameter handling.
    double mix = 1.0;             // share of the gated signal, 0 to 1
    double releaseMs = 100.0;     // closing time constant, ms
    double thresholdParam = 60.0; // distance of the threshold below full scale, dB

    // Processing starts: the envelope closed, as at construction.
    void Activate() { gate.ResetEnvelope(); }
    // n frames of the de-esser output D in: the output G and the gated pair.
    void ProcessRun(const StereoRun& D, int n, const GateSwitches& sw, double fs, StereoRun& G,
                    StereoRun& gated);
    // One de-esser output pair D in.
    GateOutput Process(Stereo D, const GateSwitches& sw, double fs);

    const dsp::simple_dynamics::SimpleGate& State() const { return gate; }

private:
    double attackMs = 1.0;                 // opening time constant, ms (0.1 with Fast Attack)
    dsp::simple_dynamics::SimpleGate gate; // key, threshold and envelope
};

} // namespace torvik
