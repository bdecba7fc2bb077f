#pragma once
// How a control's text looks: font, size, colours, style, alignment.
#include <cstdint>

namespace torvik {

class PIX_CachedFont;

// Each channel 0..255.
struct Colour {
    int a = 255;
    int r = 0;
    int g = 0;
    int b = 0;

    // As a pixel value 0xAARRGGBB.
    std::uint32_t ToPixel() const {
        return (static_cast<std::uint32_t>(a & 0xFF) << 24) |
               (static_cast<std::uint32_t>(r & 0xFF) << 16) |
               (static_cast<std::uint32_t>(g & 0xFF) << 8) | static_cast<std::uint32_t>(b & 0xFF);
    }
    // As a platform colour reference: red in the low byte.
    std::uint32_t ToColourRef() const {
        return static_cast<std::uint32_t>(r & 0xFF) | (static_cast<std::uint32_t>(g & 0xFF) << 8) |
               (static_cast<std::uint32_t>(b & 0xFF) << 16);
    }
    bool operator==(const Colour&) const = default;
};

enum TextStyleKind : int { kTextNormal = 0, kTextBold = 1, kTextItalic = 2 };
enum TextAlignment : int { kAlignNear = 0, kAlignCentre = 1, kAlignFar = 2 };
enum TextQuality : int {
    kQualityDefault = 0,
    kQualityNonAntialiased = 1,
    kQualityAntialiased = 2,
    kQualityClearType = 3
};

inline constexpr int kFontNameSize = 32; // 31 characters plus the terminator

struct TextStyle {
    char font[kFontNameSize] = "Verdana";
    int size = 12; // pixel height
    Colour colour{255, 0, 0, 0};
    Colour entryBackground{255, 255, 255, 255};
    Colour entryForeground{255, 0, 0, 0};
    int style = kTextNormal;
    int alignment = kAlignCentre;
    int orientation = 0; // degrees counter-clockwise
    int quality = kQualityDefault;
    PIX_CachedFont* cachedFont = nullptr; // from the font cache, not owned
};

} // namespace torvik
