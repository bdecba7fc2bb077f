// TestSplit: a plug-in with separate component and controller classes that talk through
// IConnectionPoint, for testing the host kit's split path with known answers.
#include "vst3sdk/helpers/editcontroller.h"
#include "vst3sdk/helpers/fuid.h"
#include "vst3sdk/helpers/moduleentry.h"
#include "vst3sdk/helpers/ustring.h"
#include "vst3sdk/pluginterfaces/vst/ivstaudioprocessor.h"
#include "vst3sdk/pluginterfaces/vst/ivstcomponent.h"

#include <atomic>
#include <cstring>

namespace testsplit {

using namespace Steinberg;
using namespace Steinberg::Vst;

enum : ParamID { kGainId = 0, kGreetingsId = 1 };

const FUID kProcessorId(0x53504C54, 0x50524F43, 0x00000001, 0x00000001);
const FUID kControllerId(0x53504C54, 0x4354524C, 0x00000001, 0x00000002);

// State: the linear gain (0..1) as a little-endian IEEE double.
bool readGain(IBStream* stream, double& gain) {
    uint8 bytes[8];
    int32 got = 0;
    if (stream == nullptr || stream->read(bytes, 8, &got) != kResultOk || got != 8)
        return false;
    uint64 bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<uint64>(bytes[i]) << (8 * i);
    std::memcpy(&gain, &bits, 8);
    return gain >= 0.0 && gain <= 1.0;
}

/** The processing half: stereo in, stereo out, gain from parameter changes. */
class Processor : public ComponentBase, public IComponent, public IAudioProcessor {
public:
    static FUnknown* create(void*) { return static_cast<IAudioProcessor*>(new Processor()); }

    tresult PLUGIN_API initialize(FUnknown* context) override {
        return ComponentBase::initialize(context);
    }
    tresult PLUGIN_API terminate() override { return ComponentBase::terminate(); }

    /** On connection, greets the controller through a host-made message. */
    tresult PLUGIN_API connect(IConnectionPoint* other) override {
        const tresult result = ComponentBase::connect(other);
        if (result == kResultOk)
            sendTextMessage("processor ready");
        return result;
    }

    tresult PLUGIN_API getControllerClassId(TUID classId) override {
        kControllerId.toTUID(classId);
        return kResultTrue;
    }
    tresult PLUGIN_API setIoMode(IoMode) override { return kNotImplemented; }
    int32 PLUGIN_API getBusCount(MediaType type, BusDirection) override {
        return type == kAudio ? 1 : 0;
    }
    tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index,
                                  BusInfo& bus) override {
        if (type != kAudio || index != 0)
            return kInvalidArgument;
        std::memset(&bus, 0, sizeof bus);
        bus.mediaType = kAudio;
        bus.direction = dir;
        bus.channelCount = 2;
        UString(bus.name, 128).fromAscii(dir == kInput ? "In" : "Out");
        bus.busType = kMain;
        bus.flags = BusInfo::kDefaultActive;
        return kResultTrue;
    }
    tresult PLUGIN_API getRoutingInfo(RoutingInfo&, RoutingInfo&) override {
        return kNotImplemented;
    }
    tresult PLUGIN_API activateBus(MediaType, BusDirection, int32, TBool) override {
        return kResultTrue;
    }
    tresult PLUGIN_API setActive(TBool) override { return kResultOk; }
    tresult PLUGIN_API setState(IBStream* state) override {
        double g = 0;
        if (!readGain(state, g))
            return kResultFalse;
        gain = g;
        return kResultOk;
    }
    tresult PLUGIN_API getState(IBStream* state) override {
        if (state == nullptr)
            return kInvalidArgument;
        uint64 bits = 0;
        const double g = gain.load();
        std::memcpy(&bits, &g, 8);
        uint8 bytes[8];
        for (int i = 0; i < 8; ++i)
            bytes[i] = static_cast<uint8>(bits >> (8 * i));
        int32 put = 0;
        return state->write(bytes, 8, &put) == kResultOk && put == 8 ? kResultOk : kResultFalse;
    }

