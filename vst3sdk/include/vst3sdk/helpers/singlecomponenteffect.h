// SingleComponentEffect: one object that is both the component (processor) and the controller.
#pragma once

#include "vst3sdk/helpers/editcontroller.h"
#include "vst3sdk/helpers/vstbus.h"
#include "vst3sdk/pluginterfaces/vst/ivstaudioprocessor.h"
#include "vst3sdk/pluginterfaces/vst/ivstcomponent.h"

namespace Steinberg::Vst {

/** Fills IComponent's state slots through distinct names (see EditControllerStateSlots). Derived
    classes override componentSetState/componentGetState. */
class ComponentStateSlots : public IComponent {
public:
    tresult PLUGIN_API setState(IBStream* state) final { return componentSetState(state); }
    tresult PLUGIN_API getState(IBStream* state) final { return componentGetState(state); }

    /** IComponent::setState. */
    virtual tresult componentSetState(IBStream* state) = 0;
    /** IComponent::getState. */
    virtual tresult componentGetState(IBStream* state) = 0;

    TORVIK_INTERFACE_DESTRUCTOR(ComponentStateSlots)
};

/** Component and controller in one object with one reference count and one initialize. Hosts
    find the controller by querying the component for IEditController. The component state pair
    (componentSetState/componentGetState) answers kNotImplemented by default; the controller pair
    (controllerSetState/controllerGetState) is EditController's. IConnectionPoint is not offered
    to the host: there is nothing to connect. */
class SingleComponentEffect : public EditControllerEx1,
                              public ComponentStateSlots,
                              public IAudioProcessor,
                              public IProcessContextRequirements {
public:
    SingleComponentEffect();
    ~SingleComponentEffect() override;

    // IPluginBase (all bases)
    tresult PLUGIN_API initialize(FUnknown* context) override;
    /** Removes all parameters and buses, then the controller's terminate. */
    tresult PLUGIN_API terminate() override;

    // IComponent
    tresult PLUGIN_API getControllerClassId(TUID classId) override;
    tresult PLUGIN_API setIoMode(IoMode mode) override;
    int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) override;
    tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index,
                                  BusInfo& bus) override;
    tresult PLUGIN_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) override;
    tresult PLUGIN_API activateBus(MediaType type, BusDirection dir, int32 index,
                                   TBool state) override;
    tresult PLUGIN_API setActive(TBool state) override;
    tresult componentSetState(IBStream* state) override;
    tresult componentGetState(IBStream* state) override;

    // IAudioProcessor
    tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                          SpeakerArrangement* outputs, int32 numOuts) override;
    tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index,
                                         SpeakerArrangement& arr) override;
    /** kResultTrue for kSample32 only. */
    tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
    uint32 PLUGIN_API getLatencySamples() override { return 0; }
    /** Copies the setup when canProcessSampleSize accepts its sample size. */
    tresult PLUGIN_API setupProcessing(ProcessSetup& setup) override;
    tresult PLUGIN_API setProcessing(TBool state) override;
    tresult PLUGIN_API process(ProcessData& data) override;
    uint32 PLUGIN_API getTailSamples() override { return kNoTail; }

    // IProcessContextRequirements
    uint32 PLUGIN_API getProcessContextRequirements() override {
        return processContextRequirements;
    }

    // Bus creation; the list takes the new bus, which is returned without a new reference.
    AudioBus* addAudioInput(const TChar* name, SpeakerArrangement arr, BusType type = kMain,
                            int32 flags = BusInfo::kDefaultActive);
    AudioBus* addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType type = kMain,
                             int32 flags = BusInfo::kDefaultActive);
    EventBus* addEventInput(const TChar* name, int32 channels = 16, BusType type = kMain,
                            int32 flags = BusInfo::kDefaultActive);
    EventBus* addEventOutput(const TChar* name, int32 channels = 16, BusType type = kMain,
                             int32 flags = BusInfo::kDefaultActive);
    tresult removeAudioBusses();
    tresult removeEventBusses();
    tresult removeAllBusses();

    /** The list for a media type and direction (any direction but kInput means outputs); null
        for an unknown media type. */
    BusList* getBusList(MediaType type, BusDirection dir);

    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
    REFCOUNT_METHODS(EditControllerEx1)
    OBJ_METHODS(SingleComponentEffect, EditControllerEx1)

protected:
    ProcessSetup processSetup; ///< last accepted setup; {kRealtime, kSample32, 1024, 44100}
    uint32 processContextRequirements = 0; ///< IProcessContextRequirements flags
    BusList audioInputs{kAudio, kInput};
    BusList audioOutputs{kAudio, kOutput};
    BusList eventInputs{kEvent, kInput};
    BusList eventOutputs{kEvent, kOutput};
};

} // namespace Steinberg::Vst
