#include "graphics/FramePatch.h"

#include <cstring>

namespace torvik {

bool FramePatch::Make(PIX_IBitmap& base, PIX_IBitmap& frame, std::size_t maxChanged,
                      FramePatch& out) {
    out = FramePatch{};
    const int w = frame.Width();
    const int h = frame.Height();
    if (base.Width() != w || base.Height() != h || !base.PixelData() || !frame.PixelData())
        return false;
    for (int r = 0; r < h; ++r) {
        const std::uint32_t* a = BitmapRow(base, r);
        const std::uint32_t* b = BitmapRow(frame, r);
        int x = 0;
        while (x < w) {
            if (a[x] == b[x]) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < w && a[x] != b[x])
                ++x;
            out.runs.push_back(Run{static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(start),
                                   static_cast<std::uint32_t>(x - start)});
            out.pixels.insert(out.pixels.end(), b + start, b + x);
            if (out.pixels.size() > maxChanged) {
                out = FramePatch{};
                return false;
            }
        }
    }
    out.runs.shrink_to_fit();
    out.pixels.shrink_to_fit();
    return true;
}

void FramePatch::ApplyTo(PIX_IBitmap& target) const {
    const std::uint32_t* source = pixels.data();
    for (const Run& run : runs) {
        std::memcpy(BitmapRow(target, static_cast<int>(run.row)) + run.x, source,
                    run.length * sizeof(std::uint32_t));
        source += run.length;
    }
}

std::size_t FramePatch::Bytes() const {
    return runs.size() * sizeof(Run) + pixels.size() * sizeof(std::uint32_t);
}

} // namespace torvik
