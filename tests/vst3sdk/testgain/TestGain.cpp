#include "TestGain.h"

#include "vst3sdk/helpers/fuid.h"
#include "vst3sdk/helpers/moduleentry.h"
#include "vst3sdk/helpers/ustring.h"

#include <algorithm>
#include <cstring>

namespace testgain {

GainParameter::GainParameter()
    : Parameter(u"Gain", kGainId, u"x", 0.5, 0, ParameterInfo::kCanAutomate) {}

FUnknown* TestGain::create(void*) {
    return static_cast<IAudioProcessor*>(new TestGain());
}

tresult PLUGIN_API TestGain::initialize(FUnknown* context) {
    const tresult result = SingleComponentEffect::initialize(context);
    if (result != kResultOk)
        return result;
    addAudioInput(u"Main In", SpeakerArr::kStereo);
    addAudioInput(u"Sidechain", SpeakerArr::kStereo, kAux, 0);
    addAudioOutput(u"Main Out", SpeakerArr::kStereo);
    addEventInput(u"MIDI In", 1);
    parameters.addParameter(new GainParameter());
    auto* bypass = new StringListParameter(u"Bypass", kBypassId, nullptr,
                                           ParameterInfo::kCanAutomate | ParameterInfo::kIsList |
                                               ParameterInfo::kIsBypass);
    bypass->appendString(u"off");
    bypass->appendString(u"on");
    parameters.addParameter(bypass);
    return kResultOk;
}

tresult PLUGIN_API TestGain::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue
                                                                              : kResultFalse;
}

template <class Sample>
void TestGain::processSamples(ProcessData& data, Sample** in, Sample** out) {
    const double g = bypassed ? 1.0 : gain.load();
    const int32 channels = std::min(data.inputs[0].numChannels, data.outputs[0].numChannels);
    // The sidechain is mixed in only while the host keeps its bus active.
    Bus* sidechainBus = audioInputs.at(1);
    Sample** side = nullptr;
    if (data.numInputs > 1 && sidechainBus != nullptr && sidechainBus->isActive() != 0) {
        if constexpr (sizeof(Sample) == sizeof(double))
            side = data.inputs[1].channelBuffers64;
        else
            side = data.inputs[1].channelBuffers32;
    }
    for (int32 c = 0; c < channels; ++c) {
        if (in[c] == nullptr || out[c] == nullptr)
            continue;
        for (int32 i = 0; i < data.numSamples; ++i) {
            double v = static_cast<double>(in[c][i]) * g;
            if (side != nullptr && c < data.inputs[1].numChannels && side[c] != nullptr)
                v += static_cast<double>(side[c][i]);
            out[c][i] = static_cast<Sample>(v);
        }
    }
}

tresult PLUGIN_API TestGain::process(ProcessData& data) {
    if (IParameterChanges* changes = data.inputParameterChanges) {
        for (int32 i = 0; i < changes->getParameterCount(); ++i) {
            IParamValueQueue* queue = changes->getParameterData(i);
            if (queue == nullptr || queue->getPointCount() <= 0)
                continue;
            int32 offset = 0;
            ParamValue value = 0;
            if (queue->getPoint(queue->getPointCount() - 1, offset, value) != kResultTrue)
                continue;
            if (queue->getParameterId() == kGainId)
                gain = std::clamp(value, 0.0, 1.0) * 2.0;
            else if (queue->getParameterId() == kBypassId)
                bypassed = value > 0.5;
        }
    }
    if (data.numSamples <= 0 || data.numInputs < 1 || data.numOutputs < 1 ||
        data.inputs == nullptr || data.outputs == nullptr)
        return kResultOk;
    if (data.symbolicSampleSize == kSample64)
        processSamples(data, data.inputs[0].channelBuffers64, data.outputs[0].channelBuffers64);
    else
        processSamples(data, data.inputs[0].channelBuffers32, data.outputs[0].channelBuffers32);
    data.outputs[0].silenceFlags = 0;
    return kResultOk;
}

namespace {
// Reads exactly `n` bytes, accepting short reads; false when the stream ends or fails first.
bool readFully(IBStream* stream, void* buffer, int32 n) {
    auto* bytes = static_cast<uint8*>(buffer);
    int32 done = 0;
    while (done < n) {
        int32 got = 0;
        if (stream->read(bytes + done, n - done, &got) != kResultOk || got <= 0)
            return false;
        done += got;
    }
    return true;
}

bool writeFully(IBStream* stream, const void* buffer, int32 n) {
    const auto* bytes = static_cast<const uint8*>(buffer);
    int32 done = 0;
    while (done < n) {
        int32 put = 0;
        if (stream->write(const_cast<uint8*>(bytes + done), n - done, &put) != kResultOk ||
            put <= 0)
            return false;
        done += put;
    }
    return true;
}
} // namespace

// State: the gain as a little-endian IEEE double, then the bypass flag as a little-endian int32.
tresult TestGain::controllerGetState(IBStream* state) {
    if (state == nullptr)
        return kInvalidArgument;
    uint8 bytes[12];
    uint64 bits = 0;
    const double g = gain.load();
    std::memcpy(&bits, &g, sizeof bits);
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<uint8>(bits >> (8 * i));
    const uint32 flag = bypassed ? 1 : 0;
    for (int i = 0; i < 4; ++i)
        bytes[8 + i] = static_cast<uint8>(flag >> (8 * i));
    return writeFully(state, bytes, sizeof bytes) ? kResultOk : kResultFalse;
}

