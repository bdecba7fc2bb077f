#include "graphics/ScaledStrip.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace torvik {

namespace {

// For each destination index, the source indices it covers and their weights
// (shares of the source pixel, summing to 1 per destination pixel).
struct Span {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Span> AreaSpans(int sourceLength, int destLength) {
    std::vector<Span> spans(static_cast<std::size_t>(destLength));
    const double ratio = static_cast<double>(sourceLength) / destLength;
    for (int d = 0; d < destLength; ++d) {
        const double begin = d * ratio;
        const double end = (d + 1) * ratio;
        Span& span = spans[static_cast<std::size_t>(d)];
        span.first = static_cast<int>(std::floor(begin));
        const int last = std::min(sourceLength, static_cast<int>(std::ceil(end)));
        for (int s = span.first; s < last; ++s) {
            const double covered = std::min<double>(end, s + 1) - std::max<double>(begin, s);
            span.weights.push_back(static_cast<float>(covered / ratio));
        }
    }
    return spans;
}

} // namespace

void ResampleByArea(PIX_IBitmap& src, PIX_IBitmap& dst) {
    const int sw = src.Width();
    const int sh = src.Height();
    const int dw = dst.Width();
    const int dh = dst.Height();
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || !src.PixelData() || !dst.PixelData())
        return;
    const std::vector<Span> across = AreaSpans(sw, dw);
    const std::vector<Span> down = AreaSpans(sh, dh);
    // Source rows resampled across, in premultiplied floats, kept in a small
    // ring: output rows move down monotonically and each covers few source rows.
    constexpr int kRing = 4;
    const std::size_t rowFloats = static_cast<std::size_t>(dw) * 4;
    std::vector<float> ring(rowFloats * kRing);
    int ringRow[kRing] = {-1, -1, -1, -1};
    const auto across_row = [&](int y) -> const float* {
        float* out = ring.data() + static_cast<std::size_t>(y % kRing) * rowFloats;
        if (ringRow[y % kRing] == y)
            return out;
        ringRow[y % kRing] = y;
        const std::uint32_t* in = BitmapRow(src, y);
        for (int x = 0; x < dw; ++x) {
            const Span& span = across[static_cast<std::size_t>(x)];
            float a = 0, r = 0, g = 0, b = 0;
            for (std::size_t k = 0; k < span.weights.size(); ++k) {
                const std::uint32_t p = in[span.first + static_cast<int>(k)];
                const float alpha = static_cast<float>(p >> 24) * span.weights[k];
                a += alpha;
                r += static_cast<float>((p >> 16) & 0xFF) * alpha;
                g += static_cast<float>((p >> 8) & 0xFF) * alpha;
                b += static_cast<float>(p & 0xFF) * alpha;
            }
            out[4 * x] = a;
            out[4 * x + 1] = r;
            out[4 * x + 2] = g;
            out[4 * x + 3] = b;
        }
        return out;
    };
    // Down, then back to straight alpha.
    std::vector<float> sum(rowFloats);
    for (int y = 0; y < dh; ++y) {
        const Span& span = down[static_cast<std::size_t>(y)];
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (std::size_t k = 0; k < span.weights.size(); ++k) {
            const float* p = across_row(span.first + static_cast<int>(k));
            const float w = span.weights[k];
            for (std::size_t i = 0; i < rowFloats; ++i)
                sum[i] += p[i] * w;
        }
        std::uint32_t* out = BitmapRow(dst, y);
        for (int x = 0; x < dw; ++x) {
            const float* p = sum.data() + static_cast<std::size_t>(x) * 4;
            const float a = p[0];
            const auto channel = [a](float premultiplied) {
                return static_cast<std::uint32_t>(
                    std::clamp(std::lround(premultiplied / a), 0L, 255L));
            };
            const auto alpha = static_cast<std::uint32_t>(std::clamp(std::lround(a), 0L, 255L));
            out[x] = alpha == 0
                         ? 0u
                         : alpha << 24 | channel(p[1]) << 16 | channel(p[2]) << 8 | channel(p[3]);
        }
    }
}

PIX_ScaledStrip::PIX_ScaledStrip(PIX_IBitmap* sourceStrip, int frameCount, int w, int h)
    : source(sourceStrip), frames(std::max(frameCount, 1)), frameWidth(std::max(w, 0)),
      frameHeight(std::max(h, 0)) {}

