#pragma once
// A control that shows one frame of a film strip, chosen by its value: the
// background and the meters.
#include "graphics/BitmapRef.h"
#include "graphics/Control.h"

namespace torvik {

class IBitmapControl : public IControl {
public:
    // At (x, y), sized to one frame, drawn with {method, 1.0}.
    IBitmapControl(IEditorHost* plug, int x, int y, int paramIndex, const BitmapRef& bitmap,
                   BlendMethod method = BlendNone);
    // Unbound, drawn through the source alpha: the meters.
    IBitmapControl(IEditorHost* plug, int x, int y, const BitmapRef& bitmap);

    bool Render(IDrawContext& graphics) override;

    const BitmapRef& Bitmap() const { return bitmap; }
    // The 1-based frame the current value shows.
    int CurrentFrame() const;

protected:
    BitmapRef bitmap; // the strip; the bitmap itself belongs to the cache
};

// Draws frame FrameForValue(frames, value) of a strip into rect.
bool RenderStripFrame(IDrawContext& graphics, const BitmapRef& bitmap, const Rect& rect,
                      double value, const Blend& blend);

// Rectangle of one frame of bitmap placed at (x, y).
Rect FrameRectAt(int x, int y, const BitmapRef& bitmap);

} // namespace torvik
