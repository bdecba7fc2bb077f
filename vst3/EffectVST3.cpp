#include "vst3/EffectVST3.h"

#include "framework/ByteOrder.h"
#include "framework/HostIdentification.h"
#include "vst3/EffectParameter.h"
#include "vst3/EffectVST3View.h"
#include "vst3sdk/helpers/ustring.h"
#include "vst3sdk/pluginterfaces/vst/ivstcontextmenu.h"
#include "vst3sdk/pluginterfaces/vst/ivsthostapplication.h"
#include "vst3sdk/pluginterfaces/vst/ivstparameterchanges.h"
#include "vst3sdk/pluginterfaces/vst/ivstunits.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace torvik {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// The largest scratch block kept per channel. Longer host blocks are processed
// in pieces of this size, so an absurd maximum never turns into a huge allocation.
constexpr int32 kMaxScratchFrames = 1 << 16;

int CountChannels(SpeakerArrangement arrangement) {
    return std::popcount(static_cast<uint64>(arrangement));
}

// The bypass flag that follows the parameter chunk in the state: a 32-bit integer.
constexpr int32 kBypassFlagBytes = 4;

// Hosts reject output with NaN, infinities or subnormal numbers.
template <typename T> void SanitiseOutput(T* samples, int frames) {
    for (int i = 0; i < frames; ++i) {
        const T v = samples[i];
        if (!(v - v == T(0)) || (v != T(0) && std::abs(v) < std::numeric_limits<T>::min()))
            samples[i] = T(0);
    }
}

} // namespace

SpeakerArrangement SpeakerArrangementForChannels(int channels) {
    switch (channels) {
    case 1:
        return 0x80000; // mono
    case 2:
        return 0x3; // left, right
    case 3:
        return 0x103; // left, right, centre surround
    case 4:
        return 0x33; // left, right, left surround, right surround
    case 5:
        return 0x37; // adds centre
    case 6:
        return 0x3F; // adds LFE
    default:
        return 0;
    }
}

IEffectVST3::IEffectVST3() {
    for (int i = 0; i < InputChannelCount(); ++i)
        InputChannel(i).connected = true;
    for (int i = 0; i < OutputChannelCount(); ++i)
        OutputChannel(i).connected = true;
    inputBusLabels.push_back("Main Input");
    if (sidechainChannels != 0)
        inputBusLabels.push_back("Aux Input");
    outputBusLabels.push_back("Output");
    inputSources.assign(static_cast<std::size_t>(InputChannelCount()), nullptr);
    outputTargets.assign(static_cast<std::size_t>(OutputChannelCount()), nullptr);
    // Scratch buffers for the host's default block size exist from the start,
    // so a host that processes before setting up never meets empty buffers.
    ApplyBlockSize(processSetup.maxSamplesPerBlock);
}

IEffectVST3::~IEffectVST3() {
    views.clear(); // the views hold references to us; nothing of theirs is touched here
}

// ---------------------------------------------------------------------------
// Initialisation, buses and parameters

tresult PLUGIN_API IEffectVST3::initialize(FUnknown* context) {
    const tresult result = SingleComponentEffect::initialize(context);

    IHostApplication* host = nullptr;
    if (context &&
        context->queryInterface(IHostApplication::iid, reinterpret_cast<void**>(&host)) ==
            kResultOk &&
        host) {
        String128 wideName = {};
        host->getName(wideName);
        wideName[127] = 0;
        char name[128];
        NarrowFromString16(wideName, name, 127);
        SetHostIdentity(IdentifyHost(name), 0);
    } else {
        host = nullptr;
    }

    if (result == kResultOk) {
        if (sidechainChannels > 2)
            sidechainChannels = 2;
        CreateBuses();
        CreateParameters();
    }
    OnHostIdentified();
    RecallPreset(0);
    if (host)
        host->release();
    return result;
}

