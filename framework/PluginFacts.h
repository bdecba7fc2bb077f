#pragma once
// The facts a plug-in hands to the framework when it is built: names, codes,
// version, channel configurations, parameter count and editor geometry. The
// framework holds no product's facts of its own.
#include <cstdint>

namespace torvik {

// Packs four characters into 32 bits, first character in the most significant byte.
constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d));
}

struct PluginFacts {
    const char* effectName = "";
    const char* productName = "";
    const char* makerName = "";
    std::uint32_t uniqueId = 0;
    std::uint32_t makerId = 0;
    // Major in the upper 16 bits, minor in bits 8-15, patch in bits 0-7.
    std::int32_t version = 0;
    // The same version as "major.minor.patch".
    const char* versionText = "";
    // Accepted channel counts as "in-out" pairs separated by blanks, e.g. "2-2 4-2".
    const char* channelConfig = "";
    int parameterCount = 0;
    int editorWidth = 0;  // pixels
    int editorHeight = 0; // pixels
    int editorFps = 0;    // redraw timer rate, ticks per second
};

} // namespace torvik
