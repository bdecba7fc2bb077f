// The CLAP module's entry: clap_entry, its plug-in factory and TORVIK's
// descriptor. init and deinit are counted, so nested loading works.
#include "clap/EffectClap.h"
#include "processor/Torvik.h"
#include "processor/TorvikFacts.h"

#include <cstring>
#include <mutex>
#include <new>

namespace torvik {
namespace {

// What a CLAP host is told about TORVIK; the rest of its identity is in its facts.
constexpr const char* kClapPluginId = "com.quellmark.torvik";
constexpr const char* const kClapFeatures[] = {
    "audio-effect", "equalizer", "compressor", "de-esser", "gate", "mixing", "stereo", nullptr,
};

const clap_plugin_descriptor kDescriptor = {
    CLAP_VERSION,
    kClapPluginId,
    kEffectName,
    kMakerName,
    "https://www.quellmark.com/torvik",
    "",
    "",
    kVersionText,
    "Vocal and channel strip: preamp, de-esser, gate, equaliser and compressor",
    kClapFeatures,
};

std::mutex entryLock;
int entryCount = 0;

const clap_plugin_factory kFactory = {
    [](const clap_plugin_factory*) -> std::uint32_t { return 1; },
    [](const clap_plugin_factory*, std::uint32_t index) -> const clap_plugin_descriptor* {
        return index == 0 ? &kDescriptor : nullptr;
    },
    [](const clap_plugin_factory*, const clap_host* host,
       const char* pluginId) -> const clap_plugin* {
        if (!host || !pluginId || std::strcmp(pluginId, kClapPluginId) != 0 ||
            !clap_version_is_compatible(host->clap_version))
            return nullptr;
        // No host call here: the host's extensions are asked in init.
        TORVIK* plugin = nullptr;
        try {
            plugin = new TORVIK();
        } catch (...) {
            return nullptr;
        }
        plugin->BindHost(host, &kDescriptor);
        return plugin->ClapPlugin();
    },
};

} // namespace
} // namespace torvik

using namespace torvik;

extern "C" {
#if defined(_WIN32)
__declspec(dllexport)
#else
__attribute__((visibility("default")))
#endif
    extern const clap_plugin_entry clap_entry = {
        CLAP_VERSION,
        [](const char*) {
            std::lock_guard guard(entryLock);
            ++entryCount;
            return true;
        },
        [] {
            std::lock_guard guard(entryLock);
            if (entryCount > 0)
                --entryCount;
        },
        [](const char* factoryId) -> const void* {
            return factoryId && std::strcmp(factoryId, CLAP_PLUGIN_FACTORY_ID) == 0 ? &kFactory
                                                                                    : nullptr;
        },
};
}
