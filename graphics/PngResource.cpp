#include "graphics/PngResource.h"

#include "graphics/PngDecode.h"
#include "graphics/PngFrames.h"

#include <cstring>

#include "resources/PlatformResources.h"

namespace torvik {

namespace {

// The PNG layout up to the image size: the signature, then the header chunk
// (length, type "IHDR", width and height as big-endian 32-bit numbers).
constexpr unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t kHeaderTypeOffset = 12;
constexpr std::size_t kWidthOffset = 16;
constexpr std::size_t kHeightOffset = 20;
constexpr std::size_t kSizeEnd = 24;

// Frames differing from the base in more pixels than this share are inflated
// each time instead: a patch would cost nearly as much as the frame.
constexpr std::size_t kMaxPatchShareDivisor = 4;

void CopyPixels(PIX_IBitmap& from, PIX_MemBitmap& to) {
    to.Resize(from.Width(), from.Height());
    const std::size_t rowBytes = static_cast<std::size_t>(from.Width()) * sizeof(std::uint32_t);
    for (int r = 0; r < from.Height(); ++r)
        std::memcpy(BitmapRow(to, r), BitmapRow(from, r), rowBytes);
}

std::uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

} // namespace

PIX_PngResourceBitmap* PIX_PngResourceBitmap::FromBytes(const unsigned char* bytes,
                                                        std::size_t length) {
    if (!bytes || length < kSizeEnd || std::memcmp(bytes, kPngSignature, 8) != 0 ||
        std::memcmp(bytes + kHeaderTypeOffset, "IHDR", 4) != 0)
        return nullptr;
    const std::uint32_t w = BigEndian32(bytes + kWidthOffset);
    const std::uint32_t h = BigEndian32(bytes + kHeightOffset);
    if (w < 1 || h < 1 || w > kMaxPngWidth || h > kMaxPngHeight ||
        static_cast<std::uint64_t>(w) * h > kMaxBitmapPixels)
        return nullptr;
    return new PIX_PngResourceBitmap(bytes, length, static_cast<int>(w), static_cast<int>(h));
}

PIX_IBitmap* PIX_PngResourceBitmap::Decoded() {
    std::call_once(decodeOnce, [this] {
        decoded.reset(DecodePngMemory(bytes, size));
        if (decoded && (decoded->Width() != width || decoded->Height() != height))
            decoded.reset(); // the header lied
        // Frames stored as differences from the first get it added back.
        const int deltaFrames = PngDeltaFrameCount(bytes, size);
        if (decoded &&
            (deltaFrames < 0 || (deltaFrames > 0 && !UndoFrameDeltas(*decoded, deltaFrames))))
            decoded.reset();
        ready.store(decoded != nullptr, std::memory_order_release);
    });
    return decoded.get();
}

std::uint32_t* PIX_PngResourceBitmap::PixelData() {
    PIX_IBitmap* pixels = Decoded();
    return pixels ? pixels->PixelData() : nullptr;
}

int PIX_PngResourceBitmap::RowSpan() const {
    // A decoded image's rows are padded to four pixels (PIX_MemBitmap).
    constexpr int kRowAlignMask = 3;
    return (width + kRowAlignMask) & ~kRowAlignMask;
}

bool PIX_PngResourceBitmap::Resize(int w, int h) {
    PIX_IBitmap* pixels = Decoded();
    if (!pixels || !pixels->Resize(w, h))
        return false;
    width = pixels->Width();
    height = pixels->Height();
    return true;
}

PIX_IBitmap* PIX_PngResourceBitmap::HeldFrame(int f) {
    for (Frame& frame : frames) {
        if (frame.index == f) {
            frame.lastUse = ++useCounter;
            return frame.pixels.get();
        }
    }
    Frame* slot = nullptr;
    if (static_cast<int>(frames.size()) < kHeldFrames) {
        frames.push_back(Frame{-1, std::make_unique<PIX_MemBitmap>(), 0});
        slot = &frames.back();
    } else {
        slot = &frames.front();
        for (Frame& frame : frames) {
            if (frame.lastUse < slot->lastUse)
                slot = &frame;
        }
    }
    slot->index = -1;
    if (!MakeFrame(f, *slot->pixels))
        return nullptr;
    slot->index = f;
    slot->lastUse = ++useCounter;
    return slot->pixels.get();
}

bool PIX_PngResourceBitmap::MakeFrame(int f, PIX_MemBitmap& target) {
    const auto i = static_cast<std::size_t>(f);
    if (!base) {
        // The first frame: the base of the patches, and where frames are
        // stored as differences, what each of them is added to.
        auto first = std::make_unique<PIX_MemBitmap>();
        if (!InflatePngFrame(frameIndex, 0, *first))
            return false;
        base = std::move(first);
    }
    if (f == 0 || patchStates[i] == PatchState::kPatched) {
        CopyPixels(*base, target);
        if (f != 0)
            patches[i].ApplyTo(target);
        return true;
    }
    if (!InflatePngFrame(frameIndex, f, target, base.get()))
        return false;
    if (patchStates[i] == PatchState::kUnknown) {
        const std::size_t maxChanged = static_cast<std::size_t>(target.Width()) *
                                       static_cast<std::size_t>(target.Height()) /
                                       kMaxPatchShareDivisor;
        patchStates[i] = FramePatch::Make(*base, target, maxChanged, patches[i])
                             ? PatchState::kPatched
                             : PatchState::kTooDifferent;
    }
    return true;
}

PIX_IBitmap* PIX_PngResourceBitmap::RowsFor(int top, int bottom, int& origin) {
    origin = 0;
    if (!ready.load(std::memory_order_acquire)) {
        std::lock_guard guard(framesLock);
        if (!indexRead) {
            indexRead = true;
            framesUsable =
                ReadPngFrameIndex(bytes, size, frameIndex) && frameIndex.width == width &&
                frameIndex.frames * frameIndex.rowsPerFrame == height && frameIndex.frames > 1;
            if (framesUsable) {
                patches.resize(static_cast<std::size_t>(frameIndex.frames));
                patchStates.assign(static_cast<std::size_t>(frameIndex.frames),
                                   PatchState::kUnknown);
            }
        }
        const int rows = frameIndex.rowsPerFrame;
        if (framesUsable && top >= 0 && bottom > top && bottom <= height &&
            top / rows == (bottom - 1) / rows) {
            if (PIX_IBitmap* frame = HeldFrame(top / rows)) {
                origin = top / rows * rows;
                return frame;
            }
            // Damaged: the whole decode below finds the damage too.
        }
        // The whole pixels serve every frame from now on.
        framesUsable = false;
        frames.clear();
        base.reset();
        patches.clear();
        patchStates.clear();
    }
    return Decoded();
}

int PIX_PngResourceBitmap::HeldFrameCount() {
    std::lock_guard guard(framesLock);
    int count = 0;
    for (const Frame& frame : frames)
        count += frame.index >= 0 ? 1 : 0;
    return count;
}

bool PIX_PngResourceBitmap::IsDecoded() const {
    return ready.load(std::memory_order_acquire);
}

PIX_IBitmap* LoadPngResource(const void* module, int id, const char* name) {
    if (!HasPngExtension(name))
        return nullptr;
    using namespace platform;
    const auto handle = static_cast<HMODULE>(const_cast<void*>(module));
    HRSRC info = FindResourceA(handle, MakeIntResourceA(id), "PNG");
    if (!info)
        return nullptr;
    const DWORD size = SizeofResource(handle, info);
    if (size <= 7)
        return nullptr;
    const void* bytes = LockResource(LoadResource(handle, info));
    if (!bytes)
        return nullptr;
    return PIX_PngResourceBitmap::FromBytes(static_cast<const unsigned char*>(bytes), size);
}

} // namespace torvik
