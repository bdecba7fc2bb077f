// The CLAP plug-in object: its life cycle, audio ports, latency, the host's
// services and the processing call.
#include "clap/EffectClap.h"

#include "framework/SanitiseOutput.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace torvik {
namespace {

// Host sample rates the chain accepts; anything else is refused at activation.
constexpr double kMaxSampleRate = 1.0e7;
// The largest scratch block kept per channel; longer host blocks are processed
// in pieces of the scratch size.
constexpr std::uint32_t kMaxScratchFrames = 1u << 16;

// The three ports: stereo main in and out, and a stereo sidechain in.
constexpr std::uint32_t kStereo = 2;
enum : clap_id { kMainInPort = 0, kSidechainPort = 1, kMainOutPort = 0 };

} // namespace

IEffectClap& IEffectClap::Self(const clap_plugin* p) {
    return *static_cast<IEffectClap*>(p->plugin_data);
}

IEffectClap::IEffectClap(const PluginFacts& facts) : IEffectBase(facts) {
    plugin.plugin_data = this;
    plugin.init = [](const clap_plugin* p) { return Self(p).Init(); };
    plugin.destroy = [](const clap_plugin* p) { delete &Self(p); };
    plugin.activate = [](const clap_plugin* p, double rate, std::uint32_t minFrames,
                         std::uint32_t maxFrames) {
        return Self(p).Activate(rate, minFrames, maxFrames);
    };
    plugin.deactivate = [](const clap_plugin* p) { Self(p).Deactivate(); };
    plugin.start_processing = [](const clap_plugin* p) { return Self(p).StartProcessing(); };
    plugin.stop_processing = [](const clap_plugin* p) { Self(p).StopProcessing(); };
    plugin.reset = [](const clap_plugin* p) { Self(p).Reset(); };
    plugin.process = [](const clap_plugin* p, const clap_process* process) {
        return process ? Self(p).Process(*process) : CLAP_PROCESS_ERROR;
    };
    plugin.get_extension = [](const clap_plugin* p, const char* id) {
        return Self(p).Extension(id);
    };
    plugin.on_main_thread = [](const clap_plugin*) {};
    // Every framework channel is there; a port the host leaves out is silence.
    for (int i = 0; i < InputChannelCount(); ++i)
        InputChannel(i).connected = true;
    for (int i = 0; i < OutputChannelCount(); ++i)
        OutputChannel(i).connected = true;
}

IEffectClap::~IEffectClap() {
    GuiDestroy();
}

void IEffectClap::BindHost(const clap_host* clapHost, const clap_plugin_descriptor* descriptor) {
    host = clapHost;
    plugin.desc = descriptor;
}

template <typename T> const T* IEffectClap::HostExtension(const char* id) const {
    if (!host || !host->get_extension)
        return nullptr;
    return static_cast<const T*>(host->get_extension(host, id));
}

bool IEffectClap::Init() {
    if (initialised)
        return true;
    // Each host table counts only when every function of it is there.
    if (const auto* p = HostExtension<clap_host_params>(CLAP_EXT_PARAMS);
        p && p->rescan && p->clear && p->request_flush)
        hostParams = p;
    if (const auto* g = HostExtension<clap_host_gui>(CLAP_EXT_GUI); g && g->request_resize)
        hostGui = g;
    if (const auto* t = HostExtension<clap_host_timer_support>(CLAP_EXT_TIMER_SUPPORT);
        t && t->register_timer && t->unregister_timer)
        hostTimers = t;
    if (const auto* f = HostExtension<clap_host_posix_fd_support>(CLAP_EXT_POSIX_FD_SUPPORT);
        f && f->register_fd && f->modify_fd && f->unregister_fd)
        hostFds = f;
    if (const auto* c = HostExtension<clap_host_thread_check>(CLAP_EXT_THREAD_CHECK);
        c && c->is_main_thread && c->is_audio_thread)
        hostThreads = c;
    if (const auto* l = HostExtension<clap_host_log>(CLAP_EXT_LOG); l && l->log)
        hostLog = l;
    // Scratch buffers exist from the start, so nothing ever meets empty ones.
    ApplyBlockSize(1024);
    initialised = true;
    return true;
}

