// Scalar types and common constants of the Vst namespace.
#pragma once

#include "vst3sdk/pluginterfaces/base/ftypes.h"

namespace Steinberg::Vst {

using TChar = char16;              ///< UTF-16 code unit
using String128 = TChar[128];      ///< fixed 128-unit UTF-16 string
using CString = const char8*;      ///< 8-bit string
using MediaType = int32;           ///< kAudio or kEvent
using BusDirection = int32;        ///< kInput or kOutput
using BusType = int32;             ///< kMain or kAux
using IoMode = int32;              ///< kSimple, kAdvanced, kOfflineProcessing
using UnitID = int32;              ///< unit identifier
using ProgramListID = int32;       ///< program list identifier
using KnobMode = int32;            ///< kCircularMode, kRelativCircularMode, kLinearMode
using ParamID = uint32;            ///< parameter identifier
using ParamValue = double;         ///< normalised value 0..1 (or plain value where noted)
using TQuarterNotes = double;      ///< musical position in quarter notes
using SampleRate = double;         ///< Hz
using Sample32 = float;            ///< 32-bit sample
using Sample64 = double;           ///< 64-bit sample
using TSamples = int64;            ///< time in samples
using CtrlNumber = int16;          ///< MIDI controller number
using SpeakerArrangement = uint64; ///< bit set of speakers
using Speaker = uint64;            ///< one speaker bit

/** The SDK version this layer matches, reported in PClassInfo2::sdkVersion. */
inline constexpr const char8* kVstVersionString = "VST 3.6.12";

inline constexpr ParamID kNoParamId = 0xFFFFFFFFu;

inline constexpr const char8* kVstAudioEffectClass = "Audio Module Class";
inline constexpr const char8* kVstComponentControllerClass = "Component Controller Class";

/** Default factory flags of VST 3 modules (PFactoryInfo::kUnicode). */
inline constexpr int32 kDefaultFactoryFlags = 1 << 4;

} // namespace Steinberg::Vst
