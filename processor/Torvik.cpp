#include "processor/Torvik.h"

#include "framework/PluginIdentity.h"
#include "graphics/EditorContext.h"
#include "processor/EditorLayout.h"
#include "processor/Parameters.h"

namespace torvik {

TORVIK::TORVIK() {
    DefineTorvikParameters(*this);
    // The editor: built once, attached for the instance's whole life. Attaching
    // pushes every parameter's value into its controls.
    IDrawContext* editor = CreateEditorContext(this, kEditorWidth, kEditorHeight, kEditorFps);
    const MeterControlIndices meters = BuildTorvikEditor(*this, *editor);
    SetMeterControls(meters.pre, meters.main, meters.deEss, meters.gate, meters.comp);
    AttachEditorGraphics(editor);
    // The default preset holds the values a fresh instance starts with.
    FillDefaultPresets("-");
}

TORVIK::~TORVIK() = default;

void TORVIK::SetMeterControls(int pre, int main, int deEss, int gate, int comp) {
    meterControls = MeterControlIndices{pre, main, deEss, gate, comp};
}

void TORVIK::HandleParamChange(int index) {
    IEffectVST3::HandleParamChange(index);
}

void TORVIK::ProcessBlock(double** inputs, double** outputs, int frames) {
    IEffectVST3::ProcessBlock(inputs, outputs, frames);
}

} // namespace torvik
