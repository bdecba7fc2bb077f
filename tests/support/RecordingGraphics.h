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

} // namespace torvik::testing
