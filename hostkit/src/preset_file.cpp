#include "hostkit/preset_file.h"

#include "framework/ByteOrder.h"

#include <cstring>

namespace hostkit {

using namespace Steinberg;

namespace {

constexpr size_t kHeaderSize = 48;   ///< magic, version, class ID, list offset
constexpr size_t kEntrySize = 20;    ///< ID, offset, size
constexpr int32_t kMaxEntries = 128; ///< longest list a reader accepts

void putInt32(std::vector<uint8_t>& out, size_t at, int32_t v) {
    torvik::StoreLittleEndian(out.data() + at, static_cast<uint32_t>(v));
}

void putInt64(std::vector<uint8_t>& out, size_t at, int64_t v) {
    torvik::StoreLittleEndian(out.data() + at, static_cast<uint64_t>(v));
}

int32_t getInt32(const std::vector<uint8_t>& in, size_t at) {
    return static_cast<int32_t>(torvik::LoadLittleEndian<uint32_t>(in.data() + at));
}

int64_t getInt64(const std::vector<uint8_t>& in, size_t at) {
    return static_cast<int64_t>(torvik::LoadLittleEndian<uint64_t>(in.data() + at));
}

// Records why a file was refused; answers "nothing" for the caller to return.
std::nullopt_t fail(std::string* error, const char* text) {
    if (error != nullptr)
        *error = text;
    return std::nullopt;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

} // namespace

bool PresetChunk::is(const char* fourChars) const {
    return fourChars != nullptr && std::strlen(fourChars) == 4 &&
           std::memcmp(id.data(), fourChars, 4) == 0;
}

const PresetChunk* PresetFile::find(const char* fourChars) const {
    for (const PresetChunk& chunk : chunks)
        if (chunk.is(fourChars))
            return &chunk;
    return nullptr;
}

std::vector<uint8_t> writePresetFile(const PresetFile& preset) {
    std::vector<uint8_t> out(kHeaderSize, 0);
    std::memcpy(out.data(), "VST3", 4);
    putInt32(out, 4, 1);
    // The class ID field is exactly 32 characters; shorter IDs are zero-padded.
    std::memcpy(out.data() + 8, preset.classId.data(), std::min<size_t>(32, preset.classId.size()));

    std::vector<int64_t> offsets;
    for (const PresetChunk& chunk : preset.chunks) {
        offsets.push_back(static_cast<int64_t>(out.size()));
        out.insert(out.end(), chunk.data.begin(), chunk.data.end());
    }
    const size_t listAt = out.size();
    out.resize(listAt + 8 + kEntrySize * preset.chunks.size(), 0);
    std::memcpy(out.data() + listAt, "List", 4);
    putInt32(out, listAt + 4, static_cast<int32_t>(preset.chunks.size()));
    for (size_t i = 0; i < preset.chunks.size(); ++i) {
        const size_t entry = listAt + 8 + kEntrySize * i;
        std::memcpy(out.data() + entry, preset.chunks[i].id.data(), 4);
        putInt64(out, entry + 4, offsets[i]);
        putInt64(out, entry + 12, static_cast<int64_t>(preset.chunks[i].data.size()));
    }
    putInt64(out, 40, static_cast<int64_t>(listAt));
    return out;
}

std::optional<PresetFile> readPresetFile(const std::vector<uint8_t>& bytes, std::string* error) {
    if (bytes.size() < kHeaderSize + 8)
        return fail(error, "file too short for a preset");
    if (std::memcmp(bytes.data(), "VST3", 4) != 0)
        return fail(error, "not a VST 3 preset (no VST3 header)");
    if (getInt32(bytes, 4) < 1)
        return fail(error, "unknown preset format version");
    PresetFile preset;
    preset.classId.assign(reinterpret_cast<const char*>(bytes.data()) + 8, 32);
    for (char c : preset.classId)
        if (!isHexDigit(c))
            return fail(error, "class ID is not 32 hex digits");
    for (char& c : preset.classId)
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');

    const int64_t listAt = getInt64(bytes, 40);
    const auto size = static_cast<int64_t>(bytes.size());
    if (listAt < static_cast<int64_t>(kHeaderSize) || listAt > size - 8)
        return fail(error, "chunk list offset outside the file");
    const auto list = static_cast<size_t>(listAt);
    if (std::memcmp(bytes.data() + list, "List", 4) != 0)
        return fail(error, "no chunk list at the list offset");
    const int32_t count = getInt32(bytes, list + 4);
    if (count < 1 || count > kMaxEntries)
        return fail(error, "chunk list holds no entry or too many");
    if (static_cast<int64_t>(list + 8 + kEntrySize * static_cast<size_t>(count)) > size)
        return fail(error, "chunk list runs past the end of the file");

    for (int32_t i = 0; i < count; ++i) {
        const size_t entry = list + 8 + kEntrySize * static_cast<size_t>(i);
        PresetChunk chunk;
        std::memcpy(chunk.id.data(), bytes.data() + entry, 4);
        const int64_t offset = getInt64(bytes, entry + 4);
        const int64_t length = getInt64(bytes, entry + 12);
        // Both checks before adding, so that huge values cannot overflow.
        if (offset < 0 || length < 0 || offset > size || length > size - offset)
            return fail(error, "chunk lies outside the file");
        chunk.data.assign(bytes.begin() + offset, bytes.begin() + offset + length);
        preset.chunks.push_back(std::move(chunk));
    }
    return preset;
}

std::optional<std::vector<uint8_t>> savePreset(const Instance& instance, const FUID& classId,
                                               std::string* error) {
    if (instance.component() == nullptr)
        return fail(error, "no component");
    PresetFile preset;
    preset.classId = classId.toString();
    PresetChunk comp;
    std::memcpy(comp.id.data(), "Comp", 4);
    if (auto state = instance.getComponentState())
        comp.data = std::move(*state);
    preset.chunks.push_back(std::move(comp));
    if (auto state = instance.getControllerState()) {
        PresetChunk cont;
        std::memcpy(cont.id.data(), "Cont", 4);
        cont.data = std::move(*state);
        preset.chunks.push_back(std::move(cont));
    }
    return writePresetFile(preset);
}

tresult loadPreset(Instance& instance, const std::vector<uint8_t>& bytes, const FUID& classId,
                   std::string* error) {
    const auto preset = readPresetFile(bytes, error);
    if (!preset)
        return kInvalidArgument;
    const auto fileClass = FUID::fromString(preset->classId);
    if (!fileClass || *fileClass != classId) {
        fail(error, "preset belongs to another class");
        return kResultFalse;
    }
    tresult result = kResultOk;
    if (const PresetChunk* comp = preset->find("Comp"); comp != nullptr && !comp->data.empty()) {
        result = instance.setComponentState(comp->data);
        if (result != kResultOk)
            fail(error, "component refused its state");
    }
    if (const PresetChunk* cont = preset->find("Cont"); cont != nullptr && result == kResultOk) {
        result = instance.setControllerState(cont->data);
        if (result != kResultOk)
            fail(error, "controller refused its state");
    }
    return result;
}

} // namespace hostkit
