#include "graphics/Geometry.h"

#include <algorithm>

namespace torvik {

bool Intersects(const Rect& a, const Rect& b) {
    if (a.IsEmpty() || b.IsEmpty())
        return false;
    return a.right >= b.left && a.left < b.right && a.bottom >= b.top && a.top < b.bottom;
}

Rect Intersection(const Rect& a, const Rect& b) {
    if (!Intersects(a, b))
        return Rect{};
    return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

Rect BoundingBox(const Rect& a, const Rect& b) {
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

} // namespace torvik
