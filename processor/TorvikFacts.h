#pragma once
// TORVIK's facts, fixed when the module is built: names, codes, version,
// channel configurations, parameter count and editor geometry live here and
// nowhere else. The framework is handed them; what only one plug-in format
// tells its host is in that format's binding.
#include "framework/PluginFacts.h"
#include "processor/ParameterTable.h"

namespace torvik {

inline constexpr const char* kEffectName = "TORVIK";
inline constexpr const char* kMakerName = "Quellmark";
inline constexpr const char* kVersionText = "1.0.0";
// One parameter per row of the parameter table.
inline constexpr int kParameterCount = kTorvikParamCount;
inline constexpr int kEditorWidth = 1186;
inline constexpr int kEditorHeight = 644;
inline constexpr int kEditorFps = 25;

inline constexpr PluginFacts kTorvikFacts{
    .effectName = kEffectName,
    .productName = "",
    .makerName = kMakerName,
    .uniqueId = MakeFourCC('T', 'R', 'V', '1'),
    .makerId = MakeFourCC('Q', 'e', 'l', 'm'),
    .version = 0x00010000,
    .versionText = kVersionText,
    // Stereo in/out, or stereo plus a stereo sidechain in, stereo out.
    .channelConfig = "2-2 4-2",
    .parameterCount = kParameterCount,
    .editorWidth = kEditorWidth,
    .editorHeight = kEditorHeight,
    .editorFps = kEditorFps,
};

} // namespace torvik
