#include "VstPresetFile.h"

#include "PendingFile.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

namespace torvik::preset {

namespace {

constexpr char kFileId[4] = {'V', 'S', 'T', '3'};
constexpr char kListId[4] = {'L', 'i', 's', 't'};
constexpr char kComponentId[4] = {'C', 'o', 'm', 'p'};
constexpr char kControllerId[4] = {'C', 'o', 'n', 't'};
constexpr char kInfoId[4] = {'I', 'n', 'f', 'o'};
constexpr std::int32_t kFormatVersion = 1;
constexpr std::size_t kClassIdOffset = 8;
constexpr std::size_t kClassIdLength = 32;
constexpr std::size_t kListOffsetField = 40;

void PutInt32(Bytes& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

void PutInt64(Bytes& out, std::int64_t value) {
    const auto u = static_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

void PutId(Bytes& out, const char (&id)[4]) {
    out.insert(out.end(), id, id + 4);
}

std::uint64_t GetUint(std::span<const std::uint8_t> image, std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | image[at + static_cast<std::size_t>(i)];
    return v;
}

std::int64_t GetInt64(std::span<const std::uint8_t> image, std::size_t at) {
    return static_cast<std::int64_t>(GetUint(image, at, 8));
}

std::int32_t GetInt32(std::span<const std::uint8_t> image, std::size_t at) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(GetUint(image, at, 4)));
}

bool IdIs(std::span<const std::uint8_t> image, std::size_t at, const char (&id)[4]) {
    return std::memcmp(image.data() + at, id, 4) == 0;
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

char Upper(char c) {
    return (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Four printable characters of a chunk ID for messages; anything else as '?'.
std::string IdForMessage(std::span<const std::uint8_t> image, std::size_t at) {
    std::string s;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto c = static_cast<char>(image[at + i]);
        s += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    return s;
}

} // namespace

bool IsClassIdText(const std::string& text) {
    if (text.size() != kClassIdLength)
        return false;
    for (char c : text)
        if (!IsHexDigit(c))
            return false;
    return true;
}

Bytes EncodeVstPreset(const VstPreset& preset) {
    Bytes out;
    PutId(out, kFileId);
    PutInt32(out, kFormatVersion);
    for (std::size_t i = 0; i < kClassIdLength; ++i)
        out.push_back(
            static_cast<std::uint8_t>(i < preset.classId.size() ? Upper(preset.classId[i]) : '0'));
    PutInt64(out, 0); // patched once the list's place is known

    struct Entry {
        const char (*id)[4];
        std::int64_t offset;
        std::int64_t size;
    };
    std::vector<Entry> entries;
    auto addChunk = [&](const char(&id)[4], const std::uint8_t* data, std::size_t size) {
        entries.push_back(
            {&id, static_cast<std::int64_t>(out.size()), static_cast<std::int64_t>(size)});
        out.insert(out.end(), data, data + size);
    };
    if (preset.componentState)
        addChunk(kComponentId, preset.componentState->data(), preset.componentState->size());
    if (preset.controllerState)
        addChunk(kControllerId, preset.controllerState->data(), preset.controllerState->size());
    if (preset.info && !preset.info->empty())
        addChunk(kInfoId, reinterpret_cast<const std::uint8_t*>(preset.info->data()),
                 preset.info->size());

    const auto listOffset = static_cast<std::uint64_t>(out.size());
    PutId(out, kListId);
    PutInt32(out, static_cast<std::int32_t>(entries.size()));
    for (const Entry& e : entries) {
        PutId(out, *e.id);
        PutInt64(out, e.offset);
        PutInt64(out, e.size);
    }
    for (int i = 0; i < 8; ++i)
        out[kListOffsetField + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(listOffset >> (8 * i));
    return out;
}

bool DecodeVstPreset(std::span<const std::uint8_t> image, VstPreset& out, std::string& error) {
    out = VstPreset{};
    const std::size_t size = image.size();
    if (size < kHeaderSize) {
        error = "is too short to be a VST 3 preset file (" + std::to_string(size) + " bytes)";
        return false;
    }
    if (!IdIs(image, 0, kFileId)) {
        error = "is not a VST 3 preset file (it does not start with 'VST3')";
        return false;
    }
    std::string classId(reinterpret_cast<const char*>(image.data() + kClassIdOffset),
                        kClassIdLength);
    if (!IsClassIdText(classId)) {
        error = "has a damaged class ID (not 32 hex digits)";
        return false;
    }
    for (char& c : classId)
        c = Upper(c);
    out.classId = classId;

    const std::int64_t listOffset = GetInt64(image, kListOffsetField);
    // The list must lie after the header and hold at least its ID and count.
    if (listOffset < static_cast<std::int64_t>(kHeaderSize) ||
        static_cast<std::uint64_t>(listOffset) > size - 8) {
        error = "has a chunk list offset outside the file (" + std::to_string(listOffset) + ")";
        return false;
    }
    const auto list = static_cast<std::size_t>(listOffset);
    if (!IdIs(image, list, kListId)) {
        error = "has no chunk list where the header points";
        return false;
    }
    const std::int32_t count = GetInt32(image, list + 4);
    if (count < 1 || count > kMaxListEntries) {
        error = "has an impossible number of chunks (" + std::to_string(count) + ")";
        return false;
    }
    const std::size_t entriesAt = list + 8;
    if (static_cast<std::size_t>(count) * kListEntrySize > size - entriesAt) {
        error = "ends inside its chunk list";
        return false;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        const std::size_t at = entriesAt + static_cast<std::size_t>(i) * kListEntrySize;
        const std::int64_t offset = GetInt64(image, at + 4);
        const std::int64_t length = GetInt64(image, at + 12);
        // Overflow-free: offset and length are each checked against the file before adding.
        if (offset < static_cast<std::int64_t>(kHeaderSize) || length < 0 ||
            static_cast<std::uint64_t>(offset) > size ||
            static_cast<std::uint64_t>(length) > size - static_cast<std::uint64_t>(offset)) {
            error = "has a '" + IdForMessage(image, at) + "' chunk outside the file";
            return false;
        }
        const auto* begin = image.data() + offset;
        const auto* end = begin + length;
        auto take = [&](auto& slot, auto value) {
            if (slot) {
                error = "has more than one '" + IdForMessage(image, at) + "' chunk";
                return false;
            }
            slot = std::move(value);
            return true;
        };
        bool ok = true;
        if (IdIs(image, at, kComponentId))
            ok = take(out.componentState, Bytes(begin, end));
        else if (IdIs(image, at, kControllerId))
            ok = take(out.controllerState, Bytes(begin, end));
        else if (IdIs(image, at, kInfoId))
            ok = take(out.info, std::string(begin, end));
        // Other chunks (program data) are not ours to restore.
        if (!ok)
            return false;
    }
    if (!out.componentState && !out.controllerState) {
        error = "holds no component or controller state";
        return false;
    }
    return true;
}

bool ReadVstPresetFile(const std::filesystem::path& path, VstPreset& out, std::string& error) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = path.string() + ": no such preset file";
        return false;
    }
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = path.string() + ": cannot read: " + ec.message();
        return false;
    }
    if (size > kMaxFileSize) {
        error = path.string() + ": is too large to be a preset file (" + std::to_string(size) +
                " bytes)";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    Bytes image(static_cast<std::size_t>(size));
    if (!in || !in.read(reinterpret_cast<char*>(image.data()),
                        static_cast<std::streamsize>(image.size()))) {
        error = path.string() + ": cannot read";
        return false;
    }
    std::string why;
    if (!DecodeVstPreset(image, out, why)) {
        error = path.string() + ": " + why;
        return false;
    }
    return true;
}

bool WriteVstPresetFile(const std::filesystem::path& path, const VstPreset& preset,
                        std::string& error) {
    if (!IsClassIdText(preset.classId)) {
        error = "cannot write " + path.string() + ": the class ID is not 32 hex digits";
        return false;
    }
    const Bytes image = EncodeVstPreset(preset);
    return render::WriteFileAtomically(path, image, error);
}

} // namespace torvik::preset
