#include "framework/EffectBase.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace torvik {

IEffectBase::IEffectBase(const PluginFacts& pluginFacts)
    : facts(pluginFacts), hostCode(-1), hostVersion(0), sampleRate(44100.0), blockSize(0),
      latency(0) {
    params.resize(static_cast<std::size_t>(std::max(facts.parameterCount, 0)));
    IPresetRecord empty;
    empty.name = "empty";
    presets.push_back(std::move(empty));
    ParseChannelConfigs(facts.channelConfig);
}

IEffectBase::~IEffectBase() {
    delete graphics; // the editor goes first: its controls point back at this instance
    graphics = nullptr;
}

void IEffectBase::ParseChannelConfigs(const char* text) {
    int maxInputs = 0;
    int maxOutputs = 0;
    const char* p = text;
    while (p) {
        IChannelConfig config;
        if (std::sscanf(p, "%d-%d", &config.inputs, &config.outputs) != 2) {
            config = IChannelConfig{};
        }
        channelConfigs.push_back(config);
        maxInputs = std::max(maxInputs, config.inputs);
        maxOutputs = std::max(maxOutputs, config.outputs);
        p = std::strchr(p, ' ');
        if (p)
            ++p;
    }
    inputData.assign(static_cast<std::size_t>(maxInputs), nullptr);
    outputData.assign(static_cast<std::size_t>(maxOutputs), nullptr);
    inputChannels.resize(static_cast<std::size_t>(maxInputs));
    outputChannels.resize(static_cast<std::size_t>(maxOutputs));
    for (std::size_t i = 0; i < inputChannels.size(); ++i)
        inputChannels[i].slot = &inputData[i];
    for (std::size_t i = 0; i < outputChannels.size(); ++i)
        outputChannels[i].slot = &outputData[i];
}

void IEffectBase::OnReset() {
    std::lock_guard guard(lock);
}

void IEffectBase::HandleParamChange(int /*index*/) {
    std::lock_guard guard(lock);
}

void IEffectBase::ProcessBlock(double** inputs, double** outputs, int frames) {
    const int nIn = InputChannelCount();
    const int nOut = OutputChannelCount();
    for (int i = 0; i < nOut; ++i) {
        if (!outputs[i])
            continue;
        // A host may process in place: input and output are then one buffer.
        if (i < nIn && inputs[i] == outputs[i])
            continue;
        if (i < nIn && inputs[i])
            std::copy_n(inputs[i], frames, outputs[i]);
        else
            std::fill_n(outputs[i], frames, 0.0);
    }
}

void IEffectBase::OnActivate(bool /*active*/) {
    std::lock_guard guard(lock);
}

bool IEffectBase::WriteState(IStateChunk& chunk) {
    return SerializeParams(chunk);
}

int IEffectBase::ReadState(const IStateChunk& chunk, int position) {
    return UnserializeParams(chunk, position);
}

IParamRecord* IEffectBase::ParamAt(int index) {
    if (index < 0 || index >= ParamCount())
        return nullptr;
    return &params[static_cast<std::size_t>(index)];
}

const IParamRecord* IEffectBase::ParamAt(int index) const {
    if (index < 0 || index >= ParamCount())
        return nullptr;
    return &params[static_cast<std::size_t>(index)];
}

bool IEffectBase::LegalIO(int inputs, int outputs) const {
    for (const IChannelConfig& config : channelConfigs) {
        if ((inputs < 0 || inputs == config.inputs) && (outputs < 0 || outputs == config.outputs))
            return true;
    }
    return false;
}

void IEffectBase::ConvertInputBlock(int firstChannel, int count, float* const* hostBuffers,
                                    int frames) {
    if (firstChannel < 0 || count <= 0 || frames < 0)
        return;
    const int last = std::min(firstChannel + count, InputChannelCount());
    for (int ch = firstChannel; ch < last; ++ch) {
        IInputChannel& channel = inputChannels[static_cast<std::size_t>(ch)];
        if (!channel.connected)
            continue;
        // Never write past the scratch buffer, whatever the host hands over.
        const int n = std::min(frames, static_cast<int>(channel.scratch.size()));
        const float* source = hostBuffers ? hostBuffers[ch - firstChannel] : nullptr;
        for (int i = 0; i < n; ++i)
            channel.scratch[static_cast<std::size_t>(i)] = source ? source[i] : 0.0;
        *channel.slot = channel.scratch.data();
    }
}

void IEffectBase::ConvertOutputBlock(int frames) {
    for (IOutputChannel& channel : outputChannels) {
        if (!channel.connected || !channel.hostDestination || !*channel.slot)
            continue;
        const double* source = *channel.slot;
        for (int i = 0; i < frames; ++i)
            channel.hostDestination[i] = static_cast<float>(source[i]);
    }
}

