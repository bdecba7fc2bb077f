#include "lv2/EffectLv2.h"

#include "framework/SanitiseOutput.h"
#include "framework/StateBytes.h"

#include <lv2/atom/atom.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace torvik {
namespace {

using namespace lv2;

// Host sample rates the chain accepts.
constexpr double kMaxSampleRate = 1.0e7;
// Frames per piece: LV2 tells no maximum block size, so longer runs are
// processed in pieces of this many frames.
constexpr int kPieceFrames = 1024;

} // namespace

IEffectLv2::IEffectLv2(const PluginFacts& facts) : IEffectBase(facts) {
    for (int i = 0; i < InputChannelCount(); ++i)
        InputChannel(i).connected = true;
    for (int i = 0; i < OutputChannelCount(); ++i)
        OutputChannel(i).connected = true;
}

bool IEffectLv2::Instantiate(double sampleRate, const LV2_Feature* const* features) {
    if (!(sampleRate > 0.0) || sampleRate > kMaxSampleRate)
        return false;
    // The first usable urid:map; a host may list a broken one too.
    for (const LV2_Feature* const* f = features; f && *f && !map; ++f) {
        if ((*f)->URI && std::strcmp((*f)->URI, LV2_URID__map) == 0) {
            auto* offered = static_cast<LV2_URID_Map*>((*f)->data);
            if (offered && offered->map)
                map = offered;
        }
    }
    if (map) {
        stateKey = map->map(map->handle, kStateKey);
        chunkType = map->map(map->handle, LV2_ATOM__Chunk);
    }
    // Sized here, not in the constructor: the meter count is the processor's.
    const std::size_t portCount = FirstMeterPort(ParamCount()) + MeterCount();
    ports.assign(portCount, nullptr);
    seen.assign(portCount, std::nanf(""));
    std::lock_guard guard(Mutex());
    SetSampleRate(sampleRate);
    ApplyBlockSize(kPieceFrames);
    return true;
}

void IEffectLv2::ConnectPort(std::uint32_t port, void* data) {
    if (port < ports.size())
        ports[port] = static_cast<float*>(data);
}

void IEffectLv2::ApplyMovedControls() {
    for (int i = 0; i < ParamCount(); ++i) {
        const float* port = ports[ParamPort(i)];
        float& last = seen[ParamPort(i)];
        if (!port || *port == last || std::isnan(*port))
            continue;
        last = *port;
        IParamRecord* record = ParamAt(i);
        record->SetFromPlain(static_cast<double>(*port));
        if (IEditorGraphics* g = Graphics())
            g->ApplyParamToControls(i, record->GetNormalised());
        HandleParamChange(i);
    }
    const unsigned enabled = EnabledPort(ParamCount());
    if (const float* port = ports[enabled]; port && *port == *port && *port != seen[enabled]) {
        seen[enabled] = *port;
        SetBypassed(*port < 0.5f);
    }
}

void IEffectLv2::MarkControlsSeen() {
    for (unsigned p = kFirstParamPort; p <= EnabledPort(ParamCount()); ++p)
        seen[p] = ports[p] ? *ports[p] : std::nanf("");
}

void IEffectLv2::Activate() {
    std::lock_guard guard(Mutex());
    // The controls as the host set them before starting count from the first
    // frame: the chain starts settled at them.
    ApplyMovedControls();
    OnReset();
    OnActivate(true);
    activeNow = true;
}

void IEffectLv2::Deactivate() {
    std::lock_guard guard(Mutex());
    OnActivate(false);
    activeNow = false;
}

void IEffectLv2::Run(std::uint32_t frames) {
    std::lock_guard guard(Mutex());
    ApplyMovedControls();
    const unsigned inputs[] = {kInLeft, kInRight, kSidechainLeft, kSidechainRight};
    const unsigned outputs[] = {kOutLeft, kOutRight};
    for (std::uint32_t offset = 0; offset < frames; offset += kPieceFrames) {
        const int n = static_cast<int>(std::min<std::uint32_t>(kPieceFrames, frames - offset));
        for (int ch = 0; ch < InputChannelCount() && ch < 4; ++ch) {
            IInputChannel& channel = InputChannel(ch);
            const float* source = ports[inputs[ch]];
            if (source)
                std::copy_n(source + offset, n, channel.scratch.begin());
            else
                std::fill_n(channel.scratch.begin(), n, 0.0); // an unconnected input is silence
            *channel.slot = channel.scratch.data();
        }
        for (int ch = 0; ch < OutputChannelCount(); ++ch)
            *OutputChannel(ch).slot = OutputChannel(ch).scratch.data();
        if (IsBypassed())
            BypassBlock(n);
        else
            ProcessBlock(InputData(), OutputData(), n);
        for (int ch = 0; ch < OutputChannelCount() && ch < 2; ++ch) {
            float* target = ports[outputs[ch]];
            if (!target)
                continue;
            const double* source = *OutputChannel(ch).slot;
            for (int i = 0; i < n; ++i)
                target[offset + static_cast<std::uint32_t>(i)] = static_cast<float>(source[i]);
            SanitiseOutput(target + offset, n);
        }
    }
    const unsigned firstMeter = FirstMeterPort(ParamCount());
    for (int m = 0; m < MeterCount(); ++m) {
        if (float* port = ports[firstMeter + static_cast<unsigned>(m)])
            *port = static_cast<float>(MeterLevel(m));
    }
}

LV2_State_Status IEffectLv2::Save(LV2_State_Store_Function store, LV2_State_Handle handle) {
    if (!store || !stateKey)
        return LV2_STATE_ERR_NO_FEATURE;
    const std::vector<std::uint8_t> bytes = SaveStateBytes(*this);
    return store(handle, stateKey, bytes.data(), bytes.size(), chunkType,
                 LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
}

LV2_State_Status IEffectLv2::Restore(LV2_State_Retrieve_Function retrieve,
                                     LV2_State_Handle handle) {
    if (!retrieve || !stateKey)
        return LV2_STATE_ERR_NO_FEATURE;
    std::size_t size = 0;
    std::uint32_t type = 0;
    std::uint32_t flags = 0;
    const void* data = retrieve(handle, stateKey, &size, &type, &flags);
    if (!data)
        return LV2_STATE_ERR_NO_PROPERTY;
    if (type != chunkType)
        return LV2_STATE_ERR_BAD_TYPE;
    if (!LoadStateBytes(*this, static_cast<const std::uint8_t*>(data), size))
        return LV2_STATE_ERR_UNKNOWN;
    // The restored state stands until the host moves a control.
    std::lock_guard guard(Mutex());
    MarkControlsSeen();
    return LV2_STATE_SUCCESS;
}

const LV2_State_Interface IEffectLv2::kStateInterface = {
    [](LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle, std::uint32_t,
       const LV2_Feature* const*) {
        return static_cast<IEffectLv2*>(instance)->Save(store, handle);
    },
    [](LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
       std::uint32_t, const LV2_Feature* const*) {
        return static_cast<IEffectLv2*>(instance)->Restore(retrieve, handle);
    },
};

} // namespace torvik