bool IEffectClap::OnMainThread() const {
    return !hostThreads || hostThreads->is_main_thread(host);
}

void IEffectClap::Log(clap_log_severity severity, const char* message) const {
    if (hostLog)
        hostLog->log(host, severity, message);
}

bool IEffectClap::Activate(double sampleRate, std::uint32_t minFrames, std::uint32_t maxFrames) {
    if (!OnMainThread()) {
        Log(CLAP_LOG_HOST_MISBEHAVING, "activate called off the main thread");
        return false;
    }
    if (!initialised || active || !(sampleRate > 0.0) || sampleRate > kMaxSampleRate ||
        maxFrames < 1 || minFrames > maxFrames)
        return false;
    std::lock_guard guard(Mutex());
    SetSampleRate(sampleRate);
    try {
        ApplyBlockSize(static_cast<int>(std::min(maxFrames, kMaxScratchFrames)));
    } catch (...) {
        return false;
    }
    OnReset();
    OnActivate(true);
    active = true;
    return true;
}

void IEffectClap::Deactivate() {
    if (!active)
        return;
    std::lock_guard guard(Mutex());
    OnActivate(false);
    active = false;
    processing = false; // hosts may deactivate without stopping first
}

bool IEffectClap::StartProcessing() {
    if (!active)
        return false;
    processing = true;
    return true;
}

void IEffectClap::StopProcessing() {
    processing = false;
}

void IEffectClap::Reset() {
    if (!active)
        return;
    std::lock_guard guard(Mutex());
    OnActivate(true);
}

const void* IEffectClap::Extension(const char* id) const {
    if (!id)
        return nullptr;
    const struct {
        const char* id;
        const void* table;
    } tables[] = {
        {CLAP_EXT_AUDIO_PORTS, &kAudioPorts},
        {CLAP_EXT_PARAMS, &kParams},
        {CLAP_EXT_STATE, &kState},
        {CLAP_EXT_LATENCY, &kLatency},
        {CLAP_EXT_GUI, &kGui},
        {CLAP_EXT_TIMER_SUPPORT, &kTimerSupport},
        {CLAP_EXT_POSIX_FD_SUPPORT, &kFdSupport},
    };
    for (const auto& t : tables) {
        if (std::strcmp(id, t.id) == 0)
            return t.table;
    }
    return nullptr;
}

const clap_plugin_audio_ports IEffectClap::kAudioPorts = {
    [](const clap_plugin*, bool isInput) -> std::uint32_t { return isInput ? 2 : 1; },
    [](const clap_plugin*, std::uint32_t index, bool isInput, clap_audio_port_info* info) {
        if (!info || index >= (isInput ? 2u : 1u))
            return false;
        *info = clap_audio_port_info{};
        const bool main = index == 0;
        info->id = isInput ? (main ? kMainInPort : kSidechainPort) : kMainOutPort;
        std::snprintf(info->name, sizeof info->name, "%s",
                      !isInput ? "Output" : (main ? "Main Input" : "Sidechain Input"));
        info->flags = CLAP_AUDIO_PORT_SUPPORTS_64BITS | (main ? CLAP_AUDIO_PORT_IS_MAIN : 0u);
        info->channel_count = kStereo;
        info->port_type = CLAP_PORT_STEREO;
        info->in_place_pair = CLAP_INVALID_ID;
        return true;
    },
};

const clap_plugin_latency IEffectClap::kLatency = {
    [](const clap_plugin* p) -> std::uint32_t {
        return static_cast<std::uint32_t>(std::max(0, Self(p).Latency()));
    },
};

namespace {

// One channel of a host buffer at a frame offset, or none.
const float* Channel32(const clap_audio_buffer& buffer, std::uint32_t channel,
                       std::uint32_t offset) {
    if (!buffer.data32 || channel >= buffer.channel_count || !buffer.data32[channel])
        return nullptr;
    return buffer.data32[channel] + offset;
}
const double* Channel64(const clap_audio_buffer& buffer, std::uint32_t channel,
                        std::uint32_t offset) {
    if (!buffer.data64 || channel >= buffer.channel_count || !buffer.data64[channel])
        return nullptr;
    return buffer.data64[channel] + offset;
}

} // namespace

