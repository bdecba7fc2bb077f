#pragma once
// The binding's own host parameters besides the plug-in's 40: IDs made of
// four characters packed big-endian, clear of the parameter indices.
#include "vst3sdk/pluginterfaces/vst/vsttypes.h"

namespace torvik {

inline constexpr Steinberg::Vst::ParamID kPresetParamId = 0x70727374; // 'prst'
inline constexpr Steinberg::Vst::ParamID kBypassParamId = 0x62706173; // 'bpas'

} // namespace torvik
