#pragma once
// A bitmap control that steps through its frames on every press, any button:
// a two-frame switch toggles 0 -> 1 -> 0.
#include "graphics/BitmapControl.h"

namespace torvik {

class ISwitchControl : public IBitmapControl {
public:
    ISwitchControl(IEditorHost* plug, int x, int y, int paramIndex, const BitmapRef& bitmap,
                   BlendMethod method = BlendNone);

    void OnPress(int x, int y, const MouseMods& mods) override;
    // The second click of a double click steps again.
    void OnDoubleClick(int x, int y, const MouseMods& mods) override;
};

} // namespace torvik
