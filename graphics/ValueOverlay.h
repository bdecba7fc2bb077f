#pragma once
// Geometry and look of what the editor draws over its controls: the value
// readout beside a knob and the typed-value entry over it. Every size is in
// editor pixels at 100 %, here and nowhere else, so a scaled editor scales
// them in one place.
#include "graphics/Bitmap.h"
#include "graphics/Geometry.h"
#include "graphics/TextStyle.h"

namespace torvik {

struct ValueOverlay {
    static constexpr int kTextSize = 11;   // font pixel height of both
    static constexpr int kPadX = 4;        // text to frame, left and right
    static constexpr int kPadY = 2;        // text to frame, top and bottom
    static constexpr int kLineGap = 1;     // between the readout's two lines
    static constexpr int kGap = 3;         // between a knob and its readout
    static constexpr int kEntryWidth = 78; // the entry: wide enough for "not a value"
    static constexpr int kEntryHeight = 18;
    static constexpr Colour kBackground{255, 34, 36, 40}; // the panels' dark grey
    static constexpr Colour kFrame{255, 110, 114, 122};
    static constexpr Colour kText{255, 226, 228, 232};
    static constexpr Colour kEntryBackground{255, 250, 250, 250};
    static constexpr Colour kEntryText{255, 16, 16, 16};
    static constexpr Colour kEntrySelection{255, 70, 110, 190};
    static constexpr Colour kRefusedText{255, 190, 30, 30};
    // The editor's drawn menu: a row per item, a check box before the titles.
    static constexpr int kMenuItemHeight = 18;
    static constexpr int kMenuPadX = 8;
    static constexpr int kMenuCheckWidth = 14; // the check mark's column
    static constexpr int kMenuCheckSize = 6;   // the mark, a filled square
    static constexpr Colour kMenuGrayedText{255, 140, 144, 152};
};

// What an entry shows after text that is no value was committed with Enter.
inline constexpr const char* kEntryRefusedText = "not a value";

// The entry's place: centred over the control, kept inside the editor.
Rect EntryRectFor(const Rect& control, int editorWidth, int editorHeight);

// The readout's place for a knob: just below it, or just above where there is
// no room below, never over it, kept inside the editor. textWidth is the wider
// of its two lines, lineHeight the font's.
Rect ReadoutRectFor(const Rect& knob, int textWidth, int lineHeight, int editorWidth,
                    int editorHeight);

// The text style of both: font, size, colour and centred alignment.
TextStyle OverlayTextStyle(const Colour& colour);

// Fills r of the bitmap with one pixel value, clipped to the bitmap and to clip.
void FillOverlayRect(PIX_IBitmap* bitmap, const Rect& r, const Rect& clip, const Colour& colour);

// Moves r by the least that puts it inside width x height (its top-left corner
// wins when it is larger).
Rect KeptInside(const Rect& r, int width, int height);

} // namespace torvik
