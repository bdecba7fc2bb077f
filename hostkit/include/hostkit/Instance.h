// One plug-in instance driven the way a DAW drives it.
#pragma once

#include "hostkit/ComponentHandler.h"
#include "hostkit/HostApplication.h"
#include "hostkit/Module.h"
#include "hostkit/ProcessBuffers.h"

#include "vst3sdk/pluginterfaces/gui/iplugview.h"
#include "vst3sdk/pluginterfaces/vst/ivstaudioprocessor.h"
#include "vst3sdk/pluginterfaces/vst/ivstcomponent.h"
#include "vst3sdk/pluginterfaces/vst/ivsteditcontroller.h"
#include "vst3sdk/pluginterfaces/vst/ivstmessage.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hostkit {

/** Component, processor and controller of one instance. Works for single-component plug-ins
    (the component answers IEditController: one object, one initialize) and for split ones
    (controller made from getControllerClassId, initialised separately, connected through
    IConnectionPoint and given the component's state). The destructor shuts down like a host:
    processing off, inactive, disconnect, terminate, release. */
class Instance {
public:
    /** Creates and initialises class `cid` of `module`. Null with `error` on failure. A host
        application is made when none is given. */
    static std::unique_ptr<Instance> Create(const std::shared_ptr<Module>& module,
                                            const Steinberg::FUID& cid,
                                            std::string* error = nullptr,
                                            const Steinberg::IPtr<HostApplication>& host = {});
    /** The module's first "Audio Module Class". */
    static std::unique_ptr<Instance> Create(const std::shared_ptr<Module>& module,
                                            std::string* error = nullptr);

    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    Steinberg::Vst::IComponent* component() const { return componentPtr.get(); }
    Steinberg::Vst::IAudioProcessor* processor() const { return processorPtr.get(); }
    /** Null when the plug-in has no controller. */
    Steinberg::Vst::IEditController* controller() const { return controllerPtr.get(); }
    bool isSingleComponent() const { return singleComponent; }
    /** Component and controller are connected through IConnectionPoint. */
    bool isConnected() const { return connected; }
    HostApplication& host() const { return *hostApp; }
    ComponentHandler& handler() const { return *componentHandler; }
    const std::shared_ptr<Module>& module() const { return owner; }

    // Buses
    Steinberg::int32 busCount(Steinberg::Vst::MediaType type,
                              Steinberg::Vst::BusDirection dir) const;
    std::optional<Steinberg::Vst::BusInfo> busInfo(Steinberg::Vst::MediaType type,
                                                   Steinberg::Vst::BusDirection dir,
                                                   Steinberg::int32 index) const;
    /** Channel count of every audio bus in one direction. */
    std::vector<int32_t> audioChannelCounts(Steinberg::Vst::BusDirection dir) const;
    Steinberg::tresult activateBus(Steinberg::Vst::MediaType type, Steinberg::Vst::BusDirection dir,
                                   Steinberg::int32 index, bool state);
    /** Activates the buses flagged kDefaultActive (what most hosts do at insertion). */
    void activateDefaultBuses();
    /** Activates every bus, the sidechain included (what some hosts do). */
    void activateAllBuses();
    Steinberg::tresult setBusArrangements(std::vector<Steinberg::Vst::SpeakerArrangement> inputs,
                                          std::vector<Steinberg::Vst::SpeakerArrangement> outputs);

    // Processing
    Steinberg::tresult
    setupProcessing(double sampleRate, Steinberg::int32 maxSamplesPerBlock,
                    Steinberg::int32 symbolicSampleSize = Steinberg::Vst::kSample32,
                    Steinberg::int32 processMode = Steinberg::Vst::kRealtime);
    Steinberg::tresult setActive(bool state);
    Steinberg::tresult setProcessing(bool state);
    /** setupProcessing, setActive(true), setProcessing(true); stops at the first failure of the
        first two (setProcessing's kNotImplemented is accepted, as hosts do). */
    Steinberg::tresult
    startProcessing(double sampleRate, Steinberg::int32 maxSamplesPerBlock,
                    Steinberg::int32 symbolicSampleSize = Steinberg::Vst::kSample32,
                    Steinberg::int32 processMode = Steinberg::Vst::kRealtime);
    void stopProcessing();
    bool isActive() const { return active; }
    /** Whether the kit activated this audio bus (buses start inactive). */
    bool isAudioBusActive(Steinberg::Vst::BusDirection dir, Steinberg::int32 index) const;
    /** Buffers matching the current audio buses; buses this kit has not activated are marked
        inactive in them (silent inputs). */
    std::unique_ptr<ProcessBuffers> makeBuffers(int32_t maxSamples,
                                                Steinberg::int32 symbolicSampleSize) const;
    Steinberg::tresult process(Steinberg::Vst::ProcessData& data);

    // State
    /** Component / controller state bytes, or nothing when the call fails. */
    std::optional<std::vector<uint8_t>> getComponentState() const;
    std::optional<std::vector<uint8_t>> getControllerState() const;
    /** Component setState, then (when it succeeded and a controller exists) the same bytes to
        the controller's setComponentState, as hosts restore. Answers the component's result. */
    Steinberg::tresult setComponentState(const std::vector<uint8_t>& bytes);
    Steinberg::tresult setControllerState(const std::vector<uint8_t>& bytes);

    // Parameters
    std::vector<Steinberg::Vst::ParameterInfo> parameterInfos() const;
    /** First parameter whose title (UTF-8) equals `title`. */
    std::optional<Steinberg::Vst::ParameterInfo> findParameter(const std::string& title) const;
    /** Display text of a value through getParamStringByValue (UTF-8); empty on failure. */
    std::string parameterText(Steinberg::Vst::ParamID id,
                              Steinberg::Vst::ParamValue normalized) const;

    // Editor
    /** The controller's view for `name` (one reference, ours), or null. */
    Steinberg::IPtr<Steinberg::IPlugView> createView(const char* name = "editor") const;

    /** Shuts down now (the destructor does nothing afterwards). */
    void terminate();

private:
    Instance() = default;

    std::shared_ptr<Module> owner;                                     ///< keeps the library loaded
    Steinberg::IPtr<HostApplication> hostApp;                          ///< initialize context
    Steinberg::IPtr<ComponentHandler> componentHandler;                ///< set on the controller
    Steinberg::IPtr<Steinberg::Vst::IComponent> componentPtr;          ///< the component
    Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processorPtr;     ///< its processor
    Steinberg::IPtr<Steinberg::Vst::IEditController> controllerPtr;    ///< controller or null
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> componentPoint;  ///< when connected
    Steinberg::IPtr<Steinberg::Vst::IConnectionPoint> controllerPoint; ///< when connected
    std::vector<bool> activeInputs;     ///< activation of each audio input bus, as set through us
    std::vector<bool> activeOutputs;    ///< activation of each audio output bus, as set through us
    bool singleComponent = false;       ///< controller is the component object
    bool connected = false;             ///< connection points joined
    bool controllerInitialized = false; ///< separate controller needs terminate
    bool componentInitialized = false;  ///< component needs terminate
    bool active = false;                ///< setActive(true) succeeded
    bool processing = false;            ///< setProcessing(true) was called
};

} // namespace hostkit
