#include "hostkit/ProcessBuffers.h"

#include <algorithm>
#include <cmath>

namespace hostkit {

using namespace Steinberg;
using namespace Steinberg::Vst;

ProcessBuffers::ProcessBuffers(const std::vector<int32_t>& inputChannels,
                               const std::vector<int32_t>& outputChannels, int32_t maxSamples,
                               int32 sampleSize)
    : capacity(std::max(0, maxSamples)), symbolicSampleSize(sampleSize) {
    auto build = [this](const std::vector<int32_t>& counts, std::vector<BusStorage>& storage) {
        for (int32_t count : counts) {
            BusStorage bus;
            bus.channels = std::max(0, count);
            for (int32_t c = 0; c < bus.channels; ++c) {
                if (symbolicSampleSize == kSample64)
                    bus.samples64.emplace_back(static_cast<size_t>(capacity), 0.0);
                else
                    bus.samples32.emplace_back(static_cast<size_t>(capacity), 0.0f);
            }
            bus.pointers32.assign(static_cast<size_t>(bus.channels), nullptr);
            bus.pointers64.assign(static_cast<size_t>(bus.channels), nullptr);
            storage.push_back(std::move(bus));
        }
    };
    build(inputChannels, inputs);
    build(outputChannels, outputs);
    inputBuffers.resize(inputs.size());
    outputBuffers.resize(outputs.size());
}

ProcessBuffers::BusStorage* ProcessBuffers::bus(BusDirection dir, int32_t index) {
    auto& list = dir == kInput ? inputs : outputs;
    if (index < 0 || index >= static_cast<int32_t>(list.size()))
        return nullptr;
    return &list[static_cast<size_t>(index)];
}

const ProcessBuffers::BusStorage* ProcessBuffers::bus(BusDirection dir, int32_t index) const {
    return const_cast<ProcessBuffers*>(this)->bus(dir, index);
}

int32_t ProcessBuffers::channelCount(BusDirection dir, int32_t index) const {
    const BusStorage* storage = bus(dir, index);
    return storage != nullptr ? storage->channels : 0;
}

void ProcessBuffers::setBusActive(BusDirection dir, int32_t index, bool active) {
    if (BusStorage* storage = bus(dir, index))
        storage->active = active;
}

bool ProcessBuffers::isBusActive(BusDirection dir, int32_t index) const {
    const BusStorage* storage = bus(dir, index);
    return storage != nullptr && storage->active;
}

float* ProcessBuffers::channel32(BusDirection dir, int32_t index, int32_t channel) {
    BusStorage* storage = bus(dir, index);
    if (storage == nullptr || channel < 0 ||
        channel >= static_cast<int32_t>(storage->samples32.size()))
        return nullptr;
    return storage->samples32[static_cast<size_t>(channel)].data();
}

double* ProcessBuffers::channel64(BusDirection dir, int32_t index, int32_t channel) {
    BusStorage* storage = bus(dir, index);
    if (storage == nullptr || channel < 0 ||
        channel >= static_cast<int32_t>(storage->samples64.size()))
        return nullptr;
    return storage->samples64[static_cast<size_t>(channel)].data();
}

void ProcessBuffers::clear() {
    for (auto* list : {&inputs, &outputs}) {
        for (BusStorage& storage : *list) {
            for (auto& channel : storage.samples32)
                std::fill(channel.begin(), channel.end(), 0.0f);
            for (auto& channel : storage.samples64)
                std::fill(channel.begin(), channel.end(), 0.0);
        }
    }
}

void ProcessBuffers::wire(BusStorage& storage, AudioBusBuffers& buffers) {
    const bool nulls = !storage.active && nullForInactive;
    for (int32_t c = 0; c < storage.channels; ++c) {
        const auto i = static_cast<size_t>(c);
        if (symbolicSampleSize == kSample64)
            storage.pointers64[i] = nulls ? nullptr : storage.samples64[i].data();
        else
            storage.pointers32[i] = nulls ? nullptr : storage.samples32[i].data();
    }
    buffers.numChannels = storage.channels;
    buffers.silenceFlags = 0;
    if (symbolicSampleSize == kSample64)
        buffers.channelBuffers64 = storage.pointers64.empty() ? nullptr : storage.pointers64.data();
    else
        buffers.channelBuffers32 = storage.pointers32.empty() ? nullptr : storage.pointers32.data();
}

ProcessData& ProcessBuffers::prepare(int32_t numSamples, int32 processMode) {
    for (size_t i = 0; i < inputs.size(); ++i) {
        wire(inputs[i], inputBuffers[i]);
        // An inactive input carries silence, like an unconnected host input.
        if (!inputs[i].active) {
            for (auto& channel : inputs[i].samples32)
                std::fill(channel.begin(), channel.end(), 0.0f);
            for (auto& channel : inputs[i].samples64)
                std::fill(channel.begin(), channel.end(), 0.0);
        }
    }
    for (size_t i = 0; i < outputs.size(); ++i)
        wire(outputs[i], outputBuffers[i]);
    processData.processMode = processMode;
    processData.symbolicSampleSize = symbolicSampleSize;
    processData.numSamples = std::clamp(numSamples, 0, capacity);
    processData.numInputs = static_cast<int32>(inputBuffers.size());
    processData.numOutputs = static_cast<int32>(outputBuffers.size());
    processData.inputs = inputBuffers.empty() ? nullptr : inputBuffers.data();
    processData.outputs = outputBuffers.empty() ? nullptr : outputBuffers.data();
    return processData;
}

ProcessContextSource::ProcessContextSource(double sampleRate) {
    context.sampleRate = sampleRate;
    context.tempo = 120.0;
    context.timeSigNumerator = 4;
    context.timeSigDenominator = 4;
    context.state = ProcessContext::kTempoValid | ProcessContext::kTimeSigValid |
                    ProcessContext::kProjectTimeMusicValid | ProcessContext::kBarPositionValid |
                    ProcessContext::kContTimeValid;
}

void ProcessContextSource::setTempo(double bpm) {
    context.tempo = bpm;
    updateMusic();
}

void ProcessContextSource::setTimeSignature(int32_t numerator, int32_t denominator) {
    context.timeSigNumerator = numerator;
    context.timeSigDenominator = denominator;
    updateMusic();
}

void ProcessContextSource::setPlaying(bool playing) {
    if (playing)
        context.state |= ProcessContext::kPlaying;
    else
        context.state &= ~static_cast<uint32>(ProcessContext::kPlaying);
}

void ProcessContextSource::setPosition(int64_t samples) {
    context.projectTimeSamples = samples;
    updateMusic();
}

void ProcessContextSource::advance(int32_t numSamples) {
    context.continousTimeSamples += numSamples;
    if ((context.state & ProcessContext::kPlaying) != 0) {
        context.projectTimeSamples += numSamples;
        updateMusic();
    }
}

void ProcessContextSource::updateMusic() {
    if (context.sampleRate <= 0)
        return;
    const double seconds = static_cast<double>(context.projectTimeSamples) / context.sampleRate;
    context.projectTimeMusic = seconds * context.tempo / 60.0;
    // Bar length in quarter notes; the last bar start at or before the position.
    const double barLength = context.timeSigDenominator > 0
                                 ? 4.0 * context.timeSigNumerator / context.timeSigDenominator
                                 : 4.0;
    context.barPositionMusic =
        barLength > 0 ? std::floor(context.projectTimeMusic / barLength) * barLength : 0.0;
}

} // namespace hostkit
