// The LV2 bundle's editor binary: lv2ui_descriptor with TORVIK's one X11 UI.
#include "lv2/EffectLv2Ui.h"
#include "processor/Torvik.h"

#include <cstring>
#include <new>

namespace torvik {
namespace {

IEffectLv2Ui* Self(LV2UI_Handle ui) {
    return static_cast<IEffectLv2Ui*>(ui);
}

const LV2UI_Descriptor kDescriptor = {
    lv2::kUiUri,
    [](const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
       LV2UI_Controller controller, LV2UI_Widget* widget,
       const LV2_Feature* const* features) -> LV2UI_Handle {
        if (!pluginUri || std::strcmp(pluginUri, lv2::kPluginUri) != 0 || !widget)
            return nullptr;
        TORVIK* plugin = nullptr;
        try {
            plugin = new TORVIK();
        } catch (...) {
            return nullptr;
        }
        // The meter ports in port order, which is the processor's meter order.
        const MeterControlIndices c = plugin->MeterControls();
        const int meters[] = {c.pre, c.main, c.deEss, c.gate, c.comp};
        if (!plugin->Instantiate(write, controller, features, meters)) {
            delete plugin;
            return nullptr;
        }
        *widget = plugin->Widget();
        return static_cast<IEffectLv2Ui*>(plugin);
    },
    [](LV2UI_Handle ui) {
        Self(ui)->CloseEditor();
        delete Self(ui);
    },
    [](LV2UI_Handle ui, std::uint32_t port, std::uint32_t size, std::uint32_t format,
       const void* buffer) { Self(ui)->PortEvent(port, size, format, buffer); },
    [](const char* uri) -> const void* {
        if (uri && std::strcmp(uri, LV2_UI__idleInterface) == 0)
            return &IEffectLv2Ui::kIdleInterface;
        return nullptr;
    },
};

} // namespace
} // namespace torvik

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor*
lv2ui_descriptor(std::uint32_t index) {
    return index == 0 ? &torvik::kDescriptor : nullptr;
}
