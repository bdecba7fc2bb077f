#include "processor/Torvik.h"

#include "processor/Parameters.h"

namespace torvik {

TORVIK::TORVIK() {
    DefineTorvikParameters(*this);
    // The default preset holds the values a fresh instance starts with.
    FillDefaultPresets("-");
}

TORVIK::~TORVIK() = default;

void TORVIK::HandleParamChange(int index) {
    IEffectVST3::HandleParamChange(index);
}

void TORVIK::ProcessBlock(double** inputs, double** outputs, int frames) {
    IEffectVST3::ProcessBlock(inputs, outputs, frames);
}

} // namespace torvik