void IEffectVST3::CreateBuses() {
    String128 name;
    const int mainChannels = InputChannelCount() - sidechainChannels;
    const SpeakerArrangement mainArrangement = SpeakerArrangementForChannels(mainChannels);
    if (mainArrangement != 0) {
        WidenToString128(inputBusLabels[0].c_str(), name);
        addAudioInput(name, mainArrangement, kMain, BusInfo::kDefaultActive);
    }
    WidenToString128(outputBusLabels[0].c_str(), name);
    addAudioOutput(name, SpeakerArrangementForChannels(OutputChannelCount()), kMain,
                   BusInfo::kDefaultActive);
    if (sidechainChannels != 0) {
        WidenToString128(inputBusLabels[1].c_str(), name);
        addAudioInput(name, SpeakerArrangementForChannels(sidechainChannels), kAux, 0);
    }
}

UnitID IEffectVST3::UnitForGroup(const char* group) {
    if (!group || group[0] == '\0')
        return kRootUnitId;
    std::vector<std::string>& groups = ParamGroups();
    for (int i = static_cast<int>(groups.size()) - 1; i >= 0; --i) {
        if (groups[static_cast<std::size_t>(i)] == group)
            return i + 1;
    }
    groups.emplace_back(group);
    return static_cast<UnitID>(groups.size());
}

void IEffectVST3::CreateParameters() {
    String128 title;
    if (PresetCount() > 0) {
        WidenToString128("Preset", title);
        auto* preset = new Parameter(title, kPresetParamId, nullptr, 0.0, PresetCount(),
                                     ParameterInfo::kIsProgramChange, kRootUnitId);
        parameters.addParameter(preset);
    }
    WidenToString128("Bypass", title);
    auto* bypass = new StringListParameter(title, kBypassParamId, nullptr,
                                           ParameterInfo::kCanAutomate | ParameterInfo::kIsList |
                                               ParameterInfo::kIsBypass,
                                           kRootUnitId);
    String128 text;
    WidenToString128("off", text);
    bypass->appendString(text);
    WidenToString128("on", text);
    bypass->appendString(text);
    parameters.addParameter(bypass);

    for (int i = 0; i < ParamCount(); ++i) {
        IParamRecord& record = *ParamAt(i);
        parameters.addParameter(
            new IEffectParameter(record, static_cast<ParamID>(i), UnitForGroup(record.Group())));
    }
}

tresult PLUGIN_API IEffectVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts) {
    if (numIns < 0 || numOuts < 0)
        return kInvalidArgument;

    for (int i = 0; i < InputChannelCount(); ++i) {
        InputChannel(i).connected = false;
        *InputChannel(i).slot = InputChannel(i).scratch.data();
    }
    for (int i = 0; i < OutputChannelCount(); ++i) {
        OutputChannel(i).connected = false;
        *OutputChannel(i).slot = OutputChannel(i).scratch.data();
    }

    if (numIns < 1 || numOuts < 1 || !inputs || !outputs)
        return kResultFalse;
    const int nIn = CountChannels(inputs[0]);
    const int nOut = CountChannels(outputs[0]);
    if (!LegalIO(nIn, nOut))
        return kResultFalse;
    // Decide the answer before touching any bus, so a refused request changes nothing.
    const bool withSidechain = sidechainChannels != 0;
    if (withSidechain ? numIns != 2 : numIns != 1)
        return kResultFalse;
    AudioBus* mainIn = AudioInputBus(0);
    AudioBus* mainOut = AudioOutputBus(0);
    if (!mainIn || !mainOut || (withSidechain && !AudioInputBus(1)))
        return kResultFalse; // no buses before initialize

    const int nSc = withSidechain ? CountChannels(inputs[1]) : 0;
    String128 name;
    const bool rebuildMain = CountChannels(mainIn->getArrangement()) != nIn;
    const bool rebuildSidechain =
        withSidechain && CountChannels(AudioInputBus(1)->getArrangement()) != nSc;
    if (rebuildMain || rebuildSidechain) {
        // The input list is rebuilt whole: main input, then the sidechain with
        // the channel count asked for. A host that switched a bus on before
        // arranging it finds it still on.
        const TBool mainWasActive = mainIn->isActive();
        const TBool sidechainWasActive = withSidechain ? AudioInputBus(1)->isActive() : false;
        getBusList(kAudio, kInput)->clear();
        WidenToString128("Input", name);
        addAudioInput(name, SpeakerArrangementForChannels(nIn), kMain, BusInfo::kDefaultActive)
            ->setActive(mainWasActive);
        if (withSidechain) {
            WidenToString128("Sidechain Input", name);
            addAudioInput(name, SpeakerArrangementForChannels(nSc), kAux, 0)
                ->setActive(sidechainWasActive);
        }
    }
    if (CountChannels(mainOut->getArrangement()) != nOut) {
        const TBool outputWasActive = mainOut->isActive();
        getBusList(kAudio, kOutput)->clear();
        WidenToString128("Output", name);
        addAudioOutput(name, SpeakerArrangementForChannels(nOut), kMain, BusInfo::kDefaultActive)
            ->setActive(outputWasActive);
    }
    return kResultOk;
}

