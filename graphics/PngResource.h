#pragma once
// Loading the editor's PNG images from the module's resources.
#include "graphics/Bitmap.h"

namespace torvik {

// Decodes the PNG resource with numeric ID id of the given module. name serves
// only for its extension, which must be "png" in any case. None when the name,
// the resource or its bytes are unusable. The caller owns the bitmap.
PIX_IBitmap* LoadPngResource(const void* module, int id, const char* name);

// Whether this build carries the editor's images as module resources.
bool HasPngResources();

} // namespace torvik
