#include "graphics/Blit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace torvik {

namespace {

using Pixel = std::uint32_t;

int Byte(Pixel p, int n) {
    return static_cast<int>((p >> (8 * n)) & 0xFFu);
}

Pixel Pack(int b, int g, int r, int a) {
    return static_cast<Pixel>(b) | (static_cast<Pixel>(g) << 8) | (static_cast<Pixel>(r) << 16) |
           (static_cast<Pixel>(a) << 24);
}

int Limit(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, 0, 255));
}

// s + (d - s) * keep / 256, the weighted mix of one byte.
int Mix(int s, int d, std::int64_t keep) {
    return Limit(s + static_cast<std::int64_t>(d - s) * keep / 256);
}

// Weight scaled to 1/256 steps; bounded so that integer products cannot overflow.
std::int64_t ScaledWeight(float weight) {
    const double scaled = std::trunc(static_cast<double>(weight) * 256.0);
    if (std::isnan(scaled))
        return 0;
    return static_cast<std::int64_t>(std::clamp(scaled, -65536.0, 65536.0));
}

struct Span {
    Pixel* dst;
    const Pixel* src;
    int count;
};

void CopyWeighted(Span sp, float weight, std::int64_t w) {
    if (weight == 1.0f || w == 256) {
        std::memmove(sp.dst, sp.src, static_cast<std::size_t>(sp.count) * sizeof(Pixel));
        return;
    }
    if (weight == 0.5f) {
        for (int i = 0; i < sp.count; ++i)
            sp.dst[i] = ((sp.dst[i] >> 1) & 0x7F7F7F7Fu) + ((sp.src[i] >> 1) & 0x7F7F7F7Fu);
        return;
    }
    for (int i = 0; i < sp.count; ++i) {
        const Pixel s = sp.src[i];
        const Pixel d = sp.dst[i];
        sp.dst[i] =
            Pack(Mix(Byte(s, 0), Byte(d, 0), 256 - w), Mix(Byte(s, 1), Byte(d, 1), 256 - w),
                 Mix(Byte(s, 2), Byte(d, 2), 256 - w), Mix(Byte(s, 3), Byte(d, 3), 256 - w));
    }
}

void CopyThroughAlpha(Span sp, std::int64_t w) {
    for (int i = 0; i < sp.count; ++i) {
        const Pixel s = sp.src[i];
        const Pixel d = sp.dst[i];
        const int sa = Byte(s, 3);
        if (sa == 0)
            continue;
        if (w == 256) {
            if (sa == 255) {
                sp.dst[i] = s;
                continue;
            }
            sp.dst[i] =
                Pack(Mix(Byte(s, 0), Byte(d, 0), 255 - sa), Mix(Byte(s, 1), Byte(d, 1), 255 - sa),
                     Mix(Byte(s, 2), Byte(d, 2), 255 - sa), Limit(Byte(d, 3) + sa));
            continue;
        }
        const std::int64_t a = w * (sa + 1) / 256;
        sp.dst[i] = Pack(Mix(Byte(s, 0), Byte(d, 0), 256 - a), Mix(Byte(s, 1), Byte(d, 1), 256 - a),
                         Mix(Byte(s, 2), Byte(d, 2), 256 - a), Limit(Byte(d, 3) + a));
    }
}

// d + s * f / 256 for every byte, alpha included.
Pixel AddPixel(Pixel s, Pixel d, std::int64_t f) {
    int out[4];
    for (int n = 0; n < 4; ++n)
        out[n] = Limit(Byte(d, n) + Byte(s, n) * f / 256);
    return Pack(out[0], out[1], out[2], out[3]);
}

void Add(Span sp, std::int64_t w, bool useAlpha) {
    for (int i = 0; i < sp.count; ++i) {
        const Pixel s = sp.src[i];
        if (!useAlpha) {
            sp.dst[i] = AddPixel(s, sp.dst[i], w);
            continue;
        }
        const int sa = Byte(s, 3);
        if (sa == 0)
            continue;
        sp.dst[i] = AddPixel(s, sp.dst[i], w * (sa + 1) / 256);
    }
}

