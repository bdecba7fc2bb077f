// The audio side: set-up, activation, and each block from the host's buffers
// and parameter queues to the plug-in's channels and back; the transport the
// host reported.
#include "vst3/EffectVST3.h"

#include "framework/SanitiseOutput.h"

#include "vst3sdk/pluginterfaces/vst/ivstparameterchanges.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace torvik {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// The largest scratch block kept per channel. Longer host blocks are processed
// in pieces of this size, so an absurd maximum never turns into a huge allocation.
constexpr int32 kMaxScratchFrames = 1 << 16;

// A sample hosts would reject (NaN, infinite or subnormal) becomes 0, as
// SanitiseOutput does; written without branches so that a loop of it
// vectorises.
template <typename T> T Sanitised(T v) {
    const bool finite = v - v == T(0);
    const bool subnormal = v != T(0) && std::abs(v) < std::numeric_limits<T>::min();
    return finite && !subnormal ? v : T(0);
}

// The 32-bit path's way in: one pass widening the host's samples.
void WidenInput(const float* source, double* target, int frames) {
    for (int i = 0; i < frames; ++i)
        target[i] = static_cast<double>(source[i]);
}

// And its way out: one pass narrowing the processed samples and sanitising
// them, straight into the host's buffer.
void NarrowOutput(const double* source, float* target, int frames) {
    for (int i = 0; i < frames; ++i)
        target[i] = Sanitised(static_cast<float>(source[i]));
}

} // namespace

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
            // Never past the scratch buffer, whatever the host hands over.
            const int n = std::min(frames, static_cast<int>(channel.scratch.size()));
            WidenInput(static_cast<const float*>(source) + offset, channel.scratch.data(), n);
            *channel.slot = channel.scratch.data();
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

    for (int ch = 0; ch < nOut; ++ch) {
        IOutputChannel& channel = OutputChannel(ch);
        if (channel.hostDestination && *channel.slot)
            NarrowOutput(*channel.slot, channel.hostDestination, frames);
        else if (is64 && channel.connected && outputTargets[static_cast<std::size_t>(ch)])
            SanitiseOutput(*channel.slot, frames);
    }
}

tresult PLUGIN_API IEffectVST3::process(ProcessData& data) {
    std::lock_guard guard(Mutex());
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

} // namespace torvik
