#include "graphics/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace torvik {

namespace {

constexpr const char* kSansRegular = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr const char* kSansOblique = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf";

struct FontEntry {
    int size;
    int orientation;
    int style;
    std::string name;
    PIX_CachedFont* font; // owned
};

struct FontCache {
    std::mutex lock;
    FT_Library library = nullptr; // created on first use
    std::vector<FontEntry> entries;

    void Clear() {
        for (FontEntry& entry : entries)
            delete entry.font;
        entries.clear();
    }
    ~FontCache() {
        Clear();
        if (library)
            FT_Done_FreeType(library);
    }
};

FontCache& Cache() {
    static FontCache cache; // emptied when the module is unloaded
    return cache;
}

bool IsFile(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
}

int Length(const char* text, int length) {
    return length >= 0 ? length : static_cast<int>(std::strlen(text));
}

// Creates the face for a style; none when the file or size cannot be used.
FT_Face OpenFace(FT_Library library, const TextStyle& style) {
    if (style.size <= 0 || style.size > 1024)
        return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, FontFileFor(style.font, style.style), 0, &face) != 0)
        return nullptr;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(style.size)) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    if (style.orientation % 360 != 0) {
        const double radians = style.orientation * 3.14159265358979323846 / 180.0;
        FT_Matrix matrix;
        matrix.xx = static_cast<FT_Fixed>(std::cos(radians) * 0x10000);
        matrix.xy = static_cast<FT_Fixed>(-std::sin(radians) * 0x10000);
        matrix.yx = static_cast<FT_Fixed>(std::sin(radians) * 0x10000);
        matrix.yy = static_cast<FT_Fixed>(std::cos(radians) * 0x10000);
        FT_Set_Transform(face, &matrix, nullptr);
    }
    return face;
}

} // namespace

const char* FontFileFor(const char* name, int style) {
    if (name && name[0] == '/' && IsFile(name))
        return name;
    if (style == kTextBold)
        return kSansBold;
    if (style == kTextItalic)
        return kSansOblique;
    return kSansRegular;
}

PIX_CachedFont::PIX_CachedFont() = default;

PIX_CachedFont::~PIX_CachedFont() {
    if (face && (fontFlags & kFontOwned))
        FT_Done_Face(static_cast<FT_Face>(face));
}

void PIX_CachedFont::SetPlatformFont(void* font, unsigned flags) {
    if (face && (fontFlags & kFontOwned) && face != font)
        FT_Done_Face(static_cast<FT_Face>(face));
    face = font;
    fontFlags = flags;
    std::fill(std::begin(advances), std::end(advances), 0);
    lineHeight = 0;
    ascender = 0;
    if (auto* f = static_cast<FT_Face>(face)) {
        lineHeight = static_cast<int>((f->size->metrics.height + 63) >> 6);
        ascender = static_cast<int>((f->size->metrics.ascender + 63) >> 6);
    }
}

int PIX_CachedFont::Advance(std::uint32_t code) {
    if (code < 128 && advances[code] > 0)
        return advances[code] - 1;
    auto* f = static_cast<FT_Face>(face);
    int advance = 0;
    if (f && FT_Load_Char(f, code, FT_LOAD_DEFAULT) == 0)
        advance = static_cast<int>((f->glyph->metrics.horiAdvance + 32) >> 6);
    if (code < 128)
        advances[code] = advance + 1;
    return advance;
}

int PIX_CachedFont::MeasureWidth(const char* text, int length) {
    if (!text)
        return 0;
    const int n = Length(text, length);
    int width = 0;
    for (int i = 0; i < n; ++i)
        width += Advance(static_cast<unsigned char>(text[i]));
    return width;
}

bool PIX_CachedFont::DrawText(PIX_IBitmap* bitmap, const char* text, int length, Rect& rect,
                              unsigned flags) {
    if (!face || !text)
        return false;
    const int n = Length(text, length);
    const int w = MeasureWidth(text, n);
    if (flags & kTextFlagCalcRect) {
        rect.right = rect.left + w;
        rect.bottom = rect.top + lineHeight;
        return true;
    }
    if (!bitmap || !bitmap->PixelData())
        return false;
    int x = rect.left;
    if (flags & kTextFlagCentre)
        x = rect.left + (rect.right - rect.left - w) / 2;
    else if (flags & kTextFlagRight)
        x = rect.right - w;
    const Rect clip =
        (flags & kTextFlagNoClip) ? Rect{0, 0, bitmap->Width(), bitmap->Height()} : rect;
    // Pen position in 26.6 units, so rotated text advances along its own line.
    FT_Vector pen{static_cast<FT_Pos>(x) * 64, static_cast<FT_Pos>(rect.top + ascender) * 64};
    auto* f = static_cast<FT_Face>(face);
    for (int i = 0; i < n; ++i) {
        const auto code = static_cast<unsigned char>(text[i]);
        DrawGlyph(bitmap, code, static_cast<int>(pen.x >> 6), static_cast<int>(pen.y >> 6), clip);
        pen.x += f->glyph->advance.x;
        pen.y -= f->glyph->advance.y; // glyph space has y upward
    }
    return true;
}

void PIX_CachedFont::DrawGlyph(PIX_IBitmap* bitmap, std::uint32_t code, int x, int y,
                               const Rect& clip) {
    auto* f = static_cast<FT_Face>(face);
    if (!f || !bitmap || !bitmap->PixelData())
        return;
    if (FT_Load_Char(f, code, FT_LOAD_RENDER) != 0)
        return;
    const FT_Bitmap& glyph = f->glyph->bitmap;
    if (glyph.pixel_mode != FT_PIXEL_MODE_GRAY)
        return;
    const int left = x + f->glyph->bitmap_left;
    const int top = y - f->glyph->bitmap_top;
    const int colourAlpha = static_cast<int>(textColour >> 24);
    const int limitRight = std::min(clip.right, bitmap->Width());
    const int limitBottom = std::min(clip.bottom, bitmap->Height());
    for (int gy = 0; gy < static_cast<int>(glyph.rows); ++gy) {
        const int py = top + gy;
        if (py < std::max(clip.top, 0) || py >= limitBottom)
            continue;
        std::uint32_t* row = BitmapRow(*bitmap, py);
        const unsigned char* coverage =
            glyph.buffer + static_cast<std::ptrdiff_t>(gy) * glyph.pitch;
        for (int gx = 0; gx < static_cast<int>(glyph.width); ++gx) {
            const int px = left + gx;
            if (px < std::max(clip.left, 0) || px >= limitRight)
                continue;
            const int a = coverage[gx] * colourAlpha / 255;
            if (a == 0)
                continue;
            const std::uint32_t d = row[px];
            std::uint32_t out = 0;
            for (int b = 0; b < 3; ++b) {
                const int s = static_cast<int>((textColour >> (8 * b)) & 0xFF);
                const int dv = static_cast<int>((d >> (8 * b)) & 0xFF);
                out |= static_cast<std::uint32_t>((s * a + dv * (255 - a)) / 255) << (8 * b);
            }
            const int da = std::min(255, static_cast<int>(d >> 24) + a);
            row[px] = out | (static_cast<std::uint32_t>(da) << 24);
        }
    }
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
    if (!cache.library && FT_Init_FreeType(&cache.library) != 0) {
        cache.library = nullptr;
        return nullptr;
    }
    FT_Face face = OpenFace(cache.library, style);
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
