#pragma once
// Decoding PNG images into 32-bit bitmaps. Every failure, including damaged,
// truncated or oversized images, yields none; nothing is thrown.
#include "graphics/Bitmap.h"

#include <cstddef>

namespace torvik {

// Largest width and height the decoder accepts, and its pixel budget.
inline constexpr unsigned kMaxPngWidth = 16384;
inline constexpr unsigned kMaxPngHeight = 65536;

// Decodes a PNG held in memory (read in place). With a target, decodes into it
// (resized to the image) and returns it; otherwise returns a new PIX_MemBitmap
// owned by the caller.
PIX_IBitmap* DecodePngMemory(const unsigned char* bytes, std::size_t length,
                             PIX_IBitmap* target = nullptr);

// Decodes a PNG file.
PIX_IBitmap* DecodePngFile(const char* path, PIX_IBitmap* target = nullptr);

// As DecodePngFile; with checkName the path must end in ".png" (any case) with
// no folder separator after that dot.
PIX_IBitmap* LoadPngFileChecked(const char* path, bool checkName, PIX_IBitmap* target);

// Whether name's extension is "png" in any case. With no dot, everything after
// the first character counts as the extension.
bool HasPngExtension(const char* name);

} // namespace torvik
