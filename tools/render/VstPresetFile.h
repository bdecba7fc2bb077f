#pragma once
// .vstpreset files as torvik-render uses them: the host kit's container codec (header 'VST3',
// version, class ID as 32 hex digits, chunks, chunk list; all little-endian) with the chunks
// this tool restores picked out by ID, plus reading and writing on disk with a size limit and
// without leaving half-written files.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace torvik::preset {

using Bytes = std::vector<std::uint8_t>;

// Everything a preset file carries that a host restores.
struct VstPreset {
    // The processor class ID as 32 upper-case hex digits (the platform's text form).
    std::string classId;
    // 'Comp': the component's state; absent when the component keeps no state of its own.
    std::optional<Bytes> componentState;
    // 'Cont': the controller's state.
    std::optional<Bytes> controllerState;
    // 'Info': an XML document with meta information; absent when empty.
    std::optional<std::string> info;
};

// Preset files larger than this are refused before reading: a channel strip's state is bytes,
// not megabytes, and a hostile size must not make us allocate without bound.
inline constexpr std::uintmax_t kMaxFileSize = 64u * 1024u * 1024u;

// True when `text` is 32 hex digits (either case).
bool IsClassIdText(const std::string& text);

// The whole file image of `preset`. Chunks are written in the order Comp, Cont, Info, each only
// when present. `preset.classId` must satisfy IsClassIdText; it is written in upper case.
Bytes EncodeVstPreset(const VstPreset& preset);

// Parses a file image (the container checks are the host kit's). On failure answers false and
// leaves one sentence in `error`; `out` is then unspecified. Unknown chunk IDs are skipped; a
// repeated known ID, or a file with neither component nor controller state, is an error.
bool DecodeVstPreset(std::span<const std::uint8_t> image, VstPreset& out, std::string& error);

// Reads and decodes `path` (refusing files above kMaxFileSize).
bool ReadVstPresetFile(const std::filesystem::path& path, VstPreset& out, std::string& error);

// Encodes `preset` and writes it to `path` through a temporary file in the same folder that is
// renamed into place only when every byte is on disk; a failure leaves no file behind.
bool WriteVstPresetFile(const std::filesystem::path& path, const VstPreset& preset,
                        std::string& error);

} // namespace torvik::preset
