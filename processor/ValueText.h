#pragma once
// Values of TORVIK's parameters as text: written with their unit and the
// precision a user reads, and read back from whatever a user types.
#include "processor/ParameterTable.h"

#include <string>
#include <string_view>

namespace torvik {

enum class TextForm {
    kWithUnit,   // for people: "-24.0 dB", "1.20 kHz", "80 %", "4.0:1", "On"
    kNumberOnly, // for hosts, which show the unit beside it: "-24.0", "1200", "80"
};

// The text of a real (stored) value.
std::string FormatValue(const ParamRow& param, double value, TextForm form);

// Reads a typed value in any reasonable form ("-24", "-24 dB", "\u221224", "1.2k",
// "1200 Hz", "0.25 s", "4:1", "80%", "on") into a real value clamped to the range.
// False, with value untouched, when the text is no value of this parameter
// (no number, a unit it does not measure, trailing words).
bool ParseValue(const ParamRow& param, std::string_view text, double& value);

} // namespace torvik
