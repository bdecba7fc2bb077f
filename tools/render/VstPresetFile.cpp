#include "VstPresetFile.h"

#include "PendingFile.h"

#include "hostkit/PresetFile.h"

#include <algorithm>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

namespace torvik::preset {

namespace {

constexpr const char* kComponentId = "Comp";
constexpr const char* kControllerId = "Cont";
constexpr const char* kInfoId = "Info";

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

char Upper(char c) {
    return (c >= 'a' && c <= 'f') ? static_cast<char>(c - 'a' + 'A') : c;
}

void AddChunk(hostkit::PresetFile& file, const char* id, const std::uint8_t* data,
              std::size_t size) {
    hostkit::PresetChunk chunk;
    std::memcpy(chunk.id.data(), id, 4);
    chunk.data.assign(data, data + size);
    file.chunks.push_back(std::move(chunk));
}

} // namespace

bool IsClassIdText(const std::string& text) {
    return text.size() == 32 && std::all_of(text.begin(), text.end(), IsHexDigit);
}

Bytes EncodeVstPreset(const VstPreset& preset) {
    hostkit::PresetFile file;
    file.classId = preset.classId;
    for (char& c : file.classId)
        c = Upper(c);
    if (preset.componentState)
        AddChunk(file, kComponentId, preset.componentState->data(), preset.componentState->size());
    if (preset.controllerState)
        AddChunk(file, kControllerId, preset.controllerState->data(),
                 preset.controllerState->size());
    if (preset.info && !preset.info->empty())
        AddChunk(file, kInfoId, reinterpret_cast<const std::uint8_t*>(preset.info->data()),
                 preset.info->size());
    return hostkit::writePresetFile(file);
}

bool DecodeVstPreset(std::span<const std::uint8_t> image, VstPreset& out, std::string& error) {
    out = VstPreset{};
    std::string why;
    const std::optional<hostkit::PresetFile> file =
        hostkit::readPresetFile(Bytes(image.begin(), image.end()), &why);
    if (!file) {
        error = why;
        return false;
    }
    out.classId = file->classId;
    for (const hostkit::PresetChunk& chunk : file->chunks) {
        const std::string id(chunk.id.begin(), chunk.id.end());
        auto take = [&](auto& slot, auto value) {
            if (slot) {
                error = "has more than one '" + id + "' chunk";
                return false;
            }
            slot = std::move(value);
            return true;
        };
        bool ok = true;
        if (chunk.is(kComponentId))
            ok = take(out.componentState, chunk.data);
        else if (chunk.is(kControllerId))
            ok = take(out.controllerState, chunk.data);
        else if (chunk.is(kInfoId))
            ok = take(out.info, std::string(chunk.data.begin(), chunk.data.end()));
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
