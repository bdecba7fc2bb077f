#pragma once
// The graphics context of this platform for a plug-in's editor: the window
// layer's class, with no window open yet. The processor calls this when it
// builds its editor.
#include "graphics/DrawContext.h"

namespace torvik {

IDrawContext* CreateEditorContext(IEditorHost* plug, int width, int height, int fps);

} // namespace torvik