tresult TestGain::controllerSetState(IBStream* state) {
    if (state == nullptr)
        return kInvalidArgument;
    uint8 bytes[12];
    if (!readFully(state, bytes, sizeof bytes))
        return kResultFalse;
    uint64 bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<uint64>(bytes[i]) << (8 * i);
    double g = 0;
    std::memcpy(&g, &bits, sizeof g);
    if (!(g >= 0.0 && g <= 2.0))
        return kResultFalse;
    uint32 flag = 0;
    for (int i = 0; i < 4; ++i)
        flag |= static_cast<uint32>(bytes[8 + i]) << (8 * i);
    gain = g;
    bypassed = flag != 0;
    if (Parameter* p = parameters.getParameter(kGainId))
        p->setNormalized(g / 2.0);
    if (Parameter* p = parameters.getParameter(kBypassId))
        p->setNormalized(flag != 0 ? 1.0 : 0.0);
    return kResultOk;
}

IPlugView* PLUGIN_API TestGain::createView(FIDString name) {
    if (!FIDStringsEqual(name, ViewType::kEditor))
        return nullptr;
    return new TestGainView(this);
}

void TestGain::userSetsGain(ParamValue normalized) {
    beginEdit(kGainId);
    if (Parameter* p = parameters.getParameter(kGainId))
        p->setNormalized(normalized);
    performEdit(kGainId, normalized);
    endEdit(kGainId);
}

TestGainView::TestGainView(TestGain* owner) : effect(owner) {
    rect = ViewRect(0, 0, 300, 200);
    effect->addRef();
}

TestGainView::~TestGainView() {
    if (runLoop != nullptr)
        runLoop->release();
    effect->release();
}

tresult PLUGIN_API TestGainView::isPlatformTypeSupported(FIDString type) {
    return FIDStringsEqual(type, kPlatformTypeX11EmbedWindowID) ? kResultTrue : kInvalidArgument;
}

tresult PLUGIN_API TestGainView::attached(void* parent, FIDString type) {
    if (isPlatformTypeSupported(type) != kResultTrue)
        return kResultFalse;
    CPluginView::attached(parent, type);
    if (plugFrame != nullptr) {
        void* obj = nullptr;
        if (plugFrame->queryInterface(Linux::IRunLoop::iid, &obj) == kResultOk) {
            runLoop = static_cast<Linux::IRunLoop*>(obj);
            runLoop->registerTimer(this, 40);
        }
    }
    return kResultOk;
}

tresult PLUGIN_API TestGainView::removed() {
    if (runLoop != nullptr) {
        runLoop->unregisterTimer(this);
        runLoop->release();
        runLoop = nullptr;
    }
    return CPluginView::removed();
}

tresult PLUGIN_API TestGainView::onKeyDown(char16, int16, int16) {
    effect->userSetsGain(1.0);
    return kResultTrue;
}

tresult PLUGIN_API TestGainView::onWheel(float) {
    if (plugFrame == nullptr)
        return kResultFalse;
    ViewRect wider(0, 0, rect.getWidth() + 100, rect.getHeight());
    return plugFrame->resizeView(this, &wider);
}

tresult PLUGIN_API TestGainView::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, Linux::ITimerHandler::iid, Linux::ITimerHandler, this)
    return CPluginView::queryInterface(_iid, obj);
}

} // namespace testgain

// Module entry points: the only symbols the module exports.

namespace {
Steinberg::ModuleEntryCounter entryCount;

void registerClasses(Steinberg::CPluginFactory& factory) {
    using namespace Steinberg;
    const FUID cid(testgain::kClassWords[0], testgain::kClassWords[1], testgain::kClassWords[2],
                   testgain::kClassWords[3]);
    const PClassInfo2 info = makeClassInfo2(
        cid.toTUID(), PClassInfo::kManyInstances, Vst::kVstAudioEffectClass, "TestGain",
        Vst::kSimpleModeSupported, "Fx", "TORVIK tests", "1.2.3", Vst::kVstVersionString);
    factory.registerClass(&info, testgain::TestGain::create);
}
} // namespace

TORVIK_VST3_EXPORT bool ModuleEntry(void* sharedLibraryHandle) {
    if (entryCount.enter())
        Steinberg::setModuleHandle(sharedLibraryHandle);
    return true;
}

TORVIK_VST3_EXPORT bool ModuleExit() {
    bool ok = false;
    if (entryCount.exit(ok))
        Steinberg::setModuleHandle(nullptr);
    return ok;
}

#if defined(_WIN32)
// Windows hosts enter and leave the module through these.
TORVIK_VST3_EXPORT bool InitDll() {
    return ModuleEntry(nullptr);
}

TORVIK_VST3_EXPORT bool ExitDll() {
    return ModuleExit();
}
#endif

TORVIK_VST3_EXPORT Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory() {
    static const Steinberg::PFactoryInfo info = Steinberg::makeFactoryInfo(
        "TORVIK tests", "https://example.invalid/torvik", "tests@example.invalid");
    return Steinberg::getOrCreatePluginFactory(info, registerClasses);
}
