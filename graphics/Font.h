#pragma once
// Text measuring and drawing with cached fonts. Fonts are looked up by size,
// orientation, style and name in a module-wide cache with its own lock and
// live until the module is released; a style only refers to its font.
#include "graphics/Bitmap.h"
#include "graphics/Geometry.h"
#include "graphics/TextStyle.h"

#include <cstdint>

namespace torvik {

// Flags of DrawText.
enum TextFlags : unsigned {
    kTextFlagNone = 0,
    kTextFlagCentre = 1u << 0,   // centre each line in the rectangle
    kTextFlagRight = 1u << 1,    // align to the right edge
    kTextFlagNoClip = 1u << 2,   // draw outside the rectangle too
    kTextFlagUseAlpha = 1u << 3, // the text colour's alpha counts
    kTextFlagCalcRect = 1u << 4, // only compute the rectangle, draw nothing
};

class PIX_IFont {
public:
    // Virtual operations, in slot order.
    virtual ~PIX_IFont() = default;
    // Takes a platform font; owned when flags has kFontOwned.
    virtual void SetPlatformFont(void* font, unsigned flags) = 0;
    virtual void SetTextColour(std::uint32_t pixel) = 0;
    // -1 = none.
    virtual void SetBackgroundColour(std::int64_t pixel) = 0;
    virtual void SetEffectColour(std::int64_t pixel) = 0;
    virtual void SetBackgroundMode(int mode) = 0;
    virtual void SetCombineMode(int mode, float alpha) = 0;
    // Draws text (length bytes, or up to the terminator when length < 0) into
    // rect of bitmap. With kTextFlagCalcRect draws nothing and sets rect to the
    // text's extent from rect's top-left corner. Returns false on failure.
    virtual bool DrawText(PIX_IBitmap* bitmap, const char* text, int length, Rect& rect,
                          unsigned flags) = 0;
    virtual std::uint32_t TextColour() const = 0;
    virtual void* PlatformFont() const = 0;
    virtual int LineHeight() const = 0;
    // Draws one glyph with its origin (left end of the baseline) at (x, y), clipped to clip.
    virtual void DrawGlyph(PIX_IBitmap* bitmap, std::uint32_t code, int x, int y,
                           const Rect& clip) = 0;
};

inline constexpr unsigned kFontOwned = 1u;
inline constexpr unsigned kFontNative = 2u;

// A font of the platform's text renderer: a FreeType face opened from a font
// file, or a GDI font on Windows.
class PIX_CachedFont : public PIX_IFont {
public:
    PIX_CachedFont();
    PIX_CachedFont(const PIX_CachedFont&) = delete;
    PIX_CachedFont& operator=(const PIX_CachedFont&) = delete;
    ~PIX_CachedFont() override;

    void SetPlatformFont(void* font, unsigned flags) override;
    void SetTextColour(std::uint32_t pixel) override { textColour = pixel; }
    void SetBackgroundColour(std::int64_t pixel) override { backgroundColour = pixel; }
    void SetEffectColour(std::int64_t pixel) override { effectColour = pixel; }
    void SetBackgroundMode(int mode) override { backgroundMode = mode; }
    void SetCombineMode(int mode, float alpha) override {
        combineMode = mode;
        combineAlpha = alpha;
    }
    bool DrawText(PIX_IBitmap* bitmap, const char* text, int length, Rect& rect,
                  unsigned flags) override;
    std::uint32_t TextColour() const override { return textColour; }
    void* PlatformFont() const override { return face; }
    int LineHeight() const override { return lineHeight; }
    void DrawGlyph(PIX_IBitmap* bitmap, std::uint32_t code, int x, int y,
                   const Rect& clip) override;

    // Width in pixels of a run of text.
    int MeasureWidth(const char* text, int length);

private:
    // Horizontal advance of one character, pixels.
    int Advance(std::uint32_t code);

    std::uint32_t textColour = 0;       // 0xAARRGGBB
    std::int64_t backgroundColour = -1; // -1 = none
    std::int64_t effectColour = -1;     // -1 = none
    int backgroundMode = 1;
    int combineMode = 0;
    float combineAlpha = 1.0f;
    unsigned fontFlags = 0; // kFontOwned, kFontNative
    int lineHeight = 0;     // pixels, from the face's metrics
    int ascender = 0;       // pixels above the baseline
    int advances[128] = {}; // cached advances of the first 128 codes; 0 = not yet known
    void* face = nullptr;   // the platform font: FreeType face or GDI font
};

// The font for a style, from the cache or newly created; stored in the style.
// None when no font file can be opened for it.
PIX_CachedFont* CacheFont(TextStyle& style);

// The rectangle text occupies when drawn with style in rect (see MeasureText
// of the graphics context). Empty text leaves rect unchanged and succeeds.
bool MeasureTextRect(TextStyle& style, const char* text, Rect& rect);

// Draws text with style into bitmap inside rect, aligned as the style says.
bool DrawTextInto(PIX_IBitmap* bitmap, TextStyle& style, const char* text, const Rect& rect);

// Deletes every cached font: the module's release, or a test's clean start.
void ClearFontCache();
int CachedFontCount();

#ifndef _WIN32
// Font file used for a style's font name and style. Names that are paths to
// font files are used as they are; every other name maps onto DejaVu Sans.
const char* FontFileFor(const char* name, int style);
#endif

} // namespace torvik
