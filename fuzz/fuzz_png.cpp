// Arbitrary bytes as a PNG image: a bitmap or none, never a crash or a huge allocation.
#include "graphics/Bitmap.h"
#include "graphics/PngDecode.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    torvik::PIX_IBitmap* bitmap = torvik::DecodePngMemory(data, size);
    delete bitmap;
    return 0;
}
