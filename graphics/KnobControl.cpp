#include "graphics/KnobControl.h"

#include "graphics/BitmapControl.h"

namespace torvik {

IKnobControl::IKnobControl(IEditorHost* plugIn, const Rect& area, int param, int dir, double gear)
    : IControl(plugIn, area, param, Blend{BlendNone, 1.0f}), direction(dir), gearing(gear) {}

IKnobStripControl::IKnobStripControl(IEditorHost* plugIn, int x, int y, int param,
                                     const BitmapRef& strip, int dir, double gear)
    : IKnobControl(plugIn, FrameRectAt(x, y, strip), param, dir, gear), bitmap(strip) {}

void IKnobStripControl::OnDrag(int /*x*/, int /*y*/, int dX, int dY, const MouseMods& mods) {
    double g = gearing;
    if (mods.ctrl || mods.shift)
        g = g * 10.0;
    const int extent = direction == kKnobVertical ? rect.bottom - rect.top : rect.right - rect.left;
    if (extent == 0)
        return; // a knob without size has no travel to scale by
    double v = Value();
    if (direction == kKnobVertical)
        v = v + static_cast<double>(dY) / static_cast<double>(rect.top - rect.bottom) / g;
    else
        v = v + static_cast<double>(dX) / static_cast<double>(rect.right - rect.left) / g;
    SetValue(v);
    MarkDirty(true);
}

void IKnobStripControl::OnWheel(int /*x*/, int /*y*/, const MouseMods& mods, int notches) {
    const double step = (mods.ctrl || mods.shift) ? 0.001 : 0.01;
    SetValue(Value() + notches * step);
    MarkDirty(true);
}

bool IKnobStripControl::Render(IDrawContext& graphics) {
    return RenderStripFrame(graphics, bitmap, rect, Value(), blend);
}

int IKnobStripControl::CurrentFrame() const {
    return FrameForValue(bitmap.frames, Value());
}

} // namespace torvik
