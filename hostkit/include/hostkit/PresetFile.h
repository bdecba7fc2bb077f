// The .vstpreset container: a plug-in's states as hosts exchange them between projects.
#pragma once

#include "hostkit/Instance.h"

#include "vst3sdk/helpers/fuid.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hostkit {

/** One chunk of a preset file: a four-character ID ("Comp", "Cont", "Prog", "Info") and data. */
struct PresetChunk {
    std::array<char, 4> id{};  ///< chunk ID, not terminated
    std::vector<uint8_t> data; ///< chunk bytes

    bool is(const char* fourChars) const;
};

/** A parsed preset file. */
struct PresetFile {
    std::string classId;             ///< 32 upper-case hex digits (FUID::toString form)
    std::vector<PresetChunk> chunks; ///< in list order

    /** First chunk with this ID, or null. */
    const PresetChunk* find(const char* fourChars) const;
};

/** Layout: "VST3", int32 version 1, 32-character class ID, int64 list offset (all integers
    little-endian), the chunks' data, then "List", int32 count and per chunk its ID, int64
    offset and int64 size. */
std::vector<uint8_t> writePresetFile(const PresetFile& preset);

/** Parses and checks a preset file: header, class ID text, list position and every chunk's
    range. A list must hold 1 to 128 entries. Nothing (with `error`) for a damaged file. */
std::optional<PresetFile> readPresetFile(const std::vector<uint8_t>& bytes,
                                         std::string* error = nullptr);

/** A preset of the instance's current state: "Comp" from the component's getState (an empty
    chunk when the component keeps no state), "Cont" when the controller's getState succeeds. */
std::optional<std::vector<uint8_t>>
savePreset(const Instance& instance, const Steinberg::FUID& classId, std::string* error = nullptr);

/** Restores a preset the way hosts do: the class ID must match; a non-empty "Comp" goes to the
    component's setState and then to the controller's setComponentState; "Cont" goes to the
    controller's setState. kResultOk when every step that ran succeeded. */
Steinberg::tresult loadPreset(Instance& instance, const std::vector<uint8_t>& bytes,
                              const Steinberg::FUID& classId, std::string* error = nullptr);

} // namespace hostkit
