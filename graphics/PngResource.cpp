#include "graphics/PngResource.h"

#include "graphics/PngDecode.h"

#if TORVIK_HAS_RESOURCES
#include "resources/PlatformResources.h"
#endif

namespace torvik {

#if TORVIK_HAS_RESOURCES

PIX_IBitmap* LoadPngResource(const void* module, int id, const char* name) {
    if (!HasPngExtension(name))
        return nullptr;
    using namespace platform;
    const auto handle = static_cast<HMODULE>(const_cast<void*>(module));
    HRSRC info = FindResourceA(handle, MakeIntResourceA(id), "PNG");
    if (!info)
        return nullptr;
    const DWORD size = SizeofResource(handle, info);
    if (size <= 7)
        return nullptr;
    const void* bytes = LockResource(LoadResource(handle, info));
    if (!bytes)
        return nullptr;
    return DecodePngMemory(static_cast<const unsigned char*>(bytes), size);
}

bool HasPngResources() {
    return true;
}

#else

// A build without the image resources finds none.
PIX_IBitmap* LoadPngResource(const void* /*module*/, int /*id*/, const char* /*name*/) {
    return nullptr;
}

bool HasPngResources() {
    return false;
}

#endif

} // namespace torvik
