#include "resources/ImageResources.h"

#include "resources/ImageTableData.h"

namespace torvik {

const ImageResource* FindImageResource(int id) noexcept {
    for (const ImageResource& image : ImageResources()) {
        if (image.id == id) {
            return &image;
        }
    }
    return nullptr;
}

std::span<const ImageResource> ImageResources() noexcept {
    return {kImageTable, kImageTableSize};
}

} // namespace torvik
