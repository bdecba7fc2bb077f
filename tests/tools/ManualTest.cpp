// The user manual as the build made it (build/<preset>/manual). Its control reference must say
// what the parameter table says: every parameter but the reserved one in one row, with the
// range and default the plug-in shows. Every picture it shows must exist and be a real image
// of the right kind, and the words for each control must stay in step with the table.
#include "ControlDescriptions.h"

#include "processor/ParameterTable.h"
#include "processor/ValueText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace torvik;
using namespace torvik::manual;

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string Unescape(std::string s) {
    for (const auto& [from, to] : std::map<std::string, std::string>{
             {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}}) {
        for (auto at = s.find(from); at != std::string::npos; at = s.find(from, at + 1))
            s.replace(at, from.size(), to);
    }
    return s;
}

struct ReferenceRow {
    std::string range;
    std::string defaultText;
    int count = 0;
};

// Every row of the manual's control tables, by control name.
std::map<std::string, ReferenceRow> ReferenceRows(const std::string& html) {
    std::map<std::string, ReferenceRow> rows;
    const std::regex row(
        "<tr>\\s*<td>([^<]*)</td>\\s*<td>([^<]*)</td>\\s*<td>([^<]*)</td>\\s*<td>[^<]*</td>");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), row);
         it != std::sregex_iterator(); ++it) {
        ReferenceRow& r = rows[Unescape((*it)[1])];
        r.range = Unescape((*it)[2]);
        r.defaultText = Unescape((*it)[3]);
        ++r.count;
    }
    return rows;
}

TEST(Manual, ControlReferenceSaysWhatTheParameterTableSays) {
    const std::string html = Slurp(fs::path(MANUAL_DIR) / "index.html");
    ASSERT_FALSE(html.empty()) << "the manual was not built";
    const std::map<std::string, ReferenceRow> rows = ReferenceRows(html);
    std::map<std::string, int> expectedCount;
    for (int i = 0; i < kTorvikParamCount; ++i) {
        const ParamRow& param = ParamRowAt(i);
        if (IsReserved(param))
            continue;
        SCOPED_TRACE(std::to_string(i) + " " + param.name);
        ++expectedCount[param.name];
        const auto found = rows.find(param.name);
        ASSERT_NE(found, rows.end()) << "no row in the manual";
        EXPECT_EQ(found->second.defaultText,
                  FormatValue(param, param.defaultValue, TextForm::kWithUnit));
        if (IsSwitch(param)) {
            EXPECT_EQ(found->second.range, std::string(param.offText) + " or " + param.onText);
        } else {
            // Lowest to highest as the values read.
            const std::string a = FormatValue(param, param.min, TextForm::kWithUnit);
            const std::string b = FormatValue(param, param.max, TextForm::kWithUnit);
            EXPECT_EQ(found->second.range, param.negated ? b + " to " + a : a + " to " + b);
        }
    }
    for (const auto& [name, row] : rows) {
        if (name == "Control" || name == "Meter")
            continue;
        EXPECT_EQ(row.count, expectedCount[name]) << name << ": rows in the manual";
    }
}

// PNG: signature, then the IHDR chunk's width and height.
bool PngSize(const std::string& bytes, std::uint32_t& width, std::uint32_t& height) {
    if (bytes.size() < 24 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
        bytes.compare(12, 4, "IHDR") != 0)
        return false;
    auto be32 = [&](std::size_t at) {
        return (std::uint32_t(std::uint8_t(bytes[at])) << 24) |
               (std::uint32_t(std::uint8_t(bytes[at + 1])) << 16) |
               (std::uint32_t(std::uint8_t(bytes[at + 2])) << 8) | std::uint8_t(bytes[at + 3]);
    };
    width = be32(16);
    height = be32(20);
    return true;
}

TEST(Manual, EveryPictureItShowsIsThere) {
    const std::string html = Slurp(fs::path(MANUAL_DIR) / "index.html");
    ASSERT_FALSE(html.empty()) << "the manual was not built";
    const std::regex img("<img alt=\"([^\"]*)\" src=\"([^\"]+)\"");
    std::map<std::string, int> kinds;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), img);
         it != std::sregex_iterator(); ++it) {
        const std::string src = (*it)[2];
        SCOPED_TRACE(src);
        const std::string bytes = Slurp(fs::path(MANUAL_DIR) / src);
        ASSERT_FALSE(bytes.empty()) << "missing";
        if (src.ends_with(".svg")) {
            // The diagram names every stage of the chain.
            EXPECT_NE(bytes.find("<svg"), std::string::npos);
            for (const char* stage : {"Preamp", "esser", "Gate", "Equaliser", "Compressor"})
                EXPECT_NE(bytes.find(stage), std::string::npos) << stage;
            ++kinds["diagram"];
            continue;
        }
        std::uint32_t w = 0;
        std::uint32_t h = 0;
        ASSERT_TRUE(PngSize(bytes, w, h)) << "not a PNG";
        if (src == "editor.png") {
            EXPECT_EQ(w, 1186u);
            EXPECT_EQ(h, 644u);
            ++kinds["editor"];
        } else if (src.starts_with("stage-")) {
            // One panel of the editor: narrower than the editor, most of its height.
            EXPECT_GT(w, 100u);
            EXPECT_LT(w, 300u);
            EXPECT_GT(h, 500u);
            ++kinds["stage"];
        } else if (src.starts_with("presets/")) {
            EXPECT_GT(w, 800u);
            ++kinds["preset"];
        }
    }
    EXPECT_EQ(kinds["diagram"], 1);
    EXPECT_EQ(kinds["editor"], 1);
    EXPECT_EQ(kinds["stage"], 6) << "one picture per stage and the main section";
    EXPECT_EQ(kinds["preset"], 6) << "one plot per factory preset";
}

TEST(Manual, ControlWordsAgreeWithTheParameterTable) {
    std::vector<StageText> stages;
    std::string error;
    ASSERT_TRUE(ReadControlDescriptions(CONTROLS_FILE, stages, error)) << error;
    const std::vector<std::string> problems = CompareWithParameterTable(stages);
    EXPECT_TRUE(problems.empty()) << problems.front();
}

// The check itself, on descriptions that drift from the table in each way it can.
TEST(Manual, DescriptionsThatDriftFromTheTableAreCaught) {
    std::vector<StageText> good;
    std::string error;
    ASSERT_TRUE(ReadControlDescriptions(CONTROLS_FILE, good, error)) << error;
    struct Case {
        const char* what;
        void (*change)(std::vector<StageText>&);
        const char* expected;
    };
    const Case cases[] = {
        {"a renamed parameter", [](auto& s) { s[0].controls[0].name = "Preamp Switch"; },
         "the parameter table names it"},
        {"a missing parameter", [](auto& s) { s.back().controls.pop_back(); }, "not described"},
        {"a parameter described twice", [](auto& s) { s[1].controls.push_back(s[0].controls[0]); },
         "described twice"},
        {"the reserved index",
         [](auto& s) {
             s[0].controls.push_back({19, "", "x"});
         },
         "reserved index"},
        {"an index past the table",
         [](auto& s) {
             s[0].controls.push_back({40, "X", "x"});
         },
         "no such parameter index"},
        {"an empty text", [](auto& s) { s[2].controls[1].text.clear(); }, "no text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<StageText> stages = good;
        c.change(stages);
        const std::vector<std::string> problems = CompareWithParameterTable(stages);
        ASSERT_FALSE(problems.empty());
        bool named = false;
        for (const std::string& p : problems)
            named = named || p.find(c.expected) != std::string::npos;
        EXPECT_TRUE(named) << problems.front();
    }
}

} // namespace
