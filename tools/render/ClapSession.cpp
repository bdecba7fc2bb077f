#include "ClapSession.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace torvik::render {

using namespace hostkit::clap;

namespace {

constexpr const char* kAudioEffectFeature = "audio-effect";

bool HasFeature(const clap_plugin_descriptor& d, const char* feature) {
    for (const char* const* f = d.features; f && *f; ++f)
        if (std::strcmp(*f, feature) == 0)
            return true;
    return false;
}

// The channel count of a port, 0 when there is none.
std::uint32_t PortChannels(const ClapInstance& instance, bool input, std::uint32_t index) {
    const auto* ports = instance.Extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
    clap_audio_port_info info{};
    if (!ports || index >= ports->count(instance.Plugin(), input) ||
        !ports->get(instance.Plugin(), index, input, &info))
        return 0;
    return info.channel_count;
}

} // namespace

std::unique_ptr<ClapSession> ClapSession::Open(const std::string& path,
                                               const std::string& pluginName, std::string& error) {
    std::unique_ptr<ClapSession> session(new ClapSession());
    session->module = std::make_unique<ClapModule>(path);
    if (!session->module->Loaded()) {
        error = "cannot load " + path + ": " + session->module->Error();
        return nullptr;
    }
    const clap_plugin_factory* factory = session->module->Factory();
    const std::uint32_t count = factory ? factory->get_plugin_count(factory) : 0;
    const clap_plugin_descriptor* chosen = nullptr;
    std::string available;
    for (std::uint32_t i = 0; i < count; ++i) {
        const clap_plugin_descriptor* d = factory->get_plugin_descriptor(factory, i);
        if (!d || !d->id || !d->name)
            continue;
        available += (available.empty() ? "" : ", ") + ("'" + std::string(d->name) + "'");
        const bool wanted =
            pluginName.empty() ? HasFeature(*d, kAudioEffectFeature) : pluginName == d->name;
        if (!chosen && wanted)
            chosen = d;
    }
    if (!chosen && pluginName.empty() && count > 0)
        chosen = factory->get_plugin_descriptor(factory, 0);
    if (!chosen || !chosen->id || !chosen->name) {
        error = pluginName.empty() ? path + " holds no plug-in"
                                   : path + " has no plug-in named '" + pluginName + "'" +
                                         (available.empty() ? "" : " (it has " + available + ")");
        return nullptr;
    }
    session->name = chosen->name;
    session->host = std::make_unique<ClapHost>();
    session->instance =
        std::make_unique<ClapInstance>(*session->module, *session->host, chosen->id);
    if (!session->instance->Created()) {
        error = "cannot create '" + session->name + "' from " + path;
        return nullptr;
    }
    if (!session->instance->Extension<clap_plugin_params>(CLAP_EXT_PARAMS) &&
        !session->instance->Extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS)) {
        error = "'" + session->name + "' has neither parameters nor audio ports";
        return nullptr;
    }
    session->ReadParameters();
    return session;
}

ClapSession::~ClapSession() {
    instance.reset(); // before the host and the module it came from
}

void ClapSession::ReadParameters() {
    const auto* params = instance->Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    if (!params)
        return;
    const std::uint32_t count = params->count(instance->Plugin());
    for (std::uint32_t i = 0; i < count; ++i) {
        clap_param_info info{};
        if (!params->get_info(instance->Plugin(), i, &info))
            continue;
        ParameterDescription p;
        p.listIndex = static_cast<int>(i);
        p.id = info.id;
        p.title = std::string(info.name, strnlen(info.name, sizeof info.name));
        p.minimum = info.min_value;
        p.maximum = info.max_value;
        p.stepCount = (info.flags & CLAP_PARAM_IS_STEPPED) && info.max_value > info.min_value
                          ? static_cast<int>(std::lround(info.max_value - info.min_value))
                          : 0;
        p.defaultPlain = info.default_value;
        p.isBypass = (info.flags & CLAP_PARAM_IS_BYPASS) != 0;
        p.isReadOnly = (info.flags & CLAP_PARAM_IS_READONLY) != 0;
        parameters.push_back(p);
        parameters.back().defaultNormalized = ToNormalized(info.id, info.default_value);
    }
}

double ClapSession::ToNormalized(std::uint32_t id, double plain) const {
    const ParameterDescription* p = Find(id);
    if (!p || !(p->maximum > p->minimum))
        return 0.0;
    return std::clamp((plain - p->minimum) / (p->maximum - p->minimum), 0.0, 1.0);
}

double ClapSession::CurrentPlain(std::uint32_t id) const {
    return instance->Value(id);
}

double ClapSession::CurrentNormalized(std::uint32_t id) const {
    return ToNormalized(id, CurrentPlain(id));
}

void ClapSession::Apply(const ResolvedSetting& setting) {
    // Not processing: the parameters' flush takes the value now.
    const auto* params = instance->Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    if (!params)
        return;
    InputEvents events;
    events.AddValue(setting.id, setting.plain);
    OutputEvents ignored;
    params->flush(instance->Plugin(), events.List(), ignored.List());
}

bool ClapSession::LoadPreset(const preset::VstPreset& preset, std::string& error) {
    if (!instance->Extension<clap_plugin_state>(CLAP_EXT_STATE)) {
        error = "'" + name + "' keeps no state to load a preset into";
        return false;
    }
    for (const auto* state : {&preset.componentState, &preset.controllerState})
        if (*state && instance->Load(**state))
            return true;
    error = "'" + name + "' refused the state of the preset";
    return false;
}

