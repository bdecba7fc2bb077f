#pragma once

// The editor's PNG images, compiled into the module. Each image is known by the
// numeric resource ID the editor asks for and by its file name, which keeps the
// ".png" extension the loader checks.

#include <cstddef>
#include <span>

namespace torvik {

// One compiled-in image.
struct ImageResource {
    int id;                    // resource ID, 101 to 146 (there is no 138)
    const char* name;          // file name, e.g. "resources/img/BG.png"
    const unsigned char* data; // the PNG file's bytes
    std::size_t size;          // number of bytes at data
    int frames;                // frames stacked top to bottom in the image
};

// The same image drawn at 200 % has this ID plus the offset.
inline constexpr int kScaledImageIdOffset = 1000;

// The image with this resource ID (either scale), or nullptr when there is none.
const ImageResource* FindImageResource(int id) noexcept;

// Every image at 100 %, in ascending ID order.
std::span<const ImageResource> ImageResources() noexcept;
// Every image at 200 %, in the same order.
std::span<const ImageResource> ScaledImageResources() noexcept;

} // namespace torvik
