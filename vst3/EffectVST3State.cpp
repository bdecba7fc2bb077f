// State: the component's pair answers kNotImplemented; the controller's
// carries the parameter chunk followed by the bypass flag.
#include "vst3/EffectVST3.h"

#include "framework/ByteOrder.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace torvik {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// The bypass flag that follows the parameter chunk in the state: a 32-bit integer.
constexpr int32 kBypassFlagBytes = 4;

} // namespace

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

} // namespace torvik
