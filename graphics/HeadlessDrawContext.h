#pragma once
// A graphics context without a window, for tests and tools: it draws into its
// back buffer as usual and "presents" by remembering the region.
#include "graphics/QuietDrawContext.h"

#include <functional>

namespace torvik {

class IDrawContextHeadless : public IDrawContextQuiet {
public:
    // Loads the bitmap for a resource ID; the caller of the loader owns the result.
    using BitmapLoader = std::function<PIX_IBitmap*(int id, const char* name)>;

    // Without a loader, bitmaps come from the module's PNG resources.
    IDrawContextHeadless(IEditorHost* plug, int width, int height, int fps,
                         BitmapLoader loader = {});

    bool PresentRegion(const Rect& rect) override;
    const char* BackendName() override { return "Headless"; }
    void* OpenEditorWindow(void* /*parent*/) override { return nullptr; }
    void CloseEditorWindow(void* /*window*/) override {}
    void* NativeWindow() override { return nullptr; }
    // Tests and tools draw it at once: its surfaces exist from the start.
    bool NeedsSurfaces() override { return true; }
    PIX_IBitmap* LoadPlatformBitmap(int id, const char* name) override;

    // Presented regions so far, and the last one.
    int PresentCount() const { return presentCount; }
    const Rect& LastPresented() const { return lastPresented; }

private:
    BitmapLoader loader; // where bitmaps come from; empty = module resources
    int presentCount = 0;
    Rect lastPresented;
};

} // namespace torvik
