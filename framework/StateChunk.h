#pragma once
// A growable byte buffer that parameter values are appended to and read back
// from at a given position. Doubles are stored as IEEE 754 little-endian.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace torvik {

class IStateChunk {
public:
    // Appends the 8 bytes of v; returns the new size.
    int AppendDouble(double v);
    // Reads a double at pos; returns pos + 8, or -1 (and leaves v alone) when
    // fewer than 8 bytes remain there.
    int ReadDouble(double& v, int pos) const;

    // Raw access for the binding's stream wrapper.
    int AppendBytes(const void* data, int length);
    void Clear() { bytes.clear(); }
    int Size() const { return static_cast<int>(bytes.size()); }
    const std::uint8_t* Data() const { return bytes.data(); }
    void Resize(int size);
    std::uint8_t* MutableData() { return bytes.data(); }

private:
    std::vector<std::uint8_t> bytes;
};

// One preset slot.
struct IPresetRecord {
    bool initialised = false; // the slot holds a chunk
    std::string name;         // shown as the preset's name
    IStateChunk chunk;        // state written when the slot was filled
};

} // namespace torvik
