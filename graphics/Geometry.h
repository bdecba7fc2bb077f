#pragma once
// Plain records shared by the graphics context, the controls and the window
// layer: rectangles, mouse modifier state and blend settings.
#include <cstdint>

namespace torvik {

// Editor pixels; right and bottom are exclusive for hit tests. Only the
// all-zero rectangle counts as empty.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool IsEmpty() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
    bool operator==(const Rect&) const = default;
};

// Whether two rectangles overlap; rectangles that only share an edge count as
// overlapping, and an empty rectangle overlaps nothing.
bool Intersects(const Rect& a, const Rect& b);
// The overlap of two rectangles, or the empty rectangle when they do not meet.
Rect Intersection(const Rect& a, const Rect& b);
// Smallest rectangle holding both.
Rect BoundingBox(const Rect& a, const Rect& b);

// Buttons and keys held during a mouse event.
struct MouseMods {
    bool left = false;
    bool right = false;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

enum BlendMethod : std::int32_t {
    BlendNone = 0,   // draw through the source alpha
    BlendOpaque = 1, // plain copy, alpha ignored
    BlendAdd = 2,
    BlendDodge = 3,
};

struct Blend {
    BlendMethod method = BlendNone;
    float weight = 1.0f; // 0..1 strength of the source
};

} // namespace torvik
