#pragma once
// Inflating one frame of a film strip on its own. The editor's images carry a
// private ancillary chunk "frIX" (written by tools/artwork/frame_png.py): frame
// count, rows per frame and where each frame's deflate data starts inside the
// one IDAT chunk. Each frame's first row is filtered without the row above and
// the compressor was flushed at every frame boundary, so a frame inflates from
// its offset alone. Decoders that do not know the chunk read the image whole.
// A second private chunk "frDF" (the frame count) says that every frame after
// the first is stored as its byte-wise difference from the first: such a
// frame is the sum of the two, and a whole decode adds the first frame back.
#include "graphics/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace torvik {

struct PngFrameIndex {
    int width = 0;                       // pixels
    int frames = 0;                      // frames stacked top to bottom
    int rowsPerFrame = 0;                // pixels
    const unsigned char* data = nullptr; // the IDAT chunk's data, owned by the caller
    std::size_t dataLength = 0;          // bytes
    std::vector<std::uint32_t> offsets;  // each frame's start in data, increasing
    bool framesAreDeltas = false;        // frames after the first are differences from it
};

// Reads the frame index of an 8-bit RGBA, non-interlaced PNG whose pixel data
// is one IDAT chunk. False (and the image is to be decoded whole) when there
// is no index or it does not fit the image: another pixel format, more than
// the decoder's pixel budget, a frame
// count or row count that does not give the height, offsets out of order or
// past the data, a damaged index chunk.
bool ReadPngFrameIndex(const unsigned char* bytes, std::size_t length, PngFrameIndex& index);

// Inflates frame f into target (resized to width x rowsPerFrame), the frame's
// own pixels. Where frames are differences, first is frame 0 as inflated
// (inflated here when none is given). False when f is out of range or the
// frame's data is damaged; target's pixels are then undefined.
bool InflatePngFrame(const PngFrameIndex& index, int f, PIX_IBitmap& target,
                     PIX_IBitmap* first = nullptr);

// The frame count of a PNG's "frDF" chunk: 0 when there is none, -1 when it
// is damaged.
int PngDeltaFrameCount(const unsigned char* bytes, std::size_t length);
// Adds the first of frames stacked top to bottom to every later one, byte by
// byte: a whole decode of a strip whose frames are differences becomes its
// pixels. False (nothing changed) when the height does not split into frames.
bool UndoFrameDeltas(PIX_IBitmap& strip, int frames);

} // namespace torvik
