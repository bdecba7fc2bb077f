#include "processor/MeterHandOff.h"

#include "framework/EditorGraphics.h"

namespace torvik {

void HandOffMeter(IEditorGraphics& context, int control, double value) {
    if (control < 0 || control >= context.ControlCount())
        return;
    context.SetControlValueFromPlug(control, value);
}

} // namespace torvik
