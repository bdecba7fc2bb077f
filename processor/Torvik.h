#pragma once
// TORVIK: the vocal and channel-strip effect. Defines the parameters, runs the
// signal chain and builds the editor.
#include "vst3/EffectVST3.h"

namespace torvik {

class TORVIK : public IEffectVST3 {
public:
    TORVIK();
    ~TORVIK() override;

    void HandleParamChange(int index) override;
    void ProcessBlock(double** inputs, double** outputs, int frames) override;
};

} // namespace torvik
