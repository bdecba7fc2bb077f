#pragma once
// The LV2 binding: the plug-in base as an LV2 plug-in instance. Control ports
// carry the parameters' real values (port = 6 + index), lv2:enabled is the
// host's bypass, the meters are output control ports, and the state extension
// carries the same bytes as every other format.
#include "framework/EffectBase.h"
#include "lv2/Lv2Identity.h"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <vector>

namespace torvik {

class IEffectLv2 : public IEffectBase {
public:
    explicit IEffectLv2(const PluginFacts& facts);

    // Called by the module after construction; false refuses the instance.
    bool Instantiate(double sampleRate, const LV2_Feature* const* features);

    void ConnectPort(std::uint32_t port, void* data);
    void Activate();
    void Run(std::uint32_t frames);
    void Deactivate();
    LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

    // The editor's edits need no host call: hosts read the control ports.
    void BeginHostEdit(int) override {}
    void InformHostEdit(int, double) override {}
    void EndHostEdit(int) override {}
    void ResizeEditor(int, int) override {}

    static const LV2_State_Interface kStateInterface;

private:
    // Control ports whose value moved since they were last taken, taken now.
    void ApplyMovedControls();
    // Takes the current control values as seen, without applying them.
    void MarkControlsSeen();

    LV2_URID_Map* map = nullptr;
    LV2_URID stateKey = 0;
    LV2_URID chunkType = 0;
    std::vector<float*> ports; // by port index; null until connected
    std::vector<float> seen;   // each control input's value when last taken
    bool activeNow = false;
};

} // namespace torvik
