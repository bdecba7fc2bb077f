#pragma once
// Loading the editor's PNG images from the module's resources.
#include "graphics/Bitmap.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>

namespace torvik {

// A PNG resource that is decoded when its pixels are first asked for. Its size
// comes from the image header, so an editor can lay out its controls without
// decoding anything; an editor that is never drawn costs no pixels. The
// resource bytes stay the module's and are read in place.
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

    // Whether the pixels have been decoded.
    bool IsDecoded() const;

private:
    PIX_PngResourceBitmap(const unsigned char* data, std::size_t length, int w, int h)
        : bytes(data), size(length), width(w), height(h) {}
    PIX_IBitmap* Decoded();

    const unsigned char* bytes;           // the PNG, owned by the module
    std::size_t size;                     // its length in bytes
    int width;                            // pixels, from the header
    int height;                           // pixels, from the header
    std::once_flag decodeOnce;            // decoding happens once
    std::unique_ptr<PIX_IBitmap> decoded; // the pixels once decoded, or none
    std::atomic<bool> ready{false};       // decoded holds pixels
};

// The PNG resource with numeric ID id of the given module, decoded when first
// drawn. name serves only for its extension, which must be "png" in any case.
// None when the name, the resource or its header are unusable. The caller
// owns the bitmap.
PIX_IBitmap* LoadPngResource(const void* module, int id, const char* name);

} // namespace torvik
