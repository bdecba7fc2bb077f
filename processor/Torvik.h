#pragma once
// TORVIK: the vocal and channel-strip effect. Defines the parameters, runs the
// signal chain and builds the editor.
#include "processor/EditorLayout.h"
#include "vst3/EffectVST3.h"

namespace torvik {

class TORVIK : public IEffectVST3 {
public:
    TORVIK();
    ~TORVIK() override;

    void HandleParamChange(int index) override;
    void ProcessBlock(double** inputs, double** outputs, int frames) override;

    // The editor's control indices of the five meters, in meter order.
    void SetMeterControls(int pre, int main, int deEss, int gate, int comp);
    const MeterControlIndices& MeterControls() const { return meterControls; }

private:
    MeterControlIndices meterControls; // where the meters hand their values
};

} // namespace torvik
