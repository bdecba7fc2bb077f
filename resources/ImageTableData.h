#pragma once

// The table written at build time from the PNG files (see EmbedImages.cmake).
// Only ImageResources.cpp reads it; everyone else uses ImageResources.h.

#include "resources/ImageResources.h"

#include <cstddef>

namespace torvik {

extern const ImageResource kImageTable[];
extern const std::size_t kImageTableSize;

} // namespace torvik
