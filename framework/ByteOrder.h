#pragma once
// Every byte format of the plug-in (the state chunk and its bypass flag, preset
// files) is little-endian on every platform. These read and write unsigned
// integers of 2, 4 or 8 bytes in that order, byte by byte, at any alignment.
#include <concepts>
#include <cstddef>
#include <cstdint>

namespace torvik {

// Writes v at `at` in little-endian byte order.
template <std::unsigned_integral T> constexpr void StoreLittleEndian(std::uint8_t* at, T v) {
    for (std::size_t i = 0; i < sizeof(T); ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Reads a little-endian value at `at`.
template <std::unsigned_integral T> constexpr T LoadLittleEndian(const std::uint8_t* at) {
    T v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v = static_cast<T>(v | static_cast<T>(static_cast<T>(at[i]) << (8 * i)));
    return v;
}

} // namespace torvik
