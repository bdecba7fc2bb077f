#pragma once
// An editor graphics context that only records what the plug-in hands it.
#include "framework/EditorGraphics.h"

#include <vector>

namespace torvik::testing {

class RecordingGraphics final : public IEditorGraphics {
public:
    struct ControlValue {
        int control;
        double value;
    };

    explicit RecordingGraphics(int controls) : controlCount(controls) {}

    void ApplyParamToControls(int /*paramIndex*/, double /*normalised*/) override {}
    void SetParamValueFromPlug(int /*paramIndex*/, double /*value*/,
                               bool /*isNormalised*/) override {}
    void SetControlValueFromPlug(int controlIndex, double normalised) override {
        handed.push_back({controlIndex, normalised});
    }
    int ControlCount() const override { return controlCount; }
    void PrepareDrawing() override {}

    int controlCount;                 // size of the pretended control list
    std::vector<ControlValue> handed; // every control value handed in, in order
};

// Makes sure the plug-in has a graphics context, so its meters run: attaches
// a recorder when none is attached yet (the plug-in then owns it) and returns
// it, or returns null when the plug-in already has its own editor context.
// Stores the editor's meter indices 40 to 44 either way.
template <typename Plugin> RecordingGraphics* EnsureGraphics(Plugin& fx, int controls = 45) {
    RecordingGraphics* recorder = nullptr;
    if (!fx.Graphics()) {
        recorder = new RecordingGraphics(controls);
        fx.AttachEditorGraphics(recorder);
    }
    fx.SetMeterControls(40, 41, 42, 43, 44);
    return recorder;
}

} // namespace torvik::testing
