#include "graphics/Font.h"
#include "framework/RecursiveLock.h"

#include "graphics/FontBackend.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace torvik {

namespace {

struct FontEntry {
    int size;
    int orientation;
    int style;
    std::string name;
    PIX_CachedFont* font; // owned
};

struct FontCache {
    RecursiveLock lock; // module-wide
    std::vector<FontEntry> entries;

    void Clear() {
        for (FontEntry& entry : entries)
            delete entry.font;
        entries.clear();
    }
    ~FontCache() { Clear(); }
};

FontCache& Cache() {
    static FontCache cache; // emptied when the module is unloaded
    return cache;
}

} // namespace

int TextLength(const char* text, int length) {
    return length >= 0 ? length : static_cast<int>(std::strlen(text));
}

TextPlan PlanText(PIX_IBitmap* bitmap, Rect& rect, int width, int lineHeight, unsigned flags,
                  int& x, Rect& clip) {
    if (flags & kTextFlagCalcRect) {
        rect.right = rect.left + width;
        rect.bottom = rect.top + lineHeight;
        return TextPlan::Measured;
    }
    if (!bitmap || !bitmap->PixelData())
        return TextPlan::Failed;
    x = rect.left;
    if (flags & kTextFlagCentre)
        x = rect.left + (rect.right - rect.left - width) / 2;
    else if (flags & kTextFlagRight)
        x = rect.right - width;
    clip = (flags & kTextFlagNoClip) ? Rect{0, 0, bitmap->Width(), bitmap->Height()} : rect;
    return TextPlan::Draw;
}

void BlendCoverage(PIX_IBitmap& bitmap, const GlyphCoverage& glyph, int left, int top,
                   std::uint32_t colour, const Rect& clip) {
    const int colourAlpha = static_cast<int>(colour >> 24);
    const int limitRight = std::min(clip.right, bitmap.Width());
    const int limitBottom = std::min(clip.bottom, bitmap.Height());
    for (int gy = 0; gy < glyph.height; ++gy) {
        const int py = top + gy;
        if (py < std::max(clip.top, 0) || py >= limitBottom)
            continue;
        std::uint32_t* row = BitmapRow(bitmap, py);
        const unsigned char* coverage =
            glyph.levels + static_cast<std::ptrdiff_t>(gy) * glyph.pitch;
        for (int gx = 0; gx < glyph.width; ++gx) {
            const int px = left + gx;
            if (px < std::max(clip.left, 0) || px >= limitRight)
                continue;
            const int a = coverage[gx] * colourAlpha / 255;
            if (a == 0)
                continue;
            const std::uint32_t d = row[px];
            std::uint32_t out = 0;
            for (int b = 0; b < 3; ++b) {
                const int s = static_cast<int>((colour >> (8 * b)) & 0xFF);
                const int dv = static_cast<int>((d >> (8 * b)) & 0xFF);
                out |= static_cast<std::uint32_t>((s * a + dv * (255 - a)) / 255) << (8 * b);
            }
            const int da = std::min(255, static_cast<int>(d >> 24) + a);
            row[px] = out | (static_cast<std::uint32_t>(da) << 24);
        }
    }
}

int PIX_CachedFont::MeasureWidth(const char* text, int length) {
    if (!text)
        return 0;
    const int n = TextLength(text, length);
    int width = 0;
    for (int i = 0; i < n; ++i)
        width += Advance(static_cast<unsigned char>(text[i]));
    return width;
}

PIX_CachedFont* CacheFont(TextStyle& style) {
    FontCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    for (FontEntry& entry : cache.entries) {
        if (entry.size == style.size && entry.orientation == style.orientation &&
            entry.style == style.style && entry.name == style.font && entry.font) {
            style.cachedFont = entry.font;
            return entry.font;
        }
    }
    void* face = CreatePlatformFont(style);
    if (!face)
        return nullptr;
    auto* font = new PIX_CachedFont();
    font->SetPlatformFont(face, kFontOwned | kFontNative);
    cache.entries.push_back({style.size, style.orientation, style.style, style.font, font});
    style.cachedFont = font;
    return font;
}

bool MeasureTextRect(TextStyle& style, const char* text, Rect& rect) {
    if (!text || !*text)
        return true;
    PIX_CachedFont* font = CacheFont(style);
    if (!font)
        return false;
    font->SetTextColour(style.colour.ToPixel());
    unsigned flags = kTextFlagNoClip | kTextFlagCalcRect;
    if (style.alignment == kAlignCentre)
        flags |= kTextFlagCentre;
    else if (style.alignment == kAlignFar)
        flags |= kTextFlagRight;
    if (style.colour.a != 255)
        flags |= kTextFlagUseAlpha;
    Rect extent{0, 0, 0, 0};
    font->DrawText(nullptr, text, -1, extent, flags);
    const int w = extent.right - extent.left;
    const int h = extent.bottom - extent.top;
    rect.bottom = rect.top + h;
    if (style.alignment == kAlignCentre) {
        const int centre = static_cast<int>(static_cast<float>(rect.left + rect.right) * 0.5f);
        rect.left = centre - w / 2;
        rect.right = rect.left + w;
    } else if (style.alignment == kAlignFar) {
        rect.left = rect.right - w;
        rect.right = rect.left + w;
    } else {
        rect.right = rect.left + w;
    }
    return true;
}

bool DrawTextInto(PIX_IBitmap* bitmap, TextStyle& style, const char* text, const Rect& rect) {
    if (!text || !*text)
        return true;
    PIX_CachedFont* font = CacheFont(style);
    if (!font)
        return false;
    font->SetTextColour(style.colour.ToPixel());
    unsigned flags = kTextFlagUseAlpha;
    if (style.alignment == kAlignCentre)
        flags |= kTextFlagCentre;
    else if (style.alignment == kAlignFar)
        flags |= kTextFlagRight;
    Rect area = rect;
    return font->DrawText(bitmap, text, -1, area, flags);
}

void ClearFontCache() {
    FontCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    cache.Clear();
}

int CachedFontCount() {
    FontCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    return static_cast<int>(cache.entries.size());
}

} // namespace torvik
