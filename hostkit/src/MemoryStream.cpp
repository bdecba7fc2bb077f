#include "hostkit/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace hostkit {

using namespace Steinberg;

void MemoryStream::setData(std::vector<uint8_t> newBytes) {
    bytes = std::move(newBytes);
    position = 0;
}

tresult PLUGIN_API MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead) {
    ++reads;
    if (numBytesRead != nullptr)
        *numBytesRead = 0;
    if (numBytes < 0 || (buffer == nullptr && numBytes > 0))
        return kInvalidArgument;
    if (readLimit >= 0 && bytesRead >= readLimit)
        return kResultFalse;
    int64_t n = numBytes;
    if (maxChunk >= 0)
        n = std::min<int64_t>(n, maxChunk);
    if (readLimit >= 0)
        n = std::min<int64_t>(n, readLimit - bytesRead);
    const int64_t available = std::max<int64_t>(0, static_cast<int64_t>(bytes.size()) - position);
    n = std::min(n, available);
    if (n > 0)
        std::memcpy(buffer, bytes.data() + position, static_cast<size_t>(n));
    position += n;
    bytesRead += n;
    if (numBytesRead != nullptr)
        *numBytesRead = static_cast<int32>(n);
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten) {
    ++writes;
    if (numBytesWritten != nullptr)
        *numBytesWritten = 0;
    if (numBytes < 0 || (buffer == nullptr && numBytes > 0))
        return kInvalidArgument;
    if (writeLimit >= 0 && bytesWritten >= writeLimit)
        return kResultFalse;
    int64_t n = numBytes;
    if (maxChunk >= 0)
        n = std::min<int64_t>(n, maxChunk);
    if (writeLimit >= 0)
        n = std::min<int64_t>(n, writeLimit - bytesWritten);
    const auto end = static_cast<size_t>(position + n);
    if (end > bytes.size())
        bytes.resize(end, 0);
    if (n > 0)
        std::memcpy(bytes.data() + position, buffer, static_cast<size_t>(n));
    position += n;
    bytesWritten += n;
    if (numBytesWritten != nullptr)
        *numBytesWritten = static_cast<int32>(n);
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::seek(int64 pos, int32 mode, int64* result) {
    if (seekFails)
        return kResultFalse;
    int64_t base = 0;
    switch (mode) {
    case kIBSeekSet:
        base = 0;
        break;
    case kIBSeekCur:
        base = position;
        break;
    case kIBSeekEnd:
        base = static_cast<int64_t>(bytes.size());
        break;
    default:
        return kInvalidArgument;
    }
    // Refuse positions before the start and absurd positions that would overflow a resize.
    if ((pos < 0 && base + pos < 0) ||
        (pos > 0 && base > std::numeric_limits<int32_t>::max() - pos))
        return kInvalidArgument;
    position = base + pos;
    if (result != nullptr)
        *result = position;
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::tell(int64* pos) {
    if (seekFails)
        return kResultFalse;
    if (pos == nullptr)
        return kInvalidArgument;
    *pos = position;
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IBStream::iid, IBStream, this)
    return FObject::queryInterface(_iid, obj);
}

} // namespace hostkit
