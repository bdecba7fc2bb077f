#include "graphics/ValueOverlay.h"

#include <algorithm>

namespace torvik {

Rect KeptInside(const Rect& r, int width, int height) {
    const int dx = std::max(-r.left, std::min(0, width - r.right));
    const int dy = std::max(-r.top, std::min(0, height - r.bottom));
    return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

Rect EntryRectFor(const Rect& control, int editorWidth, int editorHeight) {
    const int cx = (control.left + control.right) / 2;
    const int cy = (control.top + control.bottom) / 2;
    const Rect r{cx - ValueOverlay::kEntryWidth / 2, cy - ValueOverlay::kEntryHeight / 2,
                 cx - ValueOverlay::kEntryWidth / 2 + ValueOverlay::kEntryWidth,
                 cy - ValueOverlay::kEntryHeight / 2 + ValueOverlay::kEntryHeight};
    return KeptInside(r, editorWidth, editorHeight);
}

Rect ReadoutRectFor(const Rect& knob, int textWidth, int lineHeight, int editorWidth,
                    int editorHeight) {
    const int w = textWidth + 2 * ValueOverlay::kPadX;
    const int h = 2 * lineHeight + ValueOverlay::kLineGap + 2 * ValueOverlay::kPadY;
    const int left = (knob.left + knob.right) / 2 - w / 2;
    int top = knob.bottom + ValueOverlay::kGap;
    if (top + h > editorHeight)
        top = knob.top - ValueOverlay::kGap - h;
    const Rect r = KeptInside(Rect{left, top, left + w, top + h}, editorWidth, editorHeight);
    return r;
}

TextStyle OverlayTextStyle(const Colour& colour) {
    TextStyle style;
    style.size = ValueOverlay::kTextSize;
    style.colour = colour;
    style.alignment = kAlignCentre;
    return style;
}

void FillOverlayRect(PIX_IBitmap* bitmap, const Rect& r, const Rect& clip, const Colour& colour) {
    if (!bitmap || !bitmap->PixelData())
        return;
    const Rect area =
        Intersection(Intersection(r, clip), Rect{0, 0, bitmap->Width(), bitmap->Height()});
    const std::uint32_t pixel = colour.ToPixel();
    for (int y = area.top; y < area.bottom; ++y) {
        std::uint32_t* row = BitmapRow(*bitmap, y);
        std::fill(row + area.left, row + area.right, pixel);
    }
}

} // namespace torvik
