#pragma once
// The binding TORVIK sits on in the VST 3 module.
#include "vst3/EffectVST3.h"

namespace torvik {
using PluginBinding = IEffectVST3;
} // namespace torvik
