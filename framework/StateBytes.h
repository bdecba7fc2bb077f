#pragma once
// An instance's whole saved state as bytes, the same in every plug-in format:
// the parameter chunk (one little-endian double per parameter, in index order)
// followed by the bypass flag as a little-endian 32-bit integer. 324 bytes for
// 40 parameters. A state saved by one format restores in any other.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace torvik {

class IEffectBase;

// The bypass flag after the parameter chunk: a 32-bit integer, 1 or 0.
inline constexpr int kBypassFlagBytes = 4;

// Bytes of the whole state of a plug-in with this many parameters.
constexpr std::size_t StateByteCount(int parameterCount) {
    return static_cast<std::size_t>(parameterCount) * 8 + kBypassFlagBytes;
}

// The state as it is now, made under the instance lock.
std::vector<std::uint8_t> SaveStateBytes(IEffectBase& plugin);

// Restores a state under the instance lock: every parameter (clamped into its
// range, each handled by the processor), the bypass flag and the editor's
// controls. Refuses, changing nothing, a state of any other length or one with
// a value that is not a finite number.
bool LoadStateBytes(IEffectBase& plugin, const std::uint8_t* bytes, std::size_t size);

} // namespace torvik
