// Arbitrary bytes as a PNG image: a bitmap or none, never a crash or a huge
// allocation; the same for its frame index and every frame it lists.
#include "graphics/Bitmap.h"
#include "graphics/PngDecode.h"
#include "graphics/PngFrames.h"

#include <cstddef>
#include <cstdint>

namespace {

// Larger inputs only repeat image data: every header, chunk and filter path is
// reachable in a few kilobytes, and small inputs keep each run fast.
constexpr std::size_t kMaxPngBytes = 16 * 1024;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxPngBytes)
        return 0;
    torvik::PIX_IBitmap* bitmap = torvik::DecodePngMemory(data, size);
    delete bitmap;
    torvik::PngFrameIndex index;
    if (torvik::ReadPngFrameIndex(data, size, index)) {
        torvik::PIX_MemBitmap frame;
        for (int f = 0; f < index.frames; ++f)
            torvik::InflatePngFrame(index, f, frame);
    }
    return 0;
}
