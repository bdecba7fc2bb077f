#pragma once
// Which switch takes a parameter's stage out of the signal path, for the effects whose layout
// the tool knows. A setting of a stage that is switched out cannot be heard, which is worth a
// warning ("Compressor Threshold=-20" alone changes nothing while "Compressor Bypass" reads 0).
#include <optional>
#include <string>

namespace torvik::render {

struct StageSwitch {
    std::string title;  // the switch's parameter title
    double inPathValue; // the value that puts the stage in the path
};

// The switch of the stage the parameter titled `title` belongs to, if the tool knows one.
std::optional<StageSwitch> StageSwitchOf(const std::string& title);

} // namespace torvik::render
