#pragma once
// The binding TORVIK sits on in the LV2 bundle.
#include "lv2/EffectLv2.h"

namespace torvik {
using PluginBinding = IEffectLv2;
} // namespace torvik
