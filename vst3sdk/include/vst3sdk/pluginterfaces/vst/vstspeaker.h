// Speakers and speaker arrangements (64-bit sets; channel count = set bits).
#pragma once

#include "vst3sdk/pluginterfaces/vst/vsttypes.h"

#include <bit>

namespace Steinberg::Vst {

inline constexpr Speaker kSpeakerL = 1ull << 0;
inline constexpr Speaker kSpeakerR = 1ull << 1;
inline constexpr Speaker kSpeakerC = 1ull << 2;
inline constexpr Speaker kSpeakerLfe = 1ull << 3;
inline constexpr Speaker kSpeakerLs = 1ull << 4;
inline constexpr Speaker kSpeakerRs = 1ull << 5;
inline constexpr Speaker kSpeakerCs = 1ull << 8;
inline constexpr Speaker kSpeakerS = kSpeakerCs;
inline constexpr Speaker kSpeakerM = 1ull << 19;

namespace SpeakerArr {
inline constexpr SpeakerArrangement kEmpty = 0;
inline constexpr SpeakerArrangement kMono = kSpeakerM;
inline constexpr SpeakerArrangement kStereo = kSpeakerL | kSpeakerR;
inline constexpr SpeakerArrangement k30Cine = kSpeakerL | kSpeakerR | kSpeakerC;
inline constexpr SpeakerArrangement k30Music = kSpeakerL | kSpeakerR | kSpeakerCs;
inline constexpr SpeakerArrangement k31Cine = k30Cine | kSpeakerLfe;
inline constexpr SpeakerArrangement k40Cine = k30Cine | kSpeakerCs;
inline constexpr SpeakerArrangement k40Music = kSpeakerL | kSpeakerR | kSpeakerLs | kSpeakerRs;
inline constexpr SpeakerArrangement k41Music = k40Music | kSpeakerLfe;
inline constexpr SpeakerArrangement k50 = k40Music | kSpeakerC;
inline constexpr SpeakerArrangement k51 = k50 | kSpeakerLfe;

/** Number of channels (set bits) of an arrangement. */
constexpr int32 getChannelCount(SpeakerArrangement arr) {
    return std::popcount(arr);
}

static_assert(kMono == 0x80000 && kStereo == 0x3 && k30Cine == 0x7 && k30Music == 0x103);
static_assert(k31Cine == 0xF && k40Cine == 0x107 && k40Music == 0x33 && k41Music == 0x3B);
static_assert(k50 == 0x37 && k51 == 0x3F);
} // namespace SpeakerArr

} // namespace Steinberg::Vst