    tresult PLUGIN_API setBusArrangements(SpeakerArrangement*, int32, SpeakerArrangement*,
                                          int32) override {
        return kResultFalse;
    }
    tresult PLUGIN_API getBusArrangement(BusDirection, int32 index,
                                         SpeakerArrangement& arr) override {
        if (index != 0)
            return kInvalidArgument;
        arr = SpeakerArr::kStereo;
        return kResultTrue;
    }
    tresult PLUGIN_API canProcessSampleSize(int32 size) override {
        return size == kSample32 ? kResultTrue : kResultFalse;
    }
    uint32 PLUGIN_API getLatencySamples() override { return 0; }
    tresult PLUGIN_API setupProcessing(ProcessSetup& setup) override {
        return canProcessSampleSize(setup.symbolicSampleSize) == kResultTrue ? kResultOk
                                                                             : kResultFalse;
    }
    tresult PLUGIN_API setProcessing(TBool) override { return kResultOk; }
    tresult PLUGIN_API process(ProcessData& data) override {
        if (IParameterChanges* changes = data.inputParameterChanges) {
            for (int32 i = 0; i < changes->getParameterCount(); ++i) {
                IParamValueQueue* queue = changes->getParameterData(i);
                int32 offset = 0;
                ParamValue value = 0;
                if (queue != nullptr && queue->getParameterId() == kGainId &&
                    queue->getPoint(queue->getPointCount() - 1, offset, value) == kResultTrue)
                    gain = value;
            }
        }
        if (data.numSamples <= 0 || data.numInputs < 1 || data.numOutputs < 1)
            return kResultOk;
        for (int32 c = 0; c < 2; ++c) {
            const float* in = data.inputs[0].channelBuffers32[c];
            float* out = data.outputs[0].channelBuffers32[c];
            for (int32 i = 0; i < data.numSamples; ++i)
                out[i] = static_cast<float>(in[i] * gain.load());
        }
        return kResultOk;
    }
    uint32 PLUGIN_API getTailSamples() override { return 0; }

    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override {
        if (obj == nullptr)
            return kInvalidArgument;
        QUERY_INTERFACE(_iid, obj, IComponent::iid, IComponent, this)
        QUERY_INTERFACE(_iid, obj, IAudioProcessor::iid, IAudioProcessor, this)
        return ComponentBase::queryInterface(_iid, obj);
    }
    REFCOUNT_METHODS(ComponentBase)

private:
    std::atomic<double> gain{1.0}; ///< linear 0..1
};

/** The controller half: a gain parameter mirrored from the component state, and a read-only
    parameter that counts greetings received from the processor. */
class Controller : public EditController {
public:
    static FUnknown* create(void*) { return static_cast<IEditController*>(new Controller()); }

    tresult PLUGIN_API initialize(FUnknown* context) override {
        const tresult result = EditController::initialize(context);
        if (result == kResultOk) {
            parameters.addParameter(u"Gain", nullptr, 0, 1.0, ParameterInfo::kCanAutomate, kGainId);
            parameters.addParameter(u"Greetings", nullptr, 0, 0.0, ParameterInfo::kIsReadOnly,
                                    kGreetingsId);
        }
        return result;
    }
    tresult PLUGIN_API setComponentState(IBStream* state) override {
        double g = 0;
        if (!readGain(state, g))
            return kResultFalse;
        return setParamNormalized(kGainId, g);
    }
    tresult receiveText(const char8* text) override {
        if (FIDStringsEqual(text, "processor ready"))
            setParamNormalized(kGreetingsId, getParamNormalized(kGreetingsId) + 0.25);
        return kResultOk;
    }
};

} // namespace testsplit

namespace {
Steinberg::ModuleEntryCounter entryCount;

void registerClasses(Steinberg::CPluginFactory& factory) {
    using namespace Steinberg;
    const PClassInfo2 processor = makeClassInfo2(
        testsplit::kProcessorId.toTUID(), PClassInfo::kManyInstances, Vst::kVstAudioEffectClass,
        "TestSplit", Vst::kDistributable, "Fx", "TORVIK tests", "1.0.0", Vst::kVstVersionString);
    const PClassInfo2 controller =
        makeClassInfo2(testsplit::kControllerId.toTUID(), PClassInfo::kManyInstances,
                       Vst::kVstComponentControllerClass, "TestSplit", 0, "", "TORVIK tests",
                       "1.0.0", Vst::kVstVersionString);
    factory.registerClass(&processor, testsplit::Processor::create);
    factory.registerClass(&controller, testsplit::Controller::create);
}
} // namespace

TORVIK_VST3_EXPORT bool ModuleEntry(void*) {
    entryCount.enter();
    return true;
}

TORVIK_VST3_EXPORT bool ModuleExit() {
    bool ok = false;
    entryCount.exit(ok);
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
    static const Steinberg::PFactoryInfo info = Steinberg::makeFactoryInfo("TORVIK tests", "", "");
    return Steinberg::getOrCreatePluginFactory(info, registerClasses);
}
