#include "graphics/BitmapControl.h"

#include "graphics/DrawContext.h"

#include <cmath>

namespace torvik {

Rect FrameRectAt(int x, int y, const BitmapRef& bitmap) {
    return Rect{x, y, x + bitmap.FrameWidth(), y + bitmap.FrameHeight()};
}

bool RenderStripFrame(IDrawContext& graphics, const BitmapRef& bitmap, const Rect& rect,
                      double value, const Blend& blend) {
    const int n = bitmap.frames;
    const int i = FrameForValue(n, value);
    int srcX = 0;
    int srcY = 0;
    if (n > 1 && i > 1) {
        if (bitmap.framesHorizontal)
            srcX =
                static_cast<int>(std::trunc(static_cast<double>(bitmap.width) * (i - 1) / n + 0.5));
        else
            srcY = static_cast<int>(
                std::trunc(static_cast<double>(bitmap.height) * (i - 1) / n + 0.5));
    }
    return graphics.BlitBitmap(bitmap, rect, srcX, srcY, &blend);
}

IBitmapControl::IBitmapControl(IEditorHost* plugIn, int x, int y, int param, const BitmapRef& strip,
                               BlendMethod method)
    : IControl(plugIn, FrameRectAt(x, y, strip), param, Blend{method, 1.0f}), bitmap(strip) {}

IBitmapControl::IBitmapControl(IEditorHost* plugIn, int x, int y, const BitmapRef& strip)
    : IBitmapControl(plugIn, x, y, -1, strip, BlendNone) {}

bool IBitmapControl::Render(IDrawContext& graphics) {
    return RenderStripFrame(graphics, bitmap, rect, Value(), blend);
}

int IBitmapControl::CurrentFrame() const {
    return FrameForValue(bitmap.frames, Value());
}

} // namespace torvik
