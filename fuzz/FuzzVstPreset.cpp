// Arbitrary bytes as a .vstpreset file: parsed or refused, never a crash.
#include "hostkit/PresetFile.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    hostkit::readPresetFile(std::vector<std::uint8_t>(data, data + size), &error);
    return 0;
}