clap_process_status IEffectClap::Process(const clap_process& process) {
    if (!active)
        return CLAP_PROCESS_ERROR;
    std::lock_guard guard(Mutex());
    // Events apply at the start of the block they arrive in, in order: the
    // block granularity of the VST 3 build, whose last value per block wins.
    ApplyEvents(process.in_events);
    PushPendingEdits(process.out_events);

    const auto total = static_cast<std::int64_t>(process.frames_count);
    const int piece = std::max(BlockSize(), 1);
    for (std::int64_t offset = 0; offset < total; offset += piece) {
        const int frames = static_cast<int>(std::min<std::int64_t>(piece, total - offset));
        ProcessPiece(process, static_cast<std::uint32_t>(offset), frames);
    }
    return CLAP_PROCESS_CONTINUE;
}

void IEffectClap::ProcessPiece(const clap_process& process, std::uint32_t offset, int frames) {
    // Inputs are read into the channels' own buffers before any output is
    // written, so a host that hands one buffer for both is safe.
    const clap_audio_buffer* inputs = process.audio_inputs;
    const std::uint32_t inputPorts = inputs ? process.audio_inputs_count : 0;
    for (int ch = 0; ch < InputChannelCount(); ++ch) {
        IInputChannel& channel = InputChannel(ch);
        const std::uint32_t port = static_cast<std::uint32_t>(ch) / kStereo;
        const std::uint32_t portChannel = static_cast<std::uint32_t>(ch) % kStereo;
        const float* f = nullptr;
        const double* d = nullptr;
        if (port < inputPorts) {
            f = Channel32(inputs[port], portChannel, offset);
            d = Channel64(inputs[port], portChannel, offset);
        }
        double* scratch = channel.scratch.data();
        if (d)
            std::copy_n(d, frames, scratch);
        else if (f)
            std::copy_n(f, frames, scratch); // float to double, exactly
        else
            std::fill_n(scratch, frames, 0.0); // a missing port or channel is silence
        *channel.slot = scratch;
    }
    for (int ch = 0; ch < OutputChannelCount(); ++ch) {
        IOutputChannel& channel = OutputChannel(ch);
        channel.hostDestination = nullptr;
        *channel.slot = channel.scratch.data();
    }

    if (IsBypassed())
        BypassBlock(frames);
    else
        ProcessBlock(InputData(), OutputData(), frames);

    if (!process.audio_outputs || process.audio_outputs_count < 1)
        return;
    const clap_audio_buffer& out = process.audio_outputs[0];
    for (int ch = 0; ch < OutputChannelCount(); ++ch) {
        const auto c = static_cast<std::uint32_t>(ch);
        const double* source = *OutputChannel(ch).slot;
        if (c >= out.channel_count)
            break;
        if (out.data64 && out.data64[c]) {
            double* target = out.data64[c] + offset;
            std::copy_n(source, frames, target);
            SanitiseOutput(target, frames);
        } else if (out.data32 && out.data32[c]) {
            float* target = out.data32[c] + offset;
            for (int i = 0; i < frames; ++i)
                target[i] = static_cast<float>(source[i]);
            SanitiseOutput(target, frames);
        }
    }
    // Further output ports and channels, which TORVIK does not have, are silence.
    for (std::uint32_t port = 0; port < process.audio_outputs_count; ++port) {
        const clap_audio_buffer& buffer = process.audio_outputs[port];
        for (std::uint32_t c = port == 0 ? kStereo : 0; c < buffer.channel_count; ++c) {
            if (buffer.data64 && buffer.data64[c])
                std::fill_n(buffer.data64[c] + offset, frames, 0.0);
            else if (buffer.data32 && buffer.data32[c])
                std::fill_n(buffer.data32[c] + offset, frames, 0.0f);
        }
        process.audio_outputs[port].constant_mask = 0;
    }
}

} // namespace torvik
