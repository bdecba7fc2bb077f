#pragma once
// 32-bit pixel bitmaps. A pixel is 0xAARRGGBB stored little-endian (bytes blue,
// green, red, alpha in memory) with straight alpha. Rows follow each other at a
// fixed span of RowSpan() pixels.
#include <cstddef>
#include <cstdint>

namespace torvik {

class PIX_IBitmap {
public:
    virtual ~PIX_IBitmap() = default;
    // Address of the first pixel of row 0, or none when the bitmap has no pixels.
    virtual std::uint32_t* PixelData() = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // Pixels from one row to the next, at least the width.
    virtual int RowSpan() const = 0;
    // Whether row 0 is stored last in memory.
    virtual bool IsBottomUp() const = 0;
    // Changes the size; true when something changed. Pixels are neither kept nor cleared.
    virtual bool Resize(int w, int h) = 0;
    // Platform drawing context, or none.
    virtual void* DrawingContext() = 0;
    virtual int ExtendedQuery(int /*id*/, void* /*data*/) { return 0; }
    // The bitmap holding rows top to bottom - 1 of this one, with origin set
    // to the row of this bitmap that is that bitmap's row 0. A film strip may
    // answer with the one frame the rows lie in, decoded alone; the answer
    // stays valid until the next call on the same bitmap (drawing happens on
    // the user-interface thread). Plain bitmaps answer themselves.
    virtual PIX_IBitmap* RowsFor(int /*top*/, int /*bottom*/, int& origin) {
        origin = 0;
        return this;
    }
};

// Address of row r of a bitmap, honouring a bottom-up layout.
std::uint32_t* BitmapRow(PIX_IBitmap& bitmap, int r);

// A decoded image: 64-byte aligned pixels, rows padded to four pixels, and a
// block that only grows, with a quarter to spare, so repeated resizes rarely
// reallocate.
class PIX_MemBitmap : public PIX_IBitmap {
public:
    PIX_MemBitmap() = default;
    PIX_MemBitmap(const PIX_MemBitmap&) = delete;
    PIX_MemBitmap& operator=(const PIX_MemBitmap&) = delete;
    ~PIX_MemBitmap() override;

    std::uint32_t* PixelData() override;
    int Width() const override { return width; }
    int Height() const override { return height; }
    int RowSpan() const override { return (width + kRowAlignMask) & ~kRowAlignMask; }
    bool IsBottomUp() const override { return false; }
    bool Resize(int w, int h) override;
    void* DrawingContext() override { return nullptr; }

    // Bytes of pixel storage reserved, without the alignment slack.
    std::size_t AllocatedBytes() const { return allocated; }

private:
    static constexpr int kRowAlignMask = 3;

    void* buffer = nullptr;    // owned block, 63 bytes larger than the reservation
    int width = 0;             // pixels
    int height = 0;            // pixels
    std::size_t allocated = 0; // bytes reserved for pixels
};

// The back buffer the editor draws into and the window copies to the screen:
// a top-down 32-bit buffer whose row span is its allocated width (a multiple
// of four). Shrinking keeps the storage; only growing past it reallocates.
// On Windows the storage is a DIB section selected into a memory drawing
// context, which the window copies from with BitBlt.
class PIX_SysBitmap : public PIX_IBitmap {
public:
    PIX_SysBitmap() = default;
    PIX_SysBitmap(const PIX_SysBitmap&) = delete;
    PIX_SysBitmap& operator=(const PIX_SysBitmap&) = delete;
    ~PIX_SysBitmap() override;

    std::uint32_t* PixelData() override { return pixels; }
    int Width() const override { return width; }
    int Height() const override { return height; }
    int RowSpan() const override { return allocWidth; }
    bool IsBottomUp() const override { return false; }
    bool Resize(int w, int h) override;
    void* DrawingContext() override { return drawingContext; }

private:
    void Release();
    // New storage of allocWidth x allocHeight pixels, zeroed; none on failure.
    std::uint32_t* Allocate();

    int width = 0;                   // pixels
    int height = 0;                  // pixels
    std::uint32_t* pixels = nullptr; // owned storage of allocWidth x allocHeight pixels
    int allocWidth = 0;              // pixels, multiple of 4; also the row span
    int allocHeight = 0;             // pixels
    void* drawingContext = nullptr;  // Windows: memory DC holding the DIB section
#if defined(_WIN32)
    void* section = nullptr;        // the DIB section (HBITMAP)
    void* previousObject = nullptr; // what the DC held before the section
#endif
};

// Largest pixel count a bitmap may hold (64 MiB of pixels); larger requests fail.
inline constexpr std::uint64_t kMaxBitmapPixels = 16u * 1024u * 1024u;

} // namespace torvik
