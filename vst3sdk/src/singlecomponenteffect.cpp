#include "vst3sdk/helpers/singlecomponenteffect.h"

namespace Steinberg::Vst {

SingleComponentEffect::SingleComponentEffect()
    : processSetup{kRealtime, kSample32, 1024, 44100.0} {}

SingleComponentEffect::~SingleComponentEffect() = default;

tresult PLUGIN_API SingleComponentEffect::initialize(FUnknown* context) {
    return EditControllerEx1::initialize(context);
}

tresult PLUGIN_API SingleComponentEffect::terminate() {
    parameters.removeAll();
    removeAllBusses();
    return EditControllerEx1::terminate();
}

tresult PLUGIN_API SingleComponentEffect::getControllerClassId(TUID) {
    return kNotImplemented;
}
tresult PLUGIN_API SingleComponentEffect::setIoMode(IoMode) {
    return kNotImplemented;
}

BusList* SingleComponentEffect::getBusList(MediaType type, BusDirection dir) {
    if (type == kAudio)
        return dir == kInput ? &audioInputs : &audioOutputs;
    if (type == kEvent)
        return dir == kInput ? &eventInputs : &eventOutputs;
    return nullptr;
}

int32 PLUGIN_API SingleComponentEffect::getBusCount(MediaType type, BusDirection dir) {
    BusList* list = getBusList(type, dir);
    return list != nullptr ? list->size() : 0;
}

tresult PLUGIN_API SingleComponentEffect::getBusInfo(MediaType type, BusDirection dir, int32 index,
                                                     BusInfo& info) {
    BusList* list = getBusList(type, dir);
    Bus* bus = list != nullptr ? list->at(index) : nullptr;
    if (bus == nullptr)
        return kInvalidArgument;
    info.mediaType = type;
    info.direction = dir;
    return bus->getInfo(info) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::getRoutingInfo(RoutingInfo&, RoutingInfo&) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::activateBus(MediaType type, BusDirection dir, int32 index,
                                                      TBool state) {
    BusList* list = getBusList(type, dir);
    Bus* bus = list != nullptr ? list->at(index) : nullptr;
    if (bus == nullptr)
        return kInvalidArgument;
    bus->setActive(state);
    return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setActive(TBool) {
    return kResultOk;
}
tresult SingleComponentEffect::componentSetState(IBStream*) {
    return kNotImplemented;
}
tresult SingleComponentEffect::componentGetState(IBStream*) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::setBusArrangements(SpeakerArrangement* inputs,
                                                             int32 numIns,
                                                             SpeakerArrangement* outputs,
                                                             int32 numOuts) {
    if (numIns < 0 || numOuts < 0)
        return kInvalidArgument;
    if (numIns > audioInputs.size() || numOuts > audioOutputs.size())
        return kResultFalse;
    if ((numIns > 0 && inputs == nullptr) || (numOuts > 0 && outputs == nullptr))
        return kInvalidArgument;
    for (int32 i = 0; i < numIns; ++i)
        if (auto* bus = FCast<AudioBus>(audioInputs.at(i)))
            bus->setArrangement(inputs[i]);
    for (int32 i = 0; i < numOuts; ++i)
        if (auto* bus = FCast<AudioBus>(audioOutputs.at(i)))
            bus->setArrangement(outputs[i]);
    return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::getBusArrangement(BusDirection dir, int32 index,
                                                            SpeakerArrangement& arr) {
    BusList* list = getBusList(kAudio, dir);
    Bus* bus = list->at(index);
    if (bus == nullptr)
        return kInvalidArgument;
    if (auto* audioBus = FCast<AudioBus>(bus)) {
        arr = audioBus->getArrangement();
        return kResultTrue;
    }
    return kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::setupProcessing(ProcessSetup& setup) {
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue)
        return kResultFalse;
    processSetup = setup;
    return kResultOk;
}

tresult PLUGIN_API SingleComponentEffect::setProcessing(TBool) {
    return kNotImplemented;
}
tresult PLUGIN_API SingleComponentEffect::process(ProcessData&) {
    return kNotImplemented;
}

AudioBus* SingleComponentEffect::addAudioInput(const TChar* name, SpeakerArrangement arr,
                                               BusType type, int32 flags) {
    auto* bus = new AudioBus(name, type, flags, arr);
    audioInputs.append(bus);
    return bus;
}

AudioBus* SingleComponentEffect::addAudioOutput(const TChar* name, SpeakerArrangement arr,
                                                BusType type, int32 flags) {
    auto* bus = new AudioBus(name, type, flags, arr);
    audioOutputs.append(bus);
    return bus;
}

EventBus* SingleComponentEffect::addEventInput(const TChar* name, int32 channels, BusType type,
                                               int32 flags) {
    auto* bus = new EventBus(name, type, flags, channels);
    eventInputs.append(bus);
    return bus;
}

EventBus* SingleComponentEffect::addEventOutput(const TChar* name, int32 channels, BusType type,
                                                int32 flags) {
    auto* bus = new EventBus(name, type, flags, channels);
    eventOutputs.append(bus);
    return bus;
}

tresult SingleComponentEffect::removeAudioBusses() {
    audioInputs.clear();
    audioOutputs.clear();
    return kResultOk;
}

tresult SingleComponentEffect::removeEventBusses() {
    eventInputs.clear();
    eventOutputs.clear();
    return kResultOk;
}

tresult SingleComponentEffect::removeAllBusses() {
    removeAudioBusses();
    removeEventBusses();
    return kResultOk;
}

tresult PLUGIN_API SingleComponentEffect::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    // Component and controller are one object: there is nothing for a host to connect.
    if (iidEqual(_iid, IConnectionPoint::iid)) {
        *obj = nullptr;
        return kNoInterface;
    }
    QUERY_INTERFACE(_iid, obj, IComponent::iid, IComponent, this)
    QUERY_INTERFACE(_iid, obj, IAudioProcessor::iid, IAudioProcessor, this)
    QUERY_INTERFACE(_iid, obj, IProcessContextRequirements::iid, IProcessContextRequirements, this)
    return EditControllerEx1::queryInterface(_iid, obj);
}

} // namespace Steinberg::Vst
