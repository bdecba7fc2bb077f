#pragma once
// Knobs: turned by vertical (or horizontal) drags and by the wheel.
#include "graphics/BitmapRef.h"
#include "graphics/Control.h"

namespace torvik {

enum KnobDirection : int { kKnobVertical = 0, kKnobHorizontal = 1 };

// What every knob shares; never created on its own.
class IKnobControl : public IControl {
public:
    IKnobControl(IEditorHost* plug, const Rect& rect, int paramIndex, int direction,
                 double gearing);

    int Direction() const { return direction; }
    double Gearing() const { return gearing; }

protected:
    int direction;  // kKnobVertical or kKnobHorizontal
    double gearing; // control lengths of mouse travel for a full sweep
};

// A knob drawn as one frame of a film strip per value.
class IKnobStripControl : public IKnobControl {
public:
    IKnobStripControl(IEditorHost* plug, int x, int y, int paramIndex, const BitmapRef& bitmap,
                      int direction = kKnobVertical, double gearing = 4.0);

    // Moving up (or right) raises the value; ctrl or shift makes it ten times finer.
    void OnDrag(int x, int y, int dX, int dY, const MouseMods& mods) override;
    // 0.01 per notch, 0.001 with ctrl or shift.
    void OnWheel(int x, int y, const MouseMods& mods, int notches) override;
    bool Render(IDrawContext& graphics) override;

    const BitmapRef& Bitmap() const { return bitmap; }
    int CurrentFrame() const;

private:
    BitmapRef bitmap; // the strip; the bitmap itself belongs to the cache
};

} // namespace torvik