// Colour dodge: d * 256 / (256 - s * f / 256), every byte, alpha included.
Pixel DodgePixel(Pixel s, Pixel d, std::int64_t f) {
    int out[4];
    for (int n = 0; n < 4; ++n) {
        const std::int64_t x = Byte(s, n) * f / 256;
        const std::int64_t dd = Byte(d, n);
        out[n] = Limit(x < 255 ? dd * 256 / (256 - x) : dd * 256);
    }
    return Pack(out[0], out[1], out[2], out[3]);
}

void Dodge(Span sp, std::int64_t w, bool useAlpha) {
    for (int i = 0; i < sp.count; ++i) {
        const Pixel s = sp.src[i];
        const std::int64_t f = useAlpha ? w * (Byte(s, 3) + 1) / 256 : w;
        sp.dst[i] = DodgePixel(s, sp.dst[i], f);
    }
}

void ChannelCopy(Span sp, int mode) {
    const int to = (mode >> 2) & 3;
    const int from = mode & 3;
    const Pixel mask = 0xFFu << (8 * to);
    for (int i = 0; i < sp.count; ++i) {
        const Pixel value = static_cast<Pixel>(Byte(sp.src[i], from)) << (8 * to);
        sp.dst[i] = (sp.dst[i] & ~mask) | value;
    }
}

} // namespace

void BlitPixels(PIX_IBitmap* dest, PIX_IBitmap* src, int dstX, int dstY, const Rect* srcRect,
                float weight, int mode) {
    if (!dest || !src || weight == 0.0f)
        return;
    if (!dest->PixelData() || !src->PixelData())
        return;
    const std::int64_t srcW = src->Width();
    const std::int64_t srcH = src->Height();
    const std::int64_t dstW = dest->Width();
    const std::int64_t dstH = dest->Height();

    std::int64_t left = 0, top = 0, right = srcW, bottom = srcH;
    if (srcRect) {
        left = srcRect->left;
        top = srcRect->top;
        right = std::min<std::int64_t>(srcRect->right, srcW);
        bottom = std::min<std::int64_t>(srcRect->bottom, srcH);
    }
    std::int64_t x = dstX;
    std::int64_t y = dstY;
    if (left < 0) {
        x -= left;
        left = 0;
    }
    if (top < 0) {
        y -= top;
        top = 0;
    }
    if (x < 0) {
        left -= x;
        x = 0;
    }
    if (y < 0) {
        top -= y;
        y = 0;
    }
    if (x >= dstW || y >= dstH)
        return;
    const std::int64_t cols = std::min(right, left + dstW - x) - left;
    const std::int64_t rows = std::min(bottom, top + dstH - y) - top;
    if (cols <= 0 || rows <= 0)
        return;

    const int op = mode & 0xFF;
    const bool useAlpha = (mode & kBlitUseAlpha) != 0;
    const std::int64_t w = ScaledWeight(weight);
    if (op < kBlitChannelCopy && op == kBlitCopy && !useAlpha && weight != 1.0f && weight != 0.5f &&
        w < 1)
        return;

    for (std::int64_t r = 0; r < rows; ++r) {
        Span sp{BitmapRow(*dest, static_cast<int>(y + r)) + x,
                BitmapRow(*src, static_cast<int>(top + r)) + left, static_cast<int>(cols)};
        if (op >= kBlitChannelCopy)
            ChannelCopy(sp, mode);
        else if (op == kBlitCopy && !useAlpha)
            CopyWeighted(sp, weight, w);
        else if (op == kBlitCopy)
            CopyThroughAlpha(sp, w);
        else if (op == kBlitAdd)
            Add(sp, w, useAlpha);
        else if (op == kBlitDodge)
            Dodge(sp, w, useAlpha);
        // Other operations draw nothing.
    }
}

} // namespace torvik
