#pragma once
// What the font cache needs of the platform's text renderer (FreeType on
// Linux, GDI on Windows), and the glyph blending both share.
#include "graphics/Bitmap.h"
#include "graphics/Geometry.h"
#include "graphics/TextStyle.h"

#include <cstdint>

namespace torvik {

// Creates the platform font for a style; none when it cannot. Called under
// the font cache's lock. The PIX_CachedFont it is given to owns it.
void* CreatePlatformFont(const TextStyle& style);

// Bytes of text: length, or up to the terminator when length < 0.
int TextLength(const char* text, int length);

// What DrawText does with a run of text width pixels wide.
enum class TextPlan {
    Measured, // kTextFlagCalcRect: rect now holds the run's extent; nothing drawn
    Failed,   // no bitmap to draw into
    Draw,     // draw from x (aligned by the flags) inside clip
};
TextPlan PlanText(PIX_IBitmap* bitmap, Rect& rect, int width, int lineHeight, unsigned flags,
                  int& x, Rect& clip);

// One glyph's coverage, 0..255 per pixel, rows pitch bytes apart.
struct GlyphCoverage {
    const unsigned char* levels;
    int pitch;
    int width;
    int height;
};

// Blends colour (0xAARRGGBB) through a glyph's coverage into bitmap with the
// glyph's top-left corner at (left, top), clipped to clip.
void BlendCoverage(PIX_IBitmap& bitmap, const GlyphCoverage& glyph, int left, int top,
                   std::uint32_t colour, const Rect& clip);

} // namespace torvik
