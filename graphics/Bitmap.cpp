#include "graphics/Bitmap.h"

#include <cstdlib>

#ifdef _WIN32
#include "graphics/win/DibSection.h"
#endif

namespace torvik {

namespace {

// Rounds an address up to the next multiple of 64 bytes.
std::uint32_t* Align64(void* block) {
    auto address = reinterpret_cast<std::uintptr_t>(block);
    address = (address + 63u) & ~static_cast<std::uintptr_t>(63u);
    return reinterpret_cast<std::uint32_t*>(address);
}

// Bytes for h rows of span pixels, or 0 when the size is unusable or too large.
std::size_t PixelBytes(int span, int h) {
    if (span <= 0 || h <= 0)
        return 0;
    const std::uint64_t count = static_cast<std::uint64_t>(span) * static_cast<std::uint64_t>(h);
    if (count > kMaxBitmapPixels)
        return 0;
    return static_cast<std::size_t>(count * 4u);
}

} // namespace

std::uint32_t* BitmapRow(PIX_IBitmap& bitmap, int r) {
    std::uint32_t* data = bitmap.PixelData();
    const std::ptrdiff_t span = bitmap.RowSpan();
    const int row = bitmap.IsBottomUp() ? bitmap.Height() - 1 - r : r;
    return data + span * row;
}

PIX_MemBitmap::~PIX_MemBitmap() {
    std::free(buffer);
}

std::uint32_t* PIX_MemBitmap::PixelData() {
    return buffer ? Align64(buffer) : nullptr;
}

bool PIX_MemBitmap::Resize(int w, int h) {
    if (w == width && h == height)
        return false;
    width = w;
    height = h;
    // A negative or oversized request reads as zero bytes and leaves no pixels.
    const std::size_t bytes = (w > 0 && h > 0 && w <= (1 << 28)) ? PixelBytes(RowSpan(), h) : 0;
    if (bytes > 0) {
        if (!buffer) {
            buffer = std::malloc(bytes + 63);
            allocated = buffer ? bytes : 0;
        } else if (allocated < bytes) {
            const std::size_t grown = (bytes / 4) * 5;
            void* block = std::realloc(buffer, grown + 63);
            if (block) {
                buffer = block;
                allocated = grown;
            } else {
                std::free(buffer);
                buffer = std::malloc(bytes + 63);
                allocated = buffer ? bytes : 0;
            }
        }
    } else {
        std::free(buffer);
        buffer = nullptr;
        allocated = 0;
    }
    if (!buffer) {
        width = 0;
        height = 0;
    }
    return true;
}

PIX_SysBitmap::~PIX_SysBitmap() {
    Release();
}

#ifdef _WIN32

void PIX_SysBitmap::Release() {
    if (drawingContext) {
        SelectObject(static_cast<HDC>(drawingContext), static_cast<HGDIOBJ>(previousObject));
        DeleteDC(static_cast<HDC>(drawingContext));
    }
    if (section)
        DeleteObject(static_cast<HBITMAP>(section));
    drawingContext = section = previousObject = nullptr;
    pixels = nullptr;
}

std::uint32_t* PIX_SysBitmap::Allocate() {
    void* bits = nullptr;
    HBITMAP dib = CreateTopDownSection(allocWidth, allocHeight, &bits);
    HDC dc = dib ? CreateCompatibleDC(nullptr) : nullptr;
    if (!dc) {
        if (dib)
            DeleteObject(dib);
        return nullptr;
    }
    section = dib;
    drawingContext = dc;
    previousObject = SelectObject(dc, dib);
    return static_cast<std::uint32_t*>(bits); // a new section is zeroed
}

#else

void PIX_SysBitmap::Release() {
    std::free(pixels);
    pixels = nullptr;
}

std::uint32_t* PIX_SysBitmap::Allocate() {
    const std::size_t bytes = PixelBytes(allocWidth, allocHeight);
    return bytes > 0 ? static_cast<std::uint32_t*>(std::calloc(bytes / 4, 4)) : nullptr;
}

#endif

bool PIX_SysBitmap::Resize(int w, int h) {
    if (w == width && h == height)
        return false;
    width = w;
    height = h;
    if (w != 0 && h != 0 && w <= allocWidth && h <= allocHeight && pixels)
        return true; // the storage is big enough: keep it and its row span
    allocHeight = h;
    allocWidth = (w > 0 && w <= (1 << 28)) ? (w + 3) & ~3 : 0;
    Release();
    if (w < 1 || h < 1) {
        allocWidth = 0;
        allocHeight = 0;
        width = 0;
        height = 0;
        return false;
    }
    if (PixelBytes(allocWidth, h) > 0)
        pixels = Allocate();
    if (!pixels) {
        width = 0;
        height = 0;
        allocWidth = 0;
        allocHeight = 0;
    }
    return true;
}

} // namespace torvik
