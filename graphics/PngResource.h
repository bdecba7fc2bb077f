#pragma once
// Loading the editor's PNG images from the module's resources.
#include "graphics/Bitmap.h"
#include "graphics/FramePatch.h"
#include "graphics/PngFrames.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace torvik {

// A PNG resource that is decoded when its pixels are first asked for. Its size
// comes from the image header, so an editor can lay out its controls without
// decoding anything; an editor that is never drawn costs no pixels. The
// resource bytes stay the module's and are read in place. A strip whose
// frames are indexed (PngFrames.h) is drawn frame by frame: only the frames
// drawn are inflated, and the most recently drawn few are kept. A frame that
// differs little from the first one inflated is also kept as a patch on it,
// so a moving meter inflates each frame once.
class PIX_PngResourceBitmap : public PIX_IBitmap {
public:
    // None when the bytes do not start with a PNG signature and header that
    // the decoder accepts.
    static PIX_PngResourceBitmap* FromBytes(const unsigned char* bytes, std::size_t length);

    // The decoded pixels, decoding on the first call (thread-safe); none when
    // the image turns out damaged.
    std::uint32_t* PixelData() override;
    int Width() const override { return width; }
    int Height() const override { return height; }
    int RowSpan() const override;
    bool IsBottomUp() const override { return false; }
    // Decodes first, then resizes the decoded bitmap.
    bool Resize(int w, int h) override;
    void* DrawingContext() override { return nullptr; }
    // The frame holding the rows when they lie in one frame of an indexed
    // strip and the strip was not decoded whole; otherwise the whole pixels.
    PIX_IBitmap* RowsFor(int top, int bottom, int& origin) override;

    // Whether the pixels have been decoded whole.
    bool IsDecoded() const;
    // Frames currently held on their own.
    int HeldFrameCount();

    // Frames of one strip kept on their own: the meters and knobs shown move
    // between neighbouring frames, and a few suffice to redraw them.
    static constexpr int kHeldFrames = 8;

private:
    PIX_PngResourceBitmap(const unsigned char* data, std::size_t length, int w, int h)
        : bytes(data), size(length), width(w), height(h) {}
    PIX_IBitmap* Decoded();
    // Frame f, inflated on its own, patched from the base or found among
    // the held frames; none when its data is damaged.
    PIX_IBitmap* HeldFrame(int f);
    // Fills target with frame f: the base plus its patch, or inflated.
    bool MakeFrame(int f, PIX_MemBitmap& target);

    enum class PatchState : unsigned char { kUnknown, kPatched, kTooDifferent };

    struct Frame {
        int index = -1;                        // frame number
        std::unique_ptr<PIX_MemBitmap> pixels; // its pixels
        unsigned long long lastUse = 0;        // use counter at its last drawing
    };

    const unsigned char* bytes;           // the PNG, owned by the module
    std::size_t size;                     // its length in bytes
    int width;                            // pixels, from the header
    int height;                           // pixels, from the header
    std::once_flag decodeOnce;            // decoding happens once
    std::unique_ptr<PIX_IBitmap> decoded; // the pixels once decoded, or none
    std::atomic<bool> ready{false};       // decoded holds pixels
    std::mutex framesLock;                // guards everything below
    bool indexRead = false;               // frameIndex was looked for
    bool framesUsable = false;            // frameIndex describes the strip
    PngFrameIndex frameIndex;             // where each frame's data starts
    std::vector<Frame> frames;            // at most kHeldFrames
    std::unique_ptr<PIX_MemBitmap> base;  // frame 0 inflated, kept
    std::vector<FramePatch> patches;      // per frame: the patch on base
    std::vector<PatchState> patchStates;  // per frame: whether patches holds it
    unsigned long long useCounter = 0;    // counts drawings, for the oldest frame
};

// The PNG resource with numeric ID id of the given module, decoded when first
// drawn. name serves only for its extension, which must be "png" in any case.
// None when the name, the resource or its header are unusable. The caller
// owns the bitmap.
PIX_IBitmap* LoadPngResource(const void* module, int id, const char* name);

} // namespace torvik
