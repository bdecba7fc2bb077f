#pragma once
// Copying a rectangle of one bitmap into another with a weight and a mode.
#include "graphics/Bitmap.h"
#include "graphics/Geometry.h"

namespace torvik {

// Blit modes. The low byte is the operation; kBlitUseAlpha makes the source
// alpha count. A low byte of 0xF0 or more is a channel copy instead: destination
// byte ((mode >> 2) & 3) takes source byte (mode & 3), bytes numbered 0 blue,
// 1 green, 2 red, 3 alpha.
inline constexpr int kBlitCopy = 0;
inline constexpr int kBlitAdd = 1;
inline constexpr int kBlitDodge = 2;
inline constexpr int kBlitUseAlpha = 0x10000;
inline constexpr int kBlitChannelCopy = 0xF0;

// Copies srcRect of src (the whole of src when srcRect is none) to (dstX, dstY)
// of dest, clipped on both sides. All arithmetic is integer with w =
// trunc(weight * 256); results are kept within 0..255 per byte.
void BlitPixels(PIX_IBitmap* dest, PIX_IBitmap* src, int dstX, int dstY, const Rect* srcRect,
                float weight, int mode);

} // namespace torvik
