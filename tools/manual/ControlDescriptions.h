#pragma once
// The manual's words for each control (docs/manual/controls.txt): the stages in signal order,
// each with its parameters and what they do.
#include <string>
#include <vector>

namespace torvik::manual {

struct ControlText {
    int index;        // parameter index
    std::string name; // as the parameter table names it
    std::string text; // what the control does
};

struct StageText {
    std::string id;    // short name used by the manual's placeholders, e.g. "gate"
    std::string title; // e.g. "Gate"
    std::vector<ControlText> controls;
};

// Reads the file. False with a message naming the line when a line is malformed.
bool ReadControlDescriptions(const std::string& path, std::vector<StageText>& stages,
                             std::string& error);

// Where the descriptions and the parameter table disagree: a wrong index or name, a parameter
// described twice or not at all, the reserved index described. Empty when they agree.
std::vector<std::string> CompareWithParameterTable(const std::vector<StageText>& stages);

} // namespace torvik::manual
