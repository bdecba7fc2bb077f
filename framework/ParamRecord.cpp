#include "framework/ParamRecord.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace torvik {
namespace {

void CopyText(char* dest, const char* src) {
    // Texts are at most 31 characters by contract; cut rather than overrun.
    std::snprintf(dest, kParamTextSize, "%s", src ? src : "");
}

// Truncation toward zero that stays defined for values outside the int range.
int TruncateToInt(double v) {
    if (!(v == v))
        return 0;
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(v);
}

} // namespace

double ReadLeadingDecimal(const char* text) {
    // Only plain decimal notation counts: no hex, "inf" or "nan" spellings.
    if (!text)
        return 0.0;
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v')
        ++p;
    const char* start = p;
    if (*p == '+' || *p == '-')
        ++p;
    const char* digits = p;
    while (*p >= '0' && *p <= '9')
        ++p;
    bool any = p != digits;
    if (*p == '.') {
        const char* fraction = ++p;
        while (*p >= '0' && *p <= '9')
            ++p;
        any = any || p != fraction;
    }
    if (!any)
        return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-')
            ++q;
        const char* expDigits = q;
        while (*q >= '0' && *q <= '9')
            ++q;
        if (q != expDigits)
            p = q;
    }
    // from_chars is independent of the host's locale; it takes no '+' sign.
    if (*start == '+')
        ++start;
    double v = 0.0;
    const std::from_chars_result r = std::from_chars(start, p, v);
    if (r.ec == std::errc::result_out_of_range) {
        // Overflow reads as an infinity, underflow as zero, each with its sign.
        const bool negative = *start == '-';
        const char* e = std::find_if(start, p, [](char c) { return c == 'e' || c == 'E'; });
        const bool overflow = e != p && e[1] != '-';
        v = overflow ? HUGE_VAL : 0.0;
        if (negative)
            v = -v;
    }
    return v;
}

IParamRecord::IParamRecord()
    : kind(kParamUndefined), value(0.0), min(0.0), max(1.0), step(1.0), shape(1.0),
      defaultValue(0.0), displayPrecision(0), name{}, label{}, group{}, negateDisplay(false),
      canAutomate(true) {}

void IParamRecord::DefineContinuous(const char* nameText, double defaultVal, double minValue,
                                    double maxValue, double stepValue, const char* labelText,
                                    const char* groupText, double shapeValue) {
    if (kind == kParamUndefined)
        kind = kParamContinuous;
    CopyText(name, nameText);
    CopyText(label, labelText);
    CopyText(group, groupText);
    min = minValue;
    value = defaultVal;
    defaultValue = defaultVal;
    step = stepValue;
    // The range is at least one step wide.
    max = std::max(maxValue, min + step);
    displayPrecision = 0;
    double s = step;
    while (s != std::floor(s)) {
        ++displayPrecision;
        s *= 10.0;
        if (displayPrecision >= kMaxParamDisplayPrecision)
            break;
    }
    ApplyShape(shapeValue);
}

void IParamRecord::DefineStepped(const char* nameText, int defaultVal, int minValue, int maxValue,
                                 const char* labelText, const char* groupText) {
    if (kind == kParamUndefined)
        kind = kParamStepped;
    DefineContinuous(nameText, defaultVal, minValue, maxValue, 1.0, labelText, groupText, 1.0);
}

void IParamRecord::ApplyShape(double shapeValue) {
    if (shapeValue != 0.0)
        shape = shapeValue;
}

void IParamRecord::AddDisplayText(int v, const char* text) {
    ParamDisplayText entry;
    entry.value = v;
    CopyText(entry.text, text);
    displayTexts.push_back(entry);
}

double IParamRecord::FromNormalised(double x) const {
    return min + (max - min) * std::pow(x, shape);
}

double IParamRecord::ToNormalised(double v) const {
    if (!(v == v))
        v = min; // NaN has no position; report the bottom of the range
    v = std::clamp(v, min, max);
    return std::pow((v - min) / (max - min), 1.0 / shape);
}

void IParamRecord::SetFromNormalised(double x) {
    // Hosts promise 0..1; a value outside would put the parameter outside its
    // range (a negative release time, a zero ratio), so the input is clamped.
    // NaN carries no position and leaves the value as it was.
    if (!(x == x))
        return;
    x = std::clamp(x, 0.0, 1.0);
    double v = FromNormalised(x);
    if (kind != kParamContinuous)
        v = std::floor(v / step + 0.5) * step;
    value = std::max(std::min(v, max), min);
}

void IParamRecord::SetFromPlain(double v) {
    if (!(v == v))
        return;
    v = std::clamp(v, min, max);
    if (kind != kParamContinuous && step > 0.0)
        v = std::min(std::floor(v / step + 0.5) * step, max);
    SetClamped(v);
}

void IParamRecord::SetClamped(double v) {
    // A NaN from a damaged state restores the default instead of poisoning the value.
    if (!(v == v))
        v = defaultValue;
    if (v < min)
        value = min;
    else if (v > max)
        value = max;
    else
        value = v;
}

const char* IParamRecord::DisplayTextFor(int v) const {
    for (const ParamDisplayText& entry : displayTexts) {
        if (entry.value == v)
            return entry.text;
    }
    return "";
}

const char* IParamRecord::HostLabel() const {
    return DisplayTextFor(TruncateToInt(value.Load()))[0] != '\0' ? "" : label;
}

std::string IParamRecord::TextOfValue(double v) const {
    if (textFormat)
        return textFormat->Text(v, false);
    const char* text = DisplayTextFor(TruncateToInt(v));
    if (text[0] != '\0')
        return text;
    if (negateDisplay)
        v = -v;
    // Formatted without the C locale, so a host that sets a decimal comma
    // still gets "-30.00".
    char buffer[512];
    std::to_chars_result r{};
    if (displayPrecision > 0)
        r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed,
                          displayPrecision);
    else
        r = std::to_chars(buffer, buffer + sizeof buffer, TruncateToInt(v));
    return r.ec == std::errc() ? std::string(buffer, r.ptr) : std::string();
}

double IParamRecord::ParseFromText(const char* text) const {
    return ToNormalised(ReadLeadingDecimal(text));
}

std::string IParamRecord::TextWithUnit(double v) const {
    if (textFormat)
        return textFormat->Text(v, true);
    const std::string number = TextOfValue(v);
    const char* unit = DisplayTextFor(TruncateToInt(v))[0] != '\0' ? "" : label;
    return unit[0] != '\0' ? number + " " + unit : number;
}

bool IParamRecord::ReadText(const char* text, double& normalised) const {
    if (!text)
        return false;
    double v = 0.0;
    if (textFormat) {
        if (!textFormat->Read(text, v))
            return false;
    } else {
        // Without a format only a leading number reads, as ParseFromText reads it.
        const char* p = text;
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == '+' || *p == '-')
            ++p;
        if (*p == '.')
            ++p;
        if (*p < '0' || *p > '9')
            return false;
        v = ReadLeadingDecimal(text);
        if (negateDisplay)
            v = -v;
    }
    normalised = ToNormalised(v);
    return true;
}

} // namespace torvik