void IEffectBase::BypassBlock(int frames) {
    const int nIn = InputChannelCount();
    const int nOut = OutputChannelCount();
    for (int i = 0; i < nOut; ++i) {
        double* out = outputData[static_cast<std::size_t>(i)];
        if (!out)
            continue;
        const double* in = i < nIn ? inputData[static_cast<std::size_t>(i)] : nullptr;
        if (in == out)
            continue; // processed in place: the output already holds the input
        if (in)
            std::copy_n(in, frames, out);
        else
            std::fill_n(out, frames, 0.0);
    }
}

void IEffectBase::ClearChannelBuffers() {
    for (IInputChannel& channel : inputChannels)
        std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
    for (IOutputChannel& channel : outputChannels)
        std::fill(channel.scratch.begin(), channel.scratch.end(), 0.0);
}

void IEffectBase::ApplyBlockSize(int n) {
    if (n == blockSize || n < 0)
        return;
    for (IInputChannel& channel : inputChannels)
        channel.scratch.assign(static_cast<std::size_t>(n), 0.0);
    for (IOutputChannel& channel : outputChannels)
        channel.scratch.assign(static_cast<std::size_t>(n), 0.0);
    blockSize = n;
}

void IEffectBase::SetParameterFromEditor(int index, double normalised) {
    IParamRecord* param = ParamAt(index);
    if (!param)
        return;
    {
        std::lock_guard guard(lock);
        param->SetFromNormalised(normalised);
        HandleParamChange(index);
    }
    // The host hears of the edit only once the lock is free: a host whose
    // edit callback waits for its audio thread would otherwise deadlock with
    // a block waiting for this lock, and a slow callback would stall the audio.
    InformHostEdit(index, normalised);
}

void IEffectBase::AttachEditorGraphics(IEditorGraphics* editorGraphics) {
    if (!editorGraphics)
        return;
    std::lock_guard guard(lock);
    for (int i = 0; i < ParamCount(); ++i)
        editorGraphics->ApplyParamToControls(i,
                                             params[static_cast<std::size_t>(i)].GetNormalised());
    editorGraphics->PrepareDrawing();
    graphics = editorGraphics;
}

void IEffectBase::RefreshParamControls() {
    if (!graphics)
        return;
    for (int i = 0; i < ParamCount(); ++i)
        graphics->SetParamValueFromPlug(i, params[static_cast<std::size_t>(i)].Value(), false);
}

std::string IEffectBase::VersionText() const {
    char text[32];
    std::snprintf(text, sizeof text, "v%d.%d.%d", (Version() >> 16) & 0xFFFF,
                  (Version() >> 8) & 0xFF, Version() & 0xFF);
    return text;
}

bool IEffectBase::SerializeParams(IStateChunk& chunk) {
    std::lock_guard guard(lock);
    for (const IParamRecord& param : params) {
        if (chunk.AppendDouble(param.Value()) <= 0)
            return false;
    }
    return true;
}

int IEffectBase::UnserializeParams(const IStateChunk& chunk, int start) {
    std::lock_guard guard(lock);
    int pos = start;
    for (IParamRecord& param : params) {
        if (pos < 0)
            break;
        double v = 0.0;
        pos = chunk.ReadDouble(v, pos);
        if (pos < 0)
            v = 0.0;
        param.SetClamped(v);
    }
    for (int i = 0; i < ParamCount(); ++i)
        HandleParamChange(i);
    return pos;
}

IPresetRecord* IEffectBase::PresetAt(int index) {
    if (index < 0 || index >= PresetCount())
        return nullptr;
    return &presets[static_cast<std::size_t>(index)];
}

void IEffectBase::FillDefaultPresets(const char* name) {
    for (IPresetRecord& preset : presets) {
        if (preset.initialised)
            continue;
        preset.initialised = true;
        preset.name = name ? name : "";
        preset.chunk.Clear();
        WriteState(preset.chunk);
        return;
    }
}

bool IEffectBase::RecallPreset(int index) {
    IPresetRecord* preset = PresetAt(index);
    if (!preset)
        return false;
    bool result = false;
    if (!preset->initialised) {
        preset->initialised = true;
        int userPresets = 0;
        for (const IPresetRecord& p : presets) {
            if (p.name.find("user preset") != std::string::npos)
                ++userPresets;
        }
        char name[64];
        std::snprintf(name, sizeof name, "%s %d", "user preset", userPresets + 1);
        preset->name = name;
        preset->chunk.Clear();
        result = WriteState(preset->chunk);
    } else {
        result = ReadState(preset->chunk, 0) > 0;
    }
    if (result) {
        currentPresetIndex = index;
        OnPresetRestored();
        RefreshParamControls();
    }
    return result;
}

} // namespace torvik
