#include "graphics/HeadlessDrawContext.h"

#include "graphics/PngResource.h"

#include <utility>

namespace torvik {

IDrawContextHeadless::IDrawContextHeadless(IEditorHost* plugIn, int w, int h, int rate,
                                           BitmapLoader bitmapLoader)
    : IDrawContextQuiet(plugIn, w, h, rate), loader(std::move(bitmapLoader)) {}

bool IDrawContextHeadless::PresentRegion(const Rect& rect) {
    ++presentCount;
    lastPresented = rect;
    return true;
}

PIX_IBitmap* IDrawContextHeadless::LoadPlatformBitmap(int id, const char* name) {
    if (loader)
        return loader(id, name);
    return LoadPngResource(nullptr, id, name);
}

} // namespace torvik
