#pragma once
// TORVIK's editor: one background and 44 controls drawn from film strips,
// with the bitmap, place and parameter of each.
#include "resources/ImageIds.h"

#include <span>

namespace torvik {

class IEditorHost;
class IDrawContext;

enum class ControlKind { Background, Knob, Switch, Meter };

// One control of the editor.
struct ControlLayout {
    ControlKind kind;
    int bitmapId;     // PNG resource ID
    const char* name; // resource file name, for its extension
    int frames;       // frames stacked in the strip
    int bitmapWidth;  // whole strip, pixels
    int bitmapHeight; // whole strip, pixels
    int x;            // top-left corner in the editor
    int y;
    int paramIndex; // bound parameter, -1 for none

    // A control drawn from one of the editor's images, at (x, y).
    constexpr ControlLayout(ControlKind k, const images::Image& image, int left, int top, int param)
        : kind(k), bitmapId(image.id), name(image.name), frames(image.frames),
          bitmapWidth(image.width), bitmapHeight(image.height), x(left), y(top), paramIndex(param) {
    }
};

// Every control in attach order; position = control index.
std::span<const ControlLayout> TorvikEditorLayout();

// Control indices of the five meters, as the editor attached them.
struct MeterControlIndices {
    int pre = -1;
    int main = -1;
    int deEss = -1;
    int gate = -1;
    int comp = -1;
};

// Puts the background and the 44 controls into a fresh context. A strip that
// cannot be loaded leaves its control at its place and size, drawing nothing.
MeterControlIndices BuildTorvikEditor(IEditorHost& plug, IDrawContext& context);

} // namespace torvik
