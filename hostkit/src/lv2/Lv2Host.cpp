#include "hostkit/lv2/Lv2Host.h"

#include <dlfcn.h>

#include <cstring>

namespace hostkit::lv2 {

Lv2Library::Lv2Library(const std::string& binaryPath) {
    library = dlopen(binaryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        error = why ? why : "cannot load";
    }
}

Lv2Library::~Lv2Library() {
    if (library)
        dlclose(library);
}

const LV2_Descriptor* Lv2Library::Descriptor(const char* uri) const {
    if (!library)
        return nullptr;
    using Entry = const LV2_Descriptor* (*)(std::uint32_t);
    auto entry = reinterpret_cast<Entry>(dlsym(library, "lv2_descriptor"));
    for (std::uint32_t i = 0; entry; ++i) {
        const LV2_Descriptor* d = entry(i);
        if (!d)
            break;
        if (d->URI && std::strcmp(d->URI, uri) == 0)
            return d;
    }
    return nullptr;
}

UridMap::UridMap() {
    map.handle = this;
    map.map = [](LV2_URID_Map_Handle h, const char* uri) {
        return static_cast<UridMap*>(h)->Map(uri);
    };
}

LV2_URID UridMap::Map(const char* uri) {
    auto [it, added] = ids.emplace(uri, static_cast<LV2_URID>(ids.size() + 1));
    return it->second;
}

Lv2Instance::Lv2Instance(const LV2_Descriptor* d, double rate, std::uint32_t portCount,
                         bool withMap)
    : descriptor(d), controls(portCount, 0.0f) {
    if (!d)
        return;
    LV2_Feature mapFeature{LV2_URID__map, urids.Feature()};
    const LV2_Feature* features[] = {withMap ? &mapFeature : nullptr, nullptr};
    handle = d->instantiate(d, rate, "", features);
    if (!handle)
        return;
    for (std::uint32_t p = 0; p < portCount; ++p)
        d->connect_port(handle, p, &controls[p]);
}

Lv2Instance::~Lv2Instance() {
    if (!handle)
        return;
    Deactivate();
    descriptor->cleanup(handle);
}

void Lv2Instance::ConnectAudio(std::uint32_t port, float* data) {
    descriptor->connect_port(handle, port, data);
}

void Lv2Instance::Activate() {
    if (!active && descriptor->activate)
        descriptor->activate(handle);
    active = true;
}

void Lv2Instance::Run(std::uint32_t frames) {
    descriptor->run(handle, frames);
}

void Lv2Instance::Deactivate() {
    if (active && descriptor->deactivate)
        descriptor->deactivate(handle);
    active = false;
}

namespace {
const LV2_State_Interface* StateOf(const LV2_Descriptor* d) {
    return d && d->extension_data
               ? static_cast<const LV2_State_Interface*>(d->extension_data(LV2_STATE__interface))
               : nullptr;
}
} // namespace

bool Lv2Instance::Save(std::vector<Property>& properties) {
    const LV2_State_Interface* state = StateOf(descriptor);
    if (!state)
        return false;
    properties.clear();
    auto store = [](LV2_State_Handle h, std::uint32_t key, const void* value, std::size_t size,
                    std::uint32_t type, std::uint32_t) {
        const auto* bytes = static_cast<const std::uint8_t*>(value);
        static_cast<std::vector<Property>*>(h)->push_back(
            {key, type, std::vector<std::uint8_t>(bytes, bytes + size)});
        return LV2_STATE_SUCCESS;
    };
    return state->save(handle, store, &properties, 0, nullptr) == LV2_STATE_SUCCESS;
}

LV2_State_Status Lv2Instance::Restore(const std::vector<Property>& properties) {
    const LV2_State_Interface* state = StateOf(descriptor);
    if (!state)
        return LV2_STATE_ERR_NO_FEATURE;
    auto retrieve = [](LV2_State_Handle h, std::uint32_t key, std::size_t* size,
                       std::uint32_t* type, std::uint32_t* flags) -> const void* {
        for (const Property& p : *static_cast<const std::vector<Property>*>(h)) {
            if (p.key != key)
                continue;
            *size = p.bytes.size();
            *type = p.type;
            *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
            return p.bytes.data();
        }
        return nullptr;
    };
    return state->restore(handle, retrieve, const_cast<std::vector<Property>*>(&properties), 0,
                          nullptr);
}

} // namespace hostkit::lv2
