#include "hostkit/Instance.h"

#include "hostkit/MemoryStream.h"

#include "vst3sdk/helpers/ustring.h"

#include <cstring>

namespace hostkit {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {
void setError(std::string* error, const std::string& text) {
    if (error != nullptr)
        *error = text;
}

template <class I> IPtr<I> queryPtr(FUnknown* unknown) {
    if (unknown == nullptr)
        return {};
    void* obj = nullptr;
    if (unknown->queryInterface(I::iid, &obj) != kResultOk || obj == nullptr)
        return {};
    return owned(static_cast<I*>(obj));
}
} // namespace

std::unique_ptr<Instance> Instance::Create(const std::shared_ptr<Module>& module,
                                           std::string* error) {
    if (!module) {
        setError(error, "no module");
        return nullptr;
    }
    const ClassInfo* info = module->findClass(std::string(kVstAudioEffectClass));
    if (info == nullptr) {
        setError(error, "module has no audio effect class");
        return nullptr;
    }
    return Create(module, info->cid, error);
}

std::unique_ptr<Instance> Instance::Create(const std::shared_ptr<Module>& module, const FUID& cid,
                                           std::string* error, const IPtr<HostApplication>& host) {
    if (!module) {
        setError(error, "no module");
        return nullptr;
    }
    std::unique_ptr<Instance> instance(new Instance());
    instance->owner = module;
    instance->hostApp = host ? host : owned(new HostApplication());
    instance->componentHandler = owned(new ComponentHandler());

    instance->componentPtr = module->create<IComponent>(cid);
    if (!instance->componentPtr) {
        setError(error, "factory refused to create the component");
        return nullptr;
    }
    FUnknown* context = static_cast<IHostApplication*>(instance->hostApp.get());
    if (instance->componentPtr->initialize(context) != kResultOk) {
        // A failed initialize means release at once, without terminate.
        setError(error, "component initialize failed");
        return nullptr;
    }
    instance->componentInitialized = true;

    instance->processorPtr = queryPtr<IAudioProcessor>(instance->componentPtr.get());
    if (!instance->processorPtr) {
        setError(error, "component has no IAudioProcessor");
        return nullptr;
    }

    // Single component first: the component itself may be the controller.
    instance->controllerPtr = queryPtr<IEditController>(instance->componentPtr.get());
    if (instance->controllerPtr) {
        instance->singleComponent = true;
    } else {
        TUID controllerCid;
        std::memset(controllerCid, 0, sizeof controllerCid);
        if (instance->componentPtr->getControllerClassId(controllerCid) == kResultTrue) {
            instance->controllerPtr = module->create<IEditController>(FUID(controllerCid));
            if (instance->controllerPtr) {
                if (instance->controllerPtr->initialize(context) == kResultOk) {
                    instance->controllerInitialized = true;
                } else {
                    instance->controllerPtr.reset();
                }
            }
        }
        if (instance->controllerPtr) {
            auto componentCp = queryPtr<IConnectionPoint>(instance->componentPtr.get());
            auto controllerCp = queryPtr<IConnectionPoint>(instance->controllerPtr.get());
            if (componentCp && controllerCp) {
                componentCp->connect(controllerCp.get());
                controllerCp->connect(componentCp.get());
                instance->componentPoint = componentCp;
                instance->controllerPoint = controllerCp;
                instance->connected = true;
            }
            // Hosts hand the component's state to a separate controller after setup.
            if (auto state = instance->getComponentState()) {
                auto stream = owned(new MemoryStream(*state));
                instance->controllerPtr->setComponentState(stream.get());
            }
        }
    }
    if (instance->controllerPtr)
        instance->controllerPtr->setComponentHandler(instance->componentHandler.get());
    return instance;
}

Instance::~Instance() {
    terminate();
}

void Instance::terminate() {
    if (!componentPtr)
        return;
    stopProcessing();
    if (controllerPtr)
        controllerPtr->setComponentHandler(nullptr);
    if (connected) {
        componentPoint->disconnect(controllerPoint.get());
        controllerPoint->disconnect(componentPoint.get());
        connected = false;
    }
    componentPoint.reset();
    controllerPoint.reset();
    if (controllerPtr && controllerInitialized)
        controllerPtr->terminate();
    controllerInitialized = false;
    if (componentInitialized)
        componentPtr->terminate();
    componentInitialized = false;
    controllerPtr.reset();
    processorPtr.reset();
    componentPtr.reset();
}

int32 Instance::busCount(MediaType type, BusDirection dir) const {
    return componentPtr ? componentPtr->getBusCount(type, dir) : 0;
}

std::optional<BusInfo> Instance::busInfo(MediaType type, BusDirection dir, int32 index) const {
    BusInfo info;
    std::memset(&info, 0, sizeof info);
    if (!componentPtr || componentPtr->getBusInfo(type, dir, index, info) != kResultTrue)
        return std::nullopt;
    return info;
}

std::vector<int32_t> Instance::audioChannelCounts(BusDirection dir) const {
    std::vector<int32_t> counts;
    for (int32 i = 0; i < busCount(kAudio, dir); ++i) {
        const auto info = busInfo(kAudio, dir, i);
        counts.push_back(info ? info->channelCount : 0);
    }
    return counts;
}

tresult Instance::activateBus(MediaType type, BusDirection dir, int32 index, bool state) {
    if (!componentPtr)
        return kNotInitialized;
    const tresult result = componentPtr->activateBus(type, dir, index, state ? 1 : 0);
    if (result == kResultOk && type == kAudio && index >= 0) {
        auto& flags = dir == kInput ? activeInputs : activeOutputs;
        if (static_cast<size_t>(index) >= flags.size())
            flags.resize(static_cast<size_t>(index) + 1, false);
        flags[static_cast<size_t>(index)] = state;
    }
    return result;
}

bool Instance::isAudioBusActive(BusDirection dir, int32 index) const {
    const auto& flags = dir == kInput ? activeInputs : activeOutputs;
    return index >= 0 && static_cast<size_t>(index) < flags.size() &&
           flags[static_cast<size_t>(index)];
}

void Instance::activateDefaultBuses() {
    for (MediaType type : {kAudio, kEvent})
        for (BusDirection dir : {kInput, kOutput})
            for (int32 i = 0; i < busCount(type, dir); ++i)
                if (const auto info = busInfo(type, dir, i))
                    if ((info->flags & BusInfo::kDefaultActive) != 0)
                        activateBus(type, dir, i, true);
}

void Instance::activateAllBuses() {
    for (MediaType type : {kAudio, kEvent})
        for (BusDirection dir : {kInput, kOutput})
            for (int32 i = 0; i < busCount(type, dir); ++i)
                activateBus(type, dir, i, true);
}

tresult Instance::setBusArrangements(std::vector<SpeakerArrangement> inputs,
                                     std::vector<SpeakerArrangement> outputs) {
    if (!processorPtr)
        return kNotInitialized;
    return processorPtr->setBusArrangements(
        inputs.empty() ? nullptr : inputs.data(), static_cast<int32>(inputs.size()),
        outputs.empty() ? nullptr : outputs.data(), static_cast<int32>(outputs.size()));
}

tresult Instance::setupProcessing(double sampleRate, int32 maxSamplesPerBlock,
                                  int32 symbolicSampleSize, int32 processMode) {
    if (!processorPtr)
        return kNotInitialized;
    ProcessSetup setup{processMode, symbolicSampleSize, maxSamplesPerBlock, sampleRate};
    return processorPtr->setupProcessing(setup);
}

tresult Instance::setActive(bool state) {
    if (!componentPtr)
        return kNotInitialized;
    const tresult result = componentPtr->setActive(state ? 1 : 0);
    if (result == kResultOk)
        active = state;
    return result;
}

tresult Instance::setProcessing(bool state) {
    if (!processorPtr)
        return kNotInitialized;
    processing = state;
    return processorPtr->setProcessing(state ? 1 : 0);
}

tresult Instance::startProcessing(double sampleRate, int32 maxSamplesPerBlock,
                                  int32 symbolicSampleSize, int32 processMode) {
    tresult result =
        setupProcessing(sampleRate, maxSamplesPerBlock, symbolicSampleSize, processMode);
    if (result != kResultOk)
        return result;
    result = setActive(true);
    if (result != kResultOk)
        return result;
    result = setProcessing(true);
    return result == kNotImplemented ? kResultOk : result;
}

void Instance::stopProcessing() {
    if (processing)
        setProcessing(false);
    if (active)
        setActive(false);
}

std::unique_ptr<ProcessBuffers> Instance::makeBuffers(int32_t maxSamples,
                                                      int32 symbolicSampleSize) const {
    auto buffers = std::make_unique<ProcessBuffers>(
        audioChannelCounts(kInput), audioChannelCounts(kOutput), maxSamples, symbolicSampleSize);
    for (int32_t b = 0; b < buffers->inputBusCount(); ++b)
        buffers->setBusActive(kInput, b, isAudioBusActive(kInput, b));
    for (int32_t b = 0; b < buffers->outputBusCount(); ++b)
        buffers->setBusActive(kOutput, b, isAudioBusActive(kOutput, b));
    return buffers;
}

tresult Instance::process(ProcessData& data) {
    if (!processorPtr)
        return kNotInitialized;
    return processorPtr->process(data);
}

std::optional<std::vector<uint8_t>> Instance::getComponentState() const {
    if (!componentPtr)
        return std::nullopt;
    auto stream = owned(new MemoryStream());
    if (componentPtr->getState(stream.get()) != kResultOk)
        return std::nullopt;
    return stream->data();
}

std::optional<std::vector<uint8_t>> Instance::getControllerState() const {
    if (!controllerPtr)
        return std::nullopt;
    auto stream = owned(new MemoryStream());
    if (controllerPtr->getState(stream.get()) != kResultOk)
        return std::nullopt;
    return stream->data();
}

tresult Instance::setComponentState(const std::vector<uint8_t>& bytes) {
    if (!componentPtr)
        return kNotInitialized;
    auto stream = owned(new MemoryStream(bytes));
    const tresult result = componentPtr->setState(stream.get());
    if (result == kResultOk && controllerPtr) {
        stream->rewind();
        controllerPtr->setComponentState(stream.get());
    }
    return result;
}

tresult Instance::setControllerState(const std::vector<uint8_t>& bytes) {
    if (!controllerPtr)
        return kNotInitialized;
    auto stream = owned(new MemoryStream(bytes));
    return controllerPtr->setState(stream.get());
}

std::vector<ParameterInfo> Instance::parameterInfos() const {
    std::vector<ParameterInfo> infos;
    if (!controllerPtr)
        return infos;
    const int32 count = controllerPtr->getParameterCount();
    for (int32 i = 0; i < count; ++i) {
        ParameterInfo info;
        std::memset(&info, 0, sizeof info);
        if (controllerPtr->getParameterInfo(i, info) == kResultTrue)
            infos.push_back(info);
    }
    return infos;
}

std::optional<ParameterInfo> Instance::findParameter(const std::string& title) const {
    for (const ParameterInfo& info : parameterInfos())
        if (toUtf8(info.title, 128) == title)
            return info;
    return std::nullopt;
}

std::string Instance::parameterText(ParamID id, ParamValue normalized) const {
    if (!controllerPtr)
        return {};
    String128 text = {};
    if (controllerPtr->getParamStringByValue(id, normalized, text) != kResultTrue)
        return {};
    text[127] = 0;
    return toUtf8(text, 128);
}

IPtr<IPlugView> Instance::createView(const char* name) const {
    if (!controllerPtr)
        return {};
    return owned(controllerPtr->createView(name));
}

} // namespace hostkit
