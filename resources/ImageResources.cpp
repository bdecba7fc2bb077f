#include "resources/ImageResources.h"

#include "resources/ImageTableData.h"

namespace torvik {

// The table holds the 100 % images, then the same ones at 200 %.
const ImageResource* FindImageResource(int id) noexcept {
    for (std::size_t i = 0; i < kImageTableSize; ++i) {
        if (kImageTable[i].id == id) {
            return &kImageTable[i];
        }
    }
    return nullptr;
}

std::span<const ImageResource> ImageResources() noexcept {
    return {kImageTable, kImageTableSize / 2};
}

std::span<const ImageResource> ScaledImageResources() noexcept {
    return {kImageTable + kImageTableSize / 2, kImageTableSize / 2};
}

} // namespace torvik