bool ClapSession::CapturePreset(preset::VstPreset&, std::string& error) const {
    error = "a .vstpreset is saved from a VST 3 plug-in; '" + name + "' is a CLAP plug-in";
    return false;
}

bool ClapSession::Start(int sampleRate, int blockSize, int precision, bool withSidechain,
                        std::vector<ScheduledChange> automation, std::string& error) {
    inputChannels = PortChannels(*instance, true, 0);
    outputChannels = PortChannels(*instance, false, 0);
    if (inputChannels < 1 || outputChannels < 1) {
        error = "'" + name + "' has no audio input and output to render through";
        return false;
    }
    // Every input port the plug-in declares gets buffers (some plug-ins insist); the sidechain
    // port is silent unless a sidechain is given.
    sidechainChannels = PortChannels(*instance, true, 1);
    withKey = withSidechain;
    if (withSidechain && sidechainChannels < 1) {
        error = "'" + name + "' has no sidechain input";
        return false;
    }
    const auto* ports = instance->Extension<clap_plugin_audio_ports>(CLAP_EXT_AUDIO_PORTS);
    clap_audio_port_info info{};
    if (precision == 64 && !(ports->get(instance->Plugin(), 0, true, &info) &&
                             (info.flags & CLAP_AUDIO_PORT_SUPPORTS_64BITS))) {
        error = "'" + name + "' cannot process 64-bit samples";
        return false;
    }
    blockFrames = static_cast<std::uint32_t>(blockSize);
    if (!instance->Activate(sampleRate, 1, blockFrames)) {
        error = "'" + name + "' refused to start processing at " + FormatValue(sampleRate) +
                " Hz with blocks of " + std::to_string(blockSize);
        return false;
    }
    is64 = precision == 64;
    changes = std::move(automation);
    nextChange = 0;
    position = 0;
    rate = sampleRate;
    const auto* latencyExt = instance->Extension<clap_plugin_latency>(CLAP_EXT_LATENCY);
    latency = latencyExt ? latencyExt->get(instance->Plugin()) : 0;
    latencyLeft = latency;
    return true;
}

template <typename T>
bool ClapSession::ProcessBlock(const Planar& main, const Planar& side, std::size_t from,
                               std::uint32_t count, const InputEvents& events, Planar& output) {
    PortBuffers<T> in(inputChannels, count), key(sidechainChannels, count),
        out(outputChannels, count);
    for (std::uint32_t c = 0; c < inputChannels; ++c)
        for (std::uint32_t i = 0; i < count; ++i)
            in[c][i] = static_cast<T>(main[c][from + i]);
    for (std::uint32_t c = 0; c < sidechainChannels; ++c)
        for (std::uint32_t i = 0; i < count; ++i)
            key[c][i] = static_cast<T>(side[c][from + i]);
    std::vector<clap_audio_buffer> inputs{in.Buffer()};
    if (sidechainChannels > 0)
        inputs.push_back(key.Buffer());
    if (instance->Process(count, inputs, {out.Buffer()}, &events) == CLAP_PROCESS_ERROR)
        return false;
    for (std::uint32_t c = 0; c < outputChannels; ++c)
        output[c].insert(output[c].end(), out[c].begin(), out[c].end());
    return true;
}

bool ClapSession::Process(const Planar& input, const Planar* sidechain, std::size_t frames,
                          Planar& output, std::string& error) {
    Planar main, side;
    LayOutForBus(input, frames, static_cast<std::int32_t>(inputChannels), main);
    LayOutForBus(withKey && sidechain != nullptr ? *sidechain : Planar{}, frames,
                 static_cast<std::int32_t>(sidechainChannels), side);
    Planar result(outputChannels);
    for (std::size_t from = 0; from < frames; from += blockFrames) {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::size_t>(blockFrames, frames - from));
        const std::int64_t start = position + static_cast<std::int64_t>(from);
        // The automation that falls in this block, at its offset in the block.
        InputEvents events;
        for (; nextChange < changes.size() && changes[nextChange].frame < start + count;
             ++nextChange) {
            const ScheduledChange& c = changes[nextChange];
            const ParameterDescription* p = Find(c.id);
            if (!p)
                continue;
            events.AddValue(c.id, p->minimum + c.normalized * (p->maximum - p->minimum),
                            static_cast<std::uint32_t>(std::max<std::int64_t>(0, c.frame - start)));
        }
        const bool ok = is64 ? ProcessBlock<double>(main, side, from, count, events, result)
                             : ProcessBlock<float>(main, side, from, count, events, result);
        if (!ok) {
            error = "the effect failed to process the block at " +
                    AtTime(static_cast<std::size_t>(start), rate);
            return false;
        }
    }
    for (auto& channel : result)
        for (std::size_t i = 0; i < frames; ++i)
            if (!std::isfinite(channel[i])) {
                error = "the effect produced a sample that is not a number at " +
                        AtTime(static_cast<std::size_t>(position) + i, rate);
                return false;
            }
    position += static_cast<std::int64_t>(frames);
    TakeOffLatency(result, frames, latencyLeft, output);
    return true;
}

bool ClapSession::Finish(Planar& output, std::string& error) {
    output.assign(outputChannels, {});
    if (latency > 0) {
        const Planar silence(inputChannels, std::vector<double>(latency));
        const Planar sideSilence(std::max(1u, sidechainChannels), std::vector<double>(latency));
        if (!Process(silence, &sideSilence, latency, output, error))
            return false;
        for (auto& ch : output)
            ch.resize(std::min(ch.size(), latency));
    }
    instance->Deactivate();
    return true;
}

bool ClapSession::Flush(int, int, std::string&) {
    return true;
}

} // namespace torvik::render
