#pragma once
// Writing a bitmap as an 8-bit RGBA PNG file.
#include "graphics/Bitmap.h"

namespace torvik {

// Writes every pixel of bitmap (straight alpha kept) to path; false when the
// bitmap is empty or the file cannot be written.
bool EncodePngFile(const char* path, PIX_IBitmap& bitmap);

} // namespace torvik
