// torvik-manual-reference CONTROLS OUTDIR
//
// Writes the manual's control reference from the parameter table: for each stage of CONTROLS
// (docs/manual/controls.txt) OUTDIR/controls-<id>.md, a Markdown table of its controls with
// range, default and what each does, and OUTDIR/crops.txt, the editor region of each stage
// ("id left top right bottom") from the editor layout. Fails, listing every disagreement,
// when CONTROLS and the parameter table disagree.
#include "ControlDescriptions.h"

#include "processor/EditorLayout.h"
#include "processor/ParameterTable.h"
#include "processor/ValueText.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

using namespace torvik;
using namespace torvik::manual;

namespace {

constexpr int kEditorWidth = 1186;
constexpr int kMargin = 10;   // pixels around a stage's controls
constexpr int kPanelTop = 56; // the stage panels' top and bottom edges in the editor
constexpr int kPanelBottom = 614;

std::string Text(const ParamRow& param, double value) {
    return FormatValue(param, value, TextForm::kWithUnit);
}

// "lowest to highest" as a user reads them (a negated parameter reads its range backwards).
std::string RangeText(const ParamRow& param) {
    if (IsSwitch(param))
        return std::string(param.offText) + " or " + param.onText;
    const double a = param.negated ? param.max : param.min;
    const double b = param.negated ? param.min : param.max;
    return Text(param, a) + " to " + Text(param, b);
}

std::string TableCell(std::string s) {
    std::string out;
    for (char c : s)
        out += c == '|' ? std::string("\\|") : std::string(1, c);
    return out;
}

bool WriteTable(const StageText& stage, const std::string& path) {
    std::ofstream out(path);
    out << "| Control | Range | Default | What it does |\n|---|---|---|---|\n";
    for (const ControlText& control : stage.controls) {
        const ParamRow& param = ParamRowAt(control.index);
        out << "| " << TableCell(param.name) << " | " << TableCell(RangeText(param)) << " | "
            << TableCell(Text(param, param.defaultValue)) << " | " << TableCell(control.text)
            << " |\n";
    }
    return static_cast<bool>(out);
}

// The stage's controls and any meter above them, with a margin, the panel's full height.
void WriteCrop(const StageText& stage, std::ofstream& out) {
    int left = kEditorWidth;
    int right = 0;
    const auto layout = TorvikEditorLayout();
    for (const ControlText& control : stage.controls)
        for (const ControlLayout& c : layout)
            if (c.paramIndex == control.index) {
                left = std::min(left, c.x);
                right = std::max(right, c.x + c.bitmapWidth);
            }
    for (const ControlLayout& c : layout)
        if (c.kind == ControlKind::Meter && c.x < right && c.x + c.bitmapWidth > left) {
            left = std::min(left, c.x);
            right = std::max(right, c.x + c.bitmapWidth);
        }
    out << stage.id << ' ' << std::max(0, left - kMargin) << ' ' << kPanelTop << ' '
        << std::min(kEditorWidth, right + kMargin) << ' ' << kPanelBottom << '\n';
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: torvik-manual-reference CONTROLS OUTDIR\n");
        return 2;
    }
    std::vector<StageText> stages;
    std::string error;
    if (!ReadControlDescriptions(argv[1], stages, error)) {
        std::fprintf(stderr, "torvik-manual-reference: %s\n", error.c_str());
        return 1;
    }
    const std::vector<std::string> problems = CompareWithParameterTable(stages);
    for (const std::string& p : problems)
        std::fprintf(stderr, "torvik-manual-reference: %s: %s\n", argv[1], p.c_str());
    if (!problems.empty())
        return 1;

    const std::string dir = argv[2];
    std::ofstream crops(dir + "/crops.txt");
    for (const StageText& stage : stages) {
        if (!WriteTable(stage, dir + "/controls-" + stage.id + ".md")) {
            std::fprintf(stderr, "torvik-manual-reference: cannot write in %s\n", dir.c_str());
            return 1;
        }
        WriteCrop(stage, crops);
    }
    return crops ? 0 : 1;
}
