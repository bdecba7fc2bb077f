#include "processor/ValueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace torvik {
namespace {

// Significant figures of frequencies and times.
constexpr int kFigures = 3;
// Frequencies from here on are written in kilohertz.
constexpr double kKiloHertz = 1000.0;
// A typed number longer than this is no value anyone means.
constexpr std::size_t kMaxNumberLength = 32;
// The minus sign U+2212 as UTF-8, which people paste from typeset text.
constexpr std::string_view kUnicodeMinus = "\xE2\x88\x92";

// v with a fixed number of decimals, independent of the C locale; a value that
// rounds to zero is written without a sign.
std::string Fixed(double v, int decimals) {
    char buffer[64];
    const std::to_chars_result r =
        std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        return {};
    std::string text(buffer, r.ptr);
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

// Decimals that show |v| with kFigures significant figures (none from 100 up).
int SignificantDecimals(double v) {
    const double a = std::fabs(v);
    for (int d = kFigures - 1; d > 0; --d) {
        const double scale = std::pow(10.0, d);
        if (std::round(a * scale) < std::pow(10.0, kFigures))
            return d;
    }
    return 0;
}

std::string Significant(double v) {
    return Fixed(v, SignificantDecimals(v));
}

std::string WithUnit(const std::string& number, const char* unit, TextForm form) {
    return form == TextForm::kWithUnit ? number + " " + unit : number;
}

std::string FrequencyText(double hz, TextForm form) {
    if (std::round(std::fabs(hz)) < kKiloHertz)
        return WithUnit(Significant(hz), "Hz", form);
    if (form == TextForm::kWithUnit)
        return Significant(hz / kKiloHertz) + " kHz";
    // Hosts show "Hz" beside the number: whole hertz, to three figures.
    const double tens = std::pow(10.0, std::floor(std::log10(std::fabs(hz))) - (kFigures - 1));
    return Fixed(std::round(hz / tens) * tens, 0);
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// text in small letters without spaces.
std::string Squeezed(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c != ' ' && c != '\t')
            out.push_back(Lower(c));
    }
    return out;
}

// Reads an unsigned decimal number ("12", "1.5", "1,5", ".5") from the front
// of text; advances text past it.
bool ReadNumber(std::string_view& text, double& out) {
    std::string digits;
    bool any = false;
    bool separator = false;
    std::size_t i = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
            any = true;
        } else if ((c == '.' || c == ',') && !separator) {
            digits.push_back('.');
            separator = true;
        } else {
            break;
        }
    }
    if (!any || digits.size() > kMaxNumberLength)
        return false;
    double v = 0.0;
    const std::from_chars_result r =
        std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (r.ec != std::errc())
        return false;
    out = v;
    text.remove_prefix(i);
    return true;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n' ||
                             text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// A switch's state by name: 1 for on, 0 for off, -1 for neither.
int SwitchWord(const ParamRow& param, std::string_view text) {
    const std::string word = Squeezed(text);
    if (word == "on" || word == "yes" || word == "true" || word == Squeezed(param.onText))
        return 1;
    if (word == "off" || word == "no" || word == "false" || word == Squeezed(param.offText))
        return 0;
    return -1;
}

// Factor that turns a number typed with this unit word into the stored unit;
// 0 when the word is no unit of the parameter.
double UnitFactor(ParamUnit unit, const std::string& word) {
    if (word.empty())
        return unit == ParamUnit::kPercent ? 0.01 : 1.0;
    switch (unit) {
    case ParamUnit::kDecibel:
        return word == "db" ? 1.0 : 0.0;
    case ParamUnit::kHertz:
        if (word == "hz")
            return 1.0;
        return word == "k" || word == "khz" ? kKiloHertz : 0.0;
    case ParamUnit::kMillisecond:
        if (word == "ms")
            return 1.0;
        return word == "s" || word == "sec" ? 1000.0 : 0.0;
    case ParamUnit::kPercent:
        return word == "%" ? 0.01 : 0.0;
    default:
        return 0.0;
    }
}

} // namespace

std::string FormatValue(const ParamRow& param, double value, TextForm form) {
    double v = value == value ? std::clamp(value, param.min, param.max) : param.min;
    if (param.negated)
        v = -v;
    switch (param.unit) {
    case ParamUnit::kDecibel:
        return WithUnit(Fixed(v, 1), "dB", form);
    case ParamUnit::kHertz:
        return FrequencyText(v, form);
    case ParamUnit::kMillisecond:
        return WithUnit(Significant(v), "ms", form);
    case ParamUnit::kPercent:
        return WithUnit(Fixed(v * 100.0, 0), "%", form);
    case ParamUnit::kRatio:
        return Fixed(v, 1) + ":1";
    case ParamUnit::kSwitch:
        return v >= 0.5 ? param.onText : param.offText;
    case ParamUnit::kReserved:
    default:
        return Fixed(v, 2);
    }
}

bool ParseValue(const ParamRow& param, std::string_view text, double& value) {
    text = Trimmed(text);
    double v = 0.0;
    if (IsSwitch(param)) {
        const int word = SwitchWord(param, text);
        if (word >= 0) {
            value = word;
            return true;
        }
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    } else if (text.substr(0, kUnicodeMinus.size()) == kUnicodeMinus) {
        negative = true;
        text.remove_prefix(kUnicodeMinus.size());
    }
    text = Trimmed(text);
    if (!ReadNumber(text, v))
        return false;
    const std::string word = Squeezed(text);
    if (param.unit == ParamUnit::kRatio && !word.empty()) {
        // "4:1", "4 : 1", "8/2": the ratio of two numbers.
        std::string_view rest = word;
        if (rest.front() != ':' && rest.front() != '/')
            return false;
        rest.remove_prefix(1);
        double below = 0.0;
        if (!ReadNumber(rest, below) || !rest.empty() || below <= 0.0)
            return false;
        v /= below;
    } else if (IsSwitch(param)) {
        if (!word.empty())
            return false;
        v = v >= 0.5 ? 1.0 : 0.0;
    } else if (param.unit == ParamUnit::kRatio || IsReserved(param)) {
        if (!word.empty())
            return false;
    } else {
        const double factor = UnitFactor(param.unit, word);
        if (factor == 0.0)
            return false;
        v *= factor;
    }
    if (negative)
        v = -v;
    if (param.negated)
        v = -v;
    if (!std::isfinite(v))
        return false;
    value = std::clamp(v, param.min, param.max);
    return true;
}

} // namespace torvik
