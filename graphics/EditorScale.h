#pragma once
// The sizes the editor is shown at, in percent of its drawn size, and how one
// is chosen: from a host's content scale factor or from the desktop's
// Xft.dpi resource.
#include <span>

namespace torvik {

// Supported scales, percent, ascending. Art exists (or is derived) for each.
inline constexpr int kEditorScales[] = {100, 125, 150, 175, 200};
inline constexpr int kDefaultEditorScale = 100;
// The X resource Xft.dpi that a desktop at 100 % publishes.
inline constexpr double kBaseDpi = 96.0;

std::span<const int> EditorScales();
bool IsEditorScale(int percent);
// The supported scale nearest to a factor (1.0 = 100 %); ties go to the
// smaller scale; NaN, infinite, zero or negative factors give the default.
int NearestEditorScale(double factor);
// A length of the editor at 100 % shown at percent, rounded to whole pixels.
int ScaledLength(int length, int percent);
// The scale the desktop asks for in the text of the root window's
// RESOURCE_MANAGER property: the nearest scale to Xft.dpi / 96. 0 when the
// text has no usable Xft.dpi line.
int EditorScaleFromXResources(const char* text);

} // namespace torvik
