#pragma once
// The binding TORVIK sits on in the CLAP module.
#include "clap/EffectClap.h"

namespace torvik {
using PluginBinding = IEffectClap;
} // namespace torvik
