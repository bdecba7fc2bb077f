#pragma once
// What a VST 3 host is told about the module's one class and its maker; the
// host-neutral identity (names, codes, version) is the framework's.
#include <cstdint>

namespace torvik {

// The effect class ID as four words: a fixed prefix, then the codes Qelm and TRV1.
inline constexpr std::uint32_t kClassIdWords[4] = {0xF2AEE70D, 0x00DE4F4E, 0x51656C6D, 0x54525631};
inline constexpr const char* kFactoryUrl = "https://www.quellmark.com/torvik";
inline constexpr const char* kFactoryEmail = "support@quellmark.com";
inline constexpr const char* kClassCategory = "Audio Module Class";
inline constexpr const char* kClassSubCategories = "Fx";
inline constexpr const char* kSdkVersionText = "VST 3.6.12";

} // namespace torvik
