#pragma once
// A film strip at an intermediate scale (125, 150 or 175 %), made from the
// strip drawn at 200 % by an area-averaging downscale, frame by frame as the
// frames are drawn. Shapes and text keep the detail of the larger art instead
// of being enlarged from the 100 % pixels.
#include "graphics/Bitmap.h"
#include "graphics/FramePatch.h"

#include <memory>
#include <mutex>
#include <vector>

namespace torvik {

// Resamples src into dst's size by averaging the area each destination pixel
// covers, in premultiplied alpha so transparent pixels lend no colour.
void ResampleByArea(PIX_IBitmap& src, PIX_IBitmap& dst);

class PIX_ScaledStrip : public PIX_IBitmap {
public:
    // source (the 200 % strip, not owned) holds frames stacked top to bottom;
    // each is made frameWidth x frameHeight.
    PIX_ScaledStrip(PIX_IBitmap* source, int frames, int frameWidth, int frameHeight);

    // The strip is only ever drawn frame by frame: there are no whole pixels.
    std::uint32_t* PixelData() override { return nullptr; }
    int Width() const override { return frameWidth; }
    int Height() const override { return frameHeight * frames; }
    int RowSpan() const override { return frameWidth; }
    bool IsBottomUp() const override { return false; }
    bool Resize(int /*w*/, int /*h*/) override { return false; }
    void* DrawingContext() override { return nullptr; }
    // The frame holding the rows, made on first use; none when the rows span
    // two frames or the source frame cannot be had.
    PIX_IBitmap* RowsFor(int top, int bottom, int& origin) override;

    // Frames kept, as for the strips they come from.
    static constexpr int kHeldFrames = 8;
    // Frames made by resampling, for tests: a frame seen before that differs
    // little from the first is made again from the first and its patch.
    int ResampleCount() const { return resamples; }

private:
    enum class PatchState : unsigned char { kUnknown, kPatched, kTooDifferent };
    // Resamples source frame f into target; false when the source has no such frame.
    bool Resample(int f, PIX_MemBitmap& target);

    struct Frame {
        int index = -1;
        std::unique_ptr<PIX_MemBitmap> pixels;
        unsigned long long lastUse = 0;
    };

    PIX_IBitmap* source; // the 200 % strip, owned by the bitmap cache
    int frames;
    int frameWidth;  // pixels
    int frameHeight; // pixels
    std::mutex lock; // guards the held frames
    std::vector<Frame> held;
    unsigned long long useCounter = 0;
    // The first frame made at this scale, and each frame's difference from
    // it: a meter's frames differ only around the needle, so a frame made
    // once comes back from a copy and a small patch instead of a new resampling.
    std::unique_ptr<PIX_MemBitmap> base;
    int baseFrame = -1;
    std::vector<FramePatch> patches;
    std::vector<PatchState> patchStates;
    int resamples = 0;
};

} // namespace torvik
