// The FreeType side of the fonts: faces opened from font files and glyphs
// rendered by FreeType (Linux).
#include "graphics/Font.h"
#include "graphics/FontBackend.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <sys/stat.h>

namespace torvik {

namespace {

constexpr const char* kSansRegular = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* kSansBold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr const char* kSansOblique = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Oblique.ttf";

// The FreeType library: created with the first face, released with the last
// one, so it never outlives or precedes the faces the font cache owns. Faces
// are opened under the cache's lock and closed when the cache deletes them.
FT_Library library = nullptr;
int openFaces = 0;

FT_Library Library() {
    if (!library && FT_Init_FreeType(&library) != 0)
        library = nullptr;
    return library;
}

void CloseFace(void* face) {
    FT_Done_Face(static_cast<FT_Face>(face));
    if (--openFaces == 0 && library) {
        FT_Done_FreeType(library);
        library = nullptr;
    }
}

bool IsFile(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 && S_ISREG(info.st_mode);
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
        const double radians = style.orientation * std::numbers::pi / 180.0;
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

void* CreatePlatformFont(const TextStyle& style) {
    FT_Library lib = Library();
    FT_Face face = lib ? OpenFace(lib, style) : nullptr;
    if (face)
        ++openFaces;
    else if (lib && openFaces == 0) {
        FT_Done_FreeType(lib);
        library = nullptr;
    }
    return face;
}

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
        CloseFace(face);
}

void PIX_CachedFont::SetPlatformFont(void* font, unsigned flags) {
    if (face && (fontFlags & kFontOwned) && face != font)
        CloseFace(face);
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

bool PIX_CachedFont::DrawText(PIX_IBitmap* bitmap, const char* text, int length, Rect& rect,
                              unsigned flags) {
    if (!face || !text)
        return false;
    const int n = TextLength(text, length);
    const int w = MeasureWidth(text, n);
    int x = 0;
    Rect clip;
    const TextPlan plan = PlanText(bitmap, rect, w, lineHeight, flags, x, clip);
    if (plan != TextPlan::Draw)
        return plan == TextPlan::Measured;
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
    const GlyphCoverage coverage{glyph.buffer, glyph.pitch, static_cast<int>(glyph.width),
                                 static_cast<int>(glyph.rows)};
    BlendCoverage(*bitmap, coverage, x + f->glyph->bitmap_left, y - f->glyph->bitmap_top,
                  textColour, clip);
}

} // namespace torvik
