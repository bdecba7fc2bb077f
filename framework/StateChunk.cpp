#include "framework/StateChunk.h"

#include <bit>
#include <cstring>

namespace torvik {
namespace {

// The chunk's byte order is little-endian on every platform.
std::uint64_t ToLittleEndian(std::uint64_t v) {
    if constexpr (std::endian::native == std::endian::little)
        return v;
    else
        return __builtin_bswap64(v);
}

} // namespace

int IStateChunk::AppendDouble(double v) {
    const std::uint64_t bits = ToLittleEndian(std::bit_cast<std::uint64_t>(v));
    return AppendBytes(&bits, 8);
}

int IStateChunk::ReadDouble(double& v, int pos) const {
    if (pos < 0 || static_cast<std::size_t>(pos) + 8 > bytes.size())
        return -1;
    std::uint64_t bits = 0;
    std::memcpy(&bits, bytes.data() + pos, 8);
    v = std::bit_cast<double>(ToLittleEndian(bits));
    return pos + 8;
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