PIX_IBitmap* PIX_ScaledStrip::RowsFor(int top, int bottom, int& origin) {
    origin = 0;
    if (!source || frameHeight <= 0 || frameWidth <= 0 || top < 0 || bottom <= top ||
        bottom > Height() || top / frameHeight != (bottom - 1) / frameHeight)
        return nullptr;
    const int f = top / frameHeight;
    std::lock_guard guard(lock);
    for (Frame& frame : held) {
        if (frame.index == f) {
            frame.lastUse = ++useCounter;
            origin = f * frameHeight;
            return frame.pixels.get();
        }
    }
    Frame* slot = nullptr;
    if (static_cast<int>(held.size()) < kHeldFrames) {
        held.push_back(Frame{-1, std::make_unique<PIX_MemBitmap>(), 0});
        slot = &held.back();
    } else {
        slot = &*std::min_element(held.begin(), held.end(), [](const Frame& a, const Frame& b) {
            return a.lastUse < b.lastUse;
        });
    }
    slot->index = -1;
    const auto i = static_cast<std::size_t>(f);
    if (base && (f == baseFrame || patchStates[i] == PatchState::kPatched)) {
        slot->pixels->Resize(frameWidth, frameHeight);
        for (int r = 0; r < frameHeight; ++r)
            std::memcpy(BitmapRow(*slot->pixels, r), BitmapRow(*base, r),
                        static_cast<std::size_t>(frameWidth) * sizeof(std::uint32_t));
        if (f != baseFrame)
            patches[i].ApplyTo(*slot->pixels);
    } else {
        if (!Resample(f, *slot->pixels))
            return nullptr;
        if (!base) {
            // The first frame made is the base: an editor opening shows one
            // frame per strip and resamples no other.
            base = std::make_unique<PIX_MemBitmap>();
            base->Resize(frameWidth, frameHeight);
            for (int r = 0; r < frameHeight; ++r)
                std::memcpy(BitmapRow(*base, r), BitmapRow(*slot->pixels, r),
                            static_cast<std::size_t>(frameWidth) * sizeof(std::uint32_t));
            baseFrame = f;
            patchStates.assign(static_cast<std::size_t>(frames), PatchState::kUnknown);
            patches.resize(static_cast<std::size_t>(frames));
        } else if (patchStates[i] == PatchState::kUnknown) {
            // Frames differing in more than a quarter of their pixels are
            // resampled each time: a patch would cost nearly a frame.
            constexpr std::size_t kMaxPatchShareDivisor = 4;
            const std::size_t maxChanged = static_cast<std::size_t>(frameWidth) *
                                           static_cast<std::size_t>(frameHeight) /
                                           kMaxPatchShareDivisor;
            patchStates[i] = FramePatch::Make(*base, *slot->pixels, maxChanged, patches[i])
                                 ? PatchState::kPatched
                                 : PatchState::kTooDifferent;
        }
    }
    slot->index = f;
    slot->lastUse = ++useCounter;
    origin = f * frameHeight;
    return slot->pixels.get();
}

bool PIX_ScaledStrip::Resample(int f, PIX_MemBitmap& target) {
    const int sourceRows = source->Height() / frames;
    int sourceOrigin = 0;
    PIX_IBitmap* sourcePixels = source->RowsFor(f * sourceRows, (f + 1) * sourceRows, sourceOrigin);
    if (!sourcePixels || !sourcePixels->PixelData())
        return false;
    // The source frame's rows, seen as a bitmap of their own.
    struct FrameView : PIX_IBitmap {
        PIX_IBitmap* strip;
        int first;
        int rows;
        std::uint32_t* PixelData() override { return BitmapRow(*strip, first); }
        int Width() const override { return strip->Width(); }
        int Height() const override { return rows; }
        int RowSpan() const override { return strip->RowSpan(); }
        bool IsBottomUp() const override { return false; }
        bool Resize(int, int) override { return false; }
        void* DrawingContext() override { return nullptr; }
    } view;
    view.strip = sourcePixels;
    view.first = f * sourceRows - sourceOrigin;
    view.rows = sourceRows;
    target.Resize(frameWidth, frameHeight);
    if (target.Width() != frameWidth || target.Height() != frameHeight)
        return false;
    ResampleByArea(view, target);
    ++resamples;
    return true;
}

} // namespace torvik
