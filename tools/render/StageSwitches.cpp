#include "StageSwitches.h"

#include <array>

namespace torvik::render {

namespace {

struct Stage {
    const char* switchTitle;
    std::array<const char*, 4> prefixes; // titles of the stage's parameters begin so
};

// TORVIK's stages: every switch whose name ends in "Bypass" puts its stage in the path at 1.
constexpr Stage kStages[] = {
    {"Preamp Bypass", {"Preamp ", nullptr, nullptr, nullptr}},
    {"De-Esser Bypass", {"De-Esser ", nullptr, nullptr, nullptr}},
    {"Gate Bypass", {"Gate ", nullptr, nullptr, nullptr}},
    {"EQ Bypass", {"Low Gain", "Low Mid ", "High Mid ", "High Gain"}},
    {"Compressor Bypass", {"Compressor ", nullptr, nullptr, nullptr}},
    {"Main Bypass", {"Main ", nullptr, nullptr, nullptr}},
};

} // namespace

std::optional<StageSwitch> StageSwitchOf(const std::string& title) {
    for (const Stage& s : kStages) {
        if (title == s.switchTitle)
            return std::nullopt;
        for (const char* prefix : s.prefixes)
            if (prefix != nullptr && title.rfind(prefix, 0) == 0)
                return StageSwitch{s.switchTitle, 1.0};
    }
    return std::nullopt;
}

} // namespace torvik::render
