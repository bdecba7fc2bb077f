#pragma once
// Hands the five meter states to their editor controls, in meter order.
#include "processor/EditorLayout.h"
#include "processor/stages/Meters.h"

namespace torvik {

class IEditorGraphics;

// Sets one control's value; an index outside the context's list is skipped.
void HandOffMeter(IEditorGraphics& context, int control, double value);

// Sets each meter's control from its state. graphics() gives the attached
// editor context or null; it is asked before every meter, and the hand-off
// stops once it is null.
template <typename GraphicsSource>
void HandOffMeters(const Meters& meters, const MeterControlIndices& controls,
                   GraphicsSource graphics) {
    const int indices[5] = {controls.pre, controls.main, controls.deEss, controls.gate,
                            controls.comp};
    const double states[5] = {meters.meterPre, meters.meterMain, meters.meterDeEss,
                              meters.meterGate, meters.meterComp};
    for (int m = 0; m < 5; ++m) {
        IEditorGraphics* context = graphics();
        if (!context)
            return;
        HandOffMeter(*context, indices[m], states[m]);
    }
}

} // namespace torvik
