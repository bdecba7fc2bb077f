#include "ControlDescriptions.h"

#include "processor/ParameterTable.h"

#include <fstream>
#include <set>

namespace torvik::manual {
namespace {

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

} // namespace

bool ReadControlDescriptions(const std::string& path, std::vector<StageText>& stages,
                             std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot read";
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = path + ":" + std::to_string(number) + ": ";
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            const auto close = line.find(']');
            if (close == std::string::npos || close == 1) {
                error = where + "a stage is written [id] Title";
                return false;
            }
            stages.push_back({line.substr(1, close - 1), Trim(line.substr(close + 1)), {}});
            continue;
        }
        const auto bar1 = line.find('|');
        const auto bar2 = bar1 == std::string::npos ? bar1 : line.find('|', bar1 + 1);
        if (stages.empty() || bar2 == std::string::npos) {
            error = where + "a control is written INDEX | NAME | text, after a [stage] line";
            return false;
        }
        ControlText control;
        try {
            std::size_t used = 0;
            const std::string index = Trim(line.substr(0, bar1));
            control.index = std::stoi(index, &used);
            if (used != index.size())
                throw std::invalid_argument(index);
        } catch (const std::exception&) {
            error = where + "the index is not a number";
            return false;
        }
        control.name = Trim(line.substr(bar1 + 1, bar2 - bar1 - 1));
        control.text = Trim(line.substr(bar2 + 1));
        stages.back().controls.push_back(control);
    }
    return true;
}

std::vector<std::string> CompareWithParameterTable(const std::vector<StageText>& stages) {
    std::vector<std::string> problems;
    std::set<int> described;
    for (const StageText& stage : stages) {
        for (const ControlText& control : stage.controls) {
            const std::string which = std::to_string(control.index) + " \"" + control.name + "\"";
            if (control.index < 0 || control.index >= kTorvikParamCount) {
                problems.push_back(which + ": no such parameter index");
                continue;
            }
            const ParamRow& param = ParamRowAt(control.index);
            if (IsReserved(param))
                problems.push_back(which + ": the reserved index has no control");
            else if (control.name != param.name)
                problems.push_back(which + ": the parameter table names it \"" + param.name + "\"");
            if (!described.insert(control.index).second)
                problems.push_back(which + ": described twice");
            if (control.text.empty())
                problems.push_back(which + ": no text");
        }
    }
    for (int i = 0; i < kTorvikParamCount; ++i)
        if (!IsReserved(ParamRowAt(i)) && described.count(i) == 0)
            problems.push_back(std::to_string(i) + " \"" + ParamRowAt(i).name +
                               "\": not described");
    return problems;
}

} // namespace torvik::manual
