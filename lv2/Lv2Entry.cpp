// The LV2 bundle's binary: lv2_descriptor with TORVIK's one plug-in.
#include "lv2/EffectLv2.h"
#include "processor/Torvik.h"

#include <cstring>
#include <new>

namespace torvik {
namespace {

IEffectLv2* Self(LV2_Handle instance) {
    return static_cast<IEffectLv2*>(instance);
}

const LV2_Descriptor kDescriptor = {
    lv2::kPluginUri,
    [](const LV2_Descriptor*, double rate, const char*,
       const LV2_Feature* const* features) -> LV2_Handle {
        TORVIK* plugin = nullptr;
        try {
            plugin = new TORVIK();
        } catch (...) {
            return nullptr;
        }
        if (!plugin->Instantiate(rate, features)) {
            delete plugin;
            return nullptr;
        }
        return static_cast<IEffectLv2*>(plugin);
    },
    [](LV2_Handle instance, std::uint32_t port, void* data) {
        Self(instance)->ConnectPort(port, data);
    },
    [](LV2_Handle instance) { Self(instance)->Activate(); },
    [](LV2_Handle instance, std::uint32_t frames) { Self(instance)->Run(frames); },
    [](LV2_Handle instance) { Self(instance)->Deactivate(); },
    [](LV2_Handle instance) { delete Self(instance); },
    [](const char* uri) -> const void* {
        if (uri && std::strcmp(uri, LV2_STATE__interface) == 0)
            return &IEffectLv2::kStateInterface;
        return nullptr;
    },
};

} // namespace
} // namespace torvik

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor*
lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &torvik::kDescriptor : nullptr;
}
