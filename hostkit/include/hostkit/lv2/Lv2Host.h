// The LV2 side of the host kit: load a bundle's binary, map URIDs, create an
// instance, connect its ports, run it, and save and restore its state.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace hostkit::lv2 {

/// A bundle's binary, loaded; unloaded on destruction.
class Lv2Library {
public:
    explicit Lv2Library(const std::string& binaryPath);
    ~Lv2Library();
    Lv2Library(const Lv2Library&) = delete;
    Lv2Library& operator=(const Lv2Library&) = delete;
    /// The descriptor with this URI, or none.
    const LV2_Descriptor* Descriptor(const char* uri) const;
    const std::string& Error() const { return error; }

private:
    void* library = nullptr;
    std::string error;
};

/// URIs to integers, as a host's urid:map feature.
class UridMap {
public:
    UridMap();
    LV2_URID Map(const char* uri);
    LV2_URID_Map* Feature() { return &map; }

private:
    std::map<std::string, LV2_URID> ids;
    LV2_URID_Map map{};
};

/// One instance with its ports as host-owned floats; cleaned up on destruction.
class Lv2Instance {
public:
    /// withMap false: the host offers no urid:map.
    Lv2Instance(const LV2_Descriptor* descriptor, double rate, std::uint32_t portCount,
                bool withMap = true);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool Created() const { return handle != nullptr; }
    /// A control port's value (connected from the start).
    float& Control(std::uint32_t port) { return controls[port]; }
    /// Audio ports: connected to these buffers, or to nothing.
    void ConnectAudio(std::uint32_t port, float* data);
    void Activate();
    void Run(std::uint32_t frames);
    void Deactivate();

    /// The state properties the plug-in stores, and whether saving succeeded.
    struct Property {
        LV2_URID key;
        LV2_URID type;
        std::vector<std::uint8_t> bytes;
    };
    bool Save(std::vector<Property>& properties);
    LV2_State_Status Restore(const std::vector<Property>& properties);
    UridMap& Urids() { return urids; }

private:
    const LV2_Descriptor* descriptor = nullptr;
    LV2_Handle handle = nullptr;
    bool active = false;
    UridMap urids;
    std::vector<float> controls;
};

} // namespace hostkit::lv2
