#include "graphics/SwitchControl.h"

namespace torvik {

ISwitchControl::ISwitchControl(IEditorHost* plugIn, int x, int y, int param, const BitmapRef& strip,
                               BlendMethod method)
    : IBitmapControl(plugIn, x, y, param, strip, method) {}

void ISwitchControl::OnPress(int /*x*/, int /*y*/, const MouseMods& /*mods*/) {
    const int n = bitmap.frames;
    const double step = n > 1 ? 1.0 / (n - 1) : 1.0;
    double v = Value() + step;
    if (v > 1.001)
        v = 0.0;
    SetValue(v);
    MarkDirty(true);
}

void ISwitchControl::OnDoubleClick(int x, int y, const MouseMods& mods) {
    OnPress(x, y, mods);
}

} // namespace torvik
