#include "hostkit/lv2/Lv2UiHost.h"

#include <lv2/atom/atom.h>

#include <dlfcn.h>

#include <cstring>

namespace hostkit::lv2 {

Lv2UiLibrary::Lv2UiLibrary(const std::string& binaryPath) {
    library = dlopen(binaryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        error = why ? why : "cannot load";
    }
}

Lv2UiLibrary::~Lv2UiLibrary() {
    if (library)
        dlclose(library);
}

const LV2UI_Descriptor* Lv2UiLibrary::Descriptor(const char* uri) const {
    if (!library)
        return nullptr;
    auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    for (std::uint32_t i = 0; entry; ++i) {
        const LV2UI_Descriptor* d = entry(i);
        if (!d)
            break;
        if (d->URI && std::strcmp(d->URI, uri) == 0)
            return d;
    }
    return nullptr;
}

Lv2UiInstance::Lv2UiInstance(const LV2UI_Descriptor* d, const char* pluginUri,
                             const std::string& bundlePath, unsigned long parentWindow,
                             const UiFeatures& offered)
    : descriptor(d), scale(offered.scaleFactor) {
    if (!d)
        return;
    touch.handle = this;
    touch.touch = [](LV2UI_Feature_Handle h, std::uint32_t port, bool grabbed) {
        static_cast<Lv2UiInstance*>(h)->touches.push_back({port, grabbed});
    };
    resize.handle = this;
    resize.ui_resize = [](LV2UI_Feature_Handle h, int width, int height) {
        static_cast<Lv2UiInstance*>(h)->resizes.emplace_back(width, height);
        return 0;
    };
    options[0] = {LV2_OPTIONS_INSTANCE,       0,     urids.Map(LV2_UI__scaleFactor), sizeof(float),
                  urids.Map(LV2_ATOM__Float), &scale};
    LV2_Feature parentFeature{LV2_UI__parent,
                              reinterpret_cast<void*>(static_cast<std::uintptr_t>(parentWindow))};
    LV2_Feature mapFeature{LV2_URID__map, urids.Feature()};
    LV2_Feature touchFeature{LV2_UI__touch, &touch};
    LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
    std::vector<const LV2_Feature*> features{&mapFeature};
    if (offered.parent)
        features.push_back(&parentFeature);
    if (offered.touch)
        features.push_back(&touchFeature);
    if (offered.resize)
        features.push_back(&resizeFeature);
    if (offered.idle)
        features.push_back(&idleFeature);
    if (offered.scaleFactor > 0.0f)
        features.push_back(&optionsFeature);
    features.push_back(nullptr);
    auto write = [](LV2UI_Controller c, std::uint32_t port, std::uint32_t size,
                    std::uint32_t protocol, const void* buffer) {
        float value = 0.0f;
        if (size == sizeof value && buffer)
            std::memcpy(&value, buffer, sizeof value);
        static_cast<Lv2UiInstance*>(c)->writes.push_back({port, size, protocol, value});
    };
    LV2UI_Widget w = nullptr;
    handle = d->instantiate(d, pluginUri, bundlePath.c_str(), write, this, &w, features.data());
    if (!handle)
        return;
    widget = static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(w));
    if (offered.idle && d->extension_data)
        idle = static_cast<const LV2UI_Idle_Interface*>(d->extension_data(LV2_UI__idleInterface));
}

Lv2UiInstance::~Lv2UiInstance() {
    Cleanup();
}

void Lv2UiInstance::Cleanup() {
    if (handle)
        descriptor->cleanup(handle);
    handle = nullptr;
    widget = 0;
}

void Lv2UiInstance::PortEvent(std::uint32_t port, float value) {
    RawPortEvent(port, sizeof value, 0, &value);
}

void Lv2UiInstance::RawPortEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                                 const void* buffer) {
    if (handle && descriptor->port_event)
        descriptor->port_event(handle, port, size, format, buffer);
}

int Lv2UiInstance::Idle() {
    return handle && idle && idle->idle ? idle->idle(handle) : -1;
}

} // namespace hostkit::lv2
