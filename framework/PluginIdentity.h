#pragma once
// TORVIK's host-neutral identity, fixed when the module is built: names, codes,
// version, channel configurations and editor geometry live here and nowhere
// else. What only a VST 3 host is told is in vst3/Vst3Identity.h.
#include <cstdint>

namespace torvik {

// Packs four characters into 32 bits, first character in the most significant byte.
constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d));
}

inline constexpr const char* kEffectName = "TORVIK";
inline constexpr const char* kProductName = "";
inline constexpr const char* kMakerName = "Quellmark";
inline constexpr std::uint32_t kUniqueId = MakeFourCC('T', 'R', 'V', '1');
inline constexpr std::uint32_t kMakerId = MakeFourCC('Q', 'e', 'l', 'm');
// Major in the upper 16 bits, minor in bits 8-15, patch in bits 0-7.
inline constexpr std::int32_t kVersion = 0x00010000;
inline constexpr const char* kVersionText = "1.0.0";
// 1 = VST 3.
inline constexpr std::int32_t kApiCode = 1;
// Stereo in/out, or stereo plus a stereo sidechain in, stereo out.
inline constexpr const char* kChannelConfig = "2-2 4-2";
inline constexpr int kParameterCount = 40;

inline constexpr int kEditorWidth = 1186;
inline constexpr int kEditorHeight = 644;
inline constexpr int kEditorFps = 25;

} // namespace torvik
