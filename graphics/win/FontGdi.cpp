// The GDI side of the fonts (Windows): fonts made with CreateFontA, measured
// with the font's own metrics, drawn natively through a scratch DIB section,
// or glyph by glyph from GDI's glyph bitmaps when running under Wine.
#include "graphics/Font.h"
#include "graphics/FontBackend.h"
#include "graphics/win/DibSection.h"

#include <windows.h>
// windows.h maps DrawText onto its own DrawTextA; the font's operation is meant.
#undef DrawText

#include <algorithm>
#include <iterator>
#include <vector>

namespace torvik {

namespace {

// Escapement and orientation are in tenths of a degree.
constexpr int kTenthsPerDegree = 10;
// GDI's normal and bold weights.
constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;
// GGO_GRAY8_BITMAP coverage runs 0..64; rows are padded to four bytes.
constexpr int kGray8Levels = 64;

// Whether the module runs under a compatibility layer (its registry key
// opens); text then goes through the glyph path. Checked once per module.
bool RunningUnderWine() {
    static const bool underWine = [] {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Wine", 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }();
    return underWine;
}

// A memory drawing context with a font selected, for metrics and glyphs.
class FontDC {
public:
    explicit FontDC(HFONT font) : dc(CreateCompatibleDC(nullptr)) {
        if (dc)
            previous = SelectObject(dc, font);
    }
    ~FontDC() {
        if (dc) {
            SelectObject(dc, previous);
            DeleteDC(dc);
        }
    }
    FontDC(const FontDC&) = delete;
    FontDC& operator=(const FontDC&) = delete;
    HDC Get() const { return dc; }

private:
    HDC dc;
    HGDIOBJ previous = nullptr;
};

// Scratch for native drawing, shared by every font and deleted with the last
// one: a top-down 32-bit DIB section the text is drawn into, white on black.
struct Scratch {
    HBITMAP bitmap = nullptr;
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int liveFonts = 0;

    void Release() {
        if (bitmap)
            DeleteObject(bitmap);
        bitmap = nullptr;
        pixels = nullptr;
        width = height = 0;
    }
    bool Reserve(int w, int h) {
        if (bitmap && w <= width && h <= height)
            return true;
        Release();
        void* bits = nullptr;
        bitmap = CreateTopDownSection(w, h, &bits);
        if (!bitmap)
            return false;
        pixels = static_cast<std::uint32_t*>(bits);
        width = w;
        height = h;
        return true;
    }
};

Scratch& SharedScratch() {
    static Scratch scratch;
    return scratch;
}

DWORD QualityFor(int quality) {
    switch (quality) {
    case kQualityNonAntialiased:
        return NONANTIALIASED_QUALITY;
    case kQualityAntialiased:
        return ANTIALIASED_QUALITY;
    case kQualityClearType:
        return CLEARTYPE_QUALITY;
    default:
        return DEFAULT_QUALITY;
    }
}

} // namespace

void* CreatePlatformFont(const TextStyle& style) {
    const int tenths = style.orientation * kTenthsPerDegree;
    return CreateFontA(
        style.size, 0, tenths, tenths, style.style == kTextBold ? kWeightBold : kWeightNormal,
        style.style == kTextItalic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
        CLIP_DEFAULT_PRECIS, QualityFor(style.quality), DEFAULT_PITCH, style.font);
}

PIX_CachedFont::PIX_CachedFont() {
    ++SharedScratch().liveFonts;
}

PIX_CachedFont::~PIX_CachedFont() {
    if (face && (fontFlags & kFontOwned))
        DeleteObject(static_cast<HFONT>(face));
    Scratch& scratch = SharedScratch();
    if (--scratch.liveFonts == 0)
        scratch.Release();
}

void PIX_CachedFont::SetPlatformFont(void* font, unsigned flags) {
    if (face && (fontFlags & kFontOwned) && face != font)
        DeleteObject(static_cast<HFONT>(face));
    face = font;
    fontFlags = flags;
    std::fill(std::begin(advances), std::end(advances), 0);
    lineHeight = 0;
    ascender = 0;
    if (!face)
        return;
    FontDC dc(static_cast<HFONT>(face));
    TEXTMETRICA metrics{};
    if (dc.Get() && GetTextMetricsA(dc.Get(), &metrics)) {
        lineHeight = metrics.tmHeight;
        ascender = metrics.tmAscent;
    }
}

int PIX_CachedFont::Advance(std::uint32_t code) {
    if (code < 128 && advances[code] > 0)
        return advances[code] - 1;
    int advance = 0;
    if (face) {
        FontDC dc(static_cast<HFONT>(face));
        INT width = 0;
        if (dc.Get() && GetCharWidth32A(dc.Get(), code, code, &width))
            advance = width;
    }
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
    if (RunningUnderWine() || (fontFlags & kFontNative) == 0) {
        for (int i = 0; i < n; ++i) {
            const auto code = static_cast<unsigned char>(text[i]);
            DrawGlyph(bitmap, code, x, rect.top + ascender, clip);
            x += Advance(code);
        }
        return true;
    }
    // Native: GDI draws the run white on black; its grey levels are the coverage.
    Scratch& scratch = SharedScratch();
    if (w <= 0 || lineHeight <= 0 || !scratch.Reserve(w, lineHeight))
        return w <= 0;
    std::fill(scratch.pixels,
              scratch.pixels + static_cast<std::size_t>(scratch.width) * scratch.height, 0u);
    FontDC dc(static_cast<HFONT>(face));
    if (!dc.Get())
        return false;
    HGDIOBJ previous = SelectObject(dc.Get(), scratch.bitmap);
    SetTextColor(dc.Get(), RGB(255, 255, 255));
    SetBkMode(dc.Get(), TRANSPARENT);
    TextOutA(dc.Get(), 0, 0, text, n);
    GdiFlush();
    SelectObject(dc.Get(), previous);
    std::vector<unsigned char> levels(static_cast<std::size_t>(w) * lineHeight);
    for (int row = 0; row < lineHeight; ++row)
        for (int col = 0; col < w; ++col)
            levels[static_cast<std::size_t>(row) * w + col] = static_cast<unsigned char>(
                (scratch.pixels[static_cast<std::size_t>(row) * scratch.width + col] >> 8) & 0xFF);
    BlendCoverage(*bitmap, GlyphCoverage{levels.data(), w, w, lineHeight}, x, rect.top, textColour,
                  clip);
    return true;
}

void PIX_CachedFont::DrawGlyph(PIX_IBitmap* bitmap, std::uint32_t code, int x, int y,
                               const Rect& clip) {
    if (!face || !bitmap || !bitmap->PixelData())
        return;
    FontDC dc(static_cast<HFONT>(face));
    if (!dc.Get())
        return;
    GLYPHMETRICS metrics{};
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    const DWORD size =
        GetGlyphOutlineA(dc.Get(), code, GGO_GRAY8_BITMAP, &metrics, 0, nullptr, &identity);
    if (size == GDI_ERROR || size == 0)
        return;
    std::vector<unsigned char> levels(size);
    if (GetGlyphOutlineA(dc.Get(), code, GGO_GRAY8_BITMAP, &metrics, size, levels.data(),
                         &identity) == GDI_ERROR)
        return;
    for (unsigned char& level : levels)
        level = static_cast<unsigned char>(std::min(255, level * 255 / kGray8Levels));
    const int pitch = (static_cast<int>(metrics.gmBlackBoxX) + 3) & ~3;
    const GlyphCoverage coverage{levels.data(), pitch, static_cast<int>(metrics.gmBlackBoxX),
                                 static_cast<int>(metrics.gmBlackBoxY)};
    BlendCoverage(*bitmap, coverage, x + metrics.gmptGlyphOrigin.x, y - metrics.gmptGlyphOrigin.y,
                  textColour, clip);
}

} // namespace torvik
