#include "framework/StateChunk.h"

#include "framework/ByteOrder.h"

#include <bit>

namespace torvik {

int IStateChunk::AppendDouble(double v) {
    std::uint8_t bytesOfV[sizeof v];
    StoreLittleEndian(bytesOfV, std::bit_cast<std::uint64_t>(v));
    return AppendBytes(bytesOfV, sizeof v);
}

int IStateChunk::ReadDouble(double& v, int pos) const {
    if (pos < 0 || static_cast<std::size_t>(pos) + sizeof v > bytes.size())
        return -1;
    v = std::bit_cast<double>(LoadLittleEndian<std::uint64_t>(bytes.data() + pos));
    return pos + static_cast<int>(sizeof v);
}

int IStateChunk::AppendBytes(const void* data, int length) {
    if (length > 0 && data) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + length);
    }
    return Size();
}

void IStateChunk::Resize(int size) {
    bytes.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
}

} // namespace torvik
