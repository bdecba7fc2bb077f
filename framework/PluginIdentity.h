#pragma once
// TORVIK's identity, fixed when the module is built: names, codes, version,
// channel configurations and editor geometry all live here and nowhere else.
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

// The effect class ID as four words: a fixed prefix, then the codes Qelm and TRV1.
inline constexpr std::uint32_t kClassIdWords[4] = {0xF2AEE70D, 0x00DE4F4E, 0x51656C6D, 0x54525631};
inline constexpr const char* kFactoryUrl = "https://www.quellmark.com/torvik";
inline constexpr const char* kFactoryEmail = "support@quellmark.com";
inline constexpr const char* kClassCategory = "Audio Module Class";
inline constexpr const char* kClassSubCategories = "Fx";
inline constexpr const char* kSdkVersionText = "VST 3.6.12";

} // namespace torvik
