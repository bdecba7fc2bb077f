#pragma once
// A film-strip frame kept as the pixels where it differs from a base frame of
// the same strip. A meter's frames differ from each other only around the
// needle, so a moving meter is redrawn from a copy of the base and a small
// patch instead of inflating each frame again.
#include "graphics/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace torvik {

class FramePatch {
public:
    // The patch that turns base into frame (both of one size), or false when
    // more than maxChanged pixels differ (the frame is then better inflated)
    // or the sizes differ.
    static bool Make(PIX_IBitmap& base, PIX_IBitmap& frame, std::size_t maxChanged,
                     FramePatch& out);
    // Writes the changed pixels into target, which holds a copy of the base.
    void ApplyTo(PIX_IBitmap& target) const;
    // Bytes held.
    std::size_t Bytes() const;

private:
    struct Run {
        std::uint32_t row;    // frame row
        std::uint32_t x;      // first pixel of the run
        std::uint32_t length; // pixels
    };
    std::vector<Run> runs;             // within one row each, in order
    std::vector<std::uint32_t> pixels; // the runs' pixels, one after another
};

} // namespace torvik
