#pragma once
// A decoded film strip as controls see it.
#include "graphics/Bitmap.h"

namespace torvik {

struct BitmapRef {
    PIX_IBitmap* bitmap =
        nullptr;    // shared, owned by the module-wide bitmap cache; none if it failed to load
    int width = 0;  // full bitmap width, pixels
    int height = 0; // full bitmap height, pixels
    int frames = 1; // frame count
    bool framesHorizontal = false; // frames side by side instead of stacked
    int id = 0;                    // resource ID, for the same image at other scales
    const char* name = nullptr;    // resource file name, for its extension

    // Size of one frame.
    int FrameWidth() const { return framesHorizontal && frames > 0 ? width / frames : width; }
    int FrameHeight() const { return !framesHorizontal && frames > 0 ? height / frames : height; }
};

} // namespace torvik
