#pragma once
// TORVIK: the vocal and channel-strip effect. Defines the parameters, runs the
// signal chain and builds the editor.
#include "processor/EditorLayout.h"
#include "processor/stages/Compressor.h"
#include "processor/stages/DeEsser.h"
#include "processor/stages/Equaliser.h"
#include "processor/stages/Gate.h"
#include "processor/stages/Meters.h"
#include "processor/stages/OutputStage.h"
#include "processor/stages/Preamp.h"
// The binding of the plug-in format this module is built for: its header
// defines PluginBinding (see torvik_processor_on).
#include TORVIK_BINDING_HEADER

namespace torvik {

class TORVIK : public PluginBinding {
public:
    TORVIK();
    ~TORVIK() override;

    // Turns the real value of one of the parameters 0 to 18 into the chain's
    // working value; other indices change nothing. Takes the instance lock.
    void HandleParamChange(int index) override;
    // inputs: main left, main right, sidechain left, sidechain right; outputs:
    // left, right; each frames long. Called with the instance lock held.
    void ProcessBlock(double** inputs, double** outputs, int frames) override;
    // Processing starts (active true): every smoother and gliding value stands
    // at its target, every filter memory is clear and the envelopes are as at
    // construction, so a render is the same from its first sample whatever ran
    // before. The meters keep their state. Takes the instance lock.
    void OnActivate(bool active) override;

    // The five meters in meter order (preamp, main, de-esser, gate,
    // compressor), each clamped to 0..1.
    int MeterCount() const override { return 5; }
    double MeterLevel(int meter) const override;

    // The editor's control indices of the five meters, in meter order.
    void SetMeterControls(int pre, int main, int deEss, int gate, int comp);
    const Meters& MeterStates() const { return meters; }
    MeterControlIndices MeterControls() const { return meterControls; }

    // Read-only views of the stages, for inspection.
    const Preamp& PreampStage() const { return preamp; }
    const DeEsser& DeEsserStage() const { return deEsser; }
    const Gate& GateStage() const { return gate; }
    const Equaliser& EqualiserStage() const { return equaliser; }
    const Compressor& CompressorStage() const { return compressor; }
    const OutputStage& Output() const { return outputStage; }

private:
    bool SwitchOn(int index) const;

    // The chain, in signal order.
    Preamp preamp;                     // drive, colour, high-pass, boosts, polarity
    DeEsser deEsser;                   // sibilance shelf
    Gate gate;                         // hard-keyed gate
    Equaliser equaliser;               // colour and four bands
    Compressor compressor;             // soft-knee compressor with makeup
    OutputStage outputStage;           // main output gain
    Meters meters;                     // the five meters' states
    MeterControlIndices meterControls; // their editor controls, -1 for none

    // The signals between the stages for one run of frames.
    struct Workspace {
        StereoRun x;                   // main input, made safe
        StereoRun sidechain;           // external sidechain input, made safe
        StereoRun preampOut;           // P
        StereoRun preampMeter;         // the preamp meter's source pair
        StereoRun deEssed;             // D
        double deEssGains[kRunFrames]; // de-esser reduction factor per frame
        StereoRun gateOut;             // G
        StereoRun gated;               // the gated pair before the gate's mix
        StereoRun equalised;           // E
        StereoRun compressed;          // C
        double compGains[kRunFrames];  // compressor reduction factor per frame
    };
    Workspace work;
};

} // namespace torvik
