#include "framework/StateBytes.h"

#include "framework/ByteOrder.h"
#include "framework/EffectBase.h"

#include <bit>
#include <cmath>
#include <mutex>

namespace torvik {

std::vector<std::uint8_t> SaveStateBytes(IEffectBase& plugin) {
    std::lock_guard guard(plugin.Mutex());
    IStateChunk chunk;
    plugin.WriteState(chunk);
    std::vector<std::uint8_t> bytes(chunk.Data(), chunk.Data() + chunk.Size());
    bytes.resize(bytes.size() + kBypassFlagBytes);
    StoreLittleEndian<std::uint32_t>(bytes.data() + chunk.Size(), plugin.IsBypassed() ? 1 : 0);
    return bytes;
}

bool LoadStateBytes(IEffectBase& plugin, const std::uint8_t* bytes, std::size_t size) {
    const int count = plugin.ParamCount();
    if (!bytes || size != StateByteCount(count))
        return false;
    for (int i = 0; i < count; ++i) {
        const auto bits = LoadLittleEndian<std::uint64_t>(bytes + 8 * i);
        if (!std::isfinite(std::bit_cast<double>(bits)))
            return false;
    }
    std::lock_guard guard(plugin.Mutex());
    IStateChunk chunk;
    chunk.AppendBytes(bytes, 8 * count);
    plugin.ReadState(chunk, 0);
    plugin.SetBypassed(LoadLittleEndian<std::uint32_t>(bytes + 8 * count) != 0);
    plugin.RefreshParamControls();
    return true;
}

} // namespace torvik
