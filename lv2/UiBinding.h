#pragma once
// The binding TORVIK sits on in the LV2 bundle's editor binary.
#include "lv2/EffectLv2Ui.h"

namespace torvik {
using PluginBinding = IEffectLv2Ui;
} // namespace torvik