AudioBus* IEffectVST3::AudioInputBus(int index) const {
    return FCast<AudioBus>(audioInputs.at(index));
}

AudioBus* IEffectVST3::AudioOutputBus(int index) const {
    return FCast<AudioBus>(audioOutputs.at(index));
}

// ---------------------------------------------------------------------------
// Processing

tresult PLUGIN_API IEffectVST3::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultTrue
                                                                              : kResultFalse;
}

tresult PLUGIN_API IEffectVST3::setupProcessing(ProcessSetup& setup) {
    if (setup.symbolicSampleSize != kSample32 && setup.symbolicSampleSize != kSample64)
        return kResultFalse;
    // A sample rate that is not a positive number would turn every filter into NaN.
    if (!(setup.sampleRate > 0.0) || setup.sampleRate > 1.0e7)
        return kResultFalse;
    // A host may set up again without stopping first: never under a running block.
    std::lock_guard guard(Mutex());
    SetSampleRate(setup.sampleRate);
    SetBypassed(false);
    const int32 frames = std::clamp(setup.maxSamplesPerBlock, int32(1), kMaxScratchFrames);
    try {
        ApplyBlockSize(frames);
    } catch (...) {
        return kOutOfMemory;
    }
    OnReset();
    processSetup = setup;
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3::setActive(TBool state) {
    // The processor resets its working state here; never while a block runs.
    std::lock_guard guard(Mutex());
    OnActivate(state != 0);
    return kResultOk;
}

uint32 PLUGIN_API IEffectVST3::getLatencySamples() {
    return static_cast<uint32>(std::max(0, Latency()));
}

void IEffectVST3::ApplyParameterChanges(IParameterChanges* changes) {
    if (!changes)
        return;
    const int32 queues = changes->getParameterCount();
    for (int32 q = 0; q < queues; ++q) {
        IParamValueQueue* queue = changes->getParameterData(q);
        if (!queue)
            continue;
        const int32 points = queue->getPointCount();
        int32 offset = 0;
        ParamValue value = 0.0;
        // The last point applies to the whole block.
        if (points <= 0 || queue->getPoint(points - 1, offset, value) != kResultOk)
            continue;
        if (value != value)
            continue; // NaN carries no value
        const ParamID id = queue->getParameterId();
        if (id == kBypassParamId) {
            SetBypassed(value > 0.5);
        } else if (id == kPresetParamId) {
            const double position = std::clamp(value, -1.0, 1.0) * PresetCount();
            RecallPreset(static_cast<int>(position));
        } else if (id < static_cast<ParamID>(ParamCount())) {
            const int index = static_cast<int>(id);
            ParamAt(index)->SetFromNormalised(value);
            if (IEditorGraphics* g = Graphics())
                g->ApplyParamToControls(index, value);
            HandleParamChange(index);
        }
    }
}

void IEffectVST3::WireInputs(ProcessData& data) {
    const int nIn = InputChannelCount();
    std::fill(inputSources.begin(), inputSources.end(), nullptr);
    if (data.numInputs < 1 || !data.inputs)
        return;

    // The main bus feeds the framework's first channels, as many as it has;
    // the sidechain bus feeds the channels right after them.
    const ChannelRange main{0, std::clamp(data.inputs[0].numChannels, int32(0), int32(nIn))};
    const ChannelRange sidechain{main.End(), nIn - main.End()};
    bool sidechainHeard = false;
    if (sidechainChannels > 0) {
        Bus* sidechainBus = audioInputs.at(1);
        sidechainHeard = sidechainBus && sidechainBus->isActive() && data.numInputs >= 2;
        if (!sidechainHeard && sidechainActive)
            ClearChannelBuffers(); // its last block is not heard again
        sidechainActive = sidechainHeard;
    }
    for (int ch = main.first; ch < main.End(); ++ch)
        InputChannel(ch).connected = true;
    // A disconnected channel reads its own (silent) scratch buffer.
    for (int ch = sidechain.first; ch < sidechain.End(); ++ch)
        InputChannel(ch).connected = sidechainHeard;

    AttachInputBus(data.inputs[0], main);
    if (sidechainHeard)
        AttachInputBus(data.inputs[1], sidechain);
}

void IEffectVST3::AttachInputBus(const AudioBusBuffers& buffers, ChannelRange range) {
    // Host buffers, in order, to the connected channels of the range; channels
    // beyond the bus's own count get none and hear silence.
    int next = 0;
    for (int ch = range.first; ch < range.End(); ++ch) {
        if (!InputChannel(ch).connected)
            continue;
        if (next < buffers.numChannels && buffers.channelBuffers32)
            inputSources[static_cast<std::size_t>(ch)] = buffers.channelBuffers32[next];
        ++next;
    }
}

void IEffectVST3::WireOutputs(ProcessData& data) {
    const int nOut = OutputChannelCount();
    std::fill(outputTargets.begin(), outputTargets.end(), nullptr);
    if (data.numOutputs < 1 || !data.outputs)
        return;
    // Each host output bus takes the framework's output channels after those
    // of the buses before it.
    int first = 0;
    for (int b = 0; b < data.numOutputs; ++b) {
        const AudioBusBuffers& buffers = data.outputs[b];
        Bus* bus = audioOutputs.at(b);
        if (!bus)
            break; // more host buses than ours: the extra ones are skipped
        const int busChannels = std::max(buffers.numChannels, int32(0));
        const ChannelRange range{first, std::clamp(nOut - first, 0, busChannels)};
        const bool active = bus->isActive() != 0;
        for (int ch = range.first; ch < range.End(); ++ch) {
            OutputChannel(ch).connected = active;
            if (active && buffers.channelBuffers32)
                outputTargets[static_cast<std::size_t>(ch)] =
                    buffers.channelBuffers32[ch - range.first];
        }
        // Channels no bus reaches write into their own scratch buffers.
        for (int ch = std::max(range.End(), first + busChannels); ch < nOut; ++ch)
            OutputChannel(ch).connected = false;
        first += busChannels;
    }
}

void IEffectVST3::ProcessChunk(bool is64, int offset, int frames) {
    const int nIn = InputChannelCount();
    const int nOut = OutputChannelCount();
    for (int ch = 0; ch < nIn; ++ch) {
        IInputChannel& channel = InputChannel(ch);
        void* source = inputSources[static_cast<std::size_t>(ch)];
        if (!channel.connected) {
            *channel.slot = channel.scratch.data(); // a disconnected channel reads its own buffer
        } else if (!source) {
            // A connected channel without a host buffer hears silence.
            std::fill_n(channel.scratch.begin(), frames, 0.0);
            *channel.slot = channel.scratch.data();
        } else if (is64) {
            *channel.slot = static_cast<double*>(source) + offset;
        } else {
            float* chunk = static_cast<float*>(source) + offset;
            ConvertInputBlock(ch, 1, &chunk, frames);
        }
    }
    for (int ch = 0; ch < nOut; ++ch) {
        IOutputChannel& channel = OutputChannel(ch);
        void* target = outputTargets[static_cast<std::size_t>(ch)];
        channel.hostDestination = nullptr;
        if (channel.connected && target && is64)
            *channel.slot = static_cast<double*>(target) + offset;
        else
            *channel.slot = channel.scratch.data();
        if (channel.connected && target && !is64)
            channel.hostDestination = static_cast<float*>(target) + offset;
    }

    if (IsBypassed())
        BypassBlock(frames);
    else
        ProcessBlock(InputData(), OutputData(), frames);

    if (!is64)
        ConvertOutputBlock(frames);
    for (int ch = 0; ch < nOut; ++ch) {
        IOutputChannel& channel = OutputChannel(ch);
        if (channel.hostDestination)
            SanitiseOutput(channel.hostDestination, frames);
        else if (is64 && channel.connected && outputTargets[static_cast<std::size_t>(ch)])
            SanitiseOutput(*channel.slot, frames);
    }
}

tresult PLUGIN_API IEffectVST3::process(ProcessData& data) {
    std::lock_guard guard(Mutex());
    if (data.processContext)
        processContext = *data.processContext;
    ApplyParameterChanges(data.inputParameterChanges);

    const int32 sampleSize = processSetup.symbolicSampleSize;
    if (sampleSize != kSample32 && sampleSize != kSample64)
        return kResultOk;
    const bool is64 = sampleSize == kSample64;

    WireInputs(data);
    WireOutputs(data);

    // Output channels of host buses that are switched off get silence rather
    // than whatever the host's buffer held.
    for (int b = 0; b < data.numOutputs && data.outputs; ++b) {
        const AudioBusBuffers& buffers = data.outputs[b];
        Bus* bus = audioOutputs.at(b);
        if (bus && bus->isActive())
            continue;
        for (int c = 0; c < buffers.numChannels && buffers.channelBuffers32; ++c) {
            if (!buffers.channelBuffers32[c] || data.numSamples <= 0)
                continue;
            if (is64)
                std::fill_n(buffers.channelBuffers64[c], data.numSamples, 0.0);
            else
                std::fill_n(buffers.channelBuffers32[c], data.numSamples, 0.0f);
        }
    }

    // Blocks longer than the scratch buffers are processed in pieces.
    const int total = std::max(data.numSamples, int32(0));
    const int piece = std::max(BlockSize(), 1);
    int offset = 0;
    do {
        const int frames = std::min(total - offset, piece);
        ProcessChunk(is64, offset, frames);
        offset += frames;
    } while (offset < total);
    return kResultOk;
}

// ---------------------------------------------------------------------------
// State

tresult IEffectVST3::componentSetState(IBStream*) {
    return kNotImplemented;
}

tresult IEffectVST3::componentGetState(IBStream*) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::setComponentState(IBStream*) {
    return kNotImplemented;
}

tresult IEffectVST3::controllerGetState(IBStream* stream) {
    if (!stream)
        return kInvalidArgument;
    // The bytes are made under the lock; the host's stream is written outside
    // it, so a slow stream never holds up the audio thread.
    IStateChunk chunk;
    std::uint8_t flag[kBypassFlagBytes];
    {
        std::lock_guard guard(Mutex());
        WriteState(chunk);
        StoreLittleEndian<std::uint32_t>(flag, IsBypassed() ? 1 : 0);
    }
    if (chunk.Size() <= 0)
        return kResultFalse;
    int32 written = 0;
    if (stream->write(chunk.MutableData(), chunk.Size(), &written) != kResultOk ||
        written != chunk.Size())
        return kResultFalse; // a state the stream did not take is no saved state
    int32 flagWritten = 0;
    if (stream->write(flag, kBypassFlagBytes, &flagWritten) != kResultOk ||
        flagWritten != kBypassFlagBytes)
        return kResultFalse;
    return kResultOk;
}

tresult IEffectVST3::controllerSetState(IBStream* stream) {
    if (!stream)
        return kInvalidArgument;
    // How many bytes the parameters take, from the state as it is now.
    int paramBytes = 0;
    {
        std::lock_guard guard(Mutex());
        IStateChunk probe;
        WriteState(probe);
        paramBytes = probe.Size();
    }
    if (paramBytes <= 0)
        return kResultFalse;

    // The host's stream is read outside the lock.
    std::vector<std::uint8_t> incoming(static_cast<std::size_t>(paramBytes));
    int32 paramRead = 0;
    stream->read(incoming.data(), paramBytes, &paramRead);
    paramRead = std::clamp(paramRead, int32(0), int32(paramBytes));
    // A stream that answers without delivering bytes leaves the flag 0.
    std::uint8_t flag[kBypassFlagBytes] = {};
    int32 flagRead = 0;
    const bool flagAnswered = stream->read(flag, kBypassFlagBytes, &flagRead) == kResultOk;

    std::lock_guard guard(Mutex());
    // Bytes the stream did not deliver keep the current values.
    IStateChunk chunk;
    WriteState(chunk);
    if (chunk.Size() < paramRead)
        return kResultFalse;
    std::copy_n(incoming.begin(), paramRead, chunk.MutableData());
    ReadState(chunk, 0);
    if (!flagAnswered)
        return kResultFalse;
    SetBypassed(LoadLittleEndian<std::uint32_t>(flag) != 0);
    RefreshParamControls();
    return kResultOk;
}

// ---------------------------------------------------------------------------
// Controller

ParamValue PLUGIN_API IEffectVST3::getParamNormalized(ParamID id) {
    // Bypass is an atomic flag: read without waiting for a block.
    if (id == kBypassParamId)
        return IsBypassed() ? 1.0 : 0.0;
    if (id < static_cast<ParamID>(ParamCount())) {
        std::lock_guard guard(Mutex());
        return ParamAt(static_cast<int>(id))->GetNormalised();
    }
    return 0.0;
}

tresult PLUGIN_API IEffectVST3::setParamNormalized(ParamID id, ParamValue value) {
    if (id >= static_cast<ParamID>(ParamCount()))
        return kResultFalse;
    // The audio thread may be reading this record: the lock keeps a block from
    // seeing half a write.
    std::lock_guard guard(Mutex());
    ParamAt(static_cast<int>(id))->SetFromNormalised(value);
    return kResultOk;
}

ParamValue PLUGIN_API IEffectVST3::plainParamToNormalized(ParamID id, ParamValue plain) {
    if (id < static_cast<ParamID>(ParamCount()))
        return ParamAt(static_cast<int>(id))->ToNormalised(plain);
    return plain;
}

tresult PLUGIN_API IEffectVST3::getParamStringByValue(ParamID id, ParamValue value,
                                                      String128 text) {
    if (!text || id >= static_cast<ParamID>(ParamCount()))
        return kResultFalse;
    WidenToString128(ParamAt(static_cast<int>(id))->FormatForHost(value).c_str(), text);
    return kResultOk;
}

IPlugView* PLUGIN_API IEffectVST3::createView(FIDString name) {
    if (!name || std::strcmp(name, "editor") != 0)
        return nullptr;
    auto* view = new IEffectVST3View(this);
    views.push_back(view);
    return view;
}

void IEffectVST3::ForgetView(IEffectVST3View* view) {
    std::erase(views, view);
}

tresult PLUGIN_API IEffectVST3::setKnobMode(KnobMode) {
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3::openHelp(TBool) {
    return kResultFalse;
}

tresult PLUGIN_API IEffectVST3::openAboutBox(TBool) {
    return kResultFalse;
}

// ---------------------------------------------------------------------------
// Units and the program list

int32 PLUGIN_API IEffectVST3::getUnitCount() {
    return static_cast<int32>(ParamGroups().size()) + 1;
}

tresult PLUGIN_API IEffectVST3::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    const int32 groups = static_cast<int32>(ParamGroups().size());
    if (unitIndex < 0 || unitIndex > groups)
        return kResultFalse;
    if (unitIndex == 0) {
        info.id = kRootUnitId;
        info.parentUnitId = kNoParentUnitId;
        WidenToString128("Root Unit", info.name);
    } else {
        info.id = unitIndex;
        info.parentUnitId = kRootUnitId;
        WidenToString128(ParamGroups()[static_cast<std::size_t>(unitIndex - 1)].c_str(), info.name);
    }
    info.programListId = kNoProgramListId;
    return kResultOk;
}

int32 PLUGIN_API IEffectVST3::getProgramListCount() {
    return 0;
}

tresult PLUGIN_API IEffectVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info) {
    if (listIndex != 0)
        return kResultFalse;
    info.id = static_cast<ProgramListID>(kPresetParamId);
    WidenToString128("Factory Presets", info.name);
    info.programCount = PresetCount();
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3::getProgramName(ProgramListID listId, int32 programIndex,
                                               String128 name) {
    if (listId != static_cast<ProgramListID>(kPresetParamId) || !name)
        return kResultFalse;
    const IPresetRecord* preset = PresetAt(programIndex);
    WidenToString128(preset ? preset->name.c_str() : "", name);
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3::getProgramInfo(ProgramListID, int32, CString, String128) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::hasProgramPitchNames(ProgramListID, int32) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::getProgramPitchName(ProgramListID, int32, int16, String128) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::selectUnit(UnitID) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::setUnitProgramData(int32, int32, IBStream*) {
    return kNotImplemented;
}

// ---------------------------------------------------------------------------
// Host-facing operations of the plug-in base

void IEffectVST3::BeginHostEdit(int index) {
    beginEdit(static_cast<ParamID>(index));
}

void IEffectVST3::InformHostEdit(int index, double normalised) {
    performEdit(static_cast<ParamID>(index), normalised);
}

void IEffectVST3::EndHostEdit(int index) {
    endEdit(static_cast<ParamID>(index));
}

bool IEffectVST3::IsOfflineProcessing() {
    return processSetup.processMode == kOffline;
}

int IEffectVST3::QuerySamplePosition() {
    return static_cast<int>(static_cast<uint32>(processContext.projectTimeSamples));
}

double IEffectVST3::QueryTempo() {
    return processContext.tempo;
}

void IEffectVST3::QueryTimeSignature(int& numerator, int& denominator) {
    numerator = processContext.timeSigNumerator;
    denominator = processContext.timeSigDenominator;
}

void IEffectVST3::QueryTimeInfo(TimeInfo& info) {
    info.tempo = processContext.tempo;
    info.samplePos = static_cast<double>(processContext.projectTimeSamples);
    info.sampleRate = processContext.sampleRate;
    info.ppqPos = processContext.projectTimeMusic;
    info.lastBarPos = processContext.barPositionMusic;
    info.cycleStart = processContext.cycleStartMusic;
    info.cycleEnd = processContext.cycleEndMusic;
    info.numerator = processContext.timeSigNumerator;
    info.denominator = processContext.timeSigDenominator;
    info.playing = (processContext.state & ProcessContext::kPlaying) != 0;
    info.cycleActive = (processContext.state & ProcessContext::kCycleActive) != 0;
}

void IEffectVST3::ResizeEditor(int width, int height) {
    if (!Graphics() || views.empty() || !views.front()->getFrame())
        return;
    IEffectVST3View* view = views.front();
    view->ExpectNewSize();
    ViewRect rect{0, 0, width, height};
    view->getFrame()->resizeView(view, &rect);
}

void IEffectVST3::ShowHostParamMenu(int index, int x, int y) {
    if (!componentHandler || views.empty())
        return;
    IComponentHandler3* handler3 = nullptr;
    if (componentHandler->queryInterface(IComponentHandler3::iid,
                                         reinterpret_cast<void**>(&handler3)) != kResultOk ||
        !handler3)
        return;
    const ParamID id = static_cast<ParamID>(index);
    if (IContextMenu* menu = handler3->createContextMenu(views.front(), &id)) {
        menu->popup(x, y);
        menu->release();
    }
    handler3->release();
}

void IEffectVST3::SetLatency(int samples) {
    IEffectBase::SetLatency(samples);
    if (componentHandler)
        componentHandler->restartComponent(kLatencyChanged);
}

} // namespace torvik
